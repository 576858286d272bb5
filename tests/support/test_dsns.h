#pragma once
// The ODBC data sources that scripts/test sets up, and whether this run has
// them. Outside CI a backend whose server did not start is skipped; in CI its
// absence is a failure.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace dbprobe::testing {

inline bool InCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

inline bool DsnAvailable(const std::string& dsn) {
    const char* list = std::getenv("DBPROBE_DSNS");
    if (list == nullptr) return false;
    std::istringstream words(list);
    std::string word;
    while (words >> word)
        if (word == dsn) return true;
    return false;
}

// Test names from data source names: "dbprobe-pg" gives "dbprobe_pg".
struct DsnTestName {
    template <typename Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        std::ostringstream out;
        out << info.param;
        std::string name = out.str();
        for (char& c : name)
            if (c == '-') c = '_';
        return name;
    }
};

// Use at the top of a test that needs the data source.
#define DBPROBE_REQUIRE_DSN(dsn)                                                          \
    do {                                                                                  \
        if (!::dbprobe::testing::DsnAvailable(dsn)) {                                     \
            if (::dbprobe::testing::InCi()) FAIL() << "data source " << (dsn)             \
                                                   << " is not up in CI";                 \
            GTEST_SKIP() << "data source " << (dsn)                                       \
                         << " is not set up (run through scripts/test, or source "        \
                            "build/test-env/env.sh)";                                     \
        }                                                                                 \
    } while (0)

}  // namespace dbprobe::testing
