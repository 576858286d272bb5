#include "odbc/session/declaration_errors.h"

#include <cstdio>

#include "odbc/session/runtime_error_state.h"

namespace dbprobe::odbc {

std::string DeclarationError::FileErrorCode() const {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*s : %d : %.*s : %s%05d",
                  static_cast<int>(kind.size()), kind.data(), item,
                  static_cast<int>(attribute.size()), attribute.data(), "D", message + 1);
    return buffer;
}

std::string_view DeclarationError::FileErrorText() const {
    constexpr std::string_view kNoName = "No Name or Label Specified";
    if (kind == declkind::Field) {
        switch (message) {
            case 1: return kNoName;
            case 2: return "Data type not supported";
            case 3: return "Number of dimensions is greater than that supported by the file driver";
            case 4: return "Field is larger than the maximum supported by the file driver";
            case 5: return "Component does not match physical file structure";
        }
    } else if (kind == declkind::Blob) {
        switch (message) {
            case 1: return kNoName;
            case 2: return "Too Many Memos defined";
            case 3: return "Memo is larger than the maximum size supported by the file driver";
            case 5: return "Driver does not support MEMOs";
        }
    } else if (kind == declkind::Key) {
        switch (message) {
            case 1: return kNoName;
            case 2: return "Too Many Keys defined";
        }
    }
    return "Unknown Error";
}

void SetDeclarationFileError(const DeclarationError& error) {
    SetFileError(error.FileErrorCode(), error.FileErrorText());
}

}  // namespace dbprobe::odbc
