#include "odbc/session/session.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/connect_string.h"
#include "odbc/session/connection.h"
#include "odbc/session/data_source.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/environment.h"
#include "odbc/session/options.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/session/trace_logger.h"
#include "odbc/session/trace_text.h"
#include "odbc/sql/column_names.h"

namespace dbprobe::odbc {
namespace {

constexpr int kConnectAttempts = 3;
void* (*g_dialogWindow)() = nullptr;

OdbcEnvironment& Env() { return *OdbcEnvironment::Existing(); }
const OdbcApi& Api() { return Env().api; }

SQLCHAR* Text(std::string& text) { return reinterpret_cast<SQLCHAR*>(text.data()); }

// The logger of connection-level calls: the file's when there is one, else the
// environment's; nullptr while its call trace is off.
TraceLogger* Tracing(const DriverState* file) {
    TraceLogger* log = file != nullptr ? file->traceLog.get() : EnvironmentLog();
    return log != nullptr && log->TraceOn() ? log : nullptr;
}

// One traced call on a connection: text, "Connection" and the handle, the
// call (which records its own outcome), then the time taken.
template <typename Call>
SQLRETURN OnConnection(TraceLogger* log, std::string_view text, SQLHDBC dbc, Call&& call) {
    const long mark = log != nullptr ? log->WriteHandle("Connection", dbc, text, true) : 0;
    const SQLRETURN rc = call();
    if (log != nullptr) log->WriteTimeTaken(mark);
    return rc;
}

// --- SQLGetInfo answers; results are never checked, so a server that
// answers nothing leaves the defaults.

SQLUSMALLINT InfoShort(TraceLogger* log, SQLHDBC dbc, SQLUSMALLINT info) {
    SQLUSMALLINT value = 0;
    OnConnection(log, tracetext::GetInfoText(info), dbc,
                 [&] { return Api().GetInfo(dbc, info, &value, sizeof value, nullptr); });
    return value;
}

SQLUINTEGER InfoInteger(TraceLogger* log, SQLHDBC dbc, SQLUSMALLINT info) {
    SQLUINTEGER value = 0;
    OnConnection(log, tracetext::GetInfoText(info), dbc,
                 [&] { return Api().GetInfo(dbc, info, &value, sizeof value, nullptr); });
    return value;
}

std::string InfoText(TraceLogger* log, SQLHDBC dbc, SQLUSMALLINT info, SQLSMALLINT bufferSize) {
    std::string buffer(static_cast<std::size_t>(bufferSize) + 1, '\0');
    SQLSMALLINT length = 0;
    OnConnection(log, tracetext::GetInfoText(info), dbc, [&] {
        return Api().GetInfo(dbc, info, buffer.data(), bufferSize, &length);
    });
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

void SetOption(TraceLogger* log, SQLHDBC dbc, SQLUSMALLINT option, SQLULEN value) {
    OnConnection(log, tracetext::SetConnectOptionText(option, value), dbc,
                 [&] { return Api().SetConnectOption(dbc, option, value); });
}

SQLULEN GetOption(TraceLogger* log, SQLHDBC dbc, SQLUSMALLINT option) {
    SQLULEN value = 0;
    OnConnection(log, tracetext::GetConnectOptionText(option), dbc,
                 [&] { return Api().GetConnectOption(dbc, option, &value); });
    return value;
}

bool InsideTransaction(const DriverState& file) { return (file.stateFlags & flag::LoggedOut) != 0; }

// --- Connecting one connection.

std::shared_ptr<Connection> NewConnection(DataSource& source, DriverState& file) {
    const std::string owner = file.owner.value_or("");
    for (int attempt = 1;; ++attempt) {
        auto connection = std::make_shared<Connection>(source);
        connection->owner = source.owner;
        TraceLogger* log = Tracing(&file);
        const long allocMark = log != nullptr ? log->StartTimer() : 0;
        SQLRETURN rc = Api().AllocConnect(Env().henv, &connection->hdbc);
        if (log != nullptr) {
            log->WriteText("Allocating");
            log->WriteHandle("Connection", connection->hdbc, {}, false);
        }
        RecordResult(file, rc, Env().henv, SQL_NULL_HDBC, SQL_NULL_HSTMT);
        if (log != nullptr) log->WriteTimeTaken(allocMark);
        if (!SQL_SUCCEEDED(rc)) {
            connection->hdbc = SQL_NULL_HDBC;
            return nullptr;
        }
        bool useConnect = source.usesDriverConnect == 2;
        if (!useConnect) {
            if (attempt == 1) SetOption(log, connection->hdbc, SQL_LOGIN_TIMEOUT, file.loginTimeout);
            SQLHWND window = g_dialogWindow != nullptr ? g_dialogWindow() : nullptr;
            SQLCHAR completed[256] = {0};
            SQLSMALLINT completedLength = 0;
            const SQLUSMALLINT completion =
                source.logonScreen ? SQL_DRIVER_COMPLETE_REQUIRED : SQL_DRIVER_NOPROMPT;
            const long mark =
                log != nullptr
                    ? log->StartTimer("Connecting to " + tracetext::MaskPassword(source.connectString))
                    : 0;
            rc = Api().DriverConnect(connection->hdbc, window, Text(source.connectString), SQL_NTS,
                                     completed, 255, &completedLength, completion);
            RecordResult(file, rc, Env().henv, connection->hdbc, SQL_NULL_HSTMT);
            if (log != nullptr) log->WriteTimeTaken(mark);
            if (SQL_SUCCEEDED(rc)) {
                connection->completedConnectString = reinterpret_cast<const char*>(completed);
            } else {
                const std::string state = file.diagnostics.sqlState;
                if ((state == "IM004" || state == "IM006") && attempt < kConnectAttempts) {
                    ForgetFailure(file);
                    OnConnection(log, "Disconnecting", connection->hdbc,
                                 [&] { return Api().Disconnect(connection->hdbc); });
                    continue;  // the connection's destructor frees the handle
                }
                if (!owner.empty() && state.rfind("IM00", 0) == 0) {
                    ForgetFailure(file);
                    useConnect = true;
                }
            }
        }
        if (useConnect) {
            ConnectCredentials c = SplitForConnect(owner);
            rc = OnConnection(log, "Connecting to", connection->hdbc, [&] {
                const SQLRETURN r = Api().Connect(connection->hdbc, Text(c.name), SQL_NTS,
                                                  Text(c.user), SQL_NTS, Text(c.password), SQL_NTS);
                RecordResult(file, r, Env().henv, connection->hdbc, SQL_NULL_HSTMT);
                return r;
            });
        }
        if (!SQL_SUCCEEDED(rc)) return nullptr;
        connection->connected = true;
        OnConnection(log, "Getting Functions for", connection->hdbc, [&] {
            return Api().GetFunctions(connection->hdbc, SQL_API_ALL_FUNCTIONS,
                                      source.capabilities.functions.data());
        });
        source.usesDriverConnect = source.capabilities.functions[SQL_API_SQLDRIVERCONNECT] ? 1 : 2;
        return connection;
    }
}

// A further connection of an existing data source gets the options the data
// source has stored.
void ReplayOptions(DataSource& source, Connection& connection, const DriverState& file) {
    for (int option = DataSource::kFirstOption; option <= DataSource::kLastOption; ++option) {
        SQLULEN value = source.connectionOptions[option - DataSource::kFirstOption];
        if (value == 0) continue;
        if (option == SQL_TXN_ISOLATION)
            value = InsideTransaction(file) ? source.transactionIsolation : source.normalIsolation;
        if (option == SQL_AUTOCOMMIT) value = InsideTransaction(file) ? 0 : 1;
        SetOption(Tracing(&file), connection.hdbc, static_cast<SQLUSMALLINT>(option), value);
    }
}

// Makes a connection and adds it; the caller holds the connection lock.
std::shared_ptr<Connection> AddConnection(DataSource& source, DriverState& file) {
    std::shared_ptr<Connection> connection = NewConnection(source, file);
    if (!connection) return nullptr;
    if (!source.connections.empty()) ReplayOptions(source, *connection, file);
    if (source.busyHandling == 4) connection->callLock = std::make_unique<std::mutex>();
    source.connections.push_back(connection);
    return connection;
}

// --- Statements.

bool ReadOnlyOnSqlServer(const DataSource& source, const DriverState& file) {
    const std::int32_t mode = file.openMode == 0 ? 3 : file.openMode;
    return (source.backend == backend::SqlServer6 || source.backend == backend::SqlServer7) &&
           (mode & 3) == 0;
}

int AllocateStatement(DriverState& file, StatementSlot& slot) {
    DataSource& source = *file.dataSource;
    const bool readOnly = ReadOnlyOnSqlServer(source, file);
    std::shared_ptr<Connection> chosen;
    {
        std::lock_guard guard(source.connectionsLock);
        for (const std::shared_ptr<Connection>& c : source.connections) {
            const std::size_t count = c->StatementCount();
            const bool threadOk = source.busyHandling != 2 ||
                                  c->creatorThread == std::thread::id() ||
                                  c->creatorThread == std::this_thread::get_id();
            if (count == 0 || (count < c->maxStatements && !readOnly && threadOk)) {
                chosen = c;
                break;
            }
        }
        const bool reused = chosen != nullptr;
        if (!chosen) chosen = AddConnection(source, file);
        if (!chosen) return file.diagnostics.failure;
        if (!reused || chosen->StatementCount() == 0)
            chosen->maxStatements = readOnly ? 1 : source.capabilities.maxStatements;
    }

    StatementPtr statement(new Statement(chosen, file, slot.kind));
    const SQLRETURN rc = AllocStatement(*statement);
    if (!SQL_SUCCEEDED(rc)) {
        statement->hstmt = SQL_NULL_HSTMT;
        return file.diagnostics.failure;
    }
    chosen->creatorThread = std::this_thread::get_id();
    {
        std::lock_guard guard(chosen->statementsLock);
        chosen->statements.push_back(statement.get());
    }
    if ((source.backend == backend::SqlServer6 || source.backend == backend::SqlServer7) &&
        (file.openMode & 3) != 0) {
        SetStatementOption(*statement, SQL_CONCURRENCY, SQL_CONCUR_ROWVER, false);
        SetStatementOption(*statement, SQL_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY, false);
    }
    slot.statement = std::move(statement);
    return 0;
}

// --- Creating a data source.

void ApplyQuirks(DataSource& source, const BackendQuirks& q) {
    source.backend = q.number;
    source.backendName = q.name;
    if (q.clipStrings) source.clipStrings = *q.clipStrings;
    if (q.fastColumnFetch) source.fastColumnFetch = *q.fastColumnFetch;
    if (q.bindColOrder) source.bindColOrder = *q.bindColOrder;
    if (q.joinType) source.joinType = *q.joinType;
    if (q.nesting) source.nesting = *q.nesting;
    if (q.maxStatements) source.capabilities.maxStatements = *q.maxStatements;
    if (q.unlimitedStatements) source.capabilities.maxStatements = UINT_MAX;
}

void AskTheServer(DataSource& source, SQLHDBC dbc, TraceLogger* log) {
    Capabilities& caps = source.capabilities;
    caps.transactions = InfoShort(log, dbc, SQL_TXN_CAPABLE) != 0;
    caps.transactionsKnown = true;
    const SQLULEN isolation = GetOption(log, dbc, SQL_TXN_ISOLATION);
    source.normalIsolation = isolation == 0 ? SQL_TXN_READ_COMMITTED : static_cast<long>(isolation);
    if (caps.transactions) {
        SetConnectionOption(source, SQL_TXN_ISOLATION, static_cast<SQLULEN>(source.normalIsolation));
        SetConnectionOption(source, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
    }
    caps.identifierCase = InfoShort(log, dbc, SQL_IDENTIFIER_CASE);
    source.forceUpperCase = caps.identifierCase;
    caps.correlationNames = InfoShort(log, dbc, SQL_CORRELATION_NAME) != 0;
    caps.nonNullableColumns = InfoShort(log, dbc, SQL_NON_NULLABLE_COLUMNS) == 1;
    caps.identifierQuote = InfoText(log, dbc, SQL_IDENTIFIER_QUOTE_CHAR, 5);
    if (caps.identifierQuote == " ") caps.identifierQuote.clear();
    caps.quotedIdentifierCase = InfoShort(log, dbc, SQL_QUOTED_IDENTIFIER_CASE);
    caps.qualifierSeparator = InfoText(log, dbc, SQL_QUALIFIER_NAME_SEPARATOR, 5);
    const std::string outerJoins = InfoText(log, dbc, SQL_OUTER_JOINS, 5);
    if (outerJoins == "F") {
        source.nesting = nesting::True;
    } else if (outerJoins == "P") {
        source.nesting = nesting::Partial;
    } else {
        source.nesting = nesting::False;
        source.useInnerJoin = false;
    }
    const SQLUSMALLINT active = InfoShort(log, dbc, SQL_ACTIVE_STATEMENTS);
    caps.maxStatements = active == 0 ? 255 : active;
    caps.odbc1Driver = InfoText(log, dbc, SQL_DRIVER_ODBC_VER, 6).c_str()[1] == '1';
    caps.stringFunctions = InfoInteger(log, dbc, SQL_STRING_FUNCTIONS);
    caps.cursorCommitBehavior = InfoShort(log, dbc, SQL_CURSOR_COMMIT_BEHAVIOR);
    caps.cursorRollbackBehavior = InfoShort(log, dbc, SQL_CURSOR_ROLLBACK_BEHAVIOR);
    caps.driverName = InfoText(log, dbc, SQL_DRIVER_NAME, 255);
}

// Probes asynchronous execution on the main statement; a refusal only
// switches it off.
void ProbeAsync(DataSource& source, DriverState& file, Statement& main) {
    const SQLRETURN rc = SetStatementOption(main, SQL_ASYNC_ENABLE, SQL_ASYNC_ENABLE_ON, true);
    if (SQL_SUCCEEDED(rc)) {
        source.async = 1;
        SetStatementOption(main, SQL_ASYNC_ENABLE, SQL_ASYNC_ENABLE_OFF, true);
    } else {
        source.async = 2;
        ForgetFailure(file);
    }
}

std::shared_ptr<DataSource> CreateDataSource(DriverState& file) {
    auto source = std::make_shared<DataSource>();
    source->owner = file.owner.value_or("");
    source->connectString = BuildConnectString(source->owner);
    source->logonScreen = file.logonScreen;
    source->creatorThread = std::this_thread::get_id();
    std::shared_ptr<Connection> first;
    {
        std::lock_guard guard(source->connectionsLock);
        first = AddConnection(*source, file);
    }
    if (!first) return nullptr;

    TraceLogger* log = Tracing(&file);
    AskTheServer(*source, first->hdbc, log);
    BackendProbe probe;
    probe.driverName = source->capabilities.driverName;
    probe.dbmsVersion = InfoText(log, first->hdbc, SQL_DBMS_VER, 11);
    probe.driverVersion = InfoText(log, first->hdbc, SQL_DRIVER_VER, 20);
    const BackendQuirks quirks = RecognizeBackend(probe);
    if (quirks.rejected) {
        // An Access driver that works only inside the office programs.
        file.diagnostics.failure = err::FileNotOpen;
        return nullptr;
    }
    ApplyQuirks(*source, quirks);
    if (source->joinType == jointype::Unset) source->joinType = jointype::Watcom;
    source->busyHandling = Env().busyHandling != 0 ? Env().busyHandling : 3;
    if (source->busyHandling == 4)
        for (auto& c : source->connections) c->callLock = std::make_unique<std::mutex>();

    file.dataSource = source;
    if (!file.mainStatement.statement) {
        if (AllocateStatement(file, file.mainStatement) != 0) {
            file.dataSource.reset();
            return nullptr;
        }
    }
    ProbeAsync(*source, file, *file.mainStatement.statement);
    if (log != nullptr) {
        log->WriteText(source->backendName.empty() && source->backend == backend::Unknown
                           ? std::string("Unknown Backend")
                           : "Known Backend Detected: " + source->backendName,
                       true);
        log->WriteText("Maximum Statements per connection is " +
                           std::to_string(source->capabilities.maxStatements),
                       true);
    }
    return source;
}

void Register(DataSource& source, DriverState& file) {
    if (std::find(source.files.begin(), source.files.end(), &file) == source.files.end())
        source.files.push_back(&file);
}

bool HasStatementOn(const DataSource& source, const DriverState& file) {
    for (const auto& c : source.connections) {
        std::lock_guard guard(c->statementsLock);
        for (const Statement* s : c->statements)
            if (s->owner == &file) return true;
    }
    return false;
}

// Finds or creates the data source of the file's owner and links the file.
int FindDataSource(DriverState& file) {
    OdbcEnvironment& env = Env();
    std::lock_guard guard(env.dataSourcesLock);
    const std::string owner = file.owner.value_or("");
    std::shared_ptr<DataSource> found;
    if (!owner.empty() || env.dataSources.empty()) {
        for (const auto& s : env.dataSources)
            if (HasStatementOn(*s, file)) found = s;
        if (!found)
            for (const auto& s : env.dataSources)
                if (s->owner == owner) {
                    found = s;
                    break;
                }
    } else {
        found = env.dataSources.back();
    }
    if (found) {
        {
            std::lock_guard connections(found->connectionsLock);
            if (found->connections.empty() && !AddConnection(*found, file))
                return file.diagnostics.failure;
        }
        Register(*found, file);
        file.dataSource = found;
        ApplyPendingSwitches(file, *found);
        PrepareNames(file);
        return 0;
    }
    std::shared_ptr<DataSource> created = CreateDataSource(file);
    if (!created) {
        file.dataSource.reset();
        return file.diagnostics.failure != 0 ? file.diagnostics.failure : err::FileSystemError;
    }
    env.dataSources.push_back(created);
    Register(*created, file);
    ApplyPendingSwitches(file, *created);
    PrepareNames(file);
    return 0;
}

bool StoredOption(int option) {
    return (option >= 101 && option <= 104) || option == 107 || option == 108 ||
           (option >= 110 && option <= 112);
}

int EndTransaction(DriverState& file, SQLUSMALLINT completion) {
    if (!file.dataSource || !file.dataSource->capabilities.transactions) return 0;
    DataSource& source = *file.dataSource;
    const int behavior = completion == SQL_COMMIT ? source.capabilities.cursorCommitBehavior
                                                  : source.capabilities.cursorRollbackBehavior;
    std::vector<std::shared_ptr<Connection>> connections;
    {
        std::lock_guard guard(source.connectionsLock);
        connections = source.connections;
    }
    for (const auto& c : connections) {
        OnConnection(Tracing(&file), completion == SQL_COMMIT ? "Committing" : "Rolling back",
                     c->hdbc, [&] {
                         const SQLRETURN rc = Api().Transact(Env().henv, c->hdbc, completion);
                         RecordResult(file, rc, Env().henv, c->hdbc, SQL_NULL_HSTMT);
                         return rc;
                     });
        if (behavior != SQL_CB_PRESERVE) {
            std::lock_guard guard(c->statementsLock);
            for (Statement* s : c->statements) s->prepared = false;
        }
    }
    SetConnectionOption(source, SQL_TXN_ISOLATION, static_cast<SQLULEN>(source.normalIsolation));
    SetConnectionOption(source, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
    return MapResult(file, file.diagnostics.failure);
}

}  // namespace

Connection::~Connection() {
    OdbcEnvironment* environment = OdbcEnvironment::Existing();
    if (hdbc == SQL_NULL_HDBC || environment == nullptr || !environment->loaded) return;
    TraceLogger* log = Tracing(nullptr);
    if (connected) OnConnection(log, "Disconnecting", hdbc, [&] { return environment->api.Disconnect(hdbc); });
    OnConnection(log, "Freeing", hdbc, [&] { return environment->api.FreeConnect(hdbc); });
}

int EnsureStatement(DriverState& file, StatementSlot& slot) {
    if (!file.dataSource) {
        if (int failure = FindDataSource(file); failure != 0) return failure;
    }
    if (!slot.statement) {
        if (int failure = AllocateStatement(file, slot); failure != 0) return failure;
    }
    return file.diagnostics.failure;
}

void ReleaseStatement(StatementSlot& slot) { slot.statement.reset(); }

void ReleaseStatements(DriverState& file) {
    for (StatementSlot* slot : file.StatementSlots()) ReleaseStatement(*slot);
}

void ReleaseDataSource(DriverState& file) {
    ReleaseStatements(file);
    if (!file.dataSource) return;
    if (OdbcEnvironment* env = OdbcEnvironment::Existing()) {
        std::lock_guard guard(env->dataSourcesLock);
        auto& files = file.dataSource->files;
        files.erase(std::remove(files.begin(), files.end(), &file), files.end());
    }
    file.dataSource.reset();
}

void SetConnectionOption(DataSource& source, SQLUSMALLINT option, SQLULEN value) {
    if (option == SQL_AUTOCOMMIT && value == SQL_AUTOCOMMIT_OFF &&
        !source.capabilities.transactionsKnown)
        return;
    std::lock_guard guard(source.connectionsLock);
    if (source.connections.empty()) return;
    TraceLogger* log = Tracing(nullptr);
    if (StoredOption(option)) {
        SQLULEN& stored = source.connectionOptions[option - DataSource::kFirstOption];
        if (stored == 0) stored = GetOption(log, source.connections.front()->hdbc, option);
        if (stored == value) return;
        stored = value;
    }
    for (const auto& c : source.connections) SetOption(log, c->hdbc, option, value);
}

int BeginTransaction(DriverState& file) {
    if (!file.dataSource || !file.dataSource->capabilities.transactions) return 0;
    DataSource& source = *file.dataSource;
    SetConnectionOption(source, SQL_TXN_ISOLATION,
                        static_cast<SQLULEN>(source.transactionIsolation));
    SetConnectionOption(source, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF);
    return 0;
}

int Commit(DriverState& file) { return EndTransaction(file, SQL_COMMIT); }
int Rollback(DriverState& file) { return EndTransaction(file, SQL_ROLLBACK); }

std::string ConnectionInfo(DriverState& file, SQLUSMALLINT info, SQLSMALLINT bufferSize) {
    if (!file.dataSource) return {};
    SQLHDBC dbc = SQL_NULL_HDBC;
    {
        std::lock_guard guard(file.dataSource->connectionsLock);
        if (!file.dataSource->connections.empty()) dbc = file.dataSource->connections.front()->hdbc;
    }
    if (dbc == SQL_NULL_HDBC) return {};
    return InfoText(Tracing(&file), dbc, info, bufferSize);
}

void SetDialogWindowProvider(void* (*provider)()) { g_dialogWindow = provider; }

}  // namespace dbprobe::odbc
