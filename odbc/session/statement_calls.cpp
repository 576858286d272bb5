#include "odbc/session/statement_calls.h"

#include <mutex>
#include <optional>

#include "odbc/session/connection.h"
#include "odbc/session/data_source.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/environment.h"
#include "odbc/session/trace_logger.h"
#include "odbc/session/trace_text.h"

namespace dbprobe::odbc {
namespace {

OdbcEnvironment& Env() { return *OdbcEnvironment::Existing(); }
const OdbcApi& Api() { return Env().api; }

SQLCHAR* Text(const std::string& text) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

void Record(Statement& s, SQLRETURN rc) {
    RecordResult(*s.owner, rc, Env().henv, s.connection->hdbc, s.hstmt);
}

// One ODBC call inside the connection's call lock, when it has one.
template <typename Call>
SQLRETURN Locked(Statement& s, Call&& call) {
    std::optional<std::lock_guard<std::mutex>> guard;
    if (s.connection->callLock) guard.emplace(*s.connection->callLock);
    return call();
}

enum class Recording { Record, DontRecord };

// The file's logger when its call trace is on; nothing is formatted otherwise.
TraceLogger* CallTrace(const Statement& s) {
    TraceLogger* log = s.owner->traceLog.get();
    return log != nullptr && log->TraceOn() ? log : nullptr;
}

// Starts a call's trace line: text, "Statement" and the handle, then extra.
long Begin(TraceLogger& log, const Statement& s, std::string_view text, std::string_view extra = {}) {
    const long mark = log.WriteHandle("Statement", s.hstmt, text, true);
    if (!extra.empty()) log.WriteText(extra);
    return mark;
}

struct NoTrace {
    long operator()(TraceLogger&) const { return 0; }
};
struct NothingAfter {
    void operator()(TraceLogger&, SQLRETURN) const {}
};
struct ReturnCode {
    void operator()(TraceLogger& log, SQLRETURN rc) const {
        log.WriteText(" Return Code: " + std::to_string(rc));
    }
};

// The call loop: repeat while an asynchronous statement is still executing,
// or while the connection is busy, up to the environment's busyRetries calls.
// begin writes the start of the trace line, after what follows the call.
template <typename TraceBegin, typename Call, typename TraceAfter = NothingAfter>
SQLRETURN Loop(Statement& s, Recording recording, TraceBegin&& begin, Call&& call,
               TraceAfter&& after = {}, bool pollAsync = true) {
    TraceLogger* log = CallTrace(s);
    const long mark = log != nullptr ? begin(*log) : 0;
    for (int i = 1;; ++i) {
        if (i > 1 && log != nullptr) log->WriteText(".");
        const SQLRETURN rc = Locked(s, call);
        if (recording == Recording::Record) Record(s, rc);
        if (pollAsync && s.asyncOn && rc == SQL_STILL_EXECUTING) continue;
        const int value =
            recording == Recording::Record ? s.owner->diagnostics.failure : static_cast<int>(rc);
        if (i < Env().busyRetries && IsBusy(s, value)) {
            ForgetFailure(*s.owner);
            continue;
        }
        if (log != nullptr) {
            after(*log, rc);
            log->WriteTimeTaken(mark);
        }
        return rc;
    }
}

// One call without the loop, traced the same way.
template <typename TraceBegin, typename Call, typename TraceAfter = NothingAfter>
SQLRETURN Once(Statement& s, TraceBegin&& begin, Call&& call, TraceAfter&& after = {}) {
    TraceLogger* log = CallTrace(s);
    const long mark = log != nullptr ? begin(*log) : 0;
    const SQLRETURN rc = Locked(s, call);
    if (log != nullptr) {
        after(*log, rc);
        log->WriteTimeTaken(mark);
    }
    return rc;
}

SQLRETURN FreeStmtCall(Statement& s, SQLUSMALLINT option) {
    return Once(
        s, [&](TraceLogger& log) { return Begin(log, s, tracetext::FreeStmtText(option)); },
        [&] { return Api().FreeStmt(s.hstmt, option); });
}

// Queued result columns are bound before the parameters (BINDCOLORDER 0),
// after them (1), or only at the next fetch (2).
SQLRETURN BindBeforeExecution(Statement& s) {
    const int order = s.DataSourceOf() != nullptr ? s.DataSourceOf()->bindColOrder : 0;
    SQLRETURN rc = SQL_SUCCESS;
    if (order == 0) rc = BindPendingColumns(s);
    if (SQL_SUCCEEDED(rc)) rc = BindPendingParameters(s);
    if (SQL_SUCCEEDED(rc) && order == 1) rc = BindPendingColumns(s);
    return rc;
}

SQLSMALLINT NarrowType(SQLSMALLINT sqlType) {
    if (sqlType == SQL_WCHAR) return SQL_CHAR;
    if (sqlType == SQL_WVARCHAR) return SQL_VARCHAR;
    return sqlType;
}

// A fetch warning of truncated data is a failure: recorded again as SQL_ERROR.
SQLRETURN TruncationIsFailure(Statement& s, SQLRETURN rc, bool ignoreTruncation) {
    if (rc != SQL_SUCCESS_WITH_INFO) return rc;
    Record(s, rc);
    if (ignoreTruncation || s.owner->diagnostics.sqlState != "01S01") return rc;
    Record(s, SQL_ERROR);
    return SQL_ERROR;
}

}  // namespace

SQLRETURN AllocStatement(Statement& s) {
    // The handle is known only afterwards, so the line is written after the call.
    return Loop(
        s, Recording::Record, [](TraceLogger& log) { return log.StartTimer(); },
        [&] { return Api().AllocStmt(s.connection->hdbc, &s.hstmt); },
        [&](TraceLogger& log, SQLRETURN) {
            log.WriteHandle("Statement", s.hstmt, "Allocating", false);
            log.WriteText(" on Connection " + tracetext::Handle(s.connection->hdbc));
        });
}

SQLRETURN Prepare(Statement& s, const std::string& sql) {
    FreeStmtCall(s, SQL_RESET_PARAMS);
    s.resultColumns = false;
    return Loop(
        s, Recording::Record,
        [&](TraceLogger& log) { return Begin(log, s, "Preparing", " : " + sql); },
        [&] { return Api().Prepare(s.hstmt, Text(sql), SQL_NTS); });
}

SQLRETURN ExecuteDirect(Statement& s, const std::string& sql) {
    SQLRETURN rc = BindBeforeExecution(s);
    if (!SQL_SUCCEEDED(rc)) return rc;
    rc = Loop(
        s, Recording::Record, [&](TraceLogger& log) { return Begin(log, s, "Executing", ":" + sql); },
        [&] { return Api().ExecDirect(s.hstmt, Text(sql), SQL_NTS); });
    if (SQL_SUCCEEDED(rc)) s.cursorOpen = true;
    return rc;
}

SQLRETURN ExecutePrepared(Statement& s) {
    if (s.resultColumns) return SQL_SUCCESS;
    SQLRETURN rc = BindBeforeExecution(s);
    if (!SQL_SUCCEEDED(rc)) return rc;
    rc = Loop(
        s, Recording::Record, [&](TraceLogger& log) { return Begin(log, s, "Executing prepared"); },
        [&] { return Api().Execute(s.hstmt); });
    if (SQL_SUCCEEDED(rc)) s.cursorOpen = true;
    return rc;
}

SQLRETURN BindPendingParameters(Statement& s) {
    SQLRETURN rc = SQL_SUCCESS;
    for (const PendingBinding& b : s.pendingParameters) {
        const SQLSMALLINT sqlType = NarrowType(b.sqlType);
        const auto begin = [&](TraceLogger& log) {
            return Begin(log, s,
                         tracetext::BindParameterText(b.number, b.direction, b.cType,
                                                      b.bufferLength, sqlType, b.precision,
                                                      b.scale, b.indicator));
        };
        rc = Loop(s, Recording::Record, begin, [&] {
            if (Api().BindParameter != nullptr)
                return Api().BindParameter(s.hstmt, b.number, b.direction, b.cType, sqlType,
                                           b.precision, b.scale, b.buffer, b.bufferLength,
                                           b.indicator);
            return Api().SetParam(s.hstmt, b.number, b.cType, sqlType, b.precision, b.scale,
                                  b.buffer, b.indicator);
        });
        if (!SQL_SUCCEEDED(rc)) break;
    }
    s.pendingParameters.clear();
    return rc;
}

SQLRETURN BindPendingColumns(Statement& s) {
    SQLRETURN rc = SQL_SUCCESS;
    for (const PendingBinding& b : s.pendingColumns) {
        const auto begin = [&](TraceLogger& log) {
            return Begin(log, s,
                         "Binding Column " + std::to_string(b.number) + " to C type " +
                             tracetext::CType(b.cType, b.bufferLength) + " for");
        };
        rc = Loop(s, Recording::Record, begin, [&] {
            return Api().BindCol(s.hstmt, b.number, b.cType, b.buffer, b.bufferLength, b.indicator);
        });
        if (!SQL_SUCCEEDED(rc)) break;
    }
    s.pendingColumns.clear();
    return rc;
}

SQLRETURN ParamOptions(Statement& s, SQLULEN rows, SQLULEN* processed) {
    return Loop(
        s, Recording::Record,
        [&](TraceLogger& log) {
            return Begin(log, s, "Setting Parameter count to " + std::to_string(rows) + " for");
        },
        [&] { return Api().ParamOptions(s.hstmt, rows, processed); });
}

SQLRETURN ParamData(Statement& s, SQLPOINTER* token) {
    return Loop(
        s, Recording::Record,
        [&](TraceLogger& log) { return Begin(log, s, "Getting Required Data Column for"); },
        [&] { return Api().ParamData(s.hstmt, token); });
}

SQLRETURN PutData(Statement& s, SQLPOINTER data, SQLLEN length) {
    return Loop(
        s, Recording::Record, [&](TraceLogger& log) { return Begin(log, s, "Putting Data to"); },
        [&] { return Api().PutData(s.hstmt, data, length); });
}

SQLRETURN NumResultCols(Statement& s, SQLSMALLINT* columns) {
    const SQLRETURN rc = Loop(
        s, Recording::Record,
        [&](TraceLogger& log) { return Begin(log, s, "Getting Number of columns for"); },
        [&] { return Api().NumResultCols(s.hstmt, columns); });
    if (SQL_SUCCEEDED(rc)) s.resultColumns = true;
    return rc;
}

SQLRETURN DescribeColumn(Statement& s, SQLUSMALLINT column, SQLCHAR* name, SQLSMALLINT nameMax,
                         SQLSMALLINT* nameLength, SQLSMALLINT* sqlType, SQLULEN* size,
                         SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    return Loop(
        s, Recording::Record,
        [&](TraceLogger& log) {
            return Begin(log, s, "Describing Column " + std::to_string(column) + " for");
        },
        [&] {
            return Api().DescribeCol(s.hstmt, column, name, nameMax, nameLength, sqlType, size,
                                     digits, nullable);
        });
}

SQLRETURN ColumnAttribute(Statement& s, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER text,
                          SQLSMALLINT textMax, SQLSMALLINT* textLength, SQLLEN* number) {
    // Not recorded, but repeated while the raw result says still executing.
    TraceLogger* log = CallTrace(s);
    const long mark = log != nullptr ? Begin(*log, s, tracetext::ColAttributeText(field, column)) : 0;
    for (int i = 1;; ++i) {
        if (i > 1 && log != nullptr) log->WriteText(".");
        const SQLRETURN rc = Locked(s, [&] {
            return Api().ColAttributes(s.hstmt, column, field, text, textMax, textLength, number);
        });
        if (rc == SQL_STILL_EXECUTING) continue;
        if (log != nullptr) log->WriteTimeTaken(mark);
        return rc;
    }
}

SQLRETURN Columns(Statement& s, const std::string* schema, const std::string& table,
                  const std::string* column) {
    const bool mySql = s.DataSourceOf() != nullptr && s.DataSourceOf()->backend == backend::MySql;
    SQLCHAR* schemaText = schema != nullptr && !schema->empty() ? Text(*schema) : nullptr;
    SQLCHAR* columnText = column != nullptr && !(mySql && column->rfind('%', 0) == 0)
                              ? Text(*column)
                              : nullptr;
    const auto begin = [&](TraceLogger& log) {
        std::string what = "Getting columns for ";
        if (schemaText != nullptr) what += *schema + ".";
        return Begin(log, s, what + table + " using");
    };
    return Loop(s, Recording::Record, begin, [&] {
        return Api().Columns(s.hstmt, nullptr, 0, schemaText, schemaText ? SQL_NTS : 0,
                             Text(table), SQL_NTS, columnText, columnText ? SQL_NTS : 0);
    });
}

SQLRETURN GetTypeInfo(Statement& s, SQLSMALLINT sqlType) {
    return Loop(
        s, Recording::Record,
        [&](TraceLogger& log) { return Begin(log, s, "Getting Type Information with"); },
        [&] { return Api().GetTypeInfo(s.hstmt, sqlType); });
}

SQLRETURN Fetch(Statement& s) {
    SQLRETURN rc = BindPendingColumns(s);
    if (!SQL_SUCCEEDED(rc)) return rc;
    rc = Once(
        s, [&](TraceLogger& log) { return Begin(log, s, "Fetching Row from"); },
        [&] { return Api().Fetch(s.hstmt); }, ReturnCode{});
    if (rc == SQL_NO_DATA || rc == SQL_SUCCESS) return rc;
    if (rc == SQL_SUCCESS_WITH_INFO) return TruncationIsFailure(s, rc, false);
    Record(s, rc);
    return rc;
}

SQLRETURN ExtendedFetch(Statement& s, SQLUSMALLINT orientation, SQLLEN offset, SQLULEN* rows,
                        SQLUSMALLINT* status, bool ignoreTruncation) {
    SQLRETURN rc = BindPendingColumns(s);
    if (!SQL_SUCCEEDED(rc)) return rc;
    if (orientation == SQL_FETCH_FIRST) orientation = SQL_FETCH_NEXT;
    rc = Once(
        s,
        [&](TraceLogger& log) { return Begin(log, s, tracetext::ExtendedFetchText(orientation)); },
        [&] { return Api().ExtendedFetch(s.hstmt, orientation, offset, rows, status); },
        ReturnCode{});
    if (rc == SQL_NO_DATA || rc == SQL_SUCCESS) return rc;
    if (rc == SQL_SUCCESS_WITH_INFO) return TruncationIsFailure(s, rc, ignoreTruncation);
    Record(s, rc);
    return rc;
}

SQLRETURN GetData(Statement& s, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer,
                  SQLLEN bufferLength, SQLLEN* indicator) {
    return Loop(
        s, Recording::Record,
        [&](TraceLogger& log) {
            return Begin(log, s, "Getting Data for column " + std::to_string(column) + " from");
        },
        [&] { return Api().GetData(s.hstmt, column, cType, buffer, bufferLength, indicator); });
}

SQLRETURN RowCount(Statement& s, SQLLEN* rows) {
    return Loop(
        s, Recording::Record,
        [&](TraceLogger& log) { return Begin(log, s, "Number of rows effected by"); },
        [&] { return Api().RowCount(s.hstmt, rows); },
        [&](TraceLogger& log, SQLRETURN) { log.WriteText(" was " + std::to_string(*rows)); });
}

SQLRETURN GetStatementOption(Statement& s, SQLUSMALLINT option, SQLPOINTER value) {
    TraceLogger* log = CallTrace(s);
    const long mark = log != nullptr ? Begin(*log, s, tracetext::GetStmtOptionText(option)) : 0;
    for (int i = 1;; ++i) {
        if (i > 1 && log != nullptr) log->WriteText(".");
        const SQLRETURN rc = Locked(s, [&] { return Api().GetStmtOption(s.hstmt, option, value); });
        if (rc == SQL_STILL_EXECUTING && option != SQL_ASYNC_ENABLE) continue;
        if (log != nullptr) log->WriteTimeTaken(mark);
        return rc;
    }
}

SQLRETURN SetStatementOption(Statement& s, SQLUSMALLINT option, SQLULEN value,
                             bool recordErrors) {
    return Loop(
        s, recordErrors ? Recording::Record : Recording::DontRecord,
        [&](TraceLogger& log) { return Begin(log, s, tracetext::SetStmtOptionText(option, value)); },
        [&] { return Api().SetStmtOption(s.hstmt, option, value); }, NothingAfter{},
        option != SQL_ASYNC_ENABLE);
}

SQLRETURN CloseCursor(Statement& s) {
    s.cursorOpen = false;
    return FreeStmtCall(s, SQL_CLOSE);
}

SQLRETURN UnbindColumns(Statement& s) { return FreeStmtCall(s, SQL_UNBIND); }

SQLRETURN ResetParameters(Statement& s) { return FreeStmtCall(s, SQL_RESET_PARAMS); }

SQLRETURN FreeStatement(Statement& s) {
    const SQLRETURN rc = FreeStmtCall(s, SQL_DROP);
    s.hstmt = SQL_NULL_HSTMT;
    return rc;
}

}  // namespace dbprobe::odbc
