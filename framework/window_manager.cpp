#include "framework/window_manager.h"

#include <algorithm>

#include "framework/thread_values.h"

namespace dbprobe::framework {
namespace {

// Window events of the window system that only the lifecycle looks at.
namespace winevent {
inline constexpr int GainFocus = 517, Restored = 518, Moved = 522, Completed = 549, Idle = 561,
                     Tick = 1023;
}

// Control events the loop dispatches by number.
namespace ctlevent {
inline constexpr int Selected = 2, AlertKey = 15, Rejected = 26, NewSelection = 257;
}

}  // namespace

int Toolbar::TakeAccepted(const platform::Event& event) {
    if (targets.empty()) return handled::Normally;
    return targets.front()->TakeEvent(event);
}

int WindowManager::Run() {
    if (Initialise() == 0) EventLoop();
    Terminate();
    return response == 0 ? 2 : response;
}

int WindowManager::Initialise() {
    originalRequest = request;
    cl = std::make_unique<std::vector<WindowComponent*>>();
    buttons = std::make_unique<std::vector<ResponseButton>>();
    insertAction = deleteAction = changeAction = 2;
    cancelAction = 3;
    autoToolbar = true;
    autoRefresh = true;
    ownerWindow = 0;
    initialised_ = true;
    return 0;
}

int WindowManager::EventLoop() {
    if (dead || platform::Services() == nullptr) return 0;
    lastInsertedPosition.clear();
    while (std::optional<platform::Event> event = Services().NextEvent(myWindow)) {
        const int level = OnEvent(*event);
        if (level == handled::LeaveLoop) break;
        Services().Finish(myWindow, *event, level != handled::Consumed);
    }
    return 0;
}

int WindowManager::OnEvent(const platform::Event& event) {
    if (event.control == 0) {
        if (int level = OnWindowEvent(event); level != 0) return level;
    }
    int level = 0;
    switch (event.number) {
        case platform::event::Accepted: level = OnAccepted(event); break;
        case ctlevent::Selected: level = OnEvent2(event); break;
        case ctlevent::AlertKey:
            if (historyKey != 0 && event.key == historyKey) RecallFieldValue(event.control);
            break;
        case ctlevent::Rejected: level = OnEvent26(event); break;
        case ctlevent::NewSelection: level = OnEvent257(event); break;
        case winevent::Idle: Services().Post(myWindow, {winevent::Tick, 0, 0}); break;
        default: break;
    }
    if (level != 0) return level;
    if (event.control != 0) {
        if (int l = OnControlEvent(event); l != 0) return l;
    }
    if (cl) {
        for (WindowComponent* c : *cl)
            if (int l = c->TakeEvent(event); l != 0) return l;
        if (autoRefresh && std::any_of(cl->begin(), cl->end(), [](WindowComponent* c) { return c->ResetRequired(); }))
            Refresh();
    }
    return 0;
}

int WindowManager::OnWindowEvent(const platform::Event& event) {
    switch (event.number) {
        case platform::event::CloseWindow:
        case platform::event::CloseDown: return OnCloseRequest();
        case platform::event::OpenWindow:
            if (!(inited & 1)) PrepareContents();
            if (firstField != 0) Services().Select(myWindow, firstField);
            return 0;
        case winevent::GainFocus:
            if (resetOnGainFocus) forcedReset = true;
            return 0;
        case winevent::Restored:
            if (!(inited & 1))
                PrepareContents();
            else
                Refresh();
            return 0;
        case winevent::Moved: return OnEvent522(event);
        case winevent::Completed: return OnCompleted();
        case winevent::Idle:
            if (!(inited & 2))
                inited |= 2;
            else
                Refresh();
            return 0;
        default: return 0;
    }
}

int WindowManager::OnCloseRequest() {
    // Without a primary file there are no changes to ask about.
    if (response == 1 || primary == nullptr) return 0;
    return 0;
}

int WindowManager::OnAccepted(const platform::Event& event) {
    if (toolbar != nullptr) {
        if (int level = toolbar->TakeAccepted(event); level != 0) return level;
    }
    if (buttons) {
        for (const ResponseButton& b : *buttons)
            if (b.control == event.control) {
                Respond(b.response);
                return handled::Consumed;
            }
    }
    if ((okControl != 0 && event.control == okControl) || (saveControl != 0 && event.control == saveControl))
        return OnCompleted();
    return 0;
}

int WindowManager::OnEvent2(const platform::Event&) {
    Refresh();
    return 0;
}

int WindowManager::OnEvent26(const platform::Event& event) {
    Services().Redisplay(myWindow);
    Services().Select(myWindow, event.control);
    return 0;
}

void WindowManager::PrepareContents() {
    if (translator != nullptr && description != nullptr)
        translator->TranslateWindow(Services(), myWindow, *description);
    Refresh();
    inited |= 1;
}

void WindowManager::Open(platform::WindowId window, platform::WindowId owner) {
    myWindow = window;
    if (owner != 0) ownerWindow = owner;
    opened = true;
}

void WindowManager::Refresh() {
    if (cl) {
        for (WindowComponent* c : *cl)
            if (c->ResetRequired()) c->Reset();
    }
    if (platform::Services() != nullptr && myWindow != 0) Services().Redisplay(myWindow);
}

void WindowManager::RegisterAlertKeys() {
    if (cl)
        for (WindowComponent* c : *cl) c->SetAlerts();
    if (historyKey != 0)
        for (int control : history) Services().SetAlertKeys(myWindow, control, {historyKey});
}

void WindowManager::Respond(int value) {
    response = static_cast<std::uint8_t>(value);
    Services().Post(myWindow, {platform::event::CloseWindow, 0, 0});
    if (value == 2 && toolbar != nullptr && vcrRequest != nullptr) *vcrRequest = 0;
}

void WindowManager::Update() {
    if (cl)
        for (WindowComponent* c : *cl) c->UpdateWindow();
}

void WindowManager::EnableControl(int control, bool enable) {
    if (!enable) Services().Disable(myWindow, control);
}

int WindowManager::Terminate() {
    if (dead || !initialised_) return handled::Consumed;
    if (cl) {
        for (WindowComponent* c : *cl) c->Kill();
        cl.reset();
    }
    buttons.reset();
    history.clear();
    files.clear();
    if (toolbar != nullptr) toolbar->Kill();
    dead = true;
    return 0;
}

}  // namespace dbprobe::framework
