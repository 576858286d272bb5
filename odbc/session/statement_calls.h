#pragma once
// The statement wrappers: the only way the driver calls ODBC on a statement.
// Each one serialises the call on its connection when asked to, records the
// outcome in the file's driver state and repeats the call while the statement
// is still executing asynchronously or the connection reports itself busy.

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "odbc/session/statement.h"

namespace dbprobe::odbc {

// Allocates the handle of `statement` on its connection.
SQLRETURN AllocStatement(Statement& statement);
SQLRETURN Prepare(Statement& statement, const std::string& sql);
SQLRETURN ExecuteDirect(Statement& statement, const std::string& sql);
SQLRETURN ExecutePrepared(Statement& statement);
SQLRETURN BindPendingParameters(Statement& statement);
SQLRETURN BindPendingColumns(Statement& statement);
SQLRETURN ParamOptions(Statement& statement, SQLULEN rows, SQLULEN* processed);
SQLRETURN ParamData(Statement& statement, SQLPOINTER* token);
SQLRETURN PutData(Statement& statement, SQLPOINTER data, SQLLEN length);
SQLRETURN NumResultCols(Statement& statement, SQLSMALLINT* columns);
SQLRETURN DescribeColumn(Statement& statement, SQLUSMALLINT column, SQLCHAR* name,
                         SQLSMALLINT nameMax, SQLSMALLINT* nameLength, SQLSMALLINT* sqlType,
                         SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable);
SQLRETURN ColumnAttribute(Statement& statement, SQLUSMALLINT column, SQLUSMALLINT field,
                          SQLPOINTER text, SQLSMALLINT textMax, SQLSMALLINT* textLength,
                          SQLLEN* number);
SQLRETURN Columns(Statement& statement, const std::string* schema, const std::string& table,
                  const std::string* column);
SQLRETURN GetTypeInfo(Statement& statement, SQLSMALLINT sqlType);
// Fetches the next row. SQL_NO_DATA is not recorded; a truncation warning
// (01S01) is a failure.
SQLRETURN Fetch(Statement& statement);
// SQL_FETCH_FIRST is sent as SQL_FETCH_NEXT; 01S01 fails unless
// ignoreTruncation.
SQLRETURN ExtendedFetch(Statement& statement, SQLUSMALLINT orientation, SQLLEN offset,
                        SQLULEN* rows, SQLUSMALLINT* status, bool ignoreTruncation);
SQLRETURN GetData(Statement& statement, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer,
                  SQLLEN bufferLength, SQLLEN* indicator);
SQLRETURN RowCount(Statement& statement, SQLLEN* rows);
SQLRETURN GetStatementOption(Statement& statement, SQLUSMALLINT option, SQLPOINTER value);
SQLRETURN SetStatementOption(Statement& statement, SQLUSMALLINT option, SQLULEN value,
                             bool recordErrors);
SQLRETURN CloseCursor(Statement& statement);
SQLRETURN UnbindColumns(Statement& statement);
SQLRETURN ResetParameters(Statement& statement);
SQLRETURN FreeStatement(Statement& statement);

}  // namespace dbprobe::odbc
