#include "odbc/sql/read_statement.h"

#include <algorithm>
#include <cstring>

#include "framework/platform/core/trim.h"
#include "odbc/session/backend.h"
#include "odbc/session/data_source.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/conversions.h"
#include "odbc/sql/describe.h"
#include "odbc/sql/key_sql.h"
#include "odbc/sql/record_values.h"

namespace dbprobe::odbc {
namespace {

constexpr SQLUSMALLINT kExtendedFetchFunction = 59;  // SQL_API_SQLEXTENDEDFETCH

bool IsSequence(int kind) {
    return (kind >= readkind::Forward && kind <= readkind::FromBackward) ||
           kind == readkind::FileOrder;
}

// F: the filters of a sequence without a position condition.
std::string FilterClause(const std::string& standing, const std::string& oneShot) {
    if (oneShot.empty()) return standing.empty() ? std::string() : "WHERE" + std::string(" ") + standing;
    std::string text = "WHERE" + std::string(" (") + oneShot + " )";
    if (!standing.empty()) text += " AND (" + standing + " )";
    return text;
}

std::string FirstColumn(const DriverState& file) {
    for (const FieldEntry& field : file.fields)
        if (field.ProducesColumn()) return field.columnName;
    return {};
}

bool HasBlobs(const DriverState& file) { return !file.blobs.empty(); }

// The concurrency and cursor type a statement is prepared with.
void WantedOptions(const DriverState& file, SQLUINTEGER& concurrency, SQLUINTEGER& cursorType) {
    const bool hold = file.holdTime != 0;
    concurrency = hold ? SQL_CONCUR_LOCK : SQL_CONCUR_READ_ONLY;
    cursorType = hold ? SQL_CURSOR_DYNAMIC : SQL_CURSOR_FORWARD_ONLY;
    const int backend = file.dataSource->backend;
    if ((backend == backend::SqlServer6 || backend == backend::SqlServer7) && (file.openMode & 3) != 0) {
        if (concurrency == SQL_CONCUR_READ_ONLY) concurrency = SQL_CONCUR_ROWVER;
        cursorType = SQL_CURSOR_FORWARD_ONLY;
    }
}

// A fresh statement handle: nothing bound, nothing buffered, the options
// that allocation leaves on it.
void ForgetHandle(const DriverState& file, ReadStatement& read) {
    read.columnsBound = false;
    read.Drain();
    read.fetched = false;
    read.concurrency = SQL_CONCUR_READ_ONLY;
    read.cursorType = SQL_CURSOR_FORWARD_ONLY;
    const int backend = file.dataSource->backend;
    if ((backend == backend::SqlServer6 || backend == backend::SqlServer7) && (file.openMode & 3) != 0)
        read.concurrency = SQL_CONCUR_ROWVER;
}

// The record's columns as result columns 1, 2, ..., each bound to an array of
// `rows` elements; the duplicate test binds only the first.
void BindColumns(DriverState& file, ReadStatement& read, Statement& statement) {
    read.rows = IsSequence(read.kind) ? RowsPerFetch(file) : 1;
    SetStatementOption(statement, SQL_ROWSET_SIZE, static_cast<SQLULEN>(read.rows), false);
    read.values.assign(file.fields.size(), {});
    read.indicators.assign(file.fields.size(), {});
    read.rowStatus.assign(static_cast<std::size_t>(read.rows), 0);
    SQLUSMALLINT number = 0;
    for (std::size_t i = 0; i < file.fields.size(); ++i) {
        const FieldEntry& field = file.fields[i];
        if (!field.ProducesColumn()) continue;
        const std::int32_t width = std::max<std::int32_t>(field.binding.elementLength, 1);
        read.values[i].assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(read.rows), '\0');
        read.indicators[i].assign(static_cast<std::size_t>(read.rows), 0);
        PendingBinding b;
        b.number = ++number;
        b.cType = field.binding.cType;
        b.buffer = read.values[i].data();
        b.bufferLength = width;
        b.indicator = read.indicators[i].data();
        statement.QueueColumn(b);
        if (read.kind == readkind::Duplicate) break;
    }
    read.columnsBound = true;
}

// The fields compared with a marker, in marker order.
std::vector<int> MarkerFields(const ReadStatement& read) {
    std::vector<int> fields;
    const KeyState& key = *read.key;
    for (std::size_t i = 0; i < key.components.size(); ++i) {
        const int field = key.components[i].field;
        if (read.kind == readkind::FromForward || read.kind == readkind::FromBackward) {
            fields.push_back(field);
            if (i + 1 < key.components.size()) fields.push_back(field);
        } else if (i >= read.isNull.size() || !read.isNull[i]) {
            fields.push_back(field);
        }
    }
    return fields;
}

// Every other sequence statement of the file with an open cursor.
void CloseOtherSequences(DriverState& file, const ReadStatement& read) {
    auto close = [&](ReadStatement& other) {
        if (&other == &read || !other.slot.statement || !other.slot.statement->cursorOpen) return;
        CloseRead(file, other);
    };
    for (KeyState& key : file.keys)
        for (int kind = readkind::Forward; kind <= readkind::FromBackward; ++kind)
            close(KeyRead(key, kind));
    close(file.fileOrder);
}

// One field's element of row `row` into the record; NULL becomes the blank value.
void DeliverField(DriverState& file, ReadStatement& read, std::size_t i, std::size_t row) {
    const FieldEntry& field = file.fields[i];
    char* bytes = file.recordBuffer + field.offset;
    const std::int32_t width = std::max<std::int32_t>(field.binding.elementLength, 1);
    const bool null = read.indicators[i][row] == SQL_NULL_DATA;
    file.nullIndicators[i] = null ? -1 : 0;
    if (null) {
        const bool spaces = field.type == kind::STRING && !field.timestamp;
        std::memset(bytes, spaces ? ' ' : '\0', static_cast<std::size_t>(field.size));
        return;
    }
    if (field.binding.Direct())
        std::memcpy(bytes, read.values[i].data() + row * static_cast<std::size_t>(width),
                    static_cast<std::size_t>(field.size));
    BufferToField(field.binding, read.values[i].data(), width, row, false, bytes);
}

// Takes the next block when the buffer is empty: 0 with rows, 33 without.
int Refill(DriverState& file, ReadStatement& read) {
    if (read.next < read.held) return 0;
    Statement& statement = *read.slot.statement;
    read.Drain();
    read.fetched = true;
    SQLRETURN rc;
    if (read.rows <= 1) {
        rc = Fetch(statement);
        if (SQL_SUCCEEDED(rc)) read.held = 1;
    } else {
        SQLULEN rows = 0;
        rc = ExtendedFetch(statement, SQL_FETCH_NEXT, 0, &rows, read.rowStatus.data(),
                           file.options.ignoreTruncation);
        if (SQL_SUCCEEDED(rc)) read.held = std::min<SQLULEN>(rows, static_cast<SQLULEN>(read.rows));
    }
    if (rc == SQL_NO_DATA) return err::RecordNotAvailable;
    if (!SQL_SUCCEEDED(rc)) return MapResult(file, file.diagnostics.failure != 0 ? file.diagnostics.failure : -1);
    return read.held > 0 ? 0 : err::RecordNotAvailable;
}

}  // namespace

