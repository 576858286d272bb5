#pragma once
// The one ODBC environment of the process.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "odbc/session/odbc_api.h"

namespace dbprobe::odbc {

class DataSource;
class TraceLogger;

class OdbcEnvironment {
public:
    static constexpr const char* kDefaultBusyMessage =
        "[Microsoft][ODBC SQL Server Driver]Connection is busy with results for another hstmt";

    // The environment, created (and the driver manager loaded) on first need.
    static OdbcEnvironment& Ensure();
    // The environment when it exists, else nullptr.
    static OdbcEnvironment* Existing();

    OdbcEnvironment() = default;
    OdbcEnvironment(const OdbcEnvironment&) = delete;
    OdbcEnvironment& operator=(const OdbcEnvironment&) = delete;
    ~OdbcEnvironment();

    OdbcApi api;
    bool loaded = false;
    SQLHENV henv = SQL_NULL_HENV;
    std::string busyMessage = kDefaultBusyMessage;
    int busyRetries = 20;
    int busyHandling = 0;  // 0 unset, 1..4

    std::unique_ptr<TraceLogger> log;

    std::mutex dataSourcesLock;
    std::vector<std::shared_ptr<DataSource>> dataSources;
};

// The environment's logger, when the environment exists.
TraceLogger* EnvironmentLog();

// The program-end cleanup: closes every file that still has statements, frees
// the connections, releases the files' data source links and frees the
// environment. Runs from an exit hook; a later need creates a new environment.
void EndProgram();

}  // namespace dbprobe::odbc
