#include "framework/platform/window_services.h"

#include "framework/platform/core/runtime_settings.h"

namespace dbprobe::platform {
namespace {

std::unique_ptr<WindowServices>& Installed() {
    static std::unique_ptr<WindowServices> services;
    return services;
}

std::vector<std::string> SplitAtBars(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = text.find('|', start);
        parts.emplace_back(text.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return parts;
}

}  // namespace

Control MakeControl(int number, std::string label, ControlKind kind, std::string text, int x, int y,
                    int width, int height) {
    Control c;
    c.number = number;
    c.label = std::move(label);
    c.kind = kind;
    c.text = std::move(text);
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    return c;
}

std::vector<StandardButton> StandardButtons(int mask) {
    const std::vector<std::string> captions = ButtonCaptions();
    std::vector<StandardButton> buttons;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const int value = 1 << i;
        if (mask & value) buttons.push_back({value, captions[i]});
    }
    // A box always has a way out.
    if (buttons.empty()) buttons.push_back({button::Ok, captions[0]});
    return buttons;
}

std::vector<std::string> NamedButtons(std::string_view named) {
    if (named.empty()) return {};
    return SplitAtBars(named);
}

int FirstButton(const MessageBox& box) {
    if (!box.named.empty()) return 1;
    return StandardButtons(box.buttons).front().value;
}

std::vector<std::string> MessageLines(std::string_view text) { return SplitAtBars(text); }

WindowServices* Services() { return Installed().get(); }

void InstallServices(std::unique_ptr<WindowServices> services) { Installed() = std::move(services); }

std::unique_ptr<WindowServices> RemoveServices() { return std::move(Installed()); }

}  // namespace dbprobe::platform
