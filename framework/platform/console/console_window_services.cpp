#include "framework/platform/console/console_window_services.h"

#include <unistd.h>

#include <cstdlib>

#include "framework/platform/core/encoding.h"

namespace dbprobe::platform {
namespace {

std::string WithoutAccessKeys(std::string_view caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] != '&') continue;
        if (caption[i] == '&') ++i;  // "&&" is a literal ampersand
        out += caption[i];
    }
    return out;
}

struct BoxButton {
    int value;
    std::string caption;
};

std::vector<BoxButton> BoxButtons(const MessageBox& box) {
    std::vector<BoxButton> choices;
    if (!box.named.empty()) {
        int position = 0;
        for (const std::string& caption : NamedButtons(box.named)) choices.push_back({++position, caption});
    } else {
        for (const StandardButton& b : StandardButtons(box.buttons)) choices.push_back({b.value, b.caption});
    }
    return choices;
}

}  // namespace

std::string BoxText(const MessageBox& box) {
    std::string text = "== " + ToUtf8(box.caption) + " ==\n";
    for (const std::string& line : MessageLines(box.text)) text += "   " + ToUtf8(line) + "\n";
    std::string buttons;
    for (const BoxButton& c : BoxButtons(box))
        buttons += (buttons.empty() ? "" : "  ") + std::string("[") + std::to_string(c.value) + "] " +
                   ToUtf8(WithoutAccessKeys(c.caption));
    return text + "   " + buttons + "\n";
}

ConsoleWindowServices::ConsoleWindowServices(std::FILE* out, std::FILE* in) : out_(out), in_(in) {}

void ConsoleWindowServices::Redisplay(WindowId window) {
    Window* w = Find(window);
    if (w == nullptr) return;
    for (const Control& c : w->description.controls) {
        if (c.kind != ControlKind::Text || c.variable.data == nullptr) continue;
        std::string text = BoundText(c);
        std::string& shown = shown_[{window, c.number}];
        if (text == shown) continue;
        shown = text;
        if (!text.empty()) std::fprintf(out_, "%s\n", ToUtf8(text).c_str());
    }
    std::fflush(out_);
}

int ConsoleWindowServices::AskTerminal(const MessageBox& box) {
    const std::vector<BoxButton> choices = BoxButtons(box);
    while (true) {
        std::fprintf(out_, "   answer: ");
        std::fflush(out_);
        char line[64];
        if (std::fgets(line, sizeof line, in_) == nullptr) return FirstButton(box);
        const int picked = std::atoi(line);
        for (const BoxButton& c : choices)
            if (c.value == picked) return picked;
    }
}

int ConsoleWindowServices::Show(const MessageBox& box) {
    std::fprintf(out_, "%s", BoxText(box).c_str());
    int answer = 0;
    if (answerer_)
        answer = answerer_(box);
    else if (in_ != nullptr && isatty(fileno(in_)) && isatty(fileno(out_)))
        answer = AskTerminal(box);
    else
        answer = FirstButton(box);
    std::fprintf(out_, "   -> %d\n", answer);
    std::fflush(out_);
    return answer;
}

void ConsoleWindowServices::Halt(int exitCode, std::string_view text) {
    MessageBox box;
    box.caption = "Halt";
    box.text = std::string(text);
    box.icon = std::string(icon::Stop);
    std::fprintf(out_, "%s", BoxText(box).c_str());
    std::fflush(out_);
    std::exit(exitCode);
}

}  // namespace dbprobe::platform
