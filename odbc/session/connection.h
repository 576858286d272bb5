#pragma once
// One ODBC connection of a data source.

#include <sql.h>

#include <climits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dbprobe::odbc {

class DataSource;
class Statement;

class Connection {
public:
    explicit Connection(DataSource& source) : dataSource(&source) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    // Disconnects and frees the handle: only at program end, or when the
    // connect attempt failed.
    ~Connection();

    std::size_t StatementCount() {
        std::lock_guard guard(statementsLock);
        return statements.size();
    }

    DataSource* dataSource;
    SQLHDBC hdbc = SQL_NULL_HDBC;
    bool connected = false;
    std::string owner;
    std::string completedConnectString;
    unsigned maxStatements = UINT_MAX;
    std::thread::id creatorThread;  // default id: nobody yet

    std::mutex statementsLock;
    std::vector<Statement*> statements;
    // Serialises every ODBC call on this connection (busyHandling 4 only).
    std::unique_ptr<std::mutex> callLock;
};

}  // namespace dbprobe::odbc
