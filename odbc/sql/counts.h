#pragma once
// Counting rows, testing for duplicate key values, and the fetch block size.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

int CountRecords(OperationContext& ctx);  // RECORDSfile, RECORDSkey, COUNTRECORDS, BYTES
int TestDuplicates(OperationContext& ctx);  // DUPLICATE, DUPLICATEkey
int SetBuffer(OperationContext& ctx);       // BUFFER

}  // namespace dbprobe::odbc
