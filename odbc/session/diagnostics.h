#pragma once
// Turning ODBC return codes into the driver state's failure and the runtime's
// error state.

#include <sql.h>

#include <string_view>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

class Statement;

// Values of OdbcFailure::failure besides error codes stored directly.
namespace failure {
inline constexpr int None = 0, StillExecuting = 2, NeedData = 99, OdbcError = 90;
}

// Records the outcome of one ODBC call made on the given handles (a
// connection call passes no statement). The first failure of an operation is
// the one that counts; a warning changes nothing in the runtime's error state.
void RecordResult(DriverState& state, SQLRETURN rc, SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt);

// Forgets the recorded failure, so that a repeated call's own outcome counts.
void ForgetFailure(DriverState& state);

// A handler's result as the caller sees it: a recorded duplicate-key failure
// of the Pervasive backend becomes 40, a negative value 90.
int MapResult(const DriverState& state, int code);

// Whether a failed call is worth repeating because the connection was busy.
// value is the recorded failure (90) or the raw SQL_ERROR (-1).
bool IsBusy(const Statement& statement, int value);

// The message without its leading bracketed tags.
std::string_view StripTags(std::string_view message);

// Lets the user interface process pending timer messages once while a busy
// call waits to be repeated.
void SetBusyYield(void (*yield)());

}  // namespace dbprobe::odbc
