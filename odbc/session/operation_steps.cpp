#include "odbc/session/operation_steps.h"

namespace dbprobe::odbc {

int PreOperation(DriverState&, int) { return 0; }

int PostOperation(DriverState& state, int) {
    state.diagnostics = OdbcFailure{};
    return 0;
}

}  // namespace dbprobe::odbc
