#include "odbc/sql/packed_decimal.h"

#include <algorithm>
#include <cstddef>

namespace dbprobe::odbc {
namespace {

constexpr unsigned kPositive = 0xC, kNegative = 0xD;
// Exponents beyond this only shift a value out of every field or to zero.
constexpr long kExponentLimit = 4096;

// value = digits * 10^-scale
struct Decimal {
    bool negative = false;
    std::string digits;  // '0'..'9', most significant first
    int scale = 0;
};

unsigned Nibble(const char* packed, std::size_t index) {
    const auto byte = static_cast<unsigned char>(packed[index / 2]);
    return index % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

std::size_t DigitCount(std::int32_t size) {
    return size > 0 ? 2 * static_cast<std::size_t>(size) - 1 : 0;
}

Decimal ReadPacked(const char* packed, std::int32_t size, int places) {
    Decimal value;
    const std::size_t count = DigitCount(size);
    value.digits.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned digit = Nibble(packed, i);
        value.digits.push_back(static_cast<char>('0' + (digit > 9 ? 0 : digit)));
    }
    if (size > 0) {
        const unsigned sign = Nibble(packed, count);
        value.negative = sign == 0xB || sign == 0xD;
    }
    value.scale = std::max(places, 0);
    return value;
}

// Adds 1 to a digit string.
void Increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// Keeps the first `keep` digits of `digits`, rounding half away from zero on
// the digit that follows. `keep` may be negative (everything goes).
std::string RoundTo(const std::string& digits, long keep) {
    if (keep >= static_cast<long>(digits.size())) return digits;
    if (keep < 0) return "0";
    std::string kept = digits.substr(0, static_cast<std::size_t>(keep));
    if (kept.empty()) kept = "0";
    if (digits[static_cast<std::size_t>(keep)] >= '5') Increment(kept);
    return kept;
}

void Rescale(Decimal& value, int scale) {
    scale = std::max(scale, 0);
    if (scale >= value.scale) {
        value.digits.append(static_cast<std::size_t>(scale - value.scale), '0');
    } else {
        value.digits = RoundTo(value.digits,
                               static_cast<long>(value.digits.size()) - (value.scale - scale));
    }
    value.scale = scale;
}

bool AllZero(std::string_view digits) {
    return digits.find_first_not_of('0') == std::string_view::npos;
}

std::string Literal(Decimal value) {
    const auto scale = static_cast<std::size_t>(value.scale);
    if (value.digits.size() <= scale) {
        value.digits.insert(0, scale + 1 - value.digits.size(), '0');
    }
    const std::size_t pointAt = value.digits.size() - scale;
    const std::size_t firstSignificant =
        std::min(value.digits.find_first_not_of('0'), pointAt - 1);
    std::string text;
    if (value.negative && !AllZero(value.digits)) text.push_back('-');
    text.append(value.digits, firstSignificant, pointAt - firstSignificant);
    if (scale > 0) {
        text.push_back('.');
        text.append(value.digits, pointAt, scale);
    }
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string PackedToText(const char* packed, std::int32_t size, int places, int decimals) {
    Decimal value = ReadPacked(packed, size, places);
    Rescale(value, decimals);
    return Literal(std::move(value));
}

std::string FormatPacked(const char* packed, std::int32_t size, int places,
                         const NumberPicture& picture) {
    std::string text = PackedToText(packed, size, places, picture.places);
    if (static_cast<std::int64_t>(text.size()) < picture.width) {
        text.insert(0, static_cast<std::size_t>(picture.width) - text.size(), ' ');
    }
    return text;
}

bool ParsePacked(std::string_view text, char* packed, std::int32_t size, int places) {
    places = std::max(places, 0);
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';

    std::string mantissa;
    long integerDigits = 0;
    bool sawDigit = false;
    for (; i < text.size() && IsDigit(text[i]); ++i, sawDigit = true) {
        mantissa.push_back(text[i]);
        ++integerDigits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i, sawDigit = true) {
            mantissa.push_back(text[i]);
        }
    }
    long exponent = 0;
    if (sawDigit && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '-' || text[j] == '+')) {
            negativeExponent = text[j++] == '-';
        }
        for (; j < text.size() && IsDigit(text[j]); ++j) {
            exponent = std::min(exponent * 10 + (text[j] - '0'), kExponentLimit);
        }
        if (negativeExponent) exponent = -exponent;
    }

    // Digits of value * 10^places, rounded on the first digit dropped.
    const long keep = integerDigits + exponent + places;
    std::string scaled;
    if (keep > static_cast<long>(mantissa.size())) {
        scaled = mantissa + std::string(static_cast<std::size_t>(keep) - mantissa.size(), '0');
    } else {
        scaled = RoundTo(mantissa, keep);
    }
    const std::size_t first = scaled.find_first_not_of('0');
    scaled = first == std::string::npos ? std::string() : scaled.substr(first);

    const std::size_t capacity = DigitCount(size);
    bool fits = sawDigit;
    if (scaled.size() > capacity) {
        scaled.erase(0, scaled.size() - capacity);
        fits = false;
    }
    scaled.insert(0, capacity - scaled.size(), '0');

    if (size <= 0) return fits;
    const unsigned sign = negative && !AllZero(scaled) ? kNegative : kPositive;
    for (std::size_t b = 0; b < static_cast<std::size_t>(size); ++b) {
        const unsigned high = static_cast<unsigned>(scaled[2 * b] - '0');
        const unsigned low =
            2 * b + 1 < capacity ? static_cast<unsigned>(scaled[2 * b + 1] - '0') : sign;
        packed[b] = static_cast<char>((high << 4) | low);
    }
    return fits;
}

bool PackedIsZero(const char* packed, std::int32_t size) {
    const std::size_t count = DigitCount(size);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned digit = Nibble(packed, i);
        if (digit != 0 && digit <= 9) return false;
    }
    return true;
}

}  // namespace dbprobe::odbc
