// windows-1250 texts: the compile-time literal, the conversions at the user
// interface edge, upper case and the Czech collation.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/platform/core/encoding.h"

namespace dbprobe::platform {
namespace {

using namespace literals;

TEST(EncodingTest, LiteralsAreWindows1250Bytes) {
    EXPECT_EQ(std::string("Příliš žluťoučký kůň"_w1250),
              "P\xf8\xed" "li\x9a \x9e" "lu\x9d" "ou\xe8" "k\xfd k\xf9\xf2");
    EXPECT_EQ(std::string("Vítejete !"_w1250), "V\xedtejete !");
    EXPECT_EQ(std::string(""_w1250), "");
}

// The compiler's table and the system's converter agree on every byte.
TEST(EncodingTest, EveryByteRoundTripsThroughUtf8) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string utf8 = ToUtf8(one);
        if (b >= 0x80 && kCp1250High[b - 0x80] == 0) {
            EXPECT_EQ(utf8, "\xEF\xBF\xBD") << "byte " << b;  // no character there
            continue;
        }
        EXPECT_EQ(FromUtf8(utf8), one) << "byte " << b;
    }
}

TEST(EncodingTest, WhatTheCodePageLacksBecomesAQuestionMark) {
    struct Case {
        const char* utf8;
        const char* w1250;
    };
    const Case cases[] = {
        {"a\xE2\x82\xAC" "b", "a\x80" "b"},     // the euro sign exists
        {"\xE4\xB8\xAD" "x", "?x"},             // a CJK character does not
        {"\xF0\x9F\x98\x80!", "?!"},            // nor an emoji
        {"ok\xC3", "ok?"},                      // a cut sequence at the end
        {"\xFF" "z", "?z"},                     // a byte that starts nothing
    };
    for (const Case& c : cases) EXPECT_EQ(FromUtf8(c.utf8), c.w1250) << c.utf8;
}

TEST(EncodingTest, UpperCaseKnowsCzechLetters) {
    EXPECT_EQ(UpperCase("příliš žluťoučký kůň ďábelské ódy"_w1250.view()),
              std::string("PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ĎÁBELSKÉ ÓDY"_w1250));
    EXPECT_EQ(UpperCase("abc-123 ß ÷"_w1250.view()), std::string("ABC-123 ß ÷"_w1250));
}

TEST(EncodingTest, CollationIsCaseInsensitiveAndCzech) {
    std::vector<std::string> names = {"Žába"_w1250.str(), "zebra"_w1250.str(), "čaj"_w1250.str(),
                                      "Cibule"_w1250.str(), "řeka"_w1250.str(), "Rak"_w1250.str(),
                                      "šev"_w1250.str(), "Sova"_w1250.str(), "ábel"_w1250.str(),
                                      "Adam"_w1250.str(), "adam"_w1250.str(), "_x"_w1250.str()};
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return Collate(a, b) < 0; });
    const std::vector<std::string> expected = {
        "_x"_w1250.str(),  "ábel"_w1250.str(), "Adam"_w1250.str(), "adam"_w1250.str(),
        "Cibule"_w1250.str(), "čaj"_w1250.str(), "Rak"_w1250.str(), "řeka"_w1250.str(),
        "Sova"_w1250.str(), "šev"_w1250.str(),  "zebra"_w1250.str(), "Žába"_w1250.str()};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(Collate("DSN"_w1250, "dsn"_w1250), 0);
    EXPECT_LT(Collate("dsn"_w1250, "dsn2"_w1250), 0);
}

}  // namespace
}  // namespace dbprobe::platform
