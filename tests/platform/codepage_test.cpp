#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vemra;

TEST(Codepage, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(SystemTextToFile(FileTextToSystem(all)), all);
}

TEST(Codepage, SystemTextOutside1252BecomesQuestionMark) {
    // U+4E2D (a CJK character) has no place in Windows-1252.
#ifndef _WIN32
    EXPECT_EQ(SystemTextToFile("x\xE4\xB8\xADy"), "x?y");
    EXPECT_EQ(FileTextToSystem("\x80"), "\xE2\x82\xAC");   // euro sign
    EXPECT_EQ(SystemTextToFile("\xE2\x82\xAC"), "\x80");
#endif
}

TEST(Codepage, LeftCharsCountsCharactersNotBytes) {
    const std::string euro = FileTextToSystem("\x80");
    const std::string text = euro + "ab" + euro;
    const std::vector<std::string> left = {LeftChars(text, 0), LeftChars(text, 1), LeftChars(text, 3), LeftChars(text, 10)};
    EXPECT_EQ(left, (std::vector<std::string>{"", euro, euro + "ab", text}));
}
