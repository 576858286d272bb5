#pragma once
// Record operation codes: the index into the runtime's table of operation names.

#include <string_view>

namespace dbprobe::odbc::op {

inline constexpr int ADD = 1, BOF = 2, BUILDfile = 3, APPEND = 4, BUILDdyn = 5, BUILDkey = 6,
                     CLOSE = 7, COMMIT = 8, COPY = 9, CREATE = 10, DELETE = 11, DUPLICATE = 12,
                     EMPTY = 13, EOF_ = 14, GETfilekey = 15, GETfileptr = 16, GETkeyptr = 17,
                     HOLDfile = 18, HOLDfilesec = 19, LOCKfile = 20, LOCKfilesec = 21,
                     LOGOUT = 22, NAME = 23, NEXT = 24, OPEN = 25, PACK = 26, POINTERfile = 27,
                     POINTERkey = 28, FLUSH = 29, PUT = 30, PREVIOUS = 31, RECORDSfile = 32,
                     RECORDSkey = 33, BUILDdynfilter = 34, STARTRAN = 35, RELEASE = 36,
                     REMOVE = 37, RENAME = 38, ENDTRAN = 39, ROLLBACK = 40, SETfile = 41,
                     SETfilekey = 42, SETfileptr = 43, SETkey = 44, SETkeykey = 45, SETkeyptr = 46,
                     SETkeykeyptr = 47, SHARE = 48, SKIP = 49, UNLOCK = 50, ADDfilelen = 51,
                     BYTES = 52, GETfileptrlen = 53, PUTfileptr = 54, PUTfileptrlen = 55,
                     STREAM = 56, DUPLICATEkey = 57, WATCH = 58, APPENDlen = 59, SEND = 60,
                     POSITIONfile = 61, POSITIONkey = 62, RESETfile = 63, RESETkey = 64,
                     NOMEMO = 65, REGETfile = 66, REGETkey = 67, NULL_ = 68, SETNULL = 69,
                     SETNONULL = 70, SET_PROPERTY = 71, GET_PROPERTY = 72, QUERY_KEY = 73,
                     QUERY_VIEW = 74, BLOB_YIELD = 75, BLOB_TAKE = 76, BLOB_SIZE = 77,
                     BLOB_SET_PROP = 78, BLOB_GET_PROP = 79, BUFFER = 80, SETview = 81, CLEAR = 82,
                     RESETviewfile = 83, BUILDevent = 84, SETPROPERTYkey = 85,
                     GETPROPERTYkey = 86, Internal87 = 87, DO_PROPERTY = 88, DOPROPERTYkey = 89,
                     DOPROPERTYblob = 90, Internal91 = 91, INVIEW = 92, ENDVIEW = 93,
                     Internal94 = 94, COUNTRECORDS = 95, GETNULLS = 96, SETNULLS = 97,
                     GETSTATE = 98, RESTORESTATE = 99, Internal100 = 100, FREESTATE = 102,
                     SQLCALLBACK = 103, DESTROY = 104,
                     // Beyond the runtime's table.
                     AttachForImport = 107, Accepted108 = 108;

// Codes 0..108 index the rule and handler tables; 105 and 106 are unused.
inline constexpr int kTableSize = 109;

// The runtime's name of an operation ("(0)", "ADD", ...); "(n)" for codes
// without a name.
std::string_view Name(int code);

// True for the operations whose first argument is a key descriptor.
bool TakesKey(int code);

// How many text arguments the operation pops from the value stack (0, 1 or 2).
int TextArgumentCount(int code);

// True for the operations that always push one text result.
bool PushesTextResult(int code);

// True for the operations that refresh name, owner and driver string from the
// descriptor while the file is closed.
bool RefreshesTexts(int code);

}  // namespace dbprobe::odbc::op
