#pragma once
// dbpro002, the data source picker behind the main window's "..." button: it
// lists the data sources the ODBC driver manager knows, each with its
// driver's description, and writes the chosen name into the data source
// variable.

#include <string>
#include <vector>

#include "framework/platform/window_services.h"

namespace dbprobe::app {

struct PickerRow {
    std::string display;   // " name (description)", up to 165 characters
    std::string name;      // as returned, up to 60
    std::string sortName;  // the name in upper case, up to 60
};

// The driver manager's data sources, in the order of their upper-cased names
// (letter case aside; equal names keep the order they came in).
std::vector<PickerRow> ListDataSources();

// The picker's window ("dbprobe$dbpro002") listing `rows`.
platform::WindowDescription PickerDescription(const std::vector<std::string>& rows);

// Runs the picker; 1 when a data source was chosen, 0 when cancelled.
int RunPicker();

}  // namespace dbprobe::app
