#pragma once
// The translator of window texts: one per process. Texts with a non-empty
// translation in its queue are replaced; a "%name%" reference inside a text
// is replaced by the translation of name, nested to a depth of 32. The
// built-in queue holds English interface phrases with empty translations,
// so a window without such phrases or references stays as it is.

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/platform/window_services.h"

namespace dbprobe::framework {

class Translator {
public:
    static constexpr std::size_t kMaxText = 1024;
    static constexpr int kMaxDepth = 32;

    // Loads the built-in phrases and the control kinds whose text is translated.
    void Init();
    // Writes the texts that had no entry to `extractText` when it names a
    // file; the translator is then killed.
    void Kill();

    void AddTranslation(std::string_view text, std::string_view translation);
    // The text translated: its own translation when it has a non-empty one,
    // else the text with its %name% references resolved.
    std::string TranslateString(std::string_view text);
    // Translates the caption and every text the type mapping names, through
    // the window services.
    void TranslateWindow(platform::WindowServices& services, platform::WindowId window,
                         const platform::WindowDescription& description);

    // Members in their order.
    std::string extractText;  // file for untranslated texts; empty none
    std::vector<std::pair<std::string, std::string>> queue;
    std::vector<platform::ControlKind> typeMapping;  // kinds whose text property is translated
    std::recursive_mutex critSect;
    bool killed = false;
    // How often TranslateWindow ran (a window is translated once).
    int windowsTranslated = 0;

private:
    const std::string* Lookup(std::string_view text) const;
    std::string Resolve(std::string_view text, int depth);
    std::vector<std::string> untranslated_;
};

// The built-in English phrases (all with empty translations).
const std::vector<std::string_view>& BuiltInPhrases();

}  // namespace dbprobe::framework
