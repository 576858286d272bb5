#pragma once
// dbpro001, the main window: the user names an ODBC data source, presses
// "Start" and watches the compatibility test run; a verdict ends it.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/window_manager.h"

namespace dbprobe::app {

// Control numbers of the main window.
namespace mainctl {
inline constexpr int Welcome = 1, DataSource = 5, Choose = 6, Support = 7, Status = 8, Progress = 9,
                     Start = 13, Close = 14;
}

class MainWindow : public framework::WindowManager {
public:
    MainWindow();

    int Initialise() override;
    int Terminate() override;
    int OnAccepted(const platform::Event& event) override;

    // The description the window is built from ("dbprobe$dbpro001").
    const platform::WindowDescription& Description() const { return layout_; }

    // The procedure-local variables.
    std::array<char, 80> statusText{};
    std::int32_t stepCounter = 0;
    std::uint8_t errorFlag = 0;
    std::vector<char> blobText;  // zero-terminated, capacity 4096

private:
    void RunTest();
    void ChooseDataSource();
    void ShowStatus(std::string_view text);
    // Asks whether to go on after a failed step; false when the user stopped
    // the test (the program then halts).
    bool ErrorPrompt();
    void Verdict();

    platform::WindowDescription layout_;
    framework::Toolbar bar_;
};

// The window procedure: runs the window until it closes. Its response becomes
// the thread's global response.
void RunMainWindow();

}  // namespace dbprobe::app
