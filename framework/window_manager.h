#pragma once
// The window manager gives a window procedure its standard life: initialise,
// open the window, run the event loop, hand each event to overridable
// handlers, terminate, and give a response back. A procedure specialises it
// by overriding operations slot by slot.
//
// Handlers return levels: 0 go on normally, 3 leave the event loop, 5 the
// event is consumed (the window system does no default processing for it).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/platform/window_services.h"
#include "framework/translator.h"

namespace dbprobe::framework {

namespace handled {
inline constexpr int Normally = 0, LeaveLoop = 3, Consumed = 5;
}

// Something registered with a window that takes part in its events (browse
// lists, form buttons); the main window registers none.
class WindowComponent {
public:
    virtual ~WindowComponent() = default;
    virtual int TakeEvent(const platform::Event& event) = 0;
    virtual bool ResetRequired() { return false; }
    virtual void Reset() {}
    virtual void SetAlerts() {}
    virtual void UpdateWindow() {}
    virtual void Kill() {}
};

// The window's toolbar: it forwards a toolbar event to its first target.
class Toolbar {
public:
    void Init() { targets.clear(); }
    // Nothing to do without a target.
    int TakeAccepted(const platform::Event& event);
    void Kill() { targets.clear(); }

    std::vector<WindowComponent*> targets;  // LIST
};

struct ResponseButton {
    int control = 0;
    int response = 0;
    int type = 0;
};

class WindowManager {
public:
    WindowManager() = default;
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    virtual ~WindowManager() = default;

    // Virtual operations, in slot order.
    virtual int EventLoop();                                              // 0
    virtual int Initialise();                                             // 1
    virtual int Terminate();                                              // 2
    virtual void PrepareContents();                                       // 3
    virtual void Open(platform::WindowId window, platform::WindowId owner = 0);  // 4
    virtual void AfterPrime() {}                                          // 5
    virtual int CompleteSave() { return handled::Normally; }              // 6
    virtual void Refresh();                                               // 7
    virtual void RecallFieldValue(int control) { (void)control; }         // 8
    virtual int Run();                                                    // 9
    virtual int CallProcedure() { return 2; }                             // 10
    virtual void RegisterAlertKeys();                                     // 11
    virtual void Respond(int response);                                   // 12
    virtual int OnAccepted(const platform::Event& event);                 // 13
    virtual int OnCompleted() { return handled::Normally; }               // 14
    virtual int OnCloseRequest();                                         // 15
    virtual int OnEvent(const platform::Event& event);                    // 16
    virtual int OnControlEvent(const platform::Event&) { return 0; }      // 17
    virtual int OnEvent2(const platform::Event& event);                   // 18
    virtual int OnEvent522(const platform::Event&) { return 0; }          // 19
    virtual int OnEvent26(const platform::Event& event);                  // 20
    virtual int OnEvent257(const platform::Event&) { return 0; }          // 21
    virtual int OnWindowEvent(const platform::Event& event);              // 22
    virtual void Update();                                                // 23
    virtual void EnableControl(int control, bool enable);                 // 24
    // 25 to 29: the record flows of a form with a primary file; a window
    // without one has nothing to do there.
    virtual int InsertRecord() { return handled::Normally; }              // 25
    virtual int UpdateRecord() { return handled::Normally; }              // 26
    virtual int DeleteRecord() { return handled::Normally; }              // 27
    virtual int ChangeRecord() { return handled::Normally; }              // 28
    virtual int SaveRecord() { return handled::Normally; }                // 29

    // Members in their order.
    bool autoRefresh = false;
    bool autoToolbar = false;
    std::unique_ptr<std::vector<ResponseButton>> buttons;  // BUTTONS
    std::unique_ptr<std::vector<WindowComponent*>> cl;     // CL
    std::uint8_t cancelAction = 0;
    std::uint8_t changeAction = 0;
    bool dead = false;
    std::uint8_t deleteAction = 0;
    std::uint8_t batchProcessing = 0;
    ErrorManager* errors = nullptr;
    std::vector<std::string> files;  // buffers the window saved (none here)
    bool filesOpened = false;
    std::int32_t firstField = 0;
    bool forcedReset = false;
    std::vector<int> history;  // fields with history keys
    std::int32_t historyKey = 0;
    std::uint8_t inited = 0;  // 1: contents prepared; 2: a later event was seen
    std::uint8_t insertAction = 0;
    std::string lastInsertedPosition;
    std::int32_t okControl = 0;
    std::int32_t saveControl = 0;
    std::uint8_t disableCancelButton = 0;
    bool opened = false;
    std::uint8_t originalRequest = 0;
    std::uint8_t recordSaved = 0;
    std::uint8_t beforeSaveRequest = 0;
    void* primary = nullptr;  // the primary file's relation manager (none here)
    std::uint8_t request = 0;
    bool resetOnGainFocus = false;
    void* resize = nullptr;
    std::uint8_t response = 0;
    std::int16_t saved = 0;
    void* formVcr = nullptr;
    Toolbar* toolbar = nullptr;
    Translator* translator = nullptr;
    int* vcrRequest = nullptr;
    platform::WindowId myWindow = 0;
    platform::WindowId ownerWindow = 0;
    // What the window was opened from, for its translation.
    const platform::WindowDescription* description = nullptr;

protected:
    platform::WindowServices& Services() const { return *platform::Services(); }
    bool initialised_ = false;
};

}  // namespace dbprobe::framework
