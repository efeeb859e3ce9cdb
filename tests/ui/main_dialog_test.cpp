#include "ui/main_dialog.h"

#include <gtest/gtest.h>

#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "tests/test_support.h"
#include "ui/help.h"

using namespace vemra;

TEST(MainDialogFilters, InitialIndexFollowsTheFileNameAndExcel) {
    struct Case {
        const char* name;
        int withExcel, withoutExcel;
    };
    const Case cases[] = {
        {"", 0, 0},
        {"a.c", 0, 0},           // shorter than 4 characters
        {"appointments", 0, 0},  // no dot
        {"out.xls", 1, 2},
        {"OUT.XLS", 1, 2},
        {"out.csv", 2, 1},
        {"C:\\data\\Out.Csv", 2, 1},
        {"out.txt", 3, 2},
        {"v1.2\\appointments", 3, 2},   // a dot, but not of an extension: the last three letters decide
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InitialFilterIndex(c.name, true), c.withExcel) << c.name;
        EXPECT_EQ(InitialFilterIndex(c.name, false), c.withoutExcel) << c.name;
    }
}

TEST(MainDialogFilters, ExtensionComesFromTheChosenPatternOnlyWhenTheNameHasNone) {
    struct Case {
        const char* path;
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\out", "*.xls", "C:\\out.xls"},
        {"C:\\out", "*.csv", "C:\\out.csv"},
        {"C:\\out", "*.prc", "C:\\out.prc"},
        {"C:\\out", "*.*", "C:\\out"},
        {"C:\\out", "", "C:\\out"},
        {"C:\\out.txt", "*.csv", "C:\\out.txt"},
        {"C:\\v1.2\\out", "*.csv", "C:\\v1.2\\out.csv"},   // the folder's dot is no extension
    };
    for (const Case& c : cases) EXPECT_EQ(AppendExtensionFromFilter(c.path, c.pattern), c.expected) << c.path << " " << c.pattern;
}

TEST(MainDialogFilters, PatternOfTheIndexedFilter) {
    const std::string filters = "MS Excel 97/2000 (*.xls)|*.xls|Comma Separated Values (*.csv)|*.csv|All Files (*.*)|*.*||";
    EXPECT_EQ(FilterPattern(filters, 1), "*.xls");
    EXPECT_EQ(FilterPattern(filters, 2), "*.csv");
    EXPECT_EQ(FilterPattern(filters, 3), "*.*");
    EXPECT_EQ(FilterPattern(filters, 4), "");
    EXPECT_EQ(FilterPattern(filters, 0), "");
}

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
