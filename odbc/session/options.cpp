#include "odbc/session/options.h"

#include <sqlext.h>

#include <cctype>
#include <climits>
#include <utility>

#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/backend.h"
#include "odbc/session/data_source.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/environment.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"

namespace dbprobe::odbc {
namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[i]) != Upper(prefix[i])) return false;
    return true;
}

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

// Only a value that begins with TRUE is true: "yes" and "1" are not.
bool TruthOf(std::string_view value) { return StartsWithNoCase(value, "TRUE"); }

std::string FlagText(bool value) { return value ? "TRUE" : "FALSE"; }

std::size_t Index(SourceSetting setting) { return static_cast<std::size_t>(setting); }

// A data source nobody connected: the defaults a file reports before it has one.
const DataSource& Defaults() {
    static const DataSource defaults;
    return defaults;
}

long ReadSource(const DataSource& source, SourceSetting setting) {
    switch (setting) {
        case SourceSetting::BindConstants: return source.bindConstants;
        case SourceSetting::BindColOrder: return source.bindColOrder;
        case SourceSetting::ClipStrings: return source.clipStrings;
        case SourceSetting::FastColumnFetch: return source.fastColumnFetch;
        case SourceSetting::ForceUpperCase: return static_cast<long>(source.forceUpperCase);
        case SourceSetting::IsolationLevel: return source.normalIsolation;
        case SourceSetting::JoinType: return source.joinType;
        case SourceSetting::LogonScreen: return source.logonScreen;
        case SourceSetting::Nesting: return source.nesting;
        case SourceSetting::UseInnerJoin: return source.useInnerJoin;
        case SourceSetting::MaxStatements: return static_cast<long>(source.capabilities.maxStatements);
        case SourceSetting::TransactionIsolation: return source.transactionIsolation;
        case SourceSetting::Count: break;
    }
    return 0;
}

void WriteSource(DataSource& source, const DriverState& file, SourceSetting setting, long value) {
    switch (setting) {
        case SourceSetting::BindConstants: source.bindConstants = value != 0; break;
        case SourceSetting::BindColOrder: source.bindColOrder = static_cast<int>(value); break;
        case SourceSetting::ClipStrings: source.clipStrings = value != 0; break;
        case SourceSetting::FastColumnFetch: source.fastColumnFetch = value != 0; break;
        // 1 asks for upper case, 0 for no conversion, in place of the server's answer.
        case SourceSetting::ForceUpperCase: source.forceUpperCase = value != 0; break;
        case SourceSetting::IsolationLevel:
            source.normalIsolation = value;
            // Inside a transaction frame the connections run at the transaction
            // level; COMMIT and ROLLBACK restore the normal one.
            if (source.capabilities.transactions && !(file.stateFlags & flag::LoggedOut))
                SetConnectionOption(source, SQL_TXN_ISOLATION, static_cast<SQLULEN>(value));
            break;
        case SourceSetting::JoinType: source.joinType = static_cast<int>(value); break;
        case SourceSetting::LogonScreen: source.logonScreen = value != 0; break;
        case SourceSetting::Nesting: source.nesting = static_cast<int>(value); break;
        case SourceSetting::UseInnerJoin: source.useInnerJoin = value != 0; break;
        case SourceSetting::MaxStatements: {
            const auto limit = static_cast<unsigned>(value);
            source.capabilities.maxStatements = limit;
            std::lock_guard guard(source.connectionsLock);
            for (const auto& connection : source.connections) connection->maxStatements = limit;
            break;
        }
        case SourceSetting::TransactionIsolation: source.transactionIsolation = value; break;
        case SourceSetting::Count: break;
    }
}

// --- The switch table.

struct SwitchContext {
    DriverState& file;
    SwitchOrigin origin;
    KeyState* key;
};

struct Switch {
    std::string_view name;
    std::string (*value)(const SwitchContext&);
    void (*set)(const SwitchContext&, std::string_view value);
    bool equalsRightAfterName = false;
    bool valueFromSixth = false;
};

template <bool FileOptions::*Member>
std::string FileFlag(const SwitchContext& c) {
    return FlagText(c.file.options.*Member);
}
template <bool FileOptions::*Member>
void SetFileFlag(const SwitchContext& c, std::string_view value) {
    c.file.options.*Member = TruthOf(value);
}

template <SourceSetting S>
std::string SourceFlag(const SwitchContext& c) {
    return FlagText(SourceSettingValue(c.file, S) == 1);
}
template <SourceSetting S>
void SetSourceFlag(const SwitchContext& c, std::string_view value) {
    SetSourceSetting(c.file, S, TruthOf(value) ? 1 : 0);
}

