// Driver switches, SEND and the numbered properties, on files that never reach
// a server.

#include "odbc/session/options.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "odbc/dispatch/dispatcher.h"
#include "odbc/dispatch/handlers.h"
#include "odbc/session/environment.h"
#include "odbc/session/properties.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/trace_logger.h"
#include "tests/support/attached_table.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

struct Outcome {
    int error;
    std::string text;  // "<none>" when nothing was pushed
};

Outcome Call(AttachedTable& file, int operation, Arguments args) {
    CallDriver(operation, file.table.File(), args);
    return {CurrentErrors().errorCode, args.textResult.value_or("<none>")};
}

Outcome Send(AttachedTable& file, const std::string& command) {
    return Call(file, op::SEND, Arguments::WithTexts({command}));
}

Outcome Set(AttachedTable& file, const std::string& property, const std::string& value,
            std::int64_t index = 0) {
    Arguments args = Arguments::WithTexts({property, value});
    args.numbers = {index};
    return Call(file, op::SET_PROPERTY, std::move(args));
}

Outcome Get(AttachedTable& file, const std::string& property, std::int64_t index = 0) {
    Arguments args = Arguments::WithTexts({property});
    args.numbers = {index};
    return Call(file, op::GET_PROPERTY, std::move(args));
}

// A switch's current value, asked the way a switch without '=' asks.
std::string Value(AttachedTable& file, const char* name) {
    return ApplySwitch(file.State(), name, SwitchOrigin::DriverString);
}

// Attaches the file again, so that the declaration is read with its variables
// as they are now.
void Reattach(AttachedTable& file) {
    file.Run(op::DESTROY);
    file.Run(op::NAME);
}

int Succeeds(OperationContext&) { return 0; }

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override { ClearErrors(); }
    // Some cases change the process-wide environment; the next one starts afresh.
    void TearDown() override { EndProgram(); }
};

