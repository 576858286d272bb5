#pragma once
// The window and message services the framework and the tester are written
// against: windows built from a description with numbered controls, an event
// loop that hands out (event, control) pairs, modal message boxes, halt and
// cursors. Three implementations: Qt Widgets (the desktop program), scripted
// (tests) and console (the headless runner).
//
// Every text crossing this interface is the program's own windows-1250;
// an implementation that shows text converts it at its own edge.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbprobe::platform {

// Event numbers the framework and the tester test for.
namespace event {
inline constexpr int Accepted = 1, AlertKey = 16, CloseWindow = 513, CloseDown = 514,
                     OpenWindow = 515;
}

// Key codes an alert-key event carries.
namespace key {
inline constexpr int LeftDoubleClick = 5, Enter = 13, Esc = 27;
}

// Window properties set by number (SetProperty). The application's default
// window icon, property 31848, takes a name and has SetDefaultIcon instead.
namespace property {
inline constexpr int ProgressMaximum = 31765;
}

enum class ControlKind { Text, Prompt, Entry, Button, List, Progress };

// A fixed-width, blank-padded windows-1250 variable a control shows or edits.
struct TextVariable {
    char* data = nullptr;
    std::size_t size = 0;
};

struct Font {
    std::string face = "Tahoma";
    int points = 8;
    bool bold = false;
    std::uint32_t color = 0;  // 0xRRGGBB; 0 the default text colour
    int charset = 238;        // Central European
};

inline constexpr int kAuto = -1;  // the default width or height of a control

struct Control {
    int number = 0;     // 1-based, declaration order; how handlers address it
    std::string label;  // "?STRING5"
    ControlKind kind = ControlKind::Text;
    std::string text;  // caption or fixed text
    std::string tooltip;
    int x = 0, y = 0, width = kAuto, height = kAuto;  // dialog units
    std::optional<Font> font;                        // none: the window's font
    bool closesWindow = false;  // a button whose default action closes the window
    // Text (bound) and Entry: the variable shown or edited; Entry edits at
    // most editWidth characters and keeps what fits the variable.
    TextVariable variable;
    int editWidth = 0;
    // Progress: the value shown and its declared range.
    const std::int32_t* value = nullptr;
    std::int32_t low = 0, high = 100;
    // List: one display text per row, and the column format (one
    // left-aligned column of the display text is all the program uses).
    const std::vector<std::string>* rows = nullptr;
    std::string format;
};

// A control at its place: number, label, kind, text and position.
Control MakeControl(int number, std::string label, ControlKind kind, std::string text, int x, int y,
                    int width = kAuto, int height = kAuto);

struct WindowDescription {
    std::string name;   // the registered description: "dbprobe$dbpro001"
    std::string label;  // "P1$WINDOW"
    std::string caption;
    std::string icon;       // resource name, e.g. "DatabaseImport.ico"; empty: the default icon
    std::string wallpaper;  // resource name, e.g. "back_blue.jpg"; empty: none
    Font font;
    int width = 0, height = 0;  // dialog units
    std::vector<Control> controls;
};

struct Event {
    int number = 0;
    int control = 0;  // 0 for an event of the window itself
    int key = 0;      // AlertKey: the key code
};

// The system icons of a message box, or a file named by the caller.
namespace icon {
inline constexpr std::string_view None = "", Exclamation = "*exclamation", Question = "*question",
                                  Stop = "*stop";
}

// Standard button sets; the mask values are also what the box returns.
namespace button {
inline constexpr int Ok = 1, Yes = 2, No = 4, Abort = 8, Retry = 16, Ignore = 32, Cancel = 64,
                     Help = 128;
}

struct MessageBox {
    std::string text;     // "|" starts a new line; "&" marks an access key
    std::string caption;
    std::string icon;     // icon::..., or an icon file name that may not exist
    int buttons = button::Ok;  // a mask of button::, used when `named` is empty
    std::string named;         // caller-named buttons separated by "|", e.g. "&Pokračovat|&Ukončit"
    int defaultButton = 0;     // a mask value or a 1-based position; 0 none
    int style = 0;
};

enum class Cursor { Arrow, Wait };

using WindowId = int;

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // Builds the window from its description. It appears with the first
    // event asked for; the open-window event is the first one delivered.
    virtual WindowId Open(const WindowDescription& description) = 0;
    virtual void Close(WindowId window) = 0;

    // Waits for the next event of the window; none once the window has been
    // closed. The caller then says whether the default processing runs
    // (Finish): for close-window and close-down that closes the window; for
    // an accepted button that closes the window, the close-window event.
    virtual std::optional<Event> NextEvent(WindowId window) = 0;
    virtual void Finish(WindowId window, const Event& event, bool defaultProcessing) = 0;

    // Queues an event; it arrives after the current one.
    virtual void Post(WindowId window, Event event) = 0;

    // The control reports these keys as alert-key events.
    virtual void SetAlertKeys(WindowId window, int control, std::vector<int> keys) = 0;

    // Shows every control's bound variable again (and keeps the window
    // painted while the caller works without returning to the loop).
    virtual void Redisplay(WindowId window) = 0;
    // Replaces a control's fixed text, or the caption for control 0 (a
    // translated window).
    virtual void SetText(WindowId window, int control, std::string_view text) = 0;
    virtual void Disable(WindowId window, int control) = 0;
    // Gives the control the focus; for a list also makes `row` (1-based) its choice.
    virtual void Select(WindowId window, int control, int row = 0) = 0;
    // The list's current choice, 1-based; 0 none.
    virtual int Choice(WindowId window, int control) = 0;
    virtual void SetProperty(WindowId window, int control, int property, std::int64_t value) = 0;
    virtual void SetDefaultIcon(std::string_view icon) = 0;

    // Modal. Returns the pressed button: its mask value for a standard set,
    // its 1-based position for named buttons.
    virtual int Show(const MessageBox& box) = 0;

    // A box captioned "Halt" with the text, the stop icon and an OK button;
    // when it closes, the process ends with the exit code. The scripted
    // implementation records the halt and returns, so that tests can look.
    virtual void Halt(int exitCode, std::string_view text) = 0;

    virtual void SetCursor(Cursor cursor) = 0;
};

// The standard buttons of a mask, in the order OK, Yes, No, Abort, Retry,
// Ignore, Cancel, Help, with their captions from the runtime settings.
struct StandardButton {
    int value = 0;
    std::string caption;
};
std::vector<StandardButton> StandardButtons(int mask);

// Caller-named buttons: "&Pokračovat|&Ukončit" gives two captions.
std::vector<std::string> NamedButtons(std::string_view named);

// The answer a box gives without anyone to ask: its first button.
int FirstButton(const MessageBox& box);

// The lines of a message text ("|" a line break; "||" leaves an empty line).
std::vector<std::string> MessageLines(std::string_view text);

// The services the process uses; none until the program installs some.
WindowServices* Services();
void InstallServices(std::unique_ptr<WindowServices> services);
// Takes the installed services back (tests swap implementations).
std::unique_ptr<WindowServices> RemoveServices();

}  // namespace dbprobe::platform
