// Reading, positioning, changing and counting rows against the scripted fake
// driver manager: the statements sent, the parameters bound and what comes
// back into the record.

#include <gtest/gtest.h>

#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "tests/support/attached_table.h"
#include "tests/support/declared_file.h"
#include "tests/support/fake_session.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;
using testing::Declaration;
using testing::DeclaredFile;
using testing::Field;
using testing::Group;
using testing::KeyDecl;

using Rows = std::vector<std::vector<const char*>>;

const std::vector<const char*> kTestColumns = {"CISLO", "NAZEV", "POZNAMKA"};
const std::string kSelect = "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix ";

// A result set for the next statement prepared; each row has one cell per column.
void QueueRows(const std::vector<const char*>& columns, const Rows& rows) {
    std::vector<const char*> cells;
    for (const auto& row : rows) cells.insert(cells.end(), row.begin(), row.end());
    fake_odbc_queue_result_set(static_cast<int>(columns.size()), columns.data(),
                               static_cast<int>(rows.size()), cells.data());
}

void QueueTestRows(const Rows& rows) { QueueRows(kTestColumns, rows); }

// One operation with the error state cleared first; its error code.
int Do(FileDescriptor& file, int operation, Arguments args = {}) {
    ClearErrors();
    CallDriver(operation, file, args);
    return CurrentErrors().errorCode;
}
int Do(AttachedTable& table, int operation, Arguments args = {}) {
    return Do(table.table.File(), operation, std::move(args));
}

// The call's integer result; `args` keeps the text result.
std::intptr_t Value(FileDescriptor& file, int operation, Arguments& args) {
    ClearErrors();
    return CallDriver(operation, file, args);
}

Arguments KeyWithText(const KeyDescriptor& key, const std::string& text) {
    Arguments args = Arguments::WithKey(&key);
    args.texts = {text};
    return args;
}

