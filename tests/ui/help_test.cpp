#include <gtest/gtest.h>

#include <windows.h>

#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "tests/test_support.h"
#include "ui/help.h"

using namespace vemra;

TEST(Help, MissingHelpFileIsSaidInAMessage) {
    // The test program has no VEMRA.chm beside it.
    const std::string path = HelpFilePath();
    ASSERT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    test::MessageCapture capture;
    EXPECT_FALSE(ShowHelpContents(nullptr));
    EXPECT_FALSE(ShowHelpContext(nullptr, 0x50000 + 1001));
    const std::string expected = FormatText(LoadResString(IDS_HELP_MISSING).c_str(), path.c_str());
    EXPECT_EQ(capture.messages, (std::vector<std::string>{expected, expected}));
}
