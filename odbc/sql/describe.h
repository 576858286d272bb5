#pragma once
// Learning the real column types from the server, and the process-wide
// registry that keeps them once per declared file.

#include <string>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

// "col,col,...": the columns of the fields that produce one, then the BLOBs.
std::string ColumnList(const DriverState& file);

// Describes every field and BLOB of a connected file whose description is
// missing, through "SELECT <columns> FROM <table> WHERE 0 = 1" prepared (not
// executed) on the main statement. Returns 0 or the error code; a refused
// ULONG on an ODBC 1.x driver gives 47 with its file error.
int DescribeColumns(DriverState& file);

// Copies the registry's descriptions of the file's declaration into the file
// (every instance of a declared file does this when it opens it).
void LoadDescriptions(DriverState& file);

// Writes the file's descriptions back to the registry (after an option
// changed one).
void StoreDescriptions(const DriverState& file);

// Drops the declaration's registry entry (DESTROY of the file's last instance).
void ForgetDescriptions(const FileDescriptor& file);

}  // namespace dbprobe::odbc
