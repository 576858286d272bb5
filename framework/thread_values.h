#pragma once
// The values window procedures of one thread share: what a called procedure
// is asked to do, what the last one answered, and the record-navigation
// request. All 0 at thread start.

namespace dbprobe::framework {

// Responses of a window procedure.
namespace response {
inline constexpr int Completed = 1, Cancelled = 2;
}

struct ThreadValues {
    int globalRequest = 0;
    int globalResponse = 0;
    int navigationRequest = 0;
};

ThreadValues& CurrentThreadValues();
void ResetThreadValues();

}  // namespace dbprobe::framework
