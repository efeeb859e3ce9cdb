#include "platform/string_table.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

using vemra::LoadResString;

// The texts of tests/data/platform/string_table.txt load whole, escapes and all; unknown ids
// give an empty text.
TEST(StringTable, TextsLoadWholeAndUnknownIdsGiveEmptyText) {
    for (const auto& c : vemra::test::DataRows("platform/string_table.txt", "|", 2))
        EXPECT_EQ(LoadResString(static_cast<unsigned>(std::stoul(c[0]))), vemra::test::Unescaped(c[1])) << c[0];
}
