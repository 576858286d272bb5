#pragma once
// File error code and text of a declaration that the driver refuses (error 47).

#include <string>
#include <string_view>

namespace dbprobe::odbc {

namespace declkind {
inline constexpr std::string_view Field = "FIELD", Blob = "MEMO/BLOB", Key = "KEY";
}

struct DeclarationError {
    std::string_view kind;       // declkind::...
    int item = 0;                // the field's, key's or BLOB's number, from 1
    std::string_view attribute;  // "LABEL", "TYPE", "DIM", "SIZE", "KEY", "MEMO/BLOB"
    int message = 0;             // message number of the kind

    // "%s : %d : %s : %s%05d": kind, item, attribute, "D", message + 1.
    std::string FileErrorCode() const;
    // The message of the kind and number; "Unknown Error" for a number the
    // kind does not have.
    std::string_view FileErrorText() const;
};

// Sets the runtime's file error code and text from a declaration error.
void SetDeclarationFileError(const DeclarationError& error);

}  // namespace dbprobe::odbc
