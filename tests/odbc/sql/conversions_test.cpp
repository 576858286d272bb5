#include "odbc/sql/conversions.h"
#include "tests/support/record_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "odbc/dispatch/descriptor.h"
#include "odbc/session/backend.h"
#include "odbc/sql/packed_decimal.h"

namespace dbprobe::odbc {
namespace {

constexpr char kSentinel = '\x7F';

ColumnDescription Described(int sqlType, std::int32_t size = 0, std::int16_t digits = 0) {
    ColumnDescription column;
    column.described = true;
    column.sqlType = static_cast<std::int16_t>(sqlType);
    column.columnSize = size;
    column.decimalDigits = digits;
    return column;
}

FieldBinding Bind(const FieldShape& field, const ColumnDescription& column,
                  const BindingContext& context = {}) {
    FieldBinding binding;
    EXPECT_EQ(ChooseBinding(field, column, context, binding), 0);
    return binding;
}

// A three-row exchange buffer; every conversion goes through the middle row
// and must leave the others alone.
class Rows {
public:
    explicit Rows(std::int32_t elementLength)
        : length_(elementLength), bytes_(3 * static_cast<std::size_t>(elementLength), kSentinel) {}

    char* Buffer() { return bytes_.data(); }
    char* Middle() { return bytes_.data() + length_; }
    std::int32_t Length() const { return length_; }

    void Send(const FieldBinding& binding, const std::string& field, bool clipStrings = true) {
        FieldToBuffer(binding, field.data(), Buffer(), length_, 1, clipStrings);
    }
    std::string Receive(const FieldBinding& binding, std::size_t fieldSize, bool null = false) {
        std::string field(fieldSize, kSentinel);
        BufferToField(binding, Buffer(), length_, 1, null, field.data());
        return field;
    }
    bool OtherRowsUntouched() const {
        for (std::size_t i = 0; i < static_cast<std::size_t>(length_); ++i) {
            if (bytes_[i] != kSentinel || bytes_[i + 2 * length_] != kSentinel) return false;
        }
        return true;
    }

