#include "odbc/session/operation_steps.h"

#include <string>

#include "odbc/dispatch/operation.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/sql/insert.h"

namespace dbprobe::odbc {
namespace {

// Operations that work without the driver manager.
bool WorksWithoutOdbc(int operation) {
    return operation == op::NAME || operation == op::SEND || operation == op::SET_PROPERTY ||
           operation == op::GET_PROPERTY || operation == op::Internal91 ||
           operation == op::DESTROY;
}

// Operations that leave rows buffered by batch mode where they are.
bool KeepsBatch(int operation) {
    return operation == op::ADD || operation == op::APPEND || operation == op::NAME ||
           operation == op::SEND || operation == op::SETNULL || operation == op::SETNONULL ||
           operation == op::SET_PROPERTY || operation == op::GET_PROPERTY;
}

}  // namespace

int PreOperation(DriverState& state, int operation) {
    if (operation == op::DESTROY) return 0;
    // CLOSE needs no environment of its own: a file never connected has
    // nothing to release.
    OdbcEnvironment* environment =
        operation == op::CLOSE ? OdbcEnvironment::Existing() : &OdbcEnvironment::Ensure();
    if (environment != nullptr && !environment->loaded && !WorksWithoutOdbc(operation)) {
        SetFileError("1", "(" + std::to_string(operation) + ") ODBC32.DLL Could Not Be Loaded");
        return err::FileSystemError;
    }
    // Any other operation sends what batch mode buffered and ends batch mode.
    if (!KeepsBatch(operation) && state.options.batchSize > 0) {
        state.options.batchSize = 0;
        if (int code = SendBatch(state); code != 0) return code;
    }
    return 0;
}

int PostOperation(DriverState& state, int) {
    state.diagnostics = OdbcFailure{};
    return 0;
}

}  // namespace dbprobe::odbc
