#pragma once
// An instance of the test table, attached to the driver, with its owner set.

#include <string>

#include "app/test_table.h"
#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement_calls.h"

namespace dbprobe::testing {

struct AttachedTable {
    explicit AttachedTable(const std::string& owner) : table(vars) {
        vars.tableName.Assign("Test_Korvelandix");
        vars.dataSource.Assign(owner);
        Run(odbc::op::NAME);
    }
    odbc::DriverState& State() { return *table.File().driverState; }
    int Connect() { return odbc::EnsureStatement(State(), State().mainStatement); }
    odbc::Statement& Main() { return *State().mainStatement.statement; }
    std::intptr_t Run(int operation, odbc::Arguments args = {}) {
        return odbc::CallDriver(operation, table.File(), args);
    }

    app::TesterVariables vars;
    app::TestDat table;
};

// Runs SQL on a data source outside the file under test, for set-up and
// clean-up; the outcome is ignored and the error state cleared.
inline void RunSql(const std::string& dsn, const std::string& sql) {
    AttachedTable helper(dsn);
    if (helper.Connect() == 0) odbc::ExecuteDirect(helper.Main(), sql);
    odbc::ClearErrors();
}

}  // namespace dbprobe::testing
