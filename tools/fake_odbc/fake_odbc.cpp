// The ODBC functions the driver resolves. Each one records its call, then
// either plays the next scripted outcome for its name or behaves like a
// healthy driver manager with one driver.
//
// Build variants leave out single functions so the driver's all-or-nothing
// load can be exercised: FAKE_ODBC_OMIT_SQLTABLES, FAKE_ODBC_OMIT_SQLBINDPARAMETER.

#include "fake_odbc_state.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <string>

using namespace fake_odbc;

namespace {

using Lock = std::lock_guard<std::mutex>;

std::string num(long long value) { return std::to_string(value); }

// ---- result cells ---------------------------------------------------------

bool supported_c_type(SQLSMALLINT c_type) {
    switch (c_type) {
    case SQL_C_CHAR:
    case SQL_C_DEFAULT:
    case SQL_C_BINARY:
    case SQL_C_SLONG:
    case SQL_C_LONG:
    case SQL_C_ULONG:
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
    case SQL_C_USHORT:
        return true;
    default:
        return false;
    }
}

// Size of one array element when a column is bound for a rowset column-wise.
SQLLEN element_size(SQLSMALLINT c_type, SQLLEN buffer_length) {
    switch (c_type) {
    case SQL_C_SLONG:
    case SQL_C_LONG:
    case SQL_C_ULONG:
        return sizeof(SQLINTEGER);
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
    case SQL_C_USHORT:
        return sizeof(SQLSMALLINT);
    default:
        return buffer_length;
    }
}

template <typename T>
SQLRETURN put_integer(Stmt& st, const std::string& text, SQLPOINTER value, SQLLEN* indicator) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    long long parsed = 0;
    bool ok = false;
    if (begin != std::string::npos) {
        const char* first = text.data() + begin;
        const char* last = text.data() + end + 1;
        if (*first == '+') ++first;
        auto [ptr, ec] = std::from_chars(first, last, parsed);
        ok = ec == std::errc() && ptr == last;
    }
    if (!ok) return post(&st, SQL_ERROR, "22018", "Invalid character value for cast");
    if (parsed < static_cast<long long>(std::numeric_limits<T>::min()) ||
        parsed > static_cast<long long>(std::numeric_limits<T>::max()))
        return post(&st, SQL_ERROR, "22003", "Numeric value out of range");
    T converted = static_cast<T>(parsed);
    if (value) std::memcpy(value, &converted, sizeof converted);
    if (indicator) *indicator = sizeof converted;
    return SQL_SUCCESS;
}

