#include "odbc/session/trace_text.h"

#include <cinttypes>
#include <cstdio>

namespace dbprobe::odbc::tracetext {
namespace {

std::string Number(long long value) { return std::to_string(value); }

std::string LengthText(SQLLEN length) {
    if (length == SQL_NTS) return "SQL_NTS";
    if (length == SQL_NULL_DATA) return "NULL";
    if (length == SQL_DATA_AT_EXEC || length <= SQL_LEN_DATA_AT_EXEC_OFFSET) return "SQL_DATA_AT_EXEC";
    return Number(length);
}

std::string BufferText(SQLLEN length) { return length == SQL_NTS ? "NTS" : Number(length); }

}  // namespace

std::string Handle(const void* handle) {
    char text[32];
    std::snprintf(text, sizeof text, "%" PRIXPTR, reinterpret_cast<std::uintptr_t>(handle));
    return text;
}

std::string MaskPassword(std::string_view connectString) {
    const std::size_t at = connectString.find("PWD=");
    if (at == std::string_view::npos) return std::string(connectString);
    std::string masked(connectString.substr(0, at));
    masked += "PWD=********";
    const std::size_t next = connectString.find(';', at);
    if (next != std::string_view::npos) masked += connectString.substr(next);
    return masked;
}

std::string SqlType(SQLSMALLINT type, SQLLEN length, SQLSMALLINT scale) {
    const char* name = nullptr;
    enum { Sized, Numeric, Plain } form = Plain;
    switch (type) {
        case SQL_CHAR: name = "CHAR"; form = Sized; break;
        case SQL_VARCHAR: name = "VARCHAR"; form = Sized; break;
        case SQL_WCHAR: name = "NCHAR"; form = Sized; break;
        case SQL_WVARCHAR: name = "NVARCHAR"; form = Sized; break;
        case SQL_NUMERIC: name = "NUMERIC"; form = Numeric; break;
        case SQL_DECIMAL: name = "DECIMAL"; form = Numeric; break;
        case SQL_INTEGER: name = "INTEGER"; break;
        case SQL_SMALLINT: name = "SMALLINT"; break;
        case SQL_FLOAT: name = "FLOAT"; break;
        case SQL_REAL: name = "REAL"; break;
        case SQL_DOUBLE: name = "DOUBLE"; break;
        case SQL_DATE: name = "DATE"; break;
        case SQL_TIME: name = "TIME"; break;
        case SQL_TIMESTAMP: name = "TIMESTAMP"; break;
        case SQL_LONGVARCHAR: name = "LONGVARCHAR"; break;
        case SQL_BINARY: name = "BINARY"; break;
        case SQL_VARBINARY: name = "VARBINARY"; break;
        case SQL_LONGVARBINARY: name = "LONGVARBINARY"; break;
        case SQL_BIGINT: name = "BIGINT"; break;
        case SQL_TINYINT: name = "TINYINT"; break;
        case SQL_BIT: name = "BIT"; break;
        case SQL_WLONGVARCHAR: name = "NLONGVARCHAR"; break;
        default: break;
    }
    const std::string base = name != nullptr ? name : Number(type);
    if (form == Sized) return base + "(" + LengthText(length) + ")";
    if (form == Numeric) return base + "(" + LengthText(length) + "," + Number(scale) + ")";
    return base + "(NULL)";
}

std::string CType(SQLSMALLINT type, SQLLEN bufferLength) {
    switch (type) {
        case SQL_C_CHAR: return "CHAR(" + BufferText(bufferLength) + ")";
        case SQL_C_LONG: return "LONG";
        case SQL_C_SHORT: return "SHORT";
        case SQL_C_FLOAT: return "FLOAT";
        case SQL_C_DOUBLE: return "DOUBLE";
        case SQL_C_DATE: return "DATE";
        case SQL_C_TIME: return "TIME";
        case SQL_C_TIMESTAMP: return "TIMESTAMP";
        case SQL_C_BINARY: return "BINARY";
        case SQL_C_BIT: return "BIT";
        case SQL_C_TINYINT: return "TINYINT";
        case SQL_C_SLONG: return "SLONG";
        case SQL_C_SSHORT: return "SSHORT";
        case SQL_C_ULONG: return "ULONG";
        case SQL_C_USHORT: return "USHORT";
        case SQL_C_UTINYINT: return "UTINYINT";
        default:
            return Number(type) + "(" + BufferText(bufferLength) + ")";
    }
}

std::string_view GetInfoText(SQLUSMALLINT info) {
    switch (info) {
        case SQL_ACTIVE_STATEMENTS: return "Getting number of statements per connection for";
        case SQL_DRIVER_NAME: return "Getting Driver Name for";
        case SQL_DRIVER_VER: return "Getting Driver Version for";
        case SQL_DBMS_VER: return "Getting DBMS Version for";
        case SQL_IDENTIFIER_QUOTE_CHAR: return "Getting Quote character for";
        case SQL_OUTER_JOINS: return "Getting Outer Join support for";
        case SQL_QUALIFIER_NAME_SEPARATOR: return "Getting Qualifier Seperator for";
        case SQL_TXN_CAPABLE: return "Getting Transaction capacity for";
        case SQL_ODBC_SQL_OPT_IEF: return "Getting IEF support for";
        case SQL_CORRELATION_NAME: return "Getting Correlation name support for";
        case SQL_DRIVER_ODBC_VER: return "Getting ODBC Version for";
        case SQL_KEYWORDS: return "Getting list of key words";
        default: return "Getting Connection Information for";
    }
}

std::string_view GetConnectOptionText(SQLUSMALLINT option) {
    switch (option) {
        case SQL_LOGIN_TIMEOUT: return "Getting Connection timeout for";
        case SQL_TXN_ISOLATION: return "Getting Transaction Isolation level";
        case SQL_AUTOCOMMIT: return "Getting Commit state";
        default: return "Getting Connection Information for";
    }
}

std::string SetConnectOptionText(SQLUSMALLINT option, SQLULEN value) {
    switch (option) {
        case SQL_LOGIN_TIMEOUT: return "Setting Connection timeout for";
        case SQL_TXN_ISOLATION:
            if (value == SQL_TXN_READ_UNCOMMITTED)
                return "Setting Transaction Isolation to Read Uncommitted on";
            if (value == SQL_TXN_READ_COMMITTED)
                return "Setting Transaction Isolation to Read Committed on";
            if (value == SQL_TXN_SERIALIZABLE) return "Setting Transaction Isolation to Serializable on";
            return "Setting unknown Transaction Isolation level (" + Number(static_cast<long long>(value)) +
                   ") on";
        case SQL_AUTOCOMMIT:
            return value == SQL_AUTOCOMMIT_OFF ? "Setting Auto Commit OFF for"
                                               : "Setting Auto Commit ON for";
        case SQL_TRANSLATE_DLL:
            return std::string("Setting translation DLL to ") +
                   reinterpret_cast<const char*>(value) + " for";
        default:
            return "Setting Connection Information " + Number(option) + " to " +
                   Number(static_cast<long long>(value)) + " for";
    }
}

std::string GetStmtOptionText(SQLUSMALLINT option) {
    const char* what = "Statement Option";
    switch (option) {
        case SQL_CONCURRENCY: what = "Concurrency"; break;
        case SQL_CURSOR_TYPE: what = "Cursor Type"; break;
        case SQL_ASYNC_ENABLE: what = "Asynchronous calling"; break;
        case SQL_ROWSET_SIZE: what = "number of rows to fetch"; break;
        default: break;
    }
    return std::string("Getting ") + what + " for";
}

std::string SetStmtOptionText(SQLUSMALLINT option, SQLULEN value) {
    std::string what;
    switch (option) {
        case SQL_CONCURRENCY:
            what = "Concurrency to ";
            what += value == SQL_CONCUR_VALUES   ? "Value"
                    : value == SQL_CONCUR_ROWVER ? "Row Version"
                    : value == SQL_CONCUR_LOCK   ? "Lock"
                    : value == SQL_CONCUR_READ_ONLY ? "Read Only"
                                                     : "UNKNOWN";
            break;
        case SQL_CURSOR_TYPE:
            what = "Cursor Type to ";
            what += value == SQL_CURSOR_STATIC         ? "Static"
                    : value == SQL_CURSOR_DYNAMIC      ? "Dynamic"
                    : value == SQL_CURSOR_FORWARD_ONLY ? "Forward Only"
                                                       : "UNKNOWN";
            break;
        case SQL_ASYNC_ENABLE:
            what = "Asynchronous calling ";
            what += value == SQL_ASYNC_ENABLE_OFF  ? "off"
                    : value == SQL_ASYNC_ENABLE_ON ? "on"
                                                   : "unknown state";
            break;
        case SQL_ROWSET_SIZE:
            what = "number of rows to fetch to " + Number(static_cast<long long>(value));
            break;
        default: what = "Statement Option"; break;
    }
    return "Setting " + what + " for";
}

std::string_view FreeStmtText(SQLUSMALLINT option) {
    switch (option) {
        case SQL_DROP: return "Freeing";
        case SQL_CLOSE: return "Closing";
        case SQL_UNBIND: return "Unbinding Columns";
        default: return "Resetting Parameters";
    }
}

std::string ExtendedFetchText(SQLUSMALLINT orientation) {
    const char* which = orientation == SQL_FETCH_FIRST      ? "First"
                        : orientation == SQL_FETCH_NEXT     ? "Next"
                        : orientation == SQL_FETCH_PRIOR    ? "Previous"
                        : orientation == SQL_FETCH_LAST     ? "Last"
                                                            : "UNKNOWN";
    return std::string("Fetching ") + which + " Set of Rows from";
}

std::string ColAttributeText(SQLUSMALLINT field, SQLUSMALLINT column) {
    std::string text;
    switch (field) {
        case SQL_COLUMN_AUTO_INCREMENT: text = "Getting Auto-increment state"; break;
        case SQL_COLUMN_SEARCHABLE: text = "Getting Searchable state"; break;
        case SQL_COLUMN_COUNT: text = "Getting Column Count"; break;
        default: text = "Getting Column Attribute " + Number(field); break;
    }
    return text + " for Column " + Number(column) + " for";
}

std::string BindParameterText(SQLUSMALLINT number, SQLSMALLINT direction, SQLSMALLINT cType,
                              SQLLEN bufferLength, SQLSMALLINT sqlType, SQLULEN precision,
                              SQLSMALLINT scale, const SQLLEN* indicator) {
    const bool sized = sqlType == SQL_CHAR || sqlType == SQL_VARCHAR || sqlType == SQL_WCHAR ||
                       sqlType == SQL_WVARCHAR;
    // Text types show the length the parameter arrives with, numbers their precision.
    const SQLLEN length =
        sized && indicator != nullptr ? *indicator : static_cast<SQLLEN>(precision);
    const char* way = direction == SQL_PARAM_INPUT_OUTPUT ? "in/output"
                      : direction == SQL_PARAM_OUTPUT     ? "output"
                                                          : "input";
    return "Binding ? " + Number(number) + " for " + way + " with C type " +
           CType(cType, bufferLength) + " as " +
           SqlType(sqlType, length, scale) + " for";
}

}  // namespace dbprobe::odbc::tracetext
