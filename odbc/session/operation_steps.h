#pragma once
// The ODBC steps that frame every record operation on an attached file.

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

// Before the precondition check. Returns 0 or the error code that ends the
// operation.
int PreOperation(DriverState& state, int operation);

// After the handler: forgets the operation's ODBC failure. Returns 0 or an
// error code that replaces a successful result.
int PostOperation(DriverState& state, int operation);

}  // namespace dbprobe::odbc
