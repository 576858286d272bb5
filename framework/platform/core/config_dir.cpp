#include "framework/platform/core/config_dir.h"

#include <cstdlib>

namespace dbprobe::platform {
namespace {

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::filesystem::path ConfigDirectory() {
    if (const char* dir = NonEmptyEnv("DBPROBE_CONFIG_DIR")) return dir;
    if (const char* xdg = NonEmptyEnv("XDG_CONFIG_HOME")) return std::filesystem::path(xdg) / "dbprobe";
    const char* home = NonEmptyEnv("HOME");
    return std::filesystem::path(home != nullptr ? home : ".") / ".config" / "dbprobe";
}

std::filesystem::path ProfilePath(std::string_view name) {
    std::filesystem::path path(name);
    if (path.has_parent_path()) return path;
    return ConfigDirectory() / path;
}

}  // namespace dbprobe::platform
