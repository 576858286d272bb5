#include "odbc/dispatch/state_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>

#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/operation.h"
#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::odbc {
namespace {

using namespace flag;

// Which key argument an operation receives.
enum class Key {
    None,             // operation without a key
    Own,              // an ordinary key of this file
    OwnDynamic,       // a dynamic index of this file, not built yet
    OwnDynamicBuilt,  // a dynamic index of this file, built
    Foreign,          // a key whose owner is another file
    Null,             // a key operation handed no key descriptor
};

// One attached file with one key, plus a second file for foreign keys.
class StateRulesFixture {
protected:
    StateRulesFixture() {
        key_.owner = &file_;
        foreignKey_.owner = &otherFile_;
        state_.file = &file_;
        KeyState keyState;
        keyState.descriptor = &key_;
        keyState.number = 1;
        state_.keys.push_back(std::move(keyState));
    }

    KeyState& OwnKeyState() { return state_.keys[0]; }

    // The key descriptor and key state handed to the operation.
    std::pair<const KeyDescriptor*, KeyState*> Arrange(Key key) {
        KeyState& own = OwnKeyState();
        own.dynamic = key == Key::OwnDynamic || key == Key::OwnDynamicBuilt;
        own.indexBuilt = key == Key::OwnDynamicBuilt;
        switch (key) {
            case Key::None:
            case Key::Null:
                return {nullptr, nullptr};
            case Key::Foreign:
                // A key state is present, so only the owner can be the reason.
                return {&foreignKey_, &own};
            default:
                return {&key_, &own};
        }
    }

