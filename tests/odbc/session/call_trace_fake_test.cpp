// The ODBC call trace as it reaches the log: one line per call, with the
// clock, process and thread fixed so the lines can be compared whole.

#include <gtest/gtest.h>

#include <sqlext.h>

#include <functional>
#include <sstream>

#include "odbc/session/diagnostics.h"
#include "odbc/session/environment.h"
#include "odbc/session/statement_calls.h"
#include "odbc/session/trace_logger.h"
#include "odbc/session/trace_text.h"
#include "tests/support/attached_table.h"
#include "tests/support/fake_session.h"
#include "tests/support/trace_capture.h"
#include "tests/support/trace_clock.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;


class CallTraceTest : public testing::FakeOdbcTest {
protected:
    void SetUp() override {
        FakeOdbcTest::SetUp();
        SetTraceClock(&clock_);
    }
    void TearDown() override {
        FakeOdbcTest::TearDown();
        SetTraceClock(nullptr);
    }
    // The lines written since `from`, without their prefix.
    static std::vector<std::string> LinesAfter(const std::string& text, std::size_t from) {
        std::vector<std::string> lines;
        std::istringstream in(text.substr(from));
        std::string line;
        const std::string& prefix = testing::kFakeClockPrefix;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : "?" + line);
        }
        return lines;
    }
    testing::FakeClock clock_;
};

TEST_F(CallTraceTest, LinesOfStatementCalls) {
    testing::TraceCapture trace;
    AttachedTable file("MYDSN,sa,secret");
    ASSERT_EQ(file.Connect(), 0);
    Statement& s = file.Main();
    const std::string h = tracetext::Handle(s.hstmt);

    struct Case {
        std::function<void()> call;
        std::vector<std::string> lines;
    };
    SQLLEN rows = 0;
    const Case cases[] = {
        {[&] { ExecuteDirect(s, "DROP TABLE x"); },
         {"Executing Statement " + h + ":DROP TABLE x Time Taken:0.00 secs"}},
        {[&] { Prepare(s, "SELECT 1"); },
         {"Resetting Parameters Statement " + h + " Time Taken:0.00 secs",
          "Preparing Statement " + h + " : SELECT 1 Time Taken:0.00 secs"}},
        {[&] { RowCount(s, &rows); },
         {"Number of rows effected by Statement " + h + " was 0 Time Taken:0.00 secs"}},
        {[&] { SetStatementOption(s, SQL_ASYNC_ENABLE, SQL_ASYNC_ENABLE_ON, true); },
         {"Setting Asynchronous calling on for Statement " + h + " Time Taken:0.00 secs"}},
        {[&] {
             Push("SQLExecDirect", SQL_ERROR, "42S02", "[Fake]no such table\nreally");
             ExecuteDirect(s, "DELETE FROM x");
         },
         {"Executing Statement " + h + ":DELETE FROM x",
          "Error Occurred: 42S02 [Fake]no such table<0AH>really", " Time Taken:0.00 secs"}},
        {[&] {
             ForgetFailure(file.State());
             Push("SQLExecDirect", SQL_ERROR, "S1000", OdbcEnvironment::kDefaultBusyMessage, 2);
             ExecuteDirect(s, "UPDATE x");
         },
         {"Executing Statement " + h + ":UPDATE x",
          std::string("Error Occurred: S1000 ") + OdbcEnvironment::kDefaultBusyMessage, ".",
          std::string("Error Occurred: S1000 ") + OdbcEnvironment::kDefaultBusyMessage,
          ". Time Taken:0.00 secs"}},
    };
    for (const Case& c : cases) {
        const std::size_t before = trace.Text().size();
        c.call();
        EXPECT_EQ(LinesAfter(trace.Text(), before), c.lines);
    }
}

TEST_F(CallTraceTest, TheConnectLineHidesThePassword) {
    testing::TraceCapture trace;
    AttachedTable file("MYDSN,sa,secret,APP=probe");
    ASSERT_EQ(file.Connect(), 0);
    const std::string text = trace.Text();
    EXPECT_NE(text.find("Connecting to DSN=MYDSN;UID=sa;PWD=********;APP=probe Time Taken:0.00 secs"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("secret"), std::string::npos);
    EXPECT_NE(text.find("Unknown Backend"), std::string::npos);
    EXPECT_NE(text.find("Maximum Statements per connection is 255"), std::string::npos);
}

}  // namespace
}  // namespace dbprobe::odbc
