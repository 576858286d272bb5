#include "odbc/session/backend.h"

#include <cctype>
#include <cstdlib>
#include <strings.h>

namespace dbprobe::odbc {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

long NextField(std::string_view& text) {
    const std::size_t dot = text.find('.');
    const std::string field(text.substr(0, dot));
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    return std::strtol(field.c_str(), nullptr, 10);
}

void SqlServer(const BackendProbe& probe, BackendQuirks& q) {
    const std::string& v = probe.dbmsVersion;
    const char first = v.size() > 0 ? v[0] : '0';
    const char second = v.size() > 1 ? v[1] : '0';
    if (first > '0' || second > '6') {
        q.number = backend::SqlServer7;
        q.name = "Microsoft SQL Server v7";
        q.unlimitedStatements = true;
        q.joinType = jointype::Watcom;
        q.nesting = nesting::True;
    } else if (second == '5' || second == '6') {
        q.number = backend::SqlServer6;
        q.name = "Microsoft SQL Server v6";
        q.maxStatements = 255;
        if (CompareVersions(v, "06.5") >= 0) {
            q.joinType = jointype::Watcom;
            q.nesting = nesting::True;
        }
    } else {
        q.number = backend::SqlServer5;
        q.name = "Microsoft SQL Server v5";
    }
    if (!q.joinType) q.joinType = jointype::Microsoft;
    if (!q.nesting) q.nesting = nesting::Partial;
}

}  // namespace

int CompareVersions(std::string_view a, std::string_view b) {
    while (!a.empty() || !b.empty()) {
        const long x = NextField(a);
        const long y = NextField(b);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

BackendQuirks RecognizeBackend(const BackendProbe& probe) {
    const std::string_view name = probe.driverName;
    BackendQuirks q;
    if (StartsWithNoCase(name, "CWBODBC")) {
        q.number = backend::As400;
        q.name = "AS/400";
        q.clipStrings = false;
        q.joinType = jointype::Db2;
    } else if (StartsWithNoCase(name, "FIRSTSQL")) {
        q.number = backend::FirstSql;
        q.name = "First SQL";
        q.joinType = jointype::FirstSql;
    } else if (StartsWithNoCase(name, "IVSYB13")) {
        q.fastColumnFetch = false;
    } else if (StartsWithNoCase(name, "MYODBC")) {
        q.number = backend::MySql;
        if (StartsWithNoCase(name, "MYODBC.DLL")) q.bindColOrder = 2;
    } else if (StartsWithNoCase(name, "ODBCJT")) {
        q.number = backend::Access;
        q.name = "Microsoft Access";
        q.joinType = jointype::Watcom;
        q.nesting = nesting::False;
        q.rejected = CompareVersions(probe.driverVersion, "1.0.1521") == 0;
    } else if (StartsWithNoCase(name, "SQLSRV")) {
        SqlServer(probe, q);
    } else if (StartsWithNoCase(name, "SQORA7") || StartsWithNoCase(name, "SQO32_7")) {
        q.number = backend::Oracle;
        q.name = "Oracle";
        q.clipStrings = false;
        q.joinType = jointype::Microsoft;
        q.nesting = nesting::False;
    } else if (StartsWithNoCase(name, "SQOCI32")) {
        q.number = backend::Oracle8;
        q.name = "Oracle8";
    } else if (StartsWithNoCase(name, "WOD50")) {
        if (CompareVersions(probe.dbmsVersion, "5.0.0") >= 0 &&
            CompareVersions(probe.dbmsVersion, "5.50.0") <= 0) {
            q.number = backend::SqlAnywhere;
            q.name = "SQL Anywhere";
        }
    } else if (StartsWithNoCase(name, "W32BTINT") || StartsWithNoCase(name, "WINBTINT")) {
        q.number = backend::PervasiveSql;
        q.name = "Pervasive.SQL (SQL)";
    }
    return q;
}

}  // namespace dbprobe::odbc
