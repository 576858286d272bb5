#include "odbc/sql/blob_write.h"

#include <cctype>
#include <cstring>

#include "framework/platform/core/memory_blocks.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/sql/blob_read.h"

namespace dbprobe::odbc {
namespace {

void Replace(BlobEntry& blob, const char* data, std::size_t size) {
    blob.contents.assign(data, data + size);
    blob.size = static_cast<std::int64_t>(size);
    blob.changed = true;
}

}  // namespace

BlobEntry* BlobArgument(OperationContext& ctx) {
    const std::int64_t n = ctx.args.Number(0);
    if (n < 1 || n > static_cast<std::int64_t>(ctx.state.blobs.size())) return nullptr;
    return &ctx.state.blobs[static_cast<std::size_t>(n - 1)];
}

// A decimal number in which every character that is not a digit is skipped.
std::int64_t DigitsOf(std::string_view text) {
    std::int64_t value = 0;
    for (char c : text)
        if (std::isdigit(static_cast<unsigned char>(c)) && value < (INT64_MAX - 9) / 10)
            value = value * 10 + (c - '0');
    return value;
}

void SetBlobSize(BlobEntry& blob, std::int64_t size) {
    if (size == blob.size) return;
    blob.changed = true;
    blob.contents.resize(static_cast<std::size_t>(size), '\0');
    if (size == 0) blob.contents.shrink_to_fit();
    blob.size = size;
}

int SetBlobProperty(OperationContext& ctx) {
    BlobEntry* blob = BlobArgument(ctx);
    if (blob == nullptr) return err::InvalidFieldTypeDescriptor;
    const std::vector<std::string>& texts = ctx.args.texts;
    const std::string property = texts.size() >= 2 ? texts[texts.size() - 2] : std::string();
    const std::string value = texts.empty() ? std::string() : texts.back();
    switch (DigitsOf(property)) {
        case blobprop::Size: SetBlobSize(*blob, DigitsOf(value)); return 0;
        case blobprop::Handle: {
            const auto block = static_cast<platform::BlockNumber>(DigitsOf(value));
            if (block == 0) {
                if (blob->size != 0 || !blob->contents.empty()) blob->changed = true;
                blob->contents.clear();
                blob->size = 0;
                return 0;
            }
            const std::vector<char>* bytes = platform::LockBlock(block);
            if (bytes == nullptr) return 0;
            // Compared with the value on the server when it was not read yet.
            if (int code = ReadBlobValue(ctx.state, *blob); code != 0) return code;
            if (blob->size == -1) blob->size = 0;
            const bool same = blob->size == static_cast<std::int64_t>(bytes->size()) &&
                              std::equal(bytes->begin(), bytes->end(), blob->contents.begin());
            if (!same) Replace(*blob, bytes->data(), bytes->size());
            return 0;
        }
        case blobprop::Name:
            blob->externalName = value;
            blob->columnName = value;
            return 0;
        case blobprop::Contents:
        case blobprop::ContentsToo:
            // The size follows the stored bytes, so it never exceeds them.
            Replace(*blob, value.data(), value.size());
            return 0;
        default: return 0;
    }
}

int TakeBlobSlice(OperationContext& ctx) {
    BlobEntry* blob = BlobArgument(ctx);
    if (blob == nullptr) return err::InvalidFieldTypeDescriptor;
    const std::int64_t first = ctx.args.Number(1);
    const std::int64_t last = ctx.args.Number(2);
    if (first < 0) return err::InvalidFieldTypeDescriptor;
    const std::int64_t n = last < first ? 0 : last - first + 1;
    if (static_cast<std::int64_t>(blob->contents.size()) < first + n) {
        blob->contents.resize(static_cast<std::size_t>(first + n), '\0');
        blob->size = first + n;
    }
    std::string slice = ctx.args.texts.empty() ? std::string() : ctx.args.texts.back();
    slice.resize(static_cast<std::size_t>(n), ' ');
    char* at = blob->contents.data() + first;
    if (std::memcmp(at, slice.data(), static_cast<std::size_t>(n)) != 0) {
        std::memcpy(at, slice.data(), static_cast<std::size_t>(n));
        blob->changed = true;
    }
    return 0;
}

}  // namespace dbprobe::odbc
