#include "odbc/session/trace_logger.h"
#include "tests/support/trace_clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace dbprobe::odbc {
namespace {

namespace fs = std::filesystem;

using testing::FakeClock;

const std::string P = "01A2BH(7) 12:34:56.789 ";  // the line prefix under FakeClock

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh directory holding the configuration (WIN.INI) and, as the current
// directory, the log files; restores the process's state afterwards.
class TraceDirs {
public:
    TraceDirs() {
        std::string pattern = (fs::temp_directory_path() / "trace_logger_XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
        config = root / "config";
        work = root / "work";
        fs::create_directories(config);
        fs::create_directories(work);
        if (const char* old = std::getenv("DBPROBE_CONFIG_DIR")) oldConfig_ = old;
        setenv("DBPROBE_CONFIG_DIR", config.c_str(), 1);
        oldCwd_ = fs::current_path();
        fs::current_path(work);
        ForgetTraceSettings();
    }
    ~TraceDirs() {
        ForgetTraceSettings();
        std::error_code ec;
        fs::current_path(oldCwd_, ec);
        if (oldConfig_)
            setenv("DBPROBE_CONFIG_DIR", oldConfig_->c_str(), 1);
        else
            unsetenv("DBPROBE_CONFIG_DIR");
        fs::remove_all(root, ec);
    }
    TraceDirs(const TraceDirs&) = delete;
    TraceDirs& operator=(const TraceDirs&) = delete;

    // Replaces the trace settings with these entries of the ZQODBC section.
    void Settings(const std::string& entries) {
        std::ofstream(config / "WIN.INI", std::ios::binary) << "[ZQODBC]\n" << entries;
        ForgetTraceSettings();
    }
    std::vector<std::string> WorkFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work)) names.push_back(entry.path().filename());
        return names;
    }

    fs::path root, config, work;

private:
    std::optional<std::string> oldConfig_;
    fs::path oldCwd_;
};

class TraceLoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The version line belongs to the process's first logger; take it
        // here, with no file, so that no test's expected lines depend on the
        // order the tests run in. Its own test runs in a fresh process.
        static const bool versionTaken = [] {
            TraceDirs empty;
            TraceLogger first("", false);
            return true;
        }();
        (void)versionTaken;
        SetTraceClock(&clock_);
    }
    void TearDown() override { SetTraceClock(nullptr); }

    FakeClock clock_;
    TraceDirs dirs_;
};

TEST_F(TraceLoggerTest, LinesAreBuiltAndWrittenExactly) {
    struct Case {
        const char* what;
        std::function<void(TraceLogger&, FakeClock&)> write;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"one line", [](TraceLogger& l, FakeClock&) { l.WriteText("Hello", true); }, P + "Hello\r\n"},
        {"pieces make one line",
         [](TraceLogger& l, FakeClock&) {
             l.WriteText("a");
             l.WriteText("b");
             l.EndLine();
         },
         P + "ab\r\n"},
        {"ending a line that was never started writes nothing",
         [](TraceLogger& l, FakeClock&) {
             l.EndLine();
             l.WriteText("x", true);
             l.EndLine();
         },
         P + "x\r\n"},
        {"an empty text with endLine is an empty line",
         [](TraceLogger& l, FakeClock&) { l.WriteText("", true); }, P + "\r\n"},
        {"WriteLine finishes the started line first",
         [](TraceLogger& l, FakeClock&) {
             l.WriteText("a");
             l.WriteLine("b");
         },
         P + "a\r\n" + P + "b\r\n"},
        {"handle with text",
         [](TraceLogger& l, FakeClock&) {
             l.WriteHandle("Environment", reinterpret_cast<void*>(0x1A2B), "Allocating", false);
             l.EndLine();
         },
         P + "Allocating Environment 1A2B\r\n"},
        {"handle without text, null handle",
         [](TraceLogger& l, FakeClock&) {
             l.WriteText("Allocating");
             l.WriteHandle("Connection", nullptr, "", false);
             l.EndLine();
         },
         P + "AllocatingConnection 0\r\n"},
        {"timer started with the handle",
         [](TraceLogger& l, FakeClock& c) {
             c.now = 500;
             const long mark = l.WriteHandle("Statement", reinterpret_cast<void*>(0xABCDEF), "Executing", true);
             EXPECT_EQ(mark, 500);
             c.now = 1734;
             l.WriteTimeTaken(mark);
         },
         P + "Executing Statement ABCDEF Time Taken:12.34 secs\r\n"},
        {"timer with texts, hundredths padded",
         [](TraceLogger& l, FakeClock& c) {
             c.now = 10;
             const long mark = l.StartTimer("Connecting");
             c.now = 15;
             l.WriteTimeTaken(mark, " done");
         },
         P + "Connecting done Time Taken:0.05 secs\r\n"},
        {"a clock that went back counts as no time",
         [](TraceLogger& l, FakeClock& c) {
             c.now = 900;
             const long mark = l.StartTimer();
             c.now = 800;
             l.WriteTimeTaken(mark);
         },
         P + " Time Taken:0.00 secs\r\n"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        const std::string name = "case" + std::to_string(i) + ".log";
        {
            TraceLogger log("/LOGFILE=" + name, false);
            ASSERT_TRUE(log.ProfileOn());
            cases[i].write(log, clock_);
        }
        EXPECT_EQ(Contents(dirs_.work / name), cases[i].expected);
    }
}

