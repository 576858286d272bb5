#include "odbc/sql/describe.h"

#include <sqlext.h>

#include <map>
#include <mutex>
#include <vector>

#include "odbc/session/data_source.h"
#include "odbc/session/declaration_errors.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/column_types.h"

namespace dbprobe::odbc {
namespace {

constexpr SQLSMALLINT kColumnNameLength = 255;

// One description per field, then one per BLOB, per declared file.
struct Registry {
    std::mutex lock;
    std::map<const void*, std::vector<ColumnDescription>> entries;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

const void* DeclarationOf(const FileDescriptor& file) {
    return file.declaration != nullptr ? file.declaration : &file;
}

// Every column of the file in statement order, with its description.
std::vector<ColumnDescription*> Columns(DriverState& file) {
    std::vector<ColumnDescription*> columns;
    for (FieldEntry& f : file.fields)
        if (f.ProducesColumn()) columns.push_back(&f.description);
    for (BlobEntry& b : file.blobs) columns.push_back(&b.description);
    return columns;
}

// The marks that field switches set belong to the description too.
void TakeMarks(const FieldEntry& field, ColumnDescription& d) {
    d.noWhere = d.noWhere || field.noWhere;
    d.binary = field.binary;
    d.zeroNotNull = field.zeroNotNull;
    if (field.access != 0) d.access = static_cast<std::uint8_t>(field.access);
}

int DescribeOne(Statement& main, SQLUSMALLINT column, ColumnDescription& d) {
    if (!d.described) {
        SQLCHAR name[kColumnNameLength + 1];
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!SQL_SUCCEEDED(DescribeColumn(main, column, name, sizeof name, &nameLength, &sqlType,
                                          &size, &digits, &nullable)))
            return main.owner->diagnostics.failure;
        d.sqlType = sqlType;
        d.columnSize = static_cast<std::int32_t>(size);
        d.decimalDigits = digits;
        d.nullable = nullable;
    }
    SQLLEN autoIncrement = 0, searchable = SQL_SEARCHABLE;
    ColumnAttribute(main, column, SQL_COLUMN_AUTO_INCREMENT, nullptr, 0, nullptr, &autoIncrement);
    ColumnAttribute(main, column, SQL_COLUMN_SEARCHABLE, nullptr, 0, nullptr, &searchable);
    if (d.access == access::Unknown)
        d.access = autoIncrement == SQL_TRUE ? access::ReadOnly : access::Writable;
    if (searchable == SQL_UNSEARCHABLE || searchable == SQL_LIKE_ONLY) d.noWhere = true;
    d.described = true;
    return 0;
}

}  // namespace

std::string ColumnList(const DriverState& file) {
    std::string list;
    auto add = [&](const std::string& name) {
        if (!list.empty()) list += ",";
        list += name;
    };
    for (const FieldEntry& f : file.fields)
        if (f.ProducesColumn()) add(f.columnName);
    for (const BlobEntry& b : file.blobs) add(b.columnName);
    return list;
}

int DescribeColumns(DriverState& file) {
    bool missing = false;
    for (const ColumnDescription* d : Columns(file)) missing = missing || !d->described;
    if (!missing) return 0;
    if (int failure = EnsureStatement(file, file.mainStatement); failure != 0) return failure;
    Statement& main = *file.mainStatement.statement;
    CloseCursor(main);
    if (!SQL_SUCCEEDED(Prepare(main, "SELECT " + ColumnList(file) + " FROM " + file.sqlTableName +
                                         " WHERE 0 = 1")))
        return file.diagnostics.failure;

    const DataSource& source = *file.dataSource;
    BindingContext context;
    context.odbc1Driver = source.capabilities.odbc1Driver;
    context.backend = source.backend;
    context.noVerify = file.options.noVerify;
    SQLUSMALLINT column = 0;
    for (FieldEntry& field : file.fields) {
        if (!field.ProducesColumn()) continue;
        TakeMarks(field, field.description);
        if (int failure = DescribeOne(main, ++column, field.description); failure != 0)
            return failure;
        if (ComputeColumnTypes(ShapeOf(field), context, field.description) != 0) {
            SetFileError(UnsignedOnOdbc1FileErrorCode(field.number), kUnsignedOnOdbc1Text);
            return err::InvalidRecordDeclaration;
        }
    }
    for (BlobEntry& blob : file.blobs) {
        if (int failure = DescribeOne(main, ++column, blob.description); failure != 0)
            return failure;
        blob.description.binary = (blob.attributes & blobattr::BINARY) != 0;
        blob.description.cType = blob.description.binary ? SQL_C_BINARY : SQL_C_CHAR;
        blob.description.typesComputed = true;
    }
    StoreDescriptions(file);
    return 0;
}

void LoadDescriptions(DriverState& file) {
    if (file.file == nullptr) return;
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    auto it = registry.entries.find(DeclarationOf(*file.file));
    if (it == registry.entries.end()) return;
    std::vector<ColumnDescription*> columns = Columns(file);
    if (it->second.size() != columns.size()) return;
    for (std::size_t i = 0; i < columns.size(); ++i) *columns[i] = it->second[i];
}

void StoreDescriptions(const DriverState& file) {
    if (file.file == nullptr) return;
    std::vector<ColumnDescription*> columns = Columns(const_cast<DriverState&>(file));
    std::vector<ColumnDescription> copy;
    copy.reserve(columns.size());
    for (const ColumnDescription* d : columns) copy.push_back(*d);
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.entries[DeclarationOf(*file.file)] = std::move(copy);
}

void ForgetDescriptions(const FileDescriptor& file) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.entries.erase(DeclarationOf(file));
}

}  // namespace dbprobe::odbc
