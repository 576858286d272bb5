// Static tables: the width of each SQLGetInfo answer and the columns of the
// result sets catalog functions produce.

#include "fake_odbc_state.h"

#include <cstring>

namespace fake_odbc {

// Callers size their buffer by the info type, so a 16-bit answer written as 32
// bits would overrun it; every standard info type is listed here.
InfoKind info_kind(int info_type) {
    switch (info_type) {
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_ACCESSIBLE_TABLES:
    case SQL_CATALOG_NAME:
    case SQL_COLLATION_SEQ:
    case SQL_COLUMN_ALIAS:
    case SQL_DATA_SOURCE_NAME:
    case SQL_DATA_SOURCE_READ_ONLY:
    case SQL_DATABASE_NAME:
    case SQL_DBMS_NAME:
    case SQL_DBMS_VER:
    case SQL_DESCRIBE_PARAMETER:
    case SQL_DM_VER:
    case SQL_DRIVER_NAME:
    case SQL_DRIVER_ODBC_VER:
    case SQL_DRIVER_VER:
    case SQL_EXPRESSIONS_IN_ORDERBY:
    case SQL_IDENTIFIER_QUOTE_CHAR:
    case SQL_INTEGRITY:  // also SQL_ODBC_SQL_OPT_IEF
    case SQL_KEYWORDS:
    case SQL_LIKE_ESCAPE_CLAUSE:
    case SQL_MAX_ROW_SIZE_INCLUDES_LONG:
    case SQL_MULT_RESULT_SETS:
    case SQL_MULTIPLE_ACTIVE_TXN:
    case SQL_NEED_LONG_DATA_LEN:
    case SQL_ODBC_VER:
    case SQL_ORDER_BY_COLUMNS_IN_SELECT:
    case SQL_OUTER_JOINS:
    case SQL_OWNER_TERM:
    case SQL_PROCEDURE_TERM:
    case SQL_PROCEDURES:
    case SQL_QUALIFIER_NAME_SEPARATOR:
    case SQL_QUALIFIER_TERM:
    case SQL_ROW_UPDATES:
    case SQL_SEARCH_PATTERN_ESCAPE:
    case SQL_SERVER_NAME:
    case SQL_SPECIAL_CHARACTERS:
    case SQL_TABLE_TERM:
    case SQL_USER_NAME:
    case SQL_XOPEN_CLI_YEAR:
        return InfoKind::Text;

    case SQL_ACTIVE_CONNECTIONS:
    case SQL_ACTIVE_ENVIRONMENTS:
    case SQL_ACTIVE_STATEMENTS:
    case SQL_CONCAT_NULL_BEHAVIOR:
    case SQL_CORRELATION_NAME:
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
    case SQL_FILE_USAGE:
    case SQL_GROUP_BY:
    case SQL_IDENTIFIER_CASE:
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_COLUMNS_IN_GROUP_BY:
    case SQL_MAX_COLUMNS_IN_INDEX:
    case SQL_MAX_COLUMNS_IN_ORDER_BY:
    case SQL_MAX_COLUMNS_IN_SELECT:
    case SQL_MAX_COLUMNS_IN_TABLE:
    case SQL_MAX_CURSOR_NAME_LEN:
    case SQL_MAX_IDENTIFIER_LEN:
    case SQL_MAX_OWNER_NAME_LEN:
    case SQL_MAX_PROCEDURE_NAME_LEN:
    case SQL_MAX_QUALIFIER_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_TABLES_IN_SELECT:
    case SQL_MAX_USER_NAME_LEN:
    case SQL_NON_NULLABLE_COLUMNS:
    case SQL_NULL_COLLATION:
    case SQL_ODBC_API_CONFORMANCE:
    case SQL_ODBC_SAG_CLI_CONFORMANCE:
    case SQL_ODBC_SQL_CONFORMANCE:
    case SQL_QUALIFIER_LOCATION:
    case SQL_QUOTED_IDENTIFIER_CASE:
    case SQL_TXN_CAPABLE:
        return InfoKind::U16;

    case SQL_DRIVER_HDBC:
    case SQL_DRIVER_HDESC:
    case SQL_DRIVER_HENV:
    case SQL_DRIVER_HLIB:
    case SQL_DRIVER_HSTMT:
        return InfoKind::Pointer;

    default:
        // The remaining standard types (bitmasks, limits such as
        // SQL_MAX_STATEMENT_LEN, SQL_DEFAULT_TXN_ISOLATION, ...) are SQLUINTEGER.
        return InfoKind::U32;
    }
}

namespace {

struct CatalogColumns {
    const char* function;
    std::vector<std::string> names;
};

// Column names as an ODBC 2 application (SQLAllocEnv) sees them.
const std::vector<CatalogColumns>& catalog_columns() {
    static const std::vector<CatalogColumns> table = {
        {"SQLTables", {"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}},
        {"SQLColumns",
         {"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME", "DATA_TYPE", "TYPE_NAME",
          "PRECISION", "LENGTH", "SCALE", "RADIX", "NULLABLE", "REMARKS"}},
        {"SQLStatistics",
         {"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "NON_UNIQUE", "INDEX_QUALIFIER",
          "INDEX_NAME", "TYPE", "SEQ_IN_INDEX", "COLUMN_NAME", "COLLATION", "CARDINALITY", "PAGES",
          "FILTER_CONDITION"}},
        {"SQLPrimaryKeys",
         {"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME", "KEY_SEQ", "PK_NAME"}},
        {"SQLForeignKeys",
         {"PKTABLE_QUALIFIER", "PKTABLE_OWNER", "PKTABLE_NAME", "PKCOLUMN_NAME",
          "FKTABLE_QUALIFIER", "FKTABLE_OWNER", "FKTABLE_NAME", "FKCOLUMN_NAME", "KEY_SEQ",
          "UPDATE_RULE", "DELETE_RULE", "FK_NAME", "PK_NAME"}},
        {"SQLGetTypeInfo",
         {"TYPE_NAME", "DATA_TYPE", "PRECISION", "LITERAL_PREFIX", "LITERAL_SUFFIX",
          "CREATE_PARAMS", "NULLABLE", "CASE_SENSITIVE", "SEARCHABLE", "UNSIGNED_ATTRIBUTE",
          "MONEY", "AUTO_INCREMENT", "LOCAL_TYPE_NAME", "MINIMUM_SCALE", "MAXIMUM_SCALE"}},
    };
    return table;
}

}  // namespace

ResultSet catalog_result(const char* function) {
    ResultSet results;
    for (const auto& entry : catalog_columns()) {
        if (std::strcmp(entry.function, function) == 0) results.names = entry.names;
    }
    return results;
}

}  // namespace fake_odbc
