// The headless runner's report: secrets kept out, the verdict from how the
// run ended.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/cli/run_report.h"

namespace dbprobe::app {
namespace {

TEST(RunReportTest, PasswordsAreMasked) {
    struct Case {
        const char* typed;
        const char* password;
        const char* shown;
    };
    const Case cases[] = {
        {"mydsn", "", "mydsn"},
        {"mydsn,sa", "", "mydsn,sa"},
        {"mydsn,sa,secret", "secret", "mydsn,sa,********"},
        {"DSN=x;UID=sa;PWD=secret;APP=y", "secret", "DSN=x;UID=sa;PWD=********;APP=y"},
        {"DSN=x;pwd=secret", "secret", "DSN=x;pwd=********"},
        {"DSN=x;UID=sa", "", "DSN=x;UID=sa"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PasswordOf(c.typed), c.password) << c.typed;
        EXPECT_EQ(MaskSecrets(c.typed), c.shown) << c.typed;
    }
}

TEST(RunReportTest, TheVerdictFollowsHowTheRunEnded) {
    struct Case {
        const char* what;
        bool finished;
        bool errors;
        bool mismatch;
        int halt;  // -1 none
        const char* verdict;
        int exitCode;
    };
    const Case cases[] = {
        {"clean", true, false, false, -1, "passed", 0},
        {"prompts answered", true, true, false, -1, "failed", 1},
        {"the text came back changed", true, false, true, -1, "failed", 1},
        {"stopped at a prompt", false, true, false, 5, "stopped", 5},
        {"fatal framework error", false, false, false, 0, "fatal", 3},
    };
    for (const Case& c : cases) {
        RunReport report("dsn");
        report.RowRead("abc", "abc");
        if (c.mismatch) report.RowRead("ab?", "abc");
        if (c.finished) report.Finished(c.errors);
        if (c.halt >= 0) report.Halted(c.halt);
        EXPECT_EQ(report.Verdict(), c.verdict) << c.what;
        EXPECT_EQ(report.ExitCode(), c.exitCode) << c.what;
        const nlohmann::json j = nlohmann::json::parse(report.Json());
        EXPECT_EQ(j["verdict"], c.verdict);
        if (c.mismatch) {
            EXPECT_EQ(j["national_text"]["first_mismatch"], "61 62 3f");
        } else {
            EXPECT_TRUE(j["national_text"]["first_mismatch"].is_null());
        }
    }
}

}  // namespace
}  // namespace dbprobe::app
