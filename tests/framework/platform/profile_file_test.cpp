#include "framework/platform/core/profile_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace dbprobe::platform {
namespace {

namespace fs = std::filesystem;

// A fresh configuration directory for each test, so that bare names never
// reach the user's own profile files.
class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "profile_file_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        if (const char* old = std::getenv("DBPROBE_CONFIG_DIR")) oldConfig_ = old;
        setenv("DBPROBE_CONFIG_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (oldConfig_)
            setenv("DBPROBE_CONFIG_DIR", oldConfig_->c_str(), 1);
        else
            unsetenv("DBPROBE_CONFIG_DIR");
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void Put(const std::string& name, const std::string& contents) {
        std::ofstream(dir_ / name, std::ios::binary) << contents;
    }
    std::string Contents(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    std::optional<std::string> oldConfig_;
};

const char* const kSample =
    "; settings of the tester\r\n"
    "top=outside any section\r\n"
    "[Fonts]\r\n"
    "Size = 10\r\n"
    "[ ZQODBC ]\r\n"
    ";Trace=9\r\n"
    "  Trace  =   1   \r\n"
    "TraceFile= my log.txt \r\n"
    "Empty=\r\n"
    "no equals sign here\r\n"
    "trace=2\r\n"
    "[zqodbc]\r\n"
    "Profile=1\r\n";

TEST_F(ProfileFileTest, ReadsSectionsAndKeysWithoutRegardToCase) {
    Put("WIN.INI", kSample);
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"ZQODBC", "Trace", "1"},  // the first of two entries; blanks and "\r" trimmed
        {"zqodbc", "TRACE", "1"},
        {"ZqOdbc", "tracefile", "my log.txt"},
        {"ZQODBC", "Empty", ""},
        {"ZQODBC", ";Trace", std::nullopt},  // a comment is no entry
        {"ZQODBC", "no equals sign here", std::nullopt},
        {"ZQODBC", "Profile", std::nullopt},  // only the first section of a name counts
        {"Fonts", "size", "10"},
        {"Fonts", "Trace", std::nullopt},
        {"", "top", std::nullopt},
        {"Missing", "Trace", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(ReadProfileString("WIN.INI", c.section, c.key), c.value);
    }
    EXPECT_EQ(ReadProfileString("OTHER.INI", "ZQODBC", "Trace"), std::nullopt);
}

TEST_F(ProfileFileTest, IntegersAreTheDecimalNumberAtTheStartOfTheValue) {
    struct Case {
        const char* line;  // nullptr: no entry
        long expected;
    };
    const Case cases[] = {
        {"N=12", 12},     {"N=  7  ", 7},  {"N=-3", -3},       {"N=+4", 4},
        {"N=12abc", 12},  {"N=0", 0},      {"N=abc", -99},     {"N=", -99},
        {"N=-", -99},     {"N= - 5", -99}, {nullptr, -99},
        {"N=99999999999999999999999", LONG_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line != nullptr ? c.line : "(none)");
        Put("n.ini", std::string("[S]\n") + (c.line != nullptr ? c.line : "") + "\n");
        EXPECT_EQ(ReadProfileInt("n.ini", "S", "N", -99), c.expected);
    }
    EXPECT_EQ(ReadProfileInt("absent.ini", "S", "N", 5), 5);
}

TEST_F(ProfileFileTest, WritingCreatesTheFileAndItsDirectories) {
    ASSERT_TRUE(WriteProfileString("dbprobe.INI", "__Dont_Touch_Me__", "Sectors", "0"));
    EXPECT_EQ(Contents("dbprobe.INI"), "[__Dont_Touch_Me__]\nSectors=0\n");

    const fs::path nested = dir_ / "a" / "b" / "x.ini";
    ASSERT_TRUE(WriteProfileString(nested.string(), "S", "K", "v"));
    EXPECT_EQ(ReadProfileString(nested.string(), "s", "k"), "v");
}

TEST_F(ProfileFileTest, WritingChangesOnlyTheEntryAndKeepsEverythingElse) {
    const std::string before =
        "; head comment\n"
        "[A]\n"
        "One=1\n"
        "Two = 2\n"
        "\n"
        "; about B\n"
        "[B]\n"
        "x=y\n";
    struct Case {
        const char* what;
        const char* section;
        const char* key;
        const char* value;  // nullptr: delete
        std::string after;
    };
    const Case cases[] = {
        {"replace, matched without case", "a", "TWO", "22",
         "; head comment\n[A]\nOne=1\nTWO=22\n\n; about B\n[B]\nx=y\n"},
        {"add after the section's last entry", "A", "Three", "3",
         "; head comment\n[A]\nOne=1\nTwo = 2\nThree=3\n\n; about B\n[B]\nx=y\n"},
        {"add to the last section", "B", "z", "  w  ",
         "; head comment\n[A]\nOne=1\nTwo = 2\n\n; about B\n[B]\nx=y\nz=w\n"},
        {"new section at the end", "C", "k", "v",
         "; head comment\n[A]\nOne=1\nTwo = 2\n\n; about B\n[B]\nx=y\n[C]\nk=v\n"},
        {"delete", "A", "one", nullptr, "; head comment\n[A]\nTwo = 2\n\n; about B\n[B]\nx=y\n"},
        {"delete what is not there", "B", "One", nullptr, before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put("w.ini", before);
        if (c.value != nullptr)
            EXPECT_TRUE(WriteProfileString("w.ini", c.section, c.key, c.value));
        else
            EXPECT_TRUE(DeleteProfileKey("w.ini", c.section, c.key));
        EXPECT_EQ(Contents("w.ini"), c.after);
    }
}

TEST_F(ProfileFileTest, WindowsLineEndsAreReadAndWrittenBackAsNewlines) {
    Put("crlf.ini", "[S]\r\nA=1\r\n");
    ASSERT_TRUE(WriteProfileString("crlf.ini", "S", "B", "2"));
    EXPECT_EQ(Contents("crlf.ini"), "[S]\nA=1\nB=2\n");
    EXPECT_EQ(ReadProfileInt("crlf.ini", "S", "A", 0), 1);
}

TEST_F(ProfileFileTest, AFailedWriteReportsFalseAndLeavesNoFile) {
    Put("blocker", "a plain file where a directory is needed");
    const fs::path inside = dir_ / "blocker" / "x.ini";
    EXPECT_FALSE(WriteProfileString(inside.string(), "S", "K", "v"));
    EXPECT_EQ(ReadProfileString(inside.string(), "S", "K"), std::nullopt);
}

}  // namespace
}  // namespace dbprobe::platform
