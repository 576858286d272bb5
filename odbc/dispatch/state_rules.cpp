#include "odbc/dispatch/state_rules.h"

#include "odbc/dispatch/operation.h"
#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::odbc {
namespace {

bool AllowedWhileBuilding(int operation) {
    return operation == op::CLOSE || operation == op::NAME || operation == op::GET_PROPERTY ||
           operation == op::BUILDevent || operation == op::GETPROPERTYkey;
}

bool NeedsPosition(int operation) {
    return operation == op::RESETfile || operation == op::RESETkey || operation == op::REGETfile ||
           operation == op::REGETkey;
}

bool Blank(const std::string* text) {
    return text == nullptr || text->find_first_not_of(' ') == std::string::npos;
}

int MissingFlags(const DriverState& state, int operation, const KeyDescriptor* key,
                 const KeyState* keyState) {
    if (!InRuleTable(operation)) return err::UnsupportedFunction;
    if (op::TakesKey(operation) &&
        (key == nullptr || key->owner != state.file || keyState == nullptr))
        return err::InvalidKeyFile;

    const OperationRule& rule = RuleFor(operation);
    const std::uint32_t s = state.stateFlags;
    std::uint32_t missing = rule.required & ~s & ~flag::IndexBuilt;
    if (missing == 0 && keyState != nullptr && keyState->dynamic &&
        (rule.required & flag::IndexBuilt) && !keyState->indexBuilt)
        missing = flag::IndexBuilt;

    if (missing == 0) {
        if ((s & flag::Building) && !AllowedWhileBuilding(operation)) return err::BuildInProgress;
        const std::uint32_t present = s & rule.forbidden;
        if (present & flag::Open) return err::FileAlreadyOpen;
        if (present & flag::LoggedOut) return err::LogoutAlreadyActive;
        return present != 0 ? -1 : 0;
    }
    if (missing & flag::Open) return err::FileNotOpen;
    if (missing & flag::IndexBuilt) return err::KeyFileMustBeRebuilt;
    if (!(s & flag::Open)) return 0;
    if (missing & (flag::HasRecord | flag::SequenceSet)) return err::RecordNotAvailable;
    if (missing & flag::Exclusive) return err::ExclusiveAccessRequired;
    if (missing & flag::WriteAccess) return err::AccessDenied;
    return -1;
}

}  // namespace

int CheckPreconditions(DriverState& state, int operation, const KeyDescriptor* key,
                       const KeyState* keyState, const std::string* positionText) {
    int result = MissingFlags(state, operation, key, keyState);
    if (result == 0 && NeedsPosition(operation) && Blank(positionText))
        result = err::RecordNotFound;
    state.operationClass = 0;
    return result;
}

void UpdateState(DriverState& state, int operation, KeyState* keyState, int result, bool wasOpen) {
    const OperationRule& rule = RuleFor(operation);
    std::uint32_t& s = state.stateFlags;
    if (result != 0) {
        std::uint32_t mask = rule.clearOnFailure;
        if (result == err::RecordIsAlreadyHeld) mask &= ~flag::SequenceSet;
        s &= ~(mask | flag::Watching | flag::Watched);
        return;
    }
    if (rule.clear & flag::Watching) {
        if (s & flag::Watching)
            s |= flag::Watched;
        else
            s &= ~flag::Watched;
    }
    if ((rule.clear & flag::Open) && wasOpen) s = 0;
    if (rule.clear & flag::HoldRequested) {
        if (s & flag::HoldRequested)
            s |= flag::Held;
        else
            s &= ~flag::Held;
    }
    s = (s | (rule.set & ~flag::IndexBuilt)) & ~(rule.clear & ~flag::IndexBuilt);
    if (keyState != nullptr && keyState->dynamic) {
        if (rule.set & flag::IndexBuilt) keyState->indexBuilt = true;
        if (rule.clear & flag::IndexBuilt) keyState->indexBuilt = false;
    }
    state.operationClass = rule.classMask;
}

}  // namespace dbprobe::odbc
