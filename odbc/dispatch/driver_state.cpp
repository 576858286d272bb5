#include "odbc/dispatch/driver_state.h"

#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/session.h"
#include "odbc/session/trace_logger.h"

namespace dbprobe::odbc {

void DriverStateDeleter::operator()(DriverState* state) const { delete state; }

DriverState::DriverState() = default;

DriverState::~DriverState() { ReleaseDataSource(*this); }

std::vector<StatementSlot*> DriverState::StatementSlots() { return {&insertStatement, &mainStatement}; }

void DriverState::UnlinkKeys() {
    for (KeyState& key : keys)
        if (key.descriptor != nullptr && key.descriptor->keyState == &key)
            key.descriptor->keyState = nullptr;
}

int DriverState::KeyNumber(const KeyDescriptor* key) const {
    for (const KeyState& k : keys)
        if (k.descriptor == key) return k.number;
    return 0;
}

KeyState* DriverState::FindKey(const KeyDescriptor* key) {
    int n = KeyNumber(key);
    return n == 0 ? nullptr : &keys[n - 1];
}

bool DriverState::IsOpen() const { return (stateFlags & flag::Open) != 0; }

}  // namespace dbprobe::odbc
