#include "odbc/sql/build_indexes.h"

#include "odbc/dispatch/operation.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/create.h"
#include "odbc/sql/open.h"

namespace dbprobe::odbc {
namespace {

constexpr std::int64_t kBuildOpenMode = 18;  // read/write, deny all

bool Rebuilt(const KeyState& key) {
    return !(key.attributes & keyattr::INDEX) && !key.dynamic;
}

int Rebuild(DriverState& file, const KeyState& key) {
    Statement& main = *file.mainStatement.statement;
    CloseCursor(main);
    if (!SQL_SUCCEEDED(ExecuteDirect(main, "DROP INDEX " + IndexName(key))))
        return file.diagnostics.failure;
    return CreateIndex(file, main, key);
}

int RebuildKeys(OperationContext& ctx) {
    DriverState& file = ctx.state;
    if (int failure = EnsureStatement(file, file.mainStatement); failure != 0) return failure;
    int result = 0;
    if (ctx.operation == op::BUILDkey) {
        if (ctx.key != nullptr) result = Rebuild(file, *ctx.key);
    } else {
        for (const KeyState& key : file.keys) {
            if (!Rebuilt(key)) continue;
            if ((result = Rebuild(file, key)) != 0) break;
        }
    }
    ReleaseStatement(file.mainStatement);
    return result;
}

}  // namespace

int BuildIndexes(OperationContext& ctx) {
    DriverState& file = ctx.state;
    if (ctx.operation == op::BUILDkey && ctx.key != nullptr && !Rebuilt(*ctx.key)) return 0;
    if (file.IsOpen()) return MapResult(file, RebuildKeys(ctx));

    // A closed file is opened for the build and closed again afterwards.
    Arguments openArgs = Arguments::WithNumbers({kBuildOpenMode});
    OperationContext opening{op::OPEN, ctx.file, file, openArgs, nullptr};
    if (int code = OpenTable(opening); code != 0) return code;
    const int result = RebuildKeys(ctx);
    ReleaseStatements(file);
    return MapResult(file, result);
}

}  // namespace dbprobe::odbc
