#pragma once
// The framework's error catalogue as the packed block the error manager
// loads: a 16-bit count, then per entry a 16-bit id, an 8-bit level and the
// title and message, each as a length byte and its windows-1250 text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbprobe::framework {

struct CatalogueEntry {
    std::uint16_t id = 0;
    std::uint8_t level = 0;
    std::string_view title;
    std::string_view message;
};

// Packs entries into a block; a text longer than 255 bytes is cut there.
std::string PackCatalogue(const std::vector<CatalogueEntry>& entries);

// The Czech catalogue of ids 1 to 44, packed.
const std::string& CzechCatalogue();

}  // namespace dbprobe::framework
