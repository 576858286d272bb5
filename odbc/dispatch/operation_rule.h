#pragma once
// The rule table that every record operation passes before and after its handler.

#include <cstdint>

namespace dbprobe::odbc {

// State flags of an attached file (DriverState::stateFlags).
namespace flag {
inline constexpr std::uint32_t Open = 1, HasRecord = 2, LoggedOut = 4, Streaming = 8, Locked = 16,
                               SequenceSet = 32, WriteAccess = 64, Exclusive = 128,
                               IndexBuilt = 256, Watching = 512, Watched = 1024,
                               HoldRequested = 2048, Held = 4096, SequenceFresh = 8192,
                               Building = 16384, ProgressEvents = 32768;
}

// Operation class bits (OperationRule::classMask).
namespace opclass {
inline constexpr std::uint32_t ClearErrorsOnSuccess = 1, ForgetLastRead = 2, KeepLastOperation = 4,
                               KeepAsLastRead = 16, DiscardSavedPosition = 32;
}

struct OperationRule {
    std::uint32_t classMask = 0;
    std::uint32_t required = 0;
    std::uint32_t forbidden = 0;
    std::uint32_t set = 0;             // set on success
    std::uint32_t clear = 0;           // cleared on success
    std::uint32_t clearOnFailure = 0;  // cleared on failure
};

// The rule of an operation code; all-zero for codes without a row (and for
// codes outside the table, which the precondition check refuses anyway).
const OperationRule& RuleFor(int code);

// True when the code has a place in the rule table (0..108).
bool InRuleTable(int code);

}  // namespace dbprobe::odbc
