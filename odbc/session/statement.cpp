#include "odbc/session/statement.h"

#include <algorithm>

#include "odbc/session/connection.h"
#include "odbc/session/data_source.h"
#include "odbc/session/environment.h"

namespace dbprobe::odbc {

void StatementDeleter::operator()(Statement* statement) const { delete statement; }

Statement::Statement(std::shared_ptr<Connection> conn, DriverState& file, int kind)
    : connection(std::move(conn)), owner(&file), slotKind(kind) {}

Statement::~Statement() {
    OdbcEnvironment* environment = OdbcEnvironment::Existing();
    if (hstmt != SQL_NULL_HSTMT && environment != nullptr && environment->loaded)
        environment->api.FreeStmt(hstmt, SQL_DROP);
    if (connection) {
        std::lock_guard guard(connection->statementsLock);
        auto& list = connection->statements;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

DataSource* Statement::DataSourceOf() const {
    return connection ? connection->dataSource : nullptr;
}

namespace {

void Queue(std::vector<PendingBinding>& queue, PendingBinding binding) {
    if (!queue.empty() && binding.number <= queue.back().number)
        binding.number = static_cast<SQLUSMALLINT>(queue.back().number + 1);
    queue.push_back(binding);
}

}  // namespace

void Statement::QueueParameter(PendingBinding binding) { Queue(pendingParameters, binding); }
void Statement::QueueColumn(PendingBinding binding) { Queue(pendingColumns, binding); }

}  // namespace dbprobe::odbc
