#pragma once
// The properties of SET_PROPERTY and GET_PROPERTY (and their key forms).
// Property and value travel as texts; a property is a number or a name.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

// The driver's own numbered file properties.
namespace prop {
inline constexpr int ExecuteSql = 29184, LoginTimeout = 29186, OrderInSelect = 29190,
                     LogFileSwitch = 29218, OneShotWhere = 29219, OneShotHint = 29249,
                     IdentifierQuote = 29251, SqlText = 29252, Detach = 29253,
                     LogonScreen = 29254, SqlServerFlag = 29255, IsolationLevel = 29259,
                     MaxStatements = 29260, StatementOption = 29261,
                     TransactionIsolation = 29262, IgnoreTruncation = 29265,
                     BusyHandling = 29266, BusyMessage = 29267, BusyRetries = 29268,
                     Trace = 29272, TraceLine = 29442, TraceFile = 29443,
                     ProgressEvents = 29446, Encrypt = 29459, DriverString = 29460,
                     Owner = 29461, Name = 29462, TraceDetails = 29481, FetchBlockSize = 29505,
                     BulkInsertSize = 29506, TraceFlush = 29518;
}

// The properties every file driver shares (DriverCommonProperty): the
// runtime's view of the declaration, and BLOB contents by negative index.
// The file's label (0x7316) shares its number with the driver's own name
// property, which keeps it; a program reads the label from the declaration.
namespace commonprop {
inline constexpr int BlobCount = 0x7311, FieldCount = 0x7312, FieldName = 0x7317,
                     KeyComponents = 0x731A, KeyDuplicates = 0x731B, KeyNoCase = 0x731D,
                     KeyPrimary = 0x731E, KeyField = 0x731F, KeyAscending = 0x7320,
                     Threaded = 0x7C95, BlobContents = 0x7CBF;
}

struct PropertyRequest {
    std::string_view property;
    std::int64_t index = 0;
    KeyState* key = nullptr;               // the key of SETPROPERTYkey and GETPROPERTYkey
    std::optional<std::string_view> value;  // SET: the new value; GET: none
};

// The properties every file driver shares: what the runtime knows of the
// declaration (counts, field names, key attributes and components,
// the THREAD attribute) and the contents of a BLOB by negative index. They
// are asked first; returns true when it took the request, with result (SET)
// or answer (GET) filled in.
bool DriverCommonProperty(DriverState& file, const PropertyRequest& request, int& result,
                          std::optional<std::string>& answer);

// SET_PROPERTY: returns the error code (0 success). Unknown properties are
// ignored.
int SetPropertyValue(DriverState& file, const PropertyRequest& request);
// GET_PROPERTY: the property's value as text; empty for a property without one.
std::string PropertyValue(DriverState& file, const PropertyRequest& request);

}  // namespace dbprobe::odbc