    template <typename T>
    T Get() {
        T value;
        std::memcpy(&value, Middle(), sizeof value);
        return value;
    }
    template <typename T>
    void Put(const T& value) {
        std::memcpy(Middle(), &value, sizeof value);
    }

private:
    std::int32_t length_;
    std::vector<char> bytes_;
};

using testing::Date;
using testing::Time;

TEST(Conversions, StringOnACharacterColumn) {
    const FieldBinding binding = Bind({kind::STRING, 5}, Described(SQL_VARCHAR, 5));
    ASSERT_EQ(binding.elementLength, 6);

    struct Send {
        const char* name;
        std::string field;
        bool clip;
        std::int32_t elementLength;
        std::string sent;
    };
    const Send sends[] = {
        {"clipped", "Abc  ", true, 6, "Abc"},
        {"not clipped", "Abc  ", false, 6, "Abc  "},
        {"all blanks", "     ", true, 6, ""},
        {"leading blanks stay", " lead", true, 6, " lead"},
        {"cut to a shorter buffer", "Abcde", true, 3, "Ab"},
    };
    for (const Send& c : sends) {
        SCOPED_TRACE(c.name);
        Rows rows(c.elementLength);
        rows.Send(binding, c.field, c.clip);
        EXPECT_EQ(std::string(rows.Middle()), c.sent);
        EXPECT_TRUE(rows.OtherRowsUntouched());
    }

    struct Receive {
        const char* name;
        std::string element;  // 6 bytes as the driver left them
        bool null;
        std::string field;
    };
    const Receive receives[] = {
        {"padded", std::string("Xy\0\0\0\0", 6), false, "Xy   "},
        {"empty", std::string(6, '\0'), false, "     "},
        {"NULL", std::string("Xy\0\0\0\0", 6), true, "     "},
        {"cut to the field", "TooLon", false, "TooLo"},
    };
    for (const Receive& c : receives) {
        SCOPED_TRACE(c.name);
        Rows rows(6);
        std::memcpy(rows.Middle(), c.element.data(), 6);
        EXPECT_EQ(rows.Receive(binding, 5, c.null), c.field);
    }
}

TEST(Conversions, StringAsBytesUnderNoVerify) {
    ColumnDescription column;
    column.binary = true;
    const FieldBinding binding = Bind({kind::STRING, 4}, column, {false, 0, true});
    Rows rows(binding.elementLength);
    rows.Send(binding, std::string("a\0 b", 4));
    EXPECT_EQ(std::string(rows.Middle(), 4), std::string("a\0 b", 4));
    EXPECT_EQ(rows.Receive(binding, 4), std::string("a\0 b", 4));
}

TEST(Conversions, CStringTailZeroFilledOnReceipt) {
    const FieldBinding binding = Bind({kind::CSTRING, 8}, Described(SQL_VARCHAR, 7));
    ASSERT_TRUE(binding.Direct());
    struct Case {
        std::string before;  // the field after the driver wrote into it
        std::string after;
    };
    const Case cases[] = {
        {std::string("abc\0zz\0q", 8), std::string("abc\0\0\0\0\0", 8)},
        {std::string("\0bcdefgh", 8), std::string(8, '\0')},
        {"abcdefgh", "abcdefgh"},  // no terminator inside the field: left as it is
    };
    for (const Case& c : cases) {
        std::string field = c.before;
        BufferToField(binding, nullptr, 0, 0, false, field.data());
        EXPECT_EQ(field, c.after);
    }
}

TEST(Conversions, DateStorage) {
    // Day, month, then the year little-endian.
    EXPECT_EQ(Date(29, 2, 2024), std::string("\x1D\x02\xE8\x07", 4));

    const FieldBinding binding = Bind({kind::DATE, 4}, Described(SQL_TYPE_DATE, 10));
    struct Case {
        int day, month, year;
    };
    const Case cases[] = {{29, 2, 2024}, {31, 12, 1999}, {1, 1, 1}, {0, 0, 0}, {15, 6, 32767}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year);
        Rows rows(binding.elementLength);
        rows.Send(binding, Date(c.day, c.month, c.year));
        const auto sent = rows.Get<SQL_DATE_STRUCT>();
        EXPECT_EQ(sent.year, c.year);
        EXPECT_EQ(sent.month, c.month);
        EXPECT_EQ(sent.day, c.day);
        EXPECT_TRUE(rows.OtherRowsUntouched());
        EXPECT_EQ(rows.Receive(binding, 4), Date(c.day, c.month, c.year));
    }
}

TEST(Conversions, TimeLosesHundredths) {
    const FieldBinding binding = Bind({kind::TIME, 4}, Described(SQL_TYPE_TIME, 8));
    struct Case {
        int hours, minutes, seconds, hundredths;
    };
    const Case cases[] = {{13, 45, 56, 78}, {23, 59, 59, 99}, {0, 0, 0, 1}, {0, 0, 0, 0}};
    for (const Case& c : cases) {
        Rows rows(binding.elementLength);
        rows.Send(binding, Time(c.hours, c.minutes, c.seconds, c.hundredths));
        const auto sent = rows.Get<SQL_TIME_STRUCT>();
        EXPECT_EQ(sent.hour, c.hours);
        EXPECT_EQ(sent.minute, c.minutes);
        EXPECT_EQ(sent.second, c.seconds);
        EXPECT_EQ(rows.Receive(binding, 4), Time(c.hours, c.minutes, c.seconds, 0));
    }
}

TEST(Conversions, TimestampPrecisionFollowsTheColumnSize) {
    const FieldShape shape{kind::STRING, 8, 0, true};
    const std::string record = Date(29, 2, 2024) + Time(13, 45, 56, 78);
    SQL_TIMESTAMP_STRUCT fromServer{2023, 12, 31, 23, 59, 58, 990'000'000};

    struct Case {
        const char* name;
        ColumnDescription column;
        SQLUSMALLINT sentSecond;
        SQLUINTEGER sentFraction;
        int receivedSeconds;
        int receivedHundredths;
    };
    const Case cases[] = {
        {"size 16: minutes", Described(SQL_TYPE_TIMESTAMP, 16), 0, 0, 0, 0},
        {"size 19: seconds", Described(SQL_TYPE_TIMESTAMP, 19), 56, 0, 58, 0},
        {"size 20: fraction", Described(SQL_TYPE_TIMESTAMP, 20), 56, 780'000'000, 58, 99},
        {"size 23: fraction", Described(SQL_TYPE_TIMESTAMP, 23), 56, 780'000'000, 58, 99},
        {"not described: all of it", ColumnDescription{}, 56, 780'000'000, 58, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FieldBinding binding = Bind(shape, c.column);
        Rows rows(binding.elementLength);
        rows.Send(binding, record);
        const auto sent = rows.Get<SQL_TIMESTAMP_STRUCT>();
        EXPECT_EQ(sent.year, 2024);
        EXPECT_EQ(sent.month, 2);
        EXPECT_EQ(sent.day, 29);
        EXPECT_EQ(sent.hour, 13);
        EXPECT_EQ(sent.minute, 45);
        EXPECT_EQ(sent.second, c.sentSecond);
        EXPECT_EQ(sent.fraction, c.sentFraction);
        EXPECT_TRUE(rows.OtherRowsUntouched());

        rows.Put(fromServer);
        EXPECT_EQ(rows.Receive(binding, 8),
                  Date(31, 12, 2023) + Time(23, 59, c.receivedSeconds, c.receivedHundredths));
    }

    // A timestamp never written holds blanks and goes as zero.
    const FieldBinding binding = Bind(shape, Described(SQL_TYPE_TIMESTAMP, 23));
    Rows rows(binding.elementLength);
    rows.Send(binding, std::string(8, ' '));
    const auto sent = rows.Get<SQL_TIMESTAMP_STRUCT>();
    EXPECT_EQ(sent.year + sent.month + sent.day + sent.hour + sent.minute + sent.second, 0);
    EXPECT_EQ(sent.fraction, 0u);
}

TEST(Conversions, DecimalsTravelAsText) {
    struct Case {
        const char* name;
        FieldShape field;
        ColumnDescription column;
        const char* value;  // stored in the field
        std::int32_t elementLength;
        const char* sent;
        const char* receivedBack;  // the field after receiving `sent`
    };
    const Case cases[] = {
        {"negative", {kind::DECIMAL, 3, 2}, Described(SQL_DECIMAL, 5, 2), "-123.45", 12, "-123.45",
         "-123.45"},
        {"zero", {kind::DECIMAL, 3, 2}, Described(SQL_DECIMAL, 5, 2), "0", 12, "0.00", "0.00"},
        {"rounded to the column", {kind::DECIMAL, 3, 3}, Described(SQL_DECIMAL, 5, 2), "1.235",
         12, "1.24", "1.240"},
        {"padded to the column", {kind::DECIMAL, 2, 0}, Described(SQL_DECIMAL, 5, 2), "42", 12,
         "42.00", "42"},
        {"integer column", {kind::PDECIMAL, 3, 2}, Described(SQL_NUMERIC, 5, 0), "-7.5", 10, "-8",
         "-8.00"},
        {"PDECIMAL", {kind::PDECIMAL, 6, 2}, Described(SQL_NUMERIC, 10, 2), "-12345678.90", 17,
         "-12345678.90", "-12345678.90"},
        // Longer than the buffer: cut, and too many digits for the column, so
        // the server refuses it rather than storing a wrong value.
        {"cut to the buffer", {kind::DECIMAL, 8, 2}, Described(SQL_DECIMAL, 5, 2),
         "1234567890123.45", 12, "12345678901", "12345678901.00"},
        {"NOVERIFY", {kind::DECIMAL, 8, 2}, ColumnDescription{}, "-9999999999999.99", 22,
         "-9999999999999.99", "-9999999999999.99"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool noVerify = !c.column.described;
        const FieldBinding binding = Bind(c.field, c.column, {false, 0, noVerify});
        ASSERT_EQ(binding.elementLength, c.elementLength);
        std::string field(static_cast<std::size_t>(c.field.size), '\0');
        ParsePacked(c.value, field.data(), c.field.size, c.field.places);

        Rows rows(binding.elementLength);
        rows.Send(binding, field);
        EXPECT_EQ(std::string(rows.Middle()), c.sent);
        // The rest of the element is cleared.
        EXPECT_EQ(std::string(rows.Middle() + std::strlen(c.sent),
                              static_cast<std::size_t>(c.elementLength) - std::strlen(c.sent)),
                  std::string(static_cast<std::size_t>(c.elementLength) - std::strlen(c.sent),
                              '\0'));
        EXPECT_TRUE(rows.OtherRowsUntouched());

        const std::string received = rows.Receive(binding, field.size());
        EXPECT_EQ(PackedToText(received.data(), c.field.size, c.field.places, c.field.places),
                  c.receivedBack);
    }
}

TEST(Conversions, WidenedIntegers) {
    struct Case {
        const char* name;
        FieldShape field;
        BindingContext context;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"BYTE Oracle8", {kind::BYTE, 1}, {false, backend::Oracle8, false}, 200},
        {"BYTE Oracle8 zero", {kind::BYTE, 1}, {false, backend::Oracle8, false}, 0},
        {"USHORT ODBC 1.x", {kind::USHORT, 2}, {true, backend::Unknown, false}, 65535},
        {"USHORT ODBC 1.x small", {kind::USHORT, 2}, {true, backend::Unknown, false}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FieldBinding binding = Bind(c.field, {}, c.context);
        std::string field(static_cast<std::size_t>(c.field.size), '\0');
        std::memcpy(field.data(), &c.value, field.size());  // little-endian host

        Rows rows(binding.elementLength);
        rows.Send(binding, field);
        if (binding.elementLength == 2) {
            EXPECT_EQ(rows.Get<std::uint16_t>(), c.value);
        } else {
            EXPECT_EQ(rows.Get<SQLINTEGER>(), static_cast<SQLINTEGER>(c.value));
        }
        EXPECT_TRUE(rows.OtherRowsUntouched());
        EXPECT_EQ(rows.Receive(binding, field.size()), field);
    }
}

TEST(Conversions, WhatGoesAsNull) {
    const std::string zeroLong(4, '\0');
    std::string fiveLong(4, '\0');
    fiveLong[0] = 5;
    const std::string zeroDecimal("\x00\x0C", 2);

    const ZeroDate asNull{};
    const ZeroDate asIs{ZeroDate::Mode::AsIs};
    const ZeroDate configured{ZeroDate::Mode::Configured, 1900, 1, 1};
    const FieldShape date{kind::DATE, 4};
    const FieldShape time{kind::TIME, 4};
    const FieldShape timestamp{kind::STRING, 8, 0, true};
    const FieldShape string{kind::STRING, 3};
    const FieldShape cstring{kind::CSTRING, 3};
    const FieldShape longField{kind::LONG, 4};
    const FieldShape decimal{kind::DECIMAL, 2, 0};

    struct Case {
        const char* name;
        FieldShape field;
        std::string bytes;
        bool marked;
        ZeroDate zeroDate;
        bool zeroNotNull;
        int backend;
        int sqlType;
        bool null;
    };
    const Case cases[] = {
        {"zero DATE", date, zeroLong, false, asNull, false, 0, SQL_TYPE_DATE, true},
        {"zero DATE kept", date, zeroLong, false, asIs, false, 0, SQL_TYPE_DATE, false},
        {"zero DATE configured", date, zeroLong, false, configured, false, 0, SQL_TYPE_DATE,
         false},
        {"zero DATE ZERONOTNULL", date, zeroLong, false, asNull, true, 0, SQL_TYPE_DATE, false},
        {"zero DATE ZERONOTNULL marked", date, zeroLong, true, asNull, true, 0, SQL_TYPE_DATE,
         true},
        {"DATE marked", date, Date(1, 1, 2000), true, asNull, false, 0, SQL_TYPE_DATE, false},
        {"zero TIME", time, zeroLong, false, asNull, false, 0, SQL_TYPE_TIME, true},
        {"TIME with hundredths only", time, Time(0, 0, 0, 1), false, asNull, false, 0,
         SQL_TYPE_TIME, false},
        {"zero timestamp", timestamp, std::string(8, '\0'), false, asNull, false, 0,
         SQL_TYPE_TIMESTAMP, true},
        {"blank timestamp", timestamp, std::string(8, ' '), false, asNull, false, 0,
         SQL_TYPE_TIMESTAMP, true},
        {"blank timestamp kept", timestamp, std::string(8, ' '), false, asIs, false, 0,
         SQL_TYPE_TIMESTAMP, false},
        {"LONG 5 marked", longField, fiveLong, true, asNull, false, 0, SQL_INTEGER, false},
        {"LONG 0 marked", longField, zeroLong, true, asNull, false, 0, SQL_INTEGER, true},
        {"LONG 0", longField, zeroLong, false, asNull, false, 0, SQL_INTEGER, false},
        {"DECIMAL 0 marked", decimal, zeroDecimal, true, asNull, false, 0, SQL_DECIMAL, true},
        {"DECIMAL 0", decimal, zeroDecimal, false, asNull, false, 0, SQL_DECIMAL, false},
        {"blank STRING", string, "   ", false, asNull, false, 0, SQL_VARCHAR, false},
        {"blank STRING marked", string, "   ", true, asNull, false, 0, SQL_VARCHAR, true},
        {"blank STRING on Access", string, "   ", false, asNull, false, backend::Access,
         SQL_VARCHAR, true},
        {"STRING on Access", string, "x  ", false, asNull, false, backend::Access, SQL_VARCHAR,
         false},
        {"empty CSTRING on Access", cstring, std::string("\0zz", 3), false, asNull, false,
         backend::Access, SQL_VARCHAR, true},
        {"empty CSTRING", cstring, std::string("\0zz", 3), false, asNull, false, 0, SQL_VARCHAR,
         false},
        {"empty CSTRING on DECIMAL", cstring, std::string(3, '\0'), false, asNull, false, 0,
         SQL_DECIMAL, true},
        {"empty CSTRING on TIMESTAMP", cstring, std::string(3, '\0'), false, asNull, false, 0,
         SQL_TYPE_TIMESTAMP, true},
        {"CSTRING on DECIMAL", cstring, std::string("1\0", 3), false, asNull, false, 0,
         SQL_DECIMAL, false},
    };
    for (const Case& c : cases) {
        ColumnDescription column = Described(c.sqlType);
        column.zeroNotNull = c.zeroNotNull;
        const SendSettings settings{true, c.backend, c.zeroDate};
        EXPECT_EQ(SendsAsNull(c.field, column, c.bytes.data(), c.marked, settings), c.null)
            << c.name;
    }
}

TEST(Conversions, ConfiguredDateStandsInForZeroParts) {
    const SendSettings configured{true, 0, {ZeroDate::Mode::Configured, 1900, 2, 3}};
    const SendSettings asIs{true, 0, {ZeroDate::Mode::AsIs}};
    const SendSettings asNull{};

    struct Case {
        const char* name;
        bool timestamp;
        std::string date;
        SendSettings settings;
        bool null;
        int year, month, day;
    };
    const Case cases[] = {
        {"zero DATE", false, Date(0, 0, 0), configured, false, 1900, 2, 3},
        {"zero month and day", false, Date(0, 0, 2024), configured, false, 2024, 2, 3},
        {"zero year", false, Date(9, 8, 0), configured, false, 1900, 8, 9},
        {"full date", false, Date(9, 8, 2024), configured, false, 2024, 8, 9},
        {"zero DATE kept", false, Date(0, 0, 0), asIs, false, 0, 0, 0},
        {"zero DATE as NULL", false, Date(0, 0, 0), asNull, true, 0, 0, 0},
        {"zero timestamp", true, Date(0, 0, 0), configured, false, 1900, 2, 3},
        {"timestamp without day", true, Date(0, 5, 2024), configured, false, 2024, 5, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FieldShape field = c.timestamp ? FieldShape{kind::STRING, 8, 0, true}
                                             : FieldShape{kind::DATE, 4};
        const ColumnDescription column =
            Described(c.timestamp ? SQL_TYPE_TIMESTAMP : SQL_TYPE_DATE, c.timestamp ? 23 : 10);
        const FieldBinding binding = Bind(field, column);
        const std::string record = c.timestamp ? c.date + Time(12, 30, 0, 0) : c.date;

        Rows rows(binding.elementLength);
        EXPECT_EQ(PrepareParameter(field, binding, column, record.data(), false, c.settings,
                                   rows.Buffer(), rows.Length(), 1),
                  c.null);
        if (c.null) continue;
        if (c.timestamp) {
            const auto sent = rows.Get<SQL_TIMESTAMP_STRUCT>();
            EXPECT_EQ(sent.year, c.year);
            EXPECT_EQ(sent.month, c.month);
            EXPECT_EQ(sent.day, c.day);
            EXPECT_EQ(sent.hour, 12);
            EXPECT_EQ(sent.minute, 30);
        } else {
            const auto sent = rows.Get<SQL_DATE_STRUCT>();
            EXPECT_EQ(sent.year, c.year);
            EXPECT_EQ(sent.month, c.month);
            EXPECT_EQ(sent.day, c.day);
        }
    }
}

TEST(Conversions, DirectFieldsNeedNoBuffer) {
    const FieldBinding binding = Bind({kind::LONG, 4}, Described(SQL_INTEGER, 10));
    const std::string zero(4, '\0');
    EXPECT_TRUE(PrepareParameter({kind::LONG, 4}, binding, Described(SQL_INTEGER, 10), zero.data(),
                                 true, {}, nullptr, 0, 0));
}

}  // namespace
}  // namespace dbprobe::odbc
