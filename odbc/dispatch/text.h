#pragma once
// Texts that cross the boundary between the runtime and the driver.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace dbprobe::odbc {

// A text as the runtime hands it over: a pointer and a length.
//   length -1: zero-terminated text
//   length -2: the first byte holds the length, the characters follow
//   other:     a fixed-width field whose trailing blanks do not count
struct TextRef {
    static constexpr std::int32_t kZeroTerminated = -1;
    static constexpr std::int32_t kLengthPrefixed = -2;

    const char* text = nullptr;
    std::int32_t length = 0;

    static TextRef Terminated(const char* t) { return {t, kZeroTerminated}; }
};

// The driver's own zero-terminated copy of a boundary text. A blank fixed-width
// field gives an empty copy; no text or a zero length gives none.
std::optional<std::string> CopyText(const TextRef& ref);

// A declared fixed-width, blank-padded text variable (the runtime's STRING(n)).
template <std::size_t N>
class FixedText {
public:
    FixedText() { Clear(); }
    void Clear() { std::memset(chars_, ' ', N); }
    void Assign(std::string_view value) {
        Clear();
        std::memcpy(chars_, value.data(), value.size() < N ? value.size() : N);
    }
    // The value without its trailing blanks.
    std::string_view Trimmed() const {
        std::size_t n = N;
        while (n > 0 && chars_[n - 1] == ' ') --n;
        return {chars_, n};
    }
    TextRef Ref() const { return {chars_, static_cast<std::int32_t>(N)}; }
    // The characters, for a control that edits the variable in place.
    char* Data() { return chars_; }
    static constexpr std::size_t size() { return N; }

private:
    char chars_[N];
};

}  // namespace dbprobe::odbc
