#include "framework/error_manager.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "framework/error_catalogue.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/trim.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::framework {
namespace {

using namespace platform::literals;

thread_local ErrorStatus t_status;

std::string Bounded(std::string_view text) {
    return std::string(text.substr(0, ErrorStatus::kMaxText));
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return platform::UpperCase(x) == platform::UpperCase(y);
           });
}

std::size_t FindIgnoringCase(const std::string& text, std::string_view what, std::size_t from) {
    if (what.empty() || text.size() < what.size()) return std::string::npos;
    for (std::size_t i = from; i + what.size() <= text.size(); ++i)
        if (SameIgnoringCase(std::string_view(text).substr(i, what.size()), what)) return i;
    return std::string::npos;
}

std::string Now(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

}  // namespace

ErrorStatus& ThreadErrorStatus() { return t_status; }

void ResetThreadErrorStatus() { t_status = ErrorStatus{}; }

std::string ErrorLog::Append(const std::string& line) {
    std::FILE* file = std::fopen(fileName_.c_str(), "a");
    if (file == nullptr) return "Unable to Open error log; ";
    std::string problem;
    const std::string bounded = line.substr(0, 1024) + "\n";
    if (std::fwrite(bounded.data(), 1, bounded.size(), file) != bounded.size())
        problem = "Unable to update error log; ";
    if (std::fclose(file) != 0 && problem.empty()) problem = "Unable to close error log; ";
    return problem;
}

std::string ReplacePlaceholder(std::string text, std::string_view placeholder, std::string_view value) {
    if (SameIgnoringCase(value, placeholder)) return text;
    std::size_t at = FindIgnoringCase(text, placeholder, 0);
    while (at != std::string::npos) {
        text.replace(at, placeholder.size(), value);
        at = FindIgnoringCase(text, placeholder, at + value.size());
    }
    return text;
}

// --- Virtual operations.

void ErrorManager::Destroy() {
    std::lock_guard guard(critSect);
    errors_.clear();
    history_.clear();
    procNames.clear();
}

void ErrorManager::AddEntry(std::int32_t id, std::uint8_t fatality, std::string title,
                            std::string message, std::string category) {
    std::lock_guard guard(critSect);
    errors_.push_back({id, std::move(message), std::move(title), fatality, std::move(category)});
}

void ErrorManager::AddEntries(std::string_view block) {
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(block[at]); };
    if (block.size() < 2) return;
    const std::size_t count = byte(0) | (byte(1) << 8);
    std::size_t at = 2;
    auto text = [&](std::string& out) {
        if (at >= block.size()) return false;
        const std::size_t n = byte(at++);
        if (at + n > block.size()) return false;
        out.assign(block.substr(at, n));
        at += n;
        return true;
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (at + 3 > block.size()) return;  // a cut block: what is complete is loaded
        const std::int32_t id = byte(at) | (byte(at + 1) << 8);
        const std::uint8_t fatality = byte(at + 2);
        at += 3;
        std::string title, message;
        if (!text(title) || !text(message)) return;
        AddEntry(id, fatality, std::move(title), std::move(message), std::string());
    }
}

void ErrorManager::RecordHistory() {
    std::lock_guard guard(critSect);
    history_.push_back(Status());
    if (historyThreshold > 0 && history_.size() > static_cast<std::size_t>(historyThreshold))
        history_.erase(history_.begin(),
                       history_.end() - static_cast<std::ptrdiff_t>(historyThreshold));
}

int ErrorManager::OpenHistoryWindow(std::string_view caption) {
    std::string text;
    {
        std::lock_guard guard(critSect);
        for (const ErrorStatus& s : history_)
            text += (text.empty() ? "" : "|") + s.errorBuffer.title + ": " + s.errorBuffer.message;
    }
    if (historyResetOnView) {
        std::lock_guard guard(critSect);
        history_.clear();
    }
    return ShowBox(text, caption, platform::icon::None, platform::button::Ok, platform::button::Ok, 0);
}

int ErrorManager::DisplayMessage(std::string_view icon, int buttons, int defaultButton, int style) {
    const std::string text = FillPlaceholders();
    return ShowBox(text, Status().errorBuffer.title, icon, buttons, defaultButton, style);
}

