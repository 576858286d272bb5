#include "odbc/dispatch/operation_rule.h"

#include <array>
#include <initializer_list>

#include "odbc/dispatch/operation.h"

namespace dbprobe::odbc {
namespace {

struct Row {
    std::initializer_list<int> codes;
    OperationRule rule;
};

using RuleTable = std::array<OperationRule, op::kTableSize>;

RuleTable BuildTable() {
    using namespace op;
    // Class, Required, Forbidden, Set, Clear, Clear-on-failure.
    const Row rows[] = {
        {{ADD}, {0x11, 0x41, 0, 0x2, 0x1400, 0}},
        {{BOF}, {0, 0x21, 0, 0, 0, 0}},
        {{BUILDfile}, {0x1, 0xC0, 0x4, 0, 0, 0x2022}},
        {{APPEND}, {0x11, 0x41, 0, 0, 0, 0}},
        {{BUILDdyn}, {0x1, 0x1, 0x4, 0x100, 0, 0}},
        {{BUILDkey}, {0x1, 0xC0, 0x4, 0, 0, 0}},
        {{CLOSE}, {0x3, 0x1, 0x4, 0, 0x101, 0}},
        {{COMMIT}, {0x1, 0x5, 0, 0, 0x4, 0}},
        {{COPY}, {0x1, 0, 0x1, 0, 0, 0}},
        {{CREATE}, {0x1, 0, 0x1, 0, 0, 0}},
        {{DELETE}, {0x1, 0x43, 0, 0, 0x2, 0}},
        {{DUPLICATE}, {0x1, 0x41, 0, 0, 0, 0}},
        {{EMPTY}, {0x1, 0xC1, 0x4, 0, 0, 0}},
        {{EOF_}, {0, 0x21, 0, 0, 0, 0}},
        {{GETfilekey, GETkeyptr}, {0x11, 0x101, 0, 0x2, 0xA00, 0x2}},
        {{GETfileptr, GETfileptrlen}, {0x11, 0x1, 0, 0x2, 0xA00, 0x2}},
        {{HOLDfile, HOLDfilesec}, {0x1, 0x1, 0, 0x800, 0, 0}},
        {{LOCKfile, LOCKfilesec}, {0x1, 0x1, 0x10, 0x90, 0, 0}},
        {{LOGOUT}, {0x1, 0x1, 0x4, 0x4, 0, 0}},
        {{NEXT, PREVIOUS}, {0x15, 0x21, 0, 0x2, 0xA00, 0x2022}},
        {{OPEN, SHARE}, {0x1, 0, 0x1, 0x1, 0, 0}},
        {{PACK}, {0x1, 0xC0, 0x4, 0, 0x22, 0x2022}},
        {{POINTERfile}, {0, 0x3, 0, 0, 0, 0}},
        {{POINTERkey}, {0, 0x103, 0, 0, 0, 0}},
        {{FLUSH}, {0x1, 0x1, 0, 0, 0x8, 0}},
        {{PUT}, {0x11, 0x43, 0, 0, 0x1400, 0}},
        {{RECORDSfile}, {0, 0x1, 0, 0, 0, 0}},
        {{RECORDSkey}, {0, 0x101, 0, 0, 0, 0}},
        {{BUILDdynfilter}, {0x1, 0x1, 0x4, 0x100, 0, 0}},
        {{RELEASE}, {0x1, 0x1, 0, 0, 0x1000, 0}},
        {{REMOVE, RENAME}, {0x1, 0, 0x1, 0, 0, 0}},
        {{ROLLBACK}, {0x1, 0x5, 0, 0, 0x4, 0}},
        {{SETfile, SETfileptr}, {0x25, 0x1, 0, 0x2020, 0, 0x2020}},
        {{SETfilekey, SETkey, SETkeykey, SETkeyptr, SETkeykeyptr},
         {0x25, 0x101, 0, 0x2020, 0, 0x2020}},
        {{SKIP}, {0x15, 0x21, 0, 0, 0x2, 0x2022}},
        {{UNLOCK}, {0x1, 0x11, 0x4, 0, 0x10, 0}},
        {{ADDfilelen}, {0x11, 0x1, 0, 0, 0x1400, 0}},
        {{BYTES}, {0x1, 0x1, 0, 0, 0, 0}},
        {{PUTfileptr, PUTfileptrlen}, {0x11, 0x41, 0, 0, 0x1400, 0x2}},
        {{STREAM}, {0x1, 0x1, 0x8, 0x8, 0, 0}},
        {{DUPLICATEkey}, {0x1, 0x101, 0, 0, 0, 0}},
        {{WATCH}, {0x1, 0x1, 0, 0x200, 0, 0}},
        {{APPENDlen}, {0x1, 0x41, 0, 0, 0x1400, 0}},
        {{SEND}, {0x1, 0, 0, 0, 0, 0}},
        {{POSITIONfile}, {0x1, 0x3, 0, 0, 0, 0}},
        {{POSITIONkey}, {0x1, 0x103, 0, 0, 0, 0}},
        {{RESETfile}, {0x25, 0x1, 0, 0x2020, 0, 0x2020}},
        {{RESETkey}, {0x25, 0x101, 0, 0x2020, 0, 0x2020}},
        {{NOMEMO}, {0, 0x1, 0, 0, 0, 0}},
        {{REGETfile}, {0x11, 0x1, 0, 0x2, 0xA00, 0}},
        {{REGETkey}, {0x11, 0x101, 0, 0x2, 0xA00, 0}},
        {{NULL_, SETNULL, SETNONULL}, {0x1, 0x1, 0, 0, 0, 0}},
        {{SET_PROPERTY, SETPROPERTYkey, DO_PROPERTY, DOPROPERTYkey, DOPROPERTYblob},
         {0x1, 0, 0, 0, 0, 0}},
        {{QUERY_KEY}, {0, 0x101, 0, 0, 0, 0}},
        {{BLOB_YIELD, BLOB_TAKE, BLOB_SET_PROP, BLOB_GET_PROP, BUFFER}, {0x1, 0x1, 0, 0, 0, 0}},
        {{BLOB_SIZE}, {0, 0x3, 0, 0, 0, 0}},
        {{SETview}, {0x5, 0x1, 0, 0x20, 0, 0x20}},
        {{RESETviewfile}, {0x5, 0x1, 0, 0x2020, 0, 0x2020}},
        {{BUILDevent}, {0x1, 0xC0, 0x4, 0, 0, 0x2022}},
        {{INVIEW}, {0x1, 0x1, 0x100, 0x100, 0, 0}},
        {{ENDVIEW}, {0x1, 0x1, 0, 0, 0x100, 0}},
        {{Internal94}, {0x1, 0, 0x1, 0, 0, 0}},
        {{COUNTRECORDS}, {0, 0x1, 0, 0, 0, 0}},
        {{GETNULLS}, {0x1, 0x3, 0, 0, 0, 0}},
        {{SETNULLS}, {0x1, 0x1, 0, 0, 0, 0}},
        {{Accepted108}, {0x1, 0, 0, 0, 0, 0}},
    };
    RuleTable table{};
    for (const Row& row : rows)
        for (int code : row.codes) table[code] = row.rule;
    return table;
}

const RuleTable& Table() {
    static const RuleTable table = BuildTable();
    return table;
}

}  // namespace

bool InRuleTable(int code) { return code >= 0 && code < op::kTableSize; }

const OperationRule& RuleFor(int code) {
    static const OperationRule none{};
    return InRuleTable(code) ? Table()[code] : none;
}

}  // namespace dbprobe::odbc
