#pragma once
// The settings store: named values in sections of a profile file, kept
// between runs. In this program nothing stores a setting; the store keeps
// only its own bookkeeping section, read at start and written at a normal end.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace dbprobe::framework {

// Storage kinds: a profile file, the system registry (which this platform
// lacks: it behaves like "none"), none.
namespace storage {
inline constexpr std::int32_t ProfileFile = 0, Registry = 1, None = 2;
}

inline constexpr std::string_view kBookkeepingSection = "__Dont_Touch_Me__";

class SettingsStore {
public:
    using Sector = std::array<std::string, 3>;  // up to 100 characters each

    SettingsStore() = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;
    virtual ~SettingsStore() { Destroy(); }

    // Virtual operations, in slot order.
    virtual void Destroy() {}                                                   // 0
    virtual std::string Fetch(std::string_view section, std::string_view entry,  // 1
                              std::string_view fallback);
    virtual void Update(std::string_view section, std::string_view entry,       // 2
                        std::string_view value);
    virtual void BeforeInitialise() {}                                          // 3
    virtual void AfterMainWindow() {}                                           // 4

    // Opens the store on a file and reads the bookkeeping.
    void Initialise(std::string_view fileName, std::int32_t kind, std::int32_t root);
    // Writes the bookkeeping back and forgets it.
    void Terminate();
    // The n-th (from 1) comma-separated part of a fetched value.
    std::string ReadField(std::string_view section, std::string_view entry, int n);
    void Delete(std::string_view section, std::string_view entry);
    // Fetch, reporting a missing entry as an assertion (on stderr); the
    // value "---Unknown---" then comes back.
    std::string ReadOrFail(std::string_view section, std::string_view entry);

    // Members in their order.
    std::string fileName;
    std::vector<Sector> sectors;
    std::int32_t nvType = storage::ProfileFile;
    std::int32_t extraData = 0;
    std::recursive_mutex critSect;
};

}  // namespace dbprobe::framework
