#include "odbc/sql/conversions.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "odbc/dispatch/descriptor.h"
#include "odbc/session/backend.h"
#include "odbc/sql/packed_decimal.h"

namespace dbprobe::odbc {
namespace {

constexpr SQLUINTEGER kNanosecondsPerHundredth = 10'000'000;
// Column sizes from which a timestamp carries seconds, and hundredths.
constexpr std::int32_t kSecondsAbove = 16, kFractionFrom = 20;

char* Element(char* buffer, std::int32_t elementLength, std::size_t row) {
    return buffer + row * static_cast<std::size_t>(elementLength);
}
const char* Element(const char* buffer, std::int32_t elementLength, std::size_t row) {
    return buffer + row * static_cast<std::size_t>(elementLength);
}

unsigned char Byte(const char* bytes, int index) {
    return static_cast<unsigned char>(bytes[index]);
}

bool AllBytes(const char* bytes, std::int32_t size, char value) {
    return std::all_of(bytes, bytes + std::max(size, 0), [value](char c) { return c == value; });
}

std::size_t TextLength(const char* text, std::int32_t capacity) {
    const void* nul = std::memchr(text, '\0', static_cast<std::size_t>(std::max(capacity, 0)));
    return nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - text)
                          : static_cast<std::size_t>(std::max(capacity, 0));
}

template <typename T>
T Load(const char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}
template <typename T>
void Store(const T& value, char* bytes) {
    std::memcpy(bytes, &value, sizeof value);
}

// Integers of the widened kinds: 1 or 2 bytes in the record, 2 or 4 in the buffer.
std::uint32_t LoadInteger(const char* bytes, std::int32_t size) {
    switch (size) {
        case 1: return Byte(bytes, 0);
        case 2: return Load<std::uint16_t>(bytes);
        case 4: return Load<std::uint32_t>(bytes);
    }
    return 0;
}
void StoreInteger(std::uint32_t value, char* bytes, std::int32_t size) {
    switch (size) {
        case 1: bytes[0] = static_cast<char>(value); break;
        case 2: Store(static_cast<std::uint16_t>(value), bytes); break;
        case 4: Store(value, bytes); break;
    }
}

// A timestamp that was never written holds blanks; it converts like zero.
DateValue TimestampDate(const char* bytes) {
    return AllBytes(bytes, 8, ' ') ? DateValue{} : ReadDate(bytes);
}
TimeValue TimestampTime(const char* bytes) {
    return AllBytes(bytes, 8, ' ') ? TimeValue{} : ReadTime(bytes + 4);
}

void SendTimestamp(const FieldBinding& binding, const char* field, char* element) {
    const DateValue date = TimestampDate(field);
    const TimeValue time = TimestampTime(field);
    SQL_TIMESTAMP_STRUCT value{};
    value.year = static_cast<SQLSMALLINT>(date.year);
    value.month = static_cast<SQLUSMALLINT>(date.month);
    value.day = static_cast<SQLUSMALLINT>(date.day);
    value.hour = static_cast<SQLUSMALLINT>(time.hours);
    value.minute = static_cast<SQLUSMALLINT>(time.minutes);
    if (binding.timestampSize > kSecondsAbove) {
        value.second = static_cast<SQLUSMALLINT>(time.seconds);
    }
    if (binding.timestampSize >= kFractionFrom) {
        value.fraction = static_cast<SQLUINTEGER>(time.hundredths) * kNanosecondsPerHundredth;
    }
    Store(value, element);
}

void ReceiveTimestamp(const FieldBinding& binding, const char* element, char* field) {
    const auto value = Load<SQL_TIMESTAMP_STRUCT>(element);
    WriteDate({value.day, value.month, value.year}, field);
    TimeValue time{0, 0, value.minute, value.hour};
    if (binding.timestampSize > kSecondsAbove) time.seconds = value.second;
    if (binding.timestampSize >= kFractionFrom) {
        time.hundredths = static_cast<int>(value.fraction / kNanosecondsPerHundredth);
    }
    WriteTime(time, field + 4);
}

void SendText(const FieldBinding& binding, const char* field, char* element,
              std::int32_t elementLength, bool clipStrings) {
    if (elementLength <= 0) return;
    std::size_t length = static_cast<std::size_t>(std::max(binding.fieldSize, 0));
    if (clipStrings) {
        while (length > 0 && field[length - 1] == ' ') --length;
    }
    length = std::min(length, static_cast<std::size_t>(elementLength) - 1);
    std::memcpy(element, field, length);
    element[length] = '\0';
}

void ReceiveText(const FieldBinding& binding, const char* element, std::int32_t elementLength,
                 bool null, char* field) {
    const auto size = static_cast<std::size_t>(std::max(binding.fieldSize, 0));
    const std::size_t length = null ? 0 : std::min(TextLength(element, elementLength), size);
    std::memcpy(field, element, length);
    std::memset(field + length, ' ', size - length);
}

NumberPicture PictureOf(const FieldBinding& binding) {
    NumberPicture picture{0, binding.places};
    ParseNumberPicture(binding.numberPicture, picture);
    return picture;
}

void SendPacked(const FieldBinding& binding, const char* field, char* element,
                std::int32_t elementLength) {
    if (elementLength <= 0) return;
    std::memset(element, 0, static_cast<std::size_t>(elementLength));
    const std::string text =
        FormatPacked(field, binding.fieldSize, binding.places, PictureOf(binding));
    std::string_view value = text;
    value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
    value = value.substr(0, static_cast<std::size_t>(elementLength) - 1);
    std::memcpy(element, value.data(), value.size());
}

void ReceivePacked(const FieldBinding& binding, const char* element, std::int32_t elementLength,
                   char* field) {
    ParsePacked(std::string_view(element, TextLength(element, elementLength)), field,
                binding.fieldSize, binding.places);
}

bool IsTimestampColumn(int sqlType) {
    return sqlType == SQL_TIMESTAMP || sqlType == SQL_TYPE_TIMESTAMP;
}

}  // namespace