TEST_F(OptionsTest, DriverStringSwitches) {
    struct Case {
        const char* what;
        const char* driverString;
        std::vector<std::pair<const char*, const char*>> values;  // switch, reported value
    };
    const std::vector<Case> cases = {
        {"a blank driver string keeps the defaults",
         "",
         {{"BINDCONSTANTS", "TRUE"}, {"CLIPSTRINGS", "TRUE"}, {"NOVERIFY", "FALSE"},
          {"ODBCCALL", "TRUE"}, {"ORDERINSELECT", "TRUE"}, {"ZERODATE", "NULL"},
          {"JOINTYPE", "WATCOM"}, {"BINDCOLORDER", "0"}, {"LOGONSCREEN", "TRUE"}, {"HINT", ""},
          {"WHERE", ""}}},
        {"FALSE in any case is false", "/BINDCONSTANTS=FALSE/CLIPSTRINGS=false",
         {{"BINDCONSTANTS", "FALSE"}, {"CLIPSTRINGS", "FALSE"}}},
        {"only a value beginning with TRUE is true",
         "/CLIPSTRINGS=yes/GATHERATOPEN=TrueEnough/ODBCCALL=1",
         {{"CLIPSTRINGS", "FALSE"}, {"GATHERATOPEN", "TRUE"}, {"ODBCCALL", "FALSE"}}},
        {"a doubled slash is one slash inside a switch", "/HINT=INDEX(T//A)//2/WHERE=A//B > 1",
         {{"HINT", "INDEX(T/A)/2"}, {"WHERE", "A/B > 1"}}},
        {"unknown, misspelt, shortened and blank-led names change nothing",
         "/CLIPSTRING=FALSE/CLIP=FALSE/NOSUCH=1/ CLIPSTRINGS=FALSE", {{"CLIPSTRINGS", "TRUE"}}},
        {"the first character is skipped whatever it is", "CLIPSTRINGS=FALSE/BINDCONSTANTS=FALSE",
         {{"CLIPSTRINGS", "TRUE"}, {"BINDCONSTANTS", "FALSE"}}},
        {"TURBOSQL and NOVERIFY are one setting", "/TURBOSQL=TRUE/NOVERIFY=FALSE",
         {{"NOVERIFY", "FALSE"}, {"TURBOSQL", "FALSE"}}},
        {"names in any case, blanks around '='", "/clipstrings = FALSE/Odbccall  =  false",
         {{"CLIPSTRINGS", "FALSE"}, {"ODBCCALL", "FALSE"}}},
        {"a switch without '=' changes nothing", "/CLIPSTRINGS/NOVERIFY TRUE",
         {{"CLIPSTRINGS", "TRUE"}, {"NOVERIFY", "FALSE"}}},
        {"NOPRIMARY and USEPRIMARY need '=' right after the name",
         "/NOPRIMARY =TRUE/USEPRIMARY=TRUE", {{"NOPRIMARY", "FALSE"}, {"USEPRIMARY", "TRUE"}}},
        {"WHERE keeps the blanks after '='", "/WHERE=  A = 1", {{"WHERE", "  A = 1"}}},
        {"WHERE takes everything after its sixth character", "/WHERE =  A = 1",
         {{"WHERE", "=  A = 1"}}},
        {"ZERODATE as a date", "/ZERODATE=20240131",
         {{"ZERODATE", "20240131"}, {"ZEROISNULL", "FALSE"}}},
        {"ZERODATE 1", "/ZERODATE=1", {{"ZERODATE", "1"}}},
        {"ZERODATE as other text keeps the zero", "/ZERODATE=KEEP", {{"ZERODATE", "0"}}},
        {"ZEROISNULL off keeps the zero", "/ZEROISNULL=FALSE", {{"ZERODATE", "0"}}},
        {"ZERODATE and ZEROISNULL are one setting", "/ZERODATE=19991231/ZEROISNULL=TRUE",
         {{"ZERODATE", "NULL"}, {"ZEROISNULL", "TRUE"}}},
        {"JOINTYPE and NESTING by name", "/JOINTYPE=db2/NESTING=partial",
         {{"JOINTYPE", "DB2"}, {"NESTING", "PARTIAL"}}},
        {"JOINTYPE and NESTING fall back", "/JOINTYPE=ORACLE/NESTING=no",
         {{"JOINTYPE", "WATCOM"}, {"NESTING", "TRUE"}}},
        {"numbers", "/BINDCOLORDER=2/ISOLATIONLEVEL= 8",
         {{"BINDCOLORDER", "2"}, {"ISOLATIONLEVEL", "8"}}},
        {"BUSYHANDLING 1 to 4", "/BUSYHANDLING=2", {{"BUSYHANDLING", "2"}}},
        {"BUSYHANDLING out of range is unset", "/BUSYHANDLING=5", {{"BUSYHANDLING", "0"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EndProgram();
        AttachedTable file("");
        file.vars.driverString.Assign(c.driverString);
        Reattach(file);
        ASSERT_NE(file.table.File().driverState, nullptr);
        for (const auto& [name, expected] : c.values) EXPECT_EQ(Value(file, name), expected) << name;
        EXPECT_EQ(file.State().dataSource, nullptr);
    }
}

// One STRING(4) field per external name.
class FieldSwitchFile {
public:
    explicit FieldSwitchFile(const std::vector<std::string>& names) : names_(names) {
        const auto count = static_cast<std::int32_t>(names_.size());
        record_.assign(static_cast<std::size_t>(count) * 4, ' ');
        labels_.reserve(names_.size());
        layout_.push_back({kind::GROUP, 0, count * 4, 1, 0, nullptr, nullptr, nullptr, count});
        for (std::int32_t i = 0; i < count; ++i) {
            labels_.push_back("T:F" + std::to_string(i + 1));
            layout_.push_back({kind::STRING, i * 4, 4, 1, 0, labels_.back().c_str(),
                               names_[static_cast<std::size_t>(i)].c_str(), nullptr, 0});
        }
        file_.driverEntry = &Dispatch;
        file_.name = TextRef::Terminated("T");
        file_.recordBuffer = record_.data();
        file_.recordSize = count * 4;
        file_.recordLayout = {layout_.data(), static_cast<std::uint32_t>(layout_.size())};
        Arguments none;
        CallDriver(op::NAME, file_, none);
    }
    const DriverState& State() const { return *file_.driverState; }

private:
    std::vector<std::string> names_;
    std::vector<std::string> labels_;
    std::vector<FieldDescriptor> layout_;
    std::string record_;
    FileDescriptor file_;
};

TEST_F(OptionsTest, FieldSwitches) {
    struct Case {
        std::string externalName;
        std::string column;
        int access;
        bool binary, noWhere, zeroNotNull, checkForNull, watch;
    };
    const std::vector<Case> cases = {
        {"Plain", "Plain", 0, false, false, false, false, false},
        {"Name |READONLY", "Name", 2, false, false, false, false, false},
        {"Name|READONLY", "Nam", 2, false, false, false, false, false},
        {"N |  BINARY|nowhere", "N", 0, true, true, false, false, false},
        {"N |WRITABLE|WATCH|ZERONOTNULL|CHECKFORNULL", "N", 1, false, false, true, true, true},
        {"N |READONLY|WRITABLE", "N", 1, false, false, false, false, false},
        {"N |READ|WATCHED|XYZ", "N", 0, false, false, false, false, true},
    };
    std::vector<std::string> names;
    for (const Case& c : cases) names.push_back(c.externalName);
    FieldSwitchFile file(names);
    const DriverState& state = file.State();
    ASSERT_EQ(state.fields.size(), cases.size());
    int watched = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const FieldEntry& f = state.fields[i];
        SCOPED_TRACE(c.externalName);
        EXPECT_EQ(f.columnName, c.column);
        EXPECT_EQ(f.access, c.access);
        EXPECT_EQ(f.binary, c.binary);
        EXPECT_EQ(f.noWhere, c.noWhere);
        EXPECT_EQ(f.zeroNotNull, c.zeroNotNull);
        EXPECT_EQ(f.checkForNull, c.checkForNull);
        EXPECT_EQ(f.watch, c.watch);
        watched += c.watch ? 1 : 0;
    }
    EXPECT_EQ(state.watchedFields, watched);
}

TEST_F(OptionsTest, AKeysSwitchListFollowsItsSqlName) {
    AttachedTable file("");
    file.vars.primaryKeyName.Assign("Pk/HINT=IX//1/WHERE=A>1");
    file.vars.secondKeyName.Assign("Nk/TURBOSQL=TRUE");
    Reattach(file);
    const DriverState& state = file.State();
    ASSERT_EQ(state.keys.size(), 2u);
    EXPECT_EQ(state.keys[0].sqlName, "Pk");
    EXPECT_EQ(state.keys[0].hint, "IX/1");
    EXPECT_EQ(state.keys[0].where, "A>1");
    EXPECT_EQ(state.keys[1].sqlName, "Nk");
    EXPECT_EQ(state.keys[1].hint, "");
    // HINT and WHERE stay with the key; other switches reach the file.
    EXPECT_EQ(state.options.hint, "");
    EXPECT_EQ(state.options.where, "");
    EXPECT_TRUE(state.options.noVerify);
}

TEST_F(OptionsTest, SendWithoutAServer) {
    struct Case {
        const char* what;
        const char* command;
        int error;
        const char* text;
    };
    const Case cases[] = {
        {"asking for a switch", "/LOGONSCREEN", 0, "TRUE"},
        {"a switch answers its value before the change", "/NOVERIFY=TRUE", 0, "FALSE"},
        {"an unknown switch answers nothing", "/NOSUCH=1", 0, ""},
        {"IGNORESTATUS is ignored", "IGNORESTATUS ON", 0, ""},
        {"HELD is ignored", "HELD", 0, ""},
        {"QUICKSCAN is ignored", "QUICKSCAN=ON", 0, ""},
        {"IMPORTFILE is refused", "IMPORTFILE", 37, ""},
        {"a blank command executes nothing", "   ", 0, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AttachedTable file("");
        const Outcome outcome = Send(file, c.command);
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(outcome.text, c.text);
        EXPECT_EQ(file.State().dataSource, nullptr);  // nothing reached for a server
    }
}

TEST_F(OptionsTest, SendChangesASwitchOnceAndAWhereOnlyForTheNextSequence) {
    AttachedTable file("");
    EXPECT_EQ(Send(file, "/CLIPSTRINGS=FALSE").text, "TRUE");
    EXPECT_EQ(Send(file, "/CLIPSTRINGS").text, "FALSE");
    EXPECT_EQ(Send(file, "/LOGONSCREEN=FALSE").text, "TRUE");
    EXPECT_FALSE(file.State().logonScreen);  // a data source created later takes it
    EXPECT_EQ(Send(file, "/WHERE=A > 1").text, "");
    EXPECT_EQ(file.State().options.oneShotWhere, "A > 1");
    EXPECT_EQ(file.State().options.where, "");
}

const char* g_warningTitle = nullptr;
const char* g_warningText = nullptr;

TEST_F(OptionsTest, ImportFileWarnsOnlyOnAClosedFile) {
    SetImportWarningBox([](const char* title, const char* text) {
        g_warningTitle = title;
        g_warningText = text;
    });
    ScopedHandler open(op::OPEN, Succeeds);
    for (bool opened : {false, true}) {
        SCOPED_TRACE(opened);
        g_warningTitle = g_warningText = nullptr;
        AttachedTable file("");
        if (opened) {
            ASSERT_EQ(Call(file, op::OPEN, Arguments::WithNumbers({0x22})).error, 0);
        }
        EXPECT_EQ(Send(file, "IMPORTFILE").error, 37);
        EXPECT_STREQ(g_warningTitle, opened ? nullptr : "File Import");
        EXPECT_STREQ(g_warningText, opened ? nullptr : "File Driver does not support File Import");
    }
    SetImportWarningBox(nullptr);
}

TEST_F(OptionsTest, RegisterOnAClosedFileThrowsTheStateAway) {
    AttachedTable file("");
    Send(file, "/NOVERIFY=TRUE");
    const Outcome outcome = Send(file, "REGISTER");
    EXPECT_EQ(outcome.error, 0);
    EXPECT_NE(outcome.text, "");
    EXPECT_TRUE(file.State().invalidated);
    file.Run(op::NAME);
    EXPECT_FALSE(file.State().invalidated);
    EXPECT_FALSE(file.State().options.noVerify);  // a fresh state
}

TEST_F(OptionsTest, PropertyRoundTrips) {
    struct Case {
        const char* property;
        const char* value;
        std::int64_t index;
        const char* readBack;
    };
    const Case cases[] = {
        {"29186", "30", 0, "30"},
        {"29190", "0", 0, "0"},
        {"29190", "5", 0, "1"},
        {"29219", "A > 1", 0, "A > 1"},
        {"29249", "INDEX(X)", 0, ""},  // a one-shot hint is never read back
        {"29251", "[`]]x", 0, "[`]]"},
        {"29252", "some text", 0, "some text"},
        {"29254", "0", 0, "0"},
        {"29255", "1", 0, "1"},
        {"29259", "8", 0, "8"},
        {"29260", "3", 0, "3"},
        {"29260", "0", 0, "255"},
        {"29261", "5", 2, "5"},
        {"29261", "5", 15, ""},
        {"29262", "4", 0, "4"},
        {"29265", "1", 0, "1"},
        {"29266", "4", 0, "4"},
        {"29266", "9", 0, "0"},
        {"29267", "busy", 0, "busy"},
        {"29268", "3", 0, "3"},
        {"29446", "1", 0, "1"},
        {"29459", "1", 0, "1"},
        {"29460", "/HINT=X", 0, "/HINT=X"},
        {"29461", "OTHERDSN", 0, "OTHERDSN"},
        {"29462", "Other", 0, "Other"},
        {"29505", "0", 0, "1"},
        {"29505", "20", 0, "20"},
        {"29506", "-3", 0, "0"},
        {"29506", "50", 0, "50"},
        {" 29190 ", "7", 0, "1"},
        {"99999", "1", 0, ""},
        {"ORDERINSELECT", "1", 0, ""},  // a name goes to the driver-common properties
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.property) + " = " + c.value);
        EndProgram();
        AttachedTable file("");
        EXPECT_EQ(Set(file, c.property, c.value, c.index).error, 0);
        EXPECT_EQ(Get(file, c.property, c.index).text, c.readBack);
    }
}

TEST_F(OptionsTest, PropertiesReachTheSettingsTheyName) {
    AttachedTable file("");
    Set(file, "29254", "0");
    EXPECT_FALSE(file.State().logonScreen);
    Set(file, "29265", "1");
    EXPECT_EQ(Value(file, "IGNORETRUNCATION"), "TRUE");
    Set(file, "29190", "1");
    EXPECT_EQ(Value(file, "ORDERINSELECT"), "FALSE");
    Set(file, "29446", "1");
    EXPECT_EQ(Call(file, op::PACK, {}).error, 80);  // progress events are not supported
    EXPECT_EQ(Call(file, op::PACK, {}).error, 0);   // and the request is used up
    Set(file, "29459", "1");
    EXPECT_TRUE(file.State().fileAttributes & stateattr::ENCRYPT);
    Set(file, "29459", "0");
    EXPECT_FALSE(file.State().fileAttributes & stateattr::ENCRYPT);
}

TEST_F(OptionsTest, TextsSetAsPropertiesAreNoLongerRefreshed) {
    struct Case {
        const char* property;
        std::function<void(app::TesterVariables&)> change;
    };
    const Case cases[] = {
        {"29460", [](app::TesterVariables& v) { v.driverString.Assign("Changed"); }},
        {"29461", [](app::TesterVariables& v) { v.dataSource.Assign("Changed"); }},
        {"29462", [](app::TesterVariables& v) { v.tableName.Assign("Changed"); }},
    };
    for (const Case& c : cases) {
        for (bool setFirst : {false, true}) {
            SCOPED_TRACE(std::string(c.property) + (setFirst ? " set first" : ""));
            AttachedTable file("");
            if (setFirst) {
                ASSERT_EQ(Set(file, c.property, "Mine").error, 0);
            }
            c.change(file.vars);
            // GET_PROPERTY refreshes the texts of a closed file before it answers.
            EXPECT_EQ(Get(file, c.property).text, setFirst ? "Mine" : "Changed");
        }
    }
}

TEST_F(OptionsTest, TracePropertiesReachTheFilesLogger) {
    namespace fs = std::filesystem;
    std::string dir = (fs::temp_directory_path() / "options_trace_XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const fs::path log = fs::path(dir) / "file.log";
    {
        AttachedTable file("");
        ASSERT_NE(file.State().traceLog, nullptr);
        Set(file, "29443", log.string());
        EXPECT_EQ(Get(file, "29443").text, log.string());
        Set(file, "29272", "1");
        EXPECT_EQ(Get(file, "29272").text, "1");
        Set(file, "29442", "a line of our own");
        Set(file, "29272", "0");
        EXPECT_EQ(Get(file, "29272").text, "0");
    }
    std::ifstream in(log);
    std::stringstream contents;
    contents << in.rdbuf();
    EXPECT_NE(contents.str().find("a line of our own\r\n"), std::string::npos) << contents.str();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace dbprobe::odbc
