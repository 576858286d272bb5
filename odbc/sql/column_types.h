#pragma once
// What the driver knows about the SQL column behind a declared field, and how
// the field's value travels to and from it: the ODBC C type, whether the field
// is bound to its own record bytes or through an exchange buffer, and the
// buffer's element length.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "odbc/sql/column_description.h"

namespace dbprobe::odbc {

struct FieldEntry;

// SQL_CHAR, SQL_VARCHAR, SQL_LONGVARCHAR, SQL_WCHAR, SQL_WVARCHAR.
bool IsCharacterType(int sqlType);

// The declaration of a field as far as its binding depends on it.
struct FieldShape {
    int type = 0;  // kind::
    std::int32_t size = 0;
    std::int16_t places = 0;  // DECIMAL, PDECIMAL
    bool timestamp = false;
};

FieldShape ShapeOf(const FieldEntry& field);

// What the data source and the file's options contribute.
struct BindingContext {
    bool odbc1Driver = false;
    int backend = 0;        // backend::
    bool noVerify = false;  // NOVERIFY / TURBOSQL: buffers sized from the declaration
};

// How a value crosses between record bytes and the exchange buffer.
enum class Conversion {
    None,        // bound directly to the record bytes
    CString,     // bound directly; the tail after the string is zero-filled on receipt
    Widened,     // integer widened into a wider buffer and narrowed back
    Date,        // SQL_DATE_STRUCT
    Time,        // SQL_TIME_STRUCT
    Timestamp,   // SQL_TIMESTAMP_STRUCT
    Text,        // STRING on a character column
    Bytes,       // STRING copied as bytes (NOVERIFY and BINARY)
    PackedText,  // DECIMAL, PDECIMAL as a numeric literal
};

struct FieldBinding {
    std::int16_t cType = 0;
    Conversion conversion = Conversion::None;
    // Bytes per row element of the exchange buffer; the field size when bound
    // directly.
    std::int32_t elementLength = 0;
    std::int32_t fieldSize = 0;
    std::int16_t places = 0;
    // The column size that decides the timestamp precision.
    std::int32_t timestampSize = 0;
    std::string numberPicture;

    bool Direct() const {
        return conversion == Conversion::None || conversion == Conversion::CString;
    }
};

// The C type, conversion and exchange buffer of a field on the column that
// `column` describes. Returns 0, err::InvalidRecordDeclaration for a ULONG
// with an ODBC 1.x driver (see UnsignedOnOdbc1FileErrorCode), or
// err::UnsupportedDataTypeInFile for a kind that has no column.
int ChooseBinding(const FieldShape& field, const ColumnDescription& column,
                  const BindingContext& context, FieldBinding& binding);

// Computes the C type and picture into the description (the describe step's
// last part); same results as ChooseBinding.
int ComputeColumnTypes(const FieldShape& field, const BindingContext& context,
                       ColumnDescription& column);

// "@N-_" + (columnSize + 2) + "." + decimalDigits.
std::string NumberPictureText(std::int32_t columnSize, std::int16_t decimalDigits);

struct NumberPicture {
    std::int32_t width = 0;  // the text is right-aligned in at least this many characters
    std::int32_t places = 0;
};
// Reads a picture made by NumberPictureText; false for any other text.
bool ParseNumberPicture(std::string_view text, NumberPicture& picture);

// The file error of a ULONG field with an ODBC 1.x driver, for field number
// `field` (from 1): "FIELD : n : TYPE : D03101".
std::string UnsignedOnOdbc1FileErrorCode(int field);
inline constexpr std::string_view kUnsignedOnOdbc1Text =
    "You are using an unsigned data type with an ODBC 1.0 backend";

enum class ParameterUse { Input, Output, InputOutput };

// The length/indicator value of a field bound as a parameter.
SQLLEN ParameterLength(const FieldBinding& binding, ParameterUse use, bool sendsNull);

}  // namespace dbprobe::odbc
