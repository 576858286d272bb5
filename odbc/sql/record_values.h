#pragma once
// What ADD, PUT and the reads share about a record's values: the bindings of
// its columns, the value pass that converts them for sending, parameter and
// column descriptions for the statement queues, and the record image.

#include "odbc/dispatch/driver_state.h"
#include "odbc/session/statement.h"
#include "odbc/sql/conversions.h"

namespace dbprobe::odbc {

// A column the program may write: it produces a column the server did not
// report read-only.
bool Writable(const FieldEntry& field);

// Chooses each column's binding and sizes its exchange buffer, once.
int ChooseBindings(DriverState& file);

// The file's settings for values about to be sent.
SendSettings SendSettingsOf(const DriverState& file);

// Converts every writable column into its exchange buffer and sets its bind
// indicator: -1 for NULL, SQL_NTS for text, else the byte length.
void ValuePass(DriverState& file);

// An input parameter for a column: its types from the description.
PendingBinding ColumnParameter(const FieldEntry& field, SQLUSMALLINT number, SQLPOINTER buffer,
                               SQLLEN bufferLength, SQLLEN* indicator);

// Queues a column's value as the value pass left it (its exchange buffer, or
// its record bytes when bound directly) as input parameter `number`.
void QueueValueParameter(DriverState& file, FieldEntry& field, Statement& statement,
                         SQLUSMALLINT number);
// Queues a BLOB as parameter `number`: data at execution, or NULL when empty.
// The BLOB comes back from SQLParamData as the token.
void QueueBlobParameter(BlobEntry& blob, Statement& statement, SQLUSMALLINT number);

// Converts the values of `fields` (field indexes, in marker order) in
// `record` into the set's buffers and queues them as input parameters
// numbered from `first`. `nulls` marks the values that were NULL.
void QueueFieldParameters(DriverState& file, Statement& statement, const std::vector<int>& fields,
                          const char* record, const std::vector<std::int64_t>& nulls,
                          ParameterSet& set, SQLUSMALLINT first);

// The null state of the row as the value pass prepared it for sending.
std::vector<std::int64_t> SentNulls(const DriverState& file);

// The record buffer as the record image, with the given null indicators.
void StoreImage(DriverState& file, const std::vector<std::int64_t>& nulls);

// Fills the record image with spaces (a direct read that found nothing).
void BlankImage(DriverState& file);

}  // namespace dbprobe::odbc
