#include "framework/platform/core/runtime_settings.h"

#include <map>
#include <mutex>
#include <shared_mutex>

#include "framework/platform/core/split.h"

namespace dbprobe::platform {
namespace {

struct Table {
    std::shared_mutex lock;
    std::map<std::string, std::string, std::less<>> values;
};

Table& Settings() {
    static Table table;
    return table;
}

std::string ErrorKey(int code) { return "error:" + std::to_string(code); }

}  // namespace

void WriteSetting(std::string_view name, std::string value) {
    Table& t = Settings();
    std::unique_lock guard(t.lock);
    t.values[std::string(name)] = std::move(value);
}

std::optional<std::string> ReadSetting(std::string_view name) {
    Table& t = Settings();
    std::shared_lock guard(t.lock);
    auto it = t.values.find(name);
    if (it == t.values.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> SettingItems(std::string_view name) {
    const std::optional<std::string> value = ReadSetting(name);
    return value ? SplitAtCommas(*value) : std::vector<std::string>{};
}

void WriteErrorText(int code, std::string text) { WriteSetting(ErrorKey(code), std::move(text)); }

std::optional<std::string> InstalledErrorText(int code) { return ReadSetting(ErrorKey(code)); }

std::vector<std::string> ButtonCaptions() {
    std::vector<std::string> captions = SettingItems(setting::Buttons);
    const std::vector<std::string> builtIn = {"OK", "&Yes", "&No", "&Abort", "&Retry", "&Ignore", "&Cancel", "&Help"};
    if (captions.size() < builtIn.size()) captions.resize(builtIn.size());
    for (std::size_t i = 0; i < builtIn.size(); ++i)
        if (captions[i].empty()) captions[i] = builtIn[i];
    captions.resize(builtIn.size());
    return captions;
}

void ResetSettings() {
    Table& t = Settings();
    std::unique_lock guard(t.lock);
    t.values.clear();
}

}  // namespace dbprobe::platform
