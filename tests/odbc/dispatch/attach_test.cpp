#include "odbc/dispatch/attach.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/test_table.h"
#include "odbc/dispatch/dispatcher.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "tests/support/declared_file.h"

namespace dbprobe::odbc {
namespace {

using testing::Baseline;
using testing::BlobDecl;
using testing::Declaration;
using testing::DeclaredFile;
using testing::Field;
using testing::Group;
using testing::KeyDecl;

std::vector<int> FieldsOf(const KeyState& key) {
    std::vector<int> fields;
    for (const KeyComponent& c : key.components) fields.push_back(c.field);
    return fields;
}

std::vector<std::string> ColumnsOf(const DriverState& state) {
    std::vector<std::string> columns;
    for (const FieldEntry& f : state.fields)
        if (f.ProducesColumn()) columns.push_back(f.columnName);
    return columns;
}

// The runtime's English texts of the codes a refused declaration ends with.
std::string EnglishText(int code) {
    switch (code) {
        case 47: return "Invalid Record Declaration";
        case 75: return "Invalid Field Type Descriptor";
        case 79: return "Unsupported Data Type In File";
    }
    return "?";
}

TEST(AttachTest, BaselineDeclarationAttaches) {
    DeclaredFile f(Baseline());
    ASSERT_EQ(f.Run(op::NAME), 0) << CurrentErrors().fileErrorCode;
    DriverState* state = f.State();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->file, &f.file);
    ASSERT_EQ(state->fields.size(), 2u);
    EXPECT_EQ(state->fields[0].number, 1);
    EXPECT_EQ(state->fields[1].number, 2);
    ASSERT_EQ(state->keys.size(), 1u);
    const KeyState& key = state->keys[0];
    ASSERT_EQ(key.components.size(), 2u);
    EXPECT_EQ(key.components[0].field, 1);
    EXPECT_TRUE(key.components[0].descending);
    EXPECT_EQ(key.components[1].field, 0);
    EXPECT_FALSE(key.components[1].descending);
    // The unique key's components lead, in the key's order, not the record's.
    EXPECT_EQ(FieldsOf(state->allKey), (std::vector<int>{1, 0}));
    EXPECT_EQ(state->allKey.label, "All");
}

TEST(AttachTest, MalformedDeclarationIsRefusedWithItsExactErrorAndLeavesNoState) {
    using D = Declaration&;
    struct Case {
        const char* what;
        std::function<void(Declaration&)> damage;
        int code;
        std::string fileErrorCode;
        std::string fileErrorText;
    };
    const std::string noName = "No Name or Label Specified";
    const std::string badType = "Data type not supported";
    const std::string tooLarge = "Field is larger than the maximum supported by the file driver";
    const std::string mismatch = "Component does not match physical file structure";

    const std::vector<Case> cases = {
        // Layout shape.
        {"record is not a GROUP", [](D d) { d.layout[0].type = kind::LONG; }, 75, "", ""},
        {"empty layout", [](D d) { d.layout.clear(); }, 75, "", ""},
        {"gap after the first field",
         [](D d) {
             d.layout[2].offset = 6;
             d.layout[2].size = 8;
         },
         75, "", ""},
        {"OVER starting where no earlier field starts",
         [](D d) {
             d.layout[0].memberCount = 3;
             d.layout.push_back(Field(kind::STRING, 2, 2, "T:MID"));
         },
         75, "", ""},
        {"negative offset", [](D d) { d.layout[1].offset = -4; }, 75, "", ""},
        {"more layout entries than the tree describes",
         [](D d) { d.layout.push_back(Field(kind::LONG, 0, 4, "T:EXTRA")); }, 75, "", ""},
        {"record GROUP claims more members than the layout holds",
         [](D d) { d.layout[0].memberCount = 5; }, 75, "", ""},
        {"nested GROUP claims more members than the layout holds",
         [](D d) {
             d.layout[0].memberCount = 3;
             d.layout.push_back(Group(16, 0, 4, "T:G"));
         },
         75, "", ""},
        {"record buffer missing", [](D d) { d.recordBuffer = false; }, 75, "", ""},

        // Field rules.
        {"CSTRING of size 0",
         [](D d) {
             d.layout[2].type = kind::CSTRING;
             d.layout[2].size = 0;
         },
         47, "FIELD : 2 : SIZE : D00005", tooLarge},
        {"STRING of negative size", [](D d) { d.layout[2].size = -1; }, 47,
         "FIELD : 2 : SIZE : D00005", tooLarge},
        {"field without label or external name", [](D d) { d.layout[2].label = nullptr; }, 47,
         "FIELD : 2 : LABEL : D00002", noName},
        {"field with empty label and external name",
         [](D d) {
             d.layout[2].label = "";
             d.layout[2].externalName = "";
         },
         47, "FIELD : 2 : LABEL : D00002", noName},
        {"PSTRING not lying over", [](D d) { d.layout[2].type = kind::PSTRING; }, 47,
         "FIELD : 2 : TYPE : D00003", badType},
        {"BFLOAT4 not lying over", [](D d) { d.layout[1].type = kind::BFLOAT4; }, 47,
         "FIELD : 1 : TYPE : D00003", badType},
        {"array not lying over",
         [](D d) {
             d.layout[2].size = 4;
             d.layout[2].elements = 3;
         },
         47, "FIELD : 2 : DIM : D00004",
         "Number of dimensions is greater than that supported by the file driver"},
        {"LONG of negative size", [](D d) { d.layout[1].size = -4; }, 47,
         "FIELD : 1 : SIZE : D00006", mismatch},
        {"field running past the record", [](D d) { d.layout[2].size = 13; }, 47,
         "FIELD : 2 : SIZE : D00006", mismatch},
        {"record size smaller than the layout", [](D d) { d.recordSize = 8; }, 47,
         "FIELD : 2 : SIZE : D00006", mismatch},
        {"OVER field running past the record",
         [](D d) {
             d.layout[0].memberCount = 3;
             d.layout.push_back(Field(kind::STRING, 0, 20, "T:WIDE"));
         },
         47, "FIELD : 3 : SIZE : D00006", mismatch},
        // 4 x 2^30 bytes wraps to 0 in 32 bits.
        {"OVER array whose extent overflows 32 bits",
         [](D d) {
             d.layout[0].memberCount = 3;
             FieldDescriptor huge = Field(kind::BYTE, 0, 1 << 30, "T:HUGE");
             huge.elements = 4;
             d.layout.push_back(huge);
         },
         47, "FIELD : 3 : DIM : D00006", mismatch},
        {"column name empty after the switch list",
         [](D d) {
             d.layout[2].label = nullptr;
             d.layout[2].externalName = " |READONLY";
         },
         79, "", ""},

        // Keys.
        {"key on an array field",
         [](D d) {
             d.layout[0].memberCount = 3;
             FieldDescriptor bytes = Field(kind::BYTE, 0, 1, "T:BYTES");
             bytes.elements = 4;
             d.layout.push_back(bytes);
             d.keys[0].components = {3};
         },
         75, "", ""},
        {"key component 0", [](D d) { d.keys[0].components = {0}; }, 75, "", ""},
        {"key component beyond the fields", [](D d) { d.keys[0].components = {3}; }, 75, "", ""},
        {"descending key component beyond the fields", [](D d) { d.keys[0].components = {-3}; },
         75, "", ""},
        {"keys array missing", [](D d) { d.keyArray = false; }, 75, "", ""},
        {"null entry in the keys array",
         [](D d) {
             d.keys.push_back(KeyDecl{"KeyById", "T:BYID", 0, {1}});
             d.nullKeyEntry = 1;
         },
         75, "", ""},
        {"256 keys", [](D d) { d.keys.assign(256, KeyDecl{nullptr, "T:K", 0, {1}}); }, 47,
         "KEY : 256 : KEY : D00003", "Too Many Keys defined"},
        {"unnamed key on a file that may be created",
         [](D d) { d.keys.push_back(KeyDecl{"        ", nullptr, keyattr::DUP, {1}}); }, 47,
         "KEY : 2 : LABEL : D00002", noName},

        // BLOBs.
        {"BLOBs array missing", [](D d) { d.blobArray = false; }, 75, "", ""},
        {"null entry in the BLOBs array", [](D d) { d.nullBlobEntry = 0; }, 75, "", ""},
        {"256 BLOBs", [](D d) { d.blobs.assign(256, BlobDecl{nullptr, "T:B", blobattr::BLOB, 0}); },
         47, "MEMO/BLOB : 256 : MEMO/BLOB : D00003", "Too Many Memos defined"},
        {"BLOB without name or label", [](D d) { d.blobs[0].label = nullptr; }, 47,
         "MEMO/BLOB : 1 : LABEL : D00002", noName},
        {"MEMO", [](D d) { d.blobs[0].attributes = 0; }, 47, "MEMO/BLOB : 1 : TYPE : D00006",
         "Driver does not support MEMOs"},
        {"binary MEMO", [](D d) { d.blobs[0].attributes = blobattr::BINARY; }, 47,
         "MEMO/BLOB : 1 : TYPE : D00006", "Driver does not support MEMOs"},
        {"BLOB of negative size", [](D d) { d.blobs[0].memoSize = -1; }, 47,
         "MEMO/BLOB : 1 : SIZE : D00004",
         "Memo is larger than the maximum size supported by the file driver"},
    };

    for (const Case& c : cases) {
        Declaration d = Baseline();
        c.damage(d);
        DeclaredFile f(d);
        // Any operation but CLOSE and DESTROY attaches, and each attempt
        // attaches afresh.
        for (int operation : {op::NAME, op::SETfile}) {
            SCOPED_TRACE(std::string(c.what) + " / " + std::string(op::Name(operation)));
            f.Run(operation);
            const RuntimeErrorState& e = CurrentErrors();
            EXPECT_EQ(e.errorCode, c.code);
            EXPECT_EQ(e.errorText, EnglishText(c.code));
            EXPECT_EQ(e.fileErrorCode, c.fileErrorCode);
            EXPECT_EQ(e.fileErrorText, c.fileErrorText);
            EXPECT_EQ(e.errorFile, &f.file);
            EXPECT_EQ(f.State(), nullptr);
        }
    }
}

TEST(AttachTest, UnnamedKeyIsFineOnAFileThatIsNeverCreated) {
    Declaration d = Baseline();
    d.attributes = 0;
    d.keys.push_back(KeyDecl{"        ", nullptr, keyattr::DUP, {1}});
    DeclaredFile f(d);
    EXPECT_EQ(f.Run(op::NAME), 0) << CurrentErrors().fileErrorCode;
    ASSERT_NE(f.State(), nullptr);
    EXPECT_EQ(f.State()->keys.size(), 2u);
}

TEST(AttachTest, ARefusedDeclarationLeavesNoKeyLinkBehind) {
    Declaration d = Baseline();
    d.keys.push_back(KeyDecl{nullptr, nullptr, 0, {1}});  // unnamed, on a CREATE file
    DeclaredFile f(d);
    ASSERT_EQ(f.Run(op::NAME), 47);
    EXPECT_EQ(f.file.keys[0]->keyState, nullptr);

    Declaration ok = Baseline();
    DeclaredFile g(ok);
    ASSERT_EQ(g.Run(op::NAME), 0);
    EXPECT_NE(g.file.keys[0]->keyState, nullptr);
    ASSERT_EQ(g.Run(op::DESTROY), 0);
    EXPECT_EQ(g.file.keys[0]->keyState, nullptr);
}

TEST(AttachTest, UnnamedIndexIsFineOnAFileThatMayBeCreated) {
    Declaration d = Baseline();
    d.keys.push_back(KeyDecl{nullptr, nullptr, keyattr::INDEX | keyattr::DUP, {}});
    DeclaredFile f(d);
    EXPECT_EQ(f.Run(op::NAME), 0) << CurrentErrors().fileErrorCode;
    ASSERT_NE(f.State(), nullptr);
    ASSERT_EQ(f.State()->keys.size(), 2u);
    EXPECT_TRUE(f.State()->keys[1].dynamic);
}

TEST(AttachTest, TheLimitOf255KeysAndBlobsAttaches) {
    Declaration d = Baseline();
    d.keys.assign(255, KeyDecl{nullptr, "T:K", keyattr::DUP, {1}});
    d.blobs.assign(255, BlobDecl{nullptr, "T:B", blobattr::BLOB, 0});
    DeclaredFile f(d);
    EXPECT_EQ(f.Run(op::NAME), 0) << CurrentErrors().fileErrorCode;
    ASSERT_NE(f.State(), nullptr);
    EXPECT_EQ(f.State()->keys.size(), 255u);
    EXPECT_EQ(f.State()->keys.back().number, 255);
    EXPECT_EQ(f.State()->blobs.size(), 255u);
    EXPECT_EQ(f.State()->blobs.back().number, 255);
}

TEST(AttachTest, TestTableAttachesAsDeclared) {
    app::TesterVariables vars;
    vars.tableName.Assign("Test_Korvelandix");
    vars.primaryKeyName.Assign("KeyTstCislo");
    vars.secondKeyName.Assign("KeyTstNazev");
    app::TestDat table(vars);
    FileDescriptor& file = table.File();
    // A status record left from an earlier use must read "closed" afterwards.
    file.statusRecord = std::make_unique<StatusRecord>();
    file.statusRecord->openMode = 0x22;

    ClearErrors();
    Arguments args;
    Dispatch(op::NAME, &file, args);
    ASSERT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorCode;

    DriverState* state = file.driverState.get();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->file, &file);
    EXPECT_EQ(state->name, "Test_Korvelandix");
    EXPECT_EQ(state->driverName, "ODBC");
    EXPECT_EQ(state->recordSize, app::kTestRecordSize);
    EXPECT_EQ(state->recordBuffer, table.Record());
    // Descriptor 0x15 = CREATE | THREAD | an uninterpreted bit 1, which the
    // shift drops.
    EXPECT_EQ(state->fileAttributes, stateattr::CREATE | stateattr::THREAD);

