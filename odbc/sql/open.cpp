#include "odbc/sql/open.h"

#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "odbc/session/data_source.h"
#include "odbc/session/declaration_errors.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/options.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/session/trace_logger.h"
#include "odbc/sql/describe.h"

namespace dbprobe::odbc {
namespace {

constexpr SQLSMALLINT kNameLength = 128;
constexpr std::size_t kNameBuffer = kNameLength + 1;
constexpr SQLULEN kMaxRowset = 16647160;

// Column numbers of the SQLColumns result.
constexpr SQLUSMALLINT kColumnName = 4, kDataType = 5, kColumnSize = 7, kDecimalDigits = 9,
                       kNullable = 11;

// ---- The verified-table list ----

struct VerifiedEntry {
    std::optional<std::string> owner;
    std::optional<std::string> name;
    int count = 0;
};

struct VerifiedList {
    std::mutex lock;
    std::map<const void*, VerifiedEntry> entries;
};

VerifiedList& TheList() {
    static VerifiedList list;
    return list;
}

// Every instance of a declared file shares the entry of its declaration.
const void* DeclarationOf(const FileDescriptor& file) {
    return file.declaration != nullptr ? file.declaration : &file;
}

bool IsVerified(const DriverState& file) {
    if (file.file == nullptr) return false;
    VerifiedList& list = TheList();
    std::lock_guard guard(list.lock);
    auto it = list.entries.find(DeclarationOf(*file.file));
    return it != list.entries.end() && it->second.owner == file.owner &&
           it->second.name == file.name;
}

void CountVerified(const DriverState& file) {
    if (file.file == nullptr) return;
    VerifiedList& list = TheList();
    std::lock_guard guard(list.lock);
    auto [it, added] = list.entries.try_emplace(DeclarationOf(*file.file));
    if (added) {
        it->second.owner = file.owner;
        it->second.name = file.name;
    }
    ++it->second.count;
}

// ---- Names ----

bool StartsWith(std::string_view text, std::string_view prefix) {
    return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return !suffix.empty() && text.size() >= suffix.size() &&
           text.substr(text.size() - suffix.size()) == suffix;
}

std::string Unquoted(std::string_view name, std::string_view quote) {
    if (StartsWith(name, quote)) name.remove_prefix(quote.size());
    if (EndsWith(name, quote)) name.remove_suffix(quote.size());
    return std::string(name);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// ---- Collecting the server's column names ----

// What the catalog says about one column (GATHERATOPEN).
struct CatalogColumn {
    SQLSMALLINT dataType = 0;
    SQLINTEGER columnSize = 0;
    SQLSMALLINT decimalDigits = 0;
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
};

struct Collected {
    std::vector<std::string> names;
    std::vector<CatalogColumn> catalog;  // parallel to names when gathered
    bool gathered = false;
};

// Column-wise buffers for one block of catalog rows.
struct CatalogBuffers {
    explicit CatalogBuffers(std::size_t rows)
        : names(rows * kNameBuffer), nameLengths(rows), dataTypes(rows), sizes(rows),
          digits(rows), nullables(rows), lengths(4 * rows) {}
    std::vector<char> names;
    std::vector<SQLLEN> nameLengths;
    std::vector<SQLSMALLINT> dataTypes;
    std::vector<SQLINTEGER> sizes;
    std::vector<SQLSMALLINT> digits;
    std::vector<SQLSMALLINT> nullables;
    std::vector<SQLLEN> lengths;
};

void QueueColumn(Statement& main, SQLUSMALLINT number, SQLSMALLINT cType, void* buffer,
                 SQLLEN length, SQLLEN* indicator) {
    PendingBinding b;
    b.number = number;
    b.cType = cType;
    b.buffer = buffer;
    b.bufferLength = length;
    b.indicator = indicator;
    main.QueueColumn(b);
}

void TakeRow(const CatalogBuffers& b, std::size_t row, bool gather, Collected& out) {
    if (b.nameLengths[row] == SQL_NULL_DATA) return;
    const char* name = &b.names[row * kNameBuffer];
    out.names.emplace_back(name, strnlen(name, kNameLength));
    if (gather)
        out.catalog.push_back({b.dataTypes[row], b.sizes[row], b.digits[row], b.nullables[row]});
}

// Reads the SQLColumns result. Returns 0 or the captured fetch failure.
int FetchCatalogRows(DriverState& file, Statement& main, Collected& out) {
    const DataSource& source = *file.dataSource;
    const bool block = source.fastColumnFetch &&
                       source.capabilities.functions[SQL_API_SQLEXTENDEDFETCH] != 0;
    const SQLULEN rowset =
        block ? std::clamp<SQLULEN>(file.fields.size(), 1, kMaxRowset) : SQLULEN{1};
    if (block) SetStatementOption(main, SQL_ROWSET_SIZE, rowset, true);

    const bool gather = out.gathered;
    const SQLSMALLINT shortType =
        source.capabilities.odbc1Driver || source.backend == backend::Oracle ? SQL_C_SHORT
                                                                              : SQL_C_SSHORT;
    CatalogBuffers b(rowset);
    QueueColumn(main, kColumnName, SQL_C_CHAR, b.names.data(), kNameBuffer, b.nameLengths.data());
    if (gather) {
        QueueColumn(main, kDataType, shortType, b.dataTypes.data(), sizeof(SQLSMALLINT),
                    &b.lengths[0]);
        QueueColumn(main, kColumnSize, SQL_C_LONG, b.sizes.data(), sizeof(SQLINTEGER),
                    &b.lengths[rowset]);
        QueueColumn(main, kDecimalDigits, shortType, b.digits.data(), sizeof(SQLSMALLINT),
                    &b.lengths[2 * rowset]);
        QueueColumn(main, kNullable, shortType, b.nullables.data(), sizeof(SQLSMALLINT),
                    &b.lengths[3 * rowset]);
    }

    std::vector<SQLUSMALLINT> status(rowset);
    for (;;) {
        SQLULEN rows = 1;
        const SQLRETURN rc = block ? ExtendedFetch(main, SQL_FETCH_NEXT, 0, &rows, status.data(),
                                                   false)
                                   : Fetch(main);
        if (!SQL_SUCCEEDED(rc)) return rc == SQL_NO_DATA ? 0 : file.diagnostics.failure;
        for (std::size_t row = 0; row < std::min<SQLULEN>(rows, rowset); ++row) {
            if (block && (status[row] == SQL_ROW_NOROW || status[row] == SQL_ROW_ERROR)) continue;
            TakeRow(b, row, gather, out);
        }
    }
}

// The column names through SQLColumns. Sets `failed` when the call itself
// fails; its error is not the file's.
int CatalogNames(DriverState& file, Statement& main, Collected& out, bool& failed) {
    const DataSource& source = *file.dataSource;
    const CatalogTable name = CatalogTableName(file.name.value_or(""),
                                               source.capabilities.identifierQuote,
                                               source.forceUpperCase);
    // The wrapper passes the pattern as NULL on the MySQL backend.
    const std::string allColumns = "%";
    if (!SQL_SUCCEEDED(Columns(main, name.owner ? &*name.owner : nullptr, name.table,
                               &allColumns))) {
        ForgetFailure(file);
        failed = true;
        return 0;
    }
    out.gathered = file.options.gatherAtOpen;
    return FetchCatalogRows(file, main, out);
}

// The column names of "SELECT * ... WHERE 0 = 1", prepared and not executed.
int SelectNames(DriverState& file, Statement& main, Collected& out) {
    CloseCursor(main);
    if (!SQL_SUCCEEDED(Prepare(main, "SELECT * FROM " + file.sqlTableName + " WHERE 0 = 1")))
        return file.diagnostics.failure;
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(NumResultCols(main, &count))) return file.diagnostics.failure;
    for (SQLUSMALLINT column = 1; column <= count; ++column) {
        SQLCHAR name[kNameBuffer] = {0};
        SQLSMALLINT length = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!SQL_SUCCEEDED(DescribeColumn(main, column, name, sizeof name, &length, &sqlType,
                                          &size, &digits, &nullable)))
            return file.diagnostics.failure;
        const char* text = reinterpret_cast<const char*>(name);
        out.names.emplace_back(text, strnlen(text, kNameLength));
    }
    return 0;
}

// ---- Matching ----

void TraceMismatch(const DriverState& file, const FieldEntry& field, const Collected& server) {
    TraceLogger* log = file.traceLog.get();
    if (log == nullptr || !log->TraceOn()) return;
    log->WriteLine("Invalid field name: " + field.columnName);
    log->WriteLine("Valid field names are:");
    for (const std::string& name : server.names) log->WriteLine(name);
    if (file.dataSource->capabilities.quotedIdentifierCase == SQL_IC_SENSITIVE) {
        log->WriteLine("");
        log->WriteLine("Note that your server is case sensitive.");
        log->WriteLine("To generate case sensitive names you need");
        log->WriteLine("to put external names on your fields");
    }
}

int MatchFields(DriverState& file, const Collected& server) {
    if (server.names.empty() && !file.fields.empty()) return err::FileNotFound;
    const Capabilities& caps = file.dataSource->capabilities;
    const bool sensitive = caps.quotedIdentifierCase == SQL_IC_SENSITIVE;
    bool gathered = false;
    for (FieldEntry& field : file.fields) {
        if (!field.ProducesColumn()) continue;
        std::size_t match = 0;
        while (match < server.names.size() &&
               !ColumnNameMatches(field.columnName, server.names[match], caps.identifierQuote,
                                  sensitive))
            ++match;
        if (match == server.names.size()) {
            const DeclarationError code{declkind::Field, field.number, "NAME", 0};
            const DeclarationError text{declkind::Field, field.number, "NAME", 5};
            SetFileError(code.FileErrorCode(), text.FileErrorText());
            TraceMismatch(file, field, server);
            return err::InvalidRecordDeclaration;
        }
        if (server.gathered) {
            const CatalogColumn& c = server.catalog[match];
            field.description.sqlType = c.dataType;
            field.description.columnSize = c.columnSize;
            field.description.decimalDigits = c.decimalDigits;
            field.description.nullable = c.nullable;
            field.description.described = true;
            gathered = true;
        }
    }
    if (gathered) StoreDescriptions(file);
    return 0;
}

int Verify(DriverState& file) {
    Statement& main = *file.mainStatement.statement;
    Collected server;
    int result = 0;
    bool viaSelect = file.options.verifyViaSelect;
    if (!viaSelect) {
        bool catalogFailed = false;
        result = CatalogNames(file, main, server, catalogFailed);
        // A driver without a working SQLColumns is checked by SELECT from now on.
        if (catalogFailed) viaSelect = file.options.verifyViaSelect = true;
    }
    if (viaSelect) result = SelectNames(file, main, server);
    if (result == 0) result = MatchFields(file, server);
    UnbindColumns(main);
    CloseCursor(main);
    return result;
}

// ---- Setting up the fields ----

bool NeedsDescription(const FieldEntry& field) {
    return (field.type == kind::DECIMAL || field.type == kind::PDECIMAL ||
            field.type == kind::STRING) &&
           !field.description.typesComputed;
}

int SetUpFields(DriverState& file) {
    LoadDescriptions(file);
    int skip = 0;  // the DATE+TIME group over a timestamp STRING and its parts
    for (const FieldEntry& field : file.fields) {
        if (skip > 0) {
            --skip;
            continue;
        }
        if (field.type == kind::STRING && field.timestamp && !field.liesOver) skip = 3;
        if (!field.ProducesColumn()) continue;
        // One describe step covers every field.
        if (NeedsDescription(field)) return DescribeColumns(file);
    }
    return 0;
}

bool TableMissing(const DriverState& file) {
    if (file.diagnostics.failure == failure::None) return false;
    const std::string& state = file.diagnostics.sqlState;
    if (state == "S0002" || state == "42S02") return true;
    return state == "42000" && file.dataSource != nullptr &&
           file.dataSource->backend == backend::SqlAnywhere;
}

}  // namespace