    FileDescriptor file_;
    FileDescriptor otherFile_;
    KeyDescriptor key_;
    KeyDescriptor foreignKey_;
    DriverState state_;
};

// ---------------------------------------------------------------------------
// Precondition check

struct CheckCase {
    const char* name;
    int operation;
    std::uint32_t flags;
    Key key;
    const char* position;  // RESET/REGET position text; nullptr when absent
    int expected;          // 0, an error code, or -1
};

std::ostream& operator<<(std::ostream& os, const CheckCase& c) { return os << c.name; }

constexpr std::uint32_t kSequence = SequenceSet | SequenceFresh;

const CheckCase kCheckCases[] = {
    // Operations that need a closed file.
    {"CreateOnClosedFile", op::CREATE, 0, Key::None, nullptr, 0},
    {"CreateOnOpenFile", op::CREATE, Open, Key::None, nullptr, err::FileAlreadyOpen},
    {"OpenOnClosedFile", op::OPEN, 0, Key::None, nullptr, 0},
    {"OpenOnOpenFile", op::OPEN, Open | WriteAccess, Key::None, nullptr, err::FileAlreadyOpen},
    // Open outranks LoggedOut among forbidden flags.
    {"OpenOnOpenFileInTransaction", op::OPEN, Open | LoggedOut, Key::None, nullptr,
     err::FileAlreadyOpen},
    {"ShareOnOpenFile", op::SHARE, Open, Key::None, nullptr, err::FileAlreadyOpen},
    {"RemoveOnClosedFile", op::REMOVE, 0, Key::None, nullptr, 0},
    {"RemoveOnOpenFile", op::REMOVE, Open, Key::None, nullptr, err::FileAlreadyOpen},

    // BLOB access needs only an open file.
    {"BlobSetPropOnOpenFile", op::BLOB_SET_PROP, Open, Key::None, nullptr, 0},
    {"BlobSetPropOnClosedFile", op::BLOB_SET_PROP, 0, Key::None, nullptr, err::FileNotOpen},
    {"BlobTakeOnOpenFile", op::BLOB_TAKE, Open, Key::None, nullptr, 0},
    {"BlobTakeOnClosedFile", op::BLOB_TAKE, 0, Key::None, nullptr, err::FileNotOpen},

    // The read sequence.
    {"SetFileOnOpenFile", op::SETfile, Open, Key::None, nullptr, 0},
    {"SetFileOnClosedFile", op::SETfile, 0, Key::None, nullptr, err::FileNotOpen},
    {"NextAfterSet", op::NEXT, Open | kSequence, Key::None, nullptr, 0},
    {"NextBeforeSet", op::NEXT, Open, Key::None, nullptr, err::RecordNotAvailable},
    {"NextOnClosedFile", op::NEXT, 0, Key::None, nullptr, err::FileNotOpen},
    {"PreviousBeforeSet", op::PREVIOUS, Open | HasRecord, Key::None, nullptr,
     err::RecordNotAvailable},
    {"PreviousAfterSet", op::PREVIOUS, Open | SequenceSet, Key::None, nullptr, 0},

    // Writing.
    {"DeleteAfterRead", op::DELETE, Open | WriteAccess | kSequence | HasRecord, Key::None, nullptr,
     0},
    {"DeleteAfterSetBeforeRead", op::DELETE, Open | WriteAccess | kSequence, Key::None, nullptr,
     err::RecordNotAvailable},
    {"DeleteReadOnly", op::DELETE, Open | SequenceSet | HasRecord, Key::None, nullptr,
     err::AccessDenied},
    // A missing record is reported before missing write access.
    {"DeleteReadOnlyWithoutRecord", op::DELETE, Open, Key::None, nullptr, err::RecordNotAvailable},
    {"AddWritable", op::ADD, Open | WriteAccess, Key::None, nullptr, 0},
    {"AddReadOnly", op::ADD, Open, Key::None, nullptr, err::AccessDenied},
    {"AddOnClosedFile", op::ADD, 0, Key::None, nullptr, err::FileNotOpen},

    // Closing.
    {"CloseOpenFile", op::CLOSE, Open | HasRecord | kSequence, Key::None, nullptr, 0},
    {"CloseClosedFile", op::CLOSE, 0, Key::None, nullptr, err::FileNotOpen},
    {"CloseInTransaction", op::CLOSE, Open | LoggedOut, Key::None, nullptr,
     err::LogoutAlreadyActive},

    // Rows without requirements pass on a closed file.
    {"GetPropertyKeyOnClosedFile", op::GETPROPERTYkey, 0, Key::Own, nullptr, 0},
    {"GetPropertyOnClosedFile", op::GET_PROPERTY, 0, Key::None, nullptr, 0},
    {"SetPropertyOnClosedFile", op::SET_PROPERTY, 0, Key::None, nullptr, 0},
    {"DestroyOnClosedFile", op::DESTROY, 0, Key::None, nullptr, 0},
    {"DestroyOnOpenFile", op::DESTROY, Open | LoggedOut | Locked, Key::None, nullptr, 0},

    // Null indicators and MEMO suppression.
    {"GetNullsWithRecord", op::GETNULLS, Open | HasRecord, Key::None, nullptr, 0},
    {"GetNullsWithoutRecord", op::GETNULLS, Open | kSequence, Key::None, nullptr,
     err::RecordNotAvailable},
    {"GetNullsOnClosedFile", op::GETNULLS, 0, Key::None, nullptr, err::FileNotOpen},
    {"SetNullsOnOpenFile", op::SETNULLS, Open, Key::None, nullptr, 0},
    {"SetNullsOnClosedFile", op::SETNULLS, 0, Key::None, nullptr, err::FileNotOpen},
    {"NoMemoOnOpenFile", op::NOMEMO, Open, Key::None, nullptr, 0},
    {"NoMemoOnClosedFile", op::NOMEMO, 0, Key::None, nullptr, err::FileNotOpen},

    // Key arguments.
    {"SetKeyOwnKey", op::SETkey, Open, Key::Own, nullptr, 0},
    {"SetKeyOnClosedFile", op::SETkey, 0, Key::Own, nullptr, err::FileNotOpen},
    {"SetKeyForeignKey", op::SETkey, Open, Key::Foreign, nullptr, err::InvalidKeyFile},
    {"SetKeyNullKey", op::SETkey, Open, Key::Null, nullptr, err::InvalidKeyFile},
    // The key is checked before any flag.
    {"SetKeyForeignKeyOnClosedFile", op::SETkey, 0, Key::Foreign, nullptr, err::InvalidKeyFile},
    {"GetPropertyKeyForeignKey", op::GETPROPERTYkey, Open, Key::Foreign, nullptr,
     err::InvalidKeyFile},

    // Dynamic indexes carry their own IndexBuilt; the file's bit does not count.
    {"SetKeyDynamicUnbuilt", op::SETkey, Open, Key::OwnDynamic, nullptr, err::KeyFileMustBeRebuilt},
    {"SetKeyDynamicUnbuiltFileBitSet", op::SETkey, Open | IndexBuilt, Key::OwnDynamic, nullptr,
     err::KeyFileMustBeRebuilt},
    {"SetKeyDynamicBuilt", op::SETkey, Open, Key::OwnDynamicBuilt, nullptr, 0},
    {"SetKeyDynamicUnbuiltOnClosedFile", op::SETkey, 0, Key::OwnDynamic, nullptr, err::FileNotOpen},
    {"SetKeyStaticWithoutFileBit", op::SETkey, Open, Key::Own, nullptr, 0},
    // Building the index must not need the index to be built.
    {"BuildDynUnbuilt", op::BUILDdyn, Open, Key::OwnDynamic, nullptr, 0},

    // Forbidden flags other than Open and LoggedOut fail silently, and so do
    // required flags without an error code of their own.
    {"LockWhileLocked", op::LOCKfile, Open | Locked | Exclusive, Key::None, nullptr, -1},
    {"UnlockWithoutLock", op::UNLOCK, Open, Key::None, nullptr, -1},
    {"CommitWithoutTransaction", op::COMMIT, Open, Key::None, nullptr, -1},

    // A build in progress admits only five operations.
    {"NextWhileBuilding", op::NEXT, Open | kSequence | Building, Key::None, nullptr,
     err::BuildInProgress},
    {"AddWhileBuilding", op::ADD, Open | WriteAccess | Building, Key::None, nullptr,
     err::BuildInProgress},
    {"OpenWhileBuilding", op::OPEN, Building, Key::None, nullptr, err::BuildInProgress},
    {"SetPropertyWhileBuilding", op::SET_PROPERTY, Open | Building, Key::None, nullptr,
     err::BuildInProgress},
    {"SetKeyWhileBuilding", op::SETkey, Open | Building, Key::Own, nullptr, err::BuildInProgress},
    {"DestroyWhileBuilding", op::DESTROY, Open | Building, Key::None, nullptr,
     err::BuildInProgress},
    {"CloseWhileBuilding", op::CLOSE, Open | Building, Key::None, nullptr, 0},
    {"NameWhileBuilding", op::NAME, Open | Building, Key::None, nullptr, 0},
    {"GetPropertyWhileBuilding", op::GET_PROPERTY, Open | Building, Key::None, nullptr, 0},
    {"BuildEventWhileBuilding", op::BUILDevent, Open | WriteAccess | Exclusive | Building,
     Key::None, nullptr, 0},
    {"GetPropertyKeyWhileBuilding", op::GETPROPERTYkey, Open | Building, Key::Own, nullptr, 0},
    // Missing flags are reported before the build.
    {"NextBeforeSetWhileBuilding", op::NEXT, Open | Building, Key::None, nullptr,
     err::RecordNotAvailable},
    // An allowed operation still meets its forbidden flags.
    {"CloseWhileBuildingInTransaction", op::CLOSE, Open | Building | LoggedOut, Key::None, nullptr,
     err::LogoutAlreadyActive},

    // Builds need exclusive write access, but only on an open file.
    {"BuildFileOnClosedFile", op::BUILDfile, 0, Key::None, nullptr, 0},
    {"BuildFileWithoutExclusive", op::BUILDfile, Open | WriteAccess, Key::None, nullptr,
     err::ExclusiveAccessRequired},
    {"BuildFileWithoutEither", op::BUILDfile, Open, Key::None, nullptr,
     err::ExclusiveAccessRequired},
    {"BuildFileReadOnlyExclusive", op::BUILDfile, Open | Exclusive, Key::None, nullptr,
     err::AccessDenied},
    {"BuildFileExclusiveWritable", op::BUILDfile, Open | WriteAccess | Exclusive, Key::None,
     nullptr, 0},
    {"BuildFileInTransaction", op::BUILDfile, Open | WriteAccess | Exclusive | LoggedOut, Key::None,
     nullptr, err::LogoutAlreadyActive},

    // RESET and REGET need a position.
    {"ResetKeyBlankPosition", op::RESETkey, Open, Key::Own, "    ", err::RecordNotFound},
    {"ResetKeyEmptyPosition", op::RESETkey, Open, Key::Own, "", err::RecordNotFound},
    {"ResetKeyAbsentPosition", op::RESETkey, Open, Key::Own, nullptr, err::RecordNotFound},
    {"ResetKeyWithPosition", op::RESETkey, Open, Key::Own, "  1 ", 0},
    {"RegetFileAbsentPosition", op::REGETfile, Open, Key::None, nullptr, err::RecordNotFound},
    {"RegetFileBlankPosition", op::REGETfile, Open, Key::None, " ", err::RecordNotFound},
    {"RegetFileWithPosition", op::REGETfile, Open, Key::None, "A", 0},
    // An earlier error wins over the missing position.
    {"RegetFileBlankOnClosedFile", op::REGETfile, 0, Key::None, " ", err::FileNotOpen},
    {"ResetKeyBlankForeignKey", op::RESETkey, Open, Key::Foreign, " ", err::InvalidKeyFile},

    // Codes outside the table.
    {"CodeBeyondTable", 200, Open | Building, Key::None, nullptr, err::UnsupportedFunction},
    {"CodeJustBeyondTable", 109, 0, Key::None, nullptr, err::UnsupportedFunction},
    {"NegativeCode", -1, 0, Key::None, nullptr, err::UnsupportedFunction},
    {"LastCodeOfTable", op::Accepted108, 0, Key::None, nullptr, 0},
};

class StateRulesCheck : public StateRulesFixture, public ::testing::TestWithParam<CheckCase> {};

TEST_P(StateRulesCheck, Result) {
    const CheckCase& c = GetParam();
    state_.stateFlags = c.flags;
    state_.operationClass = 0xFF;  // left over from the previous operation
    auto [key, keyState] = Arrange(c.key);
    const std::string text = c.position != nullptr ? c.position : "";
    const std::string* position = c.position != nullptr ? &text : nullptr;

    EXPECT_EQ(CheckPreconditions(state_, c.operation, key, keyState, position), c.expected);
    EXPECT_EQ(state_.operationClass, 0u);
    // The check only judges; it never changes the flags.
    EXPECT_EQ(state_.stateFlags, c.flags);
}

INSTANTIATE_TEST_SUITE_P(StateRules, StateRulesCheck, ::testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// State update

struct UpdateCase {
    const char* name;
    int operation;
    std::uint32_t before;
    Key key;
    int result;
    std::uint32_t after;
    std::uint32_t operationClass;  // expected afterwards; the check left 0
    bool keyIndexBuilt;            // the key's own IndexBuilt afterwards
};

std::ostream& operator<<(std::ostream& os, const UpdateCase& c) { return os << c.name; }

constexpr std::uint32_t kEverything = Open | HasRecord | LoggedOut | Streaming | Locked |
                                      SequenceSet | WriteAccess | Exclusive | Watching | Watched |
                                      HoldRequested | Held | SequenceFresh | ProgressEvents;

const UpdateCase kUpdateCases[] = {
    {"OpenSuccess", op::OPEN, 0, Key::None, 0, Open, 0x1, false},
    // The second OPEN of the run fails with 52 and must leave the file open.
    {"OpenFailureOnOpenFile", op::OPEN, Open | WriteAccess | kSequence | HasRecord, Key::None,
     err::FileAlreadyOpen, Open | WriteAccess | kSequence | HasRecord, 0, false},
    {"ShareSuccess", op::SHARE, 0, Key::None, 0, Open, 0x1, false},
    {"CreateSuccess", op::CREATE, 0, Key::None, 0, 0, 0x1, false},
    {"RemoveSuccess", op::REMOVE, 0, Key::None, 0, 0, 0x1, false},

    {"CloseSuccessOnOpenFile", op::CLOSE, kEverything, Key::None, 0, 0, 0x3, false},
    // Without an open file only Open itself is cleared.
    {"CloseSuccessOnClosedFile", op::CLOSE, ProgressEvents, Key::None, 0, ProgressEvents, 0x3,
     false},
    {"CloseFailure", op::CLOSE, Open | HasRecord | Watching | Watched, Key::None,
     err::FileSystemError, Open | HasRecord, 0, false},

    {"SetFileSuccess", op::SETfile, Open, Key::None, 0, Open | kSequence, 0x25, false},
    {"SetFileFailure", op::SETfile, Open | kSequence, Key::None, err::RecordNotFound, Open, 0,
     false},
    {"SetKeySuccess", op::SETkey, Open | WriteAccess, Key::Own, 0, Open | WriteAccess | kSequence,
     0x25, false},
    {"SetKeyFailure", op::SETkey, Open | kSequence, Key::Own, err::FileSystemError, Open, 0, false},
    {"SetKeyHeldFailureKeepsSequence", op::SETkey, Open | kSequence, Key::Own,
     err::RecordIsAlreadyHeld, Open | SequenceSet, 0, false},

    // A read turns a pending WATCH/HOLD into the state of the row just read.
    {"NextSuccessWatchAndHold", op::NEXT, Open | kSequence | Watching | HoldRequested, Key::None, 0,
     Open | kSequence | HasRecord | Watched | Held, 0x15, false},
    {"NextSuccessDropsStaleWatchAndHold", op::NEXT, Open | kSequence | HasRecord | Watched | Held,
     Key::None, 0, Open | kSequence | HasRecord, 0x15, false},
    {"NextSuccessWatchWithoutHold", op::NEXT, Open | SequenceSet | Watching | Held, Key::None, 0,
     Open | SequenceSet | HasRecord | Watched, 0x15, false},
    {"NextSuccessHoldWithoutWatch", op::NEXT, Open | SequenceSet | Watched | HoldRequested,
     Key::None, 0, Open | SequenceSet | HasRecord | Held, 0x15, false},
    {"NextFailure", op::NEXT, Open | kSequence | HasRecord | Watching | Watched | HoldRequested,
     Key::None, err::RecordNotAvailable, Open | HoldRequested, 0, false},
    {"NextSilentFailure", op::NEXT, Open | kSequence | HasRecord, Key::None, -1, Open, 0, false},
    {"NextHeldFailureKeepsSequence", op::NEXT, Open | kSequence | HasRecord | Watching, Key::None,
     err::RecordIsAlreadyHeld, Open | SequenceSet, 0, false},
    {"PreviousSuccess", op::PREVIOUS, Open | SequenceSet, Key::None, 0,
     Open | SequenceSet | HasRecord, 0x15, false},

    // ADD makes the new row current; it was read under neither WATCH nor HOLD.
    {"AddSuccess", op::ADD, Open | WriteAccess | Watching | Watched | Held, Key::None, 0,
     Open | WriteAccess | HasRecord | Watching, 0x11, false},
    {"AddFailure", op::ADD, Open | WriteAccess | HasRecord | Watching | Watched, Key::None,
     err::CreatesDuplicateKey, Open | WriteAccess | HasRecord, 0, false},
    {"DeleteSuccess", op::DELETE, Open | WriteAccess | kSequence | HasRecord, Key::None, 0,
     Open | WriteAccess | kSequence, 0x1, false},
    {"DeleteFailure", op::DELETE, Open | WriteAccess | SequenceSet | HasRecord, Key::None,
     err::RecordChangedByAnotherStation, Open | WriteAccess | SequenceSet | HasRecord, 0, false},

    // Rows that change no flag still hand over their class.
    {"GetPropertyKeySuccess", op::GETPROPERTYkey, Open | HasRecord, Key::Own, 0, Open | HasRecord,
     0, false},
    {"GetPropertySuccess", op::GET_PROPERTY, Open, Key::None, 0, Open, 0, false},
    {"SetPropertySuccess", op::SET_PROPERTY, 0, Key::None, 0, 0, 0x1, false},
    {"GetNullsSuccess", op::GETNULLS, Open | HasRecord, Key::None, 0, Open | HasRecord, 0x1, false},
    {"SetNullsSuccess", op::SETNULLS, Open, Key::None, 0, Open, 0x1, false},
    {"NoMemoSuccess", op::NOMEMO, Open, Key::None, 0, Open, 0, false},
    {"BlobSetPropSuccess", op::BLOB_SET_PROP, Open, Key::None, 0, Open, 0x1, false},
    {"BlobTakeSuccess", op::BLOB_TAKE, Open | HasRecord, Key::None, 0, Open | HasRecord, 0x1,
     false},
    {"DestroySuccess", op::DESTROY, Open | HasRecord, Key::None, 0, Open | HasRecord, 0, false},

    // A dynamic index records its build on the key, never on the file.
    {"BuildDynDynamicKey", op::BUILDdyn, Open, Key::OwnDynamic, 0, Open, 0x1, true},
    {"BuildDynStaticKey", op::BUILDdyn, Open, Key::Own, 0, Open, 0x1, false},
    {"BuildDynDynamicKeyFailure", op::BUILDdyn, Open, Key::OwnDynamic, err::InvalidIndexString,
     Open, 0, false},
};

class StateRulesUpdate : public StateRulesFixture, public ::testing::TestWithParam<UpdateCase> {};

TEST_P(StateRulesUpdate, Flags) {
    const UpdateCase& c = GetParam();
    state_.stateFlags = c.before;
    state_.operationClass = 0;
    KeyState* keyState = Arrange(c.key).second;

    UpdateState(state_, c.operation, keyState, c.result, (c.before & Open) != 0);

    EXPECT_EQ(state_.stateFlags, c.after) << std::hex << "0x" << state_.stateFlags;
    EXPECT_EQ(state_.stateFlags & IndexBuilt, 0u);
    EXPECT_EQ(state_.operationClass, c.operationClass);
    EXPECT_EQ(OwnKeyState().indexBuilt, c.keyIndexBuilt);
}

INSTANTIATE_TEST_SUITE_P(StateRules, StateRulesUpdate, ::testing::ValuesIn(kUpdateCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The run's delete loop: check and update as the dispatcher chains them.
class StateRulesSequence : public StateRulesFixture, public ::testing::Test {
protected:
    int Run(int operation, int handlerResult = 0) {
        const bool wasOpen = state_.IsOpen();
        int result = CheckPreconditions(state_, operation, nullptr, nullptr, nullptr);
        if (result == 0) result = handlerResult;
        UpdateState(state_, operation, nullptr, result, wasOpen);
        return result;
    }
};

TEST_F(StateRulesSequence, DeleteNeedsAFreshRead) {
    ASSERT_EQ(Run(op::OPEN), 0);
    state_.stateFlags |= WriteAccess;  // what OPEN's own bookkeeping adds for a writable mode
    ASSERT_EQ(Run(op::SETfile), 0);
    EXPECT_EQ(Run(op::DELETE), err::RecordNotAvailable);
    ASSERT_EQ(Run(op::NEXT), 0);
    EXPECT_EQ(Run(op::DELETE), 0);
    EXPECT_EQ(Run(op::DELETE), err::RecordNotAvailable);
    ASSERT_EQ(Run(op::NEXT), 0);
    // Running off the end drops the sequence: the next NEXT needs a new SET.
    EXPECT_EQ(Run(op::NEXT, err::RecordNotAvailable), err::RecordNotAvailable);
    EXPECT_EQ(Run(op::NEXT), err::RecordNotAvailable);
    EXPECT_EQ(Run(op::CLOSE), 0);
    EXPECT_EQ(state_.stateFlags, 0u);
    EXPECT_EQ(Run(op::CLOSE), err::FileNotOpen);
    EXPECT_EQ(Run(op::REMOVE), 0);
}

// ---------------------------------------------------------------------------
// Rule table and names: a guard against typos in a few rows.

struct RuleRow {
    std::uint32_t classMask, required, forbidden, set, clear, clearOnFailure;
    bool operator==(const RuleRow&) const = default;
};

std::ostream& operator<<(std::ostream& os, const RuleRow& r) {
    return os << std::hex << "{0x" << r.classMask << ", 0x" << r.required << ", 0x" << r.forbidden
              << ", 0x" << r.set << ", 0x" << r.clear << ", 0x" << r.clearOnFailure << "}";
}

RuleRow RowOf(int code) {
    const OperationRule& r = RuleFor(code);
    return {r.classMask, r.required, r.forbidden, r.set, r.clear, r.clearOnFailure};
}

TEST(RuleTable, SampleRows) {
    EXPECT_EQ(RowOf(op::NEXT), (RuleRow{0x15, 0x21, 0, 0x2, 0xA00, 0x2022}));
    EXPECT_EQ(RowOf(op::PREVIOUS), RowOf(op::NEXT));
    EXPECT_EQ(RowOf(op::OPEN), (RuleRow{0x1, 0, 0x1, 0x1, 0, 0}));
    EXPECT_EQ(RowOf(op::CLOSE), (RuleRow{0x3, 0x1, 0x4, 0, 0x101, 0}));
    EXPECT_EQ(RowOf(op::SETkey), (RuleRow{0x25, 0x101, 0, 0x2020, 0, 0x2020}));
    EXPECT_EQ(RowOf(op::ADD), (RuleRow{0x11, 0x41, 0, 0x2, 0x1400, 0}));
    EXPECT_EQ(RowOf(op::DESTROY), (RuleRow{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(RowOf(op::Accepted108), (RuleRow{0x1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(RowOf(200), (RuleRow{0, 0, 0, 0, 0, 0}));
}

TEST(RuleTable, Bounds) {
    EXPECT_TRUE(InRuleTable(0));
    EXPECT_TRUE(InRuleTable(108));
    EXPECT_FALSE(InRuleTable(109));
    EXPECT_FALSE(InRuleTable(-1));
}

TEST(RuleTable, OperationNames) {
    EXPECT_EQ(op::Name(0), "(0)");
    EXPECT_EQ(op::Name(op::SETfile), "SETfile");
    EXPECT_EQ(op::Name(41), "SETfile");
    EXPECT_EQ(op::Name(op::EOF_), "EOF");
    EXPECT_EQ(op::Name(104), "DESTROY");
    EXPECT_EQ(op::Name(101), "(101)");
}

}  // namespace
}  // namespace dbprobe::odbc
