#include "odbc/session/diagnostics.h"

#include <cstdio>
#include <strings.h>

#include "odbc/session/data_source.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement.h"
#include "odbc/session/trace_logger.h"

namespace dbprobe::odbc {
namespace {

constexpr int kMaxMessage = 511;
void (*g_busyYield)() = nullptr;

}  // namespace

std::string_view StripTags(std::string_view message) {
    while (!message.empty() && message.front() == '[') {
        const std::size_t close = message.find(']');
        if (close == std::string_view::npos) break;
        message.remove_prefix(close + 1);
    }
    return message;
}

void ForgetFailure(DriverState& state) { state.diagnostics.failure = failure::None; }

void RecordResult(DriverState& state, SQLRETURN rc, SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt) {
    OdbcFailure& d = state.diagnostics;
    // A call that is still executing or waits for data is not a failure: the
    // outcome of the call that completes it counts.
    if (d.failure == failure::StillExecuting || d.failure == failure::NeedData)
        d.failure = failure::None;
    if (rc == SQL_STILL_EXECUTING || rc == SQL_NEED_DATA) {
        if (d.failure == failure::None) d.failure = rc;
        return;
    }
    if (rc == SQL_SUCCESS) return;
    if (d.failure != failure::None) return;  // the first failure counts
    if (rc != SQL_SUCCESS_WITH_INFO) d.failure = failure::OdbcError;

    OdbcEnvironment* environment = OdbcEnvironment::Existing();
    if (environment != nullptr && environment->loaded) {
        SQLCHAR sqlState[6] = {0};
        SQLINTEGER native = 0;
        SQLCHAR message[kMaxMessage + 1] = {0};
        SQLSMALLINT length = 0;
        const SQLRETURN erc = environment->api.Error(env, dbc, stmt, sqlState, &native, message,
                                                     kMaxMessage, &length);
        // A failing SQLError leaves the previous diagnostics as they were.
        if (SQL_SUCCEEDED(erc)) {
            d.sqlState = reinterpret_cast<const char*>(sqlState);
            d.nativeError = native;
            d.message = reinterpret_cast<const char*>(message);
        }
    }
    if (d.sqlState.empty() || d.sqlState == "00000") {
        char code[16];
        std::snprintf(code, sizeof code, "r=%d", static_cast<int>(rc));
        d.sqlState = code;
    }
    if (TraceLogger* log = state.traceLog.get(); log != nullptr && log->TraceOn()) {
        log->EndLine();
        log->WriteText(rc == SQL_SUCCESS_WITH_INFO ? "Warning: " : "Error Occurred: ");
        log->WriteText(d.sqlState + " " + d.message, true);
    }
    if (rc != SQL_SUCCESS_WITH_INFO) SetFileError(d.sqlState, StripTags(d.message));
}

int MapResult(const DriverState& state, int code) {
    const OdbcFailure& d = state.diagnostics;
    if (d.failure != failure::None && strcasecmp(d.sqlState.c_str(), "S0011") == 0 &&
        d.nativeError == 5 && state.dataSource != nullptr &&
        state.dataSource->backend == backend::PervasiveSql)
        return err::CreatesDuplicateKey;
    if (code < 0) return err::FileSystemError;
    return code;
}

bool IsBusy(const Statement& statement, int value) {
    const DataSource* source = statement.DataSourceOf();
    const OdbcEnvironment* environment = OdbcEnvironment::Existing();
    if (source == nullptr || environment == nullptr) return false;
    if (source->busyHandling != 3) return false;
    if (value != failure::OdbcError && value != SQL_ERROR) return false;
    const OdbcFailure& d = statement.owner->diagnostics;
    if (d.sqlState != "S1000" || d.message != environment->busyMessage) return false;
    if (g_busyYield != nullptr) g_busyYield();
    return true;
}

void SetBusyYield(void (*yield)()) { g_busyYield = yield; }

}  // namespace dbprobe::odbc
