#include "odbc/sql/column_types.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "odbc/dispatch/driver_state.h"
#include "odbc/session/backend.h"
#include "odbc/session/declaration_errors.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::odbc {
namespace {

// A timestamp column whose size is not known is taken as one with hundredths,
// so that nothing the record holds is dropped.
constexpr std::int32_t kFullTimestampSize = 23;

std::int32_t ClampLength(std::int64_t length) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(length, 0, std::numeric_limits<std::int32_t>::max()));
}

// Digits and decimal digits of the text a DECIMAL or PDECIMAL travels as.
struct NumberShape {
    std::int32_t columnSize = 0;
    std::int16_t decimalDigits = 0;
};

NumberShape NumberShapeOf(const FieldShape& field, const ColumnDescription& column,
                          const BindingContext& context) {
    // Without a description (NOVERIFY, or a server that reports no size) the
    // declaration is all there is: 2 digits a byte, one nibble for the sign.
    if (context.noVerify || !column.described || column.columnSize <= 0) {
        return {std::max<std::int32_t>(2 * field.size - 1, 1),
                std::max<std::int16_t>(field.places, 0)};
    }
    return {column.columnSize, std::max<std::int16_t>(column.decimalDigits, 0)};
}

}  // namespace

bool IsCharacterType(int sqlType) {
    switch (sqlType) {
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_LONGVARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
            return true;
    }
    return false;
}

FieldShape ShapeOf(const FieldEntry& field) {
    FieldShape shape;
    shape.type = field.type;
    shape.size = field.size;
    shape.places = field.descriptor != nullptr ? field.descriptor->decimals : 0;
    shape.timestamp = field.timestamp;
    return shape;
}

int ChooseBinding(const FieldShape& field, const ColumnDescription& column,
                  const BindingContext& context, FieldBinding& binding) {
    binding = FieldBinding{};
    binding.fieldSize = field.size;
    binding.places = field.places;
    binding.elementLength = field.size;
    const bool oracle = context.backend == backend::Oracle;

    switch (field.type) {
        case kind::BYTE:
            binding.cType = context.odbc1Driver ? SQL_C_TINYINT : SQL_C_UTINYINT;
            if (context.backend == backend::Oracle8) {
                // That driver writes 16 bits for a tiny integer.
                binding.conversion = Conversion::Widened;
                binding.elementLength = 2;
            }
            return 0;
        case kind::SHORT:
            binding.cType = context.odbc1Driver || oracle ? SQL_C_SHORT : SQL_C_SSHORT;
            return 0;
        case kind::USHORT:
            if (context.odbc1Driver) {
                // ODBC 1.x has no unsigned C types; SQL_C_LONG writes 4 bytes,
                // more than the field holds.
                binding.cType = SQL_C_LONG;
                binding.conversion = Conversion::Widened;
                binding.elementLength = sizeof(SQLINTEGER);
            } else {
                binding.cType = SQL_C_USHORT;
            }
            return 0;
        case kind::LONG:
            binding.cType = context.odbc1Driver || oracle ? SQL_C_LONG : SQL_C_SLONG;
            return 0;
        case kind::ULONG:
            if (context.odbc1Driver) return err::InvalidRecordDeclaration;
            binding.cType = SQL_C_ULONG;
            return 0;
        case kind::SREAL:
            binding.cType = SQL_C_FLOAT;
            return 0;
        case kind::REAL:
            binding.cType = SQL_C_DOUBLE;
            return 0;
        case kind::DATE:
            binding.cType = SQL_C_DATE;
            binding.conversion = Conversion::Date;
            binding.elementLength = sizeof(SQL_DATE_STRUCT);
            return 0;
        case kind::TIME:
            binding.cType = SQL_C_TIME;
            binding.conversion = Conversion::Time;
            binding.elementLength = sizeof(SQL_TIME_STRUCT);
            return 0;
        case kind::STRING: {
            if (field.timestamp) {
                binding.cType = SQL_C_TIMESTAMP;
                binding.conversion = Conversion::Timestamp;
                binding.elementLength = sizeof(SQL_TIMESTAMP_STRUCT);
                binding.timestampSize = column.described && column.columnSize > 0
                                            ? column.columnSize
                                            : kFullTimestampSize;
                return 0;
            }
            // NOVERIFY never asks the server, so an unmarked STRING is taken
            // to sit on a character column.
            const bool character =
                !column.binary && (context.noVerify || IsCharacterType(column.sqlType));
            if (character) {
                binding.cType = SQL_C_CHAR;
                binding.conversion = Conversion::Text;
                binding.elementLength = ClampLength(std::int64_t{field.size} + 1);
            } else {
                binding.cType = SQL_C_BINARY;
                if (context.noVerify) binding.conversion = Conversion::Bytes;
            }
            return 0;
        }
        case kind::CSTRING:
            binding.cType = SQL_C_CHAR;
            binding.conversion = Conversion::CString;
            return 0;
        case kind::DECIMAL:
        case kind::PDECIMAL: {
            const NumberShape number = NumberShapeOf(field, column, context);
            binding.cType = SQL_C_CHAR;
            binding.conversion = Conversion::PackedText;
            // Sign, point and NUL fit in the 5 spare bytes. Under NOVERIFY this
            // is also the size from the declaration: places + size + 5 would
            // cut a large value such as a full DECIMAL(15,2).
            binding.elementLength = ClampLength(std::int64_t{number.columnSize} +
                                                number.decimalDigits + 5);
            binding.numberPicture = NumberPictureText(number.columnSize, number.decimalDigits);
            return 0;
        }
        case kind::BLOB:
            binding.cType = column.binary ? SQL_C_BINARY : SQL_C_CHAR;
            binding.elementLength = 0;
            return 0;
    }
    return err::UnsupportedDataTypeInFile;
}

