#include "odbc/sql/column_types.h"

#include <gtest/gtest.h>

#include "odbc/dispatch/descriptor.h"
#include "odbc/session/backend.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::odbc {
namespace {

ColumnDescription Described(int sqlType, std::int32_t size = 0, std::int16_t digits = 0) {
    ColumnDescription column;
    column.described = true;
    column.sqlType = static_cast<std::int16_t>(sqlType);
    column.columnSize = size;
    column.decimalDigits = digits;
    return column;
}

ColumnDescription Binary(ColumnDescription column) {
    column.binary = true;
    return column;
}

TEST(ColumnTypes, BindingPerKindDriverAndBackend) {
    const BindingContext odbc3{};
    const BindingContext odbc1{true, backend::Unknown, false};
    const BindingContext oracle{false, backend::Oracle, false};
    const BindingContext oracle8{false, backend::Oracle8, false};
    const BindingContext noVerify{false, backend::Unknown, true};
    const ColumnDescription undescribed;
    const ColumnDescription varchar = Described(SQL_VARCHAR, 255);

    struct Case {
        const char* name;
        FieldShape field;
        ColumnDescription column;
        BindingContext context;
        int cType;
        Conversion conversion;
        std::int32_t elementLength;
        const char* picture;
    };
    const Case cases[] = {
        {"BYTE", {kind::BYTE, 1}, undescribed, odbc3, SQL_C_UTINYINT, Conversion::None, 1, ""},
        {"BYTE 1.x", {kind::BYTE, 1}, undescribed, odbc1, SQL_C_TINYINT, Conversion::None, 1, ""},
        {"BYTE Oracle8", {kind::BYTE, 1}, undescribed, oracle8, SQL_C_UTINYINT,
         Conversion::Widened, 2, ""},
        {"SHORT", {kind::SHORT, 2}, undescribed, odbc3, SQL_C_SSHORT, Conversion::None, 2, ""},
        {"SHORT 1.x", {kind::SHORT, 2}, undescribed, odbc1, SQL_C_SHORT, Conversion::None, 2, ""},
        {"SHORT Oracle", {kind::SHORT, 2}, undescribed, oracle, SQL_C_SHORT, Conversion::None, 2,
         ""},
        {"SHORT Oracle8", {kind::SHORT, 2}, undescribed, oracle8, SQL_C_SSHORT, Conversion::None,
         2, ""},
        {"USHORT", {kind::USHORT, 2}, undescribed, odbc3, SQL_C_USHORT, Conversion::None, 2, ""},
        // SQL_C_LONG is 4 bytes: never bound over the 2-byte field itself.
        {"USHORT 1.x", {kind::USHORT, 2}, undescribed, odbc1, SQL_C_LONG, Conversion::Widened, 4,
         ""},
        {"LONG", {kind::LONG, 4}, undescribed, odbc3, SQL_C_SLONG, Conversion::None, 4, ""},
        {"LONG 1.x", {kind::LONG, 4}, undescribed, odbc1, SQL_C_LONG, Conversion::None, 4, ""},
        {"LONG Oracle", {kind::LONG, 4}, undescribed, oracle, SQL_C_LONG, Conversion::None, 4, ""},
        {"ULONG", {kind::ULONG, 4}, undescribed, odbc3, SQL_C_ULONG, Conversion::None, 4, ""},
        {"SREAL", {kind::SREAL, 4}, undescribed, odbc1, SQL_C_FLOAT, Conversion::None, 4, ""},
        {"REAL", {kind::REAL, 8}, undescribed, oracle, SQL_C_DOUBLE, Conversion::None, 8, ""},
        {"DATE", {kind::DATE, 4}, undescribed, odbc3, SQL_C_DATE, Conversion::Date, 6, ""},
        {"TIME", {kind::TIME, 4}, undescribed, odbc3, SQL_C_TIME, Conversion::Time, 6, ""},
        {"timestamp", {kind::STRING, 8, 0, true}, Described(SQL_TYPE_TIMESTAMP, 23), odbc3,
         SQL_C_TIMESTAMP, Conversion::Timestamp, 16, ""},
        {"STRING varchar", {kind::STRING, 255}, varchar, odbc3, SQL_C_CHAR, Conversion::Text, 256,
         ""},
        {"STRING wchar", {kind::STRING, 10}, Described(SQL_WCHAR, 10), odbc3, SQL_C_CHAR,
         Conversion::Text, 11, ""},
        {"STRING longvarchar", {kind::STRING, 10}, Described(SQL_LONGVARCHAR, 10), odbc3,
         SQL_C_CHAR, Conversion::Text, 11, ""},
        {"STRING integer column", {kind::STRING, 4}, Described(SQL_INTEGER, 10), odbc3,
         SQL_C_BINARY, Conversion::None, 4, ""},
        {"STRING BINARY", {kind::STRING, 255}, Binary(varchar), odbc3, SQL_C_BINARY,
         Conversion::None, 255, ""},
        {"STRING NOVERIFY", {kind::STRING, 255}, undescribed, noVerify, SQL_C_CHAR,
         Conversion::Text, 256, ""},
        {"STRING NOVERIFY BINARY", {kind::STRING, 255}, Binary(undescribed), noVerify,
         SQL_C_BINARY, Conversion::Bytes, 255, ""},
        {"CSTRING", {kind::CSTRING, 21}, varchar, odbc3, SQL_C_CHAR, Conversion::CString, 21, ""},
        {"DECIMAL", {kind::DECIMAL, 3, 2}, Described(SQL_DECIMAL, 5, 2), odbc3, SQL_C_CHAR,
         Conversion::PackedText, 12, "@N-_7.2"},
        {"PDECIMAL", {kind::PDECIMAL, 6, 2}, Described(SQL_NUMERIC, 10, 2), odbc1, SQL_C_CHAR,
         Conversion::PackedText, 17, "@N-_12.2"},
        // Sized from the declaration: 15 digits, 2 places.
        {"DECIMAL NOVERIFY", {kind::DECIMAL, 8, 2}, Described(SQL_DECIMAL, 5, 2), noVerify,
         SQL_C_CHAR, Conversion::PackedText, 22, "@N-_17.2"},
        {"DECIMAL no size reported", {kind::DECIMAL, 3, 1}, Described(SQL_DECIMAL, 0, 0), odbc3,
         SQL_C_CHAR, Conversion::PackedText, 11, "@N-_7.1"},
        {"BLOB", {kind::BLOB, 0}, undescribed, odbc3, SQL_C_CHAR, Conversion::None, 0, ""},
        {"BLOB BINARY", {kind::BLOB, 0}, Binary(undescribed), odbc3, SQL_C_BINARY,
         Conversion::None, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FieldBinding binding;
        ASSERT_EQ(ChooseBinding(c.field, c.column, c.context, binding), 0);
        EXPECT_EQ(binding.cType, c.cType);
        EXPECT_EQ(binding.conversion, c.conversion);
        EXPECT_EQ(binding.elementLength, c.elementLength);
        EXPECT_EQ(binding.numberPicture, c.picture);

        ColumnDescription column = c.column;
        ASSERT_EQ(ComputeColumnTypes(c.field, c.context, column), 0);
        EXPECT_TRUE(column.typesComputed);
        EXPECT_EQ(column.cType, c.cType);
        EXPECT_EQ(column.numberPicture, c.picture);
    }
}

TEST(ColumnTypes, UnsignedLongRefusedByAnOdbc1Driver) {
    const FieldShape ulong{kind::ULONG, 4};
    const BindingContext odbc1{true, backend::Unknown, false};
    FieldBinding binding;
    EXPECT_EQ(ChooseBinding(ulong, {}, odbc1, binding), err::InvalidRecordDeclaration);

    ColumnDescription column;
    EXPECT_EQ(ComputeColumnTypes(ulong, odbc1, column), err::InvalidRecordDeclaration);
    EXPECT_FALSE(column.typesComputed);

    EXPECT_EQ(UnsignedOnOdbc1FileErrorCode(3), "FIELD : 3 : TYPE : D03101");
    EXPECT_EQ(kUnsignedOnOdbc1Text, "You are using an unsigned data type with an ODBC 1.0 backend");
}

TEST(ColumnTypes, KindsWithoutAColumnAreNotBound) {
    FieldBinding binding;
    for (int type : {kind::GROUP, kind::MEMO, kind::PSTRING, kind::BFLOAT8}) {
        EXPECT_EQ(ChooseBinding({type, 8}, {}, {}, binding), err::UnsupportedDataTypeInFile)
            << type;
    }
}

TEST(ColumnTypes, TestTableColumns) {
    // CISLO LONG and NAZEV STRING(255) on a VARCHAR column.
    FieldBinding cislo;
    ASSERT_EQ(ChooseBinding({kind::LONG, 4}, Described(SQL_INTEGER, 10), {}, cislo), 0);
    EXPECT_TRUE(cislo.Direct());
    EXPECT_EQ(cislo.cType, SQL_C_SLONG);

    FieldBinding nazev;
    ASSERT_EQ(ChooseBinding({kind::STRING, 255}, Described(SQL_VARCHAR, 255), {}, nazev), 0);
    EXPECT_FALSE(nazev.Direct());
    EXPECT_EQ(nazev.elementLength, 256);
    EXPECT_EQ(ParameterLength(nazev, ParameterUse::Input, false), SQL_NTS);
}

TEST(ColumnTypes, ParameterLengths) {
    struct Case {
        const char* name;
        FieldShape field;
        ColumnDescription column;
        SQLLEN input;
        SQLLEN output;
    };
    const Case cases[] = {
        {"DECIMAL", {kind::DECIMAL, 3, 2}, Described(SQL_DECIMAL, 5, 2), SQL_NTS, 12},
        {"PDECIMAL", {kind::PDECIMAL, 3, 2}, Described(SQL_NUMERIC, 5, 2), SQL_NTS, 12},
        {"CSTRING", {kind::CSTRING, 21}, Described(SQL_VARCHAR, 20), SQL_NTS, 21},
        {"STRING text", {kind::STRING, 30}, Described(SQL_CHAR, 30), SQL_NTS, 31},
        {"STRING binary", {kind::STRING, 30}, Described(SQL_BINARY, 30), 30, 30},
        {"DATE", {kind::DATE, 4}, {}, 6, 6},
        {"TIME", {kind::TIME, 4}, {}, 6, 6},
        {"timestamp", {kind::STRING, 8, 0, true}, {}, 16, 16},
        {"LONG", {kind::LONG, 4}, {}, 4, 4},
        {"REAL", {kind::REAL, 8}, {}, 8, 8},
        {"BYTE Oracle8 keeps the field size", {kind::BYTE, 1}, {}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FieldBinding binding;
        ASSERT_EQ(ChooseBinding(c.field, c.column, {false, backend::Oracle8, false}, binding), 0);
        EXPECT_EQ(ParameterLength(binding, ParameterUse::Input, false), c.input);
        EXPECT_EQ(ParameterLength(binding, ParameterUse::Output, false), c.output);
        EXPECT_EQ(ParameterLength(binding, ParameterUse::InputOutput, false), c.output);
        EXPECT_EQ(ParameterLength(binding, ParameterUse::Input, true), SQL_NULL_DATA);
        EXPECT_EQ(ParameterLength(binding, ParameterUse::Output, true), SQL_NULL_DATA);
    }
}

TEST(ColumnTypes, NumberPictureText) {
    EXPECT_EQ(NumberPictureText(10, 2), "@N-_12.2");
    EXPECT_EQ(NumberPictureText(5, 0), "@N-_7.0");

    NumberPicture picture;
    ASSERT_TRUE(ParseNumberPicture("@N-_12.2", picture));
    EXPECT_EQ(picture.width, 12);
    EXPECT_EQ(picture.places, 2);
    for (const char* bad : {"", "@N12.2", "@N-_", "@N-_12.", "@N-_12.2x", "@N-_-3.2"}) {
        EXPECT_FALSE(ParseNumberPicture(bad, picture)) << bad;
    }
}

}  // namespace
}  // namespace dbprobe::odbc