TEST_F(TraceLoggerTest, BytesOutsideThePrintableRangesAreEscaped) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"a\nb", "a<0AH>b"},  {"\r", "<0DH>"},       {std::string(1, '\0'), "<00H>"},
        {"\x1F", "<01FH>"},   {" ~", " ~"},          {"\x7F", "<07FH>"},
        {"\x80", "<080H>"},   {"\xBF", "<0BFH>"},    {"\xC0", "\xC0"},
        {"\xC8", "\xC8"},     {"\xFE", "\xFE"},      {"\xFF", "<0FFH>"},
    };
    std::string expected;
    {
        TraceLogger log("/LOGFILE=escape.log", false);
        for (const Case& c : cases) {
            log.WriteText(c.text, true);
            expected += P + c.shown + "\r\n";
        }
    }
    EXPECT_EQ(Contents(dirs_.work / "escape.log"), expected);
}

TEST_F(TraceLoggerTest, LineModeWritesWholeLinesAndFlushModeEveryPiece) {
    struct Case {
        const char* what;
        const char* settings;
        bool flushBeforeSecondPiece;  // SetFlushOn(true) halfway
        std::string afterFirstPiece;
        std::string afterSecondPiece;
    };
    const Case cases[] = {
        {"line mode", "Profile=1\n", false, "", ""},
        {"Flush setting", "Profile=1\nFlush=1\n", false, P + "abc", P + "abcdef"},
        {"Flush switched on halfway", "Profile=1\n", true, "", P + "abcdef"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dirs_.Settings(c.settings);
        fs::remove(dirs_.work / "ODBC.LOG");
        TraceLogger log("", false);
        log.WriteText("abc");
        EXPECT_EQ(Contents(dirs_.work / "ODBC.LOG"), c.afterFirstPiece);
        if (c.flushBeforeSecondPiece) log.SetFlushOn(true);
        log.WriteText("def");
        EXPECT_EQ(Contents(dirs_.work / "ODBC.LOG"), c.afterSecondPiece);
        log.EndLine();
        EXPECT_EQ(Contents(dirs_.work / "ODBC.LOG"), P + "abcdef\r\n");
    }
}

TEST_F(TraceLoggerTest, LoggersNamingOneFileShareItAndNeverTruncateIt) {
    std::ofstream(dirs_.work / "shared.log", std::ios::binary) << "earlier run\r\n";
    TraceLogger first("/LOGFILE=shared.log", false);
    first.WriteText("one", true);
    // The same file spelled another way ("//" is a '/' in a driver string),
    // and a logger created after the first one wrote.
    std::string fullName = (dirs_.work / "." / "shared.log").string();
    for (std::size_t at = fullName.find('/'); at != std::string::npos; at = fullName.find('/', at + 2))
        fullName.insert(at, "/");
    TraceLogger second("/LOGFILE=" + fullName, false);
    second.WriteText("two", true);
    first.WriteText("three", true);
    EXPECT_EQ(Contents(dirs_.work / "shared.log"),
              "earlier run\r\n" + P + "one\r\n" + P + "two\r\n" + P + "three\r\n");
}

TEST_F(TraceLoggerTest, NoSettingsAndNoLogFileSwitchCreateNoFile) {
    for (const char* driverString : {"", "        ", "/BINDCONSTANTS=FALSE/ALLOWDETAILS", "LOGFILE=x.log"}) {
        SCOPED_TRACE(driverString);
        TraceLogger log(driverString, false);
        EXPECT_FALSE(log.TraceOn());
        EXPECT_FALSE(log.ProfileOn());
        log.WriteText("lost", true);
        log.WriteHandle("Statement", &log, "lost", true);
    }
    std::unique_ptr<TraceLogger> environment = TraceLogger::ForEnvironment();
    EXPECT_FALSE(environment->TraceOn());
    EXPECT_FALSE(environment->ProfileOn());
    EXPECT_TRUE(dirs_.WorkFiles().empty());
    EXPECT_FALSE(fs::exists(dirs_.config / "WIN.INI"));
}

TEST_F(TraceLoggerTest, LogFileSwitchOfTheDriverString) {
    struct Case {
        std::string driverString;
        std::string file;       // the log that must appear; empty: none
        std::string contents;   // what the logger's creation wrote into it
    };
    const std::vector<Case> cases = {
        {"/LOGFILE=a.log", "a.log", ""},
        {"/LOGFILE=b.log [Hello]", "b.log", P + "Hello\r\n"},
        {"Owner text/X=1  /LOGFILE = c.log [Hi there]  /ALLOWDETAILS", "c.log", P + "Hi there\r\n"},
        {"/LOGFILE=d.log[with\na line feed]", "d.log", P + "with<0AH>a line feed\r\n"},
        {"/LOGFILE=e.log [not closed", "e.log", P + "not closed\r\n"},
        {"/LOGFILE=f.log []", "f.log", P + "\r\n"},
        {"/LOGFILE=first.log/LOGFILE=g.log", "g.log", ""},
        // The name must be written exactly so, after a '/'.
        {"LOGFILE=h.log", "", ""},
        {"/logfile=i.log", "", ""},
        {"/ LOGFILE=j.log", "", ""},
        {"/LOGFILE=", "", ""},
        {"/LOGFILE", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driverString);
        for (const std::string& name : dirs_.WorkFiles()) fs::remove(dirs_.work / name);
        {
            TraceLogger log(c.driverString, false);
            EXPECT_EQ(log.ProfileOn(), !c.file.empty());
            EXPECT_FALSE(log.TraceOn());
            if (!c.file.empty()) {
                EXPECT_EQ(log.LogFileName(), c.file);
            }
        }
        if (c.file.empty()) {
            EXPECT_TRUE(dirs_.WorkFiles().empty());
        } else {
            EXPECT_EQ(dirs_.WorkFiles(), std::vector<std::string>{c.file});
            EXPECT_EQ(Contents(dirs_.work / c.file), c.contents);
        }
    }
    // A log named without a directory lies in the current directory, never
    // beside the profile.
    EXPECT_TRUE(fs::is_empty(dirs_.config));
}

TEST_F(TraceLoggerTest, LogFileWithoutANameUsesTheTraceFileSetting) {
    dirs_.Settings("TraceFile=named.log\n");
    { TraceLogger log("/LOGFILE= [Only a message]", false); }
    EXPECT_EQ(Contents(dirs_.work / "named.log"), P + "Only a message\r\n");
}

TEST_F(TraceLoggerTest, AnEncryptedFileListsDetailsOnlyWithAllowDetails) {
    struct Case {
        const char* settings;
        const char* driverString;
        bool encrypted;
        bool detailsOn;
        bool propertyAllowed;  // whether SetDetailsOn(true) takes effect
    };
    const Case cases[] = {
        {"Details=1\n", "", false, true, true},
        {"Details=1\n", "", true, false, false},
        {"Details=1\n", "/ALLOWDETAILS", true, true, true},
        {"Details=1\n", "/ALLOWDETAILS=1 /LOGFILE=x.log", true, true, true},
        {"Details=1\n", "/allowdetails", true, false, false},
        {"Details=0\n", "/ALLOWDETAILS", true, false, true},
        {"", "", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + c.driverString + (c.encrypted ? " ENCRYPT" : ""));
        dirs_.Settings(c.settings);
        TraceLogger log(c.driverString, c.encrypted);
        EXPECT_EQ(log.DetailsOn(), c.detailsOn);
        log.SetDetailsOn(true);
        EXPECT_EQ(log.DetailsOn(), c.propertyAllowed);
        log.SetDetailsOn(false);
        EXPECT_FALSE(log.DetailsOn());
    }
}

TEST_F(TraceLoggerTest, SettingsAreReadFromTheProfileOnceUntilForgotten) {
    const TraceSettings defaults = CurrentTraceSettings();
    EXPECT_EQ(defaults.trace, 0);
    EXPECT_EQ(defaults.debug, 0);
    EXPECT_EQ(defaults.profile, 0);
    EXPECT_EQ(defaults.flush, 0);
    EXPECT_EQ(defaults.details, 0);
    EXPECT_EQ(defaults.traceFile, "ODBC.LOG");

    std::ofstream(dirs_.config / "WIN.INI", std::ios::binary)
        << "[zqodbc]\r\ntrace=1\r\nDEBUG=2\r\nProfile=3\r\nFlush=4\r\nDetails=5\r\nTraceFile=  my trace.log  \r\n";
    EXPECT_EQ(CurrentTraceSettings().trace, 0) << "read once, kept until forgotten";
    ForgetTraceSettings();
    const TraceSettings& s = CurrentTraceSettings();
    EXPECT_EQ(s.trace, 1);
    EXPECT_EQ(s.debug, 2);
    EXPECT_EQ(s.profile, 3);
    EXPECT_EQ(s.flush, 4);
    EXPECT_EQ(s.details, 5);
    EXPECT_EQ(s.traceFile, "my trace.log");

    dirs_.Settings("TraceFile=" + std::string(300, 'n') + "\n");
    EXPECT_EQ(CurrentTraceSettings().traceFile, std::string(260, 'n'));
    dirs_.Settings("TraceFile=\n");
    EXPECT_EQ(CurrentTraceSettings().traceFile, "ODBC.LOG");
}

TEST_F(TraceLoggerTest, TraceSettingSwitchesTheCallTraceOfFilesAndEnvironment) {
    dirs_.Settings("Trace=1\nTraceFile=calls.log\n");
    TraceLogger file("", false);
    EXPECT_TRUE(file.TraceOn());
    EXPECT_FALSE(file.ProfileOn());
    std::unique_ptr<TraceLogger> environment = TraceLogger::ForEnvironment();
    EXPECT_TRUE(environment->TraceOn());
    EXPECT_FALSE(environment->DetailsOn());
    environment->WriteText("from the environment", true);
    file.WriteText("from the file", true);
    EXPECT_EQ(Contents(dirs_.work / "calls.log"),
              P + "from the environment\r\n" + P + "from the file\r\n");
}

TEST_F(TraceLoggerTest, PropertiesSwitchTheTraceAndTheLogFile) {
    TraceLogger log("", false);
    ASSERT_FALSE(log.TraceOn());
    log.SetTraceOn(true);  // opens the settings' file
    EXPECT_TRUE(log.TraceOn());
    log.WriteText("half");
    log.UseLogFile("other.log");  // the started line stays with the old file
    log.WriteText("moved", true);
    log.SetTraceOn(false);
    EXPECT_FALSE(log.TraceOn());
    log.UseLogFile("");
    EXPECT_FALSE(log.TraceOn());
    log.SetTraceOn(true);
    EXPECT_FALSE(log.TraceOn()) << "detached: no file to trace into";
    log.WriteText("lost", true);

    log.UseLogFile("last.log");
    EXPECT_TRUE(log.TraceOn());
    log.WriteText("last", true);

    EXPECT_EQ(Contents(dirs_.work / "ODBC.LOG"), P + "half\r\n");
    EXPECT_EQ(Contents(dirs_.work / "other.log"), P + "moved\r\n");
    EXPECT_EQ(Contents(dirs_.work / "last.log"), P + "last\r\n");
}

TEST_F(TraceLoggerTest, ALogFileNamedWhileEverythingIsOffIsNotCreated) {
    TraceLogger log("", false);
    log.UseLogFile("idle.log");
    EXPECT_EQ(log.LogFileName(), "idle.log");
    EXPECT_TRUE(dirs_.WorkFiles().empty());
}

TEST_F(TraceLoggerTest, TheDebuggerNameWritesToStandardError) {
    ::testing::internal::CaptureStderr();
    {
        TraceLogger log("/LOGFILE=DEBUG:", false);
        log.WriteText("to the");
        log.WriteText(" debugger", true);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), P + "to the debugger\r\n");
    EXPECT_TRUE(dirs_.WorkFiles().empty());
}

