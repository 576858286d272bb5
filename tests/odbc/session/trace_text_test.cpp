#include "odbc/session/trace_text.h"

#include <gtest/gtest.h>

namespace dbprobe::odbc::tracetext {
namespace {

TEST(TraceText, PasswordIsMaskedAndTheRestKept) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"DSN=A;UID=sa;PWD=secret;APP=x", "DSN=A;UID=sa;PWD=********;APP=x"},
        {"DSN=A;PWD=secret", "DSN=A;PWD=********"},
        {"DSN=A;UID=sa", "DSN=A;UID=sa"},
        {"DSN=A;pwd=secret", "DSN=A;pwd=secret"},  // the search is case-sensitive
        {"PWD=;DSN=A", "PWD=********;DSN=A"},
    };
    for (const Case& c : cases) EXPECT_EQ(MaskPassword(c.in), c.out) << c.in;
}

TEST(TraceText, TypeNames) {
    struct Case {
        std::string got;
        const char* expected;
    };
    const Case cases[] = {
        {SqlType(SQL_CHAR, 255, 0), "CHAR(255)"},
        {SqlType(SQL_VARCHAR, SQL_NTS, 0), "VARCHAR(SQL_NTS)"},
        {SqlType(SQL_LONGVARCHAR, 277, 0), "LONGVARCHAR(NULL)"},
        {SqlType(SQL_VARCHAR, SQL_NULL_DATA, 0), "VARCHAR(NULL)"},
        {SqlType(SQL_VARCHAR, SQL_LEN_DATA_AT_EXEC(277), 0), "VARCHAR(SQL_DATA_AT_EXEC)"},
        {SqlType(SQL_DECIMAL, 12, 2), "DECIMAL(12,2)"},
        {SqlType(SQL_INTEGER, 10, 0), "INTEGER(NULL)"},
        {SqlType(SQL_WVARCHAR, 20, 0), "NVARCHAR(20)"},
        {SqlType(-150, 0, 0), "-150(NULL)"},
        {CType(SQL_C_CHAR, 256), "CHAR(256)"},
        {CType(SQL_C_CHAR, SQL_NTS), "CHAR(NTS)"},
        {CType(SQL_C_SLONG, 4), "SLONG"},
        {CType(SQL_C_TIMESTAMP, 16), "TIMESTAMP"},
        {CType(-99, 8), "-99(8)"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(TraceText, CallTexts) {
    struct Case {
        std::string got;
        const char* expected;
    };
    const Case cases[] = {
        {SetConnectOptionText(SQL_TXN_ISOLATION, SQL_TXN_SERIALIZABLE),
         "Setting Transaction Isolation to Serializable on"},
        {SetConnectOptionText(SQL_TXN_ISOLATION, 4), "Setting unknown Transaction Isolation level (4) on"},
        {SetConnectOptionText(SQL_AUTOCOMMIT, 0), "Setting Auto Commit OFF for"},
        {SetConnectOptionText(SQL_LOGIN_TIMEOUT, 0), "Setting Connection timeout for"},
        {SetConnectOptionText(SQL_ACCESS_MODE, 1), "Setting Connection Information 101 to 1 for"},
        {std::string(GetInfoText(SQL_DRIVER_NAME)), "Getting Driver Name for"},
        {std::string(GetInfoText(SQL_QUALIFIER_NAME_SEPARATOR)), "Getting Qualifier Seperator for"},
        {std::string(GetInfoText(SQL_NON_NULLABLE_COLUMNS)), "Getting Connection Information for"},
        {std::string(GetConnectOptionText(SQL_AUTOCOMMIT)), "Getting Commit state"},
        {SetStmtOptionText(SQL_ASYNC_ENABLE, 1), "Setting Asynchronous calling on for"},
        {SetStmtOptionText(SQL_CONCURRENCY, SQL_CONCUR_ROWVER), "Setting Concurrency to Row Version for"},
        {SetStmtOptionText(SQL_CURSOR_TYPE, 9), "Setting Cursor Type to UNKNOWN for"},
        {SetStmtOptionText(SQL_ROWSET_SIZE, 10), "Setting number of rows to fetch to 10 for"},
        {SetStmtOptionText(SQL_QUERY_TIMEOUT, 10), "Setting Statement Option for"},
        {GetStmtOptionText(SQL_ROWSET_SIZE), "Getting number of rows to fetch for"},
        {std::string(FreeStmtText(SQL_UNBIND)), "Unbinding Columns"},
        {ExtendedFetchText(SQL_FETCH_PRIOR), "Fetching Previous Set of Rows from"},
        {ColAttributeText(SQL_COLUMN_AUTO_INCREMENT, 3), "Getting Auto-increment state for Column 3 for"},
        {ColAttributeText(SQL_COLUMN_TYPE, 1), "Getting Column Attribute 2 for Column 1 for"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(TraceText, BindingAParameter) {
    SQLLEN atExec = SQL_LEN_DATA_AT_EXEC(277);
    EXPECT_EQ(BindParameterText(3, SQL_PARAM_INPUT, SQL_C_CHAR, 277, SQL_LONGVARCHAR, 277, 0, &atExec),
              "Binding ? 3 for input with C type CHAR(277) as LONGVARCHAR(NULL) for");
    SQLLEN nts = SQL_NTS;
    EXPECT_EQ(BindParameterText(2, SQL_PARAM_INPUT, SQL_C_CHAR, 256, SQL_VARCHAR, 255, 0, &nts),
              "Binding ? 2 for input with C type CHAR(256) as VARCHAR(SQL_NTS) for");
    EXPECT_EQ(BindParameterText(1, SQL_PARAM_INPUT_OUTPUT, SQL_C_SLONG, 4, SQL_INTEGER, 10, 0, nullptr),
              "Binding ? 1 for in/output with C type SLONG as INTEGER(NULL) for");
}

}  // namespace
}  // namespace dbprobe::odbc::tracetext
