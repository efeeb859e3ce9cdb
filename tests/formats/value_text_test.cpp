#include "formats/value_text.h"

#include <gtest/gtest.h>

using namespace vemra;

TEST(ValueText, EscapeCell) {
    const struct { const char* value; int remove; const char* quote; const char* expected; } cases[] = {
        {"a\"b", 0, "\"", "a\"\"b"},
        {"l1\r\nl2", 0, "\"", "l1\nl2"},
        {"l1\r\nl2", 1, "\"", "l1 l2"},
        {"\r\r\n\n", 0, "\"", "\n\n"},
        {"it's \"x\"", 0, "'", "it''s \"x\""},
        {"a\"b", 0, "", "a\"b"},
        {"a\"b<<", 0, "<<", "a\"b<<"},
        {"", 0, "\"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeCell(c.value, c.remove, c.quote), c.expected) << c.value;
}

TEST(ValueText, ExpandLineBreaks) {
    EXPECT_EQ(ExpandLineBreaks("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(ExpandLineBreaks("\n\n"), "\r\n\r\n");
    EXPECT_EQ(ExpandLineBreaks("no breaks\r"), "no breaks\r");
    EXPECT_EQ(ExpandLineBreaks(std::string(30000, '\n')).size(), 60000u);
}

TEST(ValueText, NextExceptionToken) {
    const struct { const char* list; const char* separator; std::vector<std::string> tokens; } cases[] = {
        {"3/4/2002;3/5/2002;", ";", {"3/4/2002", "3/5/2002"}},
        {"3/4/2002 3/5/2002 ", " ", {"3/4/2002", "3/5/2002"}},
        {"\"3/4/2002\";x", ";", {"3/4/2002\"", "x"}},   // only the opening quote goes
        {" 3/4/2002", " ", {"", "3/4/2002"}},
        {"a;;b", ";;", {"a", "", "b"}},                // only the first separator character counts
        {"a;b", "", {"a;b"}},
        {"", ";", {}},
    };
    for (const auto& c : cases) {
        std::string list = c.list;
        std::vector<std::string> got;
        while (!list.empty()) got.push_back(NextExceptionToken(list, c.separator));
        EXPECT_EQ(got, c.tokens) << c.list;
        EXPECT_EQ(NextExceptionToken(list, c.separator), "");
    }
}

TEST(ValueText, YearCorrection) {
    const struct { int in; bool ok; int out; } cases[] = {
        {0, true, 2000}, {31, true, 2031}, {32, false, 0}, {69, false, 0}, {70, true, 1970},
        {99, true, 1999}, {100, false, 0}, {1869, false, 0}, {1870, true, 1970}, {1931, true, 2031},
        {1932, false, 0}, {1969, false, 0}, {1970, true, 1970}, {2031, true, 2031}, {2032, false, 0},
        {9999, false, 0}};
    for (const auto& c : cases) {
        int y = c.in;
        EXPECT_EQ(CorrectYear(y), c.ok) << c.in;
        if (c.ok) {
            EXPECT_EQ(y, c.out) << c.in;
        }
    }
}

TEST(ValueText, IntegerCells) {
    const struct { const char* text; long value; } cases[] = {
        {"42", 42}, {"  -7", -7}, {"+5", 5}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"- 5", 0},
        {"2147483647", 2147483647L}, {"2147483648", 2147483647L}, {"-2147483648", -2147483647L - 1},
        {"-99999999999999999999", -2147483647L - 1}, {"\t\n 8", 8}};
    for (const auto& c : cases) EXPECT_EQ(IntCellValue(c.text), c.value) << c.text;
}
