#pragma once
// Switches the driver's ODBC call trace on for a test through a private
// WIN.INI, and reads back what was written.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "odbc/session/trace_logger.h"

namespace dbprobe::testing {

class TraceCapture {
public:
    TraceCapture() {
        dir_ = std::filesystem::temp_directory_path() /
               ("dbprobe-trace-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        log_ = dir_ / "odbc.log";
        std::ofstream(dir_ / "WIN.INI") << "[ZQODBC]\nTrace=1\nTraceFile=" << log_.string() << "\n";
        if (const char* old = std::getenv("DBPROBE_CONFIG_DIR")) old_ = old;
        setenv("DBPROBE_CONFIG_DIR", dir_.c_str(), 1);
        odbc::ForgetTraceSettings();
    }
    ~TraceCapture() {
        if (old_.empty())
            unsetenv("DBPROBE_CONFIG_DIR");
        else
            setenv("DBPROBE_CONFIG_DIR", old_.c_str(), 1);
        odbc::ForgetTraceSettings();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string Text() const {
        std::ifstream in(log_);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    // The SQL of every "Executing Statement <h>:" line, in order.
    std::vector<std::string> Executed() const {
        std::vector<std::string> sql;
        std::istringstream lines(Text());
        std::string line;
        while (std::getline(lines, line)) {
            const std::size_t at = line.find("Executing Statement ");
            if (at == std::string::npos) continue;
            const std::size_t colon = line.find(':', at);
            std::string text = line.substr(colon + 1);
            const std::size_t time = text.find(" Time Taken:");
            if (time != std::string::npos) text.resize(time);
            if (!text.empty() && text.back() == '\r') text.pop_back();
            sql.push_back(text);
        }
        return sql;
    }
    int Count(const std::string& fragment) const {
        const std::string text = Text();
        int count = 0;
        for (std::size_t at = text.find(fragment); at != std::string::npos;
             at = text.find(fragment, at + 1))
            ++count;
        return count;
    }

private:
    static inline int counter_ = 0;
    std::filesystem::path dir_;
    std::filesystem::path log_;
    std::string old_;
};

}  // namespace dbprobe::testing
