// The scripted fake driver manager, driven through the ODBC functions it
// exports, as the driver will drive it.

#include "tools/fake_odbc/fake_odbc_control.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

SQLCHAR* Text(const char* text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)); }

std::string Str(const SQLCHAR* text) { return reinterpret_cast<const char*>(text); }

struct Diag {
    SQLRETURN rc = SQL_SUCCESS;
    std::string sqlstate;
    SQLINTEGER native = 0;
    std::string message;
};

Diag ErrorOf(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt) {
    SQLCHAR state[6] = {};
    SQLCHAR message[256] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLError(env, dbc, stmt, state, &native, message, sizeof message, &length);
    if (!SQL_SUCCEEDED(rc)) return Diag{rc, "", 0, ""};
    return Diag{rc, Str(state), native, Str(message)};
}

class FakeOdbc : public ::testing::Test {
protected:
    void SetUp() override { fake_odbc_reset(); }
    void TearDown() override { fake_odbc_reset(); }

    // A connected environment, connection and statement.
    void Open() {
        ASSERT_EQ(SQLAllocEnv(&env), SQL_SUCCESS);
        ASSERT_EQ(SQLAllocConnect(env, &dbc), SQL_SUCCESS);
        ASSERT_EQ(SQLDriverConnect(dbc, nullptr, Text("DSN=Fake"), SQL_NTS, nullptr, 0, nullptr,
                                   SQL_DRIVER_NOPROMPT),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLAllocStmt(dbc, &stmt), SQL_SUCCESS);
    }

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
};

TEST_F(FakeOdbc, QueuedOutcomesPlayInOrderThenCallsSucceed) {
    Open();
    fake_odbc_push("SQLExecDirect", SQL_ERROR, "42S02", 208, "Invalid object name 'T'", 2);
    fake_odbc_push("SQLExecDirect", SQL_ERROR, nullptr, 0, nullptr, 1);
    fake_odbc_push("SQLExecDirect", SQL_SUCCESS_WITH_INFO, "01000", 5701, "Changed context", 1);
    fake_odbc_push("SQLExecDirect", SQL_NO_DATA, "02000", 0, "ignored", 1);

    struct Expected {
        SQLRETURN rc;
        Diag first;  // the first SQLError after the call; the second is SQL_NO_DATA
    };
    const Expected expected[] = {
        {SQL_ERROR, {SQL_SUCCESS, "42S02", 208, "Invalid object name 'T'"}},
        {SQL_ERROR, {SQL_SUCCESS, "42S02", 208, "Invalid object name 'T'"}},
        {SQL_ERROR, {SQL_NO_DATA, "", 0, ""}},
        {SQL_SUCCESS_WITH_INFO, {SQL_SUCCESS, "01000", 5701, "Changed context"}},
        {SQL_NO_DATA, {SQL_NO_DATA, "", 0, ""}},
        {SQL_SUCCESS, {SQL_NO_DATA, "", 0, ""}},
        {SQL_SUCCESS, {SQL_NO_DATA, "", 0, ""}},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE("call " + std::to_string(i));
        EXPECT_EQ(SQLExecDirect(stmt, Text("SELECT 1"), SQL_NTS), expected[i].rc);
        Diag first = ErrorOf(env, dbc, stmt);
        EXPECT_EQ(first.rc, expected[i].first.rc);
        EXPECT_EQ(first.sqlstate, expected[i].first.sqlstate);
        EXPECT_EQ(first.native, expected[i].first.native);
        EXPECT_EQ(first.message, expected[i].first.message);
        EXPECT_EQ(ErrorOf(env, dbc, stmt).rc, SQL_NO_DATA);
    }
    // Outcomes are per function name.
    EXPECT_EQ(SQLFreeStmt(stmt, SQL_CLOSE), SQL_SUCCESS);
}

TEST_F(FakeOdbc, QueuedFailureHasNoOtherEffect) {
    fake_odbc_push("SQLAllocEnv", SQL_ERROR, "HY001", 0, "Memory allocation error", 1);
    SQLHENV failed = reinterpret_cast<SQLHENV>(0x1);
    EXPECT_EQ(SQLAllocEnv(&failed), SQL_ERROR);
    EXPECT_EQ(failed, nullptr);

    Open();
    fake_odbc_push("SQLDriverConnect", SQL_ERROR, "08001", 0, "Unable to connect", 1);
    SQLHDBC second = SQL_NULL_HDBC;
    ASSERT_EQ(SQLAllocConnect(env, &second), SQL_SUCCESS);
    EXPECT_EQ(SQLDriverConnect(second, nullptr, Text("DSN=Down"), SQL_NTS, nullptr, 0, nullptr,
                               SQL_DRIVER_NOPROMPT),
              SQL_ERROR);
    // Not connected: the connection can be freed and has no statements.
    SQLHSTMT none = SQL_NULL_HSTMT;
    EXPECT_EQ(SQLAllocStmt(second, &none), SQL_ERROR);
    EXPECT_EQ(ErrorOf(env, second, nullptr).sqlstate, "08003");
    EXPECT_EQ(SQLFreeConnect(second), SQL_SUCCESS);

    // A queued failure of an execution leaves the queued result set for later.
    const char* names[] = {"A"};
    const char* cells[] = {"1"};
    fake_odbc_queue_result_set(1, names, 1, cells);
    fake_odbc_push("SQLExecDirect", SQL_ERROR, "40001", 1205, "Deadlock", 1);
    EXPECT_EQ(SQLExecDirect(stmt, Text("SELECT A"), SQL_NTS), SQL_ERROR);
    SQLSMALLINT columns = -1;
    EXPECT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 0);
    EXPECT_EQ(SQLExecDirect(stmt, Text("SELECT A"), SQL_NTS), SQL_SUCCESS);
    EXPECT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1);
}

