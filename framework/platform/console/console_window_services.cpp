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

// "Zapisuji data do tabulky (12/1000)": the part before "(", n and N.
bool LoopStatus(const std::string& text, std::string& prefix, long& n, long& total) {
    if (text.empty() || text.back() != ')') return false;
    const std::size_t open = text.rfind('(');
    const std::size_t slash = text.rfind('/');
    if (open == std::string::npos || slash == std::string::npos || slash < open) return false;
    char* end = nullptr;
    n = std::strtol(text.c_str() + open + 1, &end, 10);
    if (end != text.c_str() + slash) return false;
    total = std::strtol(text.c_str() + slash + 1, &end, 10);
    if (end != text.c_str() + text.size() - 1 || total <= 0) return false;
    prefix = text.substr(0, open);
    return true;
}

std::string Bar(long n, long total) {
    constexpr int kWidth = 30;
    const long filled = std::min<long>(kWidth, std::max<long>(0, n * kWidth / total));
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kWidth - filled), '.') + "]";
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

ConsoleWindowServices::ConsoleWindowServices(std::FILE* out, std::FILE* in, Style style)
    : out_(out), in_(in) {
    terminal_ = style == Style::Terminal || (style == Style::Auto && isatty(fileno(out)));
}

std::string ConsoleWindowServices::Printable(const std::string& w1250) const {
    std::string text = ToUtf8(w1250);
    return redact_ ? redact_(std::move(text)) : text;
}

void ConsoleWindowServices::Settle() {
    if (inPlace_) {
        std::fprintf(out_, "\n");
        inPlace_ = false;
    }
    if (!pending_.empty()) {
        std::fprintf(out_, "%s\n", Printable(pending_).c_str());
        pending_.clear();
    }
    loopPrefix_.clear();
}

void ConsoleWindowServices::ShowStatus(const std::string& text) {
    std::string prefix;
    long n = 0, total = 0;
    if (!LoopStatus(text, prefix, n, total)) {
        Settle();
        std::fprintf(out_, "%s\n", Printable(text).c_str());
        return;
    }
    if (terminal_) {
        if (prefix != loopPrefix_) Settle();
        loopPrefix_ = prefix;
        std::fprintf(out_, "\r%s %s\x1b[K", Printable(text).c_str(), Bar(n, total).c_str());
        inPlace_ = true;
        return;
    }
    if (prefix != loopPrefix_) {
        Settle();
        loopPrefix_ = prefix;
        std::fprintf(out_, "%s\n", Printable(text).c_str());
        return;
    }
    pending_ = text;
}

void ConsoleWindowServices::Redisplay(WindowId window) {
    Window* w = Find(window);
    if (w == nullptr) return;
    for (const Control& c : w->description.controls) {
        if (c.kind != ControlKind::Text || c.variable.data == nullptr) continue;
        std::string text = BoundText(c);
        std::string& shown = shown_[{window, c.number}];
        if (text == shown) continue;
        shown = text;
        if (!text.empty()) ShowStatus(text);
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
    Settle();
    std::fprintf(out_, "%s", redact_ ? redact_(BoxText(box)).c_str() : BoxText(box).c_str());
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
    Settle();
    std::fprintf(out_, "%s", redact_ ? redact_(BoxText(box)).c_str() : BoxText(box).c_str());
    std::fflush(out_);
    std::exit(haltHandler_ ? haltHandler_(exitCode, text) : exitCode);
}

}  // namespace dbprobe::platform
