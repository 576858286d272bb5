// dbprobe-cli: the compatibility test without a desktop. It runs the same
// start-up and test run as the window program, on console window services,
// and can write a JSON report a script can read.
//
// Exit codes: 0 passed without an error, 1 completed with errors, 2 bad
// arguments, 3 ended by a fatal framework error, 5 stopped at an error prompt.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "app/cli/run_report.h"
#include "app/picker.h"
#include "app/startup.h"
#include "app/test_table.h"
#include "framework/platform/console/console_window_services.h"
#include "framework/platform/core/encoding.h"
#include "odbc/session/trace_logger.h"

namespace {

using namespace dbprobe;

constexpr int kBadArguments = 2;
constexpr int kStartButton = 13;

struct Options {
    std::string dsn;
    bool listDsns = false;
    std::string onError;  // "continue", "stop" or empty
    std::string traceFile;
    std::string reportFile;
};

// Replaces every occurrence of the password by a mask.
std::string Redact(std::string text, const std::string& password) {
    if (password.empty()) return text;
    for (std::size_t at = text.find(password); at != std::string::npos; at = text.find(password, at + 8))
        text.replace(at, password.size(), "********");
    return text;
}

// Prompts follow the option; the framework's yes/no questions are answered
// No, so that a failing server cannot keep a run asking forever.
platform::ConsoleWindowServices::Answerer Policy(const std::string& onError) {
    const int prompt = onError == "stop" ? 2 : 1;
    return [prompt](const platform::MessageBox& box) {
        if (!box.named.empty()) return prompt;
        if (box.buttons == (platform::button::Yes | platform::button::No)) return platform::button::No;
        return platform::FirstButton(box);
    };
}

void WriteReport(const app::RunReport& report, const Options& options, const std::string& password) {
    if (options.reportFile.empty()) return;
    std::ofstream out(options.reportFile);
    out << Redact(report.Json(), password);
    if (!out) std::fprintf(stderr, "dbprobe-cli: could not write the report to %s\n", options.reportFile.c_str());
}

int ListDsns() {
    for (const app::PickerRow& row : app::ListDataSources()) std::printf("%s\n", platform::ToUtf8(row.display).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App cli{"Checks whether the SQL server behind an ODBC data source can carry KORVELANDIX.", "dbprobe-cli"};
    cli.add_option("--dsn", options.dsn, "the ODBC data source (as typed into the window)");
    cli.add_flag("--list-dsns", options.listDsns, "list the data sources the driver manager knows");
    cli.add_option("--on-error", options.onError, "answer every error prompt: continue or stop")
        ->check(CLI::IsMember({"continue", "stop"}));
    cli.add_option("--trace", options.traceFile, "write the ODBC call trace and the operation profile to FILE");
    cli.add_option("--report", options.reportFile, "write a JSON report of the run to FILE");
    cli.set_version_flag("--version", std::string("dbprobe-cli ") + DBPROBE_VERSION);
    try {
        cli.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return cli.exit(done);
    } catch (const CLI::ParseError& error) {
        cli.exit(error);
        return kBadArguments;
    }
    if (options.listDsns) return ListDsns();
    if (cli.count("--dsn") == 0) {
        std::fprintf(stderr, "dbprobe-cli: --dsn NAME is required (or --list-dsns); see --help\n");
        return kBadArguments;
    }

    if (!options.traceFile.empty()) {
        odbc::TraceSettings trace;
        trace.trace = 1;
        trace.profile = 1;
        trace.traceFile = options.traceFile;
        odbc::OverrideTraceSettings(trace);
    }

    const std::string password = app::PasswordOf(options.dsn);
    app::RunReport report(options.dsn);
    app::SetRunObserver(&report);

    auto services = std::make_unique<platform::ConsoleWindowServices>(stdout, stdin);
    services->SetRedactor([password](std::string text) { return Redact(std::move(text), password); });
    const bool ask = options.onError.empty() && isatty(fileno(stdin)) && isatty(fileno(stdout));
    if (!ask) services->SetAnswerer(Policy(options.onError));
    services->SetHaltHandler([&](int exitCode, std::string_view) {
        report.Halted(exitCode);
        WriteReport(report, options, password);
        return report.ExitCode();
    });
    // The user's "Start": the run begins as soon as the window is up.
    services->ScriptNextWindow({{platform::event::Accepted, kStartButton, 0}});
    platform::ConsoleWindowServices* console = services.get();
    platform::InstallServices(std::move(services));

    app::Globals().dataSource.Assign(options.dsn);
    app::RunProgram();
    console->Settle();

    if (report.rowsMatched != report.rowsCompared)
        std::printf("The Czech row text came back changed from the server (%d of %d rows differ).\n",
                    report.rowsCompared - report.rowsMatched, report.rowsCompared);
    std::printf("verdict: %s\n", report.Verdict().c_str());
    WriteReport(report, options, password);
    app::SetRunObserver(nullptr);
    platform::RemoveServices();
    return report.ExitCode();
}