ReadStatement& KeyRead(KeyState& key, int kind) { return key.reads[static_cast<std::size_t>(kind - 2)]; }

int RowsPerFetch(const DriverState& file) {
    if (HasBlobs(file) || file.options.rowsPerFetch <= 1) return 1;
    if (file.dataSource && file.dataSource->capabilities.functions[kExtendedFetchFunction] == 0) return 1;
    return file.options.rowsPerFetch;
}

SQLUSMALLINT BlobColumn(const DriverState& file, int blobIndex) {
    int columns = 0;
    for (const FieldEntry& field : file.fields)
        if (field.ProducesColumn()) ++columns;
    return static_cast<SQLUSMALLINT>(columns + blobIndex);
}

std::string SelectText(const DriverState& file, const ReadStatement& read, std::vector<bool>& isNull) {
    const std::string& table = file.sqlTableName;
    const std::string standing = platform::TrimRight(file.options.where);
    const std::string& oneShot = read.oneShot;
    const int kind = read.kind;
    const std::string cols = kind == readkind::Duplicate ? FirstColumn(file) : ColumnList(file);
    std::string text = "SELECT " + cols + " FROM " + table + " ";
    isNull.clear();
    switch (kind) {
        case readkind::FileOrder:
            return text + FilterClause(standing, oneShot);
        case readkind::Forward:
        case readkind::Backward:
            return text + FilterClause(standing, oneShot) + " ORDER BY " +
                   OrderList(file, *read.key, kind == readkind::Forward);
        case readkind::FromForward:
        case readkind::FromBackward: {
            const bool forward = kind == readkind::FromForward;
            text += "WHERE" + PositionCondition(file, *read.key, forward);
            if (!oneShot.empty()) text += " AND (" + oneShot + " )";
            if (!standing.empty()) text += " AND (" + standing + " )";
            return text + " ORDER BY " + OrderList(file, *read.key, forward);
        }
        default:
            text += "WHERE" + EqualityCondition(file, *read.key, file.read.keyScratch.data(),
                                                file.read.scratchNulls, isNull);
            if (!standing.empty()) text += " AND (" + standing + ")";
            return text;
    }
}

