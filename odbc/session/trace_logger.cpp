#include "odbc/session/trace_logger.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "framework/platform/core/profile_file.h"

namespace dbprobe::odbc {
namespace {

constexpr std::string_view kDriverName = "ODBC";
constexpr std::string_view kProfileFile = "WIN.INI";
constexpr std::size_t kMaxTraceFileName = 260;
// Sends the log to the debugger channel; standard error stands in for it.
constexpr std::string_view kDebuggerName = "DEBUG:";

// --- Clock -------------------------------------------------------------------

class SystemClock final : public TraceClock {
public:
    unsigned long ProcessId() override { return static_cast<unsigned long>(getpid()); }
    long ThreadNumber() override { return TraceThreadNumber(); }
    std::string LocalTime() override {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::tm local{};
        localtime_r(&now.tv_sec, &local);
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min,
                      local.tm_sec, static_cast<long>(now.tv_nsec / 1000000));
        return text;
    }
    long Hundredths() override {
        using namespace std::chrono;
        return static_cast<long>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() / 10);
    }
};

SystemClock& DefaultClock() {
    static SystemClock clock;
    return clock;
}

std::atomic<TraceClock*> injectedClock{nullptr};

TraceClock& Clock() {
    TraceClock* clock = injectedClock.load(std::memory_order_acquire);
    return clock != nullptr ? *clock : DefaultClock();
}

// --- Settings ----------------------------------------------------------------

struct SettingsCache {
    std::mutex lock;
    bool loaded = false;
    bool pinned = false;  // overridden: the profile is not read again
    TraceSettings settings;
};

SettingsCache& Settings() {
    static SettingsCache cache;
    return cache;
}

TraceSettings ReadTraceSettings() {
    const std::string section = "ZQ" + std::string(kDriverName);
    auto number = [&](std::string_view key) {
        return platform::ReadProfileInt(kProfileFile, section, key, 0);
    };
    TraceSettings s;
    s.trace = number("Trace");
    s.debug = number("Debug");
    s.profile = number("Profile");
    s.flush = number("Flush");
    s.details = number("Details");
    // An empty entry names no file at all; the default serves better than
    // a logger that can never open its file.
    std::optional<std::string> file = platform::ReadProfileString(kProfileFile, section, "TraceFile");
    s.traceFile = file && !file->empty() ? file->substr(0, kMaxTraceFileName)
                                         : std::string(kDriverName) + ".LOG";
    return s;
}

// Call with the cache's lock held.
const TraceSettings& LoadedSettings(SettingsCache& cache) {
    if (!cache.loaded) {
        cache.settings = ReadTraceSettings();
        cache.loaded = true;
    }
    return cache.settings;
}

// A copy taken under the lock, safe from a concurrent ForgetTraceSettings.
TraceSettings SettingsCopy() {
    SettingsCache& cache = Settings();
    std::lock_guard guard(cache.lock);
    return LoadedSettings(cache);
}

// --- Driver string switches ----------------------------------------------------

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

struct LoggerSwitches {
    std::optional<std::string> logFile;  // set when LOGFILE was given
    std::optional<std::string> message;
    bool allowDetails = false;
};

// The pieces of a driver string after its first '/', each without the
// blanks before the next '/'; "//" stands for a '/' inside a piece (a log
// file's directory), as everywhere in driver strings.
std::vector<std::string> SwitchPieces(std::string_view driverString) {
    std::vector<std::string> pieces;
    std::size_t i = driverString.find('/');
    if (i == std::string_view::npos) return pieces;
    std::string current;
    for (++i; i <= driverString.size(); ++i) {
        if (i < driverString.size() && driverString[i] != '/') {
            current += driverString[i];
        } else if (i + 1 < driverString.size() && driverString[i + 1] == '/') {
            current += '/';
            ++i;
        } else {
            pieces.emplace_back(TrimRight(current));
            current.clear();
        }
    }
    return pieces;
}

