// Reading, positioning, changing and counting rows against the scripted fake
// driver manager: the statements sent, the parameters bound and what comes
// back into the record.

#include <gtest/gtest.h>

#include <sqlext.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/sql/blob_write.h"
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

const char* const kTestColumns[] = {"CISLO", "NAZEV", "POZNAMKA"};
const std::string kSelect = "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix ";

// A result set for the next prepared statement: every row has `columns` cells.
void QueueRows(int columns, const char* const* names, const Rows& rows) {
    std::vector<const char*> cells;
    for (const auto& row : rows) cells.insert(cells.end(), row.begin(), row.end());
    fake_odbc_queue_result_set(columns, names, static_cast<int>(rows.size()), cells.data());
}

void QueueTestRows(const Rows& rows) { QueueRows(3, kTestColumns, rows); }

// Runs one operation with the error state cleared first; the error code.
int Run(FileDescriptor& file, int operation, Arguments args = {}) {
    ClearErrors();
    CallDriver(operation, file, args);
    return CurrentErrors().errorCode;
}

// The same, for the operations whose result is the call's integer or a text.
std::intptr_t Value(FileDescriptor& file, int operation, Arguments& args) {
    ClearErrors();
    return CallDriver(operation, file, args);
}

std::string LittleEndian(std::int32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

class ReadTest : public testing::FakeOdbcTest {
protected:
    // The test table opened without its structure check; `driverString`
    // follows the NOVERIFY switch.
    static void Open(AttachedTable& table, const std::string& driverString = "") {
        table.vars.driverString.Assign("/NOVERIFY=TRUE" + driverString);
        table.Run(op::DESTROY);  // no descriptions from an earlier test
        fake_odbc_queue_result_set(3, kTestColumns, 0, nullptr);
        ASSERT_EQ(Run(table.table.File(), op::OPEN, Arguments::WithNumbers({0x22})), 0)
            << CurrentErrors().fileErrorText;
    }
    static void Open(DeclaredFile& file, const std::vector<const char*>& columns) {
        file.file.driverString = TextRef::Terminated("/NOVERIFY=TRUE");
        fake_odbc_queue_result_set(static_cast<int>(columns.size()), columns.data(), 0, nullptr);
        ASSERT_EQ(Run(file.file, op::OPEN, Arguments::WithNumbers({0x22})), 0)
            << CurrentErrors().fileErrorText;
    }
    static int Run(AttachedTable& table, int operation, Arguments args = {}) {
        return testing::ReadTestRun(table, operation, std::move(args));
    }
    // The SELECT after the describe step's.
    static std::vector<std::string> Prepared() {
        std::vector<std::string> texts = Texts("SQLPrepare");
        if (!texts.empty()) texts.erase(texts.begin());
        return texts;
    }
};

}  // namespace
}  // namespace dbprobe::odbc
