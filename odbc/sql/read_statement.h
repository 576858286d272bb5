#pragma once
// The SELECT statements that read rows: their texts by kind, preparing and
// executing them, and fetching a row into the record.

#include <string>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

// The key's read statement of kind 2 to 7.
ReadStatement& KeyRead(KeyState& key, int kind);

// The statement's SELECT text. Kinds 6, 7 and 9 compare the key values in
// the key scratch record; `isNull` receives their IS NULL pattern.
std::string SelectText(const DriverState& file, const ReadStatement& read, std::vector<bool>& isNull);

// Rows per block fetch of the sequence statements: the file's setting, or 1
// when the file has BLOBs or the data source cannot fetch blocks.
int RowsPerFetch(const DriverState& file);

// Prepares the statement when needed, queues its key parameters from the key
// scratch record, closes the cursors it competes with and executes it.
// Returns 0 or the error code.
int ExecuteRead(DriverState& file, ReadStatement& read);

// Delivers the statement's next row into the record: 0, 33 at the end of the
// result, or the error code of a failed fetch.
int FetchRow(DriverState& file, ReadStatement& read);

// Whether the statement's result has a next row, without delivering it
// (the duplicate test): 0 a row, 33 none, else the error code.
int FetchAny(DriverState& file, ReadStatement& read);

// Closes the statement's cursor and forgets its buffered rows.
void CloseRead(DriverState& file, ReadStatement& read);

// The result column number of a BLOB (1-based BLOB index): after the
// record's columns.
SQLUSMALLINT BlobColumn(const DriverState& file, int blobIndex);

}  // namespace dbprobe::odbc