int ComputeColumnTypes(const FieldShape& field, const BindingContext& context,
                       ColumnDescription& column) {
    FieldBinding binding;
    if (const int error = ChooseBinding(field, column, context, binding); error != 0) return error;
    column.cType = binding.cType;
    column.numberPicture = binding.numberPicture;
    column.typesComputed = true;
    return 0;
}

std::string NumberPictureText(std::int32_t columnSize, std::int16_t decimalDigits) {
    const std::int64_t width = std::int64_t{std::max<std::int32_t>(columnSize, 0)} + 2;
    return "@N-_" + std::to_string(width) + "." +
           std::to_string(std::max<std::int16_t>(decimalDigits, 0));
}

bool ParseNumberPicture(std::string_view text, NumberPicture& picture) {
    constexpr std::string_view kPrefix = "@N-_";
    if (text.substr(0, kPrefix.size()) != kPrefix) return false;
    const char* p = text.data() + kPrefix.size();
    const char* end = text.data() + text.size();
    NumberPicture parsed;
    auto [afterWidth, widthError] = std::from_chars(p, end, parsed.width);
    if (widthError != std::errc{} || parsed.width < 0) return false;
    if (afterWidth != end) {
        if (*afterWidth != '.') return false;
        auto [afterPlaces, placesError] = std::from_chars(afterWidth + 1, end, parsed.places);
        if (placesError != std::errc{} || afterPlaces != end || parsed.places < 0) return false;
    }
    picture = parsed;
    return true;
}

std::string UnsignedOnOdbc1FileErrorCode(int field) {
    // The code prints message + 1.
    return DeclarationError{declkind::Field, field, "TYPE", 3100}.FileErrorCode();
}

SQLLEN ParameterLength(const FieldBinding& binding, ParameterUse use, bool sendsNull) {
    if (sendsNull) return SQL_NULL_DATA;
    switch (binding.conversion) {
        case Conversion::Text:
        case Conversion::CString:
        case Conversion::PackedText:
            return use == ParameterUse::Input ? SQL_NTS : binding.elementLength;
        case Conversion::Date:
        case Conversion::Time:
        case Conversion::Timestamp:
            return binding.elementLength;
        default:
            return binding.fieldSize;
    }
}

}  // namespace dbprobe::odbc
