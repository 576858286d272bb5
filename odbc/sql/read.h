#pragma once
// The record operations that read rows: read sequences (SET family, NEXT,
// PREVIOUS, SKIP), positions (POSITION, RESET, REGET) and reads by key value.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

int SetSequence(OperationContext& ctx);  // SETfile, SETkey, SETkeykey
int ReadNext(OperationContext& ctx);     // NEXT, PREVIOUS
int Skip(OperationContext& ctx);
int Position(OperationContext& ctx);  // POSITIONfile, POSITIONkey
int ResetKey(OperationContext& ctx);
int Reget(OperationContext& ctx);      // REGETfile, REGETkey
int GetByKey(OperationContext& ctx);   // GETfilekey

}  // namespace dbprobe::odbc
