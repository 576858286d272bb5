#pragma once
// The program's texts are windows-1250; what a user sees is UTF-8. Runtime
// conversion happens only where text meets the screen or the terminal.
//
// Czech literals in the source are written in UTF-8 and turned into
// windows-1250 bytes by the compiler: with dbprobe::platform::literals in
// scope, "Chyba"_w1250 is a windows-1250 text with static storage.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dbprobe::platform {

// windows-1250 bytes 0x80..0xFF as Unicode code points; 0 where the code
// page has no character.
inline constexpr std::array<std::uint16_t, 128> kCp1250High = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

// A UTF-8 literal as windows-1250 bytes, converted while compiling; a
// character the code page lacks does not compile.
template <std::size_t N>
struct W1250Literal {
    char bytes[N]{};
    std::size_t size = 0;

    consteval W1250Literal(const char (&utf8)[N]) {
        for (std::size_t i = 0; i + 1 < N;) {
            const auto lead = static_cast<unsigned char>(utf8[i]);
            std::uint32_t code = lead;
            std::size_t length = 1;
            if (lead >= 0xF0) {
                code = lead & 0x07u;
                length = 4;
            } else if (lead >= 0xE0) {
                code = lead & 0x0Fu;
                length = 3;
            } else if (lead >= 0xC0) {
                code = lead & 0x1Fu;
                length = 2;
            }
            for (std::size_t k = 1; k < length; ++k)
                code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
            bytes[size++] = Encode(code);
            i += length;
        }
    }
    static consteval char Encode(std::uint32_t code) {
        if (code < 0x80) return static_cast<char>(code);
        for (std::size_t b = 0; b < kCp1250High.size(); ++b)
            if (kCp1250High[b] == code && code != 0) return static_cast<char>(0x80 + b);
        throw "character not in windows-1250";
    }
    constexpr std::string_view view() const { return {bytes, size}; }
    constexpr operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }
};

namespace literals {
template <W1250Literal L>
constexpr const auto& operator""_w1250() {
    return L;
}
}  // namespace literals

// windows-1250 → UTF-8. A byte without a character becomes U+FFFD.
std::string ToUtf8(std::string_view w1250);
// UTF-8 → windows-1250. A character the code page lacks (or a broken
// sequence) becomes '?'.
std::string FromUtf8(std::string_view utf8);

// Upper case of a windows-1250 text, Czech letters included.
std::string UpperCase(std::string_view w1250);
char UpperCase(char c);

// Compares two windows-1250 texts without regard to letter case, in Czech
// alphabetical order (Č after C, Ř after R, Š after S, Ž after Z; other
// accents only break ties). Negative, zero or positive.
int Collate(std::string_view a, std::string_view b);

}  // namespace dbprobe::platform
