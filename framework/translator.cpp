#include "framework/translator.h"

#include <fstream>

namespace dbprobe::framework {

const std::vector<std::string_view>& BuiltInPhrases() {
    static const std::vector<std::string_view> phrases = {
        "&Across",   "&Add",       "&Apply",     "&Cancel",   "&Change",    "&Clear",
        "&Close",    "&Delete",    "&Down",      "&Edit",     "&Exit",      "&Filter",
        "&Find",     "&First",     "&Help",      "&Insert",   "&Last",      "&Next",
        "&No",       "&OK",        "&Previous",  "&Print",    "&Query",     "&Save",
        "&Select",   "&Sort",      "&Up",        "&View",     "&Yes",       "&Zoom",
        "Add",       "All",        "Apply",      "Ascending", "Begins with", "Cancel",
        "Change",    "Clear",      "Close",      "Column",    "Contains",   "Delete",
        "Descending", "Down",      "Edit",       "Ends with", "Equal to",   "Errors History",
        "Field",     "Find",       "First",      "Greater than", "Help",    "Insert",
        "Last",      "Less than",  "Next",       "No",        "OK",         "Page",
        "Previous",  "Print",      "Record",     "Reset",     "Save",       "Select",
        "Sort",      "Up",         "Value",      "Yes",
    };
    return phrases;
}

void Translator::Init() {
    std::lock_guard guard(critSect);
    queue.clear();
    for (std::string_view phrase : BuiltInPhrases()) queue.emplace_back(std::string(phrase), std::string());
    typeMapping = {platform::ControlKind::Text, platform::ControlKind::Prompt, platform::ControlKind::Button};
    killed = false;
}

void Translator::Kill() {
    std::lock_guard guard(critSect);
    if (killed) return;
    if (!extractText.empty() && !untranslated_.empty()) {
        std::ofstream out(extractText);
        for (const std::string& text : untranslated_) out << text << "\n";
    }
    killed = true;
}

void Translator::AddTranslation(std::string_view text, std::string_view translation) {
    std::lock_guard guard(critSect);
    queue.emplace_back(std::string(text.substr(0, kMaxText)), std::string(translation.substr(0, kMaxText)));
}

const std::string* Translator::Lookup(std::string_view text) const {
    for (const auto& [from, to] : queue)
        if (from == text) return &to;
    return nullptr;
}

// Replaces each %name% by the translation of name (or name itself when it
// has none); a reference inside a translation counts one level deeper.
std::string Translator::Resolve(std::string_view text, int depth) {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('%', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos || depth >= kMaxDepth) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, open - at));
        const std::string_view name = text.substr(open + 1, close - open - 1);
        const std::string* translation = Lookup(name);
        const std::string_view value =
            translation != nullptr && !translation->empty() ? std::string_view(*translation) : name;
        out += Resolve(value, depth + 1);
        at = close + 1;
    }
    return out.substr(0, kMaxText);
}

std::string Translator::TranslateString(std::string_view text) {
    std::lock_guard guard(critSect);
    const std::string* translation = Lookup(text);
    if (translation != nullptr && !translation->empty()) return *translation;
    if (translation == nullptr && !extractText.empty()) untranslated_.emplace_back(text);
    return Resolve(text, 0);
}

void Translator::TranslateWindow(platform::WindowServices& services, platform::WindowId window,
                                 const platform::WindowDescription& description) {
    ++windowsTranslated;
    auto apply = [&](int control, const std::string& text) {
        const std::string translated = TranslateString(text);
        if (translated != text) services.SetText(window, control, translated);
    };
    apply(0, description.caption);
    for (const platform::Control& c : description.controls) {
        bool mapped = false;
        for (platform::ControlKind k : typeMapping) mapped = mapped || k == c.kind;
        if (mapped && c.variable.data == nullptr) apply(c.number, c.text);
    }
}

}  // namespace dbprobe::framework
