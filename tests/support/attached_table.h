#pragma once
// An instance of the test table, attached to the driver, with its owner set.

#include <string>

#include "app/test_table.h"
#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/session.h"

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

}  // namespace dbprobe::testing
