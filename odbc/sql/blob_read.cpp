#include "odbc/sql/blob_read.h"

#include <cctype>
#include <string>

#include "framework/platform/core/memory_blocks.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/blob_write.h"
#include "odbc/sql/read_statement.h"

namespace dbprobe::odbc {
namespace {

constexpr SQLLEN kFirstPiece = 65535;

namespace getprop {
inline constexpr long Changed = 31899, Label = 29463, Binary = 29473, Kind = 31745, Address = 31945;
}

bool Binary(const BlobEntry& blob) { return (blob.attributes & blobattr::BINARY) != 0; }

void Release(BlobEntry& blob) {
    blob.contents.clear();
    blob.contents.shrink_to_fit();
}

// The rest of a value longer than the first piece. The length is known
// (one more read) or, when the driver cannot tell it, read piece by piece.
SQLRETURN ReadRest(Statement& statement, SQLUSMALLINT column, SQLSMALLINT cType, BlobEntry& blob,
                   SQLLEN total, SQLLEN& size) {
    const bool text = cType == SQL_C_CHAR;
    // A text piece ends in a terminating zero that the next piece overwrites.
    SQLLEN held = text ? kFirstPiece - 1 : kFirstPiece;
    SQLRETURN rc = SQL_SUCCESS_WITH_INFO;
    while (rc == SQL_SUCCESS_WITH_INFO) {
        const SQLLEN room = total > 0 ? total - held + (text ? 1 : 0) : kFirstPiece;
        if (room <= 0) break;
        blob.contents.resize(static_cast<std::size_t>(held + room));
        SQLLEN indicator = 0;
        rc = GetData(statement, column, cType, blob.contents.data() + held, room, &indicator);
        if (!SQL_SUCCEEDED(rc)) return rc;
        if (indicator == SQL_NO_TOTAL || indicator > room - (text ? 1 : 0)) {
            held += room - (text ? 1 : 0);
            continue;  // more to come
        }
        held += indicator;
        break;
    }
    size = held;
    return SQL_SUCCESS;
}

}  // namespace

int ReadBlobValue(DriverState& file, BlobEntry& blob) {
    if (blob.size != -1) return 0;
    ReadStatement* source = file.read.blobSource;
    if (source == nullptr || !source->slot.statement) return 0;
    Statement& statement = *source->slot.statement;
    const SQLUSMALLINT column = BlobColumn(file, blob.number);
    SQLSMALLINT cType = blob.description.cType;
    if (cType == 0) cType = Binary(blob) ? SQL_C_BINARY : SQL_C_CHAR;

    blob.contents.assign(static_cast<std::size_t>(kFirstPiece), '\0');
    SQLLEN indicator = 0;
    SQLRETURN rc = GetData(statement, column, cType, blob.contents.data(), kFirstPiece, &indicator);
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) {
        // Nothing (more) to read: an empty value, read again at every ask.
        Release(blob);
        return 0;
    }
    if (!SQL_SUCCEEDED(rc)) {
        Release(blob);
        return MapResult(file, file.diagnostics.failure != 0 ? file.diagnostics.failure : -1);
    }
    SQLLEN size = indicator;
    const bool more = rc == SQL_SUCCESS_WITH_INFO &&
                      (indicator == SQL_NO_TOTAL || indicator >= kFirstPiece - (cType == SQL_C_CHAR ? 1 : 0));
    if (more) {
        rc = ReadRest(statement, column, cType, blob, indicator == SQL_NO_TOTAL ? 0 : indicator, size);
        if (!SQL_SUCCEEDED(rc)) {
            Release(blob);
            return MapResult(file, file.diagnostics.failure != 0 ? file.diagnostics.failure : -1);
        }
    }
    // ADD stores a text value with its terminating zero; the value is the
    // text before it. Only a zero that is there is dropped.
    if (!Binary(blob) && size > 0 && blob.contents[static_cast<std::size_t>(size - 1)] == '\0') --size;
    if (size <= 0) {
        Release(blob);
        return 0;
    }
    blob.contents.resize(static_cast<std::size_t>(size));
    blob.size = size;
    blob.changed = false;
    return 0;
}

std::int64_t BlobSize(DriverState& file, BlobEntry& blob) {
    ReadBlobValue(file, blob);
    return blob.size < 0 ? 0 : blob.size;
}

int BlobSizeOperation(OperationContext& ctx) {
    BlobEntry* blob = BlobArgument(ctx);
    if (blob == nullptr) return err::InvalidFieldTypeDescriptor;
    if (blob->size == -1)
        if (int code = ReadBlobValue(ctx.state, *blob); code != 0) return code;
    ctx.value = static_cast<std::intptr_t>(blob->size < 0 ? 0 : blob->size);
    return 0;
}

// The whole value is read even for a short slice: a later, longer slice then
// never meets bytes that were not read.
int YieldBlobSlice(OperationContext& ctx) {
    BlobEntry* blob = BlobArgument(ctx);
    ctx.args.textResult = std::string();
    if (blob == nullptr) return err::InvalidFieldTypeDescriptor;
    const std::int64_t first = ctx.args.Number(1);
    const std::int64_t last = ctx.args.Number(2);
    if (blob->size == -1 && ReadBlobValue(ctx.state, *blob) != 0) return 0;
    const std::int64_t held = std::max<std::int64_t>(blob->size, 0);
    if (first < 0 || last < first || first >= held) return 0;
    const std::int64_t end = std::min(last + 1, held);
    ctx.args.textResult = std::string(blob->contents.data() + first, static_cast<std::size_t>(end - first));
    return 0;
}

int GetBlobProperty(OperationContext& ctx) {
    BlobEntry* blob = BlobArgument(ctx);
    ctx.args.textResult = std::string();
    if (blob == nullptr) return err::InvalidFieldTypeDescriptor;
    DriverState& file = ctx.state;
    const std::string property = ctx.args.texts.empty() ? std::string() : ctx.args.texts.back();
    std::string& out = *ctx.args.textResult;
    switch (DigitsOf(property)) {
        case blobprop::Size: out = std::to_string(BlobSize(file, *blob)); break;
        case blobprop::Handle: {
            const std::int64_t size = BlobSize(file, *blob);
            std::vector<char>* bytes = blob->block != 0 ? platform::LockBlock(blob->block) : nullptr;
            if (bytes == nullptr) {
                blob->block = platform::AllocateBlock(0);
                bytes = platform::LockBlock(blob->block);
            }
            bytes->assign(blob->contents.begin(), blob->contents.begin() + size);
            out = std::to_string(blob->block);
            break;
        }
        case blobprop::Contents:
        case blobprop::ContentsToo: {
            const std::int64_t size = BlobSize(file, *blob);
            out.assign(blob->contents.data(), static_cast<std::size_t>(size));
            break;
        }
        case getprop::Changed: out = blob->changed ? "1" : "0"; break;
        case blobprop::Name: out = blob->externalName; break;
        case getprop::Label: out = blob->label; break;
        case getprop::Binary: out = Binary(*blob) ? "1" : "0"; break;
        case getprop::Kind: out = (blob->attributes & blobattr::BLOB) ? "BLOB" : "MEMO"; break;
        case getprop::Address:
            out = std::to_string(reinterpret_cast<std::uintptr_t>(&ctx.file)) + ":" +
                  std::to_string(blob->number);
            break;
        default: break;
    }
    return 0;
}

}  // namespace dbprobe::odbc
