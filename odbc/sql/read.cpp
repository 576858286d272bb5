#include "odbc/sql/read.h"

#include <cstring>

#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/sql/key_sql.h"
#include "odbc/sql/read_statement.h"
#include "odbc/sql/record_values.h"

namespace dbprobe::odbc {
namespace {

bool StartsSequence(int kind) {
    return kind == op::SETfile || kind == op::SETkey || kind == op::SETkeykey || kind == op::RESETkey;
}

int ExecuteAndFetch(DriverState& file, ReadStatement& read) {
    if (int code = ExecuteRead(file, read); code != 0) return code;
    return FetchRow(file, read);
}

// A change of direction in key order: back to the current row's position,
// then on from there in the new direction.
int Reposition(DriverState& file, int direction) {
    ReadState& r = file.read;
    KeyState& key = *r.key;
    const bool forward = direction == op::NEXT;
    if (r.savedPosition.empty()) {
        // No row read yet: the sequence starts at its end.
        r.current = &KeyRead(key, forward ? readkind::Forward : readkind::Backward);
        return ExecuteAndFetch(file, *r.current);
    }
    const std::string position = r.savedPosition;
    if (int code = DecodePosition(file, key, position); code != 0) return code;
    r.current = &KeyRead(key, forward ? readkind::FromForward : readkind::FromBackward);
    int code = ExecuteAndFetch(file, *r.current);
    if (code == 0 && EncodePosition(file, key) == position) code = FetchRow(file, *r.current);
    return code;
}

// RESETkey's shortcut: the position is the row last read, which the current
// statement of that key is on.
bool TakeResetShortcut(DriverState& file, int direction) {
    const ReadState& r = file.read;
    if (!r.resetShortcut || file.holdTime != 0 || direction != r.lastDirection || r.deleted)
        return false;
    if (r.current == nullptr || r.current->key != r.key || !r.current->slot.statement) return false;
    std::memcpy(file.recordBuffer, file.recordImage.data(), static_cast<std::size_t>(file.recordSize));
    file.nullIndicators = file.imageNullIndicators;
    return true;
}

// One read in `direction` (NEXT or PREVIOUS) along the sequence.
int ReadOne(DriverState& file, int direction) {
    ReadState& r = file.read;
    const bool forward = direction == op::NEXT;
    int code = 0;
    if (StartsSequence(r.sequenceKind)) {
        if (r.sequenceKind == op::RESETkey && TakeResetShortcut(file, direction)) {
            code = 0;
        } else if (r.sequenceKind == op::SETfile) {
            code = forward ? ExecuteAndFetch(file, *(r.current = &file.fileOrder))
                           : err::UnsupportedFunction;
        } else {
            const bool fromPosition = r.sequenceKind != op::SETkey;
            const int kind = fromPosition ? (forward ? readkind::FromForward : readkind::FromBackward)
                                          : (forward ? readkind::Forward : readkind::Backward);
            r.current = &KeyRead(*r.key, kind);
            code = ExecuteAndFetch(file, *r.current);
        }
    } else if (direction == r.lastDirection && r.current != nullptr) {
        code = FetchRow(file, *r.current);
    } else {
        code = r.keyNumber == 0 ? err::UnsupportedFunction : Reposition(file, direction);
    }
    r.resetShortcut = false;
    r.sequenceKind = direction;
    r.lastDirection = code == 0 ? direction : 0;
    // The position of the current row, for the next change of direction.
    if (code == 0 && r.key != nullptr) r.savedPosition = EncodePosition(file, *r.key);
    return code;
}

void StartSequence(DriverState& file, KeyState* key, int kind) {
    ReadState& r = file.read;
    r.keyNumber = key != nullptr ? key->number : 0;
    r.key = key;
    r.sequenceKind = kind;
    r.lastDirection = 0;
    r.pendingSkip = 0;
    r.resetShortcut = false;
    r.savedPosition.clear();
    r.current = key == nullptr ? &file.fileOrder : nullptr;
}

// A read of one row by the values in the key scratch record; no row is 35.
int DirectRead(DriverState& file, ReadStatement& read) {
    file.read.deleted = false;
    file.holdTime = 0;
    int code = ExecuteAndFetch(file, read);
    if (code == err::RecordNotAvailable) code = err::RecordNotFound;
    if (code != 0) BlankImage(file);
    return code;
}

const std::string& PositionArgument(const OperationContext& ctx) {
    static const std::string none;
    return ctx.args.texts.empty() ? none : ctx.args.texts.back();
}

bool AllComponentsNull(const DriverState& file, const KeyState& key) {
    for (const KeyComponent& c : key.components)
        if (file.read.scratchNulls[static_cast<std::size_t>(c.field)] != -1) return false;
    return !key.components.empty();
}

}  // namespace

int SetSequence(OperationContext& ctx) {
    DriverState& file = ctx.state;
    file.options.oneShotWhere.clear();
    if (ctx.operation == op::SETfile) {
        StartSequence(file, nullptr, op::SETfile);
        return 0;
    }
    if (ctx.key == nullptr) return err::InvalidKeyFile;
    if (ctx.operation == op::SETkeykey) KeyToScratch(file, *ctx.key);
    StartSequence(file, ctx.key, ctx.operation);
    return 0;
}

int ReadNext(OperationContext& ctx) {
    DriverState& file = ctx.state;
    ReadState& r = file.read;
    const std::int64_t skip = r.pendingSkip;
    r.pendingSkip = 0;
    if (skip != 0) {
        // Hold applies to the row finally read, not to the rows skipped.
        const std::int32_t hold = file.holdTime;
        file.holdTime = 0;
        const int direction = skip > 0 ? op::NEXT : op::PREVIOUS;
        for (std::int64_t i = 0; i < (skip > 0 ? skip : -skip); ++i)
            if (int code = ReadOne(file, direction); code != 0) return code;
        file.holdTime = hold;
    }
    const int code = ReadOne(file, ctx.operation);
    file.holdTime = 0;
    return code;
}

int Skip(OperationContext& ctx) {
    ctx.state.read.pendingSkip = ctx.args.Number(0);
    return 0;
}

int Position(OperationContext& ctx) {
    DriverState& file = ctx.state;
    const KeyState* key = ctx.operation == op::POSITIONfile ? file.PrimaryKey() : ctx.key;
    ctx.args.textResult = std::string();
    if (key == nullptr) return ctx.operation == op::POSITIONfile ? err::UnsupportedFunction : err::InvalidKeyFile;
    ctx.args.textResult = EncodePosition(file, *key);
    return 0;
}

int ResetKey(OperationContext& ctx) {
    DriverState& file = ctx.state;
    if (ctx.key == nullptr) return err::InvalidKeyFile;
    KeyState& key = *ctx.key;
    const std::string& position = PositionArgument(ctx);
    if (int code = DecodePosition(file, key, position); code != 0) return code;
    const bool primary = file.primaryKey != 0;
    const std::string current = EncodePosition(file, key);
    const bool sameRow = primary && PositionRow(file, key, position) == PositionRow(file, key, current);
    const int lastDirection = file.read.lastDirection;
    ReadStatement* statement = file.read.current;
    StartSequence(file, &key, primary ? op::RESETkey : op::SETkeykey);
    // Kept for the shortcut: the direction and statement of the row last read.
    file.read.lastDirection = lastDirection;
    file.read.current = statement;
    file.read.resetShortcut = sameRow;
    file.read.savedPosition = position;
    return 0;
}

int Reget(OperationContext& ctx) {
    DriverState& file = ctx.state;
    KeyState* key = ctx.operation == op::REGETfile ? file.PrimaryKey() : ctx.key;
    if (key == nullptr) return ctx.operation == op::REGETfile ? err::UnsupportedFunction : err::InvalidKeyFile;
    if (int code = DecodePosition(file, *key, PositionArgument(ctx)); code != 0) return code;
    KeyState* by = key->AllowsDuplicates() ? file.PrimaryKey() : key;
    if (by == nullptr) return err::UnsupportedFunction;
    if ((by->attributes & keyattr::PRIMARY) && AllComponentsNull(file, *by)) {
        BlankImage(file);
        return err::RecordNotFound;
    }
    file.byKey.key = by;
    return DirectRead(file, file.byKey);
}

int GetByKey(OperationContext& ctx) {
    DriverState& file = ctx.state;
    if (ctx.key == nullptr) return err::InvalidKeyFile;
    KeyToScratch(file, *ctx.key);
    return DirectRead(file, KeyRead(*ctx.key, readkind::Equal));
}

}  // namespace dbprobe::odbc
