#pragma once
// Driver switches: the driver string, key and field switch lists, and the
// settings they share with SEND and the numbered properties.

#include <string>
#include <string_view>
#include <vector>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

class DataSource;

// Where a switch was given. HINT and WHERE land in different places for each.
enum class SwitchOrigin {
    DriverString,  // the file's standing values
    KeyList,       // the key's own HINT and WHERE
    Command,       // SEND: WHERE is a one-shot filter
};

// The switches of a list: the first character is skipped, the rest is cut at
// every '/', and "//" stands for one '/' inside a switch. Empty pieces are
// dropped.
std::vector<std::string> SplitSwitchList(std::string_view list);

// Applies one switch given without its leading '/'. When no '=' follows the
// name the switch only reports its value. Returns the value before the change
// as text; empty for a text that names no switch. key receives HINT and WHERE
// of a key's switch list.
std::string ApplySwitch(DriverState& file, std::string_view text, SwitchOrigin origin,
                        KeyState* key = nullptr);

// Applies every switch of a list in order.
void ApplySwitchList(DriverState& file, std::string_view list, SwitchOrigin origin,
                     KeyState* key = nullptr);

// The file's driver string, on attach and at the start of CREATE and OPEN.
void ApplyDriverString(DriverState& file);

// The marks of every field from the '|' switches of its external name; counts
// the watched fields.
void ApplyFieldSwitches(DriverState& file);

// A key's SQL name (its external name up to the first '/') and its switch
// list (the rest).
void ApplyKeySwitches(DriverState& file, KeyState& key);

// A data-source setting of the file: its data source's value once connected,
// else the pending value, else the default.
long SourceSettingValue(const DriverState& file, SourceSetting setting);
// Changes the data source at once when the file has one, else keeps the value
// pending. ISOLATIONLEVEL is sent to the connections.
void SetSourceSetting(DriverState& file, SourceSetting setting, long value);

// The data source's identifier quote text (at most 4 characters), kept
// pending like the other data-source settings.
std::string IdentifierQuote(const DriverState& file);
void SetIdentifierQuote(DriverState& file, std::string_view quote);

// BUSYHANDLING on the environment: 1 to 4, anything else leaves it unset.
void SetBusyHandling(long value);

// Applies the switches a file collected before it had a data source, once it
// is connected.
void ApplyPendingSwitches(DriverState& file, DataSource& source);

// Executes text (leading blanks skipped) on the file's main statement,
// connecting first when needed. Returns the error code (0 success).
int ExecuteOnMainStatement(DriverState& file, std::string_view text);

// A decimal integer as the switches and properties read one: leading blanks,
// an optional sign, digits; anything else ends the number (none gives 0).
long DecimalValue(std::string_view text);

}  // namespace dbprobe::odbc
