#pragma once
// The error manager: the one place where the framework turns a failure into
// something the user sees. It holds the numbered error catalogue, keeps per
// thread the context of the current error, fills that context into the
// catalogue text through placeholders, shows it in a message box whose
// buttons follow the entry's level, and returns a level to the caller.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/platform/window_services.h"

namespace dbprobe::framework {

// Levels; a caller treats 0 as success.
namespace level {
inline constexpr std::uint8_t Benign = 0, User = 1, Program = 2, Fatal = 3, Cancel = 4, Notify = 5;
}

struct ErrorEntry {
    std::int32_t id = 0;
    std::string message;
    std::string title;
    std::uint8_t fatality = level::Benign;
    std::string category;
};

// The context of the current error, one per thread. Texts hold at most 255
// characters.
struct ErrorStatus {
    static constexpr std::size_t kMaxText = 255;

    std::string fieldName;
    std::string fileName;
    std::string keyName;
    std::string messageText;
    std::string saveError;
    std::int32_t saveErrorCode = 0;
    std::string saveFileError;
    std::string saveFileErrorCode;
    ErrorEntry errorBuffer;  // the selected entry
    std::int32_t prevErrorId = 0;
};

// This thread's status record (reset at thread start).
ErrorStatus& ThreadErrorStatus();
void ResetThreadErrorStatus();

// The built-in error log: one line per report in "FWKError.Log" of the
// current directory, written only when logging is switched on.
class ErrorLog {
public:
    explicit ErrorLog(std::string fileName = "FWKError.Log") : fileName_(std::move(fileName)) {}
    // Appends one line; the text of what failed when the file cannot be
    // opened, written or closed, else empty.
    std::string Append(const std::string& line);

private:
    std::string fileName_;
};

class ErrorManager {
public:
    ErrorManager() = default;
    ErrorManager(const ErrorManager&) = delete;
    ErrorManager& operator=(const ErrorManager&) = delete;
    virtual ~ErrorManager() { Destroy(); }

    // Virtual operations, in slot order.
    virtual void Destroy();                                                       // 0
    virtual void AddEntry(std::int32_t id, std::uint8_t level, std::string title,  // 1
                          std::string message, std::string category);
    virtual void AddEntries(std::string_view block);                              // 2
    virtual void RecordHistory();                                                 // 3
    virtual int OpenHistoryWindow(std::string_view caption);                      // 4
    virtual int DisplayMessage(std::string_view icon, int buttons, int defaultButton,  // 5
                               int style);
    virtual int ShowBox(std::string_view text, std::string_view caption,         // 6
                        std::string_view icon, int buttons, int defaultButton, int style);
    virtual void RemoveEntry(std::int32_t id);                                    // 7
    virtual void Initialise(ErrorLog* log);                                       // 8
    virtual int HandleBenign();                                                   // 9
    virtual int HandleFatal();                                                    // 10
    virtual int HandleNotify();                                                   // 11
    virtual int HandleOther();                                                    // 12
    virtual int HandleProgram();                                                  // 13
    virtual int AskUser();                                                        // 14
    virtual int BrowseHistory();                                                  // 15

    // Start-up: the thread's status record, the built-in log, the catalogue.
    void Start();

    int Report(std::int32_t id);
    int ReportWithState(std::int32_t id);
    int ReportWithMessage(std::int32_t id, std::string_view text);
    // Takes the record operation's error code and texts into the status record.
    void SaveErrorState();
    void SetFileText(std::string_view text);
    void SetKeyText(std::string_view text);
    void SetFieldText(std::string_view text);
    // Pushes a procedure name for this thread, or pops this thread's last one.
    void SetProcedure(std::string_view name, bool pop = false);
    std::string CurrentProcedure() const;
    void ChooseCategory(std::int32_t id, std::string_view category);
    std::string CurrentCategory(std::int32_t id) const;
    // A window's question: the entry shown with the question icon and the
    // given buttons; the pressed button.
    int AskQuestion(std::int32_t id, int buttons, int defaultButton);

    void SelectEntry(std::int32_t id);
    // The selected entry's message with its placeholders filled in.
    std::string FillPlaceholders() const;

    const std::vector<ErrorEntry>& Entries() const { return errors_; }
    const std::vector<ErrorStatus>& History() const { return history_; }

    // Members in their order.
    std::string defaultCategory = "FWK";
    std::vector<ErrorEntry> errors_;
    ErrorLog* errorLog = nullptr;
    std::vector<ErrorStatus> history_;
    std::vector<std::pair<std::thread::id, std::string>> procNames;
    std::unique_ptr<ErrorLog> stdErrorLog;
    bool silent = false;
    bool logErrors = false;
    std::int32_t historyThreshold = 0;
    std::int32_t historyViewLevel = 3;
    bool historyResetOnView = false;
    mutable std::recursive_mutex critSect;
    ErrorStatus* status = nullptr;
    std::uint16_t msgStyle = 0;

private:
    ErrorStatus& Status() const { return status != nullptr ? *status : ThreadErrorStatus(); }
    const ErrorEntry* FindEntry(std::int32_t id) const;
};

// Replaces every occurrence of `placeholder` (found without regard to letter
// case) by `value`. Text put in is not searched again, so a value holding its
// own placeholder cannot make it loop; a value equal to the placeholder
// leaves the text alone.
std::string ReplacePlaceholder(std::string text, std::string_view placeholder, std::string_view value);

}  // namespace dbprobe::framework