template <SourceSetting S>
std::string SourceNumber(const SwitchContext& c) {
    return std::to_string(SourceSettingValue(c.file, S));
}
template <SourceSetting S>
void SetSourceNumber(const SwitchContext& c, std::string_view value) {
    SetSourceSetting(c.file, S, DecimalValue(value));
}

constexpr std::pair<std::string_view, int> kJoinTypes[] = {
    {"MICROSOFT", jointype::Microsoft}, {"FIRSTSQL", jointype::FirstSql},
    {"DB2", jointype::Db2},             {"INNER", jointype::Inner},
    {"NONE", jointype::None},
};

std::string JoinTypeText(const SwitchContext& c) {
    const long type = SourceSettingValue(c.file, SourceSetting::JoinType);
    for (const auto& [name, number] : kJoinTypes)
        if (type == number) return std::string(name);
    return "WATCOM";
}

void SetJoinType(const SwitchContext& c, std::string_view value) {
    int type = jointype::Watcom;
    for (const auto& [name, number] : kJoinTypes)
        if (StartsWithNoCase(value, name)) type = number;
    SetSourceSetting(c.file, SourceSetting::JoinType, type);
}

std::string NestingText(const SwitchContext& c) {
    const long value = SourceSettingValue(c.file, SourceSetting::Nesting);
    if (value == nesting::False) return "FALSE";
    if (value == nesting::Partial) return "PARTIAL";
    return "TRUE";
}

void SetNesting(const SwitchContext& c, std::string_view value) {
    int level = nesting::True;
    if (StartsWithNoCase(value, "FALSE")) level = nesting::False;
    if (StartsWithNoCase(value, "PARTIAL")) level = nesting::Partial;
    SetSourceSetting(c.file, SourceSetting::Nesting, level);
}

std::string ZeroDateText(const SwitchContext& c) {
    const FileOptions& o = c.file.options;
    return o.zeroIsNull ? "NULL" : std::to_string(o.zeroDate);
}

void SetZeroDate(const SwitchContext& c, std::string_view value) {
    FileOptions& o = c.file.options;
    o.zeroIsNull = StartsWithNoCase(value, "NULL");
    o.zeroDate = 0;
    // Any other text keeps a zero date as it is.
    if (!o.zeroIsNull && !value.empty() && std::isdigit(static_cast<unsigned char>(value[0])))
        o.zeroDate = DecimalValue(value);
}

void SetZeroIsNull(const SwitchContext& c, std::string_view value) {
    c.file.options.zeroIsNull = TruthOf(value);
    c.file.options.zeroDate = 0;
}

std::string& HintOf(const SwitchContext& c) {
    if (c.origin == SwitchOrigin::KeyList && c.key != nullptr) return c.key->hint;
    return c.file.options.hint;
}

// The driver string sets the standing filter, a key's list the key's own, and
// a command the one-shot filter of the next read sequence.
std::string& WhereOf(const SwitchContext& c) {
    if (c.origin == SwitchOrigin::KeyList && c.key != nullptr) return c.key->where;
    if (c.origin == SwitchOrigin::Command) return c.file.options.oneShotWhere;
    return c.file.options.where;
}