CatalogTable CatalogTableName(std::string_view declared, std::string_view quote,
                              int identifierCase) {
    CatalogTable out;
    std::string_view table = declared;
    std::size_t dot = declared.find('.');
    // A '.' inside a quoted name does not separate an owner.
    if (dot != std::string_view::npos && StartsWith(declared, quote) &&
        !(dot >= quote.size() && declared.substr(dot - quote.size(), quote.size()) == quote))
        dot = std::string_view::npos;
    if (dot != std::string_view::npos) {
        out.owner = std::string(declared.substr(0, dot));
        table = declared.substr(dot + 1);
    }
    const bool quoted = StartsWith(table, quote);
    out.table = quoted && out.owner ? Unquoted(table, quote) : std::string(table);
    if (!quoted) {
        if (identifierCase == SQL_IC_UPPER)
            for (char& c : out.table) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        else if (identifierCase == SQL_IC_LOWER)
            for (char& c : out.table) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool ColumnNameMatches(std::string_view fieldColumn, std::string_view server,
                       std::string_view quote, bool quotedCaseSensitive) {
    std::string_view name = fieldColumn;
    if (const std::size_t dot = name.find('.'); dot != std::string_view::npos)
        name = name.substr(dot + 1);
    const bool caseSensitive = quotedCaseSensitive && StartsWith(name, quote);
    std::string bare = Unquoted(name, quote);
    if (!quote.empty()) {
        const std::string twice = std::string(quote) + std::string(quote);
        for (std::size_t at = bare.find(twice); at != std::string::npos;
             at = bare.find(twice, at + quote.size()))
            bare.erase(at, quote.size());
    }
    return caseSensitive ? bare == server : EqualNoCase(bare, server);
}

int OpenTable(OperationContext& ctx) {
    DriverState& file = ctx.state;
    const bool ownerChanged = file.lastOwner != file.owner;
    ApplyDriverString(file);
    if (ownerChanged) ReleaseDataSource(file);
    file.openMode = static_cast<std::int32_t>(ctx.args.Number(0));
    if (int failure = EnsureStatement(file, file.mainStatement); failure != 0) {
        ReleaseStatement(file.mainStatement);
        return MapResult(file, failure);
    }
    int result = 0;
    if (!file.options.noVerify && !IsVerified(file)) result = Verify(file);
    if (result == 0) result = SetUpFields(file);
    if (result != 0) {
        ReleaseStatement(file.mainStatement);
        if (TableMissing(file)) result = err::FileNotFound;
        return MapResult(file, result);
    }
    CountVerified(file);
    if (ownerChanged) file.lastOwner = file.owner;
    return 0;
}

void ForgetVerifiedTable(const FileDescriptor& file) {
    VerifiedList& list = TheList();
    std::lock_guard guard(list.lock);
    auto it = list.entries.find(DeclarationOf(file));
    if (it != list.entries.end() && --it->second.count <= 0) list.entries.erase(it);
}

int VerifiedTableCount(const FileDescriptor& file) {
    VerifiedList& list = TheList();
    std::lock_guard guard(list.lock);
    auto it = list.entries.find(DeclarationOf(file));
    return it == list.entries.end() ? 0 : it->second.count;
}

}  // namespace dbprobe::odbc
