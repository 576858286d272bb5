#include "odbc/session/properties.h"

#include <algorithm>
#include <climits>

#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/backend.h"
#include "odbc/session/data_source.h"
#include "odbc/session/environment.h"
#include "odbc/session/options.h"
#include "odbc/session/session.h"
#include "odbc/session/trace_logger.h"

namespace dbprobe::odbc {
namespace {

// A property given as a number; none for a name.
std::optional<int> PropertyNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty() || text.size() > 9) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    return static_cast<int>(DecimalValue(text));
}

std::string Flag(bool on) { return on ? "1" : "0"; }

void SetBits(std::uint32_t& bits, std::uint32_t mask, bool on) {
    if (on)
        bits |= mask;
    else
        bits &= ~mask;
}

bool IsSqlServer(const DriverState& file) {
    if (!file.dataSource) return false;
    const int b = file.dataSource->backend;
    return b == backend::SqlServer5 || b == backend::SqlServer6 || b == backend::SqlServer7;
}

// One numbered property: how SET changes it (returning the error code) and
// what GET reads back.
struct Numbered {
    int number;
    int (*set)(DriverState& file, std::string_view value, std::int64_t index);
    std::string (*get)(DriverState& file, std::int64_t index);
};

template <SourceSetting S>
int SetSource(DriverState& file, std::string_view value, std::int64_t) {
    SetSourceSetting(file, S, DecimalValue(value));
    return 0;
}
template <SourceSetting S>
std::string GetSource(DriverState& file, std::int64_t) {
    return std::to_string(SourceSettingValue(file, S));
}

// The file's trace logger; a file may have none.
template <void (TraceLogger::*Change)(bool)>
int SetTraceFlag(DriverState& file, std::string_view value, std::int64_t) {
    if (file.traceLog) (file.traceLog.get()->*Change)(DecimalValue(value) != 0);
    return 0;
}

std::string Nothing(DriverState&, std::int64_t) { return {}; }

