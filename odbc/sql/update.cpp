#include "odbc/sql/update.h"

#include <cstring>

#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/describe.h"
#include "odbc/sql/insert.h"
#include "odbc/sql/key_sql.h"
#include "odbc/sql/read_statement.h"
#include "odbc/sql/record_values.h"

namespace dbprobe::odbc {
namespace {

std::string StandingFilter(const DriverState& file) {
    const std::string& w = file.options.where;
    const std::size_t end = w.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : " AND (" + w.substr(0, end + 1) + ")";
}

// " WHERE" and the key's condition over the record image; the key's values
// (loaded into the scratch record by the caller) are queued from `first`.
std::string WhereOfImage(DriverState& file, const KeyState& key, Statement& statement,
                         ParameterSet& set, SQLUSMALLINT first) {
    std::vector<bool> isNull;
    const std::string text = " WHERE" +
                             EqualityCondition(file, key, file.recordImage.data(),
                                               file.imageNullIndicators, isNull) +
                             StandingFilter(file);
    std::vector<int> fields;
    for (std::size_t i = 0; i < key.components.size(); ++i)
        if (!isNull[i]) fields.push_back(key.components[i].field);
    QueueFieldParameters(file, statement, fields, file.read.keyScratch.data(),
                         file.imageNullIndicators, set, first);
    return text;
}

int Failed(DriverState& file) {
    return MapResult(file, file.diagnostics.failure != 0 ? file.diagnostics.failure : -1);
}

bool Differs(const DriverState& file, std::size_t i) {
    const FieldEntry& field = file.fields[i];
    if ((file.nullIndicators[i] == -1) != (file.imageNullIndicators[i] == -1)) return true;
    return std::memcmp(file.recordBuffer + field.offset, file.recordImage.data() + field.offset,
                       static_cast<std::size_t>(field.size)) != 0;
}

bool RecordUnchanged(const DriverState& file) {
    return std::memcmp(file.recordBuffer, file.recordImage.data(),
                       static_cast<std::size_t>(file.recordSize)) == 0 &&
           file.nullIndicators == file.imageNullIndicators;
}

bool HasNoWhereColumn(const DriverState& file) {
    for (const FieldEntry& field : file.fields)
        if (field.ProducesColumn() && field.description.noWhere) return true;
    return false;
}

// What a re-read of the row would overwrite.
struct SavedRow {
    std::vector<char> record;
    std::vector<char> image;
    std::vector<std::int64_t> nulls;
    std::vector<std::int64_t> imageNulls;
    std::vector<SQLLEN> bindIndicators;
    std::vector<BlobEntry> blobs;
    ReadStatement* blobSource = nullptr;
    std::vector<char> keyValues;
};

SavedRow Save(const DriverState& file, const KeyState& key) {
    SavedRow s;
    s.record.assign(file.recordBuffer, file.recordBuffer + file.recordSize);
    s.image = file.recordImage;
    s.nulls = file.nullIndicators;
    s.imageNulls = file.imageNullIndicators;
    for (const FieldEntry& field : file.fields) s.bindIndicators.push_back(field.bindIndicator);
    s.blobs = file.blobs;
    s.blobSource = file.read.blobSource;
    s.keyValues = key.values;
    return s;
}

void Restore(DriverState& file, KeyState& key, SavedRow& s) {
    std::memcpy(file.recordBuffer, s.record.data(), s.record.size());
    file.recordImage = std::move(s.image);
    file.nullIndicators = std::move(s.nulls);
    file.imageNullIndicators = std::move(s.imageNulls);
    for (std::size_t i = 0; i < file.fields.size(); ++i) file.fields[i].bindIndicator = s.bindIndicators[i];
    file.blobs = std::move(s.blobs);
    file.read.blobSource = s.blobSource;
    key.values = std::move(s.keyValues);
    RefreshSavedKeys(file);
}

// A watched row whose table has a column that cannot be compared in a
// WHERE: read it again by its primary key and compare it with the image.
bool ChangedOnServer(DriverState& file, KeyState& primary) {
    SavedRow saved = Save(file, primary);
    KeyToScratch(file, primary);
    ReadStatement& read = KeyRead(primary, readkind::Equal);
    int code = ExecuteRead(file, read);
    if (code == 0) code = FetchRow(file, read);
    const bool changed = code != 0 || std::memcmp(file.recordBuffer, saved.image.data(),
                                                  saved.image.size()) != 0;
    Restore(file, primary, saved);
    return changed;
}

// The "All" key without the columns the server cannot compare (the re-read
// has compared them).
KeyState ComparableAllKey(const DriverState& file) {
    KeyState key;
    key.label = file.allKey.label;
    for (const KeyComponent& c : file.allKey.components)
        if (!file.fields[static_cast<std::size_t>(c.field)].description.noWhere) key.components.push_back(c);
    return key;
}

void ClearBlobMarks(DriverState& file) {
    for (BlobEntry& blob : file.blobs) blob.changed = false;
}

int Put(DriverState& file) {
    KeyState* primary = file.PrimaryKey();
    if (primary == nullptr) return err::UnsupportedFunction;
    bool blobChanged = false;
    for (const BlobEntry& blob : file.blobs) blobChanged = blobChanged || blob.changed;
    if (RecordUnchanged(file) && !blobChanged) return 0;

    if (int failure = EnsureStatement(file, file.updateStatement); failure != 0)
        return MapResult(file, failure);
    if (int code = DescribeColumns(file); code != 0) return MapResult(file, code);
    if (int code = ChooseBindings(file); code != 0) return code;
    ValuePass(file);
    const bool watched = (file.stateFlags & flag::Watched) != 0;
    if (watched && HasNoWhereColumn(file) && ChangedOnServer(file, *primary))
        return err::RecordChangedByAnotherStation;

    Statement& update = *file.updateStatement.statement;
    std::string text = "UPDATE " + file.sqlTableName + " SET";
    SQLUSMALLINT number = 0;
    bool first = true;
    for (std::size_t i = 0; i < file.fields.size(); ++i) {
        FieldEntry& field = file.fields[i];
        if (!Writable(field) || !Differs(file, i)) continue;
        text += first ? " " : ", ";
        first = false;
        if (file.nullIndicators[i] == -1 && IsEmptyValue(ShapeOf(field), file.recordBuffer + field.offset)) {
            text += field.columnName + " = NULL";
            continue;
        }
        text += field.columnName + " = " + "?";
        QueueValueParameter(file, field, update, ++number);
    }
    for (BlobEntry& blob : file.blobs) {
        if (!blob.changed) continue;
        text += first ? " " : ",";
        first = false;
        if (blob.size < 0) blob.size = 0;
        QueueBlobParameter(blob, update, ++number);
        text += blob.columnName + " = " + "?";
    }
    if (first) return 0;

    // Watched: the row must still hold every value it had when it was read.
    KeyState all;
    if (watched) all = ComparableAllKey(file);
    KeyState& key = watched ? all : *primary;
    const std::vector<char> keptValues = key.values;
    if (watched)
        TakeKeyValues(file, key, file.recordImage.data(), file.imageNullIndicators, key.values);
    else
        key.values = key.savedValues;
    PutKeyValues(file, key, key.values, file.read.keyScratch.data());
    text += WhereOfImage(file, key, update, file.updateParameters, static_cast<SQLUSMALLINT>(number + 1));

    update.prepared = false;
    if (!SQL_SUCCEEDED(Prepare(update, text))) return Failed(file);
    SQLRETURN rc = SendBlobs(update, ExecutePrepared(update));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) return Failed(file);
    if (watched) {
        SQLLEN rows = 0;
        if (!SQL_SUCCEEDED(RowCount(update, &rows))) return Failed(file);
        if (rows == 0) return err::RecordChangedByAnotherStation;
    }
    key.values = keptValues;
    StoreImage(file, SentNulls(file));
    RefreshSavedKeys(file);
    return 0;
}

}  // namespace

