#include "odbc/sql/packed_decimal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dbprobe::odbc {
namespace {

std::string Bytes(std::initializer_list<unsigned> values) {
    std::string bytes;
    for (unsigned v : values) bytes.push_back(static_cast<char>(v));
    return bytes;
}

std::string Packed(std::string_view text, std::int32_t size, int places, bool* fits = nullptr) {
    std::string bytes(static_cast<std::size_t>(size), '\x55');
    const bool ok = ParsePacked(text, bytes.data(), size, places);
    if (fits != nullptr) *fits = ok;
    return bytes;
}

TEST(PackedDecimal, Layout) {
    struct Case {
        const char* text;
        std::int32_t size;
        int places;
        std::string bytes;
    };
    const Case cases[] = {
        {"123.45", 3, 2, Bytes({0x12, 0x34, 0x5C})},
        {"-1.5", 3, 2, Bytes({0x00, 0x15, 0x0D})},
        {"0", 3, 2, Bytes({0x00, 0x00, 0x0C})},
        {"-0", 2, 0, Bytes({0x00, 0x0C})},
        {"7", 1, 0, Bytes({0x7C})},
        {"-9999999.99", 5, 2, Bytes({0x99, 0x99, 0x99, 0x99, 0x9D})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Packed(c.text, c.size, c.places), c.bytes) << c.text;
    }
}

TEST(PackedDecimal, SignNibblesOnReading) {
    struct Case {
        unsigned sign;
        const char* text;
    };
    const Case cases[] = {{0xA, "12.3"},  {0xB, "-12.3"}, {0xC, "12.3"}, {0xD, "-12.3"},
                          {0xE, "12.3"},  {0xF, "12.3"},  {0x0, "12.3"}};
    for (const Case& c : cases) {
        // 0 12 3|sign with one place: 12.3
        const std::string packed = Bytes({0x00, 0x12, 0x30 | c.sign});
        EXPECT_EQ(PackedToText(packed.data(), 3, 1, 1), c.text) << std::hex << c.sign;
    }
    // A cleared field reads as zero.
    const std::string cleared(4, '\0');
    EXPECT_EQ(PackedToText(cleared.data(), 4, 2, 2), "0.00");
    EXPECT_TRUE(PackedIsZero(cleared.data(), 4));
    const std::string negativeZero = Bytes({0x00, 0x0D});
    EXPECT_TRUE(PackedIsZero(negativeZero.data(), 2));
    EXPECT_EQ(PackedToText(negativeZero.data(), 2, 0, 0), "0");
}

TEST(PackedDecimal, TextWithTheColumnDecimals) {
    struct Case {
        const char* value;  // stored with `places`
        std::int32_t size;
        int places;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {"-123.45", 3, 2, 2, "-123.45"},
        {"0.5", 3, 2, 2, "0.50"},
        {"5", 2, 0, 2, "5.00"},            // padded to the column's digits
        {"5.25", 3, 2, 0, "5"},            // no point without decimals
        {"1.235", 3, 3, 2, "1.24"},        // half away from zero
        {"-1.235", 3, 3, 2, "-1.24"},
        {"1.234", 3, 3, 2, "1.23"},
        {"9.995", 3, 3, 2, "10.00"},       // the carry adds a digit
        {"-0.004", 3, 3, 2, "0.00"},       // no negative zero
        {"0.7", 2, 1, 0, "1"},
        {"12345678901234.5", 8, 1, 1, "12345678901234.5"},  // beyond 64 bits of fraction work
    };
    for (const Case& c : cases) {
        const std::string packed = Packed(c.value, c.size, c.places);
        EXPECT_EQ(PackedToText(packed.data(), c.size, c.places, c.decimals), c.text) << c.value;
    }
}

TEST(PackedDecimal, ReadingText) {
    struct Case {
        const char* text;
        std::int32_t size;
        int places;
        const char* stored;  // PackedToText with the field's places
        bool fits;
    };
    const Case cases[] = {
        {"-123.45", 3, 2, "-123.45", true},
        {"  42 ", 3, 2, "42.00", true},
        {"+7", 2, 0, "7", true},
        {".5", 2, 1, "0.5", true},
        {"-.5", 2, 1, "-0.5", true},
        {"1.005", 3, 2, "1.01", true},     // rounded to the field's places
        {"-2.675", 3, 2, "-2.68", true},
        {"0.004", 3, 2, "0.00", true},
        {"1.5E2", 3, 0, "150", true},
        {"-12.5e-1", 2, 2, "-1.25", true},
        {"99999.995", 4, 2, "0.00", false},  // rounds to 100000.00: the low digits stay
        {"12345.6", 3, 2, "345.60", false},
        {"12abc", 2, 0, "12", true},         // reading stops at the first other character
        {"abc", 2, 0, "0", false},
        {"", 2, 0, "0", false},
        {"-", 2, 0, "0", false},
    };
    for (const Case& c : cases) {
        bool fits = false;
        const std::string packed = Packed(c.text, c.size, c.places, &fits);
        EXPECT_EQ(PackedToText(packed.data(), c.size, c.places, c.places), c.stored)
            << "'" << c.text << "'";
        EXPECT_EQ(fits, c.fits) << "'" << c.text << "'";
    }
}

TEST(PackedDecimal, RoundTripsThroughText) {
    struct Case {
        std::int32_t size;
        int places;
        std::vector<const char*> values;
    };
    const Case cases[] = {
        {1, 0, {"0", "9", "-9"}},
        {3, 2, {"0.01", "-0.01", "999.99", "-999.99", "100.00"}},
        {8, 4, {"12345678901.2345", "-0.0001", "-99999999999.9999"}},
        {16, 10, {"123456789012345678901.0123456789", "-1.0000000001"}},
    };
    for (const Case& c : cases) {
        for (const char* value : c.values) {
            const std::string packed = Packed(value, c.size, c.places);
            const std::string text = PackedToText(packed.data(), c.size, c.places, c.places);
            EXPECT_EQ(text, value);
            EXPECT_EQ(Packed(text, c.size, c.places), packed) << value;
        }
    }
}

TEST(PackedDecimal, FormattedWithThePicture) {
    const std::string packed = Packed("-123.45", 3, 2);
    EXPECT_EQ(FormatPacked(packed.data(), 3, 2, {7, 2}), "-123.45");
    EXPECT_EQ(FormatPacked(packed.data(), 3, 2, {12, 2}), "     -123.45");
    // Wider than the picture: the whole value, for the server to refuse.
    EXPECT_EQ(FormatPacked(packed.data(), 3, 2, {4, 1}), "-123.5");
}

}  // namespace
}  // namespace dbprobe::odbc
