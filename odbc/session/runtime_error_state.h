#pragma once
// The runtime's per-thread error state: the outcome of the last record
// operation, read by the caller after every operation.

#include <string>
#include <string_view>

namespace dbprobe::odbc {

struct FileDescriptor;

// Error codes that the driver produces.
namespace err {
inline constexpr int FileNotFound = 2, AccessDenied = 5, InsufficientMemory = 8,
                     RecordNotAvailable = 33, RecordNotFound = 35, FileNotOpen = 37,
                     InvalidKeyFile = 38, CreatesDuplicateKey = 40, RecordIsAlreadyHeld = 43,
                     InvalidFilename = 45, KeyFileMustBeRebuilt = 46,
                     InvalidRecordDeclaration = 47, FileAlreadyOpen = 52, NoCreateAttribute = 54,
                     LogoutAlreadyActive = 56, ExclusiveAccessRequired = 63,
                     InvalidFieldTypeDescriptor = 75, InvalidIndexString = 76,
                     InvalidNumberOfParameters = 78, UnsupportedDataTypeInFile = 79,
                     UnsupportedFunction = 80, RecordChangedByAnotherStation = 89,
                     FileSystemError = 90, BuildInProgress = 92;
}

struct RuntimeErrorState {
    static constexpr std::size_t kMaxText = 255;
    static constexpr std::size_t kMaxFileErrorCode = 80;

    int errorCode = 0;
    std::string errorText;
    std::string fileErrorCode;  // leading blanks removed
    std::string fileErrorText;  // leading blanks removed
    const FileDescriptor* errorFile = nullptr;
};

// This thread's error state.
const RuntimeErrorState& CurrentErrors();

// Sets errorCode and errorText (the text looked up by code).
void PostErrorCode(int code);
// Sets fileErrorCode and fileErrorText; an absent message becomes the text of
// error 90, " : " and the code text.
void SetFileError(std::string_view code, const std::string* message);
void SetFileError(std::string_view code, std::string_view message);
void SetErrorFile(const FileDescriptor* file);
// errorCode 0, every text blank, no file.
void ClearErrors();

// The runtime's text for an error code: a replacement installed through
// InstallErrorText, else the built-in English text.
std::string ErrorText(int code);
// Replaces the text of one error code for the rest of the process (the
// localised texts are installed this way).
void InstallErrorText(int code, std::string text);

}  // namespace dbprobe::odbc
