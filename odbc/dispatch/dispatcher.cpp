#include "odbc/dispatch/dispatcher.h"

#include <mutex>
#include <new>

#include "odbc/dispatch/attach.h"
#include "odbc/dispatch/handlers.h"
#include "odbc/dispatch/operation.h"
#include "odbc/dispatch/operation_rule.h"
#include "odbc/dispatch/state_rules.h"
#include "odbc/session/operation_steps.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/trace_logger.h"
#include "odbc/session/trace_profile.h"

namespace dbprobe::odbc {
namespace {

// Guards the link between a descriptor and its driver state. A THREAD file has
// one descriptor per thread and does without it.
class DriverLock {
public:
    explicit DriverLock(const FileDescriptor& file) {
        if (!(file.attributes & fileattr::THREAD)) lock_ = std::unique_lock(Mutex());
    }

private:
    static std::recursive_mutex& Mutex() {
        static std::recursive_mutex mutex;
        return mutex;
    }
    std::unique_lock<std::recursive_mutex> lock_;
};

constexpr std::uint8_t kNoProfileLine = 2;  // FileDescriptor::runtimeFlags

struct Outcome {
    std::intptr_t value = 0;
    int result = 0;
};

Outcome Frame(int operation, FileDescriptor& file, Arguments& args);

// Attaches (or rebuilds) the driver state; on failure the state is gone.
int AttachState(FileDescriptor& file, int operation, bool rebuild) {
    try {
        DriverState& state = rebuild ? *file.driverState : AttachPhaseA(file);
        if (operation == op::AttachForImport && !rebuild) return 0;
        int code = AttachPhaseB(file, state, rebuild);
        if (code != 0) file.driverState.reset();
        return code;
    } catch (const std::bad_alloc&) {
        file.driverState.reset();
        return err::InsufficientMemory;
    }
}

int RunHandler(OperationContext& ctx) {
    Handler handler = HandlerFor(ctx.operation);
    if (handler == nullptr) return err::UnsupportedFunction;
    try {
        return handler(ctx);
    } catch (const std::bad_alloc&) {
        return err::InsufficientMemory;
    }
}

// After a successful OPEN or SHARE: the mode decides exclusive and write access.
void OpenBookkeeping(FileDescriptor& file, DriverState& state, std::int32_t mode) {
    state.openMode = mode;
    if (mode & 0x30)
        state.stateFlags |= flag::Exclusive;
    else
        state.stateFlags &= ~flag::Exclusive;
    if (mode & 0x3)
        state.stateFlags |= flag::WriteAccess;
    else
        state.stateFlags &= ~flag::WriteAccess;
    if (!file.statusRecord) file.statusRecord = std::make_unique<StatusRecord>();
    file.statusRecord->openMode = mode == 0 ? 64 : mode;
}

void ApplyClassBits(DriverState& state, int operation, int result) {
    const std::uint32_t c = state.operationClass;
    if (c & opclass::ForgetLastRead) state.lastReadOperation = 0;
    if (c & opclass::KeepLastOperation) {
        state.lastOperation = operation;
        state.lastResult = result;
    }
    if (c & opclass::KeepAsLastRead) state.lastReadOperation = operation;
    if (c & opclass::DiscardSavedPosition) state.savedPositionArmed = false;
}

// Steps 6 to 10 with an attached state.
Outcome RunAttached(int operation, FileDescriptor& file, DriverState& state, Arguments& args,
                    std::intptr_t value) {
    KeyState* key = nullptr;
    if (op::TakesKey(operation) && args.key != nullptr && args.key->owner == &file)
        key = state.FindKey(args.key);
    const bool wasOpen = state.IsOpen();
    const std::string* position = args.texts.empty() ? nullptr : &args.texts.back();
    // The operation profile, unless the runtime asked for no line of this file.
    TraceLogger* profile = state.traceLog != nullptr && state.traceLog->ProfileOn() &&
                                   !(file.runtimeFlags & kNoProfileLine)
                               ? state.traceLog.get()
                               : nullptr;
    const long started = profile != nullptr ? profile->StartTimer() : 0;

    int result = PreOperation(state, operation);
    if (result == 0) result = CheckPreconditions(state, operation, args.key, key, position);
    if (result == 0) {
        if (op::RefreshesTexts(operation) && !state.IsOpen()) RefreshDescriptorTexts(file, state);
        OperationContext ctx{operation, file, state, args, key, value};
        result = RunHandler(ctx);
        value = ctx.value;
        if (result == 0 && (operation == op::OPEN || operation == op::SHARE))
            OpenBookkeeping(file, state, static_cast<std::int32_t>(args.Number(0)));
    }

    if (profile != nullptr) WriteOperationProfile(*profile, operation, file, state, key, result, started);
    const int post = PostOperation(state, operation);
    if (result == 0) result = post;
    UpdateState(state, operation, key, result, wasOpen);
    state.lastErrorCode = result == -1 ? 0 : result;
    if (result == 0 && (RuleFor(operation).classMask & opclass::ClearErrorsOnSuccess))
        ClearErrors();
    if (result == err::InvalidRecordDeclaration || (operation == op::CREATE && result != 0))
        state.invalidated = true;
    if (result == 0) ApplyClassBits(state, operation, result);
    if (operation == op::DESTROY) {
        file.driverState.reset();
        file.statusRecord.reset();
    }
    return {value, result};
}

Outcome Frame(int operation, FileDescriptor& file, Arguments& args) {
    if (operation == op::QUERY_VIEW) return {};  // this driver has no view handler

    std::intptr_t value = 0;
    if (operation == op::BOF || operation == op::EOF_) value = 1;
    if (operation == op::Internal91) value = reinterpret_cast<std::intptr_t>(&Dispatch);
    args.textResult.reset();

    DriverState* state = nullptr;
    {
        DriverLock lock(file);
        state = file.driverState.get();
    }
    // A state that must be thrown away goes first; the operation then starts
    // from a fresh attach.
    if (state != nullptr && state->invalidated && operation != op::DESTROY) {
        Arguments none;
        Frame(op::DESTROY, file, none);
        state = nullptr;
    }

    Outcome outcome{value, 0};
    {
        DriverLock lock(file);
        if (state != nullptr && state->rebindPending) {
            state->rebindPending = false;
            outcome.result = AttachState(file, operation, true);
        } else if (state == nullptr && operation != op::DESTROY && operation != op::CLOSE) {
            outcome.result = AttachState(file, operation, false);
        }
        state = file.driverState.get();
    }

    if (state != nullptr) {
        outcome = RunAttached(operation, file, *state, args, value);
    } else if (outcome.result == 0) {
        // CLOSE and DESTROY of a file without driver state.
        if (operation == op::CLOSE && file.statusRecord) file.statusRecord->openMode = 0;
        if (operation == op::DESTROY) file.statusRecord.reset();
    }

    if (op::PushesTextResult(operation) && !args.textResult) args.textResult = std::string();
    if (outcome.result != 0 && outcome.result != -1) {
        PostErrorCode(outcome.result);
        SetErrorFile(&file);
    }
    return outcome;
}

}  // namespace

std::intptr_t Dispatch(int operation, FileDescriptor* file, Arguments& args) {
    if (file == nullptr) {
        PostErrorCode(err::UnsupportedFunction);
        SetErrorFile(nullptr);
        return -1;
    }
    return Frame(operation, *file, args).value;
}

std::intptr_t CallDriver(int operation, FileDescriptor& file, Arguments& args) {
    if (auto init = file.pendingInit) {
        file.pendingInit = nullptr;
        init(file);
    }
    if (file.callback != nullptr) file.callback->OperationCalled(operation, file, args);
    std::intptr_t value = 0;
    if (file.driverEntry == nullptr) {
        PostErrorCode(err::UnsupportedFunction);
        SetErrorFile(&file);
    } else {
        value = file.driverEntry(operation, &file, args);
    }
    // The callback may have unregistered itself on the way.
    if (file.callback != nullptr) file.callback->OperationDone(operation, file, args);
    return value;
}

}  // namespace dbprobe::odbc
