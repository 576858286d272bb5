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
#include "odbc/sql/blob_read.h"
#include "odbc/sql/describe.h"
#include "odbc/sql/key_sql.h"
#include "odbc/sql/record_values.h"

namespace dbprobe::odbc {
namespace {

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

void QueueParameters(DriverState& file, Statement& insert) {
    SQLUSMALLINT number = 0;
    for (FieldEntry& field : file.fields)
        if (Writable(field)) QueueValueParameter(file, field, insert, ++number);
    for (BlobEntry& blob : file.blobs) QueueBlobParameter(blob, insert, ++number);
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

// The row as written: the record image and the saved key values find it
// again for DELETE and PUT; the BLOBs keep the values just sent.
void AfterWrite(DriverState& file) {
    StoreImage(file, SentNulls(file));
    RefreshSavedKeys(file);
    file.read.blobSource = nullptr;
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
    AfterWrite(file);
    if (++file.batchFilled < rows) return 0;
    return SendBatch(file);
}

}  // namespace

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
    // A row read but whose BLOBs were never asked for still has them on the
    // server: fetch them, so that the new row gets them too.
    for (BlobEntry& blob : file.blobs)
        if (int code = ReadBlobValue(file, blob); code != 0) return code;
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

    AfterWrite(file);
    return 0;
}

}  // namespace dbprobe::odbc
