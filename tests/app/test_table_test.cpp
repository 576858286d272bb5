#include "app/test_table.h"

#include <gtest/gtest.h>

#include <thread>

#include "odbc/dispatch/dispatcher.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::app {
namespace {

using namespace odbc;

TEST(TestDat, VariablesAreBlankBeforeTheTestAssignsThem) {
    TesterVariables vars;
    TestDat table(vars);
    EXPECT_EQ(CopyText(table.File().name), "");
    EXPECT_EQ(CopyText(table.File().owner), "");
    EXPECT_EQ(CopyText(table.File().driverString), "");
    EXPECT_EQ(CopyText(table.PrimaryKey().externalName), "");
    // A record operation before the names are assigned reaches the driver
    // with an empty table name.
    Arguments args = Arguments::WithNumbers({0x22});
    CallDriver(op::OPEN, table.File(), args);
    EXPECT_EQ(CurrentErrors().errorCode, 45);
}

TEST(TestDat, DeclarationAsTheDriverSeesIt) {
    TesterVariables vars;
    vars.tableName.Assign("Test_Korvelandix");
    vars.dataSource.Assign("MyDsn");
    vars.primaryKeyName.Assign("KeyTstCislo");
    vars.secondKeyName.Assign("KeyTstNazev");
    TestDat table(vars);
    FileDescriptor& file = table.File();
    EXPECT_EQ(file.recordSize, 259);
    EXPECT_EQ(file.attributes, 0x15);
    EXPECT_EQ(table.PrimaryKey().attributes, 22u);
    EXPECT_EQ(table.NameKey().attributes, 3u);

    ClearErrors();
    Arguments args;
    CallDriver(op::NAME, file, args);
    ASSERT_EQ(CurrentErrors().errorCode, 0);
    ASSERT_NE(file.driverState, nullptr);
    const DriverState& state = *file.driverState;
    EXPECT_EQ(state.name, "Test_Korvelandix");
    EXPECT_EQ(state.owner, "MyDsn");
    EXPECT_EQ(state.driverString, "");
    ASSERT_EQ(state.fields.size(), 2u);
    EXPECT_EQ(state.fields[0].columnName, "TST:CISLO");
    EXPECT_EQ(state.fields[1].columnName, "TST:NAZEV");
    EXPECT_EQ(state.fields[1].size, 255);
    ASSERT_EQ(state.keys.size(), 2u);
    EXPECT_EQ(state.keys[0].externalName, "KeyTstCislo");
    EXPECT_EQ(state.keys[1].externalName, "KeyTstNazev");
    ASSERT_EQ(state.keys[1].components.size(), 2u);
    EXPECT_EQ(state.keys[1].components[0].field, 1);
    EXPECT_EQ(state.keys[1].components[1].field, 0);
    ASSERT_EQ(state.blobs.size(), 1u);
    EXPECT_EQ(state.blobs[0].columnName, "TST:POZNAMKA");
    EXPECT_EQ(state.primaryKey, 1);
}

TEST(TestDat, EachThreadHasItsOwnInstance) {
    TestDat* mine = &ThisThreadTestDat();
    TestDat* theirs = nullptr;
    std::thread([&] { theirs = &ThisThreadTestDat(); }).join();
    EXPECT_NE(mine, theirs);
    EXPECT_EQ(mine, &ThisThreadTestDat());
}

TEST(TestDat, FieldAccessorsWriteTheRecord) {
    TesterVariables vars;
    TestDat table(vars);
    table.SetCislo(1000);
    table.SetNazev("Zluty");
    EXPECT_EQ(table.Cislo(), 1000);
    EXPECT_EQ(std::string(table.Record() + 4, 6), "Zluty ");
    EXPECT_EQ(table.Record()[258], ' ');
}

}  // namespace
}  // namespace dbprobe::app
