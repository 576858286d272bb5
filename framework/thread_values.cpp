#include "framework/thread_values.h"

namespace dbprobe::framework {
namespace {
thread_local ThreadValues t_values;
}

ThreadValues& CurrentThreadValues() { return t_values; }

void ResetThreadValues() { t_values = ThreadValues{}; }

}  // namespace dbprobe::framework