const Switch kSwitches[] = {
    {"BINDCONSTANTS", SourceFlag<SourceSetting::BindConstants>,
     SetSourceFlag<SourceSetting::BindConstants>},
    {"BINDCOLORDER", SourceNumber<SourceSetting::BindColOrder>,
     SetSourceNumber<SourceSetting::BindColOrder>},
    {"BUSYHANDLING",
     [](const SwitchContext&) { return std::to_string(OdbcEnvironment::Ensure().busyHandling); },
     [](const SwitchContext&, std::string_view v) { SetBusyHandling(DecimalValue(v)); }},
    {"BUSYMESSAGE", [](const SwitchContext&) { return OdbcEnvironment::Ensure().busyMessage; },
     [](const SwitchContext&, std::string_view v) {
         OdbcEnvironment::Ensure().busyMessage = std::string(v);
     }},
    {"CLIPSTRINGS", SourceFlag<SourceSetting::ClipStrings>,
     SetSourceFlag<SourceSetting::ClipStrings>},
    {"FASTCOLUMNFETCH", SourceFlag<SourceSetting::FastColumnFetch>,
     SetSourceFlag<SourceSetting::FastColumnFetch>},
    {"FORCEUPPERCASE", SourceFlag<SourceSetting::ForceUpperCase>,
     SetSourceFlag<SourceSetting::ForceUpperCase>},
    {"GATHERATOPEN", FileFlag<&FileOptions::gatherAtOpen>, SetFileFlag<&FileOptions::gatherAtOpen>},
    {"HINT", [](const SwitchContext& c) { return HintOf(c); },
     [](const SwitchContext& c, std::string_view v) { HintOf(c) = std::string(v); }},
    {"IGNORETRUNCATION", FileFlag<&FileOptions::ignoreTruncation>,
     SetFileFlag<&FileOptions::ignoreTruncation>},
    {"ISOLATIONLEVEL", SourceNumber<SourceSetting::IsolationLevel>,
     SetSourceNumber<SourceSetting::IsolationLevel>},
    {"JOINTYPE", JoinTypeText, SetJoinType},
    {"LOGONSCREEN", SourceFlag<SourceSetting::LogonScreen>,
     SetSourceFlag<SourceSetting::LogonScreen>},
    {"NESTING", NestingText, SetNesting},
    {"NOVERIFY", FileFlag<&FileOptions::noVerify>, SetFileFlag<&FileOptions::noVerify>},
    {"NOPRIMARY", FileFlag<&FileOptions::noPrimary>, SetFileFlag<&FileOptions::noPrimary>, true},
    {"ODBCCALL", FileFlag<&FileOptions::odbcCall>, SetFileFlag<&FileOptions::odbcCall>},
    {"ORDERINSELECT", FileFlag<&FileOptions::orderInSelect>,
     SetFileFlag<&FileOptions::orderInSelect>},
    {"TURBOSQL", FileFlag<&FileOptions::noVerify>, SetFileFlag<&FileOptions::noVerify>},
    {"USEINNERJOIN", SourceFlag<SourceSetting::UseInnerJoin>,
     SetSourceFlag<SourceSetting::UseInnerJoin>},
    {"USEPRIMARY", FileFlag<&FileOptions::usePrimary>, SetFileFlag<&FileOptions::usePrimary>, true},
    {"VERIFYVIASELECT", FileFlag<&FileOptions::verifyViaSelect>,
     SetFileFlag<&FileOptions::verifyViaSelect>},
    {"WHERE", [](const SwitchContext& c) { return WhereOf(c); },
     [](const SwitchContext& c, std::string_view v) { WhereOf(c) = std::string(v); }, false, true},
    {"ZERODATE", ZeroDateText, SetZeroDate},
    {"ZEROISNULL", FileFlag<&FileOptions::zeroIsNull>, SetZeroIsNull},
};

// The switch's first letter selects the candidates; the text must begin with
// the candidate's whole name.
const Switch* FindSwitch(std::string_view text) {
    if (text.empty()) return nullptr;
    const char first = Upper(text.front());
    for (const Switch& s : kSwitches)
        if (s.name.front() == first && StartsWithNoCase(text, s.name)) return &s;
    return nullptr;
}

// --- Field switches.

struct FieldSwitch {
    std::string_view name;
    void (*apply)(FieldEntry&);
};

const FieldSwitch kFieldSwitches[] = {
    {"BINARY", [](FieldEntry& f) { f.binary = true; }},
    {"CHECKFORNULL", [](FieldEntry& f) { f.checkForNull = true; }},
    {"NOWHERE", [](FieldEntry& f) { f.noWhere = true; }},
    {"READONLY", [](FieldEntry& f) { f.access = 2; }},
    {"WRITABLE", [](FieldEntry& f) { f.access = 1; }},
    {"WATCH", [](FieldEntry& f) { f.watch = true; }},
    {"ZERONOTNULL", [](FieldEntry& f) { f.zeroNotNull = true; }},
};

void ApplyFieldSwitch(FieldEntry& field, std::string_view text) {
    if (text.empty()) return;
    const char first = Upper(text.front());
    for (const FieldSwitch& s : kFieldSwitches)
        if (s.name.front() == first && StartsWithNoCase(text, s.name)) {
            s.apply(field);
            return;
        }
}

}  // namespace

