#pragma once
// Moving a field's value between its record bytes and element `row` of its
// exchange buffer, and deciding whether a value is sent as NULL.

#include <cstddef>
#include <cstdint>

#include "odbc/sql/column_types.h"

namespace dbprobe::odbc {

// DATE storage: day, month, then the year as a 16-bit little-endian integer.
struct DateValue {
    int day = 0;
    int month = 0;
    int year = 0;
};
// TIME storage: hundredths, seconds, minutes, hours, one byte each.
struct TimeValue {
    int hundredths = 0;
    int seconds = 0;
    int minutes = 0;
    int hours = 0;
};

DateValue ReadDate(const char* bytes);
void WriteDate(const DateValue& date, char* bytes);
TimeValue ReadTime(const char* bytes);
void WriteTime(const TimeValue& time, char* bytes);

// Converts the field's record bytes into element `row` of `buffer`, whose
// elements are `elementLength` bytes apart (normally binding.elementLength;
// a text is cut to it). A field bound directly needs nothing (and `buffer`
// may be null).
void FieldToBuffer(const FieldBinding& binding, const char* field, char* buffer,
                   std::int32_t elementLength, std::size_t row, bool clipStrings);

// Converts element `row` of `buffer` into the field's record bytes. `null`:
// the server sent NULL; only a STRING on a character column reads it (it
// becomes blanks); the caller clears the other kinds.
void BufferToField(const FieldBinding& binding, const char* buffer, std::int32_t elementLength,
                   std::size_t row, bool null, char* field);

// How a zero DATE (and the date part of a timestamp) goes to the server.
struct ZeroDate {
    enum class Mode { Null, AsIs, Configured };
    Mode mode = Mode::Null;
    int year = 0;  // Configured: stands in for a zero year, month, day each
    int month = 0;
    int day = 0;
};

struct SendSettings {
    bool clipStrings = true;
    int backend = 0;  // backend::
    ZeroDate zeroDate;
};

// The stored value counts as empty: all blanks for a STRING, all zero bytes or
// all blanks for a timestamp, an empty string for a CSTRING, value zero for a
// DECIMAL or PDECIMAL (a cleared field and a written zero alike), all zero
// bytes for the other kinds.
bool IsEmptyValue(const FieldShape& field, const char* bytes);

// Whether the field goes as NULL (SQL_NULL_DATA). Only an empty value can:
// when the record layer marked it NULL, when it is a zero DATE, TIME or
// timestamp in the zero-is-NULL mode without ZERONOTNULL, when it is a STRING
// or CSTRING on the Access backend, or a CSTRING on an SQL_DECIMAL or
// timestamp column.
bool SendsAsNull(const FieldShape& field, const ColumnDescription& column, const char* bytes,
                 bool markedNull, const SendSettings& settings);

// In the configured-date mode, replaces a zero year, month or day of a DATE or
// timestamp in element `row` by the configured one.
void ApplyZeroDate(const FieldBinding& binding, const ZeroDate& zeroDate, char* buffer,
                   std::int32_t elementLength, std::size_t row);

// Everything that happens to a field about to be sent: the conversion into
// its element, the configured date, and the NULL decision (the return value).
bool PrepareParameter(const FieldShape& field, const FieldBinding& binding,
                      const ColumnDescription& column, const char* bytes, bool markedNull,
                      const SendSettings& settings, char* buffer, std::int32_t elementLength,
                      std::size_t row);

}  // namespace dbprobe::odbc
