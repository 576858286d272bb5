// Keeps the driver manager's installer library loaded for the whole test
// process. The driver manager loads and unloads it several times and leaves
// its configuration cache allocated; pinned, those allocations keep a module
// name that the leak checker's suppression list can match.

#include <dlfcn.h>

namespace {

struct PinInstallerLibrary {
    PinInstallerLibrary() { dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_GLOBAL); }
} pin;

}  // namespace
