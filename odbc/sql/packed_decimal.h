#pragma once
// Packed decimals of the record layer and their text form.
//
// A DECIMAL or PDECIMAL field of `size` bytes holds 2 * size - 1 BCD digit
// nibbles, most significant first (high nibble before low nibble), followed by
// a sign nibble in the low half of the last byte. The last `places` digits are
// the fraction. Sign nibbles 0xB and 0xD mean negative, every other value
// positive (0xA, 0xC, 0xE, 0xF, and 0 so that a cleared field reads as zero).
// Values written here carry 0xC, or 0xD when negative; zero is never negative.
// A digit nibble above 9 reads as 0.
//
// DECIMAL(5,2) in 3 bytes: 123.45 is 12 34 5C, -1.5 is 00 15 0D.

#include <cstdint>
#include <string>
#include <string_view>

#include "odbc/sql/column_types.h"

namespace dbprobe::odbc {

// The value as a plain numeric literal with exactly `decimals` digits after
// the point (none and no point for 0), rounded half away from zero when the
// field has more places: optional '-', digits without grouping, '.', fraction.
std::string PackedToText(const char* packed, std::int32_t size, int places, int decimals);

// PackedToText with the picture's decimals, right-aligned with blanks in the
// picture's width. A value wider than the picture is not replaced by fill
// characters: it comes out whole, so that the server rejects an overflow
// instead of storing a wrong number.
std::string FormatPacked(const char* packed, std::int32_t size, int places,
                         const NumberPicture& picture);

// Reads a number (blanks, optional sign, digits, optional '.' and fraction,
// optional exponent; reading stops at the first other character) into a packed
// decimal of `size` bytes and `places` places, rounding half away from zero.
// Returns false when the text holds no number (0 is stored) or when digits
// above the field's capacity were dropped (the low digits are stored).
bool ParsePacked(std::string_view text, char* packed, std::int32_t size, int places);

// Whether every digit nibble is zero, whatever the sign.
bool PackedIsZero(const char* packed, std::int32_t size);

}  // namespace dbprobe::odbc