int ExecuteRead(DriverState& file, ReadStatement& read) {
    const bool fresh = !read.slot.statement;
    if (int failure = EnsureStatement(file, read.slot); failure != 0) return MapResult(file, failure);
    if (fresh) ForgetHandle(file, read);
    if (int code = DescribeColumns(file); code != 0) return MapResult(file, code);
    if (int code = ChooseBindings(file); code != 0) return code;
    Statement& statement = *read.slot.statement;

    const std::string oneShot = platform::TrimRight(file.options.oneShotWhere);
    if (oneShot != read.oneShot) {
        CloseRead(file, read);
        statement.prepared = false;
        read.oneShot = oneShot;
    }
    std::vector<bool> isNull;
    const std::string text = SelectText(file, read, isNull);
    // A new IS NULL pattern, key or filter is a new text.
    if (statement.prepared && text != read.text) statement.prepared = false;
    if (!statement.prepared) {
        read.isNull = isNull;
        read.text = text;
        SQLUINTEGER concurrency = 0, cursorType = 0;
        WantedOptions(file, concurrency, cursorType);
        if (concurrency != read.concurrency) {
            SetStatementOption(statement, SQL_CONCURRENCY, concurrency, false);
            read.concurrency = concurrency;
        }
        if (cursorType != read.cursorType) {
            SetStatementOption(statement, SQL_CURSOR_TYPE, cursorType, false);
            read.cursorType = cursorType;
        }
        CloseRead(file, read);
        if (!SQL_SUCCEEDED(Prepare(statement, text))) return MapResult(file, file.diagnostics.failure);
        statement.prepared = true;
        if (!read.columnsBound) BindColumns(file, read, statement);
    }
    if (read.kind != readkind::Forward && read.kind != readkind::Backward &&
        read.kind != readkind::FileOrder)
        QueueFieldParameters(file, statement, MarkerFields(read), file.read.keyScratch.data(),
                             file.read.scratchNulls, read.parameters, 1);

    if (IsSequence(read.kind)) CloseOtherSequences(file, read);
    if (statement.cursorOpen) CloseRead(file, read);
    read.Drain();
    read.fetched = false;
    if (!SQL_SUCCEEDED(ExecutePrepared(statement))) return MapResult(file, file.diagnostics.failure);
    return 0;
}

int FetchRow(DriverState& file, ReadStatement& read) {
    if (!read.slot.statement) return err::RecordNotAvailable;
    if (int code = Refill(file, read); code != 0) return code;
    const std::size_t row = read.next++;
    for (std::size_t i = 0; i < file.fields.size(); ++i)
        if (file.fields[i].ProducesColumn()) DeliverField(file, read, i, row);
    // BLOB values are read only when asked for.
    for (BlobEntry& blob : file.blobs) {
        blob.size = -1;
        blob.contents.clear();
        blob.contents.shrink_to_fit();
        blob.changed = false;
    }
    if (read.key != nullptr)
        TakeKeyValues(file, *read.key, file.recordBuffer, file.nullIndicators, read.key->values);
    StoreImage(file, file.nullIndicators);
    RefreshSavedKeys(file);
    file.read.blobSource = &read;
    file.read.deleted = false;
    return 0;
}

int FetchAny(DriverState& file, ReadStatement& read) {
    if (!read.slot.statement) return err::RecordNotAvailable;
    return Refill(file, read);
}

void CloseRead(DriverState& file, ReadStatement& read) {
    if (read.slot.statement && read.slot.statement->cursorOpen) CloseCursor(*read.slot.statement);
    read.Drain();
    if (file.read.blobSource == &read) file.read.blobSource = nullptr;
}

}  // namespace dbprobe::odbc
