#include "odbc/session/trace_profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "odbc/dispatch/dispatcher.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/trace_logger.h"
#include "tests/support/trace_clock.h"

namespace dbprobe::odbc {
namespace {

namespace fs = std::filesystem;

using testing::FakeClock;

const std::string P = "01A2BH(7) 12:34:56.789 ";
constexpr long kStart = 100;  // operations start at 1.00 and end at 1.25 s
const std::string kTaken = " Time Taken:0.25 secs\r\n";

std::string Pad(const std::string& text, std::size_t column) {
    return text + std::string(column > text.size() ? column - text.size() : 1, ' ');
}

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += P + line + "\r\n";
    return text;
}

FieldDescriptor Field(int type, std::int32_t offset, std::int32_t size, const char* label) {
    FieldDescriptor f;
    f.type = type;
    f.offset = offset;
    f.size = size;
    f.label = label;
    return f;
}

// A file declared with one field of most kinds, a group that lies over a
// field, an array over another, two keys and a BLOB; attached through the
// dispatcher as the runtime would.
class ProfiledFile {
public:
    ProfiledFile() {
        FieldDescriptor record = Field(kind::GROUP, 0, kRecordSize, nullptr);
        record.memberCount = 9;
        FieldDescriptor name = Field(kind::STRING, 4, 12, "T:NAME");
        name.picture = "@s12";
        name.externalName = "FullName";
        FieldDescriptor price = Field(kind::DECIMAL, 25, 3, "T:PRICE");
        price.decimals = 2;
        FieldDescriptor parts = Field(kind::GROUP, 4, 12, "T:PARTS");
        parts.memberCount = 2;
        FieldDescriptor raw = Field(kind::BYTE, 0, 1, "T:RAW");
        raw.elements = 4;
        layout_ = {record,
                   Field(kind::LONG, 0, 4, "T:ID"),
                   name,
                   Field(kind::BYTE, 16, 1, "T:FLAG"),
                   Field(kind::DATE, 17, 4, "T:WHEN"),
                   Field(kind::TIME, 21, 4, "T:AT"),
                   price,
                   Field(kind::CSTRING, 28, 6, "T:CODE"),
                   parts,
                   Field(kind::STRING, 4, 6, "T:FIRST"),
                   Field(kind::STRING, 10, 6, "T:LAST"),
                   raw};

        byId_.externalName = {"KeyById   ", 10};
        byId_.label = TextRef::Terminated("T:BYID");
        byId_.attributes = keyattr::OPT | keyattr::NOCASE | keyattr::PRIMARY;
        byId_.componentCount = 1;
        byId_.components = idComponents_.data();
        byId_.owner = &file;
        byName_.label = TextRef::Terminated("T:BYNAME");
        byName_.attributes = keyattr::INDEX | keyattr::DUP;
        byName_.componentCount = 2;
        byName_.components = nameComponents_.data();
        byName_.owner = &file;
        keys_ = {&byId_, &byName_};
        note_.externalName = TextRef::Terminated("Note");
        note_.label = TextRef::Terminated("T:NOTE");
        note_.attributes = blobattr::BLOB | blobattr::BINARY;
        blobs_ = {&note_};

        file.driverEntry = &Dispatch;
        file.name = TextRef::Terminated("T");
        file.recordBuffer = record_.data();
        file.recordSize = kRecordSize;
        file.recordLayout = {layout_.data(), static_cast<std::uint32_t>(layout_.size())};
        file.keys = keys_.data();
        file.keyCount = 2;
        file.blobs = blobs_.data();
        file.blobCount = 1;
        file.attributes = fileattr::CREATE | fileattr::THREAD;
    }

    // Attaches and fills the record; false when the declaration was refused.
    bool Attach() {
        ClearErrors();
        Arguments args;
        Dispatch(op::NAME, &file, args);
        if (CurrentErrors().errorCode != 0 || file.driverState == nullptr) return false;
        DriverState& s = *file.driverState;
        s.driverString = "/IGNORETRUNCATION=TRUE";
        s.owner = "MyDsn,me,secret";
        const std::int32_t id = 42;
        std::memcpy(&record_[0], &id, 4);
        std::memcpy(&record_[4], "Novak Jan   ", 12);
        record_[16] = 0x0A;
        const unsigned char when[] = {5, 3, 0xE8, 0x07};  // 5 Mar 2024
        std::memcpy(&record_[17], when, 4);
        const unsigned char at[] = {50, 30, 15, 13};  // 13:15:30.50
        std::memcpy(&record_[21], at, 4);
        const unsigned char price[] = {0x12, 0x34, 0x5C};  // 123.45
        std::memcpy(&record_[25], price, 3);
        std::memcpy(&record_[28], "ab\0zzz", 6);
        s.blobs[0].contents = {'H', 'i', '\n'};
        return true;
    }
    DriverState& State() { return *file.driverState; }
    const KeyState* Key(int number) { return &State().keys[static_cast<std::size_t>(number - 1)]; }
    std::string Address() const { return TraceHex(reinterpret_cast<std::uintptr_t>(&file)); }