TEST_F(FakeOdbc, DiagnosticStaysOnTheHandleTheCallWasMadeOn) {
    Open();
    enum Where { ENV, DBC, STMT };
    struct Case {
        const char* function;
        std::function<SQLRETURN()> call;
        Where where;
    };
    SQLHDBC extra = SQL_NULL_HDBC;
    SQLHSTMT extra_stmt = SQL_NULL_HSTMT;
    const Case cases[] = {
        {"SQLAllocConnect", [&] { return SQLAllocConnect(env, &extra); }, ENV},
        {"SQLDataSources",
         [&] { return SQLDataSources(env, SQL_FETCH_FIRST, nullptr, 0, nullptr, nullptr, 0, nullptr); },
         ENV},
        {"SQLTransact", [&] { return SQLTransact(env, SQL_NULL_HDBC, SQL_COMMIT); }, ENV},
        {"SQLTransact", [&] { return SQLTransact(env, dbc, SQL_ROLLBACK); }, DBC},
        {"SQLAllocStmt", [&] { return SQLAllocStmt(dbc, &extra_stmt); }, DBC},
        {"SQLGetInfo", [&] { return SQLGetInfo(dbc, SQL_DBMS_NAME, nullptr, 0, nullptr); }, DBC},
        {"SQLSetConnectOption", [&] { return SQLSetConnectOption(dbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF); },
         DBC},
        {"SQLFetch", [&] { return SQLFetch(stmt); }, STMT},
        {"SQLPrepare", [&] { return SQLPrepare(stmt, Text("SELECT 1"), SQL_NTS); }, STMT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        fake_odbc_push(c.function, SQL_ERROR, "HY000", 42, c.function, 1);
        EXPECT_EQ(c.call(), SQL_ERROR);
        // Only the handle the call was made on has it.
        for (Where other : {ENV, DBC, STMT}) {
            if (other == c.where) continue;
            EXPECT_EQ(ErrorOf(other == ENV ? env : nullptr, other == DBC ? dbc : nullptr,
                              other == STMT ? stmt : nullptr)
                          .rc,
                      SQL_NO_DATA);
        }
        Diag diag = ErrorOf(env, c.where >= DBC ? dbc : nullptr, c.where == STMT ? stmt : nullptr);
        EXPECT_EQ(diag.sqlstate, "HY000");
        EXPECT_EQ(diag.native, 42);
        EXPECT_EQ(diag.message, c.function);
    }
    EXPECT_EQ(ErrorOf(nullptr, nullptr, nullptr).rc, SQL_INVALID_HANDLE);
}

TEST_F(FakeOdbc, SqlErrorTruncatesTheMessageAndReportsItsLength) {
    Open();
    const std::string message = "Login failed for user";
    struct Case {
        SQLSMALLINT buffer;
        SQLRETURN rc;
        std::string text;
    };
    const Case cases[] = {
        {static_cast<SQLSMALLINT>(message.size() + 1), SQL_SUCCESS, message},
        {static_cast<SQLSMALLINT>(message.size()), SQL_SUCCESS_WITH_INFO, message.substr(0, message.size() - 1)},
        {6, SQL_SUCCESS_WITH_INFO, "Login"},
        {1, SQL_SUCCESS_WITH_INFO, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buffer);
        fake_odbc_push("SQLConnect", SQL_ERROR, "28000", 18456, message.c_str(), 1);
        EXPECT_EQ(SQLConnect(dbc, Text("Fake"), SQL_NTS, Text("sa"), SQL_NTS, Text("pw"), SQL_NTS), SQL_ERROR);

        std::array<SQLCHAR, 64> buffer;
        buffer.fill('#');
        std::array<SQLCHAR, 8> state;
        state.fill('#');
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        EXPECT_EQ(SQLError(SQL_NULL_HENV, dbc, SQL_NULL_HSTMT, state.data(), &native, buffer.data(), c.buffer,
                           &length),
                  c.rc);
        EXPECT_EQ(Str(state.data()), "28000");
        EXPECT_EQ(state[6], '#');  // 5 characters and the NUL, nothing more
        EXPECT_EQ(native, 18456);
        EXPECT_EQ(length, static_cast<SQLSMALLINT>(message.size()));
        EXPECT_EQ(Str(buffer.data()), c.text);
        EXPECT_EQ(buffer[static_cast<std::size_t>(c.buffer)], '#');
        EXPECT_EQ(ErrorOf(SQL_NULL_HENV, dbc, SQL_NULL_HSTMT).rc, SQL_NO_DATA);
    }
}

TEST_F(FakeOdbc, FailingSqlErrorLeavesOutputsAndTheDiagnostic) {
    Open();
    for (SQLRETURN failure : {SQLRETURN(SQL_ERROR), SQLRETURN(SQL_NO_DATA)}) {
        SCOPED_TRACE(failure);
        fake_odbc_push("SQLFetch", SQL_ERROR, "HYT00", 0, "Timeout expired", 1);
        EXPECT_EQ(SQLFetch(stmt), SQL_ERROR);
        fake_odbc_fail_sqlerror(2, failure);
        for (int i = 0; i < 2; ++i) {
            SQLCHAR state[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
            SQLCHAR message[16] = {'y', 0};
            SQLINTEGER native = 77;
            SQLSMALLINT length = 99;
            EXPECT_EQ(SQLError(env, dbc, stmt, state, &native, message, sizeof message, &length), failure);
            EXPECT_EQ(state[0], 'x');
            EXPECT_EQ(state[5], 'x');
            EXPECT_EQ(message[0], 'y');
            EXPECT_EQ(native, 77);
            EXPECT_EQ(length, 99);
        }
        EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, "HYT00");
    }
    // Scripting SQLError by name fails it once the same way.
    fake_odbc_push("SQLFetch", SQL_ERROR, "HYT00", 0, "Timeout expired", 1);
    EXPECT_EQ(SQLFetch(stmt), SQL_ERROR);
    fake_odbc_push("SQLError", SQL_ERROR, nullptr, 0, nullptr, 1);
    EXPECT_EQ(ErrorOf(env, dbc, stmt).rc, SQL_ERROR);
    EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, "HYT00");
}

