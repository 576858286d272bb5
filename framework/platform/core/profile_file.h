#pragma once
// Profile (INI) files: bracketed sections of "key=value" entries.
//
// Sections and keys match without regard to case, values lose their
// surrounding blanks, and lines starting with ';' are comments. A file that
// does not exist reads as empty. A name without a directory ("WIN.INI",
// "dbprobe.INI") lives in the configuration directory (see config_dir.h).
// Writing keeps every other line as it was, comments and order included.

#include <optional>
#include <string>
#include <string_view>

namespace dbprobe::platform {

// The entry's value; nothing when the file, section or key is missing.
std::optional<std::string> ReadProfileString(std::string_view file, std::string_view section,
                                             std::string_view key);

// The decimal integer at the start of the entry's value (an optional sign,
// then digits; what follows is ignored). fallback when the entry is missing or
// does not start with a number.
long ReadProfileInt(std::string_view file, std::string_view section, std::string_view key,
                    long fallback);

// Sets the entry, adding the section and key when missing. Creates the file
// and its directories. false when the file could not be written.
bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value);

// Removes the entry; true when the file is as asked afterwards (also when the
// entry was never there).
bool DeleteProfileKey(std::string_view file, std::string_view section, std::string_view key);

}  // namespace dbprobe::platform
