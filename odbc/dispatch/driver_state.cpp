#include "odbc/dispatch/driver_state.h"

#include "framework/platform/core/memory_blocks.h"
#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/session.h"
#include "odbc/session/trace_logger.h"

namespace dbprobe::odbc {

void DriverStateDeleter::operator()(DriverState* state) const { delete state; }

DriverState::DriverState() = default;

DriverState::~DriverState() {
    ReleaseDataSource(*this);
    for (BlobEntry& blob : blobs)
        if (blob.block != 0) platform::FreeBlock(blob.block);
}

// In the order CLOSE releases them.
std::vector<StatementSlot*> DriverState::StatementSlots() {
    std::vector<StatementSlot*> slots;
    for (KeyState& key : keys)
        for (ReadStatement& read : key.reads) slots.push_back(&read.slot);
    slots.push_back(&fileOrder.slot);
    slots.push_back(&byKey.slot);
    slots.push_back(&insertStatement);
    slots.push_back(&updateStatement);
    slots.push_back(&deleteStatement);
    slots.push_back(&mainStatement);
    return slots;
}

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
