#include "app/picker.h"

#include <algorithm>

#include "app/test_table.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/trim.h"
#include "framework/platform/window_services.h"
#include "odbc/session/odbc_api.h"

namespace dbprobe::app {
namespace {

using namespace platform::literals;

constexpr SQLSMALLINT kBufferLength = 80;

namespace pickctl {
inline constexpr int Prompt = 1, List = 2, Cancel = 3, Ok = 4;
}

}  // namespace

platform::WindowDescription PickerDescription(const std::vector<std::string>& rows) {
    platform::WindowDescription w;
    w.name = "dbprobe$dbpro002";
    w.label = "P1$DATAWIN";
    w.caption = "Vyberte databázi SQL"_w1250.str();
    w.width = 165;
    w.height = 174;
    using platform::ControlKind;
    platform::Control list = platform::MakeControl(pickctl::List, "?DRIVERLIST", ControlKind::List, "", 8, 23, 150, 100);
    list.rows = &rows;
    list.format = "30LS(165)";
    w.controls = {
        platform::MakeControl(pickctl::Prompt, "?PROMPT1", ControlKind::Prompt, "&Zdroje dat (ovladače):"_w1250.str(), 8, 9),
        list,
        platform::MakeControl(pickctl::Cancel, "?CANCEL", ControlKind::Button, "Storno", 95, 134, 45, 14),
        platform::MakeControl(pickctl::Ok, "?OK", ControlKind::Button, "OK", 25, 134, 45, 14),
    };
    return w;
}

std::vector<PickerRow> ListDataSources() {
    std::vector<PickerRow> rows;
    odbc::OdbcApi api;
    // No driver manager: an empty list, as when it knows no data source.
    if (!odbc::LoadOdbcApi(api)) return rows;
    SQLHENV env = SQL_NULL_HENV;
    api.AllocEnv(&env);
    while (true) {
        SQLCHAR name[kBufferLength] = {0};
        SQLCHAR description[kBufferLength] = {0};
        SQLSMALLINT nameLength = 0, descriptionLength = 0;
        const SQLRETURN rc = api.DataSources(env, SQL_FETCH_NEXT, name, kBufferLength, &nameLength,
                                             description, kBufferLength, &descriptionLength);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
        PickerRow row;
        row.name = std::string(reinterpret_cast<const char*>(name)).substr(0, 60);
        const std::string driver = platform::TrimRight(reinterpret_cast<const char*>(description));
        row.display = (" " + platform::TrimRight(row.name) + " (" + driver + ")").substr(0, 165);
        row.sortName = platform::UpperCase(row.name);
        const auto at = std::upper_bound(rows.begin(), rows.end(), row, [](const PickerRow& a, const PickerRow& b) {
            return platform::Collate(a.sortName, b.sortName) < 0;
        });
        rows.insert(at, std::move(row));
    }
    api.FreeEnv(env);
    return rows;
}

int RunPicker() {
    platform::WindowServices* services = platform::Services();
    if (services == nullptr) return 0;
    std::vector<std::string> display;
    const platform::WindowDescription description = PickerDescription(display);

    services->SetCursor(platform::Cursor::Wait);
    const std::vector<PickerRow> rows = ListDataSources();
    services->SetCursor(platform::Cursor::Arrow);
    for (const PickerRow& row : rows) display.push_back(row.display);

    const platform::WindowId window = services->Open(description);
    services->Select(window, pickctl::List, 1);
    // The list has the focus: Enter and Esc there answer like the buttons.
    services->SetAlertKeys(window, pickctl::List,
                           {platform::key::LeftDoubleClick, platform::key::Enter, platform::key::Esc});
    int result = 0;
    bool leave = false;
    while (!leave) {
        const std::optional<platform::Event> e = services->NextEvent(window);
        if (!e) break;
        bool handled = true;
        if (e->number == platform::event::AlertKey) {
            if (e->key == platform::key::Enter)
                services->Post(window, {platform::event::Accepted, pickctl::Ok, 0});
            else if (e->key == platform::key::Esc)
                services->Post(window, {platform::event::Accepted, pickctl::Cancel, 0});
            else if (e->key == platform::key::LeftDoubleClick && e->control == pickctl::List)
                services->Post(window, {platform::event::Accepted, pickctl::Ok, 0});
        } else if (e->number == platform::event::Accepted && e->control == pickctl::Cancel) {
            result = 0;
            leave = true;
        } else if (e->number == platform::event::Accepted && e->control == pickctl::Ok) {
            const int choice = services->Choice(window, pickctl::List);
            // OK on an empty list: the row buffer holds no row, the name is blank.
            const std::string name = choice >= 1 && choice <= static_cast<int>(rows.size())
                                         ? rows[static_cast<std::size_t>(choice - 1)].name
                                         : std::string();
            Globals().dataSource.Assign(name);
            result = 1;
            leave = true;
        } else {
            handled = false;
        }
        if (!leave) services->Finish(window, *e, !handled);
    }
    services->Close(window);
    return result;
}

}  // namespace dbprobe::app
