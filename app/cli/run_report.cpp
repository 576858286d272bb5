#include "app/cli/run_report.h"

#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <ctime>
#include <nlohmann/json.hpp>

#include "app/test_table.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/trim.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"

namespace dbprobe::app {
namespace {

constexpr std::string_view kMask = "********";

std::string Utf8(const std::string& w1250) { return platform::ToUtf8(w1250); }

std::string Hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += ' ';
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

// The span of the PWD= value in a connection string (case aside).
bool FindPwd(const std::string& text, std::size_t& start, std::size_t& end) {
    for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
        if ((i == 0 || text[i - 1] == ';') && std::toupper(static_cast<unsigned char>(text[i])) == 'P' &&
            std::toupper(static_cast<unsigned char>(text[i + 1])) == 'W' &&
            std::toupper(static_cast<unsigned char>(text[i + 2])) == 'D' && text[i + 3] == '=') {
            start = i + 4;
            end = text.find(';', start);
            if (end == std::string::npos) end = text.size();
            return true;
        }
    }
    return false;
}

}  // namespace

std::string PasswordOf(const std::string& dataSource) {
    std::size_t start = 0, end = 0;
    if (dataSource.find('=') != std::string::npos)
        return FindPwd(dataSource, start, end) ? dataSource.substr(start, end - start) : std::string();
    const std::size_t first = dataSource.find(',');
    if (first == std::string::npos) return {};
    const std::size_t second = dataSource.find(',', first + 1);
    return second == std::string::npos ? std::string() : dataSource.substr(second + 1);
}

std::string MaskSecrets(const std::string& dataSource) {
    const std::string password = PasswordOf(dataSource);
    if (password.empty()) return dataSource;
    std::size_t start = 0, end = 0;
    if (dataSource.find('=') != std::string::npos && FindPwd(dataSource, start, end))
        return dataSource.substr(0, start) + std::string(kMask) + dataSource.substr(end);
    return dataSource.substr(0, dataSource.size() - password.size()) + std::string(kMask);
}

RunReport::RunReport(std::string source)
    : dataSource(MaskSecrets(source)), startedAt(Now()), started(std::chrono::steady_clock::now()) {
    for (const char* name : {"create", "open", "insert", "delete", "close", "remove"})
        steps.push_back({name, "not run", 0});
}

ReportedStep* RunReport::Step(std::string_view name) {
    for (ReportedStep& s : steps)
        if (s.name == name) return &s;
    return nullptr;
}

void RunReport::StepStarted(std::string_view) { stepStarted_ = std::chrono::steady_clock::now(); }

void RunReport::StepEnded(std::string_view name, bool ok) {
    if (ReportedStep* s = Step(name)) {
        s->status = ok ? "passed" : "failed";
        s->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - stepStarted_).count();
    }
}

void RunReport::ErrorPrompted(std::string_view step) {
    const odbc::RuntimeErrorState& e = odbc::CurrentErrors();
    errors.push_back({std::string(step), e.errorCode, platform::TrimRight(e.errorText), platform::TrimRight(e.fileErrorCode),
                      platform::TrimRight(e.fileErrorText)});
}

void RunReport::TableOpened() {
    odbc::DriverState* state = ThisThreadTestDat().File().driverState.get();
    if (state == nullptr) return;
    dbmsName = odbc::ConnectionInfo(*state, SQL_DBMS_NAME, 256);
    dbmsVersion = odbc::ConnectionInfo(*state, SQL_DBMS_VER, 256);
    driverName = odbc::ConnectionInfo(*state, SQL_DRIVER_NAME, 256);
    driverVersion = odbc::ConnectionInfo(*state, SQL_DRIVER_VER, 256);
}

void RunReport::RowRead(std::string_view nazev, std::string_view written) {
    ++rowsCompared;
    if (nazev == written) {
        ++rowsMatched;
        return;
    }
    if (!firstMismatch) {
        std::string read(nazev);
        firstMismatch = Hex(platform::TrimRight(read));
    }
}

void RunReport::Finished(bool errorsSeen) {
    finished = true;
    hadErrors = errorsSeen;
}

void RunReport::Halted(int exitCode) { haltCode = exitCode; }

std::string RunReport::Verdict() const {
    if (haltCode) return *haltCode == 5 ? "stopped" : "fatal";
    if (!finished) return "stopped";
    return hadErrors || rowsMatched != rowsCompared ? "failed" : "passed";
}

int RunReport::ExitCode() const {
    const std::string verdict = Verdict();
    if (verdict == "passed") return 0;
    if (verdict == "failed") return 1;
    if (verdict == "fatal") return 3;
    return 5;
}

std::string RunReport::Json() const {
    nlohmann::ordered_json j;
    j["verdict"] = Verdict();
    j["data_source"] = Utf8(dataSource);
    j["dbms_name"] = Utf8(dbmsName);
    j["dbms_version"] = Utf8(dbmsVersion);
    j["driver_name"] = Utf8(driverName);
    j["driver_version"] = Utf8(driverVersion);
    j["started_at"] = startedAt;
    j["seconds"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    j["steps"] = nlohmann::json::array();
    for (const ReportedStep& s : steps)
        j["steps"].push_back({{"name", s.name}, {"status", s.status}, {"seconds", s.seconds}});
    j["errors"] = nlohmann::json::array();
    for (const ReportedError& e : errors)
        j["errors"].push_back({{"step", e.step},
                               {"code", e.code},
                               {"error_text", Utf8(e.errorText)},
                               {"file_error_code", Utf8(e.fileErrorCode)},
                               {"file_error_text", Utf8(e.fileErrorText)}});
    j["rows_written"] = rowsWritten;
    j["rows_deleted"] = rowsDeleted;
    j["national_text"] = {{"rows_compared", rowsCompared},
                          {"rows_matched", rowsMatched},
                          {"first_mismatch", firstMismatch ? nlohmann::json(*firstMismatch) : nlohmann::json(nullptr)}};
    return j.dump(2) + "\n";
}

}  // namespace dbprobe::app
