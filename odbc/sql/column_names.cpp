#include "odbc/sql/column_names.h"

#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "odbc/session/data_source.h"
#include "odbc/session/session.h"

namespace dbprobe::odbc {
namespace {

constexpr std::string_view kReservedWords =
    "ABSOLUTE,ACTION,ADA,ADD,ALL,ALLOCATE,ALTER,AND,ANY,ARE,AS,ASC,ASSERTION,AT,AUTHORIZATION,"
    "AVG,BEGIN,BETWEEN,BIT,BIT_LENGTH,BOTH,BY,CASCADE,CASCADED,CASE,CAST,CATALOG,CHAR,"
    "CHARACTER,CHARACTER_LENGTH,CHAR_LENGTH,CHECK,CLOSE,COALESCE,COLLATE,COLLATION,COLUMN,"
    "COMMIT,CONNECT,CONNECTION,CONSTRAINT,CONSTRAINTS,CONTINUE,CONVERT,CORRESPONDING,COUNT,"
    "CREATE,CROSS,CURRENT,CURRENT_DATE,CURRENT_TIME,CURRENT_TIMESTAMP,CURRENT_USER,CURSOR,DATE,"
    "DAY,DEALLOCATE,DEC,DECIMAL,DECLARE,DEFAULT,DEFERRABLE,DEFERRED,DELETE,DESC,DESCRIBE,"
    "DESCRIPTOR,DIAGNOSTICS,DISCONNECT,DISTINCT,DOMAIN,DOUBLE,DROP,ELSE,END,END-EXEC,ESCAPE,"
    "EXCEPT,EXCEPTION,EXEC,EXECUTE,EXISTS,EXTERNAL,EXTRACT,FALSE,FETCH,FIRST,FLOAT,FOR,FOREIGN,"
    "FORTRAN,FOUND,FROM,FULL,GET,GLOBAL,GO,GOTO,GRANT,GROUP,HAVING,HOUR,IDENTITY,IMMEDIATE,IN,"
    "INCLUDE,INDEX,INDICATOR,INITIALLY,INNER,INPUT,INSENSITIVE,INSERT,INT,INTEGER,INTERSECT,"
    "INTERVAL,INTO,IS,ISOLATION,JOIN,KEY,LANGUAGE,LAST,LEADING,LEFT,LEVEL,LIKE,LOCAL,LOWER,"
    "MATCH,MAX,MIN,MINUTE,MODULE,MONTH,NAMES,NATIONAL,NATURAL,NCHAR,NEXT,NO,NONE,NOT,NULL,"
    "NULLIF,NUMERIC,OCTET_LENGTH,OF,ON,ONLY,OPEN,OPTION,OR,ORDER,OUTER,OUTPUT,OVERLAPS,PAD,"
    "PARTIAL,PASCAL,POSITION,PRECISION,PREPARE,PRESERVE,PRIMARY,PRIOR,PRIVILEGES,PROCEDURE,"
    "PUBLIC,READ,REAL,REFERENCES,RELATIVE,RESTRICT,REVOKE,RIGHT,ROLLBACK,ROWS,SCHEMA,SCROLL,"
    "SECOND,SECTION,SELECT,SESSION,SESSION_USER,SET,SIZE,SMALLINT,SOME,SPACE,SQL,SQLCA,SQLCODE,"
    "SQLERROR,SQLSTATE,SQLWARNING,SUBSTRING,SUM,SYSTEM_USER,TABLE,TEMPORARY,THEN,TIME,"
    "TIMESTAMP,TIMEZONE_HOUR,TIMEZONE_MINUTE,TO,TRAILING,TRANSACTION,TRANSLATE,TRANSLATION,"
    "TRIM,TRUE,UNION,UNIQUE,UNKNOWN,UPDATE,UPPER,USAGE,USER,USING,VALUE,VALUES,VARCHAR,VARYING,"
    "VIEW,WHEN,WHENEVER,WHERE,WITH,WORK,WRITE,YEAR";

// SQL_KEYWORDS answers are long; this is plenty for every driver seen.
constexpr SQLSMALLINT kKeywordsBuffer = 8192;

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    return upper;
}

// Asks the server for its own reserved words, once per data source.
void LearnServerKeywords(DriverState& file) {
    DataSource& source = *file.dataSource;
    if (source.keywordsKnown) return;
    source.keywordsKnown = true;
    source.keywords = UpperCase(ConnectionInfo(file, SQL_KEYWORDS, kKeywordsBuffer));
}

}  // namespace

std::string_view ReservedWords() { return kReservedWords; }

bool InWordList(std::string_view name, std::string_view list) {
    if (name.empty()) return false;
    const std::string upper = UpperCase(name);
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string_view::npos) end = list.size();
        std::string_view word = list.substr(start, end - start);
        std::string wordUpper = UpperCase(word);
        // Leading and trailing blanks in a server's list do not count.
        while (!wordUpper.empty() && wordUpper.front() == ' ') wordUpper.erase(0, 1);
        while (!wordUpper.empty() && wordUpper.back() == ' ') wordUpper.pop_back();
        if (wordUpper == upper) return true;
        if (wordUpper > upper) return false;
        start = end + 1;
    }
    return false;
}

std::string ApplyIdentifierRule(std::string_view name, const DataSource& source) {
    const std::string& quote = source.capabilities.identifierQuote;
    if (!quote.empty() && name.substr(0, quote.size()) == quote) return std::string(name);
    if (name.find('.') != std::string_view::npos) return std::string(name);
    const bool reserved =
        InWordList(name, kReservedWords) || InWordList(name, source.keywords);
    const bool blank = name.find(' ') != std::string_view::npos;
    const bool upper = source.capabilities.quotedIdentifierCase != SQL_IC_SENSITIVE;
    if (!quote.empty() && (reserved || blank)) {
        const std::string quoted = quote + std::string(name) + quote;
        return upper ? UpperCase(quoted) : quoted;
    }
    if (quote.empty() && reserved && upper) return UpperCase(name);
    return std::string(name);
}

std::string_view WithoutPrefix(std::string_view label) {
    const std::size_t colon = label.find(':');
    return colon == std::string_view::npos ? label : label.substr(colon + 1);
}

void PrepareNames(DriverState& file) {
    if (!file.dataSource) return;
    LearnServerKeywords(file);
    const DataSource& source = *file.dataSource;
    file.sqlTableName = ApplyIdentifierRule(file.name.value_or(""), source);
    for (FieldEntry& field : file.fields)
        if (field.nameFromLabel)
            field.columnName = ApplyIdentifierRule(WithoutPrefix(field.label), source);
    for (BlobEntry& blob : file.blobs)
        if (blob.externalName.empty())
            blob.columnName = ApplyIdentifierRule(WithoutPrefix(blob.label), source);
}

}  // namespace dbprobe::odbc
