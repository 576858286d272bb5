#pragma once
// What the runtime hands the driver for one declared file. The driver reads it
// and writes only the state link and the status record.

#include <cstdint>
#include <memory>

#include "odbc/dispatch/text.h"

namespace dbprobe::odbc {

struct Arguments;
struct DriverState;
struct FileDescriptor;

// Field kinds of the record layer.
namespace kind {
inline constexpr int BYTE = 1, SHORT = 2, USHORT = 3, DATE = 4, TIME = 5, LONG = 6, ULONG = 7,
                     SREAL = 8, REAL = 9, DECIMAL = 10, PDECIMAL = 11, BFLOAT4 = 13, BFLOAT8 = 14,
                     STRING = 18, CSTRING = 19, PSTRING = 20, MEMO = 21, GROUP = 22, BLOB = 27;
}

// One entry of the field descriptor tree. The tree is a flat array in
// declaration order: the record GROUP first, each GROUP followed by its members.
struct FieldDescriptor {
    int type = 0;
    std::int32_t offset = 0;
    std::int32_t size = 0;      // size of one element in bytes
    std::int32_t elements = 1;  // product of the dimensions; 1 for a scalar
    std::int16_t decimals = 0;  // DECIMAL, PDECIMAL
    const char* label = nullptr;         // e.g. "TST:CISLO"
    const char* externalName = nullptr;  // NAME attribute; may carry "|" field switches
    const char* picture = nullptr;       // STRING, CSTRING
    std::int32_t memberCount = 0;        // GROUP
};

struct FieldLayout {
    const FieldDescriptor* fields = nullptr;
    std::uint32_t count = 0;  // entries in the array, the record GROUP included
};

// Key descriptor attribute flags.
namespace keyattr {
inline constexpr std::uint32_t DUP = 1, OPT = 2, NOCASE = 4, PRIMARY = 16, INDEX = 16384;
}

struct KeyDescriptor {
    TextRef externalName;  // may carry "/" key switches
    TextRef label;
    mutable void* keyState = nullptr;  // the driver's key state, written on attach
    std::uint32_t attributes = 0;
    std::uint8_t componentCount = 0;
    const std::int16_t* components = nullptr;  // n > 0 field n ascending, n < 0 field -n descending
    const FileDescriptor* owner = nullptr;
};

// BLOB descriptor attribute flags; without BLOB the entry is a MEMO.
namespace blobattr {
inline constexpr std::uint8_t BINARY = 2, BLOB = 4;
}

struct BlobDescriptor {
    TextRef externalName;
    TextRef label;
    std::uint8_t attributes = 0;
    std::int32_t memoSize = 0;
};

// Declared file attributes (FileDescriptor::attributes).
namespace fileattr {
inline constexpr std::uint8_t ENCRYPT = 2, CREATE = 4, RECLAIM = 8, THREAD = 16;
}

// The runtime's status record of a file: the open mode, 0 when closed.
struct StatusRecord {
    std::int32_t openMode = 0;
};

struct DriverStateDeleter {
    void operator()(DriverState* state) const;
};

using DriverEntry = std::intptr_t (*)(int operation, FileDescriptor* file, Arguments& args);

// What the runtime calls around every record operation on a file once a
// program registered it (the framework's file manager does).
class FileCallback {
public:
    virtual ~FileCallback() = default;
    virtual void OperationCalled(int operation, FileDescriptor& file, Arguments& args) = 0;
    virtual void OperationDone(int operation, FileDescriptor& file, Arguments& args) = 0;
};

struct FileDescriptor {
    static constexpr std::int32_t kFileKind = 76;

    std::int32_t kind = kFileKind;
    // What the instances of one declared file have in common (one per thread
    // for a THREAD file): the key of the column descriptions they share. The
    // descriptor itself stands in when empty.
    const void* declaration = nullptr;
    DriverEntry driverEntry = nullptr;
    void (*pendingInit)(FileDescriptor&) = nullptr;
    std::unique_ptr<DriverState, DriverStateDeleter> driverState;
    TextRef label;  // the declared file's label, e.g. "TEST_DAT"
    TextRef name;
    TextRef driverString;
    TextRef owner;
    void* recordBuffer = nullptr;
    std::int32_t recordSize = 0;
    FieldLayout recordLayout;
    const KeyDescriptor* const* keys = nullptr;
    const BlobDescriptor* const* blobs = nullptr;
    // Wider than the runtime's byte so that a declaration with more than 255
    // keys or BLOBs can be refused rather than wrapped around.
    std::uint16_t keyCount = 0;
    std::uint16_t blobCount = 0;
    std::uint8_t attributes = 0;
    std::uint8_t runtimeFlags = 0;  // 2: no per-operation trace line
    std::unique_ptr<StatusRecord> statusRecord;
    FileCallback* callback = nullptr;
};

// How the runtime calls the driver: run and clear the descriptor's one-shot
// initialiser, then call its driver entry, between the registered callback's
// two calls.
std::intptr_t CallDriver(int operation, FileDescriptor& file, Arguments& args);

}  // namespace dbprobe::odbc
