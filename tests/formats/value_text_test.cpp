#include "formats/value_text.h"

#include <gtest/gtest.h>

using namespace vemra;

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

TEST(ValueText, IntegerCells) {
    const struct { const char* text; long value; } cases[] = {
        {"42", 42}, {"  -7", -7}, {"+5", 5}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"- 5", 0},
        {"2147483647", 2147483647L}, {"2147483648", 2147483647L}, {"-2147483648", -2147483647L - 1},
        {"-99999999999999999999", -2147483647L - 1}, {"\t\n 8", 8}};
    for (const auto& c : cases) EXPECT_EQ(IntCellValue(c.text), c.value) << c.text;
}