int DeleteRecord(OperationContext& ctx) {
    DriverState& file = ctx.state;
    KeyState* primary = file.PrimaryKey();
    if (primary == nullptr) return err::UnsupportedFunction;
    if (int failure = EnsureStatement(file, file.deleteStatement); failure != 0)
        return MapResult(file, failure);
    if (int code = DescribeColumns(file); code != 0) return MapResult(file, code);
    if (int code = ChooseBindings(file); code != 0) return code;
    Statement& statement = *file.deleteStatement.statement;

    // The row as it was read or written, whatever the buffer holds now.
    const std::vector<char> kept = primary->values;
    primary->values = primary->savedValues;
    PutKeyValues(file, *primary, primary->values, file.read.keyScratch.data());
    const std::string text = "DELETE FROM " + file.sqlTableName +
                             WhereOfImage(file, *primary, statement, file.deleteParameters, 1);
    // The text changes only with the IS NULL pattern (or the filter).
    if (statement.prepared && text != file.deleteText) statement.prepared = false;
    SQLRETURN rc = SQL_SUCCESS;
    if (!statement.prepared) {
        rc = Prepare(statement, text);
        if (SQL_SUCCEEDED(rc)) {
            statement.prepared = true;
            file.deleteText = text;
        }
    }
    if (SQL_SUCCEEDED(rc)) rc = ExecutePrepared(statement);
    primary->values = kept;
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) return Failed(file);
    // No row count check: a row that is gone already counts as deleted.
    std::fill(primary->values.begin(), primary->values.end(), ' ');
    file.read.deleted = true;
    return 0;
}

int PutRecord(OperationContext& ctx) {
    const int code = Put(ctx.state);
    ClearBlobMarks(ctx.state);
    return code;
}

int EmptyTable(OperationContext& ctx) {
    DriverState& file = ctx.state;
    if (int failure = EnsureStatement(file, file.mainStatement); failure != 0)
        return MapResult(file, failure);
    Statement& main = *file.mainStatement.statement;
    CloseCursor(main);
    const SQLRETURN rc = ExecuteDirect(main, "DELETE FROM " + file.sqlTableName);
    CloseCursor(main);
    return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA ? 0 : Failed(file);
}

int Watch(OperationContext& ctx) {
    ctx.state.stateFlags &= ~flag::Watched;
    return 0;
}

}  // namespace dbprobe::odbc
