#pragma once
// A fresh, private configuration directory for one test: profile files named
// without a directory ("dbprobe.INI", "WIN.INI") go there while it lives.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace dbprobe::testing {

class ScopedConfigDir {
public:
    explicit ScopedConfigDir(const std::string& name) {
        dir_ = std::filesystem::temp_directory_path() / ("dbprobe-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        if (const char* old = std::getenv("DBPROBE_CONFIG_DIR")) old_ = old;
        setenv("DBPROBE_CONFIG_DIR", dir_.c_str(), 1);
    }
    ~ScopedConfigDir() {
        if (old_.empty())
            unsetenv("DBPROBE_CONFIG_DIR");
        else
            setenv("DBPROBE_CONFIG_DIR", old_.c_str(), 1);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScopedConfigDir(const ScopedConfigDir&) = delete;
    ScopedConfigDir& operator=(const ScopedConfigDir&) = delete;

    const std::filesystem::path& Path() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::string old_;
};

}  // namespace dbprobe::testing
