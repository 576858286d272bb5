#include "framework/platform/core/config_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace dbprobe::platform {
namespace {

// Sets or clears an environment variable for the test's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ConfigDirectory, PrefersOwnVariableThenXdgThenHome) {
    struct Case {
        const char* own;
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/etc/probe", "/x", "/h", "/etc/probe"},
        {nullptr, "/x", "/h", "/x/dbprobe"},
        {"", "/x", "/h", "/x/dbprobe"},
        {nullptr, nullptr, "/h", "/h/.config/dbprobe"},
        {nullptr, "", "/h", "/h/.config/dbprobe"},
    };
    for (const Case& c : cases) {
        ScopedEnv own("DBPROBE_CONFIG_DIR", c.own);
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(ConfigDirectory(), c.expected);
    }
}

TEST(ConfigDirectory, OnlyBareNamesGoThere) {
    ScopedEnv own("DBPROBE_CONFIG_DIR", "/cfg");
    EXPECT_EQ(ProfilePath("dbprobe.INI"), "/cfg/dbprobe.INI");
    EXPECT_EQ(ProfilePath("WIN.INI"), "/cfg/WIN.INI");
    EXPECT_EQ(ProfilePath("/tmp/other.ini"), "/tmp/other.ini");
    EXPECT_EQ(ProfilePath("sub/x.ini"), "sub/x.ini");
}

}  // namespace
}  // namespace dbprobe::platform