TEST(TraceThreadNumber, IsStableForAThreadAndDistinctBetweenThreads) {
    const long mine = TraceThreadNumber();
    EXPECT_GE(mine, 1);
    EXPECT_EQ(TraceThreadNumber(), mine);
    long other = 0;
    std::thread([&] { other = TraceThreadNumber(); }).join();
    EXPECT_GE(other, 1);
    EXPECT_NE(other, mine);
}

TEST(TraceHex, WritesALeadingZeroUpperCaseDigitsAndH) {
    EXPECT_EQ(TraceHex(0), "00H");
    EXPECT_EQ(TraceHex(10), "0AH");
    EXPECT_EQ(TraceHex(0xABCDEF12UL), "0ABCDEF12H");
}

// The prefix of the system clock: this process's id, thread 1 (the first
// thread that logs), then the local time as HH:MM:SS.mmm and a blank.
bool HasSystemPrefix(std::string_view line, std::string_view rest) {
    const std::string head = TraceHex(static_cast<unsigned long>(getpid())) + "(1) ";
    if (line.substr(0, head.size()) != head) return false;
    line.remove_prefix(head.size());
    const std::string_view shape = "00:00:00.000 ";
    if (line.size() != shape.size() + rest.size() || line.substr(shape.size()) != rest) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (shape[i] == '0' ? !digit : line[i] != shape[i]) return false;
    }
    return true;
}

