// Handlers that need no server round trip.

#include <cstring>

#include "odbc/dispatch/handlers.h"
#include "odbc/dispatch/operation.h"
#include "odbc/dispatch/operation_rule.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/sql/build_indexes.h"
#include "odbc/sql/create.h"
#include "odbc/sql/describe.h"
#include "odbc/sql/open.h"

namespace dbprobe::odbc::handlers {
namespace {

constexpr std::size_t kNullBytes = 8;  // one 64-bit indicator per field

// Builds and PACK with progress events requested are not supported: the
// request is dropped and the operation fails.
bool RefuseProgressEvents(DriverState& state) {
    if (!(state.stateFlags & flag::ProgressEvents)) return false;
    state.stateFlags &= ~flag::ProgressEvents;
    return true;
}

// The 0-based field index of a 1-based field number argument; -1 when the
// number names no field of this file.
long FieldIndex(const OperationContext& ctx) {
    const std::int64_t n = ctx.args.Number(0);
    if (n < 1 || n > static_cast<std::int64_t>(ctx.state.fields.size())) return -1;
    return static_cast<long>(n - 1);
}

}  // namespace

int Close(OperationContext& ctx) {
    ReleaseStatements(ctx.state);
    if (ctx.file.statusRecord) ctx.file.statusRecord->openMode = 0;
    return 0;
}

int Destroy(OperationContext& ctx) {
    // Destroying one thread's instance leaves the file's process-wide entries.
    if (ctx.args.Number(0) == 0) {
        ReleaseDataSource(ctx.state);
        ForgetDescriptions(ctx.file);
        ForgetVerifiedTable(ctx.file);
    } else {
        ReleaseStatements(ctx.state);
    }
    ctx.state.UnlinkKeys();
    ctx.state.invalidated = true;
    return 0;
}

int Hold(OperationContext& ctx) {
    ctx.state.holdTime =
        ctx.operation == op::HOLDfile ? -1 : static_cast<std::int32_t>(ctx.args.Number(0));
    return 0;
}

int Succeed(OperationContext&) { return 0; }

int Pack(OperationContext& ctx) {
    return RefuseProgressEvents(ctx.state) ? err::UnsupportedFunction : 0;
}

int Build(OperationContext& ctx) {
    if (RefuseProgressEvents(ctx.state)) return err::UnsupportedFunction;
    if (ctx.operation == op::BUILDdyn) {
        if (ctx.args.texts.empty() || ctx.args.texts.back().empty()) return err::InvalidIndexString;
        // Dynamic indexes come with reading by key.
        return err::UnsupportedFunction;
    }
    return BuildIndexes(ctx);
}

int Name(OperationContext& ctx) {
    if (ctx.state.IsOpen())
        ctx.args.textResult = ctx.state.name.value_or("");
    else
        ctx.args.textResult = CopyText(ctx.file.name).value_or("");
    return 0;
}

int QueryKey(OperationContext& ctx) {
    // QUERY_KEY is not among the key operations of the frame; it names its key
    // only to learn the key's number.
    ctx.value = ctx.state.KeyNumber(ctx.args.key);
    return 0;
}

int Unsupported(OperationContext&) { return err::UnsupportedFunction; }

// Blanks the record: spaces in text fields, zeros elsewhere. Without an
// argument every BLOB is emptied too.
int Clear(OperationContext& ctx) {
    DriverState& s = ctx.state;
    if (s.recordBuffer != nullptr && s.recordSize > 0) {
        std::memset(s.recordBuffer, 0, static_cast<std::size_t>(s.recordSize));
        for (const FieldEntry& f : s.fields)
            if (f.type == kind::STRING && !f.liesOver && !f.timestamp)
                std::memset(s.recordBuffer + f.offset, ' ', static_cast<std::size_t>(f.size));
    }
    if (ctx.args.numbers.empty())
        for (BlobEntry& b : s.blobs) {
            b.contents.clear();
            b.size = 0;
        }
    return 0;
}

int Nulls(OperationContext& ctx) {
    std::vector<std::int64_t>& nulls = ctx.state.nullIndicators;
    switch (ctx.operation) {
        case op::GETNULLS: {
            std::string text(nulls.size() * kNullBytes, '\0');
            for (std::size_t i = 0; i < nulls.size(); ++i) {
                const auto v = static_cast<std::uint64_t>(nulls[i]);
                for (std::size_t b = 0; b < kNullBytes; ++b)
                    text[i * kNullBytes + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
            }
            ctx.args.textResult = std::move(text);
            return 0;
        }
        case op::SETNULLS: {
            const std::string text = ctx.args.texts.empty() ? std::string() : ctx.args.texts.back();
            if (text.size() < nulls.size() * kNullBytes) return err::InvalidFieldTypeDescriptor;
            for (std::size_t i = 0; i < nulls.size(); ++i) {
                std::uint64_t v = 0;
                for (std::size_t b = 0; b < kNullBytes; ++b)
                    v |= static_cast<std::uint64_t>(
                             static_cast<unsigned char>(text[i * kNullBytes + b]))
                         << (8 * b);
                nulls[i] = static_cast<std::int64_t>(v);
            }
            return 0;
        }
        default: break;
    }
    // NULL, SETNULL, SETNONULL name one field; a number outside the record is
    // a bad field reference.
    const long field = FieldIndex(ctx);
    if (field < 0) return err::InvalidFieldTypeDescriptor;
    if (ctx.operation == op::NULL_)
        ctx.value = nulls[field] == -1 ? 1 : 0;
    else
        nulls[field] = ctx.operation == op::SETNULL ? -1 : 0;
    return 0;
}

int Open(OperationContext& ctx) {
    if (!ctx.state.name || ctx.state.name->empty()) return err::InvalidFilename;
    return OpenTable(ctx);
}

int Transaction(OperationContext& ctx) {
    switch (ctx.operation) {
        case op::LOGOUT: return BeginTransaction(ctx.state);
        case op::COMMIT: return Commit(ctx.state);
        default: return Rollback(ctx.state);
    }
}

int Create(OperationContext& ctx) {
    if (!(ctx.state.fileAttributes & stateattr::CREATE)) return err::NoCreateAttribute;
    return CreateTable(ctx);
}

}  // namespace dbprobe::odbc::handlers
