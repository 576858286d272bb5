#include "odbc/sql/remove.h"

#include "odbc/session/diagnostics.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"

namespace dbprobe::odbc {

int RemoveTable(OperationContext& ctx) {
    DriverState& file = ctx.state;
    // No owner comparison: REMOVE runs where the file is connected now.
    if (int failure = EnsureStatement(file, file.mainStatement); failure != 0)
        return MapResult(file, failure);
    Statement& main = *file.mainStatement.statement;
    CloseCursor(main);
    // The declared name, unquoted: unlike CREATE, no identifier rule applies.
    ExecuteDirect(main, "DROP TABLE " + file.name.value_or(""));
    ReleaseStatement(file.mainStatement);
    return MapResult(file, file.diagnostics.failure);
}

}  // namespace dbprobe::odbc