long DecimalValue(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        const int digit = c - '0';
        if (value > (LONG_MAX - digit) / 10) return negative ? LONG_MIN : LONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

void SetBusyHandling(long value) {
    OdbcEnvironment::Ensure().busyHandling = value >= 1 && value <= 4 ? static_cast<int>(value) : 0;
}

std::vector<std::string> SplitSwitchList(std::string_view list) {
    std::vector<std::string> pieces;
    std::string current;
    for (std::size_t i = 1; i < list.size(); ++i) {
        if (list[i] != '/') {
            current += list[i];
        } else if (i + 1 < list.size() && list[i + 1] == '/') {
            current += '/';
            ++i;
        } else if (!current.empty()) {
            pieces.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) pieces.push_back(std::move(current));
    return pieces;
}

std::string ApplySwitch(DriverState& file, std::string_view text, SwitchOrigin origin,
                        KeyState* key) {
    const Switch* s = FindSwitch(text);
    if (s == nullptr) return {};
    const SwitchContext context{file, origin, key};
    std::string before = s->value(context);

    std::string_view rest = text.substr(s->name.size());
    if (!s->equalsRightAfterName) rest = SkipBlanks(rest);
    if (rest.empty() || rest.front() != '=') return before;  // only asked for its value
    const std::string_view value =
        s->valueFromSixth ? (text.size() > 6 ? text.substr(6) : std::string_view())
                          : SkipBlanks(rest.substr(1));
    s->set(context, value);
    return before;
}

void ApplySwitchList(DriverState& file, std::string_view list, SwitchOrigin origin,
                     KeyState* key) {
    for (const std::string& piece : SplitSwitchList(list)) ApplySwitch(file, piece, origin, key);
}

void ApplyDriverString(DriverState& file) {
    if (file.driverString) ApplySwitchList(file, *file.driverString, SwitchOrigin::DriverString);
}

void ApplyFieldSwitches(DriverState& file) {
    file.watchedFields = 0;
    for (FieldEntry& field : file.fields) {
        const std::string& name = field.externalName;
        for (std::size_t bar = name.find('|'); bar != std::string::npos;) {
            const std::size_t next = name.find('|', bar + 1);
            const std::size_t end = next == std::string::npos ? name.size() : next;
            ApplyFieldSwitch(field, SkipBlanks(std::string_view(name).substr(bar + 1, end - bar - 1)));
            bar = next;
        }
        if (field.watch) ++file.watchedFields;
    }
}

void ApplyKeySwitches(DriverState& file, KeyState& key) {
    const std::size_t slash = key.externalName.find('/');
    key.sqlName = key.externalName.substr(0, slash);
    if (slash != std::string::npos)
        ApplySwitchList(file, std::string_view(key.externalName).substr(slash),
                        SwitchOrigin::KeyList, &key);
}

long SourceSettingValue(const DriverState& file, SourceSetting setting) {
    if (file.dataSource) return ReadSource(*file.dataSource, setting);
    if (const auto& pending = file.options.pendingSource[Index(setting)]) return *pending;
    if (setting == SourceSetting::LogonScreen) return file.logonScreen;
    return ReadSource(Defaults(), setting);
}

void SetSourceSetting(DriverState& file, SourceSetting setting, long value) {
    // The file's own value also reaches a data source it creates later.
    if (setting == SourceSetting::LogonScreen) file.logonScreen = value != 0;
    // No limit given reads like a server that answers 0.
    if (setting == SourceSetting::MaxStatements && value <= 0) value = 255;
    if (file.dataSource)
        WriteSource(*file.dataSource, file, setting, value);
    else
        file.options.pendingSource[Index(setting)] = value;
}

std::string IdentifierQuote(const DriverState& file) {
    if (file.dataSource) return file.dataSource->capabilities.identifierQuote;
    return file.options.pendingQuote.value_or(Defaults().capabilities.identifierQuote);
}

void SetIdentifierQuote(DriverState& file, std::string_view quote) {
    std::string text(quote.substr(0, 4));
    if (file.dataSource)
        file.dataSource->capabilities.identifierQuote = std::move(text);
    else
        file.options.pendingQuote = std::move(text);
}

void ApplyPendingSwitches(DriverState& file, DataSource& source) {
    FileOptions& o = file.options;
    for (std::size_t i = 0; i < kSourceSettings; ++i) {
        if (!o.pendingSource[i]) continue;
        WriteSource(source, file, static_cast<SourceSetting>(i), *o.pendingSource[i]);
        o.pendingSource[i].reset();
    }
    if (o.pendingQuote) {
        source.capabilities.identifierQuote = *o.pendingQuote;
        o.pendingQuote.reset();
    }
    // The structure check on this backend always goes through a SELECT.
    if (source.backend == backend::SqlAnywhere) o.verifyViaSelect = true;
}

int ExecuteOnMainStatement(DriverState& file, std::string_view text) {
    const std::string sql(SkipBlanks(text));
    int failure = EnsureStatement(file, file.mainStatement);
    if (failure == 0) {
        Statement& statement = *file.mainStatement.statement;
        // A result left by the previous command would refuse the next one.
        if (statement.cursorOpen) CloseCursor(statement);
        ExecuteDirect(statement, sql);
        failure = file.diagnostics.failure;
    }
    return MapResult(file, failure);
}

}  // namespace dbprobe::odbc
