#pragma once
// A test fixture over the scripted fake driver manager: each test starts with
// a fresh driver environment and a fresh script.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "tools/fake_odbc/fake_odbc_control.h"

namespace dbprobe::testing {

class FakeOdbcTest : public ::testing::Test {
protected:
    void SetUp() override { UseLibrary(FAKE_ODBC_LIBRARY); }
    void TearDown() override { odbc::EndProgram(); }

    static void UseLibrary(const char* path) {
        odbc::EndProgram();
        setenv("DBPROBE_ODBC_LIBRARY", path, 1);
        fake_odbc_reset();
        odbc::ClearErrors();
    }
    static int Calls(const char* function) { return fake_odbc_call_count(function); }
    static std::string Log() { return fake_odbc_calls(); }
    static void Push(const char* function, int rc, const char* state, const char* message,
                     int count = 1, int native = 0) {
        fake_odbc_push(function, rc, state, native, message, count);
    }
    // The texts of the recorded calls of one function, in order.
    static std::vector<std::string> Texts(const std::string& function) {
        std::vector<std::string> texts;
        std::istringstream lines(Log());
        std::string line;
        const std::string prefix = function + " ";
        while (std::getline(lines, line))
            if (line.rfind(prefix, 0) == 0) texts.push_back(line.substr(prefix.size()));
        return texts;
    }
};

}  // namespace dbprobe::testing