    FileDescriptor file;

private:
    static constexpr std::int32_t kRecordSize = 34;
    std::array<char, kRecordSize> record_{};
    std::vector<FieldDescriptor> layout_;
    std::array<std::int16_t, 1> idComponents_{1};
    std::array<std::int16_t, 2> nameComponents_{-2, 1};
    KeyDescriptor byId_, byName_;
    std::array<const KeyDescriptor*, 2> keys_{};
    BlobDescriptor note_;
    std::array<const BlobDescriptor*, 1> blobs_{};
};

// Settings and logs in a fresh directory; the version line taken beforehand.
class TraceProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "trace_profile_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        if (const char* old = std::getenv("DBPROBE_CONFIG_DIR")) oldConfig_ = old;
        setenv("DBPROBE_CONFIG_DIR", dir_.c_str(), 1);
        oldCwd_ = fs::current_path();
        fs::current_path(dir_);
        ForgetTraceSettings();
        static const bool versionTaken = [] {
            TraceLogger first("", false);
            return true;
        }();
        (void)versionTaken;
        SetTraceClock(&clock_);
        ClearErrors();
    }
    void TearDown() override {
        SetTraceClock(nullptr);
        ForgetTraceSettings();
        ClearErrors();
        if (oldConfig_)
            setenv("DBPROBE_CONFIG_DIR", oldConfig_->c_str(), 1);
        else
            unsetenv("DBPROBE_CONFIG_DIR");
        std::error_code ec;
        fs::current_path(oldCwd_, ec);
        fs::remove_all(dir_, ec);
    }
    void Settings(const std::string& entries) {
        std::ofstream(dir_ / "WIN.INI", std::ios::binary) << "[ZQODBC]\n" << entries;
        ForgetTraceSettings();
    }
    // The log lies in the current directory, beside the profile.
    std::string LogSwitch() const { return "/LOGFILE=profile.log"; }
    std::string Log() const { return Contents(dir_ / "profile.log"); }

    FakeClock clock_{125};
    fs::path dir_;
    fs::path oldCwd_;
    std::optional<std::string> oldConfig_;
};

