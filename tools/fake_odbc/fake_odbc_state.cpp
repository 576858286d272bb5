// Shared state and the control interface tests use to script the fake.

#include "fake_odbc_state.h"

#include "fake_odbc_control.h"

#include <cstring>

namespace fake_odbc {

State& state() {
    // Never destroyed: a caller's static destructors may still free their
    // handles at exit, after this library's own statics are gone.
    static State* const instance = new State;
    return *instance;
}

void State::reset() {
    stmts.clear();
    dbcs.clear();
    envs.clear();
    outcomes.clear();
    result_sets.clear();
    info_text = {
        {SQL_DRIVER_NAME, "libfake.so"},
        {SQL_DBMS_NAME, "Fake"},
        {SQL_IDENTIFIER_QUOTE_CHAR, "\""},
        {SQL_DRIVER_ODBC_VER, "03.52"},
        {SQL_OUTER_JOINS, "Y"},
    };
    info_number = {
        {SQL_ACTIVE_STATEMENTS, 0},
        {SQL_TXN_CAPABLE, 2},
    };
    unsupported_functions.clear();
    connect_options.clear();
    sqlerror_failures = 0;
    sqlerror_rc = SQL_ERROR;
    data_sources.clear();
    calls.clear();
    calls_snapshot.clear();
    call_counts.clear();
}

void State::record(const std::string& line) {
    calls += line;
    calls += '\n';
    ++call_counts[line.substr(0, line.find(' '))];
}

std::optional<Outcome> State::take(const char* function) {
    auto found = outcomes.find(function);
    if (found == outcomes.end() || found->second.empty()) return std::nullopt;
    Outcome outcome = std::move(found->second.front());
    found->second.pop_front();
    return outcome;
}

std::optional<ResultSet> State::take_result_set() {
    if (result_sets.empty()) return std::nullopt;
    ResultSet results = std::move(result_sets.front());
    result_sets.pop_front();
    return results;
}

namespace {

template <typename T>
T* find_handle(std::unordered_map<void*, std::unique_ptr<T>>& handles, void* handle) {
    auto found = handles.find(handle);
    return found == handles.end() ? nullptr : found->second.get();
}

}  // namespace

Env* State::env(SQLHENV handle) { return find_handle(envs, handle); }
Dbc* State::dbc(SQLHDBC handle) { return find_handle(dbcs, handle); }
Stmt* State::stmt(SQLHSTMT handle) { return find_handle(stmts, handle); }

void State::free_stmt(Stmt* statement) { stmts.erase(statement); }

void State::free_stmts_of(Dbc* connection) {
    for (auto it = stmts.begin(); it != stmts.end();) {
        if (it->second->dbc == connection)
            it = stmts.erase(it);
        else
            ++it;
    }
}

bool decides_alone(const Outcome& outcome) {
    return outcome.rc != SQL_SUCCESS && outcome.rc != SQL_SUCCESS_WITH_INFO;
}

SQLRETURN apply(Handle* handle, const Outcome& outcome) {
    if (handle) {
        if (outcome.rc != SQL_SUCCESS && outcome.rc != SQL_NO_DATA)
            handle->diagnostic = outcome.diagnostic;
        else
            handle->diagnostic.reset();
    }
    return outcome.rc;
}

SQLRETURN finish(Handle* handle, SQLRETURN healthy, const std::optional<Outcome>& outcome) {
    if (!outcome || !SQL_SUCCEEDED(healthy)) return healthy;
    return apply(handle, *outcome);
}

SQLRETURN post(Handle* handle, SQLRETURN rc, const char* sqlstate, const char* message) {
    if (handle) handle->diagnostic = Diagnostic{sqlstate, 0, message};
    return rc;
}

std::string text_arg(const SQLCHAR* text, SQLLEN length) {
    if (!text) return "(null)";
    const char* chars = reinterpret_cast<const char*>(text);
    if (length == SQL_NTS || length < 0) return std::string(chars);
    return std::string(chars, static_cast<std::size_t>(length));
}

bool copy_out(const std::string& value, SQLCHAR* buffer, SQLLEN capacity) {
    if (!buffer) return false;
    if (capacity <= 0) return true;
    std::size_t n = value.size();
    bool truncated = false;
    if (n >= static_cast<std::size_t>(capacity)) {
        n = static_cast<std::size_t>(capacity) - 1;
        truncated = true;
    }
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return truncated;
}

}  // namespace fake_odbc

