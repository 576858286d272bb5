#include "framework/settings_store.h"

#include <cstdio>

#include "framework/platform/core/profile_file.h"
#include "framework/platform/core/split.h"

namespace dbprobe::framework {
namespace {

constexpr std::string_view kUnknown = "---Unknown---";
constexpr std::size_t kMaxValue = 1024;
constexpr std::size_t kMaxSectorText = 100;

std::string SectorEntry(std::size_t n) { return "Sectors_" + std::to_string(n); }

}  // namespace

std::string SettingsStore::Fetch(std::string_view section, std::string_view entry,
                                 std::string_view fallback) {
    if (nvType != storage::ProfileFile) return nvType == storage::None ? std::string() : std::string(fallback);
    std::optional<std::string> value = platform::ReadProfileString(fileName, section, entry);
    if (!value) return std::string(fallback);
    return value->substr(0, kMaxValue);
}

void SettingsStore::Update(std::string_view section, std::string_view entry, std::string_view value) {
    // Write failures are not examined: a store that cannot write loses the value.
    if (nvType == storage::ProfileFile) platform::WriteProfileString(fileName, section, entry, value);
}

void SettingsStore::Initialise(std::string_view name, std::int32_t kind, std::int32_t root) {
    std::lock_guard guard(critSect);
    fileName = std::string(name.substr(0, 260));
    nvType = kind;
    extraData = root;
    sectors.clear();
    BeforeInitialise();
    const long count = std::strtol(Fetch(kBookkeepingSection, "Sectors", "").c_str(), nullptr, 10);
    for (long n = 1; n <= count; ++n) {
        const std::vector<std::string> parts = platform::SplitAtCommas(Fetch(kBookkeepingSection, SectorEntry(static_cast<std::size_t>(n)), ""));
        Sector sector;
        for (std::size_t i = 0; i < sector.size() && i < parts.size(); ++i)
            sector[i] = parts[i].substr(0, kMaxSectorText);
        sectors.push_back(std::move(sector));
    }
}

void SettingsStore::Terminate() {
    std::lock_guard guard(critSect);
    Update(kBookkeepingSection, "Sectors", std::to_string(sectors.size()));
    for (std::size_t n = 0; n < sectors.size(); ++n) {
        const Sector& s = sectors[n];
        std::string value = s[0];
        if (!s[1].empty() || !s[2].empty()) value += "," + s[1];
        if (!s[2].empty()) value += "," + s[2];
        Update(kBookkeepingSection, SectorEntry(n + 1), value);
    }
    sectors.clear();
}

std::string SettingsStore::ReadField(std::string_view section, std::string_view entry, int n) {
    const std::vector<std::string> parts = platform::SplitAtCommas(Fetch(section, entry, ""));
    if (n < 1 || static_cast<std::size_t>(n) > parts.size()) return {};
    return parts[static_cast<std::size_t>(n - 1)];
}

void SettingsStore::Delete(std::string_view section, std::string_view entry) {
    if (nvType == storage::ProfileFile) platform::DeleteProfileKey(fileName, section, entry);
}

std::string SettingsStore::ReadOrFail(std::string_view section, std::string_view entry) {
    std::string value = Fetch(section, entry, kUnknown);
    if (value == kUnknown)
        std::fprintf(stderr, "INI Assert: Could not find %.*s in sector %.*s of %s\n",
                     static_cast<int>(entry.size()), entry.data(), static_cast<int>(section.size()),
                     section.data(), fileName.c_str());
    return value;
}

}  // namespace dbprobe::framework
