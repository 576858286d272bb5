// Walks the test table through the driver's dispatcher on the data source
// "dbprobe-demo" and prints what each record operation leaves in the runtime's
// error state. Operations whose SQL layer is not there yet (reading) answer 80.

#include <cstdio>
#include <string>

#include "app/test_table.h"
#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"

using namespace dbprobe;

namespace {

void Step(odbc::FileDescriptor& file, int operation, odbc::Arguments args = {}) {
    const std::intptr_t value = odbc::CallDriver(operation, file, args);
    const odbc::RuntimeErrorState& e = odbc::CurrentErrors();
    std::printf("%-13s -> error %2d %-34s", std::string(odbc::op::Name(operation)).c_str(),
                e.errorCode, ("\"" + e.errorText + "\"").c_str());
    if (value != 0) std::printf(" result %ld", static_cast<long>(value));
    if (args.textResult) std::printf(" text \"%s\"", args.textResult->c_str());
    if (e.errorCode == 90)
        std::printf("\n              %s: %s", e.fileErrorCode.c_str(), e.fileErrorText.c_str());
    std::printf("\n");
}

}  // namespace

int main() {
    app::TesterVariables& vars = app::Globals();
    app::TestDat& table = app::ThisThreadTestDat();
    odbc::FileDescriptor& file = table.File();

    std::printf("TEST_DAT before the test assigns its names:\n");
    Step(file, odbc::op::CLOSE);
    Step(file, odbc::op::NAME);
    Step(file, odbc::op::OPEN, odbc::Arguments::WithNumbers({0x22}));

    vars.dataSource.Assign("dbprobe-demo");
    vars.tableName.Assign("Test_Korvelandix");
    vars.primaryKeyName.Assign("KeyTstCislo");
    vars.secondKeyName.Assign("KeyTstNazev");
    std::printf("\nafter the names are assigned:\n");
    Step(file, odbc::op::NAME);
    Step(file, odbc::op::CREATE);
    Step(file, odbc::op::OPEN, odbc::Arguments::WithNumbers({0x22}));

    // One row: a number, a name and a long text in the BLOB.
    table.SetCislo(1);
    table.SetNazev("Zkusebni radek");
    const std::string note(276, '*');
    odbc::Arguments size = odbc::Arguments::WithTexts({"31929", std::to_string(note.size())});
    size.numbers = {1};
    Step(file, odbc::op::BLOB_SET_PROP, size);
    odbc::Arguments take = odbc::Arguments::WithTexts({note});
    take.numbers = {1, 0, static_cast<std::int64_t>(note.size()) - 1};
    Step(file, odbc::op::BLOB_TAKE, take);
    Step(file, odbc::op::ADD);

    Step(file, odbc::op::SETfile);
    Step(file, odbc::op::NEXT);
    Step(file, odbc::op::CLOSE);
    Step(file, odbc::op::REMOVE);
    Step(file, odbc::op::DESTROY);
    return 0;
}
