#include "odbc/session/runtime_error_state.h"

#include <optional>

#include "framework/platform/core/runtime_settings.h"

namespace dbprobe::odbc {
namespace {

thread_local RuntimeErrorState t_errors;

std::string_view BuiltInText(int code) {
    switch (code) {
        case 0: return "";
        case 2: return "File Not Found";
        case 5: return "Access Denied";
        case 8: return "Insufficient Memory";
        case 33: return "Record Not Available";
        case 35: return "Record Not Found";
        case 37: return "File Not Open";
        case 38: return "Invalid Key File";
        case 40: return "Creates Duplicate Key";
        case 43: return "Record Is Already Held";
        case 45: return "Invalid Filename";
        case 46: return "Key File Must Be Rebuilt";
        case 47: return "Invalid Record Declaration";
        case 48: return "Unable to log transaction";
        case 52: return "File Already Open";
        case 54: return "No Create Attribute";
        case 56: return "LOGOUT Already Active";
        case 57: return "Invalid Memo File";
        case 63: return "Exclusive Access Required";
        case 65: return "Unable to rollback transaction";
        case 73: return "Memo File is Missing";
        case 75: return "Invalid Field Type Descriptor";
        case 76: return "Invalid Index String";
        case 78: return "Invalid Number Of Parameters";
        case 79: return "Unsupported Data Type In File";
        case 80: return "Unsupported File Driver Function";
        case 89: return "Record Changed By Another Station";
        case 90: return "File System Error";
        case 91: return "No Logout Active";
        case 92: return "BUILD In Progress";
        case 97: return "Stream Error";
        case 100: return "Trigger Error";
        default: return {};
    }
}

std::string Bounded(std::string_view text, std::size_t max) {
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    text.remove_prefix(start);
    return std::string(text.substr(0, max));
}

}  // namespace

const RuntimeErrorState& CurrentErrors() { return t_errors; }

std::string ErrorText(int code) {
    if (std::optional<std::string> installed = platform::InstalledErrorText(code)) return *installed;
    std::string_view builtIn = BuiltInText(code);
    if (builtIn.empty() && code != 0) return "Error " + std::to_string(code);
    return std::string(builtIn);
}

void InstallErrorText(int code, std::string text) { platform::WriteErrorText(code, std::move(text)); }

void PostErrorCode(int code) {
    t_errors.errorCode = code;
    t_errors.errorText = Bounded(ErrorText(code), RuntimeErrorState::kMaxText);
}

void SetFileError(std::string_view code, std::string_view message) {
    t_errors.fileErrorCode = Bounded(code, RuntimeErrorState::kMaxFileErrorCode);
    t_errors.fileErrorText = Bounded(message, RuntimeErrorState::kMaxText);
}

void SetFileError(std::string_view code, const std::string* message) {
    if (message != nullptr) {
        SetFileError(code, std::string_view(*message));
        return;
    }
    SetFileError(code, ErrorText(err::FileSystemError) + " : " + std::string(code));
}

void SetErrorFile(const FileDescriptor* file) { t_errors.errorFile = file; }

void ClearErrors() { t_errors = RuntimeErrorState{}; }

}  // namespace dbprobe::odbc
