#include "odbc/session/backend.h"

#include <gtest/gtest.h>

namespace dbprobe::odbc {
namespace {

TEST(Backend, RecognisedByTheDriverFileName) {
    struct Case {
        const char* driver;
        const char* dbmsVersion;
        const char* driverVersion;
        int number;
        const char* name;
    };
    const Case cases[] = {
        {"CWBODBC.DLL", "", "", backend::As400, "AS/400"},
        {"firstsql.dll", "", "", backend::FirstSql, "First SQL"},
        {"IVSYB1319.DLL", "", "", backend::Unknown, ""},
        {"myodbc3.dll", "", "", backend::MySql, ""},
        {"ODBCJT32.DLL", "", "4.00.6019", backend::Access, "Microsoft Access"},
        {"SQLSRV32.DLL", "08.00.2039", "", backend::SqlServer7, "Microsoft SQL Server v7"},
        {"SQLSRV32.DLL", "07.00.0623", "", backend::SqlServer7, "Microsoft SQL Server v7"},
        {"SQLSRV32.DLL", "06.50.0201", "", backend::SqlServer6, "Microsoft SQL Server v6"},
        {"SQLSRV32.DLL", "04.21.0000", "", backend::SqlServer5, "Microsoft SQL Server v5"},
        {"SQORA732.DLL", "", "", backend::Oracle, "Oracle"},
        {"SQO32_73.DLL", "", "", backend::Oracle, "Oracle"},
        {"SQOCI32.DLL", "", "", backend::Oracle8, "Oracle8"},
        {"WOD50T.DLL", "5.5.1", "", backend::SqlAnywhere, "SQL Anywhere"},
        {"WOD50T.DLL", "6.0.0", "", backend::Unknown, ""},
        {"W32BTINT.DLL", "", "", backend::PervasiveSql, "Pervasive.SQL (SQL)"},
        {"WINBTINT.DLL", "", "", backend::PervasiveSql, "Pervasive.SQL (SQL)"},
        // The drivers of this platform are not in the table.
        {"sqlite3odbc.so", "", "", backend::Unknown, ""},
        {"psqlodbca.so", "", "", backend::Unknown, ""},
        {"libmaodbc.so", "", "", backend::Unknown, ""},
    };
    for (const Case& c : cases) {
        const BackendQuirks q = RecognizeBackend({c.driver, c.dbmsVersion, c.driverVersion});
        EXPECT_EQ(q.number, c.number) << c.driver << " " << c.dbmsVersion;
        EXPECT_EQ(q.name, c.name) << c.driver << " " << c.dbmsVersion;
    }
}

TEST(Backend, Quirks) {
    const BackendQuirks as400 = RecognizeBackend({"CWBODBC", "", ""});
    EXPECT_EQ(as400.clipStrings, false);
    EXPECT_EQ(as400.joinType, jointype::Db2);

    EXPECT_EQ(RecognizeBackend({"MYODBC.DLL", "", ""}).bindColOrder, 2);
    EXPECT_FALSE(RecognizeBackend({"MYODBC3.DLL", "", ""}).bindColOrder.has_value());
    EXPECT_EQ(RecognizeBackend({"IVSYB13", "", ""}).fastColumnFetch, false);

    const BackendQuirks v7 = RecognizeBackend({"SQLSRV32", "07.00", ""});
    EXPECT_TRUE(v7.unlimitedStatements.value_or(false));
    EXPECT_EQ(v7.nesting, nesting::True);
    const BackendQuirks v6 = RecognizeBackend({"SQLSRV32", "06.00", ""});
    EXPECT_EQ(v6.maxStatements, 255u);
    EXPECT_EQ(v6.joinType, jointype::Microsoft);
    EXPECT_EQ(v6.nesting, nesting::Partial);

    EXPECT_TRUE(RecognizeBackend({"ODBCJT32.DLL", "", "1.0.1521"}).rejected);
    EXPECT_FALSE(RecognizeBackend({"ODBCJT32.DLL", "", "1.0.1522"}).rejected);
}

TEST(Backend, VersionsCompareFieldByFieldAsNumbers) {
    EXPECT_EQ(CompareVersions("5.10.0", "5.9.0"), 1);
    EXPECT_EQ(CompareVersions("5.0", "5.0.0"), 0);
    EXPECT_EQ(CompareVersions("05.50.0000", "5.50.0"), 0);
    EXPECT_EQ(CompareVersions("4.9", "5"), -1);
}

}  // namespace
}  // namespace dbprobe::odbc