// LOGFILE=name [message] and ALLOWDETAILS among the pieces of the driver
// string; the names must be written exactly so.
LoggerSwitches ReadSwitches(std::string_view driverString) {
    LoggerSwitches found;
    for (const std::string& text : SwitchPieces(driverString)) {
        const std::string_view piece(text);
        const std::size_t eq = piece.find('=');
        const std::string_view name = TrimRight(piece.substr(0, eq));
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view() : TrimLeft(piece.substr(eq + 1));
        if (name == "ALLOWDETAILS") {
            found.allowDetails = true;
        } else if (name == "LOGFILE" && !value.empty()) {
            const std::size_t open = value.find('[');
            if (open == std::string_view::npos) {
                found.logFile = std::string(value);
                found.message.reset();
            } else {
                const std::size_t close = value.find(']', open + 1);
                found.logFile = std::string(TrimRight(value.substr(0, open)));
                found.message = std::string(value.substr(
                    open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
            }
        }
    }
    return found;
}

// --- Text --------------------------------------------------------------------

bool Printable(unsigned char c) { return (c >= 32 && c <= 126) || (c >= 192 && c <= 254); }

void AppendEscaped(std::string& out, std::string_view text) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (Printable(c)) {
            out += ch;
        } else {
            out += '<';
            out += TraceHex(c);
            out += '>';
        }
    }
}

void AppendPrefix(std::string& out) {
    TraceClock& clock = Clock();
    char head[64];
    std::snprintf(head, sizeof head, "0%lXH(%ld) ", clock.ProcessId(), clock.ThreadNumber());
    out += head;
    out += clock.LocalTime();
    out += ' ';
}

// --- Log files ---------------------------------------------------------------

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool IsDebuggerName(std::string_view name) {
    if (name.size() != kDebuggerName.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != kDebuggerName[i]) return false;
    return true;
}

}  // namespace

// One open log file, shared by every logger that names it.
class LogFile {
public:
    // fd < 0: the debugger channel.
    explicit LogFile(int fd) : file_(fd) {}

    bool IsDebugger() const { return file_.get() < 0; }