std::string Int32(std::int32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

class ReadTest : public testing::FakeOdbcTest {
protected:
    // The test table opened without its structure check; `switches` follow
    // the NOVERIFY switch in the driver string.
    static void Open(AttachedTable& table, const std::string& switches = "") {
        table.vars.driverString.Assign("/NOVERIFY=TRUE" + switches);
        table.Run(op::DESTROY);  // no descriptions from an earlier test
        fake_odbc_queue_result_set(3, kTestColumns.data(), 0, nullptr);
        ASSERT_EQ(Do(table, op::OPEN, Arguments::WithNumbers({0x22})), 0) << CurrentErrors().fileErrorText;
    }
    static void Open(DeclaredFile& file, const std::vector<const char*>& columns) {
        file.file.driverString = TextRef::Terminated("/NOVERIFY=TRUE");
        // Descriptions are kept by declaration address, which an earlier
        // file may have had; only an attached file forgets them.
        Do(file.file, op::NAME);
        Do(file.file, op::DESTROY);
        fake_odbc_queue_result_set(static_cast<int>(columns.size()), columns.data(), 0, nullptr);
        ASSERT_EQ(Do(file.file, op::OPEN, Arguments::WithNumbers({0x22})), 0) << CurrentErrors().fileErrorText;
    }
    // SETfile and a NEXT that reads the one row given.
    static void ReadRow(AttachedTable& table, const std::vector<const char*>& row) {
        ASSERT_EQ(Do(table, op::SETfile), 0);
        QueueTestRows({row});
        ASSERT_EQ(Do(table, op::NEXT), 0) << CurrentErrors().fileErrorText;
    }
    static std::string LastPrepared() {
        const std::vector<std::string> texts = Texts("SQLPrepare");
        return texts.empty() ? std::string() : texts.back();
    }
};

// ---------------------------------------------------------------------------
// Statement texts

TEST_F(ReadTest, EachReadSendsItsSelect) {
    using Steps = std::function<void(AttachedTable&)>;
    struct Case {
        const char* what;
        Steps steps;
        std::string expected;
        std::size_t markers;
    };
    auto setThenRead = [](int set, int read) {
        return [set, read](AttachedTable& t) {
            const KeyDescriptor& primary = t.table.PrimaryKey();
            t.table.SetCislo(5);
            ASSERT_EQ(Do(t, set, set == op::SETfile ? Arguments{} : Arguments::WithKey(&primary)), 0);
            QueueTestRows({{"7", "seven", nullptr}});
            ASSERT_EQ(Do(t, read), 0) << CurrentErrors().fileErrorText;
        };
    };
    const Case cases[] = {
        {"file order", setThenRead(op::SETfile, op::NEXT), kSelect, 0},
        {"key order forwards", setThenRead(op::SETkey, op::NEXT), kSelect + " ORDER BY CISLO", 0},
        {"key order backwards", setThenRead(op::SETkey, op::PREVIOUS), kSelect + " ORDER BY CISLO DESC ", 0},
        {"from a key value", setThenRead(op::SETkeykey, op::NEXT),
         kSelect + "WHERE (CISLO >= ? ) ORDER BY CISLO", 1},
        {"by key value",
         [](AttachedTable& t) {
             t.table.SetCislo(7);
             QueueTestRows({{"7", "seven", nullptr}});
             ASSERT_EQ(Do(t, op::GETfilekey, Arguments::WithKey(&t.table.PrimaryKey())), 0);
         },
         kSelect + "WHERE CISLO = ? ", 1},
        {"by a position of the file",
         [](AttachedTable& t) {
             ReadRow(t, {"7", "seven", nullptr});
             Arguments position;
             Value(t.table.File(), op::POSITIONfile, position);
             ASSERT_TRUE(position.textResult.has_value());
             t.table.SetCislo(0);
             QueueTestRows({{"7", "seven", nullptr}});
             ASSERT_EQ(Do(t, op::REGETfile, Arguments::WithTexts({*position.textResult})), 0)
                 << CurrentErrors().fileErrorText;
             EXPECT_EQ(t.table.Cislo(), 7);
         },
         kSelect + "WHERE CISLO = ? ", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable table("MYDSN");
        Open(table);
        c.steps(table);
        EXPECT_EQ(LastPrepared(), c.expected);
        EXPECT_EQ(Texts("SQLBindParameter").size(), c.markers);
    }
}

TEST_F(ReadTest, DeleteIdentifiesTheRowAsItWasRead) {
    AttachedTable table("MYDSN");
    Open(table);
    ReadRow(table, {"7", "seven", nullptr});
    EXPECT_EQ(Calls("SQLGetData"), 0);  // BLOB values wait until asked for
    table.table.SetCislo(99);
    ASSERT_EQ(Do(table, op::DELETE), 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(LastPrepared(), "DELETE FROM Test_Korvelandix WHERE CISLO = ? ");
    EXPECT_EQ(Texts("SQLBindParameter").size(), 1u);
    const ParameterSet& sent = table.State().deleteParameters;
    ASSERT_EQ(sent.values.size(), 1u);
    std::int32_t cislo = 0;
    std::memcpy(&cislo, sent.values[0].data(), sizeof cislo);
    EXPECT_EQ(cislo, 7);
}

TEST_F(ReadTest, PutSetsOnlyTheChangedColumns) {
    struct Case {
        const char* nazev;        // nullptr: the record is left as read
        const char* expected;     // nullptr: nothing sent
    };
    const Case cases[] = {
        {"eight", "UPDATE Test_Korvelandix SET NAZEV = ? WHERE CISLO = ? "},
        {nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nazev != nullptr ? c.nazev : "unchanged");
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable table("MYDSN");
        Open(table);
        ReadRow(table, {"7", "seven", nullptr});
        const std::size_t prepared = Texts("SQLPrepare").size();
        const int executed = Calls("SQLExecute");
        if (c.nazev != nullptr) table.table.SetNazev(c.nazev);
        ASSERT_EQ(Do(table, op::PUT), 0) << CurrentErrors().fileErrorText;
        if (c.expected == nullptr) {
            EXPECT_EQ(Texts("SQLPrepare").size(), prepared);
            EXPECT_EQ(Calls("SQLExecute"), executed);
        } else {
            EXPECT_EQ(LastPrepared(), c.expected);
            EXPECT_EQ(Calls("SQLExecute"), executed + 1);
        }
        EXPECT_EQ(Calls("SQLRowCount"), 0);  // only a watched row is checked
    }
}

TEST_F(ReadTest, AMixedDirectionKeyOrdersAndComparesEachComponentItsOwnWay) {
    struct Case {
        int set;
        int read;
        std::string expected;
        std::size_t markers;
    };
    const std::string select = "SELECT ID,NAME,NOTE FROM T ";
    const Case cases[] = {
        {op::SETkey, op::NEXT, select + " ORDER BY NAME DESC,ID", 0},
        {op::SETkey, op::PREVIOUS, select + " ORDER BY NAME,ID DESC ", 0},
        // NAME is not the last component: compared twice, bound twice.
        {op::SETkeykey, op::NEXT,
         select + "WHERE (NAME <= ? AND (NAME < ? OR (ID >= ? ))) ORDER BY NAME DESC,ID", 3},
        {op::SETkeykey, op::PREVIOUS,
         select + "WHERE (NAME >= ? AND (NAME > ? OR (ID <= ? ))) ORDER BY NAME,ID DESC ", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        UseLibrary(FAKE_ODBC_LIBRARY);
        DeclaredFile file(testing::Baseline(), "T", "MYDSN");
        Open(file, {"ID", "NAME", "NOTE"});
        ASSERT_EQ(Do(file.file, c.set, Arguments::WithKey(file.file.keys[0])), 0);
        QueueRows({"ID", "NAME", "NOTE"}, {});
        EXPECT_EQ(Do(file.file, c.read), 33);
        EXPECT_EQ(LastPrepared(), c.expected);
        EXPECT_EQ(Texts("SQLBindParameter").size(), c.markers);
    }
}

// ---------------------------------------------------------------------------
// Filters

TEST_F(ReadTest, FiltersJoinTheSelect) {
    using Steps = std::function<void(AttachedTable&)>;
    struct Case {
        const char* what;
        const char* switches;
        Steps steps;
        std::string expected;
    };
    auto oneShot = [](AttachedTable& t) {
        ASSERT_EQ(Do(t, op::SET_PROPERTY, Arguments::WithTexts({"29219", "NAZEV = 'a'"})), 0);
    };
    auto read = [](AttachedTable& t) {
        QueueTestRows({});
        EXPECT_EQ(Do(t, op::NEXT), 33) << CurrentErrors().fileErrorText;
    };
    auto setKey = [](int set) {
        return [set](AttachedTable& t) { ASSERT_EQ(Do(t, set, Arguments::WithKey(&t.table.PrimaryKey())), 0); };
    };
    auto setFile = [](AttachedTable& t) { ASSERT_EQ(Do(t, op::SETfile), 0); };
    const Case cases[] = {
        {"standing, file order", "/WHERE=CISLO > 1",
         [&](AttachedTable& t) { setFile(t); read(t); }, kSelect + "WHERE CISLO > 1"},
        {"standing, key order", "/WHERE=CISLO > 1",
         [&](AttachedTable& t) { setKey(op::SETkey)(t); read(t); },
         kSelect + "WHERE CISLO > 1 ORDER BY CISLO"},
        {"standing, from a key value", "/WHERE=CISLO > 1",
         [&](AttachedTable& t) { setKey(op::SETkeykey)(t); read(t); },
         kSelect + "WHERE (CISLO >= ? ) AND (CISLO > 1 ) ORDER BY CISLO"},
        {"standing, by key value", "/WHERE=CISLO > 1",
         [&](AttachedTable& t) {
             QueueTestRows({});
             EXPECT_EQ(Do(t, op::GETfilekey, Arguments::WithKey(&t.table.PrimaryKey())), 35);
         },
         kSelect + "WHERE CISLO = ?  AND (CISLO > 1)"},
        {"one-shot, file order", "",
         [&](AttachedTable& t) { setFile(t); oneShot(t); read(t); }, kSelect + "WHERE (NAZEV = 'a' )"},
        {"one-shot and standing, file order", "/WHERE=CISLO > 1",
         [&](AttachedTable& t) { setFile(t); oneShot(t); read(t); },
         kSelect + "WHERE (NAZEV = 'a' ) AND (CISLO > 1 )"},
        {"one-shot by SEND, key order", "",
         [&](AttachedTable& t) {
             setKey(op::SETkey)(t);
             ASSERT_EQ(Do(t, op::SEND, Arguments::WithTexts({"/WHERE=NAZEV = 'a'"})), 0);
             read(t);
         },
         kSelect + "WHERE (NAZEV = 'a' ) ORDER BY CISLO"},
        {"one-shot and standing, from a key value", "/WHERE=CISLO > 1",
         [&](AttachedTable& t) { setKey(op::SETkeykey)(t); oneShot(t); read(t); },
         kSelect + "WHERE (CISLO >= ? ) AND (NAZEV = 'a' ) AND (CISLO > 1 ) ORDER BY CISLO"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable table("MYDSN");
        Open(table, c.switches);
        c.steps(table);
        EXPECT_EQ(LastPrepared(), c.expected);
    }
}

TEST_F(ReadTest, TheOneShotFilterLastsOneSequence) {
    AttachedTable table("MYDSN");
    Open(table);
    struct Step {
        const char* filter;  // nullptr: none set after SETfile
        const char* expected;  // the SELECT prepared; nullptr: none prepared
    };
    const Step steps[] = {
        {"NAZEV = 'a'", "WHERE (NAZEV = 'a' )"},
        {nullptr, ""},  // the next SETfile cleared it
        {"NAZEV = 'b'", "WHERE (NAZEV = 'b' )"},
        {"NAZEV = 'c'", "WHERE (NAZEV = 'c' )"},
        {"NAZEV = 'c'", nullptr},  // the same filter again: the statement stays
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.filter != nullptr ? s.filter : "none");
        ASSERT_EQ(Do(table, op::SETfile), 0);
        if (s.filter != nullptr) {
            ASSERT_EQ(Do(table, op::SET_PROPERTY, Arguments::WithTexts({"29219", s.filter})), 0);
        }
        const std::size_t before = Texts("SQLPrepare").size();
        if (s.expected != nullptr) QueueTestRows({});
        EXPECT_EQ(Do(table, op::NEXT), 33) << CurrentErrors().fileErrorText;
        if (s.expected == nullptr) {
            EXPECT_EQ(Texts("SQLPrepare").size(), before);
        } else {
            ASSERT_EQ(Texts("SQLPrepare").size(), before + 1);
            EXPECT_EQ(LastPrepared(), kSelect + s.expected);
        }
    }
}

TEST_F(ReadTest, ANullComponentIsComparedWithIsNull) {
    AttachedTable table("MYDSN");
    Open(table);
    struct Step {
        const char* nazev;
        bool null;
        const char* condition;
        bool preparedAgain;
        std::size_t markers;
    };
    const Step steps[] = {
        {"", true, "NAZEV IS NULL AND CISLO = ? ", true, 1},
        {"", true, "NAZEV IS NULL AND CISLO = ? ", false, 1},
        {"x", true, "NAZEV = ? AND CISLO = ? ", true, 2},  // a value is no NULL
        {"", false, "NAZEV = ? AND CISLO = ? ", false, 2},
        {"", true, "NAZEV IS NULL AND CISLO = ? ", true, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.nazev) + (s.null ? " null" : ""));
        table.table.SetCislo(7);
        table.table.SetNazev(s.nazev);
        ASSERT_EQ(Do(table, s.null ? op::SETNULL : op::SETNONULL, Arguments::WithNumbers({2})), 0);
        const std::size_t prepared = Texts("SQLPrepare").size();
        const std::size_t bound = Texts("SQLBindParameter").size();
        if (s.preparedAgain) QueueTestRows({});
        EXPECT_EQ(Do(table, op::GETfilekey, Arguments::WithKey(&table.table.NameKey())), 35);
        EXPECT_EQ(LastPrepared(), kSelect + "WHERE " + s.condition);
        EXPECT_EQ(Texts("SQLPrepare").size(), prepared + (s.preparedAgain ? 1 : 0));
        EXPECT_EQ(Texts("SQLBindParameter").size() - bound, s.markers);
    }
}

// ---------------------------------------------------------------------------
// Positions

TEST_F(ReadTest, APositionHoldsThePrimaryBlockThenTheKeyBlock) {
    struct Case {
        const char* nazev;  // nullptr: NULL
        bool byName;
        std::string expected;
    };
    const std::string primaryBlock = Int32(10) + '\1' + Int32(7) + '\0';
    std::string name(255, ' ');
    name.replace(0, 5, "seven");
    const Case cases[] = {
        {"seven", false, Int32(14) + primaryBlock},
        {"seven", true, Int32(280) + primaryBlock + Int32(266) + '\2' + name + '\0' + Int32(7) + '\0'},
        {nullptr, true,
         Int32(280) + primaryBlock + Int32(266) + '\2' + std::string(255, ' ') + '\1' + Int32(7) + '\0'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.byName ? "by name" : "primary") + (c.nazev ? "" : ", NULL name"));
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable table("MYDSN");
        Open(table);
        ReadRow(table, {"7", c.nazev, nullptr});
        Arguments args = Arguments::WithKey(c.byName ? &table.table.NameKey() : &table.table.PrimaryKey());
        Value(table.table.File(), op::POSITIONkey, args);
        EXPECT_EQ(CurrentErrors().errorCode, 0);
        ASSERT_TRUE(args.textResult.has_value());
        EXPECT_EQ(*args.textResult, c.expected);
    }
}

TEST_F(ReadTest, ResetRefusesAPositionThatDoesNotFitTheKey) {
    AttachedTable table("MYDSN");
    Open(table);
    ReadRow(table, {"7", "seven", nullptr});
    auto position = [&](const KeyDescriptor& key) {
        Arguments args = Arguments::WithKey(&key);
        Value(table.table.File(), op::POSITIONkey, args);
        return args.textResult.value_or("");
    };
    const KeyDescriptor& primary = table.table.PrimaryKey();
    const KeyDescriptor& byName = table.table.NameKey();
    const std::string ofPrimary = position(primary);
    const std::string ofName = position(byName);
    ASSERT_EQ(ofPrimary.size(), 14u);
    ASSERT_EQ(ofName.size(), 280u);
    auto with = [](std::string text, std::size_t at, const std::string& bytes) {
        return text.replace(at, bytes.size(), bytes);
    };
    struct Case {
        const char* what;
        const KeyDescriptor* key;
        std::string position;
        int expected;
    };
    const Case cases[] = {
        {"its own position", &primary, ofPrimary, 0},
        {"its own position with the primary block", &byName, ofName, 0},
        {"too short", &primary, "abcdefgh", 78},
        {"wrong total length", &primary, with(ofPrimary, 0, Int32(15)), 78},
        {"shorter than its total", &primary, ofPrimary.substr(0, 13), 78},
        {"wrong block length", &primary, with(ofPrimary, 4, Int32(11)), 78},
        {"another key's number", &primary, with(ofPrimary, 8, "\2"), 78},
        {"wrong primary block length", &byName, with(ofName, 4, Int32(11)), 78},
        {"wrong primary block number", &byName, with(ofName, 8, "\2"), 78},
        {"wrong key block length", &byName, with(ofName, 14, Int32(265)), 78},
        {"another key's number after the primary block", &byName, with(ofName, 18, "\1"), 78},
        {"the name key's position on the primary key", &primary, ofName, 78},
        {"the primary key's position on the name key", &byName, ofPrimary, 78},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Do(table, op::RESETkey, KeyWithText(*c.key, c.position)), c.expected);
    }
}

TEST_F(ReadTest, TurningBackStepsOverTheCurrentRow) {
    AttachedTable table("MYDSN");
    Open(table);
    const KeyDescriptor& primary = table.table.PrimaryKey();
    ASSERT_EQ(Do(table, op::SETkey, Arguments::WithKey(&primary)), 0);
    QueueTestRows({{"1", "a", nullptr}, {"2", "b", nullptr}, {"3", "c", nullptr}});
    ASSERT_EQ(Do(table, op::NEXT), 0);
    ASSERT_EQ(Do(table, op::NEXT), 0);
    ASSERT_EQ(table.table.Cislo(), 2);

    // The server answers from the current row on, the row itself included.
    QueueTestRows({{"2", "b", nullptr}, {"1", "a", nullptr}});
    ASSERT_EQ(Do(table, op::PREVIOUS), 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(table.table.Cislo(), 1);
    EXPECT_EQ(LastPrepared(), kSelect + "WHERE (CISLO <= ? ) ORDER BY CISLO DESC ");
    EXPECT_EQ(Do(table, op::PREVIOUS), 33);

    // A new sequence from a position of the row last read takes up the open
    // cursor: the row itself again, then the rows after it.
    ASSERT_EQ(Do(table, op::SETkey, Arguments::WithKey(&primary)), 0);
    ASSERT_EQ(Do(table, op::NEXT), 0);  // the statement prepared above answers again
    ASSERT_EQ(Do(table, op::NEXT), 0);
    Arguments position = Arguments::WithKey(&primary);
    Value(table.table.File(), op::POSITIONkey, position);
    table.table.SetCislo(0);
    const int executed = Calls("SQLExecute");
    ASSERT_EQ(Do(table, op::RESETkey, KeyWithText(primary, position.textResult.value_or(""))), 0);
    ASSERT_EQ(Do(table, op::NEXT), 0);
    EXPECT_EQ(table.table.Cislo(), 2);
    ASSERT_EQ(Do(table, op::NEXT), 0);
    EXPECT_EQ(table.table.Cislo(), 3);
    EXPECT_EQ(Calls("SQLExecute"), executed);
}

TEST_F(ReadTest, SkipPassesOverRowsBeforeTheNextRead) {
    AttachedTable table("MYDSN");
    Open(table);
    ASSERT_EQ(Do(table, op::SETfile), 0);
    QueueTestRows({{"1", "a", nullptr}, {"2", "b", nullptr}, {"3", "c", nullptr}, {"4", "d", nullptr}});
    ASSERT_EQ(Do(table, op::SKIP, Arguments::WithNumbers({2})), 0);
    ASSERT_EQ(Do(table, op::NEXT), 0);
    EXPECT_EQ(table.table.Cislo(), 3);
    ASSERT_EQ(Do(table, op::SKIP, Arguments::WithNumbers({1})), 0);
    EXPECT_EQ(Do(table, op::NEXT), 33);  // skipped over the last row
}

// A position's null markers belong to the position's row, not to the row the
// program holds: RESETkey leaves the record's null state alone, so a PUT of
// the unchanged record sends nothing.
TEST_F(ReadTest, ResetLeavesTheNullMarksOfTheRecord) {
    AttachedTable table("MYDSN");
    Open(table);
    const KeyDescriptor& byName = table.table.NameKey();
    ASSERT_EQ(Do(table, op::SETfile), 0);
    QueueTestRows({{"1", nullptr, nullptr}, {"2", "b", nullptr}});
    ASSERT_EQ(Do(table, op::NEXT), 0);
    Arguments position = Arguments::WithKey(&byName);
    Value(table.table.File(), op::POSITIONkey, position);
    ASSERT_EQ(Do(table, op::NEXT), 0);

    ASSERT_EQ(Do(table, op::RESETkey, KeyWithText(byName, position.textResult.value_or(""))), 0);
    Arguments nazev = Arguments::WithNumbers({2});
    EXPECT_EQ(Value(table.table.File(), op::NULL_, nazev), 0);
    const int executed = Calls("SQLExecute");
    EXPECT_EQ(Do(table, op::PUT), 0);
    EXPECT_EQ(Calls("SQLExecute"), executed) << LastPrepared();
}

// ---------------------------------------------------------------------------
// Fetching

TEST_F(ReadTest, RowsComeInBlocksOnlyWithoutBlobs) {
    struct Case {
        const char* what;
        int setting;
        Arguments args;
    };
    const Case cases[] = {
        {"fetch block size property", op::SET_PROPERTY, Arguments::WithTexts({"29505", "3"})},
        {"BUFFER", op::BUFFER, Arguments::WithNumbers({3})},
    };
    Declaration noBlob;
    noBlob.layout = {Group(0, 16, 2), Field(kind::LONG, 0, 4, "T:ID"), Field(kind::STRING, 4, 12, "T:NAME")};
    const std::vector<const char*> columns = {"ID", "NAME"};
    const Rows rows = {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        DeclaredFile file(noBlob, "T", "MYDSN");
        Open(file, columns);
        ASSERT_EQ(Do(file.file, c.setting, c.args), 0);
        ASSERT_EQ(Do(file.file, op::SETfile), 0);
        QueueRows(columns, rows);
        for (std::int32_t id = 1; id <= 5; ++id) {
            ASSERT_EQ(Do(file.file, op::NEXT), 0) << id << " " << CurrentErrors().fileErrorText;
            std::int32_t read = 0;
            std::memcpy(&read, file.file.recordBuffer, sizeof read);
            EXPECT_EQ(read, id);
        }
        EXPECT_EQ(Do(file.file, op::NEXT), 33);
        const std::vector<std::string> options = Texts("SQLSetStmtOption");
        EXPECT_NE(std::find(options.begin(), options.end(), "9 3"), options.end());
        EXPECT_EQ(Calls("SQLExtendedFetch"), 3);  // 3 rows, 2 rows, the end
        EXPECT_EQ(Calls("SQLFetch"), 0);
    }

    // BLOB values are read from the cursor's current row: one row at a time.
    UseLibrary(FAKE_ODBC_LIBRARY);
    AttachedTable table("MYDSN");
    Open(table);
    ASSERT_EQ(Do(table, op::SET_PROPERTY, Arguments::WithTexts({"29505", "3"})), 0);
    ASSERT_EQ(Do(table, op::SETfile), 0);
    QueueTestRows({{"1", "a", nullptr}, {"2", "b", nullptr}});
    EXPECT_EQ(Do(table, op::NEXT), 0);
    EXPECT_EQ(Do(table, op::NEXT), 0);
    EXPECT_EQ(table.table.Cislo(), 2);
    EXPECT_EQ(Do(table, op::NEXT), 33);
    EXPECT_EQ(Calls("SQLFetch"), 3);
    EXPECT_EQ(Calls("SQLExtendedFetch"), 0);
    const std::vector<std::string> options = Texts("SQLSetStmtOption");
    EXPECT_EQ(std::find(options.begin(), options.end(), "9 3"), options.end());
}

// ---------------------------------------------------------------------------
// BLOB values

TEST_F(ReadTest, ABlobIsReadWhenItsSizeIsAsked) {
    struct Case {
        std::size_t length;  // 0 with `null`
        bool null;
        int reads;
    };
    const Case cases[] = {
        {5, false, 1},          {65534, false, 1}, {65535, false, 2},
        {100000, false, 2},     {0, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable table("MYDSN");
        Open(table);
        std::string text;
        for (std::size_t i = 0; i < c.length; ++i) text.push_back(static_cast<char>('a' + i % 26));
        ReadRow(table, {"1", "a", c.null ? nullptr : text.c_str()});
        EXPECT_EQ(Calls("SQLGetData"), 0);
        Arguments args = Arguments::WithNumbers({1});
        EXPECT_EQ(Value(table.table.File(), op::BLOB_SIZE, args), static_cast<std::intptr_t>(c.length));
        EXPECT_EQ(CurrentErrors().errorCode, 0);
        const std::vector<std::string> reads = Texts("SQLGetData");
        ASSERT_EQ(reads.size(), static_cast<std::size_t>(c.reads));
        EXPECT_EQ(reads[0], "3 1 65535");
        if (c.length > 0) {
            Arguments all = Arguments::WithNumbers({1, 0, static_cast<std::int64_t>(c.length) - 1});
            Value(table.table.File(), op::BLOB_YIELD, all);
            EXPECT_EQ(all.textResult, text);
            EXPECT_EQ(Calls("SQLGetData"), c.reads);  // held, not read again
        }
    }
}

TEST_F(ReadTest, ASliceIsCutAtTheValuesEnd) {
    AttachedTable table("MYDSN");
    Open(table);
    ReadRow(table, {"1", "a", "hello world"});
    struct Case {
        std::int64_t first;
        std::int64_t last;
        const char* expected;
    };
    const Case cases[] = {
        {0, 4, "hello"}, {6, 100, "world"}, {10, 10, "d"}, {11, 20, ""}, {5, 4, ""}, {-1, 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last));
        Arguments args = Arguments::WithNumbers({1, c.first, c.last});
        Value(table.table.File(), op::BLOB_YIELD, args);
        EXPECT_EQ(CurrentErrors().errorCode, 0);
        EXPECT_EQ(args.textResult, std::string(c.expected));
    }
    EXPECT_EQ(Calls("SQLGetData"), 1);
}

// ---------------------------------------------------------------------------
// Changing rows without a unique key, and watched rows

TEST_F(ReadTest, WithoutAUniqueKeyRowsCannotBeChanged) {
    Declaration d;
    d.layout = {Group(0, 16, 2), Field(kind::LONG, 0, 4, "T:ID"), Field(kind::STRING, 4, 12, "T:NAME")};
    d.keys = {KeyDecl{nullptr, "T:BYID", keyattr::DUP, {1}}};
    DeclaredFile file(d, "T", "MYDSN");
    Open(file, {"ID", "NAME"});
    ASSERT_EQ(Do(file.file, op::SETfile), 0);
    QueueRows({"ID", "NAME"}, {{"1", "a"}});
    ASSERT_EQ(Do(file.file, op::NEXT), 0);
    std::memcpy(static_cast<char*>(file.file.recordBuffer) + 4, "b", 1);
    EXPECT_EQ(Do(file.file, op::DELETE), 80);
    EXPECT_EQ(Do(file.file, op::PUT), 80);
    EXPECT_EQ(Texts("SQLPrepare").size(), 2u);  // the describe step and the SELECT
}

TEST_F(ReadTest, AWatchedRowThatNoLongerMatchesIsChangedByAnother) {
    AttachedTable table("MYDSN");
    Open(table);
    ASSERT_EQ(Do(table, op::SETfile), 0);
    ASSERT_EQ(Do(table, op::WATCH), 0);
    QueueTestRows({{"7", "seven", nullptr}});
    ASSERT_EQ(Do(table, op::NEXT), 0);
    table.table.SetNazev("eight");
    EXPECT_EQ(Do(table, op::PUT), 89);  // the fake's SQLRowCount answers 0
    EXPECT_EQ(Calls("SQLRowCount"), 1);
    EXPECT_EQ(LastPrepared().rfind("UPDATE Test_Korvelandix SET NAZEV = ? WHERE", 0), 0u) << LastPrepared();
}

// ---------------------------------------------------------------------------
// Counts

TEST_F(ReadTest, RecordsCountsTheRows) {
    AttachedTable table("MYDSN");
    Open(table);
    static const char* names[] = {"COUNT"};
    static const char* cells[] = {"42"};
    fake_odbc_queue_result_set(1, names, 1, cells);
    Arguments args;
    EXPECT_EQ(Value(table.table.File(), op::RECORDSfile, args), 42);
    EXPECT_EQ(CurrentErrors().errorCode, 0);
    EXPECT_EQ(Texts("SQLExecDirect").back(), "SELECT COUNT(*) FROM Test_Korvelandix");
}

TEST_F(ReadTest, CountRecordsTellsWhetherThereAreMoreThanGiven) {
    struct Case {
        const char* what;
        const char* count;  // nullptr: the server fails
        std::int64_t than;
        std::intptr_t expected;
    };
    const Case cases[] = {
        {"more", "5", 3, 1},
        {"as many", "5", 5, 0},
        {"a failing server", nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable table("MYDSN");
        Open(table);
        static const char* names[] = {"COUNT"};
        if (c.count != nullptr)
            fake_odbc_queue_result_set(1, names, 1, &c.count);
        else
            Push("SQLExecDirect", SQL_ERROR, "08S01", "[Fake]link down");
        Arguments args = Arguments::WithNumbers({c.than});
        EXPECT_EQ(Value(table.table.File(), op::COUNTRECORDS, args), c.expected);
        EXPECT_EQ(CurrentErrors().errorCode, 0);
    }
}

}  // namespace
}  // namespace dbprobe::odbc
