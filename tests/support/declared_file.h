#pragma once
// A declared file built from plain values, laid out the way the runtime hands
// it to the driver. Every array has exactly its declared size, so a driver
// that reads past a count shows up under the address sanitizer.

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/descriptor.h"
#include "odbc/dispatch/dispatcher.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::testing {

using namespace odbc;

inline FieldDescriptor Field(int type, std::int32_t offset, std::int32_t size, const char* label) {
    FieldDescriptor f;
    f.type = type;
    f.offset = offset;
    f.size = size;
    f.label = label;
    return f;
}

inline FieldDescriptor Group(std::int32_t offset, std::int32_t size, std::int32_t members,
                      const char* label = nullptr) {
    FieldDescriptor g = Field(kind::GROUP, offset, size, label);
    g.memberCount = members;
    return g;
}

struct KeyDecl {
    const char* name = nullptr;  // handed over as a fixed-width field, like a name variable
    const char* label = nullptr;
    std::uint32_t attributes = 0;
    std::vector<std::int16_t> components;
};

struct BlobDecl {
    const char* name = nullptr;
    const char* label = nullptr;
    std::uint8_t attributes = blobattr::BLOB;
    std::int32_t memoSize = 0;
};

// A declaration in plain values; DeclaredFile lays it out the way the runtime
// hands it over.
struct Declaration {
    std::int32_t recordSize = 16;
    bool recordBuffer = true;
    std::uint8_t attributes = fileattr::CREATE;
    std::vector<FieldDescriptor> layout;
    std::vector<KeyDecl> keys;
    std::vector<BlobDecl> blobs;
    // Damage the runtime itself never produces.
    bool keyArray = true;
    bool blobArray = true;
    int nullKeyEntry = -1;
    int nullBlobEntry = -1;
};

// T:ID LONG at 0, T:NAME STRING(12) at 4; one unique key on NAME descending,
// then ID; one BLOB.
inline Declaration Baseline() {
    Declaration d;
    d.layout = {Group(0, 16, 2), Field(kind::LONG, 0, 4, "T:ID"),
                Field(kind::STRING, 4, 12, "T:NAME")};
    d.keys = {KeyDecl{"KeyByName", "T:BYNAME", 0, {-2, 1}}};
    d.blobs = {BlobDecl{nullptr, "T:NOTE", blobattr::BLOB, 0}};
    return d;
}

inline TextRef Fixed(const char* text) {
    if (text == nullptr) return {};
    return {text, static_cast<std::int32_t>(std::strlen(text))};
}

inline TextRef Terminated(const char* text) { return text == nullptr ? TextRef{} : TextRef::Terminated(text); }

// Every array is allocated at its exact size so that a driver reading past a
// count shows up under the address sanitizer.
class DeclaredFile {
public:
    explicit DeclaredFile(const Declaration& d, const char* name = "T", const char* owner = nullptr) {
        if (d.recordBuffer) record_ = std::make_unique<char[]>(std::max<std::int32_t>(d.recordSize, 1));
        file.driverEntry = &Dispatch;
        file.name = TextRef::Terminated(name);
        if (owner != nullptr) file.owner = TextRef::Terminated(owner);
        file.recordBuffer = record_.get();
        file.recordSize = d.recordSize;
        file.attributes = d.attributes;

        const std::size_t fieldCount = d.layout.size();
        layout_ = std::make_unique<FieldDescriptor[]>(fieldCount);
        std::copy(d.layout.begin(), d.layout.end(), layout_.get());
        file.recordLayout.fields = fieldCount == 0 ? nullptr : layout_.get();
        file.recordLayout.count = static_cast<std::uint32_t>(fieldCount);

        const std::size_t keyCount = d.keys.size();
        keys_ = std::make_unique<KeyDescriptor[]>(keyCount);
        keyTable_ = std::make_unique<const KeyDescriptor*[]>(keyCount);
        for (std::size_t i = 0; i < keyCount; ++i) {
            const KeyDecl& decl = d.keys[i];
            KeyDescriptor& key = keys_[i];
            key.externalName = Fixed(decl.name);
            key.label = Terminated(decl.label);
            key.attributes = decl.attributes;
            key.componentCount = static_cast<std::uint8_t>(decl.components.size());
            if (!decl.components.empty()) {
                components_.push_back(std::make_unique<std::int16_t[]>(decl.components.size()));
                std::copy(decl.components.begin(), decl.components.end(), components_.back().get());
                key.components = components_.back().get();
            }
            key.owner = &file;
            keyTable_[i] = static_cast<int>(i) == d.nullKeyEntry ? nullptr : &key;
        }
        file.keys = d.keyArray && keyCount > 0 ? keyTable_.get() : nullptr;
        file.keyCount = static_cast<std::uint16_t>(keyCount);

        const std::size_t blobCount = d.blobs.size();
        blobs_ = std::make_unique<BlobDescriptor[]>(blobCount);
        blobTable_ = std::make_unique<const BlobDescriptor*[]>(blobCount);
        for (std::size_t i = 0; i < blobCount; ++i) {
            const BlobDecl& decl = d.blobs[i];
            BlobDescriptor& blob = blobs_[i];
            blob.externalName = Fixed(decl.name);
            blob.label = Terminated(decl.label);
            blob.attributes = decl.attributes;
            blob.memoSize = decl.memoSize;
            blobTable_[i] = static_cast<int>(i) == d.nullBlobEntry ? nullptr : &blob;
        }
        file.blobs = d.blobArray && blobCount > 0 ? blobTable_.get() : nullptr;
        file.blobCount = static_cast<std::uint16_t>(blobCount);
    }
    DeclaredFile(const DeclaredFile&) = delete;
    DeclaredFile& operator=(const DeclaredFile&) = delete;

    BlobDescriptor& Blob(std::size_t i) { return blobs_[i]; }
    DriverState* State() { return file.driverState.get(); }

    // Runs one operation with the error state cleared first, so that what is
    // left there afterwards is this operation's outcome.
    int Run(int operation) {
        ClearErrors();
        Arguments args;
        Dispatch(operation, &file, args);
        return CurrentErrors().errorCode;
    }

    FileDescriptor file;

private:
    std::unique_ptr<char[]> record_;
    std::unique_ptr<FieldDescriptor[]> layout_;
    std::unique_ptr<KeyDescriptor[]> keys_;
    std::vector<std::unique_ptr<std::int16_t[]>> components_;
    std::unique_ptr<const KeyDescriptor*[]> keyTable_;
    std::unique_ptr<BlobDescriptor[]> blobs_;
    std::unique_ptr<const BlobDescriptor*[]> blobTable_;
};

}  // namespace dbprobe::testing
