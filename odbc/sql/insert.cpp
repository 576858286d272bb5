#include "odbc/sql/insert.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "odbc/session/data_source.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/conversions.h"
#include "odbc/sql/describe.h"

namespace dbprobe::odbc {
namespace {

// The file's ZEROISNULL / ZERODATE options as the conversion layer takes them.
ZeroDate ZeroDateOf(const FileOptions& options) {
    ZeroDate z;
    if (options.zeroIsNull) return z;
    if (options.zeroDate == 0) {
        z.mode = ZeroDate::Mode::AsIs;
        return z;
    }
    // yyyymmdd; 1 stands for 0001-01-01.
    const long date = options.zeroDate == 1 ? 10101 : options.zeroDate;
    z.mode = ZeroDate::Mode::Configured;
    z.year = static_cast<int>(date / 10000);
    z.month = static_cast<int>(date / 100 % 100);
    z.day = static_cast<int>(date % 100);
    return z;
}

bool Writable(const FieldEntry& field) {
    return field.ProducesColumn() && field.description.access != access::ReadOnly;
}

// Chooses each column's binding and sizes its exchange buffer, once.
int ChooseBindings(DriverState& file) {
    const DataSource& source = *file.dataSource;
    BindingContext context;
    context.odbc1Driver = source.capabilities.odbc1Driver;
    context.backend = source.backend;
    context.noVerify = file.options.noVerify;
    for (FieldEntry& field : file.fields) {
        if (!field.ProducesColumn() || field.bindingChosen) continue;
        if (int code = ChooseBinding(ShapeOf(field), field.description, context, field.binding);
            code != 0)
            return code;
        if (!field.binding.Direct())
            field.exchange.assign(static_cast<std::size_t>(field.binding.elementLength), '\0');
        field.bindingChosen = true;
    }
    return 0;
}

// Converts every writable column into its exchange buffer and sets its bind
// indicator: -1 for NULL, SQL_NTS for text, else the byte length.
void ValuePass(DriverState& file) {
    SendSettings settings;
    settings.clipStrings = file.dataSource->clipStrings;
    settings.backend = file.dataSource->backend;
    settings.zeroDate = ZeroDateOf(file.options);
    for (std::size_t i = 0; i < file.fields.size(); ++i) {
        FieldEntry& field = file.fields[i];
        if (!Writable(field)) continue;
        const char* bytes = file.recordBuffer + field.offset;
        const bool markedNull = file.nullIndicators[i] == -1;
        char* buffer = field.exchange.empty() ? nullptr : field.exchange.data();
        const bool null = PrepareParameter(ShapeOf(field), field.binding, field.description, bytes,
                                           markedNull, settings, buffer,
                                           field.binding.elementLength, 0);
        field.bindIndicator = ParameterLength(field.binding, ParameterUse::Input, null);
    }
}

std::string InsertText(const DriverState& file) {
    std::string columns, markers;
    auto add = [&](const std::string& name) {
        if (!columns.empty()) {
            columns += ",";
            markers += ",";
        }
        columns += name;
        markers += "?";
    };
    for (const FieldEntry& field : file.fields)
        if (Writable(field)) add(field.columnName);
    for (const BlobEntry& blob : file.blobs) add(blob.columnName);
    return "INSERT INTO " + file.sqlTableName + " (" + columns + ") VALUES (" + markers + ")";
}

// An input parameter for a column: its types from the description.
PendingBinding ColumnParameter(const FieldEntry& field, SQLUSMALLINT number, SQLPOINTER buffer,
                               SQLLEN bufferLength, SQLLEN* indicator) {
    PendingBinding b;
    b.number = number;
    b.cType = field.binding.cType;
    b.sqlType = field.description.sqlType;
    b.precision = static_cast<SQLULEN>(field.description.columnSize);
    b.scale = field.description.decimalDigits;
    b.buffer = buffer;
    b.bufferLength = bufferLength;
    b.indicator = indicator;
    return b;
}

void QueueParameters(DriverState& file, Statement& insert) {
    SQLUSMALLINT number = 0;
    for (FieldEntry& field : file.fields) {
        if (!Writable(field)) continue;
        SQLPOINTER buffer = field.exchange.empty()
                                ? static_cast<SQLPOINTER>(file.recordBuffer + field.offset)
                                : static_cast<SQLPOINTER>(field.exchange.data());
        insert.QueueParameter(ColumnParameter(field, ++number, buffer, field.binding.elementLength,
                                              &field.bindIndicator));
    }
    for (BlobEntry& blob : file.blobs) {
        blob.bindIndicator =
            blob.size > 0 ? SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(blob.size)) : SQL_NULL_DATA;
        PendingBinding b;
        b.number = ++number;
        b.cType = blob.description.cType;
        b.sqlType = blob.description.sqlType;
        b.buffer = &blob;  // comes back from SQLParamData as the token
        b.indicator = &blob.bindIndicator;
        insert.QueueParameter(b);
    }
}

// Sends each BLOB the server asks for, whole, in one SQLPutData.
SQLRETURN SendBlobs(Statement& insert, SQLRETURN rc) {
    while (rc == SQL_NEED_DATA) {
        SQLPOINTER token = nullptr;
        rc = ParamData(insert, &token);
        if (rc != SQL_NEED_DATA) break;
        auto* blob = static_cast<BlobEntry*>(token);
        if (!(blob->attributes & blobattr::BINARY)) {
            // A text value goes out with its terminating zero byte.
            blob->contents.resize(static_cast<std::size_t>(blob->size));
            blob->contents.push_back('\0');
            blob->size += 1;
        }
        rc = PutData(insert, blob->contents.data(), static_cast<SQLLEN>(blob->size));
        if (!SQL_SUCCEEDED(rc)) break;
        rc = SQL_NEED_DATA;
    }
    return rc;
}

std::int32_t ElementWidth(const FieldEntry& field) {
    return field.exchange.empty() ? field.size : field.binding.elementLength;
}

// Copies the converted row into element `row` of every column's arrays.
void BufferRow(DriverState& file, int row) {
    for (FieldEntry& field : file.fields) {
        if (!Writable(field)) continue;
        const std::int32_t width = ElementWidth(field);
        char* to = field.batchValues.data() + static_cast<std::size_t>(row) * width;
        const char* from =
            field.exchange.empty() ? file.recordBuffer + field.offset : field.exchange.data();
        SQLLEN& indicator = field.batchIndicators[static_cast<std::size_t>(row)];
        if (field.bindIndicator == SQL_NULL_DATA) {
            indicator = SQL_NULL_DATA;
        } else if (field.bindIndicator == SQL_NTS) {
            // Zero-terminated text is stored blank-padded with its length.
            const std::size_t length = strnlen(from, static_cast<std::size_t>(width));
            std::memset(to, ' ', static_cast<std::size_t>(width));
            std::memcpy(to, from, std::min<std::size_t>(length, static_cast<std::size_t>(width - 1)));
            indicator = width - 1;
        } else {
            std::memcpy(to, from, static_cast<std::size_t>(width));
            indicator = width;
        }
    }
}

void StoreImage(DriverState& file) {
    std::memcpy(file.recordImage.data(), file.recordBuffer, static_cast<std::size_t>(file.recordSize));
    for (std::size_t i = 0; i < file.fields.size(); ++i)
        file.imageNullIndicators[i] = file.fields[i].bindIndicator == SQL_NULL_DATA ? -1 : 0;
}

int AddToBatch(DriverState& file) {
    const int rows = file.options.batchSize;
    if (file.batchRows != rows) {
        for (FieldEntry& field : file.fields) {
            if (!Writable(field)) continue;
            field.batchValues.assign(static_cast<std::size_t>(rows) * ElementWidth(field), '\0');
            field.batchIndicators.assign(static_cast<std::size_t>(rows), 0);
        }
        file.batchRows = rows;
        file.batchFilled = 0;
    }
    BufferRow(file, file.batchFilled);
    StoreImage(file);
    if (++file.batchFilled < rows) return 0;
    return SendBatch(file);
}

}  // namespace

