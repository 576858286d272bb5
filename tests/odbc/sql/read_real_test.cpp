// Reading, positioning, deleting and updating rows against the real drivers
// and servers, on a small table of six rows with a date, a text that may be
// NULL and a BLOB.

#include <gtest/gtest.h>

#include <cstring>

#include "odbc/dispatch/dispatcher.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/sql/blob_write.h"
#include "odbc/sql/conversions.h"
#include "tests/support/attached_table.h"
#include "tests/support/declared_file.h"
#include "tests/support/test_dsns.h"

namespace dbprobe::odbc {
namespace {

using testing::DeclaredFile;
using testing::Field;
using testing::Group;
using testing::KeyDecl;

constexpr std::int32_t kRecord = 28;  // R:ID LONG, R:NAME STRING(20), R:BORN DATE
constexpr int kRowCount = 6;
const char* const kTable = "Read_Table";

testing::Declaration ReadTable() {
    testing::Declaration d;
    d.recordSize = kRecord;
    d.layout = {Group(0, kRecord, 3), Field(kind::LONG, 0, 4, "R:ID"),
                Field(kind::STRING, 4, 20, "R:NAME"), Field(kind::DATE, 24, 4, "R:BORN")};
    d.keys = {KeyDecl{"KeyReadId", "R:PRIMARY", keyattr::PRIMARY, {1}},
              KeyDecl{"KeyReadName", "R:BYNAME", keyattr::DUP | keyattr::OPT, {2}}};
    d.blobs = {testing::BlobDecl{nullptr, "R:NOTE", blobattr::BLOB, 0}};
    return d;
}

class ReadRealTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!testing::DsnAvailable(GetParam())) return;
        testing::RunSql(GetParam(), std::string("DROP TABLE ") + kTable);
        file_ = std::make_unique<DeclaredFile>(ReadTable(), kTable, GetParam());
    }
    void TearDown() override {
        if (file_) {
            Run(op::CLOSE);
            Run(op::REMOVE);
            Run(op::DESTROY);
        }
        file_.reset();
        EndProgram();
    }

    int Run(int operation, Arguments args = {}) {
        ClearErrors();
        last_ = Dispatch(operation, &file_->file, args);
        return CurrentErrors().errorCode;
    }
    Arguments Key(int number) { return Arguments::WithKey(file_->file.keys[number - 1]); }
    char* Record() { return static_cast<char*>(file_->file.recordBuffer); }
    std::int32_t Id() {
        std::int32_t id = 0;
        std::memcpy(&id, Record(), 4);
        return id;
    }
    void SetId(std::int32_t id) { std::memcpy(Record(), &id, 4); }
    std::string Name() {
        std::string name(Record() + 4, 20);
        return name.substr(0, name.find_last_not_of(' ') + 1);
    }
    void SetName(const std::string& name) {
        std::memset(Record() + 4, ' ', 20);
        std::memcpy(Record() + 4, name.data(), std::min<std::size_t>(name.size(), 20));
    }
    DateValue Born() { return ReadDate(Record() + 24); }
    std::int64_t NullOf(int field) { return file_->State()->nullIndicators[field - 1]; }
    static std::string Failure() { return CurrentErrors().fileErrorCode + " " + CurrentErrors().fileErrorText; }

    void SetNote(const std::string& text) {
        Arguments args = Arguments::WithTexts({std::to_string(blobprop::Contents), text});
        args.numbers = {1};
        Run(op::BLOB_SET_PROP, args);
    }

    // Rows 1..6 named "name1".."name6", born 2000-01-<id>; row 4 has a NULL
    // name and no birth date; the notes are 276 characters.
    void CreateRows() {
        ASSERT_EQ(Run(op::CREATE), 0) << Failure();
        ASSERT_EQ(Run(op::OPEN, Arguments::WithNumbers({0x22})), 0) << Failure();
        for (std::int32_t id = 1; id <= kRowCount; ++id) {
            Run(op::CLEAR);
            SetId(id);
            Arguments field = Arguments::WithNumbers({2});
            Run(id == 4 ? op::SETNULL : op::SETNONULL, field);
            field = Arguments::WithNumbers({3});
            Run(id == 4 ? op::SETNULL : op::SETNONULL, field);
            if (id != 4) {
                SetName("name" + std::to_string(id));
                WriteDate({id, 1, 2000}, Record() + 24);
            }
            SetNote(Note(id));
            ASSERT_EQ(Run(op::ADD), 0) << "row " << id << ": " << Failure();
        }
    }
    static std::string Note(int id) {
        std::string text;
        for (int i = 0; i < 276; ++i) text += static_cast<char>('a' + (i + id) % 26);
        return text;
    }
    // The ids that a run of reads delivers; 0 for a failed read.
    std::vector<int> Reads(const std::vector<int>& operations) {
        std::vector<int> ids;
        for (int operation : operations) ids.push_back(Run(operation) == 0 ? Id() : -CurrentErrors().errorCode);
        return ids;
    }

    std::unique_ptr<DeclaredFile> file_;
    std::intptr_t last_ = 0;
};