    ASSERT_EQ(state->fields.size(), 2u);
    EXPECT_EQ(state->fields[0].number, 1);
    EXPECT_EQ(state->fields[0].type, kind::LONG);
    EXPECT_EQ(state->fields[1].number, 2);
    EXPECT_EQ(state->fields[1].type, kind::STRING);
    EXPECT_EQ(state->fields[1].offset, 4);
    EXPECT_EQ(state->fields[1].size, app::kNazevSize);
    EXPECT_EQ(ColumnsOf(*state), (std::vector<std::string>{"TST:CISLO", "TST:NAZEV"}));
    EXPECT_TRUE(state->fields[0].nameFromLabel);

    ASSERT_EQ(state->keys.size(), 2u);
    EXPECT_EQ(state->keys[0].number, 1);
    EXPECT_EQ(state->keys[0].externalName, "KeyTstCislo");
    EXPECT_EQ(state->keys[0].label, "TST:PRIMARY");
    EXPECT_EQ(FieldsOf(state->keys[0]), (std::vector<int>{0}));
    EXPECT_EQ(state->keys[1].number, 2);
    EXPECT_EQ(state->keys[1].externalName, "KeyTstNazev");
    EXPECT_EQ(FieldsOf(state->keys[1]), (std::vector<int>{1, 0}));
    EXPECT_TRUE(state->keys[1].AllowsDuplicates());
    EXPECT_EQ(table.PrimaryKey().keyState, &state->keys[0]);
    EXPECT_EQ(table.NameKey().keyState, &state->keys[1]);
    EXPECT_EQ(state->primaryKey, 1);
    EXPECT_EQ(FieldsOf(state->allKey), (std::vector<int>{0, 1}));

