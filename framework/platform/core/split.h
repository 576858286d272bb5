#pragma once
// Splitting a list value at its commas: "a,,b" gives "a", "" and "b"; an
// empty text gives one empty item.

#include <string>
#include <string_view>
#include <vector>

namespace dbprobe::platform {

inline std::vector<std::string> SplitAtCommas(std::string_view text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        items.emplace_back(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) return items;
        start = comma + 1;
    }
}

}  // namespace dbprobe::platform
