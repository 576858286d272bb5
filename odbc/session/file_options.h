#pragma once
// The driver switches and numbered properties kept on a file's driver state.

#include <string>

namespace dbprobe::odbc {

struct FileOptions {
    bool gatherAtOpen = false;
    bool ignoreTruncation = false;
    bool noVerify = false;  // also TURBOSQL
    bool odbcCall = true;
    bool orderInSelect = true;
    bool verifyViaSelect = false;
    bool zeroIsNull = true;
    std::string where;  // the standing filter
};

}  // namespace dbprobe::odbc
