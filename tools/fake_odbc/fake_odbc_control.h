#pragma once
// Control interface of the scripted fake ODBC driver manager (libfakeodbc.so).
//
// The fake exports the ODBC functions the driver resolves by name. Tests link
// against it and point DBPROBE_ODBC_LIBRARY at the same file, so that the
// driver's run-time load and the test share one instance and one script.
// Every ODBC call is recorded; outcomes are scripted per function name.

#ifdef __cplusplus
extern "C" {
#endif

// Forgets every script, every recorded call, every configured answer and every
// handle; the next calls behave as a healthy driver manager with one driver.
void fake_odbc_reset(void);

// The healthy driver manager keeps the usual call order: SQLAllocStmt needs a
// connection (08003), connecting twice fails (08002), SQLDisconnect frees the
// connection's statements and fails when not connected (08003), SQLFreeConnect
// on a connected handle and SQLFreeEnv with live connections fail (HY010),
// SQLExecute needs SQLPrepare (HY010), SQLFetch/SQLGetData need a result set
// (24000). Character output is truncated to the buffer with the full length
// reported and 01004 / SQL_SUCCESS_WITH_INFO. Statement result columns
// describe as SQL_VARCHAR(255), nullable. SQLRowCount answers 0.
// SQLExtendedFetch supports SQL_FETCH_NEXT and SQL_FETCH_FIRST with the
// statement's SQL_ROWSET_SIZE and SQL_BIND_TYPE.

// Queues `count` outcomes for the next calls of `function` (e.g.
// "SQLDriverConnect"). Each queued call returns `rc`; when rc is neither
// SQL_SUCCESS nor SQL_NO_DATA the next SQLError on that handle reports
// `sqlstate`, `native` and `message` (once). A queued call has no other effect
// (no handle is allocated, no result is produced). Without queued outcomes a
// call succeeds.
//
// Details:
// - A queued SQL_SUCCESS or SQL_SUCCESS_WITH_INFO lets the call do its normal
//   work first and then returns rc with the diagnostic, so
//   push("SQLFetch", SQL_SUCCESS_WITH_INFO, "01S01", 0, "...", 1) fetches the
//   row and warns. Any other rc decides the call alone, as described above.
// - The diagnostic goes to the handle the call was made on: the statement,
//   else the connection, else the environment (a warning of SQLAllocEnv goes
//   to the new environment; its failure has no handle to keep one). It stays pending until SQLError reads it or a later call on
//   that handle leaves another one; a queued outcome with sqlstate NULL leaves
//   none. The fake's own errors (24000, HY010, 01004, ...) are reported the
//   same way.
// - A call with a handle that is not live returns SQL_INVALID_HANDLE before
//   any queued outcome is consumed.
// - SQLError(env, dbc, stmt) reads the narrowest non-null handle given; it
//   writes the 5-character SQLSTATE plus NUL, the native code and the message
//   truncated to the buffer (returning SQL_SUCCESS_WITH_INFO then) with the
//   full length reported. A queued "SQLError" outcome acts like
//   fake_odbc_fail_sqlerror for one call.
void fake_odbc_push(const char* function, int rc, const char* sqlstate, int native,
                    const char* message, int count);

// Answers of SQLGetInfo: text answers for string info types, numbers for the
// others (written with the width the caller's info type has). Unset info types
// answer with defaults: SQL_DRIVER_NAME "libfake.so", SQL_DBMS_NAME "Fake",
// SQL_ACTIVE_STATEMENTS 0, SQL_IDENTIFIER_QUOTE_CHAR "\"", SQL_DRIVER_ODBC_VER
// "03.52", SQL_TXN_CAPABLE 2, SQL_OUTER_JOINS "Y", everything else 0 / "".
// Numbers are written as SQLUSMALLINT, SQLUINTEGER or (SQL_DRIVER_HDBC and
// the other handle types) SQLULEN, as each standard info type is defined; an
// info type unknown to the fake answers as text if it was set as text, else
// as SQLUINTEGER.
void fake_odbc_set_info_text(int info_type, const char* value);
void fake_odbc_set_info_number(int info_type, long value);

// SQLGetFunctions answers: every function is supported unless switched off.
// Handles SQL_API_ALL_FUNCTIONS (100 flags), SQL_API_ODBC3_ALL_FUNCTIONS
// (bitmask of SQL_API_ODBC3_ALL_FUNCTIONS_SIZE words) and single ids.
void fake_odbc_set_function_supported(int api, int supported);

// SQLGetConnectOption answers (SQL_TXN_ISOLATION and the like); default 0.
// Written as 32-bit SQLUINTEGER; the text options (SQL_CURRENT_QUALIFIER,
// SQL_OPT_TRACEFILE, SQL_TRANSLATE_DLL) answer "". SQLSetConnectOption does
// not change the answers.
void fake_odbc_set_connect_option(int option, long value);

// The next `count` SQLError calls fail with `rc` (SQL_ERROR or SQL_NO_DATA)
// and leave their output buffers untouched.
void fake_odbc_fail_sqlerror(int count, int rc);

// A result set for the next call that produces one (SQLExecDirect,
// SQLExecute, SQLGetTypeInfo, SQLColumns, SQLTables, ...): `columns` column
// names and `rows` rows of `columns` cells each, row by row; a NULL cell is
// SQL NULL. Cells are converted on SQLBindCol/SQLGetData to SQL_C_CHAR,
// SQL_C_SLONG/SQL_C_LONG, SQL_C_SSHORT/SQL_C_SHORT as asked (also
// SQL_C_DEFAULT as text, SQL_C_BINARY, SQL_C_ULONG, SQL_C_USHORT). Result sets
// queue in order. SQLPrepare takes the next queued result set: it describes
// the prepared statement at once (SQLNumResultCols, SQLDescribeCol) and each
// SQLExecute of that statement produces it again.
// An execution without a queued result set produces none; a
// catalog call without one produces an empty result set with the standard
// (ODBC 2) column names. SQLGetData returns long text piecewise.
void fake_odbc_queue_result_set(int columns, const char* const* names, int rows,
                                const char* const* cells);

// Data sources for SQLDataSources, in the order they are added.
// SQL_FETCH_FIRST starts over; after SQL_NO_DATA, SQL_FETCH_NEXT starts over.
void fake_odbc_add_data_source(const char* name, const char* description);

// The calls recorded since the last reset, one line each, in order, e.g.
//   SQLAllocEnv
//   SQLDriverConnect DSN=MYDSN;UID=sa completion=1
//   SQLExecDirect CREATE TABLE ...
// The returned text stays valid until the next call of any fake function.
//
// Each line is the function name, then its arguments separated by single
// spaces; numbers are decimal, text arguments appear exactly as passed
// (SQL_NTS or the given length) and a NULL text pointer reads "(null)":
//   SQLAllocEnv | SQLAllocConnect | SQLAllocStmt
//   SQLConnect <server> <user> <password>
//   SQLDriverConnect <connect string> completion=<n>
//   SQLDisconnect | SQLFreeConnect | SQLFreeEnv
//   SQLDataSources <direction>
//   SQLGetInfo <info type>
//   SQLGetFunctions <function id>
//   SQLGetConnectOption <option> <configured answer>
//   SQLSetConnectOption <option> <value>
//   SQLTransact <completion type>
//   SQLError env|dbc|stmt|none        (the narrowest handle given)
//   SQLFreeStmt <option>
//   SQLSetStmtOption <option> <value>
//   SQLGetStmtOption <option>
//   SQLPrepare <statement text>
//   SQLExecDirect <statement text>
//   SQLExecute
//   SQLBindParameter <param> <io type> <c type> <sql type> <column size> <digits> <buffer length>
//   SQLSetParam <param> <c type> <sql type> <precision> <scale>
//   SQLParamOptions <rows>
//   SQLParamData
//   SQLPutData <bytes>                (NULL for SQL_NULL_DATA)
//   SQLNumResultCols
//   SQLDescribeCol <column>
//   SQLColAttributes <column> <field>
//   SQLBindCol <column> <c type> <buffer length>
//   SQLFetch
//   SQLExtendedFetch <fetch type> <row>
//   SQLGetData <column> <c type> <buffer length>
//   SQLRowCount
//   SQLGetTypeInfo <data type>
//   SQLTables <catalog> <schema> <table> <table types>
//   SQLColumns <catalog> <schema> <table> <column>
//   SQLStatistics <catalog> <schema> <table> <unique> <reserved>
//   SQLPrimaryKeys <catalog> <schema> <table>
//   SQLForeignKeys <pk catalog> <pk schema> <pk table> <fk catalog> <fk schema> <fk table>
// Statement text containing newlines spans several lines.
const char* fake_odbc_calls(void);

// How many times `function` was called since the last reset.
int fake_odbc_call_count(const char* function);

#ifdef __cplusplus
}
#endif
