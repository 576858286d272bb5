#pragma once
// A fixed process id, thread number and time for the trace log's line prefix,
// and a tick counter the test moves by hand.

#include <string>

#include "odbc/session/trace_logger.h"

namespace dbprobe::testing {

class FakeClock final : public odbc::TraceClock {
public:
    explicit FakeClock(long start = 100) : now(start) {}
    unsigned long ProcessId() override { return 0x1A2B; }
    long ThreadNumber() override { return 7; }
    std::string LocalTime() override { return "12:34:56.789"; }
    long Hundredths() override { return now; }
    long now;
};

// The line prefix under FakeClock.
inline const std::string kFakeClockPrefix = "01A2BH(7) 12:34:56.789 ";

}  // namespace dbprobe::testing
