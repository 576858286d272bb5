#pragma once
// What the test run tells an observer as it goes: the headless runner builds
// its report from it; the window has none and behaves the same either way.

#include <string_view>

namespace dbprobe::app {

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A step of the run begins ("create", "open", "insert", "delete",
    // "close", "remove") or ends.
    virtual void StepStarted(std::string_view) {}
    virtual void StepEnded(std::string_view, bool /*ok*/) {}
    // The error prompt is about to show; the runtime's error state is the
    // failure's.
    virtual void ErrorPrompted(std::string_view /*step*/) {}
    // The table is open: the connection can be asked about the server.
    virtual void TableOpened() {}
    virtual void RowWritten() {}
    // A row read back by the delete loop, its TST:NAZEV as read.
    virtual void RowRead(std::string_view /*nazev*/, std::string_view /*written*/) {}
    virtual void RowDeleted() {}
    // The run reached its verdict; `errors` whether any step failed.
    virtual void Finished(bool /*errors*/) {}
};

// The observer of this process's runs; a silent one when none is set.
RunObserver& Observer();
void SetRunObserver(RunObserver* observer);

}  // namespace dbprobe::app
