#include "odbc/session/runtime_error_state.h"

#include <gtest/gtest.h>

#include "odbc/session/declaration_errors.h"

namespace dbprobe::odbc {
namespace {

class RuntimeErrorStateTest : public ::testing::Test {
protected:
    void SetUp() override { ClearErrors(); }
};

TEST_F(RuntimeErrorStateTest, PostedCodeCarriesItsText) {
    PostErrorCode(90);
    EXPECT_EQ(CurrentErrors().errorCode, 90);
    EXPECT_EQ(CurrentErrors().errorText, "File System Error");
    PostErrorCode(31);  // no built-in text of its own
    EXPECT_EQ(CurrentErrors().errorText, "Error 31");
}

TEST_F(RuntimeErrorStateTest, InstalledTextReplacesTheBuiltInOne) {
    InstallErrorText(92, "Probíhá reindexace");
    PostErrorCode(92);
    EXPECT_EQ(CurrentErrors().errorText, "Probíhá reindexace");
    PostErrorCode(75);
    EXPECT_EQ(CurrentErrors().errorText, "Invalid Field Type Descriptor");
}

TEST_F(RuntimeErrorStateTest, FileErrorTextsLoseLeadingBlanksAndAreBounded) {
    SetFileError("  S0002", "   Table not found");
    EXPECT_EQ(CurrentErrors().fileErrorCode, "S0002");
    EXPECT_EQ(CurrentErrors().fileErrorText, "Table not found");

    SetFileError(std::string(100, 'C'), std::string(300, 'm'));
    EXPECT_EQ(CurrentErrors().fileErrorCode.size(), 80u);
    EXPECT_EQ(CurrentErrors().fileErrorText.size(), 255u);
}

TEST_F(RuntimeErrorStateTest, AnAbsentMessageNamesError90AndTheCode) {
    SetFileError("42", static_cast<const std::string*>(nullptr));
    EXPECT_EQ(CurrentErrors().fileErrorText, "File System Error : 42");
}

TEST_F(RuntimeErrorStateTest, ClearErrorsBlanksEverything) {
    PostErrorCode(33);
    SetFileError("1", "x");
    int file = 0;
    SetErrorFile(reinterpret_cast<const FileDescriptor*>(&file));
    ClearErrors();
    const RuntimeErrorState& e = CurrentErrors();
    EXPECT_EQ(e.errorCode, 0);
    EXPECT_EQ(e.errorText, "");
    EXPECT_EQ(e.fileErrorCode, "");
    EXPECT_EQ(e.fileErrorText, "");
    EXPECT_EQ(e.errorFile, nullptr);
}

TEST(DeclarationError, CodeAndTextPerKindAndNumber) {
    struct Case {
        DeclarationError error;
        const char* code;
        const char* text;
    };
    const Case cases[] = {
        {{declkind::Blob, 1, "TYPE", 5}, "MEMO/BLOB : 1 : TYPE : D00006", "Driver does not support MEMOs"},
        {{declkind::Field, 12, "DIM", 3}, "FIELD : 12 : DIM : D00004",
         "Number of dimensions is greater than that supported by the file driver"},
        {{declkind::Key, 3, "LABEL", 1}, "KEY : 3 : LABEL : D00002", "No Name or Label Specified"},
        {{declkind::Key, 1, "KEY", 7}, "KEY : 1 : KEY : D00008", "Unknown Error"},
        {{declkind::Field, 1, "SIZE", 6}, "FIELD : 1 : SIZE : D00007", "Unknown Error"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.error.FileErrorCode(), c.code);
        EXPECT_EQ(c.error.FileErrorText(), c.text);
    }
}

}  // namespace
}  // namespace dbprobe::odbc
