#pragma once
// Internal state of the fake driver manager: live handles, scripted outcomes,
// configured answers and the call log. Everything is guarded by one mutex;
// every exported function takes it for its whole duration.

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Exported names keep default visibility; the rest of the library is hidden.
#define FAKE_ODBC_EXPORT extern "C" __attribute__((visibility("default")))

namespace fake_odbc {

struct Diagnostic {
    std::string sqlstate;
    SQLINTEGER native = 0;
    std::string message;
};

struct Outcome {
    SQLRETURN rc = SQL_SUCCESS;
    std::optional<Diagnostic> diagnostic;  // empty: the call leaves no diagnostics
};

using Cell = std::optional<std::string>;  // empty: SQL NULL

struct ResultSet {
    std::vector<std::string> names;
    std::vector<std::vector<Cell>> rows;
};

// One pending diagnostic per handle, reported once by SQLError.
struct Handle {
    std::optional<Diagnostic> diagnostic;
};

struct Env : Handle {
    std::size_t next_source = 0;  // SQLDataSources position
};

struct Dbc : Handle {
    Env* env = nullptr;
    bool connected = false;
};

struct ColumnBinding {
    SQLSMALLINT c_type = SQL_C_CHAR;
    SQLPOINTER value = nullptr;
    SQLLEN buffer_length = 0;
    SQLLEN* indicator = nullptr;
};

struct ParamBinding {
    SQLSMALLINT c_type = SQL_C_CHAR;
    SQLPOINTER value = nullptr;
    SQLLEN* indicator = nullptr;
};

struct Stmt : Handle {
    Dbc* dbc = nullptr;
    bool prepared = false;
    std::optional<ResultSet> prepared_results;  // taken by SQLPrepare, produced by SQLExecute
    std::optional<ResultSet> results;
    long row = -1;  // first row of the current rowset; -1 before the first fetch
    std::map<SQLUSMALLINT, ColumnBinding> columns;
    std::map<SQLUSMALLINT, ParamBinding> params;
    std::map<SQLUSMALLINT, SQLULEN> options;

    // Data at execution: parameters still owed by the caller, in order.
    bool need_data = false;
    std::vector<SQLUSMALLINT> data_at_exec;
    std::optional<std::size_t> receiving;  // index into data_at_exec

    // Piecewise SQLGetData on the current row.
    std::map<SQLUSMALLINT, std::size_t> get_data_offset;
    std::set<SQLUSMALLINT> get_data_done;
};

struct State {
    std::mutex mutex;

    std::unordered_map<void*, std::unique_ptr<Env>> envs;
    std::unordered_map<void*, std::unique_ptr<Dbc>> dbcs;
    std::unordered_map<void*, std::unique_ptr<Stmt>> stmts;

    std::map<std::string, std::deque<Outcome>> outcomes;
    std::deque<ResultSet> result_sets;
    std::map<int, std::string> info_text;
    std::map<int, long> info_number;
    std::set<int> unsupported_functions;
    std::map<int, long> connect_options;
    int sqlerror_failures = 0;
    SQLRETURN sqlerror_rc = SQL_ERROR;
    std::vector<std::pair<std::string, std::string>> data_sources;

    std::string calls;
    std::string calls_snapshot;
    std::map<std::string, int> call_counts;

    State() { reset(); }
    void reset();

    // Appends one line to the call log; the function name is the first word.
    void record(const std::string& line);
    // Pops the next scripted outcome for `function`, if any.
    std::optional<Outcome> take(const char* function);
    std::optional<ResultSet> take_result_set();

    Env* env(SQLHENV handle);
    Dbc* dbc(SQLHDBC handle);
    Stmt* stmt(SQLHSTMT handle);
    void free_stmt(Stmt* stmt);
    void free_stmts_of(Dbc* dbc);
};

// The single instance; callers hold `mutex` while touching it.
State& state();

// A scripted outcome whose rc is not a success decides the call on its own.
bool decides_alone(const Outcome& outcome);
// Leaves the outcome's diagnostic (or none) on `handle` and returns its rc.
SQLRETURN apply(Handle* handle, const Outcome& outcome);
// A call that did its work returns the scripted rc (a success) when there is
// one, with its diagnostic; a failure of the work itself wins.
SQLRETURN finish(Handle* handle, SQLRETURN healthy, const std::optional<Outcome>& outcome);
SQLRETURN post(Handle* handle, SQLRETURN rc, const char* sqlstate, const char* message);

// Text of a (pointer, length) argument as passed: SQL_NTS means NUL-terminated;
// a NULL pointer reads "(null)".
std::string text_arg(const SQLCHAR* text, SQLLEN length);

// Copies `value` into a caller's character buffer of `capacity` bytes,
// NUL-terminated and truncated; returns true when it did not fit (a NULL
// buffer asks for nothing and is never truncated).
bool copy_out(const std::string& value, SQLCHAR* buffer, SQLLEN capacity);

// SQLGetInfo: width/kind of each info type.
enum class InfoKind { Text, U16, U32, Pointer };
InfoKind info_kind(int info_type);

// Column names of the empty result set a catalog function produces when no
// result set is queued.
ResultSet catalog_result(const char* function);

}  // namespace fake_odbc
