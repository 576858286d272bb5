#include "odbc/sql/counts.h"

#include <cstring>

#include "odbc/dispatch/operation.h"
#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/data_source.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/key_sql.h"
#include "odbc/sql/read_statement.h"

namespace dbprobe::odbc {
namespace {

// Runs a one-number query on the direct statement.
int QueryCount(DriverState& file, const std::string& sql, std::int64_t& count) {
    if (int failure = EnsureStatement(file, file.mainStatement); failure != 0)
        return MapResult(file, failure);
    Statement& main = *file.mainStatement.statement;
    CloseCursor(main);
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    PendingBinding b;
    b.number = 1;
    b.cType = SQL_C_SLONG;
    b.buffer = &value;
    b.bufferLength = sizeof value;
    b.indicator = &indicator;
    main.QueueColumn(b);
    SQLRETURN rc = ExecuteDirect(main, sql);
    if (SQL_SUCCEEDED(rc)) rc = Fetch(main);
    CloseCursor(main);
    // The column must not stay bound to this function's variables.
    UnbindColumns(main);
    main.pendingColumns.clear();
    if (rc == SQL_NO_DATA) value = 0;
    else if (!SQL_SUCCEEDED(rc))
        return MapResult(file, file.diagnostics.failure != 0 ? file.diagnostics.failure : -1);
    count = indicator == SQL_NULL_DATA ? 0 : value;
    return 0;
}

// Whether another row holds the record buffer's values of a unique key.
int Duplicated(DriverState& file, KeyState& key, bool& found) {
    found = false;
    if (key.AllowsDuplicates()) return 0;
    std::vector<char> values;
    TakeKeyValues(file, key, file.recordBuffer, file.nullIndicators, values);
    // The current row's own values are no duplicate; a row found with other
    // values than the current row's cannot be the current row.
    if ((file.stateFlags & flag::HasRecord) && values == key.savedValues) return 0;
    const std::vector<char> record(file.recordBuffer, file.recordBuffer + file.recordSize);
    const std::vector<char> kept = key.values;
    KeyToScratch(file, key);
    ReadStatement& read = KeyRead(key, readkind::Duplicate);
    int code = ExecuteRead(file, read);
    if (code == 0) code = FetchAny(file, read);
    CloseRead(file, read);
    std::memcpy(file.recordBuffer, record.data(), record.size());
    key.values = kept;
    if (code == err::RecordNotAvailable) return 0;
    found = code == 0;
    return code;
}

// A count or a duplicate test fetches without reading the row: it ends a
// pending WATCH and leaves no row watched.
void EndWatch(DriverState& file) { file.stateFlags &= ~(flag::Watching | flag::Watched); }

}  // namespace

int CountRecords(OperationContext& ctx) {
    DriverState& file = ctx.state;
    if (ctx.operation != op::BYTES || !(file.stateFlags & flag::HasRecord)) EndWatch(file);
    if (ctx.operation == op::BYTES && (file.stateFlags & flag::HasRecord)) {
        ctx.value = file.recordSize;
        return 0;
    }
    std::string sql = "SELECT COUNT(*) FROM " + file.sqlTableName;
    if (ctx.operation == op::RECORDSkey) {
        if (ctx.key == nullptr) return err::InvalidKeyFile;
        if (ctx.key->components.empty()) return err::KeyFileMustBeRebuilt;
        sql = "SELECT COUNT ( DISTINCT " +
              file.fields[static_cast<std::size_t>(ctx.key->components[0].field)].columnName +
              " ) FROM " + file.sqlTableName;
    }
    std::int64_t count = 0;
    const int code = QueryCount(file, sql, count);
    if (ctx.operation == op::COUNTRECORDS) {
        ctx.value = code == 0 && count > ctx.args.Number(0) ? 1 : 0;
        return 0;
    }
    if (code != 0) return code;
    ctx.value = static_cast<std::intptr_t>(ctx.operation == op::BYTES ? count * file.recordSize : count);
    return 0;
}

int TestDuplicates(OperationContext& ctx) {
    DriverState& file = ctx.state;
    EndWatch(file);
    bool found = false;
    if (ctx.operation == op::DUPLICATEkey) {
        if (ctx.key == nullptr) return err::InvalidKeyFile;
        const int code = Duplicated(file, *ctx.key, found);
        ctx.value = found ? 1 : 0;
        return code;
    }
    for (KeyState& key : file.keys) {
        if (int code = Duplicated(file, key, found); code != 0) return code;
        if (found) break;
    }
    ctx.value = found ? 1 : 0;
    return 0;
}

int SetBuffer(OperationContext& ctx) {
    DriverState& file = ctx.state;
    const std::int64_t rows = ctx.args.Number(0);
    file.options.rowsPerFetch = rows <= 0 ? 1 : static_cast<int>(std::min<std::int64_t>(rows, kMaxRowsPerFetch));
    const bool async = file.dataSource && file.dataSource->async == 1;
    if (async) file.read.readAhead = static_cast<int>(std::max<std::int64_t>(ctx.args.Number(2), 0));
    return 0;
}

}  // namespace dbprobe::odbc
