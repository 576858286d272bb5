#pragma once
// The driver's trace log: the ODBC call trace and the operation profile, two
// streams that share one file. Nothing is formatted while a stream is off:
// callers check TraceOn()/ProfileOn() before building any text.

#include <memory>
#include <string>
#include <string_view>

namespace dbprobe::odbc {

// Process identity and clock of the line prefix; tests inject their own.
class TraceClock {
public:
    virtual ~TraceClock() = default;
    virtual unsigned long ProcessId() = 0;
    virtual long ThreadNumber() = 0;
    virtual std::string LocalTime() = 0;  // "HH:MM:SS.mmm"
    virtual long Hundredths() = 0;        // a tick counter in hundredths of a second
};
// nullptr restores the system clock.
void SetTraceClock(TraceClock* clock);

// This thread's number in the line prefix: 1 for the first thread that asks,
// then 2, 3, ... in the order threads first ask.
long TraceThreadNumber();

// A number as the log writes identities: "0" + upper-case hex digits + "H".
std::string TraceHex(unsigned long value);

// The settings of the system profile section "ZQODBC", read once per process.
struct TraceSettings {
    long trace = 0;
    long debug = 0;
    long profile = 0;
    long flush = 0;
    std::string traceFile = "ODBC.LOG";
    long details = 0;
};
const TraceSettings& CurrentTraceSettings();
// Settings that replace the profile's for the rest of the process (the
// headless runner's --trace).
void OverrideTraceSettings(const TraceSettings& settings);
// Reads the settings again on next use (tests change the profile between cases).
void ForgetTraceSettings();

class LogFile;

class TraceLogger {
public:
    // A file's logger: the profile settings, then LOGFILE and ALLOWDETAILS from
    // the file's driver string. encrypted: the file has the ENCRYPT attribute.
    TraceLogger(std::string_view driverString, bool encrypted);
    // The environment's logger: the profile settings only.
    static std::unique_ptr<TraceLogger> ForEnvironment();
    ~TraceLogger();
    TraceLogger(const TraceLogger&) = delete;
    TraceLogger& operator=(const TraceLogger&) = delete;

    bool TraceOn() const { return traceOn_ && file_ != nullptr; }
    bool ProfileOn() const { return profileOn_ && file_ != nullptr; }
    bool DetailsOn() const { return detailsOn_; }

    // Appends text to the current line (a new line starts with the prefix);
    // with endLine the line is finished.
    void WriteText(std::string_view text, bool endLine = false);
    // Finishes the current line, if one is started.
    void EndLine();
    // Writes text (if any) and returns the current time in hundredths.
    long StartTimer(std::string_view text = {});
    // Writes text (if any), " Time Taken:" and the elapsed time, and ends the line.
    void WriteTimeTaken(long mark, std::string_view text = {});
    // Writes text and a blank (when text is given), kind, a blank and the
    // handle in hexadecimal; returns the time when startTimer, else 0. The
    // handle has upper-case digits and no prefix or suffix ("Statement 1A2B"),
    // the same as the handles that other trace lines quote.
    long WriteHandle(std::string_view kind, const void* handle, std::string_view text,
                     bool startTimer);

    // Finishes any started line, then writes text as a line of its own.
    void WriteLine(std::string_view text);

    // Numbered properties.
    // Switching the trace on opens the log file when none is open yet.
    void SetTraceOn(bool on);
    // An ENCRYPT file without ALLOWDETAILS keeps its details off.
    void SetDetailsOn(bool on);
    // Switching flush on writes out the part of a line built so far.
    void SetFlushOn(bool on);
    // Writes into another log file from now on; an empty name stops writing.
    // The file is opened once a stream is on.
    void UseLogFile(std::string_view name);

    // The log file named by the settings, LOGFILE or UseLogFile.
    const std::string& LogFileName() const { return fileName_; }

    // Set once the file's declaration has been written into the profile.
    bool declarationWritten = false;

private:
    TraceLogger() = default;
    // Takes Profile, Flush, TraceFile and Trace from the settings.
    void ApplySettings(const TraceSettings& settings);
    void Attach();
    void WriteVersionIfFirst();
    void WriteOut();

    std::string fileName_;
    bool detailsAllowed_ = true;
    bool traceOn_ = false;
    bool profileOn_ = false;
    bool flushOn_ = false;
    bool detailsOn_ = false;
    bool atLineStart_ = true;
    std::string line_;
    std::shared_ptr<LogFile> file_;
};

}  // namespace dbprobe::odbc
