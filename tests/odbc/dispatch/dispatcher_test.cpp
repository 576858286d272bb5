#include "odbc/dispatch/dispatcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "app/test_table.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/handlers.h"
#include "odbc/dispatch/operation.h"
#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::odbc {
namespace {

int Succeeds(OperationContext&) { return 0; }

// The test table with its names assigned, and the server-bound handlers that
// reach this layer stood in by ones that succeed.
class DispatcherTest : public ::testing::Test {
protected:
    DispatcherTest() : table_(vars_) {
        vars_.dataSource.Assign("SomeDsn");
        vars_.tableName.Assign("Test_Korvelandix");
        vars_.primaryKeyName.Assign("KeyTstCislo");
        vars_.secondKeyName.Assign("KeyTstNazev");
        ClearErrors();
    }

    FileDescriptor& File() { return table_.File(); }
    DriverState* State() { return File().driverState.get(); }

    int Run(int operation, Arguments args = {}) {
        last_ = std::move(args);
        value_ = CallDriver(operation, File(), last_);
        return CurrentErrors().errorCode;
    }
    int Open(std::int64_t mode) { return Run(op::OPEN, Arguments::WithNumbers({mode})); }

    app::TesterVariables vars_;
    app::TestDat table_;
    Arguments last_;
    std::intptr_t value_ = 0;
    ScopedHandler open_{op::OPEN, Succeeds};
    ScopedHandler setfile_{op::SETfile, Succeeds};
    ScopedHandler next_{op::NEXT, Succeeds};
};

TEST_F(DispatcherTest, CloseOnANeverUsedFileSucceedsWithoutAttaching) {
    EXPECT_EQ(Run(op::CLOSE), 0);
    EXPECT_EQ(State(), nullptr);
    EXPECT_EQ(Run(op::DESTROY), 0);
    EXPECT_EQ(State(), nullptr);
}

TEST_F(DispatcherTest, OpenWithABlankNameFailsWith45AndNamesTheFile) {
    ScopedHandler real(op::OPEN, handlers::Open);
    vars_.tableName.Assign("");
    EXPECT_EQ(Open(0x22), 45);
    EXPECT_EQ(CurrentErrors().errorText, "Invalid Filename");
    EXPECT_EQ(CurrentErrors().errorFile, &File());
    ASSERT_NE(State(), nullptr);
    EXPECT_FALSE(State()->IsOpen());
}

TEST_F(DispatcherTest, OpenModeDecidesWriteAndExclusiveAccess) {
    struct Case {
        std::int64_t mode;
        std::uint32_t flags;
        std::int32_t status;
    };
    const Case cases[] = {
        {0x22, flag::Open | flag::WriteAccess | flag::Exclusive, 0x22},
        {0x42, flag::Open | flag::WriteAccess, 0x42},
        {0x40, flag::Open, 0x40},
        {0x10, flag::Open | flag::Exclusive, 0x10},
        {0, flag::Open, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(Open(c.mode), 0);
        EXPECT_EQ(State()->stateFlags, c.flags);
        EXPECT_EQ(State()->openMode, c.mode);
        EXPECT_EQ(File().statusRecord->openMode, c.status);
        ASSERT_EQ(Run(op::CLOSE), 0);
        EXPECT_EQ(State()->stateFlags, 0u);
        EXPECT_EQ(File().statusRecord->openMode, 0);
    }
}

TEST_F(DispatcherTest, OperationsRefusedByTheFileState) {
    ASSERT_EQ(Open(0x22), 0);
    EXPECT_EQ(Open(0x22), 52);
    EXPECT_EQ(Run(op::REMOVE), 52);
    EXPECT_EQ(Run(op::NEXT), 33);
    ASSERT_EQ(Run(op::SETfile), 0);
    EXPECT_EQ(Run(op::DELETE), 33);  // a sequence but no row read yet
    EXPECT_TRUE(State()->IsOpen());  // refusals leave the file open
    ASSERT_EQ(Run(op::CLOSE), 0);

    ASSERT_EQ(Open(0x40), 0);  // read only
    EXPECT_EQ(Run(op::ADD), 5);
    EXPECT_EQ(CurrentErrors().errorText, "Access Denied");
}

TEST_F(DispatcherTest, ARefusedCreateThrowsTheStateAwayEvenOfAnOpenFile) {
    ASSERT_EQ(Open(0x22), 0);
    EXPECT_EQ(Run(op::CREATE), 52);
    EXPECT_TRUE(State()->invalidated);
    // The next operation starts from a fresh, closed state.
    EXPECT_EQ(Run(op::SETfile), 37);
    EXPECT_FALSE(State()->invalidated);
}

TEST_F(DispatcherTest, UnsupportedOperationsFailWith80) {
    ASSERT_EQ(Open(0x22), 0);
    ASSERT_EQ(Run(op::SETfile), 0);
    for (int operation : {op::BOF, op::EOF_}) {
        EXPECT_EQ(Run(operation), 80);
        EXPECT_EQ(value_, 1);
    }
    for (int operation : {op::RESETfile, op::STREAM, op::FLUSH, op::SETfilekey, op::NOMEMO}) {
        SCOPED_TRACE(op::Name(operation));
        Arguments args = operation == op::RESETfile ? Arguments::WithTexts({"pos"}) : Arguments{};
        if (operation == op::SETfilekey) args.key = &table_.PrimaryKey();
        EXPECT_EQ(Run(operation, args), 80);
    }
    ASSERT_EQ(Run(op::CLOSE), 0);
    EXPECT_EQ(Run(op::COPY, Arguments::WithTexts({"x"})), 80);
    EXPECT_EQ(Run(op::RENAME, Arguments::WithTexts({"x"})), 80);
}

TEST_F(DispatcherTest, CreateWithoutTheCreateAttributeFailsAndStartsAfreshNextTime) {
    File().attributes &= static_cast<std::uint8_t>(~fileattr::CREATE);
    ScopedHandler real(op::CREATE, handlers::Create);
    EXPECT_EQ(Run(op::CREATE), 54);
    EXPECT_EQ(CurrentErrors().errorText, "No Create Attribute");
    ASSERT_NE(State(), nullptr);
    EXPECT_TRUE(State()->invalidated);
    State()->holdTime = 1234;  // a mark that a fresh state does not carry

    EXPECT_EQ(Run(op::NAME), 54);  // NAME leaves the error in place
    ASSERT_NE(State(), nullptr);
    EXPECT_FALSE(State()->invalidated);
    EXPECT_EQ(State()->holdTime, 0);
}

TEST_F(DispatcherTest, NameAndOwnerChangesTakeEffectOnlyWhileClosed) {
    ASSERT_EQ(Run(op::NAME), 0);
    EXPECT_EQ(last_.textResult, "Test_Korvelandix");
    ASSERT_EQ(Open(0x22), 0);
    vars_.tableName.Assign("Other");
    vars_.dataSource.Assign("OtherDsn");
    ASSERT_EQ(Run(op::NAME), 0);
    EXPECT_EQ(last_.textResult, "Test_Korvelandix");
    EXPECT_EQ(State()->owner, "SomeDsn");

    ASSERT_EQ(Run(op::CLOSE), 0);
    ASSERT_EQ(Run(op::NAME), 0);
    EXPECT_EQ(last_.textResult, "Other");
    EXPECT_EQ(State()->name, "Other");
    EXPECT_EQ(State()->owner, "OtherDsn");

    // A text set through a property is no longer refreshed.
    State()->propertySet = propset::Name;
    vars_.tableName.Assign("Third");
    ASSERT_EQ(Open(0x22), 0);
    EXPECT_EQ(State()->name, "Other");
}

TEST_F(DispatcherTest, SuccessOfAClearingOperationClearsTheErrorStateOthersKeepIt) {
    ASSERT_EQ(Open(0x22), 0);
    ASSERT_EQ(Run(op::NEXT), 33);
    EXPECT_EQ(Run(op::NAME), 33);  // class 0: the previous error stays
    EXPECT_EQ(Run(op::SETfile), 0);
    EXPECT_EQ(CurrentErrors().errorText, "");
    EXPECT_EQ(CurrentErrors().errorFile, nullptr);
}

TEST_F(DispatcherTest, TextResultsArePushedEvenWhenTheOperationFails) {
    ASSERT_EQ(Run(op::POSITIONfile), 37);
    EXPECT_EQ(last_.textResult, "");
    ASSERT_EQ(Run(op::SETfile), 37);
    EXPECT_FALSE(last_.textResult.has_value());
}

TEST_F(DispatcherTest, IntegerResults) {
    EXPECT_EQ(CallDriver(op::QUERY_VIEW, File(), last_), 0);
    EXPECT_EQ(State(), nullptr);  // nothing else of the frame ran
    EXPECT_EQ(CallDriver(op::Internal91, File(), last_), reinterpret_cast<std::intptr_t>(&Dispatch));
    ASSERT_EQ(Open(0x22), 0);
    Run(op::QUERY_KEY, Arguments::WithKey(&table_.NameKey()));
    EXPECT_EQ(value_, 2);
}

TEST_F(DispatcherTest, HoldAndReadTrackHeldRows) {
    ASSERT_EQ(Open(0x22), 0);
    ASSERT_EQ(Run(op::SETfile), 0);
    ASSERT_EQ(Run(op::HOLDfile), 0);
    EXPECT_EQ(State()->holdTime, -1);
    EXPECT_TRUE(State()->stateFlags & flag::HoldRequested);
    ASSERT_EQ(Run(op::NEXT), 0);
    EXPECT_EQ(State()->stateFlags & (flag::HoldRequested | flag::Held), flag::Held);
    EXPECT_EQ(State()->lastReadOperation, op::NEXT);
    EXPECT_EQ(State()->lastOperation, op::NEXT);
    ASSERT_EQ(Run(op::RELEASE), 0);
    EXPECT_FALSE(State()->stateFlags & flag::Held);
    ASSERT_EQ(Run(op::HOLDfilesec, Arguments::WithNumbers({15})), 0);
    EXPECT_EQ(State()->holdTime, 15);
}

TEST_F(DispatcherTest, NullIndicatorsRoundTripThroughTheirText) {
    ASSERT_EQ(Open(0x22), 0);
    ASSERT_EQ(Run(op::SETNULL, Arguments::WithNumbers({2})), 0);
    Run(op::NULL_, Arguments::WithNumbers({2}));
    EXPECT_EQ(value_, 1);
    EXPECT_EQ(Run(op::SETNULL, Arguments::WithNumbers({3})), 75);  // no third field

    State()->stateFlags |= flag::HasRecord;  // GETNULLS needs a current row
    ASSERT_EQ(Run(op::GETNULLS), 0);
    const std::string saved = *last_.textResult;
    ASSERT_EQ(saved.size(), 16u);
    EXPECT_EQ(saved.substr(8), std::string(8, '\xFF'));

    ASSERT_EQ(Run(op::SETNONULL, Arguments::WithNumbers({2})), 0);
    EXPECT_EQ(State()->nullIndicators[1], 0);
    EXPECT_EQ(Run(op::SETNULLS, Arguments::WithTexts({saved.substr(0, 15)})), 75);
    ASSERT_EQ(Run(op::SETNULLS, Arguments::WithTexts({saved})), 0);
    EXPECT_EQ(State()->nullIndicators[1], -1);
}

TEST_F(DispatcherTest, ClearBlanksTheRecordAndEmptiesBlobs) {
    table_.SetCislo(77);
    table_.SetNazev("text");
    ASSERT_EQ(Open(0x22), 0);
    State()->blobs[0].contents = {'a', 'b'};
    ASSERT_EQ(Run(op::CLEAR, Arguments::WithNumbers({1})), 0);
    EXPECT_EQ(table_.Cislo(), 0);
    EXPECT_EQ(std::string(table_.Record() + 4, 255), std::string(255, ' '));
    EXPECT_EQ(State()->blobs[0].contents.size(), 2u);  // an argument keeps BLOBs
    ASSERT_EQ(Run(op::CLEAR), 0);
    EXPECT_TRUE(State()->blobs[0].contents.empty());
}

TEST_F(DispatcherTest, DestroyFreesTheStateAndTheStatusRecord) {
    ASSERT_EQ(Open(0x22), 0);
    ASSERT_EQ(Run(op::DESTROY), 0);
    EXPECT_EQ(State(), nullptr);
    EXPECT_EQ(File().statusRecord, nullptr);
    // The next operation attaches afresh.
    EXPECT_EQ(Run(op::NAME), 0);
    ASSERT_NE(State(), nullptr);
    EXPECT_FALSE(State()->IsOpen());
}

TEST_F(DispatcherTest, PendingInitRunsOnceBeforeTheFirstOperation) {
    static int calls;
    calls = 0;
    File().pendingInit = [](FileDescriptor&) { ++calls; };
    Run(op::NAME);
    Run(op::NAME);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(File().pendingInit, nullptr);
}

TEST_F(DispatcherTest, ErrorStateBelongsToTheThreadThatRanTheOperation) {
    ASSERT_EQ(Run(op::NAME), 0);
    int otherThreadCode = -1;
    std::thread other([&] {
        app::TestDat theirs(vars_);
        Arguments args;
        CallDriver(op::SETfile, theirs.File(), args);
        otherThreadCode = CurrentErrors().errorCode;
    });
    other.join();
    EXPECT_EQ(otherThreadCode, 37);
    EXPECT_EQ(CurrentErrors().errorCode, 0);
}

TEST(DispatchEntry, ANullFileFailsWithoutCrashing) {
    Arguments args;
    EXPECT_EQ(Dispatch(op::OPEN, nullptr, args), -1);
    EXPECT_EQ(CurrentErrors().errorCode, 80);
}

}  // namespace
}  // namespace dbprobe::odbc
