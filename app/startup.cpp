#include "app/startup.h"

#include "app/main_window.h"
#include "app/program_globals.h"
#include "app/test_table.h"
#include "app/test_table_managers.h"
#include "framework/error_manager.h"
#include "framework/platform/window_services.h"
#include "framework/thread_values.h"
#include "odbc/dispatch/operation.h"

namespace dbprobe::app {
namespace {

class NoWindowDragging : public WindowDragging {
public:
    std::optional<bool> Get() override { return std::nullopt; }
    void Set(bool) override {}
};

void ThreadStart() {
    framework::ResetThreadErrorStatus();
    framework::ResetThreadValues();
}

void ThreadEnd() {
    DictionaryKill();
    framework::ResetThreadErrorStatus();
    odbc::Arguments none;
    odbc::CallDriver(odbc::op::DESTROY, ThisThreadTestDat().File(), none);
}

}  // namespace

WindowDragging& PlatformWindowDragging() {
    static NoWindowDragging none;
    return none;
}

int RunProgram(WindowDragging& dragging) {
    ThreadStart();
    GlobalErrors().Start();
    GlobalTranslator().Init();
    GlobalSettings().Initialise("dbprobe.INI", framework::storage::ProfileFile, 0);
    DictionaryInit();
    if (platform::WindowServices* services = platform::Services()) services->SetDefaultIcon("DatabaseImport.ico");
    const bool switchedOff = dragging.Get() == std::optional<bool>(true);
    if (switchedOff) dragging.Set(false);

    RunMainWindow();

    GlobalSettings().AfterMainWindow();
    if (switchedOff) dragging.Set(true);
    GlobalSettings().Terminate();
    GlobalTranslator().Kill();
    ThreadEnd();
    return 0;
}

}  // namespace dbprobe::app