// Writes `cell` from byte `offset` on as `c_type`. `delivered` receives the
// bytes of text handed over, so that piecewise SQLGetData can continue.
SQLRETURN put_cell(Stmt& st, const Cell& cell, std::size_t offset, SQLSMALLINT c_type,
                   SQLPOINTER value, SQLLEN buffer_length, SQLLEN* indicator,
                   std::size_t* delivered) {
    if (delivered) *delivered = 0;
    if (!cell) {
        if (!indicator)
            return post(&st, SQL_ERROR, "22002", "Indicator variable required but not supplied");
        *indicator = SQL_NULL_DATA;
        return SQL_SUCCESS;
    }
    switch (c_type) {
    case SQL_C_CHAR:
    case SQL_C_DEFAULT: {
        std::string rest = cell->substr(std::min(offset, cell->size()));
        if (indicator) *indicator = static_cast<SQLLEN>(rest.size());
        bool truncated = copy_out(rest, static_cast<SQLCHAR*>(value), buffer_length);
        if (!truncated) {
            if (delivered) *delivered = rest.size();
            return SQL_SUCCESS;
        }
        if (delivered) *delivered = buffer_length > 0 ? static_cast<std::size_t>(buffer_length - 1) : 0;
        return post(&st, SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated");
    }
    case SQL_C_BINARY: {
        std::string rest = cell->substr(std::min(offset, cell->size()));
        if (indicator) *indicator = static_cast<SQLLEN>(rest.size());
        std::size_t room = buffer_length > 0 ? static_cast<std::size_t>(buffer_length) : 0;
        std::size_t n = std::min(rest.size(), room);
        if (value && n) std::memcpy(value, rest.data(), n);
        if (delivered) *delivered = n;
        if (n < rest.size())
            return post(&st, SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated");
        return SQL_SUCCESS;
    }
    case SQL_C_SLONG:
    case SQL_C_LONG:
        return put_integer<SQLINTEGER>(st, *cell, value, indicator);
    case SQL_C_ULONG:
        return put_integer<SQLUINTEGER>(st, *cell, value, indicator);
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
        return put_integer<SQLSMALLINT>(st, *cell, value, indicator);
    case SQL_C_USHORT:
        return put_integer<SQLUSMALLINT>(st, *cell, value, indicator);
    default:
        return post(&st, SQL_ERROR, "HY003", "Program type out of range");
    }
}

SQLRETURN worse(SQLRETURN a, SQLRETURN b) {
    if (a == SQL_ERROR || b == SQL_ERROR) return SQL_ERROR;
    if (a == SQL_SUCCESS_WITH_INFO || b == SQL_SUCCESS_WITH_INFO) return SQL_SUCCESS_WITH_INFO;
    return SQL_SUCCESS;
}

// Fills the bound columns of result row `row` into rowset slot `slot`.
SQLRETURN fill_row(Stmt& st, std::size_t row, std::size_t slot) {
    const auto& cells = st.results->rows[row];
    SQLULEN bind_type = st.options.count(SQL_BIND_TYPE) ? st.options[SQL_BIND_TYPE] : SQL_BIND_BY_COLUMN;
    SQLRETURN rc = SQL_SUCCESS;
    for (const auto& [column, binding] : st.columns) {
        if (column == 0) continue;  // bookmarks are not offered
        if (column > cells.size()) {
            rc = worse(rc, post(&st, SQL_ERROR, "07009", "Invalid descriptor index"));
            continue;
        }
        char* value = static_cast<char*>(binding.value);
        SQLLEN* indicator = binding.indicator;
        if (bind_type == SQL_BIND_BY_COLUMN) {
            if (value) value += slot * element_size(binding.c_type, binding.buffer_length);
            if (indicator) indicator += slot;
        } else {
            if (value) value += slot * bind_type;
            if (indicator)
                indicator = reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(indicator) + slot * bind_type);
        }
        rc = worse(rc, put_cell(st, cells[column - 1], 0, binding.c_type, value,
                                binding.buffer_length, indicator, nullptr));
    }
    return rc;
}

void start_row(Stmt& st, long row) {
    st.row = row;
    st.get_data_offset.clear();
    st.get_data_done.clear();
}

void attach(Stmt& st, std::optional<ResultSet> results) {
    st.results = std::move(results);
    start_row(st, -1);
}

void close_cursor(Stmt& st) {
    attach(st, std::nullopt);
    st.need_data = false;
    st.data_at_exec.clear();
    st.receiving.reset();
}

// ---- execution ------------------------------------------------------------

bool data_at_exec(const ParamBinding& param) {
    return param.indicator &&
           (*param.indicator == SQL_DATA_AT_EXEC || *param.indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET);
}

SQLRETURN execute(Stmt& st) {
    close_cursor(st);
    for (const auto& [number, param] : st.params) {
        if (data_at_exec(param)) st.data_at_exec.push_back(number);
    }
    if (!st.data_at_exec.empty()) {
        st.need_data = true;
        return SQL_NEED_DATA;
    }
    attach(st, st.prepared && st.prepared_results ? st.prepared_results : state().take_result_set());
    return SQL_SUCCESS;
}

SQLRETURN catalog(Stmt& st, const char* function) {
    close_cursor(st);
    auto results = state().take_result_set();
    attach(st, results ? std::move(results) : catalog_result(function));
    return SQL_SUCCESS;
}

// The common frame of functions on a statement handle.
template <typename Work>
SQLRETURN on_stmt(SQLHSTMT handle, const char* function, Work work) {
    Stmt* st = state().stmt(handle);
    if (!st) return SQL_INVALID_HANDLE;
    auto outcome = state().take(function);
    if (outcome && decides_alone(*outcome)) return apply(st, *outcome);
    return finish(st, work(*st), outcome);
}

template <typename Work>
SQLRETURN on_dbc(SQLHDBC handle, const char* function, Work work) {
    Dbc* dbc = state().dbc(handle);
    if (!dbc) return SQL_INVALID_HANDLE;
    auto outcome = state().take(function);
    if (outcome && decides_alone(*outcome)) return apply(dbc, *outcome);
    return finish(dbc, work(*dbc), outcome);
}

SQLRETURN on_catalog(SQLHSTMT handle, const char* function, const std::string& args) {
    state().record(std::string(function) + " " + args);
    return on_stmt(handle, function, [&](Stmt& st) { return catalog(st, function); });
}

SQLRETURN no_result_set(Stmt& st) {
    return post(&st, SQL_ERROR, "24000", "Invalid cursor state");
}

}  // namespace

// ---- environment and connection -------------------------------------------

FAKE_ODBC_EXPORT SQLRETURN SQLAllocEnv(SQLHENV* env_out) {
    Lock lock(state().mutex);
    state().record("SQLAllocEnv");
    auto outcome = state().take("SQLAllocEnv");
    if (outcome && decides_alone(*outcome)) {
        if (env_out) *env_out = SQL_NULL_HENV;
        return apply(nullptr, *outcome);
    }
    if (!env_out) return SQL_ERROR;
    auto env = std::make_unique<Env>();
    Env* raw = env.get();
    state().envs.emplace(raw, std::move(env));
    *env_out = raw;
    return finish(raw, SQL_SUCCESS, outcome);
}

FAKE_ODBC_EXPORT SQLRETURN SQLAllocConnect(SQLHENV env_handle, SQLHDBC* dbc_out) {
    Lock lock(state().mutex);
    state().record("SQLAllocConnect");
    Env* env = state().env(env_handle);
    if (!env) return SQL_INVALID_HANDLE;
    auto outcome = state().take("SQLAllocConnect");
    if (outcome && decides_alone(*outcome)) {
        if (dbc_out) *dbc_out = SQL_NULL_HDBC;
        return apply(env, *outcome);
    }
    if (!dbc_out) return post(env, SQL_ERROR, "HY009", "Invalid use of null pointer");
    auto dbc = std::make_unique<Dbc>();
    Dbc* raw = dbc.get();
    raw->env = env;
    state().dbcs.emplace(raw, std::move(dbc));
    *dbc_out = raw;
    return finish(env, SQL_SUCCESS, outcome);
}

FAKE_ODBC_EXPORT SQLRETURN SQLAllocStmt(SQLHDBC dbc_handle, SQLHSTMT* stmt_out) {
    Lock lock(state().mutex);
    state().record("SQLAllocStmt");
    Dbc* dbc = state().dbc(dbc_handle);
    if (!dbc) return SQL_INVALID_HANDLE;
    auto outcome = state().take("SQLAllocStmt");
    if (outcome && decides_alone(*outcome)) {
        if (stmt_out) *stmt_out = SQL_NULL_HSTMT;
        return apply(dbc, *outcome);
    }
    if (!stmt_out) return post(dbc, SQL_ERROR, "HY009", "Invalid use of null pointer");
    if (!dbc->connected) {
        *stmt_out = SQL_NULL_HSTMT;
        return post(dbc, SQL_ERROR, "08003", "Connection not open");
    }
    auto stmt = std::make_unique<Stmt>();
    Stmt* raw = stmt.get();
    raw->dbc = dbc;
    state().stmts.emplace(raw, std::move(stmt));
    *stmt_out = raw;
    return finish(dbc, SQL_SUCCESS, outcome);
}