TEST_P(ReadRealTest, ReadsInKeyOrderChangeDirectionAndSkip) {
    DBPROBE_REQUIRE_DSN(GetParam());
    CreateRows();
    struct Case {
        const char* what;
        int set;  // SETfile or SETkey on the primary key
        std::vector<int> operations;
        std::vector<int> expected;  // ids; -code for a failed read
    };
    const int N = op::NEXT, P = op::PREVIOUS;
    const Case cases[] = {
        {"key order forwards", op::SETkey, {N, N, N}, {1, 2, 3}},
        {"key order backwards from the end", op::SETkey, {P, P}, {6, 5}},
        {"a change of direction returns the row before", op::SETkey, {N, N, N, P, P}, {1, 2, 3, 2, 1}},
        {"and back again", op::SETkey, {N, N, P, N, N}, {1, 2, 1, 2, 3}},
        {"past the start", op::SETkey, {N, P}, {1, -33}},
        {"the end of the table", op::SETkey, {P, N}, {6, -33}},
        {"PREVIOUS in file order", op::SETfile, {P}, {-80}},
        {"a failed read ends the sequence, file order", op::SETfile, {N, N, N, N, N, N, N, N}, {1, 2, 3, 4, 5, 6, -33, -33}},
        {"a failed read ends the sequence, key order", op::SETkey, {P, P, P, P, P, P, P, P}, {6, 5, 4, 3, 2, 1, -33, -33}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Run(c.set, c.set == op::SETkey ? Key(1) : Arguments{}), 0);
        std::vector<int> ids = Reads(c.operations);
        if (c.set == op::SETfile) {
            // The server's order is its own; only the failures are fixed.
            for (std::size_t i = 0; i < ids.size(); ++i)
                if (c.expected[i] > 0 && ids[i] > 0) ids[i] = c.expected[i];
        }
        EXPECT_EQ(ids, c.expected);
    }

    // SKIP(3) then NEXT: the fourth row after the current one; SKIP(-2) then
    // PREVIOUS: the third row before it.
    ASSERT_EQ(Run(op::SETkey, Key(1)), 0);
    ASSERT_EQ(Run(op::NEXT), 0);
    ASSERT_EQ(Run(op::SKIP, Arguments::WithNumbers({3})), 0);
    ASSERT_EQ(Run(op::NEXT), 0) << Failure();
    EXPECT_EQ(Id(), 5);
    ASSERT_EQ(Run(op::SKIP, Arguments::WithNumbers({-2})), 0);
    ASSERT_EQ(Run(op::PREVIOUS), 0) << Failure();
    EXPECT_EQ(Id(), 2);
}

