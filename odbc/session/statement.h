#pragma once
// One ODBC statement, held by a statement slot of a file.

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <vector>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

class Connection;
class DataSource;

// A parameter or result column waiting to be bound.
struct PendingBinding {
    SQLUSMALLINT number = 0;
    SQLSMALLINT direction = SQL_PARAM_INPUT;
    SQLSMALLINT cType = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN precision = 0;
    SQLSMALLINT scale = 0;
    SQLPOINTER buffer = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN* indicator = nullptr;
};

class Statement {
public:
    Statement(std::shared_ptr<Connection> connection, DriverState& owner, int slotKind);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    // Frees the handle and leaves the connection's statement list.
    ~Statement();

    DataSource* DataSourceOf() const;

    // Queue a binding; a number not above the last queued one becomes the
    // last number + 1.
    void QueueParameter(PendingBinding binding);
    void QueueColumn(PendingBinding binding);

    SQLHSTMT hstmt = SQL_NULL_HSTMT;
    std::shared_ptr<Connection> connection;
    DriverState* owner;
    int slotKind;
    bool asyncOn = false;
    bool resultColumns = false;  // SQLNumResultCols has described a result
    bool cursorOpen = false;
    bool prepared = false;
    bool batch = false;  // last prepared as the batch INSERT
    std::vector<PendingBinding> pendingParameters;
    std::vector<PendingBinding> pendingColumns;
};

}  // namespace dbprobe::odbc
