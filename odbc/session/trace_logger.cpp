#include "odbc/session/trace_logger.h"

namespace dbprobe::odbc {

class LogFile {};

TraceLogger::~TraceLogger() = default;

}  // namespace dbprobe::odbc
