#pragma once
// The precondition check before an operation and the state update after it.

#include <string>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

// Checks operation against the file's state flags. key is the operation's key
// argument (nullptr for operations without one), keyState its state in this
// file. positionText is the text argument of RESET/REGET. Returns 0, an error
// code, or -1 (fail without posting). Clears operationClass.
int CheckPreconditions(DriverState& state, int operation, const KeyDescriptor* key,
                       const KeyState* keyState, const std::string* positionText);

// Applies the operation's rule to the state flags after the operation ended
// with result; wasOpen tells whether the file was open before it.
void UpdateState(DriverState& state, int operation, KeyState* keyState, int result, bool wasOpen);

}  // namespace dbprobe::odbc