DateValue ReadDate(const char* bytes) {
    return {Byte(bytes, 0), Byte(bytes, 1), Byte(bytes, 2) | Byte(bytes, 3) << 8};
}

void WriteDate(const DateValue& date, char* bytes) {
    bytes[0] = static_cast<char>(date.day);
    bytes[1] = static_cast<char>(date.month);
    bytes[2] = static_cast<char>(date.year & 0xFF);
    bytes[3] = static_cast<char>((date.year >> 8) & 0xFF);
}

TimeValue ReadTime(const char* bytes) {
    return {Byte(bytes, 0), Byte(bytes, 1), Byte(bytes, 2), Byte(bytes, 3)};
}

void WriteTime(const TimeValue& time, char* bytes) {
    bytes[0] = static_cast<char>(time.hundredths);
    bytes[1] = static_cast<char>(time.seconds);
    bytes[2] = static_cast<char>(time.minutes);
    bytes[3] = static_cast<char>(time.hours);
}

void FieldToBuffer(const FieldBinding& binding, const char* field, char* buffer,
                   std::int32_t elementLength, std::size_t row, bool clipStrings) {
    if (binding.Direct()) return;
    char* element = Element(buffer, elementLength, row);
    switch (binding.conversion) {
        case Conversion::Widened:
            StoreInteger(LoadInteger(field, binding.fieldSize), element, binding.elementLength);
            break;
        case Conversion::Date: {
            const DateValue date = ReadDate(field);
            SQL_DATE_STRUCT value{};
            value.year = static_cast<SQLSMALLINT>(date.year);
            value.month = static_cast<SQLUSMALLINT>(date.month);
            value.day = static_cast<SQLUSMALLINT>(date.day);
            Store(value, element);
            break;
        }
        case Conversion::Time: {
            // The server's TIME has no hundredths.
            const TimeValue time = ReadTime(field);
            SQL_TIME_STRUCT value{};
            value.hour = static_cast<SQLUSMALLINT>(time.hours);
            value.minute = static_cast<SQLUSMALLINT>(time.minutes);
            value.second = static_cast<SQLUSMALLINT>(time.seconds);
            Store(value, element);
            break;
        }
        case Conversion::Timestamp:
            SendTimestamp(binding, field, element);
            break;
        case Conversion::Text:
            SendText(binding, field, element, elementLength, clipStrings);
            break;
        case Conversion::Bytes:
            std::memcpy(element, field,
                        static_cast<std::size_t>(std::min(binding.fieldSize, elementLength)));
            break;
        case Conversion::PackedText:
            SendPacked(binding, field, element, elementLength);
            break;
        case Conversion::None:
        case Conversion::CString:
            break;
    }
}

