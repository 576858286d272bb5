#pragma once
// Attaching the driver's state to a declared file and checking the declaration.

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

// Phase A: a fresh driver state, linked with the descriptor both ways, holding
// copies of the descriptor's name, owner and driver string.
DriverState& AttachPhaseA(FileDescriptor& file);

// Phase B, also used to rebuild: the field, key and BLOB tables from the
// declaration. Returns 0, or the error code of a refused declaration (with the
// file error set for error 47). The caller frees the state on failure.
int AttachPhaseB(FileDescriptor& file, DriverState& state, bool rebuild);

// The driver's copies of name, owner and driver string, by the text rule.
void CopyDescriptorTexts(const FileDescriptor& file, DriverState& state);

// While the file is closed: the texts again from the descriptor, each unless
// it was set through SET_PROPERTY or the descriptor's field has no length.
void RefreshDescriptorTexts(const FileDescriptor& file, DriverState& state);

}  // namespace dbprobe::odbc
