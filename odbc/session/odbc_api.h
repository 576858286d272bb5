#pragma once
// The ODBC driver manager, loaded at run time with every function resolved by
// name, all or nothing.

#include <sql.h>
#include <sqlext.h>

#include <string>

namespace dbprobe::odbc {

struct OdbcApi {
    SQLRETURN (*AllocConnect)(SQLHENV, SQLHDBC*) = nullptr;
    SQLRETURN (*AllocEnv)(SQLHENV*) = nullptr;
    SQLRETURN (*AllocStmt)(SQLHDBC, SQLHSTMT*) = nullptr;
    SQLRETURN (*BindCol)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) = nullptr;
    SQLRETURN (*BindParameter)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLSMALLINT,
                               SQLULEN, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) = nullptr;
    // Used when the driver manager lacks SQLBindParameter.
    SQLRETURN (*SetParam)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLULEN, SQLSMALLINT,
                          SQLPOINTER, SQLLEN*) = nullptr;
    SQLRETURN (*ColAttributes)(SQLHSTMT, SQLUSMALLINT, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT,
                               SQLSMALLINT*, SQLLEN*) = nullptr;
    SQLRETURN (*Columns)(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                         SQLSMALLINT, SQLCHAR*, SQLSMALLINT) = nullptr;
    SQLRETURN (*Connect)(SQLHDBC, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                         SQLSMALLINT) = nullptr;
    SQLRETURN (*DataSources)(SQLHENV, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLCHAR*,
                             SQLSMALLINT, SQLSMALLINT*) = nullptr;
    SQLRETURN (*DescribeCol)(SQLHSTMT, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*,
                             SQLSMALLINT*, SQLULEN*, SQLSMALLINT*, SQLSMALLINT*) = nullptr;
    SQLRETURN (*Disconnect)(SQLHDBC) = nullptr;
    SQLRETURN (*DriverConnect)(SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                               SQLSMALLINT*, SQLUSMALLINT) = nullptr;
    SQLRETURN (*Error)(SQLHENV, SQLHDBC, SQLHSTMT, SQLCHAR*, SQLINTEGER*, SQLCHAR*, SQLSMALLINT,
                       SQLSMALLINT*) = nullptr;
    SQLRETURN (*ExecDirect)(SQLHSTMT, SQLCHAR*, SQLINTEGER) = nullptr;
    SQLRETURN (*Execute)(SQLHSTMT) = nullptr;
    SQLRETURN (*ExtendedFetch)(SQLHSTMT, SQLUSMALLINT, SQLLEN, SQLULEN*, SQLUSMALLINT*) = nullptr;
    SQLRETURN (*Fetch)(SQLHSTMT) = nullptr;
    SQLRETURN (*ForeignKeys)(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                             SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                             SQLSMALLINT) = nullptr;
    SQLRETURN (*FreeConnect)(SQLHDBC) = nullptr;
    SQLRETURN (*FreeEnv)(SQLHENV) = nullptr;
    SQLRETURN (*FreeStmt)(SQLHSTMT, SQLUSMALLINT) = nullptr;
    SQLRETURN (*GetConnectOption)(SQLHDBC, SQLUSMALLINT, SQLPOINTER) = nullptr;
    SQLRETURN (*GetData)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) = nullptr;
    SQLRETURN (*GetFunctions)(SQLHDBC, SQLUSMALLINT, SQLUSMALLINT*) = nullptr;
    SQLRETURN (*GetInfo)(SQLHDBC, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*) = nullptr;
    SQLRETURN (*GetStmtOption)(SQLHSTMT, SQLUSMALLINT, SQLPOINTER) = nullptr;
    SQLRETURN (*GetTypeInfo)(SQLHSTMT, SQLSMALLINT) = nullptr;
    SQLRETURN (*NumResultCols)(SQLHSTMT, SQLSMALLINT*) = nullptr;
    SQLRETURN (*ParamData)(SQLHSTMT, SQLPOINTER*) = nullptr;
    SQLRETURN (*ParamOptions)(SQLHSTMT, SQLULEN, SQLULEN*) = nullptr;
    SQLRETURN (*Prepare)(SQLHSTMT, SQLCHAR*, SQLINTEGER) = nullptr;
    SQLRETURN (*PrimaryKeys)(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                             SQLSMALLINT) = nullptr;
    SQLRETURN (*PutData)(SQLHSTMT, SQLPOINTER, SQLLEN) = nullptr;
    SQLRETURN (*RowCount)(SQLHSTMT, SQLLEN*) = nullptr;
    SQLRETURN (*SetConnectOption)(SQLHDBC, SQLUSMALLINT, SQLULEN) = nullptr;
    SQLRETURN (*SetStmtOption)(SQLHSTMT, SQLUSMALLINT, SQLULEN) = nullptr;
    SQLRETURN (*Statistics)(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                            SQLSMALLINT, SQLUSMALLINT, SQLUSMALLINT) = nullptr;
    SQLRETURN (*Tables)(SQLHSTMT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                        SQLSMALLINT, SQLCHAR*, SQLSMALLINT) = nullptr;
    SQLRETURN (*Transact)(SQLHENV, SQLHDBC, SQLUSMALLINT) = nullptr;
};

// The driver manager's library: $DBPROBE_ODBC_LIBRARY when set, else
// libodbc.so.2.
std::string OdbcLibraryName();

// Loads the library and resolves every function. On success the library stays
// loaded for the rest of the process; on failure nothing stays loaded and
// `api` is left empty.
bool LoadOdbcApi(OdbcApi& api);

}  // namespace dbprobe::odbc
