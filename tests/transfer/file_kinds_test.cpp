// The table of file kinds: which kind a name is, and what the file dialogs offer and choose.
#include <gtest/gtest.h>

#include "excel/excel_file.h"
#include "formats/csv_file.h"
#include "platform/process.h"
#include "settings/settings.h"
#include "tests/test_support.h"
#include "transfer/file_kinds.h"

namespace vemra::test {
namespace {

const FileKind& KindWith(const std::string& extension) {
    for (const FileKind& kind : FileKinds())
        for (const std::string& e : kind.extensions)
            if (e == extension) return kind;
    ADD_FAILURE() << "no kind of " << extension;
    return FileKinds().front();
}
const FileKind& Workbook() { return KindWith(".xls"); }
const FileKind& Text() { return KindWith(".csv"); }

TEST(FileKinds, NamesChooseTheKindAndItsRowFile) {
    EXPECT_EQ(&FileKindOf("a.xls"), &Workbook());
    EXPECT_EQ(&FileKindOf("C:\\A.XLS"), &Workbook());
    EXPECT_EQ(&FileKindOf("a.XLSX"), &KindWith(".xlsx"));
    EXPECT_EQ(&FileKindOf("cal.ics"), &KindWith(".ics"));
    for (const char* name : {"a.csv", "a.txt", "a.prc", "a", "a.xlsx.txt", "xls"}) EXPECT_EQ(&FileKindOf(name), &Text()) << name;
    // A calendar holds whole appointments: its kind does the transfer itself.
    EXPECT_TRUE(KindWith(".ics").exportFile && KindWith(".ics").importFile && !KindWith(".ics").makeRowFile);

    MessageCapture quiet;   // no Palm Desktop here
    CSettings settings;
    EXPECT_NE(dynamic_cast<CCsvFile*>(Text().makeRowFile(settings, true).get()), nullptr);
    EXPECT_NE(dynamic_cast<CExcelFile*>(Workbook().makeRowFile(settings, false).get()), nullptr);
}

TEST(FileKinds, WorkbooksAreOfferedOnlyWhenTheyCanBeHad) {
    for (const char* choice : {"off", "builtin"}) {
        SetEnv("VEMRA_EXCEL", choice);
        const bool on = std::string(choice) != "off";
        const auto offered = OfferedFileKinds();
        ASSERT_EQ(offered.size(), on ? 4u : 2u) << choice;
        EXPECT_EQ(offered.back(), &KindWith(".ics"));
        // The workbook of today first where workbooks can be had.
        std::string expected = on ? "Excel Workbook (*.xlsx)|*.xlsx|MS Excel 97/2000 (*.xls)|*.xls|" : "";
        expected.append("Comma Separated Values (*.csv)|*.csv|iCalendar (*.ics)|*.ics|All Files (*.*)|*.*||");
        EXPECT_EQ(FileDialogFilter(offered), expected);
    }
    SetEnv("VEMRA_EXCEL", "");
}

TEST(FileKinds, InitialFilterFollowsTheLastFileName) {
    const std::vector<const FileKind*> both{&KindWith(".xlsx"), &Workbook(), &Text(), &KindWith(".ics")},
        textOnly{&Text(), &KindWith(".ics")};
    struct Case {
        const char* name;
        int withWorkbooks, textOnly;
    };
    const Case cases[] = {
        {"", 0, 0},
        {"a.c", 0, 0},           // shorter than 4 characters
        {"appointments", 0, 0},  // no dot
        {"out.xlsx", 1, 3},
        {"out.xls", 2, 3},
        {"out.csv", 3, 1},
        {"C:\\data\\Out.Csv", 3, 1},
        {"cal.ics", 4, 2},
        {"v1.2\\appointments", 5, 3},   // a dot, but not of an extension: the last letters decide
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InitialFilterIndex(c.name, both), c.withWorkbooks) << c.name;
        EXPECT_EQ(InitialFilterIndex(c.name, textOnly), c.textOnly) << c.name;
    }
}

TEST(FileKinds, ExtensionComesFromTheChosenPatternOnlyWhenTheNameHasNone) {
    struct Case {
        const char* path;
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\out", "*.xls", "C:\\out.xls"},
        {"C:\\out", "*.xlsx", "C:\\out.xlsx"},
        {"C:\\out", "*.prc", "C:\\out.prc"},
        {"C:\\out", "*.*", "C:\\out"},
        {"C:\\out", "", "C:\\out"},
        {"C:\\out.txt", "*.csv", "C:\\out.txt"},
        {"C:\\v1.2\\out", "*.csv", "C:\\v1.2\\out.csv"},   // the folder's dot is no extension
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppendExtensionFromFilter(c.path, c.pattern), c.expected) << c.path << " " << c.pattern;

    const std::string filters = "Excel (*.xls)|*.xls|Text (*.csv)|*.csv|All Files (*.*)|*.*||";
    const char* patterns[] = {"", "*.xls", "*.csv", "*.*", ""};
    for (int index = 0; index <= 4; ++index) EXPECT_EQ(FilterPattern(filters, index), patterns[index]) << index;
}

}  // namespace
}  // namespace vemra::test
