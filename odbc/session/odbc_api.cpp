#include "odbc/session/odbc_api.h"

#include <dlfcn.h>

#include <cstdlib>

namespace dbprobe::odbc {
namespace {

template <typename Fn>
bool Resolve(void* library, const char* name, Fn& target) {
    void* symbol = dlsym(library, name);
    target = reinterpret_cast<Fn>(symbol);
    return symbol != nullptr;
}

}  // namespace

std::string OdbcLibraryName() {
    const char* name = std::getenv("DBPROBE_ODBC_LIBRARY");
    return name != nullptr && *name != '\0' ? name : "libodbc.so.2";
}

bool LoadOdbcApi(OdbcApi& api) {
    void* library = dlopen(OdbcLibraryName().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return false;
    OdbcApi loaded;
    // Resolved in this order; the first one missing gives up.
    const bool all =
        Resolve(library, "SQLAllocConnect", loaded.AllocConnect) &&
        Resolve(library, "SQLAllocEnv", loaded.AllocEnv) &&
        Resolve(library, "SQLAllocStmt", loaded.AllocStmt) &&
        Resolve(library, "SQLBindCol", loaded.BindCol) &&
        (Resolve(library, "SQLBindParameter", loaded.BindParameter) ||
         Resolve(library, "SQLSetParam", loaded.SetParam)) &&
        Resolve(library, "SQLColAttributes", loaded.ColAttributes) &&
        Resolve(library, "SQLColumns", loaded.Columns) &&
        Resolve(library, "SQLConnect", loaded.Connect) &&
        Resolve(library, "SQLDataSources", loaded.DataSources) &&
        Resolve(library, "SQLDescribeCol", loaded.DescribeCol) &&
        Resolve(library, "SQLDisconnect", loaded.Disconnect) &&
        Resolve(library, "SQLDriverConnect", loaded.DriverConnect) &&
        Resolve(library, "SQLError", loaded.Error) &&
        Resolve(library, "SQLExecDirect", loaded.ExecDirect) &&
        Resolve(library, "SQLExecute", loaded.Execute) &&
        Resolve(library, "SQLExtendedFetch", loaded.ExtendedFetch) &&
        Resolve(library, "SQLFetch", loaded.Fetch) &&
        Resolve(library, "SQLForeignKeys", loaded.ForeignKeys) &&
        Resolve(library, "SQLFreeConnect", loaded.FreeConnect) &&
        Resolve(library, "SQLFreeEnv", loaded.FreeEnv) &&
        Resolve(library, "SQLFreeStmt", loaded.FreeStmt) &&
        Resolve(library, "SQLGetConnectOption", loaded.GetConnectOption) &&
        Resolve(library, "SQLGetData", loaded.GetData) &&
        Resolve(library, "SQLGetFunctions", loaded.GetFunctions) &&
        Resolve(library, "SQLGetInfo", loaded.GetInfo) &&
        Resolve(library, "SQLGetStmtOption", loaded.GetStmtOption) &&
        Resolve(library, "SQLGetTypeInfo", loaded.GetTypeInfo) &&
        Resolve(library, "SQLNumResultCols", loaded.NumResultCols) &&
        Resolve(library, "SQLParamData", loaded.ParamData) &&
        Resolve(library, "SQLParamOptions", loaded.ParamOptions) &&
        Resolve(library, "SQLPrepare", loaded.Prepare) &&
        Resolve(library, "SQLPrimaryKeys", loaded.PrimaryKeys) &&
        Resolve(library, "SQLPutData", loaded.PutData) &&
        Resolve(library, "SQLRowCount", loaded.RowCount) &&
        Resolve(library, "SQLSetConnectOption", loaded.SetConnectOption) &&
        Resolve(library, "SQLSetStmtOption", loaded.SetStmtOption) &&
        Resolve(library, "SQLStatistics", loaded.Statistics) &&
        Resolve(library, "SQLTables", loaded.Tables) &&
        Resolve(library, "SQLTransact", loaded.Transact);
    if (!all) {
        dlclose(library);
        return false;
    }
    api = loaded;
    return true;
}

}  // namespace dbprobe::odbc