// Runs in a process of its own: creates loggers, checks the log, and reports
// through the exit code (the log goes to standard error for the record).
[[noreturn]] void VersionScenario(bool firstLoggerHasFile) {
    bool ok = false;
    std::string log;
    {
        TraceDirs dirs;
        {
            TraceLogger first(firstLoggerHasFile ? "/LOGFILE=v.log" : "", false);
            TraceLogger second("/LOGFILE=v.log", false);
            second.WriteText("second", true);
        }
        log = Contents(dirs.work / "v.log");
        std::vector<std::string> expected;
        if (firstLoggerHasFile) expected.push_back("Version: 6.200.01.001");
        expected.push_back("second");
        std::vector<std::string_view> lines;
        std::string_view rest = log;
        for (std::size_t end = rest.find("\r\n"); end != std::string_view::npos; end = rest.find("\r\n")) {
            lines.push_back(rest.substr(0, end));
            rest.remove_prefix(end + 2);
        }
        ok = rest.empty() && lines.size() == expected.size();
        for (std::size_t i = 0; ok && i < lines.size(); ++i) ok = HasSystemPrefix(lines[i], expected[i]);
    }
    std::fprintf(stderr, "%s", log.c_str());
    std::exit(ok ? 0 : 1);
}

TEST(TraceVersionDeathTest, OnlyTheFirstLoggerOfTheProcessWritesTheVersion) {
    // A process whose loggers are all still to come: a fresh one, not a fork
    // of this one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (bool firstLoggerHasFile : {true, false}) {
        SCOPED_TRACE(firstLoggerHasFile ? "first logger has a file" : "first logger has none");
        EXPECT_EXIT(VersionScenario(firstLoggerHasFile), ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace
}  // namespace dbprobe::odbc