TEST_F(FakeOdbc, GetInfoWritesEachInfoTypeWithItsWidth) {
    Open();
    fake_odbc_set_info_number(SQL_IDENTIFIER_CASE, SQL_IC_MIXED);
    fake_odbc_set_info_number(SQL_STRING_FUNCTIONS, 0x12345678);
    fake_odbc_set_info_number(SQL_TXN_ISOLATION_OPTION, SQL_TXN_READ_COMMITTED | SQL_TXN_SERIALIZABLE);
    fake_odbc_set_info_number(SQL_CURSOR_COMMIT_BEHAVIOR, SQL_CB_PRESERVE);
    fake_odbc_set_info_number(SQL_DRIVER_HDBC, 0x0102030405);
    fake_odbc_set_info_text(SQL_DBMS_VER, "16.00.1000");
    fake_odbc_set_info_text(SQL_KEYWORDS, "BACKUP,BREAK");
    struct Case {
        SQLUSMALLINT type;
        std::size_t width;  // 0: text
        unsigned long long number;
        std::string text;
    };
    const Case cases[] = {
        {SQL_TXN_CAPABLE, 2, 2, ""},
        {SQL_ACTIVE_STATEMENTS, 2, 0, ""},
        {SQL_IDENTIFIER_CASE, 2, SQL_IC_MIXED, ""},
        {SQL_CURSOR_COMMIT_BEHAVIOR, 2, SQL_CB_PRESERVE, ""},
        {SQL_CURSOR_ROLLBACK_BEHAVIOR, 2, 0, ""},
        {SQL_CORRELATION_NAME, 2, 0, ""},
        {SQL_NON_NULLABLE_COLUMNS, 2, 0, ""},
        {SQL_QUOTED_IDENTIFIER_CASE, 2, 0, ""},
        {SQL_STRING_FUNCTIONS, 4, 0x12345678, ""},
        {SQL_TXN_ISOLATION_OPTION, 4, SQL_TXN_READ_COMMITTED | SQL_TXN_SERIALIZABLE, ""},
        {SQL_DEFAULT_TXN_ISOLATION, 4, 0, ""},
        {SQL_MAX_STATEMENT_LEN, 4, 0, ""},
        {SQL_DRIVER_HDBC, sizeof(SQLULEN), 0x0102030405, ""},
        {SQL_DRIVER_NAME, 0, 0, "libfake.so"},
        {SQL_DBMS_NAME, 0, 0, "Fake"},
        {SQL_DBMS_VER, 0, 0, "16.00.1000"},
        {SQL_DRIVER_ODBC_VER, 0, 0, "03.52"},
        {SQL_IDENTIFIER_QUOTE_CHAR, 0, 0, "\""},
        {SQL_OUTER_JOINS, 0, 0, "Y"},
        {SQL_KEYWORDS, 0, 0, "BACKUP,BREAK"},
        {SQL_QUALIFIER_NAME_SEPARATOR, 0, 0, ""},
        {SQL_ODBC_SQL_OPT_IEF, 0, 0, ""},
        {SQL_DRIVER_VER, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        std::array<unsigned char, 32> buffer;
        buffer.fill(0xAB);
        SQLSMALLINT length = -1;
        ASSERT_EQ(SQLGetInfo(dbc, c.type, buffer.data(), sizeof buffer, &length), SQL_SUCCESS);
        if (c.width == 0) {
            EXPECT_EQ(Str(buffer.data()), c.text);
            EXPECT_EQ(length, static_cast<SQLSMALLINT>(c.text.size()));
            EXPECT_EQ(buffer[c.text.size() + 1], 0xAB);
            continue;
        }
        unsigned long long number = 0;
        std::memcpy(&number, buffer.data(), c.width);
        EXPECT_EQ(number, c.number);
        EXPECT_EQ(length, static_cast<SQLSMALLINT>(c.width));
        EXPECT_EQ(buffer[c.width], 0xAB);  // the guard byte after the answer
    }

    // Text too long for the buffer: truncated, full length, 01004.
    char small[4] = {};
    SQLSMALLINT length = 0;
    EXPECT_EQ(SQLGetInfo(dbc, SQL_KEYWORDS, small, sizeof small, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(small, "BAC");
    EXPECT_EQ(length, 12);
    EXPECT_EQ(ErrorOf(env, dbc, nullptr).sqlstate, "01004");
}

TEST_F(FakeOdbc, GetFunctionsReportsSwitchedOffFunctions) {
    Open();
    fake_odbc_set_function_supported(SQL_API_SQLEXTENDEDFETCH, 0);
    fake_odbc_set_function_supported(SQL_API_SQLBINDPARAMETER, 0);
    fake_odbc_set_function_supported(SQL_API_SQLBINDPARAMETER, 1);
    fake_odbc_set_function_supported(SQL_API_SQLFETCHSCROLL, 0);

    std::array<SQLUSMALLINT, 101> all;
    all.fill(0xBEEF);
    ASSERT_EQ(SQLGetFunctions(dbc, SQL_API_ALL_FUNCTIONS, all.data()), SQL_SUCCESS);
    for (int id = 0; id < 100; ++id) EXPECT_EQ(all[id], id == SQL_API_SQLEXTENDEDFETCH ? SQL_FALSE : SQL_TRUE) << id;
    EXPECT_EQ(all[100], 0xBEEF);

    std::array<SQLUSMALLINT, SQL_API_ODBC3_ALL_FUNCTIONS_SIZE + 1> bits;
    bits.fill(0xBEEF);
    ASSERT_EQ(SQLGetFunctions(dbc, SQL_API_ODBC3_ALL_FUNCTIONS, bits.data()), SQL_SUCCESS);
    for (SQLUSMALLINT id : {SQL_API_SQLFETCH, SQL_API_SQLBINDPARAMETER, SQL_API_SQLGETDIAGREC})
        EXPECT_EQ(SQL_FUNC_EXISTS(bits.data(), id), SQL_TRUE) << id;
    for (SQLUSMALLINT id : {SQL_API_SQLEXTENDEDFETCH, SQL_API_SQLFETCHSCROLL})
        EXPECT_EQ(SQL_FUNC_EXISTS(bits.data(), id), SQL_FALSE) << id;
    EXPECT_EQ(bits[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE], 0xBEEF);

    struct Single {
        SQLUSMALLINT id;
        SQLUSMALLINT supported;
    };
    for (Single s : {Single{SQL_API_SQLTABLES, SQL_TRUE}, Single{SQL_API_SQLEXTENDEDFETCH, SQL_FALSE},
                     Single{SQL_API_SQLFETCHSCROLL, SQL_FALSE}}) {
        SQLUSMALLINT supported = 0xBEEF;
        EXPECT_EQ(SQLGetFunctions(dbc, s.id, &supported), SQL_SUCCESS);
        EXPECT_EQ(supported, s.supported) << s.id;
    }
}

TEST_F(FakeOdbc, OptionsAnswerAsConfigured) {
    Open();
    fake_odbc_set_connect_option(SQL_TXN_ISOLATION, SQL_TXN_READ_COMMITTED);
    std::array<unsigned char, 16> buffer;
    buffer.fill(0xAB);
    ASSERT_EQ(SQLGetConnectOption(dbc, SQL_TXN_ISOLATION, buffer.data()), SQL_SUCCESS);
    SQLUINTEGER isolation = 0;
    std::memcpy(&isolation, buffer.data(), sizeof isolation);
    EXPECT_EQ(isolation, static_cast<SQLUINTEGER>(SQL_TXN_READ_COMMITTED));
    EXPECT_EQ(buffer[sizeof isolation], 0xAB);

    SQLUINTEGER autocommit = 99;
    ASSERT_EQ(SQLSetConnectOption(dbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF), SQL_SUCCESS);
    ASSERT_EQ(SQLGetConnectOption(dbc, SQL_AUTOCOMMIT, &autocommit), SQL_SUCCESS);
    EXPECT_EQ(autocommit, 0u);

    SQLUINTEGER value = 0;
    ASSERT_EQ(SQLGetStmtOption(stmt, SQL_ROWSET_SIZE, &value), SQL_SUCCESS);
    EXPECT_EQ(value, 1u);
    ASSERT_EQ(SQLSetStmtOption(stmt, SQL_MAX_ROWS, 500), SQL_SUCCESS);
    ASSERT_EQ(SQLGetStmtOption(stmt, SQL_MAX_ROWS, &value), SQL_SUCCESS);
    EXPECT_EQ(value, 500u);
}

class FakeOdbcResults : public FakeOdbc {
protected:
    void QueueCustomers() {
        const char* names[] = {"ID", "NAME", "CITY"};
        const char* cells[] = {
            "1", "Ann", "Brno",  //
            "2", "Bob", nullptr,  //
            "-3", "A rather long customer name", "Ostrava",
        };
        fake_odbc_queue_result_set(3, names, 3, cells);
    }
};

TEST_F(FakeOdbcResults, BoundColumnsFillOnFetch) {
    Open();
    QueueCustomers();
    ASSERT_EQ(SQLExecDirect(stmt, Text("SELECT ID, NAME, CITY FROM C"), SQL_NTS), SQL_SUCCESS);

    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 3);
    SQLCHAR name[16] = {};
    SQLSMALLINT name_length = 0, type = 0, digits = -1, nullable = -1;
    SQLULEN size = 0;
    ASSERT_EQ(SQLDescribeCol(stmt, 2, name, sizeof name, &name_length, &type, &size, &digits, &nullable),
              SQL_SUCCESS);
    EXPECT_EQ(Str(name), "NAME");
    EXPECT_EQ(name_length, 4);
    EXPECT_EQ(type, SQL_VARCHAR);
    EXPECT_EQ(size, 255u);
    EXPECT_EQ(digits, 0);
    EXPECT_EQ(nullable, SQL_NULLABLE);
    SQLLEN count = -1;
    ASSERT_EQ(SQLColAttributes(stmt, 0, SQL_COLUMN_COUNT, nullptr, 0, nullptr, &count), SQL_SUCCESS);
    EXPECT_EQ(count, 3);

    SQLINTEGER id = 0;
    SQLCHAR text[10] = {};
    SQLCHAR city[10] = {};
    SQLLEN id_ind = 0, text_ind = 0, city_ind = 0;
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SLONG, &id, 0, &id_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 2, SQL_C_CHAR, text, sizeof text, &text_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(stmt, 3, SQL_C_CHAR, city, sizeof city, &city_ind), SQL_SUCCESS);

    struct Row {
        SQLRETURN rc;
        SQLINTEGER id;
        std::string name;
        SQLLEN name_ind;
        std::string city;  // "<null>": SQL NULL
    };
    const Row rows[] = {
        {SQL_SUCCESS, 1, "Ann", 3, "Brno"},
        {SQL_SUCCESS, 2, "Bob", 3, "<null>"},
        {SQL_SUCCESS_WITH_INFO, -3, "A rather ", 27, "Ostrava"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        ASSERT_EQ(SQLFetch(stmt), row.rc);
        EXPECT_EQ(id, row.id);
        EXPECT_EQ(id_ind, static_cast<SQLLEN>(sizeof(SQLINTEGER)));
        EXPECT_EQ(Str(text), row.name);
        EXPECT_EQ(text_ind, row.name_ind);
        if (row.city == "<null>")
            EXPECT_EQ(city_ind, SQL_NULL_DATA);
        else
            EXPECT_EQ(Str(city), row.city);
    }
    EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, "01004");
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);

    // Closing drops the result set.
    ASSERT_EQ(SQLFreeStmt(stmt, SQL_CLOSE), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(stmt), SQL_ERROR);
    Diag diag = ErrorOf(env, dbc, stmt);
    EXPECT_EQ(diag.sqlstate, "24000");
    EXPECT_EQ(diag.message, "Invalid cursor state");
}