int ErrorManager::ShowBox(std::string_view text, std::string_view caption, std::string_view icon,
                          int buttons, int defaultButton, int style) {
    ErrorStatus& s = Status();
    if (logErrors && errorLog != nullptr) {
        std::lock_guard guard(critSect);
        const std::string problem = errorLog->Append(Now("%Y-%m-%d") + "@" + Now("%H:%M:%S") + " --> " + std::string(text));
        if (!problem.empty()) s.messageText = Bounded(problem + s.messageText);
    }
    if (historyThreshold != 0) RecordHistory();
    if (silent) return defaultButton;
    if (historyThreshold != 0 && s.errorBuffer.fatality >= historyViewLevel) return BrowseHistory();
    platform::WindowServices* services = platform::Services();
    if (services == nullptr) return defaultButton;
    platform::MessageBox box;
    box.text = std::string(text);
    box.caption = std::string(caption);
    box.icon = std::string(icon);
    box.buttons = buttons;
    box.defaultButton = defaultButton;
    box.style = style;
    return services->Show(box);
}

void ErrorManager::RemoveEntry(std::int32_t id) {
    std::lock_guard guard(critSect);
    errors_.erase(std::remove_if(errors_.begin(), errors_.end(),
                                 [id](const ErrorEntry& e) { return e.id == id; }),
                  errors_.end());
}

void ErrorManager::Initialise(ErrorLog* log) {
    errorLog = log;
    {
        std::lock_guard guard(critSect);
        errors_.clear();
        history_.clear();
        procNames.clear();
    }
    AddEntries(CzechCatalogue());
}

int ErrorManager::HandleBenign() { return level::Benign; }

int ErrorManager::HandleFatal() {
    const std::string text = FillPlaceholders() + "  Stiskněte OK pro ukončení programu"_w1250.str();
    const std::string title = Status().errorBuffer.title;
    ShowBox(text, title, platform::icon::Exclamation, platform::button::Ok, platform::button::Ok, msgStyle);
    if (platform::WindowServices* services = platform::Services()) services->Halt(0, title);
    return level::Fatal;
}

int ErrorManager::HandleNotify() {
    DisplayMessage(platform::icon::Exclamation, platform::button::Ok, platform::button::Ok, msgStyle);
    return level::Notify;
}

int ErrorManager::HandleOther() { return HandleProgram(); }

int ErrorManager::HandleProgram() { return HandleFatal(); }

int ErrorManager::AskUser() {
    const int answer = DisplayMessage(platform::icon::Question, platform::button::Yes | platform::button::No,
                                      platform::button::Yes, msgStyle);
    return answer == platform::button::Yes ? level::Benign : level::Cancel;
}

int ErrorManager::BrowseHistory() { return OpenHistoryWindow("Errors History"); }

// --- The rest.

void ErrorManager::Start() {
    status = &ThreadErrorStatus();
    stdErrorLog = std::make_unique<ErrorLog>();
    defaultCategory = "FWK";
    historyThreshold = 0;
    historyViewLevel = 3;
    historyResetOnView = false;
    Initialise(stdErrorLog.get());
}

int ErrorManager::Report(std::int32_t id) {
    SelectEntry(id);
    switch (Status().errorBuffer.fatality) {
        case level::Benign: return HandleBenign();
        case level::User:
        case level::Cancel: return AskUser();
        case level::Program: return HandleProgram();
        case level::Fatal: return HandleFatal();
        case level::Notify: HandleNotify(); return level::Notify;
        default: return HandleOther();
    }
}

int ErrorManager::ReportWithState(std::int32_t id) {
    SaveErrorState();
    return Report(id);
}

int ErrorManager::ReportWithMessage(std::int32_t id, std::string_view text) {
    Status().messageText = Bounded(text);
    return ReportWithState(id);
}

void ErrorManager::SaveErrorState() {
    const odbc::RuntimeErrorState& e = odbc::CurrentErrors();
    ErrorStatus& s = Status();
    s.saveErrorCode = e.errorCode;
    s.saveError = Bounded(platform::TrimRight(e.errorText));
    s.saveFileErrorCode = Bounded(platform::TrimRight(e.fileErrorCode));
    s.saveFileError = Bounded(platform::TrimRight(e.fileErrorText));
}

