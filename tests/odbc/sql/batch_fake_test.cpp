// Batch mode of ADD against the scripted fake driver manager.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "tests/support/attached_table.h"
#include "tests/support/declared_file.h"
#include "tests/support/fake_session.h"

namespace dbprobe::odbc {
namespace {

using testing::Declaration;
using testing::DeclaredFile;
using testing::Field;
using testing::Group;

class BatchTest : public testing::FakeOdbcTest {
protected:
    // T:ID LONG, T:NAME STRING(12), one unique key, no BLOB; opened without
    // its structure check, the describe step's columns queued.
    static Declaration WithoutBlob() {
        Declaration d;
        d.recordSize = 16;
        d.layout = {Group(0, 16, 2), Field(kind::LONG, 0, 4, "T:ID"), Field(kind::STRING, 4, 12, "T:NAME")};
        return d;
    }
    static int Run(FileDescriptor& file, int operation, Arguments args = {}) {
        ClearErrors();
        Dispatch(operation, &file, args);
        return CurrentErrors().errorCode;
    }
    static void Open(FileDescriptor& file, const char* names[], int columns) {
        fake_odbc_queue_result_set(columns, names, 0, nullptr);
        ASSERT_EQ(Run(file, op::OPEN, Arguments::WithNumbers({0x22})), 0) << CurrentErrors().fileErrorText;
        ASSERT_EQ(Run(file, op::SET_PROPERTY, Arguments::WithTexts({"29506", "2"})), 0);
    }
};

TEST_F(BatchTest, RowsGoOutTogetherAndTheRestBeforeTheNextOperation) {
    DeclaredFile file(WithoutBlob(), "T", "MYDSN");
    file.file.driverString = TextRef::Terminated("/NOVERIFY=TRUE");
    static const char* names[] = {"ID", "NAME"};
    Open(file.file, names, 2);
    for (std::int32_t id = 1; id <= 3; ++id) {
        std::memcpy(file.file.recordBuffer, &id, 4);
        std::memcpy(static_cast<char*>(file.file.recordBuffer) + 4, "name        ", 12);
        ASSERT_EQ(Run(file.file, op::ADD), 0) << CurrentErrors().fileErrorText;
    }
    EXPECT_EQ(Calls("SQLExecute"), 1);  // two rows sent, one buffered
    EXPECT_EQ(Texts("SQLParamOptions").front(), "2");
    ASSERT_EQ(Run(file.file, op::CLOSE), 0);  // sends the last row
    EXPECT_EQ(Calls("SQLExecute"), 2);
    EXPECT_EQ(Texts("SQLParamOptions").back(), "1");
    EXPECT_EQ(Texts("SQLPrepare").back(), "INSERT INTO T (ID,NAME) VALUES (?,?)");
}

TEST_F(BatchTest, AFileWithABlobInsertsRowByRow) {
    testing::AttachedTable table("MYDSN");
    table.vars.driverString.Assign("/NOVERIFY=TRUE");
    table.Run(op::DESTROY);
    static const char* names[] = {"CISLO", "NAZEV", "POZNAMKA"};
    Open(table.table.File(), names, 3);
    for (int i = 1; i <= 3; ++i) {
        table.table.SetCislo(i);
        table.Run(op::ADD);
        ASSERT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    }
    EXPECT_EQ(Calls("SQLExecute"), 3);
    EXPECT_EQ(Calls("SQLParamOptions"), 0);
}

}  // namespace
}  // namespace dbprobe::odbc
