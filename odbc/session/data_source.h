#pragma once
// The data source object shared by every file with the same owner string.

#include <sql.h>

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "odbc/session/backend.h"
#include "odbc/session/connection.h"

namespace dbprobe::odbc {

struct DriverState;

// What the server said about itself when the data source was created.
struct Capabilities {
    bool transactions = false;
    bool transactionsKnown = false;
    int identifierCase = 0;  // SQL_IDENTIFIER_CASE
    bool correlationNames = false;
    bool nonNullableColumns = false;
    std::string identifierQuote;  // empty: no quoting
    int quotedIdentifierCase = 0;
    std::string qualifierSeparator;
    unsigned maxStatements = 255;
    bool odbc1Driver = false;
    std::uint32_t stringFunctions = 0;
    int cursorCommitBehavior = 0;
    int cursorRollbackBehavior = 0;
    std::string driverName;  // SQL_DRIVER_NAME
    std::array<SQLUSMALLINT, 100> functions{};
};

class DataSource {
public:
    static constexpr int kFirstOption = 101, kLastOption = 112;

    DataSource() = default;
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    std::string owner;
    std::string connectString;

    std::mutex connectionsLock;
    std::vector<std::shared_ptr<Connection>> connections;
    std::vector<DriverState*> files;  // guarded by the environment's data source lock

    int backend = backend::Unknown;
    std::string backendName;
    Capabilities capabilities;
    int usesDriverConnect = 0;  // 0 unknown, 1 SQLDriverConnect, 2 SQLConnect
    int async = 0;              // 0 unknown, 1 available, 2 not available

    // Values the driver switches set on the data source.
    int joinType = jointype::Unset;
    int nesting = nesting::Unset;
    bool useInnerJoin = true;
    bool clipStrings = true;
    bool fastColumnFetch = false;
    int forceUpperCase = 1;  // the case of catalog names: 1 upper, 2 lower, else unchanged
    bool bindConstants = true;
    int bindColOrder = 0;
    bool logonScreen = true;
    long normalIsolation = 0;  // SQL_TXN_ISOLATION outside a transaction
    long transactionIsolation = 8;
    int busyHandling = 1;

    // The connection options last set on the connections, 0 = never set.
    std::array<SQLULEN, kLastOption - kFirstOption + 1> connectionOptions{};

    std::thread::id creatorThread;

    // The server's own reserved words (SQL_KEYWORDS), asked once.
    bool keywordsKnown = false;
    std::string keywords;

    // What CREATE learns once per data source: SQLGetTypeInfo's type names and
    // create parameters for the types -9 (SQL_WVARCHAR) to 12 (SQL_VARCHAR),
    // and the Integrity Enhancement Facility answer.
    static constexpr int kFirstType = -9, kLastType = 12;
    bool typeTablesFilled = false;
    std::array<std::optional<std::string>, kLastType - kFirstType + 1> typeNames;
    std::array<std::optional<std::string>, kLastType - kFirstType + 1> createParameters;
    std::optional<std::string> integrityEnhancement;
};

}  // namespace dbprobe::odbc
