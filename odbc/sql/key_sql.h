#pragma once
// The SQL pieces of a key (order lists, position condition, equality
// condition), its value buffers, and the position buffer that POSITIONkey
// hands out and RESETkey, REGETfile and REGETkey take back.

#include <string>
#include <string_view>
#include <vector>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

// Sum of (field size + 1) over the key's components.
std::int32_t KeyValueLength(const DriverState& file, const KeyState& key);

// "A,B DESC " style: the key's order with every component's own direction
// (ascending) or with every direction swapped (descending).
std::string OrderList(const DriverState& file, const KeyState& key, bool ascending);

// The position condition with its operators: " (A >= ? AND (A > ? OR (B >= ? )))"
// forwards; backwards with "<=" and "<". A component that is not last is
// compared twice, so it has two markers.
std::string PositionCondition(const DriverState& file, const KeyState& key, bool forward);

// The equality condition over `record` and `nulls`: " A = ? AND B IS NULL "
// (IS NULL for a component whose null indicator is -1 and whose value is
// blank). `isNull` receives which components were compared with IS NULL.
std::string EqualityCondition(const DriverState& file, const KeyState& key, const char* record,
                              const std::vector<std::int64_t>& nulls, std::vector<bool>& isNull);

// Copies the key's component values of `record` into `values` (each followed
// by a byte: 1 when its null indicator is -1).
void TakeKeyValues(const DriverState& file, const KeyState& key, const char* record,
                   const std::vector<std::int64_t>& nulls, std::vector<char>& values);
// Puts values taken by TakeKeyValues back into a record's component fields.
void PutKeyValues(const DriverState& file, const KeyState& key, const std::vector<char>& values,
                  char* record);
// The key's values and null state of the record buffer into the key scratch
// record (and the key's value buffer).
void KeyToScratch(DriverState& file, KeyState& key);

// After a row was read or written: the saved key values of every unique key
// from the record image (only when the file has a primary key).
void RefreshSavedKeys(DriverState& file);

// The position of the current row for `key`, from the record image.
std::string EncodePosition(const DriverState& file, const KeyState& key);

// Checks a position for `key` and decodes it: the values and null markers
// into the key scratch record (the record buffer is left alone).
// Returns 0 or 78; what was wrong goes to the trace when details are on.
int DecodePosition(DriverState& file, const KeyState& key, std::string_view position);

// The primary key values of a position for `key`, or its own values when it
// has no primary key block (for comparing two positions' rows).
std::string_view PositionRow(const DriverState& file, const KeyState& key, std::string_view position);

}  // namespace dbprobe::odbc