void ErrorManager::SetFileText(std::string_view text) { Status().fileName = Bounded(text); }
void ErrorManager::SetKeyText(std::string_view text) { Status().keyName = Bounded(text); }
void ErrorManager::SetFieldText(std::string_view text) { Status().fieldName = Bounded(text); }

void ErrorManager::SetProcedure(std::string_view name, bool pop) {
    std::lock_guard guard(critSect);
    const std::thread::id self = std::this_thread::get_id();
    if (!pop) {
        procNames.emplace_back(self, std::string(name));
        return;
    }
    for (auto it = procNames.rbegin(); it != procNames.rend(); ++it)
        if (it->first == self) {
            procNames.erase(std::next(it).base());
            return;
        }
}

std::string ErrorManager::CurrentProcedure() const {
    std::lock_guard guard(critSect);
    const std::thread::id self = std::this_thread::get_id();
    for (auto it = procNames.rbegin(); it != procNames.rend(); ++it)
        if (it->first == self) return it->second;
    return {};
}

void ErrorManager::ChooseCategory(std::int32_t id, std::string_view category) {
    std::lock_guard guard(critSect);
    if (id == -1) {
        defaultCategory = std::string(category);
        return;
    }
    for (ErrorEntry& e : errors_)
        if (e.id == id) e.category = std::string(category);
}

std::string ErrorManager::CurrentCategory(std::int32_t id) const {
    const ErrorEntry* e = FindEntry(id);
    return e != nullptr && !e->category.empty() ? e->category : defaultCategory;
}

int ErrorManager::AskQuestion(std::int32_t id, int buttons, int defaultButton) {
    if (silent) return defaultButton;
    SelectEntry(id);
    platform::WindowServices* services = platform::Services();
    if (services == nullptr) return defaultButton;
    platform::MessageBox box;
    box.text = FillPlaceholders();
    box.caption = Status().errorBuffer.title;
    box.icon = std::string(platform::icon::Question);
    box.buttons = buttons;
    box.defaultButton = defaultButton;
    box.style = msgStyle;
    return services->Show(box);
}

const ErrorEntry* ErrorManager::FindEntry(std::int32_t id) const {
    std::lock_guard guard(critSect);
    for (auto it = errors_.rbegin(); it != errors_.rend(); ++it)
        if (it->id == id) return &*it;
    return nullptr;
}

void ErrorManager::SelectEntry(std::int32_t id) {
    ErrorStatus& s = Status();
    s.prevErrorId = s.errorBuffer.id;
    if (const ErrorEntry* e = FindEntry(id)) {
        s.errorBuffer = *e;
        return;
    }
    s.errorBuffer = ErrorEntry{};
    s.errorBuffer.id = id;
}

std::string ErrorManager::FillPlaceholders() const {
    const ErrorStatus& s = Status();
    std::string text = s.errorBuffer.message.substr(0, 2000);
    const bool fileError = s.saveErrorCode == 90 || s.saveErrorCode == 100;
    const std::string errorText = fileError
                                      ? s.saveFileError + " (" + s.saveFileErrorCode + ")"
                                      : s.saveError + " (" + std::to_string(s.saveErrorCode) + ")";
    // Longer names first, so that "%FileErrorCode" is not read as "%File".
    text = ReplacePlaceholder(text, "%FileErrorCode", s.saveFileErrorCode);
    text = ReplacePlaceholder(text, "%FileError", s.saveFileError);
    text = ReplacePlaceholder(text, "%File", s.fileName);
    text = ReplacePlaceholder(text, "%Key", s.keyName);
    text = ReplacePlaceholder(text, "%ErrorCode", std::to_string(s.saveErrorCode));
    text = ReplacePlaceholder(text, "%ErrorText", errorText);
    text = ReplacePlaceholder(text, "%Error", s.saveError);
    text = ReplacePlaceholder(text, "%Message", s.messageText);
    text = ReplacePlaceholder(text, "%Field", s.fieldName);
    text = ReplacePlaceholder(text, "%Procedure", CurrentProcedure());
    text = ReplacePlaceholder(text, "%Category", s.errorBuffer.category);
    if (FindIgnoringCase(text, "%Previous", 0) != std::string::npos) {
        const ErrorEntry* previous = FindEntry(s.prevErrorId);
        text = ReplacePlaceholder(text, "%Previous", previous != nullptr ? previous->message : "");
    }
    return text;
}

}  // namespace dbprobe::framework