TEST_F(FakeOdbcResults, ScriptedFetchWarningStillFetches) {
    Open();
    QueueCustomers();
    ASSERT_EQ(SQLExecDirect(stmt, Text("SELECT * FROM C"), SQL_NTS), SQL_SUCCESS);
    SQLINTEGER id = 0;
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_LONG, &id, 0, nullptr), SQL_SUCCESS);
    fake_odbc_push("SQLFetch", SQL_SUCCESS_WITH_INFO, "01S01", 0, "Error in row", 1);
    fake_odbc_push("SQLFetch", SQL_ERROR, "08S01", 0, "Communication link failure", 1);
    EXPECT_EQ(SQLFetch(stmt), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, "01S01");
    EXPECT_EQ(SQLFetch(stmt), SQL_ERROR);  // no row consumed
    EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, "08S01");
    EXPECT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    EXPECT_EQ(id, 2);
}

TEST_F(FakeOdbcResults, GetDataConvertsCellsAndReturnsLongTextPiecewise) {
    Open();
    QueueCustomers();
    ASSERT_EQ(SQLExecDirect(stmt, Text("SELECT * FROM C"), SQL_NTS), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_CHAR, nullptr, 0, nullptr), SQL_ERROR);  // before the first row
    EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, "24000");

    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);  // row 2: "2", "Bob", NULL
    SQLSMALLINT small = 0;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLGetData(stmt, 1, SQL_C_SSHORT, &small, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(small, 2);
    EXPECT_EQ(ind, static_cast<SQLLEN>(sizeof(SQLSMALLINT)));
    EXPECT_EQ(SQLGetData(stmt, 1, SQL_C_SSHORT, &small, 0, &ind), SQL_NO_DATA);
    char city[8] = "unset";
    ASSERT_EQ(SQLGetData(stmt, 3, SQL_C_CHAR, city, sizeof city, &ind), SQL_SUCCESS);
    EXPECT_EQ(ind, SQL_NULL_DATA);
    EXPECT_STREQ(city, "unset");

    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);  // row 3: long name
    std::string name;
    char piece[10];
    SQLRETURN rc;
    std::vector<SQLLEN> remaining;
    while ((rc = SQLGetData(stmt, 2, SQL_C_CHAR, piece, sizeof piece, &ind)) != SQL_NO_DATA) {
        ASSERT_TRUE(SQL_SUCCEEDED(rc));
        remaining.push_back(ind);
        name += piece;
    }
    EXPECT_EQ(name, "A rather long customer name");
    EXPECT_EQ(remaining, (std::vector<SQLLEN>{27, 18, 9}));
}

