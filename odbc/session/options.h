#pragma once
// Driver switches: the driver string, key and field switch lists, SEND and
// the numbered properties.

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

class DataSource;

// Applies the switches a file collected before it had a data source, once it
// is connected.
void ApplyPendingSwitches(DriverState& file, DataSource& source);

}  // namespace dbprobe::odbc
