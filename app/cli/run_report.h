#pragma once
// The headless runner's record of a test run, written as JSON: the verdict,
// the server, each step, each error, the rows, and whether the Czech row text
// came back from the server byte for byte.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/run_observer.h"

namespace dbprobe::app {

struct ReportedError {
    std::string step;
    int code = 0;
    std::string errorText;
    std::string fileErrorCode;
    std::string fileErrorText;
};

struct ReportedStep {
    std::string name;
    std::string status = "not run";  // "passed", "failed"
    double seconds = 0;
};

class RunReport : public RunObserver {
public:
    explicit RunReport(std::string dataSource);

    void StepStarted(std::string_view step) override;
    void StepEnded(std::string_view step, bool ok) override;
    void ErrorPrompted(std::string_view step) override;
    void TableOpened() override;
    void RowWritten() override { ++rowsWritten; }
    void RowRead(std::string_view nazev, std::string_view written) override;
    void RowDeleted() override { ++rowsDeleted; }
    void Finished(bool errors) override;

    // "passed", "failed", "stopped" or "fatal", from how the run ended.
    std::string Verdict() const;
    int ExitCode() const;
    void Halted(int exitCode);

    // The report as JSON text (UTF-8); texts of the program are windows-1250
    // and converted here.
    std::string Json() const;

    std::string dataSource;  // as typed, any password masked
    std::string dbmsName, dbmsVersion, driverName, driverVersion;
    std::string startedAt;
    std::chrono::steady_clock::time_point started;
    std::vector<ReportedStep> steps;
    std::vector<ReportedError> errors;
    int rowsWritten = 0;
    int rowsDeleted = 0;
    int rowsCompared = 0;
    int rowsMatched = 0;
    std::optional<std::string> firstMismatch;  // hex bytes of the text read
    bool finished = false;
    bool hadErrors = false;
    std::optional<int> haltCode;

private:
    ReportedStep* Step(std::string_view name);
    std::chrono::steady_clock::time_point stepStarted_;
};

// The data source as it may be shown: a PWD= value of a connection string,
// or the third comma-separated part of "name,user,password", masked.
std::string MaskSecrets(const std::string& dataSource);
// The password inside a data source text; empty when it has none.
std::string PasswordOf(const std::string& dataSource);

}  // namespace dbprobe::app