FAKE_ODBC_EXPORT SQLRETURN SQLFreeEnv(SQLHENV env_handle) {
    Lock lock(state().mutex);
    state().record("SQLFreeEnv");
    Env* env = state().env(env_handle);
    if (!env) return SQL_INVALID_HANDLE;
    auto outcome = state().take("SQLFreeEnv");
    if (outcome && decides_alone(*outcome)) return apply(env, *outcome);
    for (const auto& [key, dbc] : state().dbcs) {
        if (dbc->env == env) return post(env, SQL_ERROR, "HY010", "Function sequence error");
    }
    state().envs.erase(env);
    return finish(nullptr, SQL_SUCCESS, outcome);
}

FAKE_ODBC_EXPORT SQLRETURN SQLFreeConnect(SQLHDBC dbc_handle) {
    Lock lock(state().mutex);
    state().record("SQLFreeConnect");
    Dbc* dbc = state().dbc(dbc_handle);
    if (!dbc) return SQL_INVALID_HANDLE;
    auto outcome = state().take("SQLFreeConnect");
    if (outcome && decides_alone(*outcome)) return apply(dbc, *outcome);
    if (dbc->connected) return post(dbc, SQL_ERROR, "HY010", "Function sequence error");
    state().free_stmts_of(dbc);
    state().dbcs.erase(dbc);
    return finish(nullptr, SQL_SUCCESS, outcome);
}