TEST_F(FakeOdbcResults, GetDataConversionFailures) {
    Open();
    const char* names[] = {"V"};
    struct Case {
        const char* cell;
        SQLSMALLINT c_type;
        bool indicator;
        SQLRETURN rc;
        const char* sqlstate;
    };
    const Case cases[] = {
        {"abc", SQL_C_SLONG, true, SQL_ERROR, "22018"},
        {"70000", SQL_C_SSHORT, true, SQL_ERROR, "22003"},
        {"-1", SQL_C_USHORT, true, SQL_ERROR, "22003"},
        {" 42 ", SQL_C_LONG, true, SQL_SUCCESS, ""},
        {nullptr, SQL_C_CHAR, false, SQL_ERROR, "22002"},
        {"x", SQL_C_TYPE_DATE, true, SQL_ERROR, "HY003"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell ? c.cell : "NULL");
        const char* cells[] = {c.cell};
        fake_odbc_queue_result_set(1, names, 1, cells);
        ASSERT_EQ(SQLExecDirect(stmt, Text("SELECT V"), SQL_NTS), SQL_SUCCESS);
        ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
        std::array<char, 16> value{};
        SQLLEN ind = 0;
        EXPECT_EQ(SQLGetData(stmt, 1, c.c_type, value.data(), value.size(), c.indicator ? &ind : nullptr), c.rc);
        EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, c.sqlstate);
    }
}

TEST_F(FakeOdbcResults, ExtendedFetchFillsARowset) {
    Open();
    QueueCustomers();
    ASSERT_EQ(SQLSetStmtOption(stmt, SQL_ROWSET_SIZE, 2), SQL_SUCCESS);
    ASSERT_EQ(SQLExecDirect(stmt, Text("SELECT * FROM C"), SQL_NTS), SQL_SUCCESS);
    SQLINTEGER ids[2] = {};
    SQLLEN ind[2] = {};
    ASSERT_EQ(SQLBindCol(stmt, 1, SQL_C_SLONG, ids, 0, ind), SQL_SUCCESS);

    SQLULEN fetched = 0;
    SQLUSMALLINT status[2] = {};
    ASSERT_EQ(SQLExtendedFetch(stmt, SQL_FETCH_NEXT, 0, &fetched, status), SQL_SUCCESS);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(status[0], SQL_ROW_SUCCESS);
    EXPECT_EQ(status[1], SQL_ROW_SUCCESS);
    ASSERT_EQ(SQLExtendedFetch(stmt, SQL_FETCH_NEXT, 0, &fetched, status), SQL_SUCCESS);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(ids[0], -3);
    EXPECT_EQ(status[1], SQL_ROW_NOROW);
    EXPECT_EQ(SQLExtendedFetch(stmt, SQL_FETCH_NEXT, 0, &fetched, status), SQL_NO_DATA);
    ASSERT_EQ(SQLExtendedFetch(stmt, SQL_FETCH_FIRST, 0, &fetched, status), SQL_SUCCESS);
    EXPECT_EQ(ids[0], 1);
}

