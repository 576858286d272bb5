// Walks the test table through the driver's dispatcher on the data source
// "dbprobe-demo" the way the compatibility test does, and prints what each
// record operation leaves in the runtime's error state (the two 1000-row
// loops in summary).

#include <cstdio>
#include <string>

#include "app/test_table.h"
#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"

using namespace dbprobe;

namespace {

int Quiet(odbc::FileDescriptor& file, int operation, odbc::Arguments args = {}) {
    odbc::ClearErrors();
    odbc::CallDriver(operation, file, args);
    return odbc::CurrentErrors().errorCode;
}

void Step(odbc::FileDescriptor& file, int operation, odbc::Arguments args = {}) {
    odbc::ClearErrors();
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

    Step(file, odbc::op::SETfile);

    // 1000 rows, each numbered after the highest number read (33 on the
    // empty table), with a name and a long text in the BLOB.
    const std::string note(276, '*');
    int added = 0, failures = 0;
    for (int i = 1; i <= 1000; ++i) {
        Quiet(file, odbc::op::SETkey, odbc::Arguments::WithKey(&table.PrimaryKey()));
        const int read = Quiet(file, odbc::op::PREVIOUS);
        table.SetCislo(read == 0 ? table.Cislo() + 1 : 1);
        table.SetNazev("Zkusebni radek " + std::to_string(table.Cislo()));
        odbc::Arguments size = odbc::Arguments::WithTexts({"31929", std::to_string(note.size())});
        size.numbers = {1};
        Quiet(file, odbc::op::BLOB_SET_PROP, size);
        odbc::Arguments take = odbc::Arguments::WithTexts({note});
        take.numbers = {1, 0, static_cast<std::int64_t>(note.size()) - 1};
        Quiet(file, odbc::op::BLOB_TAKE, take);
        if (Quiet(file, odbc::op::ADD) == 0) {
            ++added;
        } else if (++failures <= 3) {
            std::printf("ADD of row %d -> error %d %s: %s\n", table.Cislo(), odbc::CurrentErrors().errorCode,
                        odbc::CurrentErrors().fileErrorCode.c_str(), odbc::CurrentErrors().fileErrorText.c_str());
        }
    }
    std::printf("1000 x SETkey + PREVIOUS + ADD -> %d rows added, the last numbered %d\n", added,
                table.Cislo());

    // Read in file order and delete row by row while the cursor stays open.
    Step(file, odbc::op::SETfile);
    int deleted = 0, read = 0;
    while ((read = Quiet(file, odbc::op::NEXT)) == 0)
        if (Quiet(file, odbc::op::DELETE) == 0) ++deleted;
    std::printf("NEXT + DELETE until NEXT fails -> %d rows deleted, NEXT ended with error %d\n", deleted,
                read);
    Step(file, odbc::op::CLOSE);
    Step(file, odbc::op::REMOVE);
    Step(file, odbc::op::DESTROY);
    const bool passed = added == 1000 && deleted == 1000 && read == 33;
    std::printf("\n%s\n", passed ? "The data source carried the whole test." : "The test met errors.");
    return passed ? 0 : 1;
}
