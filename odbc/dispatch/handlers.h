#pragma once
// The operation handlers that the dispatcher calls after its checks.

#include <cstdint>

#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

struct OperationContext {
    int operation;
    FileDescriptor& file;
    DriverState& state;
    Arguments& args;
    KeyState* key;             // the key argument's state, for key operations
    std::intptr_t value = 0;  // the operation's integer result
};

// A handler returns 0, an error code, or -1 (fail without posting an error).
using Handler = int (*)(OperationContext&);

// The handler of an operation code; nullptr for operations the driver does not
// implement (they fail with 80).
Handler HandlerFor(int operation);

// Replaces one handler for the lifetime of the object. Tests use it to stand in
// for handlers that need a server.
class ScopedHandler {
public:
    ScopedHandler(int operation, Handler handler);
    ~ScopedHandler();
    ScopedHandler(const ScopedHandler&) = delete;
    ScopedHandler& operator=(const ScopedHandler&) = delete;

private:
    int operation_;
    Handler previous_;
};

// The warning box that SEND "IMPORTFILE" shows on a closed file. None is
// shown until the user interface installs one.
using WarningBox = void (*)(const char* title, const char* text);
void SetImportWarningBox(WarningBox box);

// Handlers that need no server.
namespace handlers {
int Close(OperationContext& ctx);
int Destroy(OperationContext& ctx);
int Hold(OperationContext& ctx);
int Succeed(OperationContext& ctx);
int Pack(OperationContext& ctx);
int Build(OperationContext& ctx);
int Name(OperationContext& ctx);
int QueryKey(OperationContext& ctx);
int Unsupported(OperationContext& ctx);
int Clear(OperationContext& ctx);
int Nulls(OperationContext& ctx);
int Open(OperationContext& ctx);
int Create(OperationContext& ctx);
int Transaction(OperationContext& ctx);

// SEND, and the properties of the file and of its keys.
int Send(OperationContext& ctx);
int SetProperty(OperationContext& ctx);
int GetProperty(OperationContext& ctx);
}  // namespace handlers

}  // namespace dbprobe::odbc
