#pragma once
// The driver's single entry point for record operations.

#include <cstdint>

#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/descriptor.h"

namespace dbprobe::odbc {

// Runs one record operation on a declared file. The outcome is the calling
// thread's runtime error state; the integer result is 0 for almost every
// operation (BOF/EOF: 1, QUERY_KEY: the key's number, Internal91: this entry).
std::intptr_t Dispatch(int operation, FileDescriptor* file, Arguments& args);

}  // namespace dbprobe::odbc
