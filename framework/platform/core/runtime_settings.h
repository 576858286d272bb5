#pragma once
// The runtime's process-wide settings: texts the program may replace (the
// error text of each error code, the captions of the standard message box
// buttons, month names, the morning and afternoon marks) and the locale,
// character set and collation names. Each setting is written and read under
// one lock, so a reader sees either the old or the new value.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbprobe::platform {

namespace setting {
inline constexpr std::string_view Locale = "locale", Charset = "charset", Collation = "collation",
                                  Buttons = "buttons", Months = "months", DayMarks = "daymarks";
}

// Writes a setting; a list setting keeps its items separated by commas.
void WriteSetting(std::string_view name, std::string value);
std::optional<std::string> ReadSetting(std::string_view name);
// The items of a list setting; empty when it was never written.
std::vector<std::string> SettingItems(std::string_view name);

// The error text installed for a record-operation error code (taken whole,
// commas included); none when the runtime's built-in text applies.
void WriteErrorText(int code, std::string text);
std::optional<std::string> InstalledErrorText(int code);

// The captions of the standard buttons in the order OK, Yes, No, Abort,
// Retry, Ignore, Cancel, Help: the installed ones, else the built-in English.
std::vector<std::string> ButtonCaptions();

// Forgets every setting (tests start from the built-in state).
void ResetSettings();

}  // namespace dbprobe::platform
