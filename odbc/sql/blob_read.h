#pragma once
// The reading side of BLOBs: values fetched on demand from the current row of
// the statement that read it, and the operations that ask for them.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

// Reads a BLOB that is not read (size -1) from the BLOB source statement's
// current row. Without a source nothing is read and the BLOB stays not read.
// Returns 0 or the error code of a failed read.
int ReadBlobValue(DriverState& file, BlobEntry& blob);

// The BLOB's size, read first when needed; 0 when it cannot be read.
std::int64_t BlobSize(DriverState& file, BlobEntry& blob);

// BLOB_SIZE: numbers[0] the BLOB number; the size is the result value.
int BlobSizeOperation(OperationContext& ctx);
// BLOB_YIELD: numbers: BLOB number, first and last byte (0-based,
// inclusive); the bytes held go back as the text result.
int YieldBlobSlice(OperationContext& ctx);
// BLOB_GET_PROP: numbers[0] the BLOB number; the property on the text stack.
int GetBlobProperty(OperationContext& ctx);

}  // namespace dbprobe::odbc
