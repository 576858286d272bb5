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

namespace dbprobe::odbc {
namespace {

FieldDescriptor Field(int type, std::int32_t offset, std::int32_t size, const char* label) {
    FieldDescriptor f;
    f.type = type;
    f.offset = offset;
    f.size = size;
    f.label = label;
    return f;
}

FieldDescriptor Group(std::int32_t offset, std::int32_t size, std::int32_t members,
                      const char* label = nullptr) {
    FieldDescriptor g = Field(kind::GROUP, offset, size, label);
    g.memberCount = members;
    return g;
}

struct KeyDecl {
    const char* name = nullptr;  // handed over as a fixed-width field, like a name variable
    const char* label = nullptr;
    std::uint32_t attributes = 0;
    std::vector<std::int16_t> components;
};

struct BlobDecl {
    const char* name = nullptr;
    const char* label = nullptr;
    std::uint8_t attributes = blobattr::BLOB;
    std::int32_t memoSize = 0;
};

// A declaration in plain values; DeclaredFile lays it out the way the runtime
// hands it over.
struct Declaration {
    std::int32_t recordSize = 16;
    bool recordBuffer = true;
    std::uint8_t attributes = fileattr::CREATE;
    std::vector<FieldDescriptor> layout;
    std::vector<KeyDecl> keys;
    std::vector<BlobDecl> blobs;
    // Damage the runtime itself never produces.
    bool keyArray = true;
    bool blobArray = true;
    int nullKeyEntry = -1;
    int nullBlobEntry = -1;
};

// T:ID LONG at 0, T:NAME STRING(12) at 4; one unique key on NAME descending,
// then ID; one BLOB.
Declaration Baseline() {
    Declaration d;
    d.layout = {Group(0, 16, 2), Field(kind::LONG, 0, 4, "T:ID"),
                Field(kind::STRING, 4, 12, "T:NAME")};
    d.keys = {KeyDecl{"KeyByName", "T:BYNAME", 0, {-2, 1}}};
    d.blobs = {BlobDecl{nullptr, "T:NOTE", blobattr::BLOB, 0}};
    return d;
}

TextRef Fixed(const char* text) {
    if (text == nullptr) return {};
    return {text, static_cast<std::int32_t>(std::strlen(text))};
}

TextRef Terminated(const char* text) { return text == nullptr ? TextRef{} : TextRef::Terminated(text); }

// Every array is allocated at its exact size so that a driver reading past a
// count shows up under the address sanitizer.
class DeclaredFile {
public:
    explicit DeclaredFile(const Declaration& d) {
        if (d.recordBuffer) record_ = std::make_unique<char[]>(std::max<std::int32_t>(d.recordSize, 1));
        file.driverEntry = &Dispatch;
        file.name = TextRef::Terminated("T");
        file.recordBuffer = record_.get();
        file.recordSize = d.recordSize;
        file.attributes = d.attributes;

        const std::size_t fieldCount = d.layout.size();
        layout_ = std::make_unique<FieldDescriptor[]>(fieldCount);
        std::copy(d.layout.begin(), d.layout.end(), layout_.get());
        file.recordLayout.fields = fieldCount == 0 ? nullptr : layout_.get();
        file.recordLayout.count = static_cast<std::uint32_t>(fieldCount);

        const std::size_t keyCount = d.keys.size();
        keys_ = std::make_unique<KeyDescriptor[]>(keyCount);
        keyTable_ = std::make_unique<const KeyDescriptor*[]>(keyCount);
        for (std::size_t i = 0; i < keyCount; ++i) {
            const KeyDecl& decl = d.keys[i];
            KeyDescriptor& key = keys_[i];
            key.externalName = Fixed(decl.name);
            key.label = Terminated(decl.label);
            key.attributes = decl.attributes;
            key.componentCount = static_cast<std::uint8_t>(decl.components.size());
            if (!decl.components.empty()) {
                components_.push_back(std::make_unique<std::int16_t[]>(decl.components.size()));
                std::copy(decl.components.begin(), decl.components.end(), components_.back().get());
                key.components = components_.back().get();
            }
            key.owner = &file;
            keyTable_[i] = static_cast<int>(i) == d.nullKeyEntry ? nullptr : &key;
        }
        file.keys = d.keyArray && keyCount > 0 ? keyTable_.get() : nullptr;
        file.keyCount = static_cast<std::uint16_t>(keyCount);

        const std::size_t blobCount = d.blobs.size();
        blobs_ = std::make_unique<BlobDescriptor[]>(blobCount);
        blobTable_ = std::make_unique<const BlobDescriptor*[]>(blobCount);
        for (std::size_t i = 0; i < blobCount; ++i) {
            const BlobDecl& decl = d.blobs[i];
            BlobDescriptor& blob = blobs_[i];
            blob.externalName = Fixed(decl.name);
            blob.label = Terminated(decl.label);
            blob.attributes = decl.attributes;
            blob.memoSize = decl.memoSize;
            blobTable_[i] = static_cast<int>(i) == d.nullBlobEntry ? nullptr : &blob;
        }
        file.blobs = d.blobArray && blobCount > 0 ? blobTable_.get() : nullptr;
        file.blobCount = static_cast<std::uint16_t>(blobCount);
    }
    DeclaredFile(const DeclaredFile&) = delete;
    DeclaredFile& operator=(const DeclaredFile&) = delete;

    BlobDescriptor& Blob(std::size_t i) { return blobs_[i]; }
    DriverState* State() { return file.driverState.get(); }

    // Runs one operation with the error state cleared first, so that what is
    // left there afterwards is this operation's outcome.
    int Run(int operation) {
        ClearErrors();
        Arguments args;
        Dispatch(operation, &file, args);
        return CurrentErrors().errorCode;
    }

    FileDescriptor file;

private:
    std::unique_ptr<char[]> record_;
    std::unique_ptr<FieldDescriptor[]> layout_;
    std::unique_ptr<KeyDescriptor[]> keys_;
    std::vector<std::unique_ptr<std::int16_t[]>> components_;
    std::unique_ptr<const KeyDescriptor*[]> keyTable_;
    std::unique_ptr<BlobDescriptor[]> blobs_;
    std::unique_ptr<const BlobDescriptor*[]> blobTable_;
};

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