TEST_F(FakeOdbcResults, CatalogCallsTakeTheQueuedResultSetElseAnEmptyStandardOne) {
    Open();
    ASSERT_EQ(SQLTables(stmt, nullptr, 0, nullptr, 0, Text("T%"), SQL_NTS, Text("TABLE"), SQL_NTS), SQL_SUCCESS);
    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 5);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);

    const char* names[] = {"TYPE_NAME", "DATA_TYPE"};
    const char* cells[] = {"varchar", "12", "int", "4"};
    fake_odbc_queue_result_set(2, names, 2, cells);
    ASSERT_EQ(SQLGetTypeInfo(stmt, SQL_ALL_TYPES), SQL_SUCCESS);
    SQLSMALLINT data_type = 0;
    ASSERT_EQ(SQLBindCol(stmt, 2, SQL_C_SHORT, &data_type, 0, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    EXPECT_EQ(data_type, SQL_VARCHAR);
    ASSERT_EQ(SQLFetch(stmt), SQL_SUCCESS);
    EXPECT_EQ(data_type, SQL_INTEGER);
    EXPECT_EQ(SQLFetch(stmt), SQL_NO_DATA);
}

TEST_F(FakeOdbc, DataAtExecutionProtocol) {
    Open();
    const char* names[] = {"N"};
    const char* cells[] = {"1"};
    fake_odbc_queue_result_set(1, names, 1, cells);

    char memo[] = "memo";
    char blob[] = "blob";
    SQLINTEGER plain = 7;
    SQLLEN memo_ind = SQL_DATA_AT_EXEC;
    SQLLEN blob_ind = SQL_LEN_DATA_AT_EXEC(12);
    SQLLEN plain_ind = 0;
    ASSERT_EQ(SQLPrepare(stmt, Text("INSERT INTO T VALUES (?, ?, ?)"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, 100, 0, memo, 0, &memo_ind),
              SQL_SUCCESS);
    ASSERT_EQ(SQLSetParam(stmt, 2, SQL_C_BINARY, SQL_LONGVARBINARY, 12, 0, blob, &blob_ind), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(stmt, 3, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &plain, 0, &plain_ind),
              SQL_SUCCESS);

    EXPECT_EQ(SQLPutData(stmt, Text("early"), SQL_NTS), SQL_ERROR);  // nothing asked for yet
    EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, "HY010");
    EXPECT_EQ(SQLParamData(stmt, nullptr), SQL_ERROR);

    ASSERT_EQ(SQLExecute(stmt), SQL_NEED_DATA);
    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQLParamData(stmt, &token), SQL_NEED_DATA);
    EXPECT_EQ(token, memo);
    EXPECT_EQ(SQLPutData(stmt, Text("Hello"), SQL_NTS), SQL_SUCCESS);
    EXPECT_EQ(SQLPutData(stmt, Text("world!"), 6), SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(stmt, &token), SQL_NEED_DATA);
    EXPECT_EQ(token, blob);
    EXPECT_EQ(SQLPutData(stmt, blob, SQL_NULL_DATA), SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(stmt, &token), SQL_SUCCESS);

    // The statement ran: the queued result set is attached now.
    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 1);
    EXPECT_EQ(SQLParamData(stmt, &token), SQL_ERROR);

    std::string calls = fake_odbc_calls();
    EXPECT_NE(calls.find("SQLExecute\n"
                         "SQLParamData\n"
                         "SQLPutData 5\n"
                         "SQLPutData 6\n"
                         "SQLParamData\n"
                         "SQLPutData NULL\n"
                         "SQLParamData\n"),
              std::string::npos)
        << calls;
}