    void Append(std::string_view bytes) {
        std::lock_guard guard(lock_);
        const int fd = IsDebugger() ? STDERR_FILENO : file_.get();
        while (!bytes.empty()) {
            const ssize_t n = write(fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;  // a log that cannot be written loses the text
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

private:
    std::mutex lock_;
    Descriptor file_;
};

namespace {

struct LogRegistry {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<LogFile>> files;
};

LogRegistry& Registry() {
    static LogRegistry registry;
    return registry;
}

// The registry key: the full path, so that "x.log" and "./x.log" share an entry.
std::string RegistryKey(std::string_view name) {
    if (IsDebuggerName(name)) return std::string(kDebuggerName);
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(name), ec);
    return ec ? std::string(name) : full.lexically_normal().string();
}

// The shared entry of a log file, opened (and created when missing) on first
// use; nothing when it cannot be opened.
std::shared_ptr<LogFile> AcquireLogFile(std::string_view name) {
    if (name.empty()) return nullptr;
    const std::string key = RegistryKey(name);
    LogRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    for (auto it = registry.files.begin(); it != registry.files.end();)
        it = it->second.expired() ? registry.files.erase(it) : std::next(it);
    if (auto it = registry.files.find(key); it != registry.files.end()) return it->second.lock();

    std::shared_ptr<LogFile> file;
    if (key == kDebuggerName) {
        file = std::make_shared<LogFile>(-1);
    } else {
        // Appends to what is there: loggers of other files and earlier runs
        // share the log.
        const int fd = open(key.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return nullptr;
        file = std::make_shared<LogFile>(fd);
    }
    registry.files[key] = file;
    return file;
}

std::atomic<bool> versionPending{true};

}  // namespace

// --- Free functions ------------------------------------------------------------

void SetTraceClock(TraceClock* clock) { injectedClock.store(clock, std::memory_order_release); }

long TraceThreadNumber() {
    static std::atomic<long> lastNumber{0};
    thread_local long number = 0;
    if (number == 0) number = lastNumber.fetch_add(1) + 1;
    return number;
}

std::string TraceHex(unsigned long value) {
    char text[32];
    std::snprintf(text, sizeof text, "0%lXH", value);
    return text;
}

const TraceSettings& CurrentTraceSettings() {
    SettingsCache& cache = Settings();
    std::lock_guard guard(cache.lock);
    return LoadedSettings(cache);
}

void OverrideTraceSettings(const TraceSettings& settings) {
    SettingsCache& cache = Settings();
    std::lock_guard guard(cache.lock);
    cache.settings = settings;
    cache.loaded = true;
    cache.pinned = true;
}

void ForgetTraceSettings() {
    SettingsCache& cache = Settings();
    std::lock_guard guard(cache.lock);
    if (!cache.pinned) cache.loaded = false;
}

// --- TraceLogger ---------------------------------------------------------------

TraceLogger::TraceLogger(std::string_view driverString, bool encrypted) {
    const TraceSettings settings = SettingsCopy();
    ApplySettings(settings);
    const LoggerSwitches switches = ReadSwitches(driverString);
    if (switches.logFile) {
        // "LOGFILE=[message]" names no file: the settings' file serves.
        if (!switches.logFile->empty()) fileName_ = *switches.logFile;
        profileOn_ = true;
    }
    detailsAllowed_ = !encrypted || switches.allowDetails;
    detailsOn_ = detailsAllowed_ && settings.details != 0;
    if (profileOn_ || traceOn_) Attach();
    if (switches.message) WriteLine(*switches.message);
    WriteVersionIfFirst();
}

std::unique_ptr<TraceLogger> TraceLogger::ForEnvironment() {
    std::unique_ptr<TraceLogger> logger(new TraceLogger());
    logger->ApplySettings(SettingsCopy());
    if (logger->profileOn_ || logger->traceOn_) logger->Attach();
    logger->WriteVersionIfFirst();
    return logger;
}

TraceLogger::~TraceLogger() { EndLine(); }

void TraceLogger::ApplySettings(const TraceSettings& settings) {
    profileOn_ = settings.profile != 0;
    flushOn_ = settings.flush != 0;
    fileName_ = settings.traceFile;
    traceOn_ = settings.trace != 0;
}

void TraceLogger::Attach() {
    if (file_ == nullptr) file_ = AcquireLogFile(fileName_);
}

void TraceLogger::WriteVersionIfFirst() {
    // Claimed by the first logger even when it has no file: the line is then
    // lost, as it would be in a log nobody opened.
    if (versionPending.exchange(false) && file_ != nullptr) WriteLine("Version: 6.200.01.001");
}

void TraceLogger::WriteOut() {
    file_->Append(line_);
    line_.clear();
}

void TraceLogger::WriteText(std::string_view text, bool endLine) {
    if (file_ == nullptr) return;
    if (atLineStart_) {
        AppendPrefix(line_);
        atLineStart_ = false;
    }
    AppendEscaped(line_, text);
    // The debugger channel takes every piece as it comes, like a flushed file.
    if (flushOn_ || file_->IsDebugger()) WriteOut();
    if (endLine) EndLine();
}

void TraceLogger::EndLine() {
    if (file_ == nullptr || atLineStart_) return;
    line_ += "\r\n";
    WriteOut();
    atLineStart_ = true;
}

void TraceLogger::WriteLine(std::string_view text) {
    EndLine();
    WriteText(text, true);
}

long TraceLogger::StartTimer(std::string_view text) {
    if (!text.empty()) WriteText(text);
    return Clock().Hundredths();
}

void TraceLogger::WriteTimeTaken(long mark, std::string_view text) {
    if (file_ == nullptr) return;
    if (!text.empty()) WriteText(text);
    long elapsed = Clock().Hundredths() - mark;
    if (elapsed < 0) elapsed = 0;
    char taken[64];
    std::snprintf(taken, sizeof taken, " Time Taken:%ld.%02ld secs", elapsed / 100, elapsed % 100);
    WriteText(taken, true);
}

long TraceLogger::WriteHandle(std::string_view kind, const void* handle, std::string_view text,
                              bool startTimer) {
    if (file_ != nullptr) {
        char hex[32];
        std::snprintf(hex, sizeof hex, " %" PRIXPTR, reinterpret_cast<std::uintptr_t>(handle));
        std::string piece;
        if (!text.empty()) piece.append(text).append(" ");
        piece.append(kind).append(hex);
        WriteText(piece);
    }
    return startTimer ? Clock().Hundredths() : 0;
}

void TraceLogger::SetTraceOn(bool on) {
    traceOn_ = on;
    if (on) Attach();
}

void TraceLogger::SetDetailsOn(bool on) { detailsOn_ = on && detailsAllowed_; }

void TraceLogger::SetFlushOn(bool on) {
    flushOn_ = on;
    if (on && file_ != nullptr && !line_.empty()) WriteOut();
}

void TraceLogger::UseLogFile(std::string_view name) {
    EndLine();
    file_.reset();
    fileName_ = std::string(name);
    if (!fileName_.empty() && (profileOn_ || traceOn_)) Attach();
}

}  // namespace dbprobe::odbc