using fake_odbc::state;

FAKE_ODBC_EXPORT void fake_odbc_reset(void) {
    std::lock_guard lock(state().mutex);
    state().reset();
}

FAKE_ODBC_EXPORT void fake_odbc_push(const char* function, int rc, const char* sqlstate, int native,
                                     const char* message, int count) {
    if (!function) return;
    std::lock_guard lock(state().mutex);
    fake_odbc::Outcome outcome;
    outcome.rc = static_cast<SQLRETURN>(rc);
    if (sqlstate)
        outcome.diagnostic = fake_odbc::Diagnostic{sqlstate, native, message ? message : ""};
    auto& queue = state().outcomes[function];
    for (int i = 0; i < count; ++i) queue.push_back(outcome);
}

FAKE_ODBC_EXPORT void fake_odbc_set_info_text(int info_type, const char* value) {
    std::lock_guard lock(state().mutex);
    state().info_text[info_type] = value ? value : "";
}

FAKE_ODBC_EXPORT void fake_odbc_set_info_number(int info_type, long value) {
    std::lock_guard lock(state().mutex);
    state().info_number[info_type] = value;
}

FAKE_ODBC_EXPORT void fake_odbc_set_function_supported(int api, int supported) {
    std::lock_guard lock(state().mutex);
    if (supported)
        state().unsupported_functions.erase(api);
    else
        state().unsupported_functions.insert(api);
}

FAKE_ODBC_EXPORT void fake_odbc_set_connect_option(int option, long value) {
    std::lock_guard lock(state().mutex);
    state().connect_options[option] = value;
}

FAKE_ODBC_EXPORT void fake_odbc_fail_sqlerror(int count, int rc) {
    std::lock_guard lock(state().mutex);
    state().sqlerror_failures = count > 0 ? count : 0;
    state().sqlerror_rc = static_cast<SQLRETURN>(rc);
}

FAKE_ODBC_EXPORT void fake_odbc_queue_result_set(int columns, const char* const* names, int rows,
                                                 const char* const* cells) {
    std::lock_guard lock(state().mutex);
    fake_odbc::ResultSet results;
    for (int c = 0; c < columns; ++c)
        results.names.emplace_back(names && names[c] ? names[c] : "");
    for (int r = 0; r < rows; ++r) {
        std::vector<fake_odbc::Cell> row;
        for (int c = 0; c < columns; ++c) {
            const char* cell = cells ? cells[r * columns + c] : nullptr;
            row.push_back(cell ? fake_odbc::Cell(cell) : std::nullopt);
        }
        results.rows.push_back(std::move(row));
    }
    state().result_sets.push_back(std::move(results));
}

FAKE_ODBC_EXPORT void fake_odbc_add_data_source(const char* name, const char* description) {
    std::lock_guard lock(state().mutex);
    state().data_sources.emplace_back(name ? name : "", description ? description : "");
}

FAKE_ODBC_EXPORT const char* fake_odbc_calls(void) {
    std::lock_guard lock(state().mutex);
    state().calls_snapshot = state().calls;
    return state().calls_snapshot.c_str();
}

FAKE_ODBC_EXPORT int fake_odbc_call_count(const char* function) {
    if (!function) return 0;
    std::lock_guard lock(state().mutex);
    auto found = state().call_counts.find(function);
    return found == state().call_counts.end() ? 0 : found->second;
}