    ASSERT_EQ(state->blobs.size(), 1u);
    EXPECT_EQ(state->blobs[0].number, 1);
    EXPECT_EQ(state->blobs[0].columnName, "TST:POZNAMKA");

    ASSERT_NE(file.statusRecord, nullptr);
    EXPECT_EQ(file.statusRecord->openMode, 0);
}

TEST(AttachTest, TimestampGroupIsMarkedAndProducesNoColumnsOfItsOwn) {
    struct Case {
        const char* what;
        int firstPart, secondPart;
        std::vector<bool> timestamp;
    };
    const Case cases[] = {
        {"DATE then TIME", kind::DATE, kind::TIME, {true, true, true, true, false}},
        {"TIME then DATE", kind::TIME, kind::DATE, {false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Declaration d = Baseline();
        d.recordSize = 12;
        d.layout = {Group(0, 12, 3),
                    Field(kind::STRING, 0, 8, "T:STAMP"),
                    Group(0, 8, 2, "T:PARTS"),
                    Field(c.firstPart, 0, 4, "T:P1"),
                    Field(c.secondPart, 4, 4, "T:P2"),
                    Field(kind::LONG, 8, 4, "T:N")};
        d.keys = {KeyDecl{nullptr, "T:BYN", 0, {5}}};
        DeclaredFile f(d);
        ASSERT_EQ(f.Run(op::NAME), 0) << CurrentErrors().fileErrorCode;
        const DriverState& state = *f.State();
        ASSERT_EQ(state.fields.size(), 5u);
        std::vector<bool> timestamp;
        for (const FieldEntry& field : state.fields) timestamp.push_back(field.timestamp);
        EXPECT_EQ(timestamp, c.timestamp);
        // The group lies over the STRING either way, so its parts never
        // become columns.
        EXPECT_EQ(ColumnsOf(state), (std::vector<std::string>{"T:STAMP", "T:N"}));
        EXPECT_EQ(FieldsOf(state.allKey), (std::vector<int>{4, 0}));
    }
}

TEST(AttachTest, FieldsLyingOverAnotherNeedNeitherNameNorSupportedType) {
    Declaration d = Baseline();
    d.layout[0].memberCount = 6;
    FieldDescriptor bytes = Field(kind::BYTE, 4, 1, nullptr);  // unnamed array over T:NAME
    bytes.elements = 12;
    d.layout.push_back(Field(kind::STRING, 0, 4, "T:IDRAW"));
    d.layout.push_back(Field(kind::BFLOAT4, 0, 4, "T:IDF"));
    d.layout.push_back(Field(kind::PSTRING, 4, 12, "T:NAMEP"));
    d.layout.push_back(bytes);
    DeclaredFile f(d);
    ASSERT_EQ(f.Run(op::NAME), 0) << CurrentErrors().fileErrorCode;
    const DriverState& state = *f.State();
    ASSERT_EQ(state.fields.size(), 6u);
    for (std::size_t i = 0; i < state.fields.size(); ++i) {
        EXPECT_EQ(state.fields[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(state.fields[i].liesOver, i >= 2) << "field " << i + 1;
    }
    EXPECT_EQ(ColumnsOf(state), (std::vector<std::string>{"T:ID", "T:NAME"}));
}

TEST(AttachTest, MemoFailsEveryAttemptUntilTheDeclarationIsFixed) {
    Declaration d = Baseline();
    d.blobs[0].attributes = 0;
    DeclaredFile f(d);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(f.Run(op::NAME), 47);
        EXPECT_EQ(CurrentErrors().fileErrorCode, "MEMO/BLOB : 1 : TYPE : D00006");
        EXPECT_EQ(f.State(), nullptr);
    }
    f.Blob(0).attributes = blobattr::BLOB;
    EXPECT_EQ(f.Run(op::NAME), 0);
    ASSERT_NE(f.State(), nullptr);
    EXPECT_EQ(f.State()->blobs.size(), 1u);
}

TEST(AttachTest, PrimaryKeyIsThePrimaryOneElseTheFirstUniqueOne) {
    struct Case {
        std::vector<std::uint32_t> keyAttributes;
        int primaryKey;
    };
    const Case cases[] = {
        {{keyattr::DUP, 0, keyattr::PRIMARY}, 3},
        {{0, keyattr::PRIMARY | keyattr::OPT}, 2},
        {{keyattr::DUP, keyattr::OPT | keyattr::NOCASE, 0}, 2},
        {{keyattr::DUP, keyattr::DUP}, 0},
        {{}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.keyAttributes));
        Declaration d = Baseline();
        d.keys.clear();
        for (std::uint32_t attributes : c.keyAttributes)
            d.keys.push_back(KeyDecl{nullptr, "T:K", attributes, {1}});
        DeclaredFile f(d);
        ASSERT_EQ(f.Run(op::NAME), 0) << CurrentErrors().fileErrorCode;
        EXPECT_EQ(f.State()->primaryKey, c.primaryKey);
    }
}

}  // namespace
}  // namespace dbprobe::odbc