TEST_P(ReadRealTest, NullsReadBackAsBlankWithTheirIndicator) {
    DBPROBE_REQUIRE_DSN(GetParam());
    CreateRows();
    ASSERT_EQ(Run(op::SETkey, Key(1)), 0);
    for (int id = 1; id <= 4; ++id) ASSERT_EQ(Run(op::NEXT), 0) << Failure();
    ASSERT_EQ(Id(), 4);
    EXPECT_EQ(Name(), "");
    EXPECT_EQ(NullOf(2), -1);
    EXPECT_EQ(std::string(Record() + 4, 20), std::string(20, ' '));
    EXPECT_EQ(Born().year, 0);
    EXPECT_EQ(Born().day, 0);
    EXPECT_EQ(NullOf(3), -1);

    ASSERT_EQ(Run(op::NEXT), 0);
    EXPECT_EQ(Name(), "name5");
    EXPECT_EQ(NullOf(2), 0);
    EXPECT_EQ(Born().day, 5);
    EXPECT_EQ(Born().month, 1);
    EXPECT_EQ(Born().year, 2000);
}

TEST_P(ReadRealTest, TheBlobIsReadOnlyWhenAskedFor) {
    DBPROBE_REQUIRE_DSN(GetParam());
    CreateRows();
    ASSERT_EQ(Run(op::SETkey, Key(1)), 0);
    ASSERT_EQ(Run(op::NEXT), 0);
    ASSERT_EQ(Run(op::NEXT), 0);
    EXPECT_EQ(file_->State()->blobs[0].size, -1);  // not read with the row

    Arguments size = Arguments::WithNumbers({1});
    ASSERT_EQ(Run(op::BLOB_SIZE, size), 0) << Failure();
    EXPECT_EQ(last_, 276);
    Arguments contents = Arguments::WithTexts({std::to_string(blobprop::Contents)});
    contents.numbers = {1};
    Dispatch(op::BLOB_GET_PROP, &file_->file, contents);
    EXPECT_EQ(contents.textResult.value_or(""), Note(2));

    // A slice of the next row's value, never past its end.
    ASSERT_EQ(Run(op::NEXT), 0);
    Arguments slice;
    slice.numbers = {1, 270, 400};
    Dispatch(op::BLOB_YIELD, &file_->file, slice);
    EXPECT_EQ(slice.textResult.value_or(""), Note(3).substr(270));

    // A row read but whose BLOB was never asked for, added as a new row,
    // takes its BLOB along.
    ASSERT_EQ(Run(op::NEXT), 0);  // row 4
    SetId(10);
    ASSERT_EQ(Run(op::ADD), 0) << Failure();
    SetId(10);
    ASSERT_EQ(Run(op::GETfilekey, Key(1)), 0) << Failure();
    contents.textResult.reset();
    Dispatch(op::BLOB_GET_PROP, &file_->file, contents);
    EXPECT_EQ(contents.textResult.value_or(""), Note(4));
}

TEST_P(ReadRealTest, PositionsAndReadsByKeyValue) {
    DBPROBE_REQUIRE_DSN(GetParam());
    CreateRows();
    ASSERT_EQ(Run(op::SETkey, Key(1)), 0);
    ASSERT_EQ(Run(op::NEXT), 0);
    ASSERT_EQ(Run(op::NEXT), 0);
    ASSERT_EQ(Run(op::NEXT), 0);  // row 3
    Arguments where = Key(1);
    Dispatch(op::POSITIONkey, &file_->file, where);
    const std::string position = where.textResult.value_or("");
    Arguments byName = Key(2);
    Dispatch(op::POSITIONkey, &file_->file, byName);

    // Another key's position is refused.
    Arguments wrong = Key(1);
    wrong.texts = {byName.textResult.value_or("")};
    EXPECT_EQ(Run(op::RESETkey, wrong), err::InvalidNumberOfParameters);

    // RESETkey, then NEXT: from the saved row on.
    Arguments reset = Key(1);
    reset.texts = {position};
    ASSERT_EQ(Run(op::RESETkey, reset), 0);
    ASSERT_EQ(Run(op::NEXT), 0) << Failure();
    EXPECT_EQ(Id(), 3);
    ASSERT_EQ(Run(op::NEXT), 0);
    EXPECT_EQ(Id(), 4);

    // REGETfile reads the saved row again.
    Arguments reget;
    reget.texts = {position};
    ASSERT_EQ(Run(op::REGETfile, reget), 0) << Failure();
    EXPECT_EQ(Id(), 3);
    EXPECT_EQ(Name(), "name3");

    // GETfilekey by value; a missing value is 35.
    SetId(5);
    ASSERT_EQ(Run(op::GETfilekey, Key(1)), 0) << Failure();
    EXPECT_EQ(Name(), "name5");
    SetId(77);
    EXPECT_EQ(Run(op::GETfilekey, Key(1)), err::RecordNotFound);

    // Counts and duplicates.
    ASSERT_EQ(Run(op::RECORDSfile), 0) << Failure();
    EXPECT_EQ(last_, kRowCount);
    SetId(2);
    ASSERT_EQ(Run(op::DUPLICATEkey, Key(1)), 0) << Failure();
    EXPECT_EQ(last_, 1);
    SetId(99);
    ASSERT_EQ(Run(op::DUPLICATEkey, Key(1)), 0);
    EXPECT_EQ(last_, 0);
}

