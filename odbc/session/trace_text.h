#pragma once
// The texts of the ODBC call trace: what each call's line says.

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

namespace dbprobe::odbc::tracetext {

// A handle as the trace writes it.
std::string Handle(const void* handle);

// The connect string with its password hidden: the text before the first
// "PWD=", "PWD=********", then the text from the next ';' on.
std::string MaskPassword(std::string_view connectString);

// SQL type: "CHAR(n)", "NUMERIC(p,s)", "INTEGER(NULL)", ...; for text types
// length is the parameter's length (SQL_NTS, SQL_NULL_DATA, SQL_DATA_AT_EXEC or
// a count), for NUMERIC and DECIMAL the precision.
std::string SqlType(SQLSMALLINT type, SQLLEN length, SQLSMALLINT scale);
// C type: "CHAR(n)", "LONG", ..., or the number with "(n)" / "(NTS)".
std::string CType(SQLSMALLINT type, SQLLEN bufferLength);

// The leading text of an SQLGetInfo line.
std::string_view GetInfoText(SQLUSMALLINT info);
// The leading text of an SQLGetConnectOption line.
std::string_view GetConnectOptionText(SQLUSMALLINT option);
// The leading text of an SQLSetConnectOption line.
std::string SetConnectOptionText(SQLUSMALLINT option, SQLULEN value);
// "Getting <what> for" of an SQLGetStmtOption line.
std::string GetStmtOptionText(SQLUSMALLINT option);
// "Setting <what> for" of an SQLSetStmtOption line.
std::string SetStmtOptionText(SQLUSMALLINT option, SQLULEN value);
// The leading text of an SQLFreeStmt line.
std::string_view FreeStmtText(SQLUSMALLINT option);
// "Fetching <which> Set of Rows from".
std::string ExtendedFetchText(SQLUSMALLINT orientation);
// The leading text of an SQLColAttributes line, up to the column number.
std::string ColAttributeText(SQLUSMALLINT field, SQLUSMALLINT column);
// "Binding ? n for input with C type ... as ... for".
std::string BindParameterText(SQLUSMALLINT number, SQLSMALLINT direction, SQLSMALLINT cType,
                              SQLLEN bufferLength, SQLSMALLINT sqlType, SQLULEN precision,
                              SQLSMALLINT scale, const SQLLEN* indicator);

}  // namespace dbprobe::odbc::tracetext
