#include "odbc/dispatch/operation.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>

namespace dbprobe::odbc::op {
namespace {

constexpr std::array<std::string_view, 105> kNames = {
    "(0)",         "ADD",          "BOF",          "BUILDfile",     "APPEND",
    "BUILDdyn",    "BUILDkey",     "CLOSE",        "COMMIT",        "COPY",
    "CREATE",      "DELETE",       "DUPLICATE",    "EMPTY",         "EOF",
    "GETfilekey",  "GETfileptr",   "GETkeyptr",    "HOLDfile",      "HOLDfilesec",
    "LOCKfile",    "LOCKfilesec",  "LOGOUT",       "NAME",          "NEXT",
    "OPEN",        "PACK",         "POINTERfile",  "POINTERkey",    "FLUSH",
    "PUT",         "PREVIOUS",     "RECORDSfile",  "RECORDSkey",    "BUILDdynfilter",
    "STARTRAN",    "RELEASE",      "REMOVE",       "RENAME",        "ENDTRAN",
    "ROLLBACK",    "SETfile",      "SETfilekey",   "SETfileptr",    "SETkey",
    "SETkeykey",   "SETkeyptr",    "SETkeykeyptr", "SHARE",         "SKIP",
    "UNLOCK",      "ADDfilelen",   "BYTES",        "GETfileptrlen", "PUTfileptr",
    "PUTfileptrlen", "STREAM",     "DUPLICATEkey", "WATCH",         "APPENDlen",
    "SEND",        "POSITIONfile", "POSITIONkey",  "RESETfile",     "RESETkey",
    "NOMEMO",      "REGETfile",    "REGETkey",     "NULL",          "SETNULL",
    "SETNONULL",   "SET_PROPERTY", "GET_PROPERTY", "QUERY_KEY",     "QUERY_VIEW",
    "BLOB_YIELD",  "BLOB_TAKE",    "BLOB_SIZE",    "BLOB_SET_PROP", "BLOB_GET_PROP",
    "BUFFER",      "SETview",      "CLEAR",        "RESETviewfile", "BUILDevent",
    "SETPROPERTYkey", "GETPROPERTYkey", "Internal87", "DO_PROPERTY", "DOPROPERTYkey",
    "DOPROPERTYblob", "Internal91", "INVIEW",      "ENDVIEW",       "Internal94",
    "COUNTRECORDS", "GETNULLS",    "SETNULLS",     "GETSTATE",      "RESTORESTATE",
    "Internal100", "(101)",        "FREESTATE",    "SQLCALLBACK",   "DESTROY",
};

bool OneOf(int code, std::initializer_list<int> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace

std::string_view Name(int code) {
    if (code >= 0 && code < static_cast<int>(kNames.size())) return kNames[code];
    if (code == AttachForImport) return "AttachForImport";
    static thread_local std::string scratch;
    scratch = "(" + std::to_string(code) + ")";
    return scratch;
}

bool TakesKey(int code) {
    return OneOf(code, {BUILDdyn, BUILDkey, GETfilekey, GETkeyptr, POINTERkey, RECORDSkey,
                        BUILDdynfilter, SETfilekey, SETkey, SETkeykey, SETkeyptr, SETkeykeyptr,
                        DUPLICATEkey, POSITIONkey, RESETkey, REGETkey, SETPROPERTYkey,
                        GETPROPERTYkey, DOPROPERTYkey});
}

int TextArgumentCount(int code) {
    if (OneOf(code, {BUILDdynfilter, SET_PROPERTY, BLOB_SET_PROP, SETPROPERTYkey})) return 2;
    if (OneOf(code, {BUILDdyn, COPY, RENAME, SEND, RESETfile, RESETkey, REGETfile, REGETkey,
                     GET_PROPERTY, BLOB_GET_PROP, GETPROPERTYkey, DO_PROPERTY, DOPROPERTYkey,
                     DOPROPERTYblob, SETNULLS}))
        return 1;
    return 0;
}

bool PushesTextResult(int code) {
    return OneOf(code, {NAME, SEND, POSITIONfile, POSITIONkey, GET_PROPERTY, BLOB_GET_PROP,
                        GETPROPERTYkey, GETNULLS});
}

bool RefreshesTexts(int code) {
    return OneOf(code, {BUILDfile, COPY, CREATE, EMPTY, NAME, OPEN, PACK, REMOVE, RENAME, SHARE,
                        BYTES, SEND, GET_PROPERTY});
}

}  // namespace dbprobe::odbc::op
