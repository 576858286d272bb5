#include "framework/platform/core/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace dbprobe::platform {
namespace {

// One conversion through iconv; `bad` is written for input it cannot take,
// which is then skipped (`skip` tells how many bytes).
template <typename Skip>
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view bad,
                    Skip skip) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    out.reserve(in.size() * 2);
    char* source = const_cast<char*>(in.data());
    std::size_t left = in.size();
    char buffer[256];
    while (left > 0) {
        char* target = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t rc = iconv(cd, &source, &left, &target, &room);
        out.append(buffer, static_cast<std::size_t>(target - buffer));
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // EILSEQ or EINVAL: a byte or sequence without a counterpart.
        out.append(bad);
        const std::size_t n = std::min(left, skip(source, left));
        source += n;
        left -= n;
    }
    iconv_close(cd);
    return out;
}

// The base letter order of Czech; Č, Ř, Š and Ž are letters of their own.
constexpr std::string_view kAlphabet = "ABC\xc8" "DEFGHIJKLMNOPQR\xd8" "S\x8a" "TUVWXYZ\x8e";

// Upper-case windows-1250 letters with an accent that does not make a letter
// of its own, and their base letter.
constexpr std::pair<unsigned char, char> kAccented[] = {
    {0xC1, 'A'}, {0xC4, 'A'}, {0xC3, 'A'}, {0xC2, 'A'}, {0xA5, 'A'}, {0xC6, 'C'}, {0xC7, 'C'},
    {0xCF, 'D'}, {0xD0, 'D'}, {0xC9, 'E'}, {0xCC, 'E'}, {0xCB, 'E'}, {0xCA, 'E'}, {0xCD, 'I'},
    {0xCE, 'I'}, {0xC5, 'L'}, {0xBC, 'L'}, {0xA3, 'L'}, {0xD1, 'N'}, {0xD2, 'N'}, {0xD3, 'O'},
    {0xD6, 'O'}, {0xD4, 'O'}, {0xD5, 'O'}, {0xC0, 'R'}, {0x8C, 'S'}, {0xAA, 'S'}, {0xDF, 'S'},
    {0x8D, 'T'}, {0xDE, 'T'}, {0xDA, 'U'}, {0xD9, 'U'}, {0xDC, 'U'}, {0xDB, 'U'}, {0xDD, 'Y'},
    {0x8F, 'Z'}, {0xAF, 'Z'}};

struct Weight {
    int primary = 0;
    int secondary = 0;
};

// Non-letters first, by their byte; then the letters in alphabet order.
Weight WeightOf(char c) {
    const auto upper = static_cast<unsigned char>(UpperCase(c));
    const std::size_t own = kAlphabet.find(static_cast<char>(upper));
    if (own != std::string_view::npos) return {1000 + static_cast<int>(own), 0};
    for (const auto& [letter, base] : kAccented)
        if (letter == upper) return {1000 + static_cast<int>(kAlphabet.find(base)), upper};
    return {upper, 0};
}

}  // namespace

std::string ToUtf8(std::string_view w1250) {
    return Convert("UTF-8", "WINDOWS-1250", w1250, "\xEF\xBF\xBD",
                   [](const char*, std::size_t) { return std::size_t{1}; });
}

std::string FromUtf8(std::string_view utf8) {
    // A bad sequence is its lead byte and the continuation bytes after it.
    return Convert("WINDOWS-1250", "UTF-8", utf8, "?", [](const char* at, std::size_t left) {
        const auto lead = static_cast<unsigned char>(at[0]);
        const std::size_t length = lead >= 0xF8 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        std::size_t n = 1;
        while (n < length && n < left && (static_cast<unsigned char>(at[n]) & 0xC0) == 0x80) ++n;
        return n;
    });
}

char UpperCase(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
    switch (b) {
        case 0x9A: case 0x9C: case 0x9D: case 0x9E: case 0x9F: return static_cast<char>(b - 0x10);
        case 0xB3: return static_cast<char>(0xA3);
        case 0xB9: return static_cast<char>(0xA5);
        case 0xBA: return static_cast<char>(0xAA);
        case 0xBE: return static_cast<char>(0xBC);
        case 0xBF: return static_cast<char>(0xAF);
        default: return c;
    }
}

std::string UpperCase(std::string_view w1250) {
    std::string out(w1250);
    for (char& c : out) c = UpperCase(c);
    return out;
}

int Collate(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    int tie = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Weight x = WeightOf(a[i]), y = WeightOf(b[i]);
        if (x.primary != y.primary) return x.primary < y.primary ? -1 : 1;
        if (tie == 0 && x.secondary != y.secondary) tie = x.secondary < y.secondary ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return tie;
}

}  // namespace dbprobe::platform
