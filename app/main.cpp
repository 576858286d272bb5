// dbprobe: the desktop program. No command-line arguments are read.

#include <memory>

#include "app/startup.h"
#include "framework/platform/qt/qt_window_services.h"

int main() {
    using namespace dbprobe;
    platform::InstallServices(std::make_unique<platform::QtWindowServices>());
    const int code = app::RunProgram();
    platform::RemoveServices();
    return code;
}
