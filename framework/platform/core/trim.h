#pragma once
// Fixed-width texts are blank-padded; most uses want them without the blanks.

#include <string>
#include <string_view>

namespace dbprobe::platform {

inline std::string TrimRight(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

}  // namespace dbprobe::platform
