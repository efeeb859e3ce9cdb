#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/console.h"
#include "tests/test_support.h"

using namespace vemra;

// The cases of tests/data/platform/text_cases.txt. Names typed in another letter case find the
// user; names that differ in a letter do not. Text from a file reaches the terminal without
// moving the cursor or retitling the window.
TEST(Text, FoldingAndEscapingCases) {
    for (auto c : test::DataRows("platform/text_cases.txt", "|", 4)) {
        for (std::string& field : c) field = test::Unescaped(field);
        SCOPED_TRACE(c[1] + " / " + c[2]);
        if (c[0] == "1252") {
            EXPECT_EQ(EqualsNoCaseText(FileTextToSystem(c[1]), FileTextToSystem(c[2])), c[3] == "1");
        } else if (c[0] == "escape") {
            EXPECT_EQ(EscapeControls(c[1], c[2] == "1"), c[3]);
        } else {
#ifndef _WIN32   // system text is UTF-8 natively only
            EXPECT_EQ(EqualsNoCaseText(c[1], c[2]), c[3] == "1");
#endif
        }
    }
}