FAKE_ODBC_EXPORT SQLRETURN SQLConnect(SQLHDBC dbc_handle, SQLCHAR* server, SQLSMALLINT server_length,
                                      SQLCHAR* user, SQLSMALLINT user_length, SQLCHAR* password,
                                      SQLSMALLINT password_length) {
    Lock lock(state().mutex);
    state().record("SQLConnect " + text_arg(server, server_length) + " " + text_arg(user, user_length) +
                   " " + text_arg(password, password_length));
    return on_dbc(dbc_handle, "SQLConnect", [](Dbc& dbc) {
        if (dbc.connected) return post(&dbc, SQL_ERROR, "08002", "Connection name in use");
        dbc.connected = true;
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLDriverConnect(SQLHDBC dbc_handle, SQLHWND, SQLCHAR* in, SQLSMALLINT in_length,
                                            SQLCHAR* out, SQLSMALLINT out_max, SQLSMALLINT* out_length,
                                            SQLUSMALLINT completion) {
    Lock lock(state().mutex);
    std::string text = text_arg(in, in_length);
    state().record("SQLDriverConnect " + text + " completion=" + num(completion));
    return on_dbc(dbc_handle, "SQLDriverConnect", [&](Dbc& dbc) {
        if (dbc.connected) return post(&dbc, SQL_ERROR, "08002", "Connection name in use");
        if (!in) text.clear();
        dbc.connected = true;
        if (out_length) *out_length = static_cast<SQLSMALLINT>(text.size());
        if (copy_out(text, out, out_max))
            return post(&dbc, SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated");
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLDisconnect(SQLHDBC dbc_handle) {
    Lock lock(state().mutex);
    state().record("SQLDisconnect");
    return on_dbc(dbc_handle, "SQLDisconnect", [](Dbc& dbc) {
        if (!dbc.connected) return post(&dbc, SQL_ERROR, "08003", "Connection not open");
        // Disconnecting frees the connection's statements.
        state().free_stmts_of(&dbc);
        dbc.connected = false;
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLDataSources(SQLHENV env_handle, SQLUSMALLINT direction, SQLCHAR* name,
                                          SQLSMALLINT name_max, SQLSMALLINT* name_length,
                                          SQLCHAR* description, SQLSMALLINT description_max,
                                          SQLSMALLINT* description_length) {
    Lock lock(state().mutex);
    state().record("SQLDataSources " + num(direction));
    Env* env = state().env(env_handle);
    if (!env) return SQL_INVALID_HANDLE;
    auto outcome = state().take("SQLDataSources");
    if (outcome && decides_alone(*outcome)) return apply(env, *outcome);
    std::size_t index = 0;
    switch (direction) {
    case SQL_FETCH_FIRST:
    case SQL_FETCH_FIRST_USER:
    case SQL_FETCH_FIRST_SYSTEM:
        index = 0;
        break;
    case SQL_FETCH_NEXT:
        index = env->next_source;
        break;
    default:
        return post(env, SQL_ERROR, "HY103", "Invalid retrieval code");
    }
    const auto& sources = state().data_sources;
    if (index >= sources.size()) {
        env->next_source = 0;  // the next SQL_FETCH_NEXT starts over
        return SQL_NO_DATA;
    }
    env->next_source = index + 1;
    const auto& [source, text] = sources[index];
    if (name_length) *name_length = static_cast<SQLSMALLINT>(source.size());
    if (description_length) *description_length = static_cast<SQLSMALLINT>(text.size());
    bool truncated = copy_out(source, name, name_max);
    truncated = copy_out(text, description, description_max) || truncated;
    SQLRETURN rc = truncated ? post(env, SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated")
                             : SQLRETURN(SQL_SUCCESS);
    return finish(env, rc, outcome);
}

FAKE_ODBC_EXPORT SQLRETURN SQLGetInfo(SQLHDBC dbc_handle, SQLUSMALLINT info_type, SQLPOINTER value,
                                      SQLSMALLINT buffer_length, SQLSMALLINT* string_length) {
    Lock lock(state().mutex);
    state().record("SQLGetInfo " + num(info_type));
    return on_dbc(dbc_handle, "SQLGetInfo", [&](Dbc& dbc) {
        const auto& texts = state().info_text;
        const auto& numbers = state().info_number;
        auto text = texts.find(info_type);
        auto number = numbers.find(info_type);
        InfoKind kind = info_kind(info_type);
        // An info type of the driver's own, configured as text, answers as text.
        if (kind == InfoKind::U32 && text != texts.end() && number == numbers.end()) kind = InfoKind::Text;
        if (kind == InfoKind::Text) {
            std::string answer = text != texts.end()       ? text->second
                                 : number != numbers.end() ? num(number->second)
                                                           : std::string();
            if (string_length) *string_length = static_cast<SQLSMALLINT>(answer.size());
            if (copy_out(answer, static_cast<SQLCHAR*>(value), buffer_length))
                return post(&dbc, SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated");
            return SQLRETURN(SQL_SUCCESS);
        }
        long answer = number != numbers.end() ? number->second
                      : text != texts.end()   ? std::strtol(text->second.c_str(), nullptr, 0)
                                              : 0;
        if (!value) return SQLRETURN(SQL_SUCCESS);
        std::size_t width = 0;
        switch (kind) {
        case InfoKind::U16: {
            auto v = static_cast<SQLUSMALLINT>(answer);
            std::memcpy(value, &v, width = sizeof v);
            break;
        }
        case InfoKind::Pointer: {
            auto v = static_cast<SQLULEN>(answer);
            std::memcpy(value, &v, width = sizeof v);
            break;
        }
        default: {
            auto v = static_cast<SQLUINTEGER>(answer);
            std::memcpy(value, &v, width = sizeof v);
            break;
        }
        }
        if (string_length) *string_length = static_cast<SQLSMALLINT>(width);
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLGetFunctions(SQLHDBC dbc_handle, SQLUSMALLINT function, SQLUSMALLINT* supported) {
    Lock lock(state().mutex);
    state().record("SQLGetFunctions " + num(function));
    return on_dbc(dbc_handle, "SQLGetFunctions", [&](Dbc& dbc) {
        if (!supported) return post(&dbc, SQL_ERROR, "HY009", "Invalid use of null pointer");
        const auto& off = state().unsupported_functions;
        auto on = [&](int id) { return off.count(id) == 0; };
        if (function == SQL_API_ALL_FUNCTIONS) {
            for (int id = 0; id < 100; ++id) supported[id] = on(id) ? SQL_TRUE : SQL_FALSE;
        } else if (function == SQL_API_ODBC3_ALL_FUNCTIONS) {
            for (int word = 0; word < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE; ++word) {
                SQLUSMALLINT bits = 0;
                for (int bit = 0; bit < 16; ++bit) {
                    if (on(word * 16 + bit)) bits = static_cast<SQLUSMALLINT>(bits | (1u << bit));
                }
                supported[word] = bits;
            }
        } else {
            *supported = on(function) ? SQL_TRUE : SQL_FALSE;
        }
        return SQLRETURN(SQL_SUCCESS);
    });
}

namespace {

bool text_connect_option(SQLUSMALLINT option) {
    return option == SQL_CURRENT_QUALIFIER || option == SQL_OPT_TRACEFILE || option == SQL_TRANSLATE_DLL;
}

}  // namespace

FAKE_ODBC_EXPORT SQLRETURN SQLGetConnectOption(SQLHDBC dbc_handle, SQLUSMALLINT option, SQLPOINTER value) {
    Lock lock(state().mutex);
    auto found = state().connect_options.find(option);
    long answer = found == state().connect_options.end() ? 0 : found->second;
    state().record("SQLGetConnectOption " + num(option) + " " + num(answer));
    return on_dbc(dbc_handle, "SQLGetConnectOption", [&](Dbc&) {
        if (!value) return SQLRETURN(SQL_SUCCESS);
        if (text_connect_option(option)) {
            *static_cast<SQLCHAR*>(value) = '\0';
        } else {
            // ODBC 2 options are 32-bit values.
            auto v = static_cast<SQLUINTEGER>(answer);
            std::memcpy(value, &v, sizeof v);
        }
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLSetConnectOption(SQLHDBC dbc_handle, SQLUSMALLINT option, SQLULEN value) {
    Lock lock(state().mutex);
    state().record("SQLSetConnectOption " + num(option) + " " + num(static_cast<long long>(value)));
    return on_dbc(dbc_handle, "SQLSetConnectOption", [](Dbc&) { return SQLRETURN(SQL_SUCCESS); });
}

FAKE_ODBC_EXPORT SQLRETURN SQLTransact(SQLHENV env_handle, SQLHDBC dbc_handle, SQLUSMALLINT completion) {
    Lock lock(state().mutex);
    state().record("SQLTransact " + num(completion));
    Handle* handle = dbc_handle ? static_cast<Handle*>(state().dbc(dbc_handle))
                                : static_cast<Handle*>(state().env(env_handle));
    if (!handle) return SQL_INVALID_HANDLE;
    auto outcome = state().take("SQLTransact");
    if (outcome && decides_alone(*outcome)) return apply(handle, *outcome);
    if (completion != SQL_COMMIT && completion != SQL_ROLLBACK)
        return post(handle, SQL_ERROR, "HY012", "Invalid transaction operation code");
    return finish(handle, SQL_SUCCESS, outcome);
}

FAKE_ODBC_EXPORT SQLRETURN SQLError(SQLHENV env_handle, SQLHDBC dbc_handle, SQLHSTMT stmt_handle,
                                    SQLCHAR* sqlstate, SQLINTEGER* native, SQLCHAR* message,
                                    SQLSMALLINT message_max, SQLSMALLINT* message_length) {
    Lock lock(state().mutex);
    State& s = state();
    s.record(std::string("SQLError ") + (stmt_handle ? "stmt" : dbc_handle ? "dbc" : env_handle ? "env" : "none"));
    if (s.sqlerror_failures > 0) {
        --s.sqlerror_failures;
        return s.sqlerror_rc;
    }
    // A scripted SQLError outcome fails the same way: outputs untouched.
    if (auto outcome = s.take("SQLError")) return outcome->rc;
    Handle* handle = stmt_handle  ? static_cast<Handle*>(s.stmt(stmt_handle))
                     : dbc_handle ? static_cast<Handle*>(s.dbc(dbc_handle))
                     : env_handle ? static_cast<Handle*>(s.env(env_handle))
                                  : nullptr;
    if (!handle) return SQL_INVALID_HANDLE;
    if (!handle->diagnostic) return SQL_NO_DATA;
    Diagnostic diagnostic = std::move(*handle->diagnostic);
    handle->diagnostic.reset();
    if (sqlstate) copy_out(diagnostic.sqlstate.substr(0, 5), sqlstate, 6);
    if (native) *native = diagnostic.native;
    if (message_length) *message_length = static_cast<SQLSMALLINT>(diagnostic.message.size());
    return copy_out(diagnostic.message, message, message_max) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

// ---- statements ------------------------------------------------------------

FAKE_ODBC_EXPORT SQLRETURN SQLFreeStmt(SQLHSTMT stmt_handle, SQLUSMALLINT option) {
    Lock lock(state().mutex);
    state().record("SQLFreeStmt " + num(option));
    Stmt* st = state().stmt(stmt_handle);
    if (!st) return SQL_INVALID_HANDLE;
    auto outcome = state().take("SQLFreeStmt");
    if (outcome && decides_alone(*outcome)) return apply(st, *outcome);
    switch (option) {
    case SQL_CLOSE:
        close_cursor(*st);
        break;
    case SQL_DROP:
        state().free_stmt(st);
        return finish(nullptr, SQL_SUCCESS, outcome);
    case SQL_UNBIND:
        st->columns.clear();
        break;
    case SQL_RESET_PARAMS:
        st->params.clear();
        break;
    default:
        return post(st, SQL_ERROR, "HY092", "Invalid attribute/option identifier");
    }
    return finish(st, SQL_SUCCESS, outcome);
}

FAKE_ODBC_EXPORT SQLRETURN SQLSetStmtOption(SQLHSTMT stmt_handle, SQLUSMALLINT option, SQLULEN value) {
    Lock lock(state().mutex);
    state().record("SQLSetStmtOption " + num(option) + " " + num(static_cast<long long>(value)));
    return on_stmt(stmt_handle, "SQLSetStmtOption", [&](Stmt& st) {
        st.options[option] = value;
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLGetStmtOption(SQLHSTMT stmt_handle, SQLUSMALLINT option, SQLPOINTER value) {
    Lock lock(state().mutex);
    state().record("SQLGetStmtOption " + num(option));
    return on_stmt(stmt_handle, "SQLGetStmtOption", [&](Stmt& st) {
        SQLULEN answer = 0;
        auto set = st.options.find(option);
        if (option == SQL_ROW_NUMBER) {
            bool on_row = st.results && st.row >= 0 && st.row < static_cast<long>(st.results->rows.size());
            answer = on_row ? static_cast<SQLULEN>(st.row + 1) : 0;
        } else if (set != st.options.end()) {
            answer = set->second;
        } else if (option == SQL_ROWSET_SIZE || option == SQL_CONCURRENCY || option == SQL_RETRIEVE_DATA) {
            answer = 1;  // SQL_ROWSET_SIZE_DEFAULT, SQL_CONCUR_READ_ONLY, SQL_RD_ON
        }
        if (value) {
            auto v = static_cast<SQLUINTEGER>(answer);
            std::memcpy(value, &v, sizeof v);
        }
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLPrepare(SQLHSTMT stmt_handle, SQLCHAR* text, SQLINTEGER text_length) {
    Lock lock(state().mutex);
    state().record("SQLPrepare " + text_arg(text, text_length));
    return on_stmt(stmt_handle, "SQLPrepare", [](Stmt& st) {
        close_cursor(st);
        st.prepared = true;
        // The next queued result set belongs to the prepared statement: it
        // describes it now and is produced again by each execution.
        st.prepared_results = state().take_result_set();
        attach(st, st.prepared_results);
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLExecute(SQLHSTMT stmt_handle) {
    Lock lock(state().mutex);
    state().record("SQLExecute");
    return on_stmt(stmt_handle, "SQLExecute", [](Stmt& st) {
        if (!st.prepared) return post(&st, SQL_ERROR, "HY010", "Function sequence error");
        return execute(st);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLExecDirect(SQLHSTMT stmt_handle, SQLCHAR* text, SQLINTEGER text_length) {
    Lock lock(state().mutex);
    state().record("SQLExecDirect " + text_arg(text, text_length));
    return on_stmt(stmt_handle, "SQLExecDirect", [](Stmt& st) {
        st.prepared = false;
        st.prepared_results.reset();
        return execute(st);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLParamData(SQLHSTMT stmt_handle, SQLPOINTER* token) {
    Lock lock(state().mutex);
    state().record("SQLParamData");
    return on_stmt(stmt_handle, "SQLParamData", [&](Stmt& st) {
        if (!st.need_data) return post(&st, SQL_ERROR, "HY010", "Function sequence error");
        std::size_t next = st.receiving ? *st.receiving + 1 : 0;
        if (next < st.data_at_exec.size()) {
            st.receiving = next;
            if (token) *token = st.params[st.data_at_exec[next]].value;
            return SQLRETURN(SQL_NEED_DATA);
        }
        // Every parameter has its data: the statement runs now.
        st.need_data = false;
        st.data_at_exec.clear();
        st.receiving.reset();
        attach(st, st.prepared && st.prepared_results ? st.prepared_results : state().take_result_set());
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLPutData(SQLHSTMT stmt_handle, SQLPOINTER data, SQLLEN length) {
    Lock lock(state().mutex);
    std::string size = length == SQL_NULL_DATA ? "NULL"
                       : length == SQL_NTS     ? num(data ? std::strlen(static_cast<const char*>(data)) : 0)
                                               : num(length);
    state().record("SQLPutData " + size);
    return on_stmt(stmt_handle, "SQLPutData", [](Stmt& st) {
        if (!st.need_data || !st.receiving) return post(&st, SQL_ERROR, "HY010", "Function sequence error");
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLParamOptions(SQLHSTMT stmt_handle, SQLULEN rows, SQLULEN*) {
    Lock lock(state().mutex);
    state().record("SQLParamOptions " + num(static_cast<long long>(rows)));
    return on_stmt(stmt_handle, "SQLParamOptions", [](Stmt&) { return SQLRETURN(SQL_SUCCESS); });
}

namespace {

SQLRETURN bind_param(SQLHSTMT stmt_handle, const char* function, SQLUSMALLINT number, SQLSMALLINT c_type,
                     SQLPOINTER value, SQLLEN* indicator) {
    return on_stmt(stmt_handle, function, [&](Stmt& st) {
        if (number == 0) return post(&st, SQL_ERROR, "07009", "Invalid descriptor index");
        st.params[number] = ParamBinding{c_type, value, indicator};
        return SQLRETURN(SQL_SUCCESS);
    });
}

}  // namespace

#ifndef FAKE_ODBC_OMIT_SQLBINDPARAMETER
FAKE_ODBC_EXPORT SQLRETURN SQLBindParameter(SQLHSTMT stmt_handle, SQLUSMALLINT number, SQLSMALLINT io_type,
                                            SQLSMALLINT c_type, SQLSMALLINT sql_type, SQLULEN column_size,
                                            SQLSMALLINT digits, SQLPOINTER value, SQLLEN buffer_length,
                                            SQLLEN* indicator) {
    Lock lock(state().mutex);
    state().record("SQLBindParameter " + num(number) + " " + num(io_type) + " " + num(c_type) + " " +
                   num(sql_type) + " " + num(static_cast<long long>(column_size)) + " " + num(digits) + " " +
                   num(buffer_length));
    return bind_param(stmt_handle, "SQLBindParameter", number, c_type, value, indicator);
}
#endif

FAKE_ODBC_EXPORT SQLRETURN SQLSetParam(SQLHSTMT stmt_handle, SQLUSMALLINT number, SQLSMALLINT c_type,
                                       SQLSMALLINT sql_type, SQLULEN precision, SQLSMALLINT scale,
                                       SQLPOINTER value, SQLLEN* indicator) {
    Lock lock(state().mutex);
    state().record("SQLSetParam " + num(number) + " " + num(c_type) + " " + num(sql_type) + " " +
                   num(static_cast<long long>(precision)) + " " + num(scale));
    return bind_param(stmt_handle, "SQLSetParam", number, c_type, value, indicator);
}

FAKE_ODBC_EXPORT SQLRETURN SQLNumResultCols(SQLHSTMT stmt_handle, SQLSMALLINT* count) {
    Lock lock(state().mutex);
    state().record("SQLNumResultCols");
    return on_stmt(stmt_handle, "SQLNumResultCols", [&](Stmt& st) {
        if (count) *count = st.results ? static_cast<SQLSMALLINT>(st.results->names.size()) : 0;
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLDescribeCol(SQLHSTMT stmt_handle, SQLUSMALLINT column, SQLCHAR* name,
                                          SQLSMALLINT name_max, SQLSMALLINT* name_length, SQLSMALLINT* type,
                                          SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
    Lock lock(state().mutex);
    state().record("SQLDescribeCol " + num(column));
    return on_stmt(stmt_handle, "SQLDescribeCol", [&](Stmt& st) {
        if (!st.results) return post(&st, SQL_ERROR, "07005", "Statement has no result set");
        if (column == 0 || column > st.results->names.size())
            return post(&st, SQL_ERROR, "07009", "Invalid descriptor index");
        const std::string& text = st.results->names[column - 1];
        if (name_length) *name_length = static_cast<SQLSMALLINT>(text.size());
        if (type) *type = SQL_VARCHAR;
        if (size) *size = 255;
        if (digits) *digits = 0;
        if (nullable) *nullable = SQL_NULLABLE;
        if (copy_out(text, name, name_max))
            return post(&st, SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated");
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLColAttributes(SQLHSTMT stmt_handle, SQLUSMALLINT column, SQLUSMALLINT field,
                                            SQLPOINTER text_out, SQLSMALLINT text_max, SQLSMALLINT* text_length,
                                            SQLLEN* number_out) {
    Lock lock(state().mutex);
    state().record("SQLColAttributes " + num(column) + " " + num(field));
    return on_stmt(stmt_handle, "SQLColAttributes", [&](Stmt& st) {
        if (!st.results) return post(&st, SQL_ERROR, "07005", "Statement has no result set");
        const auto& names = st.results->names;
        if (field == SQL_COLUMN_COUNT) {
            if (number_out) *number_out = static_cast<SQLLEN>(names.size());
            return SQLRETURN(SQL_SUCCESS);
        }
        if (column == 0 || column > names.size())
            return post(&st, SQL_ERROR, "07009", "Invalid descriptor index");
        std::optional<std::string> text;
        SQLLEN number = 0;
        switch (field) {
        case SQL_COLUMN_NAME:
        case SQL_COLUMN_LABEL:
            text = names[column - 1];
            break;
        case SQL_COLUMN_TYPE_NAME:
            text = "VARCHAR";
            break;
        case SQL_COLUMN_TABLE_NAME:
        case SQL_COLUMN_OWNER_NAME:
        case SQL_COLUMN_QUALIFIER_NAME:
            text = "";
            break;
        case SQL_COLUMN_TYPE:
            number = SQL_VARCHAR;
            break;
        case SQL_COLUMN_LENGTH:
        case SQL_COLUMN_PRECISION:
        case SQL_COLUMN_DISPLAY_SIZE:
            number = 255;
            break;
        case SQL_COLUMN_NULLABLE:
            number = SQL_NULLABLE;
            break;
        case SQL_COLUMN_UNSIGNED:
        case SQL_COLUMN_CASE_SENSITIVE:
            number = SQL_TRUE;
            break;
        case SQL_COLUMN_SEARCHABLE:
            number = SQL_SEARCHABLE;
            break;
        case SQL_COLUMN_UPDATABLE:
            number = SQL_ATTR_READWRITE_UNKNOWN;
            break;
        case SQL_COLUMN_SCALE:
        case SQL_COLUMN_MONEY:
        case SQL_COLUMN_AUTO_INCREMENT:
            number = 0;
            break;
        default:
            return post(&st, SQL_ERROR, "HY091", "Invalid descriptor field identifier");
        }
        if (!text) {
            if (number_out) *number_out = number;
            return SQLRETURN(SQL_SUCCESS);
        }
        if (text_length) *text_length = static_cast<SQLSMALLINT>(text->size());
        if (copy_out(*text, static_cast<SQLCHAR*>(text_out), text_max))
            return post(&st, SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated");
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLBindCol(SQLHSTMT stmt_handle, SQLUSMALLINT column, SQLSMALLINT c_type,
                                      SQLPOINTER value, SQLLEN buffer_length, SQLLEN* indicator) {
    Lock lock(state().mutex);
    state().record("SQLBindCol " + num(column) + " " + num(c_type) + " " + num(buffer_length));
    return on_stmt(stmt_handle, "SQLBindCol", [&](Stmt& st) {
        if (!value) {
            st.columns.erase(column);
            return SQLRETURN(SQL_SUCCESS);
        }
        if (!supported_c_type(c_type)) return post(&st, SQL_ERROR, "HY003", "Program type out of range");
        st.columns[column] = ColumnBinding{c_type, value, buffer_length, indicator};
        return SQLRETURN(SQL_SUCCESS);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLFetch(SQLHSTMT stmt_handle) {
    Lock lock(state().mutex);
    state().record("SQLFetch");
    return on_stmt(stmt_handle, "SQLFetch", [](Stmt& st) {
        if (!st.results) return no_result_set(st);
        long rows = static_cast<long>(st.results->rows.size());
        long next = std::min(st.row + 1, rows);
        start_row(st, next);
        if (next >= rows) return SQLRETURN(SQL_NO_DATA);
        return fill_row(st, static_cast<std::size_t>(next), 0);
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLExtendedFetch(SQLHSTMT stmt_handle, SQLUSMALLINT fetch_type, SQLLEN row,
                                            SQLULEN* fetched, SQLUSMALLINT* status) {
    Lock lock(state().mutex);
    state().record("SQLExtendedFetch " + num(fetch_type) + " " + num(row));
    return on_stmt(stmt_handle, "SQLExtendedFetch", [&](Stmt& st) {
        if (!st.results) return no_result_set(st);
        auto set = st.options.find(SQL_ROWSET_SIZE);
        long rowset = set == st.options.end() || set->second == 0 ? 1 : static_cast<long>(set->second);
        long rows = static_cast<long>(st.results->rows.size());
        long first = 0;
        if (fetch_type == SQL_FETCH_NEXT)
            first = st.row < 0 ? 0 : std::min(st.row + rowset, rows);
        else if (fetch_type != SQL_FETCH_FIRST)
            return post(&st, SQL_ERROR, "HY106", "Fetch type out of range");
        start_row(st, first);
        long count = std::max(0L, std::min(rowset, rows - first));
        if (fetched) *fetched = static_cast<SQLULEN>(count);
        if (count == 0) return SQLRETURN(SQL_NO_DATA);
        SQLRETURN rc = SQL_SUCCESS;
        bool row_error = false;
        for (long slot = 0; slot < rowset; ++slot) {
            SQLUSMALLINT row_status = SQL_ROW_NOROW;
            if (slot < count) {
                SQLRETURN filled = fill_row(st, static_cast<std::size_t>(first + slot), static_cast<std::size_t>(slot));
                row_status = filled == SQL_ERROR ? SQL_ROW_ERROR : SQL_ROW_SUCCESS;
                row_error = row_error || filled == SQL_ERROR;
                rc = worse(rc, filled == SQL_ERROR ? SQL_SUCCESS_WITH_INFO : filled);
            }
            if (status) status[slot] = row_status;
        }
        if (row_error) post(&st, SQL_SUCCESS_WITH_INFO, "01S01", "Error in row");
        return rc;
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLGetData(SQLHSTMT stmt_handle, SQLUSMALLINT column, SQLSMALLINT c_type,
                                      SQLPOINTER value, SQLLEN buffer_length, SQLLEN* indicator) {
    Lock lock(state().mutex);
    state().record("SQLGetData " + num(column) + " " + num(c_type) + " " + num(buffer_length));
    return on_stmt(stmt_handle, "SQLGetData", [&](Stmt& st) {
        if (!st.results || st.row < 0 || st.row >= static_cast<long>(st.results->rows.size()))
            return no_result_set(st);
        const auto& cells = st.results->rows[static_cast<std::size_t>(st.row)];
        if (column == 0 || column > cells.size())
            return post(&st, SQL_ERROR, "07009", "Invalid descriptor index");
        if (st.get_data_done.count(column)) return SQLRETURN(SQL_NO_DATA);
        std::size_t delivered = 0;
        SQLRETURN rc = put_cell(st, cells[column - 1], st.get_data_offset[column], c_type, value,
                                buffer_length, indicator, &delivered);
        if (rc == SQL_SUCCESS_WITH_INFO)
            st.get_data_offset[column] += delivered;  // the rest comes with the next call
        else if (rc == SQL_SUCCESS)
            st.get_data_done.insert(column);
        return rc;
    });
}

FAKE_ODBC_EXPORT SQLRETURN SQLRowCount(SQLHSTMT stmt_handle, SQLLEN* count) {
    Lock lock(state().mutex);
    state().record("SQLRowCount");
    return on_stmt(stmt_handle, "SQLRowCount", [&](Stmt&) {
        if (count) *count = 0;
        return SQLRETURN(SQL_SUCCESS);
    });
}

// ---- catalog functions -------------------------------------------------------

FAKE_ODBC_EXPORT SQLRETURN SQLGetTypeInfo(SQLHSTMT stmt_handle, SQLSMALLINT type) {
    Lock lock(state().mutex);
    return on_catalog(stmt_handle, "SQLGetTypeInfo", num(type));
}

#ifndef FAKE_ODBC_OMIT_SQLTABLES
FAKE_ODBC_EXPORT SQLRETURN SQLTables(SQLHSTMT stmt_handle, SQLCHAR* catalog, SQLSMALLINT catalog_length,
                                     SQLCHAR* schema, SQLSMALLINT schema_length, SQLCHAR* table,
                                     SQLSMALLINT table_length, SQLCHAR* types, SQLSMALLINT types_length) {
    Lock lock(state().mutex);
    return on_catalog(stmt_handle, "SQLTables",
                      text_arg(catalog, catalog_length) + " " + text_arg(schema, schema_length) + " " +
                          text_arg(table, table_length) + " " + text_arg(types, types_length));
}
#endif

FAKE_ODBC_EXPORT SQLRETURN SQLColumns(SQLHSTMT stmt_handle, SQLCHAR* catalog, SQLSMALLINT catalog_length,
                                      SQLCHAR* schema, SQLSMALLINT schema_length, SQLCHAR* table,
                                      SQLSMALLINT table_length, SQLCHAR* column, SQLSMALLINT column_length) {
    Lock lock(state().mutex);
    return on_catalog(stmt_handle, "SQLColumns",
                      text_arg(catalog, catalog_length) + " " + text_arg(schema, schema_length) + " " +
                          text_arg(table, table_length) + " " + text_arg(column, column_length));
}

FAKE_ODBC_EXPORT SQLRETURN SQLStatistics(SQLHSTMT stmt_handle, SQLCHAR* catalog, SQLSMALLINT catalog_length,
                                         SQLCHAR* schema, SQLSMALLINT schema_length, SQLCHAR* table,
                                         SQLSMALLINT table_length, SQLUSMALLINT unique, SQLUSMALLINT reserved) {
    Lock lock(state().mutex);
    return on_catalog(stmt_handle, "SQLStatistics",
                      text_arg(catalog, catalog_length) + " " + text_arg(schema, schema_length) + " " +
                          text_arg(table, table_length) + " " + num(unique) + " " + num(reserved));
}

FAKE_ODBC_EXPORT SQLRETURN SQLPrimaryKeys(SQLHSTMT stmt_handle, SQLCHAR* catalog, SQLSMALLINT catalog_length,
                                          SQLCHAR* schema, SQLSMALLINT schema_length, SQLCHAR* table,
                                          SQLSMALLINT table_length) {
    Lock lock(state().mutex);
    return on_catalog(stmt_handle, "SQLPrimaryKeys",
                      text_arg(catalog, catalog_length) + " " + text_arg(schema, schema_length) + " " +
                          text_arg(table, table_length));
}

FAKE_ODBC_EXPORT SQLRETURN SQLForeignKeys(SQLHSTMT stmt_handle, SQLCHAR* pk_catalog, SQLSMALLINT pk_catalog_length,
                                          SQLCHAR* pk_schema, SQLSMALLINT pk_schema_length, SQLCHAR* pk_table,
                                          SQLSMALLINT pk_table_length, SQLCHAR* fk_catalog,
                                          SQLSMALLINT fk_catalog_length, SQLCHAR* fk_schema,
                                          SQLSMALLINT fk_schema_length, SQLCHAR* fk_table,
                                          SQLSMALLINT fk_table_length) {
    Lock lock(state().mutex);
    return on_catalog(stmt_handle, "SQLForeignKeys",
                      text_arg(pk_catalog, pk_catalog_length) + " " + text_arg(pk_schema, pk_schema_length) +
                          " " + text_arg(pk_table, pk_table_length) + " " +
                          text_arg(fk_catalog, fk_catalog_length) + " " + text_arg(fk_schema, fk_schema_length) +
                          " " + text_arg(fk_table, fk_table_length));
}
