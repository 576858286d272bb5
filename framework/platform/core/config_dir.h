#pragma once
// Where profile files named without a directory live.

#include <filesystem>
#include <string_view>

namespace dbprobe::platform {

// $DBPROBE_CONFIG_DIR, else $XDG_CONFIG_HOME/dbprobe, else ~/.config/dbprobe.
std::filesystem::path ConfigDirectory();

// A profile file's path: a name with a directory stays as it is, a bare name
// ("dbprobe.INI", "WIN.INI") goes into the configuration directory.
std::filesystem::path ProfilePath(std::string_view name);

}  // namespace dbprobe::platform