TEST_F(TraceProfileTest, ProfileLineNamesOperationFileKeyAndError) {
    ProfiledFile f;
    ASSERT_TRUE(f.Attach());
    const std::string file = "(T:" + f.Address();
    struct Case {
        const char* what;
        int operation;
        int key;  // key number; 0 none
        int result;
        std::uint8_t runtimeFlags;
        std::string expected;  // "" : no line
    };
    const std::vector<Case> cases = {
        {"plain", op::ADD, 0, 0, 0, "ADD" + file + ") " + kTaken},
        {"key with external name", op::SETkey, 1, 0, 0, "SETkey" + file + ",KeyById[1]) " + kTaken},
        {"key without: its label", op::GETkeyptr, 2, 0, 0, "GETkeyptr" + file + ",T:BYNAME[2]) " + kTaken},
        {"a key handed to a file operation is not named", op::NEXT, 1, 0, 0, "NEXT" + file + ") " + kTaken},
        {"error", op::GETfilekey, 1, 35, 0,
         "GETfilekey" + file + ",KeyById[1]) Error: Record Not Found " + kTaken},
        {"file system error: the file error text", op::OPEN, 0, 90, 0,
         "OPEN" + file + ") [S1000] connection refused" + kTaken},
        {"runtime asked for no line", op::ADD, 0, 0, 2, ""},
        {"Internal87", op::Internal87, 0, 0, 0, ""},
        {"Internal91", op::Internal91, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(dir_ / "profile.log");
        SetFileError("S1000", std::string_view("[S1000] connection refused"));
        f.file.runtimeFlags = c.runtimeFlags;
        {
            TraceLogger log(LogSwitch(), false);
            WriteOperationProfile(log, c.operation, f.file, f.State(), c.key == 0 ? nullptr : f.Key(c.key),
                                  c.result, kStart);
        }
        EXPECT_EQ(Log(), c.expected.empty() ? "" : P + c.expected);
    }
    f.file.runtimeFlags = 0;

    // With the profile off there is nothing to write, and no file.
    fs::remove(dir_ / "profile.log");
    TraceLogger off("", false);
    WriteOperationProfile(off, op::ADD, f.file, f.State(), nullptr, 0, kStart);
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(TraceProfileTest, DetailsListTheDeclarationOnceAndTheRecordAfterRecordOperations) {
    Settings("Details=1\n");
    ProfiledFile f;
    ASSERT_TRUE(f.Attach());
    {
        TraceLogger log(LogSwitch(), false);
        ASSERT_TRUE(log.DetailsOn());
        WriteOperationProfile(log, op::ADD, f.file, f.State(), nullptr, 0, kStart);
        WriteOperationProfile(log, op::SETkeykey, f.file, f.State(), f.Key(2), 0, kStart);
        WriteOperationProfile(log, op::OPEN, f.file, f.State(), nullptr, 0, kStart);
        WriteOperationProfile(log, op::GETkeyptr, f.file, f.State(), f.Key(1), 35, kStart);
    }
    const std::vector<std::string> declaration = {
        Pad("T", 36) + "FILE,DRIVER('ODBC','/IGNORETRUNCATION=TRUE'),OWNER(******),NAME('T'),CREATE,THREAD",
        Pad("T:BYID", 38) + "KEY(+T:ID),OPT,NOCASE,PRIMARY,NAME('KeyById')",
        Pad("T:BYNAME", 38) + "INDEX(-T:NAME,+T:ID),DUP",
        Pad("T:NOTE", 38) + "BLOB,NAME('Note'),BINARY",
        Pad("", 38) + "RECORD",
        Pad("T:ID", 40) + "LONG",
        Pad("T:NAME", 40) + "STRING(12) @s12, NAME('FullName')",
        Pad("T:FLAG", 40) + "BYTE",
        Pad("T:WHEN", 40) + "DATE",
        Pad("T:AT", 40) + "TIME",
        Pad("T:PRICE", 40) + "DECIMAL(5,2)",
        Pad("T:CODE", 40) + "CSTRING(6)",
        Pad("T:PARTS", 40) + "GROUP, OVER(T:NAME)",
        Pad("T:FIRST", 42) + "STRING(6)",
        Pad("T:LAST", 42) + "STRING(6)",
        Pad("", 40) + "END",
        Pad("T:RAW", 40) + "BYTE, DIM(4), OVER(T:ID)",
        Pad("", 38) + "END",
        Pad("", 36) + "END",
    };
    auto item = [](const std::string& label, const std::string& value) {
        return " " + Pad(label, 36) + ": " + value;
    };
    const std::vector<std::string> record = {
        item("T:ID", "42"),
        item("T:NAME", "'Novak Jan'"),
        item("T:FLAG", "0AH"),
        item("T:WHEN", "05 Mar 2024 (132645637)"),
        item("T:AT", "13:15:30.50 (219094578)"),
        item("T:PRICE", "123.45"),
        item("T:CODE", "'ab'"),
        item("T:FIRST", "'Novak'"),
        item("T:LAST", "'Jan'"),
        item("T:RAW[1]", "2AH"),
        item("T:RAW[2]", "00H"),
        item("T:RAW[3]", "00H"),
        item("T:RAW[4]", "00H"),
        item("T:NOTE", "3 bytes"),
        " 48 69 0A " + std::string(13 * 3, ' ') + " | Hi.",
    };
    const std::string file = "(T:" + f.Address();
    const std::string expected =
        Join(declaration) + P + "ADD" + file + ") " + kTaken + Join(record) +
        P + "SETkeykey" + file + ",T:BYNAME[2]) " + kTaken +
        Join({item("T:NAME", "'Novak Jan'"), item("T:ID", "42")}) +
        P + "OPEN" + file + ") " + kTaken +
        P + "GETkeyptr" + file + ",KeyById[1]) Error: Record Not Found " + kTaken + Join(record);
    EXPECT_EQ(Log(), expected);
}

TEST_F(TraceProfileTest, AnEncryptedFileGetsTheProfileLineButNoContents) {
    Settings("Details=1\n");
    ProfiledFile f;
    ASSERT_TRUE(f.Attach());
    {
        TraceLogger log(LogSwitch(), true);
        WriteOperationProfile(log, op::ADD, f.file, f.State(), nullptr, 0, kStart);
    }
    EXPECT_EQ(Log(), P + "ADD(T:" + f.Address() + ") " + kTaken);
}

TEST(TraceProfileValues, EachFieldKindHasItsForm) {
    struct Case {
        int type;
        std::vector<unsigned char> bytes;
        std::string expected;
        std::int16_t decimals = 0;
    };
    auto le = [](std::uint64_t v, int n) {
        std::vector<unsigned char> b;
        for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
        return b;
    };
    auto of = [](auto value) {
        std::vector<unsigned char> b(sizeof value);
        std::memcpy(b.data(), &value, sizeof value);
        return b;
    };
    auto text = [](std::string_view s) { return std::vector<unsigned char>(s.begin(), s.end()); };
    const std::vector<Case> cases = {
        {kind::BYTE, {0x0A}, "0AH"},
        {kind::BYTE, {0xFF}, "FFH"},
        {kind::SHORT, le(0xFFFE, 2), "-2"},
        {kind::USHORT, le(0xFFFF, 2), "65535"},
        {kind::LONG, of(std::int32_t{-123456}), "-123456"},
        {kind::ULONG, of(std::uint32_t{4000000000u}), "4000000000"},
        {kind::SREAL, of(1.5f), "1.5"},
        {kind::SREAL, of(0.1f), "0.1"},
        {kind::REAL, of(-0.25), "-0.25"},
        {kind::REAL, of(1234567.125), "1234567.125"},
        {kind::DATE, {5, 3, 0xE8, 0x07}, "05 Mar 2024 (132645637)"},
        {kind::DATE, {31, 12, 0x6C, 0x07}, "31 Dec 1900 (124521503)"},
        {kind::DATE, {29, 2, 0xE8, 0x07}, "29 Feb 2024 (132645405)"},
        {kind::DATE, {29, 2, 0xE7, 0x07}, "Invalid date (132579869)"},
        {kind::DATE, {0, 0, 0, 0}, "Invalid date (0)"},
        {kind::DATE, {1, 13, 0xE8, 0x07}, "Invalid date (132648193)"},
        {kind::TIME, {50, 30, 15, 13}, "13:15:30.50 (219094578)"},
        {kind::TIME, {0, 0, 0, 0}, "00:00:00.00 (0)"},
        {kind::TIME, {0, 0, 0, 24}, "Invalid time (402653184)"},
        {kind::TIME, {100, 0, 0, 0}, "Invalid time (100)"},
        {kind::DECIMAL, {0x12, 0x34, 0x5C}, "123.45", 2},
        {kind::DECIMAL, {0x00, 0x01, 0x2D}, "-0.12", 2},
        {kind::DECIMAL, {0x00, 0x00, 0x00}, "0.00", 2},
        {kind::DECIMAL, {0x00, 0x42, 0x0C}, "420", 0},
        {kind::PDECIMAL, {0x12, 0x34, 0x5B}, "-1234.5", 1},
        {kind::PDECIMAL, {0x00, 0x0D}, "0", 0},
        {kind::STRING, text("abc   "), "'abc'"},
        {kind::STRING, text("  a b  "), "'  a b'"},
        {kind::STRING, text(std::string_view("ab\0\0", 4)), "'ab'"},
        {kind::STRING, text("    "), "''"},
        {kind::STRING, text("\xC8\n "), "'\xC8\n'"},  // the log escapes, not the listing
        {kind::CSTRING, text(std::string_view("ab\0zz", 5)), "'ab'"},
        {kind::CSTRING, text("full"), "'full'"},
        {kind::PSTRING, text("\x03" "abcde"), "'abc'"},
        {kind::PSTRING, text("\x09" "ab"), "'ab'"},
        {kind::BFLOAT4, {0x01, 0x02, 0xA0, 0xFF}, "0102A0FFH"},
    };
    for (const Case& c : cases) {
        FieldDescriptor d;
        d.decimals = c.decimals;
        FieldEntry field;
        field.descriptor = &d;
        field.type = c.type;
        field.size = static_cast<std::int32_t>(c.bytes.size());
        // Behind another value, so that the offset counts.
        std::vector<char> record(3, '#');
        record.insert(record.end(), c.bytes.begin(), c.bytes.end());
        field.offset = 3;
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(FieldValueText(field, record.data()), c.expected);
    }
}

TEST(TraceProfileValues, ArrayElementsFollowEachOther) {
    FieldEntry field;
    field.type = kind::SHORT;
    field.size = 2;
    field.elements = 3;
    const std::int16_t values[] = {1, -1, 300};
    const char* record = reinterpret_cast<const char*>(values);
    EXPECT_EQ(FieldValueText(field, record, 0), "1");
    EXPECT_EQ(FieldValueText(field, record, 1), "-1");
    EXPECT_EQ(FieldValueText(field, record, 2), "300");
}

TEST(TraceProfileHexDump, SixteenBytesALine) {
    std::string bytes = "0123456789ABCDEF";
    bytes += std::string("\0\x1F\x7F\xC8~", 5);
    struct Case {
        std::size_t size;
        std::vector<std::string> lines;
    };
    const std::string full =
        "30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46  | 0123456789ABCDEF";
    const std::vector<Case> cases = {
        {0, {}},
        {2, {"30 31 " + std::string(14 * 3, ' ') + " | 01"}},
        {16, {full}},
        {21, {full, "00 1F 7F C8 7E " + std::string(11 * 3, ' ') + " | ....~"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(HexDumpLines(bytes.data(), c.size), c.lines);
    }
}

}  // namespace
}  // namespace dbprobe::odbc
