#include "odbc/dispatch/text.h"

#include <gtest/gtest.h>

namespace dbprobe::odbc {
namespace {

TEST(CopyText, FollowsTheLengthRule) {
    const char prefixed[] = "\x05" "Hellofoo";
    const char fixed[] = "Name      ";
    const char blank[] = "     ";
    struct Case {
        const char* what;
        TextRef ref;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"zero-terminated", {"Test_Korvelandix", -1}, "Test_Korvelandix"},
        {"zero-terminated keeps trailing blanks", {"ab  ", -1}, "ab  "},
        {"length in the first byte", {prefixed, -2}, "Hello"},
        {"fixed width drops trailing blanks", {fixed, 10}, "Name"},
        {"fixed width shorter than the text", {fixed, 2}, "Na"},
        {"blank fixed width is empty, not absent", {blank, 5}, ""},
        {"zero length is absent", {fixed, 0}, std::nullopt},
        {"no text is absent", {nullptr, 10}, std::nullopt},
        {"a length byte of zero is absent", {"\0abc", -2}, std::nullopt},
        {"a negative length the runtime never uses", {fixed, -7}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(CopyText(c.ref), c.expected) << c.what;
}

TEST(FixedText, IsBlankPaddedAndCutToItsWidth) {
    FixedText<8> text;
    EXPECT_EQ(text.Trimmed(), "");
    text.Assign("abc");
    EXPECT_EQ(std::string(text.Ref().text, 8), "abc     ");
    text.Assign("0123456789");
    EXPECT_EQ(text.Trimmed(), "01234567");
    EXPECT_EQ(CopyText(text.Ref()), "01234567");
}

}  // namespace
}  // namespace dbprobe::odbc
