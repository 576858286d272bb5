#include "odbc/session/options.h"

namespace dbprobe::odbc {

void ApplyPendingSwitches(DriverState&, DataSource&) {}

}  // namespace dbprobe::odbc