void BufferToField(const FieldBinding& binding, const char* buffer, std::int32_t elementLength,
                   std::size_t row, bool null, char* field) {
    if (binding.conversion == Conversion::CString) {
        // The driver wrote a NUL-terminated string; the rest of the field
        // keeps no bytes of an earlier, longer value.
        const auto size = static_cast<std::size_t>(std::max(binding.fieldSize, 0));
        const std::size_t length = TextLength(field, binding.fieldSize);
        if (length < size) std::memset(field + length, 0, size - length);
        return;
    }
    if (binding.Direct()) return;
    const char* element = Element(buffer, elementLength, row);
    switch (binding.conversion) {
        case Conversion::Widened:
            StoreInteger(LoadInteger(element, binding.elementLength), field, binding.fieldSize);
            break;
        case Conversion::Date: {
            const auto value = Load<SQL_DATE_STRUCT>(element);
            WriteDate({value.day, value.month, value.year}, field);
            break;
        }
        case Conversion::Time: {
            const auto value = Load<SQL_TIME_STRUCT>(element);
            WriteTime({0, value.second, value.minute, value.hour}, field);
            break;
        }
        case Conversion::Timestamp:
            ReceiveTimestamp(binding, element, field);
            break;
        case Conversion::Text:
            ReceiveText(binding, element, elementLength, null, field);
            break;
        case Conversion::Bytes:
            std::memcpy(field, element,
                        static_cast<std::size_t>(std::min(binding.fieldSize, elementLength)));
            break;
        case Conversion::PackedText:
            ReceivePacked(binding, element, elementLength, field);
            break;
        case Conversion::None:
        case Conversion::CString:
            break;
    }
}

bool IsEmptyValue(const FieldShape& field, const char* bytes) {
    switch (field.type) {
        case kind::STRING:
            if (field.timestamp) {
                return AllBytes(bytes, field.size, '\0') || AllBytes(bytes, field.size, ' ');
            }
            return AllBytes(bytes, field.size, ' ');
        case kind::CSTRING:
            return field.size <= 0 || bytes[0] == '\0';
        case kind::DECIMAL:
        case kind::PDECIMAL:
            return PackedIsZero(bytes, field.size);
    }
    return AllBytes(bytes, field.size, '\0');
}

bool SendsAsNull(const FieldShape& field, const ColumnDescription& column, const char* bytes,
                 bool markedNull, const SendSettings& settings) {
    if (!IsEmptyValue(field, bytes)) return false;
    if (markedNull) return true;
    const bool dateOrTime = field.type == kind::DATE || field.type == kind::TIME ||
                            (field.type == kind::STRING && field.timestamp);
    if (dateOrTime && settings.zeroDate.mode == ZeroDate::Mode::Null && !column.zeroNotNull) {
        return true;
    }
    const bool string = field.type == kind::STRING || field.type == kind::CSTRING;
    if (string && settings.backend == backend::Access) return true;
    return field.type == kind::CSTRING &&
           (column.sqlType == SQL_DECIMAL || IsTimestampColumn(column.sqlType));
}

void ApplyZeroDate(const FieldBinding& binding, const ZeroDate& zeroDate, char* buffer,
                   std::int32_t elementLength, std::size_t row) {
    if (zeroDate.mode != ZeroDate::Mode::Configured) return;
    auto replace = [&zeroDate](auto& value) {
        if (value.year == 0) value.year = static_cast<SQLSMALLINT>(zeroDate.year);
        if (value.month == 0) value.month = static_cast<SQLUSMALLINT>(zeroDate.month);
        if (value.day == 0) value.day = static_cast<SQLUSMALLINT>(zeroDate.day);
    };
    if (binding.conversion == Conversion::Date) {
        char* element = Element(buffer, elementLength, row);
        auto value = Load<SQL_DATE_STRUCT>(element);
        replace(value);
        Store(value, element);
    } else if (binding.conversion == Conversion::Timestamp) {
        char* element = Element(buffer, elementLength, row);
        auto value = Load<SQL_TIMESTAMP_STRUCT>(element);
        replace(value);
        Store(value, element);
    }
}

bool PrepareParameter(const FieldShape& field, const FieldBinding& binding,
                      const ColumnDescription& column, const char* bytes, bool markedNull,
                      const SendSettings& settings, char* buffer, std::int32_t elementLength,
                      std::size_t row) {
    FieldToBuffer(binding, bytes, buffer, elementLength, row, settings.clipStrings);
    ApplyZeroDate(binding, settings.zeroDate, buffer, elementLength, row);
    return SendsAsNull(field, column, bytes, markedNull, settings);
}

}  // namespace dbprobe::odbc
