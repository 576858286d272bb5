// Switches, SEND and properties of files that reach the scripted fake driver
// manager: what they send and what they change on the shared data source.

#include <gtest/gtest.h>

#include <sqlext.h>
#include <stdlib.h>

#include <algorithm>
#include <string>

#include "odbc/dispatch/operation.h"
#include "odbc/session/data_source.h"
#include "odbc/session/environment.h"
#include "odbc/session/options.h"
#include "odbc/session/runtime_error_state.h"
#include "tests/support/attached_table.h"
#include "tools/fake_odbc/fake_odbc_control.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

struct Outcome {
    int error;
    std::string text;
};

Outcome Call(AttachedTable& file, int operation, Arguments args) {
    CallDriver(operation, file.table.File(), args);
    return {CurrentErrors().errorCode, args.textResult.value_or("<none>")};
}

Outcome Send(AttachedTable& file, const std::string& command) {
    return Call(file, op::SEND, Arguments::WithTexts({command}));
}

Outcome Set(AttachedTable& file, const std::string& property, const std::string& value) {
    return Call(file, op::SET_PROPERTY, Arguments::WithTexts({property, value}));
}

void Reattach(AttachedTable& file, const char* driverString) {
    file.vars.driverString.Assign(driverString);
    file.Run(op::DESTROY);
    file.Run(op::NAME);
}

bool Logged(const std::string& line) {
    return std::string(fake_odbc_calls()).find(line) != std::string::npos;
}

class FakeOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void TearDown() override { EndProgram(); }

    static void Fresh() {
        EndProgram();
        setenv("DBPROBE_ODBC_LIBRARY", FAKE_ODBC_LIBRARY, 1);
        fake_odbc_reset();
        ClearErrors();
    }
};

