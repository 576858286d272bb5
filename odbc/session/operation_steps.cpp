#include "odbc/session/operation_steps.h"

#include <string>

#include "odbc/dispatch/operation.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::odbc {
namespace {

// Operations that work without the driver manager.
bool WorksWithoutOdbc(int operation) {
    return operation == op::NAME || operation == op::SEND || operation == op::SET_PROPERTY ||
           operation == op::GET_PROPERTY || operation == op::Internal91 ||
           operation == op::DESTROY;
}

}  // namespace

int PreOperation(DriverState&, int operation) {
    if (operation == op::DESTROY) return 0;
    // CLOSE needs no environment of its own: a file never connected has
    // nothing to release.
    OdbcEnvironment* environment =
        operation == op::CLOSE ? OdbcEnvironment::Existing() : &OdbcEnvironment::Ensure();
    if (environment != nullptr && !environment->loaded && !WorksWithoutOdbc(operation)) {
        SetFileError("1", "(" + std::to_string(operation) + ") ODBC32.DLL Could Not Be Loaded");
        return err::FileSystemError;
    }
    return 0;
}

int PostOperation(DriverState& state, int) {
    state.diagnostics = OdbcFailure{};
    return 0;
}

}  // namespace dbprobe::odbc
