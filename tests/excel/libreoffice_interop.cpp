// What the engine writes opens in LibreOffice with the same cells (what LibreOffice writes is
// read from tests/data/excel/files/libreoffice.xls and .xlsx). Runs natively where soffice is installed.

#include <gtest/gtest.h>

#include <cstdlib>

#include "excel/excel_file.h"
#include "excel/workbook_engine.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

class LibreOfficeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "soffice is not installed";
        SetEnv("LC_ALL", "en_US.UTF-8");
        SetEnv("TZ", "UTC");
    }
    void TearDown() override { SetEnv("LC_ALL", ""); }

    // soffice --convert-to csv, with a profile of its own and a time limit; the converted file.
    std::string AsCsv(const std::string& in) {
        const std::string outDir = dir.File("out");
        const std::string command = "cd '" + dir.Path() + "' && LC_ALL=en_US.UTF-8 timeout 240 soffice --headless --norestore"
                                    " -env:UserInstallation=file://" + dir.File("profile") +
                                    " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir '" + outDir + "' '" +
                                    in + "' </dev/null >'" + dir.File("soffice.log") + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(dir.File("soffice.log"));
        const std::string base = in.substr(in.find_last_of('/') + 1);
        return outDir + "/" + base.substr(0, base.find_last_of('.')) + ".csv";
    }

    ScratchDir dir;
};

// What the engine writes, as LibreOffice converts it to CSV (golden files; its times show as the
// formats ask), and the .xlsx as openpyxl, a reader of its own, finds it: the same cells with
// the same types (a golden list).
TEST_F(LibreOfficeTest, EngineWorkbooksOpenWithTheSameCells) {
    const std::vector<std::string> texts{"Lunch with Anna", "12 apples", "=1+1", "-5", "\xc3\x89t\xc3\xa9 \xe2\x82\xac",
                                         "two\nlines", "say \"hi\", then go", std::string(600, 'L')};
    for (const char* name : {"engine.xls", "engine.xlsx"}) {
        SCOPED_TRACE(name);
        CExcelFile file(CreateWorkbookEngine());
        ASSERT_EQ(file.OpenWrite(dir.File(name)), 0);
        for (const char* h : {"Text", "Date", "Time", "Number"}) file.PutText(h);
        file.NextWriteRow();
        for (std::size_t i = 0; i < texts.size(); ++i) {
            file.PutText(texts[i]);
            file.PutDate(MakeLocal(2026, 1 + static_cast<int>(i), 28));
            file.PutTime(MakeLocal(2026, 1, 1, static_cast<int>(i) * 3, 15 + static_cast<int>(i)));
            file.PutInt(static_cast<long>(i) * 1000 - 3);
            file.NextWriteRow();
        }
        ASSERT_EQ(file.CloseWrite(), 0) << file.GetErrorText();
        ExpectGolden(std::string("excel/libreoffice_of_") + name + ".csv", ReadFile(AsCsv(dir.File(name))));
    }
    if (std::system("/usr/bin/python3 -c 'import openpyxl' 2>/dev/null") != 0) GTEST_SKIP() << "no python3-openpyxl";
    const std::string out = dir.File("cells.txt");
    const std::string command = "/usr/bin/python3 -c \"import openpyxl,sys\n"
                                "for row in openpyxl.load_workbook(sys.argv[1]).active.iter_rows():\n"
                                " for c in row: print(c.coordinate, c.data_type, repr(c.value))\" '" +
                                dir.File("engine.xlsx") + "' >'" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ExpectGolden("excel/openpyxl_of_engine.xlsx.txt", ReadFile(out));
}

}  // namespace
}  // namespace vemra::test
