#include "odbc/sql/create.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "odbc/session/data_source.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/environment.h"
#include "odbc/session/options.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/session/trace_logger.h"

namespace dbprobe::odbc {
namespace {

// Bounds the drop-and-create repetitions when a server keeps reporting that
// the table or index exists although each drop succeeds.
constexpr int kMaxRecreate = 3;
constexpr SQLSMALLINT kTypeNameLength = 128;

std::size_t Slot(int sqlType) { return static_cast<std::size_t>(sqlType - DataSource::kFirstType); }

bool StateIs(const DriverState& file, std::string_view odbc2, std::string_view odbc3) {
    const std::string& s = file.diagnostics.sqlState;
    return s == odbc2 || s == odbc3;
}

bool SqlServer(int backend) {
    return backend == backend::SqlServer5 || backend == backend::SqlServer6 ||
           backend == backend::SqlServer7;
}

// Reads SQLGetTypeInfo once per data source: the first row of each type wins.
int ReadTypeTables(DriverState& file, Statement& main) {
    DataSource& source = *file.dataSource;
    if (source.typeTablesFilled) return 0;
    source.typeTablesFilled = true;
    CloseCursor(main);
    if (!SQL_SUCCEEDED(GetTypeInfo(main, SQL_ALL_TYPES))) return file.diagnostics.failure;
    for (;;) {
        const SQLRETURN rc = Fetch(main);
        if (!SQL_SUCCEEDED(rc)) {
            // A fetch error ends the reading without failing the operation.
            if (rc != SQL_NO_DATA) ForgetFailure(file);
            break;
        }
        char name[kTypeNameLength + 1] = {0};
        char params[kTypeNameLength + 1] = {0};
        SQLSMALLINT type = 0;
        SQLLEN nameLength = 0, typeLength = 0, paramsLength = 0;
        GetData(main, 1, SQL_C_CHAR, name, sizeof name, &nameLength);
        GetData(main, 2, SQL_C_SSHORT, &type, sizeof type, &typeLength);
        GetData(main, 6, SQL_C_CHAR, params, sizeof params, &paramsLength);
        if (type < DataSource::kFirstType || type > DataSource::kLastType) continue;
        auto& nameSlot = source.typeNames[Slot(type)];
        if (nameSlot) continue;
        std::string typeName = nameLength == SQL_NULL_DATA ? std::string() : name;
        if (source.backend == backend::PervasiveSql) {
            if (type == SQL_INTEGER) typeName = "INT(4)";
            if (type == SQL_SMALLINT) typeName = "INT(2)";
        }
        nameSlot = typeName;
        if (paramsLength != SQL_NULL_DATA) source.createParameters[Slot(type)] = std::string(params);
        if (SqlServer(source.backend) && type == SQL_FLOAT && !source.typeNames[Slot(SQL_DOUBLE)])
            source.typeNames[Slot(SQL_DOUBLE)] = typeName;
    }
    CloseCursor(main);
    return 0;
}

// The Integrity Enhancement Facility answer, asked once per data source.
bool IntegrityEnhancement(DriverState& file) {
    DataSource& source = *file.dataSource;
    if (!source.integrityEnhancement)
        source.integrityEnhancement = ConnectionInfo(file, SQL_ODBC_SQL_OPT_IEF, 7);
    return !source.integrityEnhancement->empty() && source.integrityEnhancement->front() == 'Y';
}

struct TypeChoice {
    int sqlType = 0;
    bool decimalFallback = false;  // an integer kind sized as a decimal
    int precision = 0;
    int scale = 0;
};

bool Present(const DataSource& source, int sqlType) {
    return source.typeNames[Slot(sqlType)].has_value();
}

std::optional<TypeChoice> ChooseType(const DataSource& source, const FieldEntry& field) {
    auto first = [&](std::initializer_list<int> types) -> std::optional<TypeChoice> {
        for (int t : types)
            if (Present(source, t)) return TypeChoice{t};
        return std::nullopt;
    };
    auto decimal = [&](int precision) -> std::optional<TypeChoice> {
        std::optional<TypeChoice> c = first({SQL_DECIMAL, SQL_NUMERIC});
        if (c) {
            c->decimalFallback = true;
            c->precision = precision;
        }
        return c;
    };
    switch (field.type) {
        case kind::BYTE:
            if (auto c = first({SQL_TINYINT, SQL_SMALLINT, SQL_INTEGER})) return c;
            return decimal(3);
        case kind::SHORT:
        case kind::USHORT:
            if (auto c = first({SQL_SMALLINT, SQL_INTEGER})) return c;
            return decimal(5);
        case kind::LONG:
        case kind::ULONG:
            if (auto c = first({SQL_INTEGER})) return c;
            return decimal(8);
        case kind::DECIMAL: return first({SQL_DECIMAL, SQL_NUMERIC});
        case kind::PDECIMAL: return first({SQL_NUMERIC, SQL_DECIMAL});
        case kind::DATE: return first({SQL_DATE});
        case kind::TIME: return first({SQL_TIME});
        case kind::SREAL: return first({SQL_REAL, SQL_DOUBLE});
        case kind::REAL: return first({SQL_DOUBLE});
        case kind::STRING:
            if (field.timestamp)
                if (auto c = first({SQL_TIMESTAMP})) return c;
            return first({SQL_CHAR, SQL_VARCHAR});
        case kind::CSTRING: return first({SQL_VARCHAR, SQL_CHAR});
        default: return std::nullopt;
    }
}

// The type text: the name as it stands without create parameters, else the
// name up to '(' with the size parameters and whatever followed its ')'.
std::string TypeText(const DataSource& source, const FieldEntry& field, const TypeChoice& c) {
    const std::string& name = *source.typeNames[Slot(c.sqlType)];
    const std::optional<std::string>& params = source.createParameters[Slot(c.sqlType)];
    if (!params || params->empty()) return name;
    std::string sizes;
    if (params->find(',') != std::string::npos) {
        const int p = c.decimalFallback ? c.precision : 2 * field.size - 1;
        const int s = c.decimalFallback ? c.scale : field.descriptor->decimals;
        sizes = std::to_string(p) + ", " + std::to_string(s);
    } else {
        sizes = std::to_string(field.type == kind::CSTRING ? field.size - 1 : field.size);
    }
    const std::size_t open = name.find('(');
    if (open == std::string::npos) return name + "(" + sizes + ")";
    const std::size_t close = name.find(')', open);
    const std::string tail = close == std::string::npos ? std::string() : name.substr(close + 1);
    return name.substr(0, open) + "(" + sizes + ")" + tail;
}

// The component list: "NAME ,NAME )" with MOD on Pervasive for keys that are
// not primary, and DESC in index statements.
std::string ComponentList(const DriverState& file, const KeyState& key, bool index) {
    const bool pervasive = file.dataSource->backend == backend::PervasiveSql;
    std::string text;
    for (std::size_t i = 0; i < key.components.size(); ++i) {
        if (i > 0) text += ",";
        const KeyComponent& c = key.components[i];
        text += file.fields[c.field].columnName + " ";
        if (pervasive && !(key.attributes & keyattr::PRIMARY)) text += "MOD ";
        if (index && c.descending) text += "DESC ";
    }
    return text + ")";
}

// The column a component stands for: one lying over another field stands
// for the field it lies over.
std::size_t ColumnField(const DriverState& file, std::size_t field) {
    const FieldEntry& f = file.fields[field];
    if (!f.liesOver) return field;
    for (std::size_t i = 0; i < field; ++i)
        if (!file.fields[i].liesOver && file.fields[i].type != kind::GROUP &&
            file.fields[i].offset == f.offset)
            return i;
    return field;
}

// Builds the CREATE TABLE text; 75 when a field has no type on this server.
int TableStatement(DriverState& file, bool ief, std::string& sql) {
    const DataSource& source = *file.dataSource;
    const bool pervasive = source.backend == backend::PervasiveSql;
    std::vector<bool> notNull(file.fields.size(), false);
    for (const KeyState& key : file.keys)
        if (!(key.attributes & keyattr::OPT) || (key.attributes & keyattr::PRIMARY))
            for (const KeyComponent& c : key.components) notNull[ColumnField(file, c.field)] = true;

    sql = "CREATE TABLE " + file.sqlTableName + " (";
    bool first = true;
    for (std::size_t i = 0; i < file.fields.size(); ++i) {
        const FieldEntry& field = file.fields[i];
        if (!field.ProducesColumn()) continue;
        const std::optional<TypeChoice> choice = ChooseType(source, field);
        if (!choice) {
            if (TraceLogger* log = file.traceLog.get(); log != nullptr && log->TraceOn()) {
                log->WriteText("Could not Create Field " + field.columnName, true);
                log->WriteText("File system does not support data type", true);
            }
            return err::InvalidFieldTypeDescriptor;
        }
        if (!first) sql += ",";
        first = false;
        sql += field.columnName + " " + TypeText(source, field, *choice);
        if (notNull[i] && !pervasive && source.capabilities.nonNullableColumns) sql += " NOT NULL";
    }
    for (const BlobEntry& blob : file.blobs) {
        int type = SQL_LONGVARCHAR;
        if (blob.attributes & blobattr::BINARY)
            type = Present(source, SQL_LONGVARBINARY) ? SQL_LONGVARBINARY : SQL_BINARY;
        sql += ", " + blob.columnName + " " + source.typeNames[Slot(type)].value_or("");
    }
    if (ief)
        for (const KeyState& key : file.keys) {
            if (key.AllowsDuplicates()) continue;
            if (pervasive && key.number != file.primaryKey) continue;
            sql += (key.attributes & keyattr::PRIMARY) ? ",PRIMARY KEY (" : ",UNIQUE (";
            sql += ComponentList(file, key, false);
        }
    sql += ")";
    return 0;
}

bool Execute(Statement& main, const std::string& sql) {
    CloseCursor(main);
    return SQL_SUCCEEDED(ExecuteDirect(main, sql));
}

int CreateIndexes(DriverState& file, Statement& main, bool ief) {
    const bool pervasive = file.dataSource->backend == backend::PervasiveSql;
    for (const KeyState& key : file.keys) {
        if ((key.attributes & keyattr::INDEX) || key.dynamic) continue;
        if (ief && key.number == file.primaryKey) continue;
        if (ief && !key.AllowsDuplicates() && !pervasive) continue;
        if (int failure = CreateIndex(file, main, key); failure != 0) return failure;
    }
    return 0;
}

// Builds and executes the table, dropping and creating again a table that
// exists, then the indexes; a failed index drops the new table again.
int BuildTable(DriverState& file, Statement& main) {
    for (int attempt = 0;; ++attempt) {
        if (int failure = ReadTypeTables(file, main); failure != 0) return failure;
        const bool ief = IntegrityEnhancement(file);
        std::string sql;
        if (int code = TableStatement(file, ief, sql); code != 0) return code;
        if (!Execute(main, sql)) {
            if (!StateIs(file, "S0001", "42S01") || attempt == kMaxRecreate)
                return file.diagnostics.failure;
            ForgetFailure(file);
            if (!Execute(main, "DROP TABLE " + file.sqlTableName)) return file.diagnostics.failure;
            continue;
        }
        const int indexFailure = CreateIndexes(file, main, ief);
        if (indexFailure == 0) return 0;
        // The caller sees the index error, not the outcome of the drop.
        const RuntimeErrorState saved = CurrentErrors();
        const OdbcFailure savedFailure = file.diagnostics;
        ForgetFailure(file);
        Execute(main, "DROP TABLE " + file.sqlTableName);
        file.diagnostics = savedFailure;
        PostErrorCode(saved.errorCode);
        SetFileError(saved.fileErrorCode, saved.fileErrorText);
        SetErrorFile(saved.errorFile);
        return indexFailure;
    }
}

}  // namespace

int CreateIndex(DriverState& file, Statement& main, const KeyState& key) {
    const std::string name = IndexName(key);
    const std::string sql = std::string("CREATE") + (key.AllowsDuplicates() ? "" : " UNIQUE") +
                            " INDEX " + name + " ON " + file.sqlTableName + " (" +
                            ComponentList(file, key, true);
    for (int attempt = 0;; ++attempt) {
        if (Execute(main, sql)) return 0;
        if (!StateIs(file, "S0011", "42S11") || attempt == kMaxRecreate)
            return file.diagnostics.failure;
        ForgetFailure(file);
        if (!Execute(main, "DROP INDEX " + name)) return file.diagnostics.failure;
    }
}

std::string IndexName(const KeyState& key) {
    // The external name is a variable the program may assign after attach.
    const std::string external = key.descriptor != nullptr
                                     ? CopyText(key.descriptor->externalName).value_or("")
                                     : key.externalName;
    if (!external.empty()) return external.substr(0, external.find('/'));
    std::string name = key.label;
    std::replace(name.begin(), name.end(), ':', '_');
    return name;
}

int CreateTable(OperationContext& ctx) {
    DriverState& file = ctx.state;
    const bool ownerChanged = file.lastOwner != file.owner;
    ApplyDriverString(file);
    if (ownerChanged) ReleaseDataSource(file);
    if (int failure = EnsureStatement(file, file.mainStatement); failure != 0)
        return MapResult(file, failure);
    int result = BuildTable(file, *file.mainStatement.statement);
    ReleaseStatement(file.mainStatement);
    if (result == 0) file.lastOwner = file.owner;
    return MapResult(file, result);
}

}  // namespace dbprobe::odbc