const Numbered kProperties[] = {
    {prop::ExecuteSql,
     [](DriverState& f, std::string_view v, std::int64_t) { return ExecuteOnMainStatement(f, v); },
     Nothing},
    {prop::LoginTimeout,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.loginTimeout = static_cast<std::uint32_t>(std::clamp<long>(DecimalValue(v), 0, INT_MAX));
         return 0;
     },
     [](DriverState& f, std::int64_t) { return std::to_string(f.loginTimeout); }},
    {prop::OrderInSelect,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.options.orderInSelect = DecimalValue(v) == 0;
         return 0;
     },
     [](DriverState& f, std::int64_t) { return std::string(f.options.orderInSelect ? "0" : "1"); }},
    // The trace logger reads LOGFILE only when it is created; afterwards the
    // switch parser passes it by.
    {prop::LogFileSwitch, [](DriverState&, std::string_view, std::int64_t) { return 0; }, Nothing},
    {prop::OneShotWhere,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.options.oneShotWhere = std::string(v);
         return 0;
     },
     [](DriverState& f, std::int64_t) { return f.options.oneShotWhere; }},
    {prop::OneShotHint,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.options.oneShotHint = std::string(v);
         return 0;
     },
     Nothing},
    {prop::IdentifierQuote,
     [](DriverState& f, std::string_view v, std::int64_t) {
         SetIdentifierQuote(f, v);
         return 0;
     },
     [](DriverState& f, std::int64_t) { return IdentifierQuote(f); }},
    {prop::SqlText,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.options.sqlText = std::string(v);
         return 0;
     },
     [](DriverState& f, std::int64_t) { return f.options.sqlText; }},
    // The data source and its connections stay for the other files.
    {prop::Detach,
     [](DriverState& f, std::string_view, std::int64_t) {
         ReleaseDataSource(f);
         f.invalidated = true;
         return 0;
     },
     Nothing},
    {prop::LogonScreen,
     [](DriverState& f, std::string_view v, std::int64_t) {
         SetSourceSetting(f, SourceSetting::LogonScreen, DecimalValue(v) != 0);
         return 0;
     },
     GetSource<SourceSetting::LogonScreen>},
    {prop::SqlServerFlag,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.options.sqlServerFlag = DecimalValue(v);
         return 0;
     },
     [](DriverState& f, std::int64_t) {
         return std::to_string(f.options.sqlServerFlag.value_or(IsSqlServer(f) ? 1 : 0));
     }},
    {prop::IsolationLevel, SetSource<SourceSetting::IsolationLevel>,
     GetSource<SourceSetting::IsolationLevel>},
    {prop::MaxStatements, SetSource<SourceSetting::MaxStatements>,
     GetSource<SourceSetting::MaxStatements>},
    {prop::StatementOption,
     [](DriverState& f, std::string_view v, std::int64_t index) {
         if (index >= 0 && index < static_cast<std::int64_t>(kStatementOptions))
             f.options.statementOptions[static_cast<std::size_t>(index)] = DecimalValue(v);
         return 0;
     },
     [](DriverState& f, std::int64_t index) {
         if (index < 0 || index >= static_cast<std::int64_t>(kStatementOptions)) return std::string();
         const auto& option = f.options.statementOptions[static_cast<std::size_t>(index)];
         return option ? std::to_string(*option) : std::string();
     }},
    {prop::TransactionIsolation, SetSource<SourceSetting::TransactionIsolation>,
     GetSource<SourceSetting::TransactionIsolation>},
    {prop::IgnoreTruncation,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.options.ignoreTruncation = DecimalValue(v) != 0;
         return 0;
     },
     [](DriverState& f, std::int64_t) { return Flag(f.options.ignoreTruncation); }},
    {prop::BusyHandling,
     [](DriverState&, std::string_view v, std::int64_t) {
         SetBusyHandling(DecimalValue(v));
         return 0;
     },
     [](DriverState&, std::int64_t) {
         return std::to_string(OdbcEnvironment::Ensure().busyHandling);
     }},
    {prop::BusyMessage,
     [](DriverState&, std::string_view v, std::int64_t) {
         OdbcEnvironment::Ensure().busyMessage = std::string(v);
         return 0;
     },
     [](DriverState&, std::int64_t) { return OdbcEnvironment::Ensure().busyMessage; }},
    {prop::BusyRetries,
     [](DriverState&, std::string_view v, std::int64_t) {
         OdbcEnvironment::Ensure().busyRetries =
             static_cast<int>(std::clamp<long>(DecimalValue(v), 0, INT_MAX));
         return 0;
     },
     [](DriverState&, std::int64_t) {
         return std::to_string(OdbcEnvironment::Ensure().busyRetries);
     }},
    {prop::Trace, SetTraceFlag<&TraceLogger::SetTraceOn>,
     [](DriverState& f, std::int64_t) { return Flag(f.traceLog && f.traceLog->TraceOn()); }},
    {prop::TraceLine,
     [](DriverState& f, std::string_view v, std::int64_t) {
         if (f.traceLog) f.traceLog->WriteLine(v);
         return 0;
     },
     Nothing},
    {prop::TraceFile,
     [](DriverState& f, std::string_view v, std::int64_t) {
         if (f.traceLog) f.traceLog->UseLogFile(v);
         return 0;
     },
     [](DriverState& f, std::int64_t) {
         return f.traceLog ? f.traceLog->LogFileName() : std::string();
     }},
    {prop::ProgressEvents,
     [](DriverState& f, std::string_view v, std::int64_t) {
         SetBits(f.stateFlags, flag::ProgressEvents, DecimalValue(v) != 0);
         return 0;
     },
     [](DriverState& f, std::int64_t) { return Flag(f.stateFlags & flag::ProgressEvents); }},
    {prop::Encrypt,
     [](DriverState& f, std::string_view v, std::int64_t) {
         std::uint32_t bits = f.fileAttributes;
         SetBits(bits, stateattr::ENCRYPT, DecimalValue(v) != 0);
         f.fileAttributes = static_cast<std::uint8_t>(bits);
         return 0;
     },
     [](DriverState& f, std::int64_t) { return Flag(f.fileAttributes & stateattr::ENCRYPT); }},
    // The three texts set here are no longer refreshed from the descriptor.
    {prop::DriverString,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.driverString = std::string(v);
         f.propertySet |= propset::DriverString;
         return 0;
     },
     [](DriverState& f, std::int64_t) { return f.driverString.value_or(""); }},
    {prop::Owner,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.owner = std::string(v);
         f.propertySet |= propset::Owner;
         return 0;
     },
     [](DriverState& f, std::int64_t) { return f.owner.value_or(""); }},
    {prop::Name,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.name = std::string(v);
         f.propertySet |= propset::Name;
         return 0;
     },
     [](DriverState& f, std::int64_t) { return f.name.value_or(""); }},
    {prop::TraceDetails, SetTraceFlag<&TraceLogger::SetDetailsOn>,
     [](DriverState& f, std::int64_t) { return Flag(f.traceLog && f.traceLog->DetailsOn()); }},
    {prop::FetchBlockSize,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.options.rowsPerFetch = static_cast<int>(std::clamp<long>(DecimalValue(v), 1, kMaxRowsPerFetch));
         return 0;
     },
     [](DriverState& f, std::int64_t) { return std::to_string(f.options.rowsPerFetch); }},
    {prop::BulkInsertSize,
     [](DriverState& f, std::string_view v, std::int64_t) {
         f.options.batchSize = static_cast<int>(std::clamp<long>(DecimalValue(v), 0, INT_MAX));
         return 0;
     },
     [](DriverState& f, std::int64_t) { return std::to_string(f.options.batchSize); }},
    {prop::TraceFlush, SetTraceFlag<&TraceLogger::SetFlushOn>, Nothing},
};

const Numbered* FindNumbered(std::string_view property) {
    const std::optional<int> number = PropertyNumber(property);
    if (!number) return nullptr;
    for (const Numbered& p : kProperties)
        if (p.number == *number) return &p;
    return nullptr;
}

}  // namespace

int SetPropertyValue(DriverState& file, const PropertyRequest& request) {
    int result = 0;
    std::optional<std::string> answer;
    if (DriverCommonProperty(file, request, result, answer)) return result;
    if (request.key != nullptr) return 0;  // the driver has no key properties of its own
    const Numbered* p = FindNumbered(request.property);
    return p == nullptr ? 0 : p->set(file, request.value.value_or(""), request.index);
}

std::string PropertyValue(DriverState& file, const PropertyRequest& request) {
    int result = 0;
    std::optional<std::string> answer;
    if (DriverCommonProperty(file, request, result, answer)) return answer.value_or("");
    if (request.key != nullptr) return {};
    const Numbered* p = FindNumbered(request.property);
    return p == nullptr ? std::string() : p->get(file, request.index);
}

}  // namespace dbprobe::odbc