TEST_P(ReadRealTest, DeleteRemovesTheRowReadNotTheOneInTheBuffer) {
    DBPROBE_REQUIRE_DSN(GetParam());
    CreateRows();
    ASSERT_EQ(Run(op::SETkey, Key(1)), 0);
    ASSERT_EQ(Run(op::NEXT), 0);
    ASSERT_EQ(Run(op::NEXT), 0);  // row 2
    SetId(5);                     // the program changes the buffer
    ASSERT_EQ(Run(op::DELETE), 0) << Failure();

    SetId(2);
    EXPECT_EQ(Run(op::GETfilekey, Key(1)), err::RecordNotFound);
    SetId(5);
    EXPECT_EQ(Run(op::GETfilekey, Key(1)), 0);
    ASSERT_EQ(Run(op::RECORDSfile), 0);
    EXPECT_EQ(last_, kRowCount - 1);

    ASSERT_EQ(Run(op::EMPTY), 0) << Failure();
    ASSERT_EQ(Run(op::RECORDSfile), 0);
    EXPECT_EQ(last_, 0);
}

TEST_P(ReadRealTest, PutOverwritesUnlessAWatchedRowChanged) {
    DBPROBE_REQUIRE_DSN(GetParam());
    CreateRows();
    // Without WATCH the row is overwritten whatever happened to it.
    SetId(2);
    ASSERT_EQ(Run(op::GETfilekey, Key(1)), 0);
    testing::RunSql(GetParam(), std::string("UPDATE ") + kTable + " SET NAME = 'elsewhere' WHERE ID = 2");
    SetName("mine");
    ASSERT_EQ(Run(op::PUT), 0) << Failure();
    SetId(2);
    ASSERT_EQ(Run(op::GETfilekey, Key(1)), 0);
    EXPECT_EQ(Name(), "mine");
    EXPECT_EQ(Born().day, 2);  // untouched columns keep their values

    // With WATCH a change by someone else is 89 and nothing is written.
    ASSERT_EQ(Run(op::WATCH), 0);
    SetId(3);
    ASSERT_EQ(Run(op::GETfilekey, Key(1)), 0);
    testing::RunSql(GetParam(), std::string("UPDATE ") + kTable + " SET NAME = 'elsewhere' WHERE ID = 3");
    SetName("mine");
    EXPECT_EQ(Run(op::PUT), err::RecordChangedByAnotherStation) << Failure();
    SetId(3);
    ASSERT_EQ(Run(op::GETfilekey, Key(1)), 0);
    EXPECT_EQ(Name(), "elsewhere");

    // A watched row nobody changed is written.
    ASSERT_EQ(Run(op::WATCH), 0);
    SetId(5);
    ASSERT_EQ(Run(op::GETfilekey, Key(1)), 0);
    SetName("watched");
    EXPECT_EQ(Run(op::PUT), 0) << Failure();
    SetId(5);
    ASSERT_EQ(Run(op::GETfilekey, Key(1)), 0);
    EXPECT_EQ(Name(), "watched");
}

INSTANTIATE_TEST_SUITE_P(Backends, ReadRealTest,
                         ::testing::Values("dbprobe-sqlite", "dbprobe-pg", "dbprobe-maria"),
                         testing::DsnTestName());

}  // namespace
}  // namespace dbprobe::odbc