TEST_F(FakeOdbc, DataSourcesInTheOrderAdded) {
    fake_odbc_add_data_source("Payroll", "PostgreSQL Unicode");
    fake_odbc_add_data_source("Stock", "MariaDB");
    fake_odbc_add_data_source("A_very_long_data_source_name", "SQLite3");
    ASSERT_EQ(SQLAllocEnv(&env), SQL_SUCCESS);

    struct Step {
        SQLUSMALLINT direction;
        SQLRETURN rc;
        std::string name;
        std::string description;
    };
    const Step steps[] = {
        {SQL_FETCH_NEXT, SQL_SUCCESS, "Payroll", "PostgreSQL Unicode"},
        {SQL_FETCH_NEXT, SQL_SUCCESS, "Stock", "MariaDB"},
        {SQL_FETCH_FIRST, SQL_SUCCESS, "Payroll", "PostgreSQL Unicode"},
        {SQL_FETCH_NEXT, SQL_SUCCESS, "Stock", "MariaDB"},
        {SQL_FETCH_NEXT, SQL_SUCCESS_WITH_INFO, "A_very_long_da", "SQLite3"},
        {SQL_FETCH_NEXT, SQL_NO_DATA, "", ""},
        {SQL_FETCH_NEXT, SQL_SUCCESS, "Payroll", "PostgreSQL Unicode"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        SQLCHAR name[15] = {};
        SQLCHAR description[64] = {};
        SQLSMALLINT name_length = 0, description_length = 0;
        ASSERT_EQ(SQLDataSources(env, step.direction, name, sizeof name, &name_length, description,
                                 sizeof description, &description_length),
                  step.rc);
        if (step.rc == SQL_NO_DATA) continue;
        EXPECT_EQ(Str(name), step.name);
        EXPECT_EQ(Str(description), step.description);
        EXPECT_EQ(description_length, static_cast<SQLSMALLINT>(step.description.size()));
    }
}

TEST_F(FakeOdbc, RecordsEachCallWithItsArguments) {
    ASSERT_EQ(SQLAllocEnv(&env), SQL_SUCCESS);
    ASSERT_EQ(SQLAllocConnect(env, &dbc), SQL_SUCCESS);
    ASSERT_EQ(SQLSetConnectOption(dbc, SQL_LOGIN_TIMEOUT, 15), SQL_SUCCESS);
    // The length counts: the rest of the buffer is not part of the argument.
    const char* connect = "DSN=Stock;UID=sa;PWD=secret;garbage";
    SQLCHAR out[16] = {};
    SQLSMALLINT out_length = 0;
    EXPECT_EQ(SQLDriverConnect(dbc, nullptr, Text(connect), 27, out, sizeof out, &out_length, SQL_DRIVER_COMPLETE),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(Str(out), "DSN=Stock;UID=s");
    EXPECT_EQ(out_length, 27);
    ASSERT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);
    ASSERT_EQ(SQLConnect(dbc, Text("Stock"), SQL_NTS, Text("sa"), 2, nullptr, 0), SQL_SUCCESS);
    fake_odbc_set_connect_option(SQL_TXN_ISOLATION, SQL_TXN_SERIALIZABLE);
    SQLUINTEGER isolation = 0;
    ASSERT_EQ(SQLGetConnectOption(dbc, SQL_TXN_ISOLATION, &isolation), SQL_SUCCESS);
    ASSERT_EQ(SQLGetInfo(dbc, SQL_TXN_CAPABLE, &isolation, sizeof isolation, nullptr), SQL_SUCCESS);
    ASSERT_EQ(SQLAllocStmt(dbc, &stmt), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtOption(stmt, SQL_QUERY_TIMEOUT, 30), SQL_SUCCESS);
    ASSERT_EQ(SQLExecDirect(stmt, Text("UPDATE T SET A = 1 -- tail"), 18), SQL_SUCCESS);
    ASSERT_EQ(SQLPrepare(stmt, Text("SELECT * FROM T WHERE K = ?"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLColumns(stmt, nullptr, 0, Text("dbo"), SQL_NTS, Text("T"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeStmt(stmt, SQL_CLOSE), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeStmt(stmt, SQL_DROP), SQL_SUCCESS);
    ASSERT_EQ(SQLTransact(env, dbc, SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(ErrorOf(env, dbc, nullptr).rc, SQL_SUCCESS);  // the 01004 of SQLDriverConnect
    ASSERT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeConnect(dbc), SQL_SUCCESS);
    ASSERT_EQ(SQLFreeEnv(env), SQL_SUCCESS);

    EXPECT_STREQ(fake_odbc_calls(),
                 "SQLAllocEnv\n"
                 "SQLAllocConnect\n"
                 "SQLSetConnectOption 103 15\n"
                 "SQLDriverConnect DSN=Stock;UID=sa;PWD=secret completion=1\n"
                 "SQLDisconnect\n"
                 "SQLConnect Stock sa (null)\n"
                 "SQLGetConnectOption 108 8\n"
                 "SQLGetInfo 46\n"
                 "SQLAllocStmt\n"
                 "SQLSetStmtOption 0 30\n"
                 "SQLExecDirect UPDATE T SET A = 1\n"
                 "SQLPrepare SELECT * FROM T WHERE K = ?\n"
                 "SQLColumns (null) dbo T (null)\n"
                 "SQLFreeStmt 0\n"
                 "SQLFreeStmt 1\n"
                 "SQLTransact 1\n"
                 "SQLError dbc\n"
                 "SQLDisconnect\n"
                 "SQLFreeConnect\n"
                 "SQLFreeEnv\n");
    EXPECT_EQ(fake_odbc_call_count("SQLFreeStmt"), 2);
    EXPECT_EQ(fake_odbc_call_count("SQLDisconnect"), 2);
    EXPECT_EQ(fake_odbc_call_count("SQLFetch"), 0);
}

TEST_F(FakeOdbc, HandlesFollowTheirLifecycle) {
    Open();
    SQLHDBC connected = dbc;
    EXPECT_EQ(SQLFreeConnect(connected), SQL_ERROR);  // still connected
    EXPECT_EQ(ErrorOf(env, dbc, nullptr).sqlstate, "HY010");
    EXPECT_EQ(SQLFreeEnv(env), SQL_ERROR);  // still has a connection
    EXPECT_EQ(SQLExecute(stmt), SQL_ERROR);  // nothing prepared
    EXPECT_EQ(ErrorOf(env, dbc, stmt).sqlstate, "HY010");

    // Disconnecting frees the statements; freed handles are rejected.
    ASSERT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(stmt), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLDisconnect(dbc), SQL_ERROR);
    EXPECT_EQ(ErrorOf(env, dbc, nullptr).sqlstate, "08003");
    ASSERT_EQ(SQLFreeConnect(dbc), SQL_SUCCESS);
    EXPECT_EQ(SQLDriverConnect(dbc, nullptr, Text("DSN=x"), SQL_NTS, nullptr, 0, nullptr, 0), SQL_INVALID_HANDLE);
    ASSERT_EQ(SQLFreeEnv(env), SQL_SUCCESS);
    EXPECT_EQ(SQLAllocConnect(env, &dbc), SQL_INVALID_HANDLE);
    // A handle of one kind is no handle of another.
    Open();
    EXPECT_EQ(SQLFetch(static_cast<SQLHSTMT>(dbc)), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLGetInfo(static_cast<SQLHDBC>(stmt), SQL_DBMS_NAME, nullptr, 0, nullptr), SQL_INVALID_HANDLE);
}

TEST_F(FakeOdbc, ResetForgetsHandlesScriptsAndAnswers) {
    Open();
    const char* names[] = {"A"};
    fake_odbc_queue_result_set(1, names, 0, nullptr);
    fake_odbc_push("SQLExecDirect", SQL_ERROR, "42000", 0, "Syntax error", 3);
    fake_odbc_set_info_text(SQL_DBMS_NAME, "Other");
    fake_odbc_set_connect_option(SQL_TXN_ISOLATION, 8);
    fake_odbc_set_function_supported(SQL_API_SQLFETCH, 0);
    fake_odbc_fail_sqlerror(5, SQL_ERROR);
    fake_odbc_add_data_source("Gone", "");

    fake_odbc_reset();
    EXPECT_STREQ(fake_odbc_calls(), "");
    EXPECT_EQ(fake_odbc_call_count("SQLAllocEnv"), 0);
    EXPECT_EQ(SQLFetch(stmt), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLDisconnect(dbc), SQL_INVALID_HANDLE);
    EXPECT_EQ(SQLFreeEnv(env), SQL_INVALID_HANDLE);

    Open();
    EXPECT_EQ(SQLExecDirect(stmt, Text("SELECT A"), SQL_NTS), SQL_SUCCESS);
    SQLSMALLINT columns = -1;
    EXPECT_EQ(SQLNumResultCols(stmt, &columns), SQL_SUCCESS);
    EXPECT_EQ(columns, 0);
    char dbms[16] = {};
    EXPECT_EQ(SQLGetInfo(dbc, SQL_DBMS_NAME, dbms, sizeof dbms, nullptr), SQL_SUCCESS);
    EXPECT_STREQ(dbms, "Fake");
    SQLUINTEGER isolation = 99;
    EXPECT_EQ(SQLGetConnectOption(dbc, SQL_TXN_ISOLATION, &isolation), SQL_SUCCESS);
    EXPECT_EQ(isolation, 0u);
    SQLUSMALLINT supported = 0;
    EXPECT_EQ(SQLGetFunctions(dbc, SQL_API_SQLFETCH, &supported), SQL_SUCCESS);
    EXPECT_EQ(supported, SQL_TRUE);
    EXPECT_EQ(ErrorOf(env, dbc, stmt).rc, SQL_NO_DATA);
    EXPECT_EQ(SQLDataSources(env, SQL_FETCH_FIRST, nullptr, 0, nullptr, nullptr, 0, nullptr), SQL_NO_DATA);
}

TEST_F(FakeOdbc, ConcurrentCallsKeepOneConsistentLog) {
    Open();
    constexpr int kThreads = 4;
    constexpr int kRounds = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this] {
            for (int i = 0; i < kRounds; ++i) {
                SQLHSTMT own = SQL_NULL_HSTMT;
                if (SQLAllocStmt(dbc, &own) != SQL_SUCCESS) return;
                SQLExecDirect(own, Text("SELECT 1"), SQL_NTS);
                SQLFreeStmt(own, SQL_DROP);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(fake_odbc_call_count("SQLAllocStmt"), 1 + kThreads * kRounds);
    EXPECT_EQ(fake_odbc_call_count("SQLExecDirect"), kThreads * kRounds);
    EXPECT_EQ(fake_odbc_call_count("SQLFreeStmt"), kThreads * kRounds);
}

// The library is loaded at run time the way the driver loads it.
const char* const kOdbcFunctions[] = {
    "SQLAllocConnect", "SQLAllocEnv",      "SQLAllocStmt",        "SQLBindCol",       "SQLBindParameter",
    "SQLSetParam",     "SQLColAttributes", "SQLColumns",          "SQLConnect",       "SQLDataSources",
    "SQLDescribeCol",  "SQLDisconnect",    "SQLDriverConnect",    "SQLError",         "SQLExecDirect",
    "SQLExecute",      "SQLExtendedFetch", "SQLFetch",            "SQLForeignKeys",   "SQLFreeConnect",
    "SQLFreeEnv",      "SQLFreeStmt",      "SQLGetConnectOption", "SQLGetData",       "SQLGetFunctions",
    "SQLGetInfo",      "SQLGetStmtOption", "SQLGetTypeInfo",      "SQLNumResultCols", "SQLParamData",
    "SQLParamOptions", "SQLPrepare",       "SQLPrimaryKeys",      "SQLPutData",       "SQLRowCount",
    "SQLSetConnectOption", "SQLSetStmtOption", "SQLStatistics",   "SQLTables",        "SQLTransact",
};

TEST(FakeOdbcLibraries, EachVariantExportsItsSetOfFunctions) {
    struct Variant {
        const char* path;
        std::vector<std::string> missing;
    };
    const Variant variants[] = {
        {FAKE_ODBC_LIBRARY, {}},
        {FAKE_ODBC_INCOMPLETE_LIBRARY, {"SQLTables"}},
        {FAKE_ODBC_NOPARAM_LIBRARY, {"SQLBindParameter"}},
    };
    for (const Variant& variant : variants) {
        SCOPED_TRACE(variant.path);
        void* library = dlopen(variant.path, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        std::vector<std::string> missing;
        for (const char* name : kOdbcFunctions) {
            if (!dlsym(library, name)) missing.emplace_back(name);
        }
        EXPECT_EQ(missing, variant.missing);
        EXPECT_NE(dlsym(library, "fake_odbc_push"), nullptr);
        dlclose(library);
    }
}

TEST(FakeOdbcLibraries, RunTimeLoadSharesTheLinkedInstance) {
    fake_odbc_reset();
    void* library = dlopen(FAKE_ODBC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto alloc_env = reinterpret_cast<SQLRETURN (*)(SQLHENV*)>(dlsym(library, "SQLAllocEnv"));
    ASSERT_NE(alloc_env, nullptr);
    fake_odbc_push("SQLAllocEnv", SQL_ERROR, "HY001", 0, "Memory allocation error", 1);
    SQLHENV env = SQL_NULL_HENV;
    EXPECT_EQ(alloc_env(&env), SQL_ERROR);
    EXPECT_EQ(fake_odbc_call_count("SQLAllocEnv"), 1);
    dlclose(library);
    fake_odbc_reset();
}

}  // namespace