TEST_F(FakeOptionsTest, SqlTextRunsOnTheMainStatementAndAnswersItsErrorCode) {
    struct Case {
        const char* what;
        bool viaProperty;  // property 29184 instead of SEND
        const char* text;
        bool fails;
        const char* sent;
        int error;
    };
    const Case cases[] = {
        {"leading blanks are skipped", false, "  UPDATE T SET A = 1", false,
         "SQLExecDirect UPDATE T SET A = 1", 0},
        {"a refused statement answers 90", false, "DROP TABLE Missing", true,
         "SQLExecDirect DROP TABLE Missing", 90},
        {"property 29184 executes the same way", true, "DELETE FROM T", false,
         "SQLExecDirect DELETE FROM T", 0},
        {"property 29184 fails the same way", true, "DELETE FROM Missing", true,
         "SQLExecDirect DELETE FROM Missing", 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        if (c.fails) fake_odbc_push("SQLExecDirect", SQL_ERROR, "42S02", 0, "[Fake]no such table", 1);
        AttachedTable file("MYDSN");
        const Outcome outcome = c.viaProperty ? Set(file, "29184", c.text) : Send(file, c.text);
        EXPECT_TRUE(Logged(c.sent)) << fake_odbc_calls();
        EXPECT_EQ(outcome.error, c.error);
        if (!c.viaProperty) {
            EXPECT_EQ(outcome.text, std::to_string(c.error));
        }
        EXPECT_EQ(CurrentErrors().fileErrorCode, c.fails ? "42S02" : "");
    }
}

TEST_F(FakeOptionsTest, SendOfASwitchNameAloneAnswersWithoutChangingIt) {
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    const int optionsSent = fake_odbc_call_count("SQLSetConnectOption");
    EXPECT_EQ(Send(file, "/LOGONSCREEN").text, "TRUE");
    EXPECT_TRUE(file.State().dataSource->logonScreen);
    EXPECT_EQ(Send(file, "/ISOLATIONLEVEL").text, "2");
    EXPECT_EQ(fake_odbc_call_count("SQLSetConnectOption"), optionsSent);
}

TEST_F(FakeOptionsTest, SwitchesGivenBeforeConnectingReachTheNewDataSource) {
    AttachedTable file("MYDSN");
    Reattach(file, "/CLIPSTRINGS=FALSE/LOGONSCREEN=FALSE/ISOLATIONLEVEL=8/JOINTYPE=DB2");
    ASSERT_EQ(file.Connect(), 0);
    const DataSource& source = *file.State().dataSource;
    EXPECT_TRUE(Logged("completion=" + std::to_string(SQL_DRIVER_NOPROMPT))) << fake_odbc_calls();
    EXPECT_FALSE(source.clipStrings);
    EXPECT_FALSE(source.logonScreen);
    EXPECT_EQ(source.joinType, jointype::Db2);
    EXPECT_EQ(source.normalIsolation, 8);
    EXPECT_TRUE(Logged("SQLSetConnectOption 108 8")) << fake_odbc_calls();
    const auto& pending = file.State().options.pendingSource;
    EXPECT_TRUE(std::none_of(pending.begin(), pending.end(), [](const auto& p) { return p.has_value(); }));
}

TEST_F(FakeOptionsTest, LogonScreenOffAsAPropertyBeforeConnecting) {
    AttachedTable file("MYDSN");
    ASSERT_EQ(Set(file, "29254", "0").error, 0);
    ASSERT_EQ(file.Connect(), 0);
    EXPECT_TRUE(Logged("completion=" + std::to_string(SQL_DRIVER_NOPROMPT))) << fake_odbc_calls();
}

TEST_F(FakeOptionsTest, SwitchesGivenLaterChangeTheSharedDataSourceAtOnce) {
    AttachedTable first("MYDSN");
    AttachedTable second("MYDSN");
    ASSERT_EQ(first.Connect(), 0);
    ASSERT_EQ(second.Connect(), 0);
    ASSERT_EQ(first.State().dataSource, second.State().dataSource);
    EXPECT_EQ(Send(first, "/CLIPSTRINGS=FALSE").text, "TRUE");
    EXPECT_EQ(Send(second, "/CLIPSTRINGS").text, "FALSE");
    EXPECT_EQ(Send(first, "/ISOLATIONLEVEL=1").text, "2");
    EXPECT_TRUE(Logged("SQLSetConnectOption 108 1")) << fake_odbc_calls();
}

TEST_F(FakeOptionsTest, TheSqlAnywhereBackendVerifiesViaSelect) {
    fake_odbc_set_info_text(SQL_DRIVER_NAME, "WOD50T.DLL");
    fake_odbc_set_info_text(SQL_DBMS_VER, "5.5.1");
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    ASSERT_EQ(file.State().dataSource->backend, backend::SqlAnywhere);
    EXPECT_EQ(ApplySwitch(file.State(), "VERIFYVIASELECT", SwitchOrigin::DriverString), "TRUE");
}

TEST_F(FakeOptionsTest, Property29253DetachesTheFileAndLeavesTheConnection) {
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    const std::shared_ptr<DataSource> source = file.State().dataSource;
    ASSERT_EQ(Set(file, "29253", "").error, 0);
    EXPECT_EQ(file.State().dataSource, nullptr);
    EXPECT_TRUE(file.State().invalidated);
    EXPECT_TRUE(source->files.empty());
    EXPECT_EQ(source->connections.size(), 1u);
    EXPECT_EQ(fake_odbc_call_count("SQLDisconnect"), 0);
    // The next operation starts from a fresh state, which connects again to
    // the same data source.
    EXPECT_EQ(Call(file, op::GET_PROPERTY, Arguments::WithTexts({"29462"})).text,
              "Test_Korvelandix");
    EXPECT_FALSE(file.State().invalidated);
    ASSERT_EQ(file.Connect(), 0);
    EXPECT_EQ(file.State().dataSource, source);
    EXPECT_EQ(fake_odbc_call_count("SQLDriverConnect"), 1);
}

}  // namespace
}  // namespace dbprobe::odbc
