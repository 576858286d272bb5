#pragma once
// Connecting a file to its data source and giving it statements.

#include <sql.h>

#include <string>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

class DataSource;

// Connects the file when it has no data source yet and allocates the slot's
// statement when it has none. Returns the driver state's ODBC failure
// (0 = success).
int EnsureStatement(DriverState& file, StatementSlot& slot);

// Frees the slot's statement (SQLFreeStmt SQL_DROP).
void ReleaseStatement(StatementSlot& slot);
// Frees every statement of the file; its connection stays.
void ReleaseStatements(DriverState& file);
// Frees the file's statements and leaves its data source.
void ReleaseDataSource(DriverState& file);

// Stores a connection option on the data source and sends it to every
// connection when it changed.
void SetConnectionOption(DataSource& source, SQLUSMALLINT option, SQLULEN value);

// The transaction frame: LOGOUT, COMMIT and ROLLBACK.
int BeginTransaction(DriverState& file);
int Commit(DriverState& file);
int Rollback(DriverState& file);

// A text answer of SQLGetInfo from the first connection of the file's data
// source, traced like every connection call; empty when there is no answer.
std::string ConnectionInfo(DriverState& file, SQLUSMALLINT info, SQLSMALLINT bufferSize);

// Where the driver manager's login dialog gets its parent window from.
void SetDialogWindowProvider(void* (*provider)());

}  // namespace dbprobe::odbc
