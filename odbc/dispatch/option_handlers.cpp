// SEND and the property operations.

#include <strings.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "odbc/dispatch/handlers.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/options.h"
#include "odbc/session/properties.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::odbc {
namespace {

WarningBox g_importWarning = nullptr;

bool BeginsWith(std::string_view text, std::string_view word) {
    return text.size() >= word.size() && strncasecmp(text.data(), word.data(), word.size()) == 0;
}

// A whole-word command; trailing blanks do not count.
bool IsCommand(std::string_view text, std::string_view word) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text.size() == word.size() && BeginsWith(text, word);
}

std::string_view TextArgument(const Arguments& args, std::size_t i) {
    return i < args.texts.size() ? std::string_view(args.texts[i]) : std::string_view();
}

std::string_view TopText(const Arguments& args) {
    return args.texts.empty() ? std::string_view() : std::string_view(args.texts.back());
}

}  // namespace

void SetImportWarningBox(WarningBox box) { g_importWarning = box; }

namespace handlers {

int Send(OperationContext& ctx) {
    DriverState& state = ctx.state;
    const std::string_view text = TopText(ctx.args);
    if (IsCommand(text, "IMPORTFILE")) {
        if (!state.IsOpen() && g_importWarning != nullptr)
            g_importWarning("File Import", "File Driver does not support File Import");
        return err::FileNotOpen;
    }
    if (IsCommand(text, "REGISTER")) {
        ctx.args.textResult = std::to_string(reinterpret_cast<std::uintptr_t>(&ctx.file));
        if (!state.IsOpen()) state.invalidated = true;
        return 0;
    }
    // Commands of other file drivers that mean nothing here.
    if (BeginsWith(text, "IGNORESTATUS") || BeginsWith(text, "HELD") ||
        BeginsWith(text, "QUICKSCAN"))
        return 0;
    if (!text.empty() && text.front() == '/') {
        ctx.args.textResult = ApplySwitch(state, text.substr(1), SwitchOrigin::Command);
        return 0;
    }
    // A blank command has nothing to execute.
    const bool blank = text.find_first_not_of(' ') == std::string_view::npos;
    const int code = blank ? 0 : ExecuteOnMainStatement(state, text);
    ctx.args.textResult = std::to_string(code);
    return code;
}

int SetProperty(OperationContext& ctx) {
    PropertyRequest request;
    request.property = TextArgument(ctx.args, 0);
    request.value = TextArgument(ctx.args, 1);
    request.index = ctx.args.Number(0);
    if (ctx.operation == op::SETPROPERTYkey) {
        if (ctx.key == nullptr) return 0;
        request.key = ctx.key;
    }
    return SetPropertyValue(ctx.state, request);
}

int GetProperty(OperationContext& ctx) {
    PropertyRequest request;
    request.property = TopText(ctx.args);
    request.index = ctx.args.Number(0);
    if (ctx.operation == op::GETPROPERTYkey) {
        if (ctx.key == nullptr) return 0;
        request.key = ctx.key;
    }
    ctx.args.textResult = PropertyValue(ctx.state, request);
    return 0;
}

}  // namespace handlers
}  // namespace dbprobe::odbc