int SendBatch(DriverState& file) {
    if (file.batchFilled == 0) return 0;
    const SQLULEN rows = static_cast<SQLULEN>(file.batchFilled);
    file.batchFilled = 0;
    if (int failure = EnsureStatement(file, file.insertStatement); failure != 0)
        return MapResult(file, failure);
    Statement& insert = *file.insertStatement.statement;
    if (!insert.batch) {
        CloseCursor(insert);
        insert.prepared = false;
        if (!SQL_SUCCEEDED(Prepare(insert, InsertText(file))))
            return MapResult(file, file.diagnostics.failure);
        insert.prepared = true;
        insert.batch = true;
    }
    SQLUSMALLINT number = 0;
    for (FieldEntry& field : file.fields) {
        if (!Writable(field)) continue;
        insert.QueueParameter(ColumnParameter(field, ++number, field.batchValues.data(),
                                              ElementWidth(field), field.batchIndicators.data()));
    }
    ParamOptions(insert, rows, &file.batchProcessed);
    if (!SQL_SUCCEEDED(ExecutePrepared(insert))) return MapResult(file, file.diagnostics.failure);
    return 0;
}

int InsertRecord(OperationContext& ctx) {
    DriverState& file = ctx.state;
    if (int failure = EnsureStatement(file, file.insertStatement); failure != 0)
        return MapResult(file, failure);
    if (int code = DescribeColumns(file); code != 0) return MapResult(file, code);
    if (int code = ChooseBindings(file); code != 0) return code;
    ValuePass(file);
    // A batch INSERT has no parameter for a BLOB, so a file with BLOBs keeps
    // inserting row by row whatever batch size is set.
    if (file.options.batchSize > 0 && file.blobs.empty()) return AddToBatch(file);

    Statement& insert = *file.insertStatement.statement;
    if (insert.batch) {
        CloseCursor(insert);
        insert.prepared = false;
        insert.batch = false;
    }
    QueueParameters(file, insert);
    if (!insert.prepared) {
        if (!SQL_SUCCEEDED(Prepare(insert, InsertText(file))))
            return MapResult(file, file.diagnostics.failure);
        insert.prepared = true;
    }
    SQLRETURN rc = ExecutePrepared(insert);
    rc = SendBlobs(insert, rc);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) return MapResult(file, file.diagnostics.failure != 0 ? file.diagnostics.failure : -1);

    // The row as written: the record image finds it again for DELETE and PUT.
    StoreImage(file);
    return 0;
}

}  // namespace dbprobe::odbc
