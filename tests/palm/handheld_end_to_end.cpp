// The handheld's DatebookDB.pdb through the built program, each file checked by the independent
// reader handheld_db.py (which also wrote the fixture from the public layout).

#include <gtest/gtest.h>

#include <filesystem>

#include "palm/datebook.h"
#include "palm/datebook_archive.h"
#include "tests/child_process.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

namespace fs = std::filesystem;

const std::string kTool = VEMRA_SOURCE_ROOT "/tests/palm/handheld_db.py";

class HandheldTest : public ::testing::Test {
protected:
    HandheldTest() : fixture(DataFile("palm/handheld/fixture.pdb")), csv(DataFile("palm/handheld/fixture-full.csv")) {
        env = {{"LC_ALL", "en_US.UTF-8"}, {"TZ", "UTC"}, {"VEMRA_UNATTENDED", "1"},
               {"VEMRA_REGISTRY", dir.File("registry.reg")}, {"VEMRA_PALM_DESKTOP", dir.File("")}};
    }
    ChildResult Run(const std::vector<std::string>& args) {
        return RunChild(VEMRA_PROGRAM, args, env, dir.File("run" + std::to_string(++runs)));
    }
    // What the independent reader makes of a file; it fails on bad offsets, IDs, seed or order.
    std::string Dump(const std::string& path, const std::string& mode = "") {
        const ChildResult r = RunChild(VEMRA_PYTHON, {kTool, "dump", path, mode}, {}, dir.File("dump" + std::to_string(++runs)));
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }
    std::string Copy(const std::string& name) { return fs::copy_file(fixture, dir.File(name)), dir.File(name); }

    ScratchDir dir;
    std::string fixture, csv;
    Environment env;
    int runs = 0;
};

TEST_F(HandheldTest, FixtureExportsInEveryKindAndIsWrittenBackUnchanged) {
    RunChild(VEMRA_PYTHON, {kTool, "make", DataFile("palm/handheld/fixture.txt"), dir.File("made.pdb")}, {}, dir.File("make"));
    EXPECT_TRUE(ReadFile(dir.File("made.pdb")) == ReadFile(fixture));   // the generator still makes the fixture
    EXPECT_EQ(Dump(fixture), ReadFile(DataFile("palm/handheld/appointments.txt")));

    for (const std::string kind : {".csv", ".xlsx", ".xls", ".ics"}) {
        const ChildResult r = Run({"-d", fixture, "-x", "-e", dir.File("full" + kind)});
        EXPECT_EQ(r.out + r.err, "8 rows written to " + dir.File("full" + kind) + "\n");
    }
    EXPECT_EQ(ReadFile(dir.File("full.csv")), ReadFile(csv));
    EXPECT_EQ(Run({"-d", fixture, "-e", dir.File("simple.csv")}).status, 0);

    CDateBkTable table;   // read and saved without a change: the same bytes
    std::string saved;
    EXPECT_TRUE(table.OpenFrom(fixture, 0) == 0 && table.SaveToMemory(saved) == 0 && saved == ReadFile(fixture));
}

TEST_F(HandheldTest, ImportRemoveAllAndRoundTripThroughTheDesktopLayout) {
    // Into a new database: the same appointments (categories do not go through CSV files).
    const std::string created = dir.File("new.PDB");
    EXPECT_EQ(Run({"-d", created, "-x", "-i", csv}).out, "8 appointments added from " + csv + "\n");
    EXPECT_EQ(Dump(created, "--no-category"), Dump(fixture, "--no-category"));

    // Into the fixture: its records keep their IDs, attributes and bytes; the new one takes the seed
    // and its place in the order.
    const std::string into = Copy("into.pdb");
    WriteFile(dir.File("one.csv"), "\"Date\",\"Untimed\",\"Start Time\",\"End Time\",\"Private\",\"Text\"\r\n"
                                   "\"1/2/2026\",\"\",\"10:00 AM\",\"11:00 AM\",\"\",\"Lunch\"\r\n");
    EXPECT_EQ(Run({"-d", into, "-i", dir.File("one.csv")}).out, "1 appointment added from " + dir.File("one.csv") + "\n");
    std::string before = Dump(fixture, "--ids"), after = Dump(into, "--ids");
    const std::size_t added = after.find("\n500100 40 ");   // the old seed, dirty
    ASSERT_NE(added, std::string::npos) << after;
    after.erase(added, after.find('\n', added + 1) - added);
    EXPECT_EQ(after, "seed: 5243137" + before.substr(before.find('\n')));

    // A record the handheld cannot hold (an alarm 150 minutes ahead) fails the save: nothing changes.
    const std::string header = ReadFile(csv).substr(0, ReadFile(csv).find('\n') + 1);
    WriteFile(dir.File("alarm.csv"), header + "\"1/15/2026\",\"\",\"9:30 AM\",\"10:15 AM\",\"\",\"Dentist\",\"\",\"x\",\"150\",\"m\",\"\"\r\n");
    const std::string held = ReadFile(into);
    EXPECT_NE(Run({"-d", into, "-x", "-i", dir.File("alarm.csv")}).err.find("its alarm advance (0 to 99)"), std::string::npos);
    EXPECT_TRUE(ReadFile(into) == held);

    // Remove all: no appointment is left, the deleted record of the file stays as it was.
    EXPECT_EQ(Run({"-d", into, "-x", "-r"}).out, "9 appointments removed\n");
    EXPECT_EQ(Dump(into), "");
    EXPECT_EQ(Dump(into, "--ids"), "seed: 5243137\n500009 80 0a000b00f461040043616e63656c6c6564206d656574696e6700\n");

    // .pdb -> datebook.dat -> .pdb by the library: every appointment with its category.
    CDateBkTable handheld, desktop, back;
    ASSERT_EQ(handheld.OpenFrom(fixture, 0), 0);
    const std::string backPath = dir.File("back.pdb");
    ASSERT_EQ(OpenDatebookForImport(back, backPath), 0) << back.GetLastErrorText();
    for (CDateBkTable* to : {&desktop, &back}) {
        CDateBkTable& from = to == &desktop ? handheld : desktop;
        CBaseIterator it(from);
        for (long i = 0; i < from.GetRecordCount(); ++i) {
            CDateBkRecord source(from, 1), target(*to, 1);
            if (it.GetAt(source, i) == 0 && !source.IsDeleted()) to->AppendDuplicateRecord(source, target, 1);
        }
        std::string bytes;
        ASSERT_EQ(to->SaveToMemory(bytes), 0);
        if (to == &desktop) {
            EXPECT_NE(bytes.find("book\r\nand a snack"), std::string::npos);   // the desktop's line breaks
            ASSERT_EQ(desktop.OpenFromMemory(bytes), 0) << desktop.GetLastErrorText();
        }
    }
    ASSERT_EQ(back.Save(), 0) << back.GetLastErrorText();
    EXPECT_EQ(Dump(backPath), Dump(fixture));
}

// A series begun before 1970 (a birthday kept since the first handheld) starts at its first
// occurrence the datebook can hold; its own bytes, the old start and exceptions, stay in the file.
TEST_F(HandheldTest, SeriesBegunBefore1970StartInTheDatebooksYears) {
    WriteFile(dir.File("old.txt"), "text: Grandma\ndate: 1965-04-22\nrepeat: yearly\nexcept: 1968-04-22 1990-04-22\n"
                                   "uid: 0x100001\n\ntext: Club\ndate: 1969-11-03\ntime: 19:00-21:00\nrepeat: weekly\n"
                                   "every: 2\non: Mon\nuid: 0x100002\n");
    const std::string old = dir.File("old.pdb"), out = dir.File("old.csv");
    RunChild(VEMRA_PYTHON, {kTool, "make", dir.File("old.txt"), old}, {}, dir.File("make"));
    const std::string records = Dump(old, "--ids");
    ASSERT_EQ(Run({"-d", old, "-x", "-e", out}).status, 0);
    const std::string csv = ReadFile(out);
    EXPECT_NE(csv.find("\"1/12/1970\",\"\",\"7:00 PM\",\"9:00 PM\",\"\",\"Club\",\"\",\"\",\"\",\"\",\"x\",\"Weekly\",\"2\""),
              std::string::npos) << csv;
    EXPECT_NE(csv.find("\"4/22/1970\",\"x\",\"\",\"\",\"\",\"Grandma\",\"\",\"\",\"\",\"\",\"x\",\"Yearly\",\"1\",\"\",\"4/22/1990 \""),
              std::string::npos) << csv;
    WriteFile(dir.File("one.csv"), "\"Date\",\"Untimed\",\"Start Time\",\"End Time\",\"Private\",\"Text\"\r\n"
                                   "\"1/2/2026\",\"\",\"10:00 AM\",\"11:00 AM\",\"\",\"Lunch\"\r\n");
    ASSERT_EQ(Run({"-d", old, "-i", dir.File("one.csv")}).status, 0);
    const std::string after = Dump(old, "--ids");
    EXPECT_EQ(after.substr(after.find('\n'), records.size() - records.find('\n')), records.substr(records.find('\n')));
}

// Each damaged or foreign file is refused with its reason, and nothing is written.
TEST_F(HandheldTest, DamagedAndForeignFilesAreRefusedAndLeftAsTheyWere) {
    const std::string good = ReadFile(fixture);
    for (const auto& c : DataRows("palm/handheld/damaged.txt", "\t", 3)) {
        std::string bytes = good;
        for (const std::string& patch : Words(c[1])) {
            const std::string where = patch.substr(0, patch.find(':')), what = patch.substr(where.size() + 1);
            if (where == "cut") bytes.resize(std::stoul(what));
            for (std::size_t i = 0; where != "cut" && i < what.size(); i += 2)
                bytes[std::stoul(where) + i / 2] = static_cast<char>(std::stoi(what.substr(i, 2), nullptr, 16));
        }
        const std::string path = dir.File("damaged.pdb");
        WriteFile(path, bytes);
        const ChildResult r = Run({"-d", path, "-x", "-i", csv});
        EXPECT_EQ(r.err, "Error: Can't read file " + path + "\n" + Unescaped(c[2]) + "\n") << c[0];
        EXPECT_TRUE(ReadFile(path) == bytes && !fs::exists(path + ".bak")) << c[0];
        fs::remove(path);
    }
}

// A newer desktop datebook names the handheld datebook of its user folder (in any letter case).
TEST_F(HandheldTest, NewerDesktopDatebookNamesTheHandheldDatebook) {
    fs::create_directories(dir.File("User/datebook"));
    fs::create_directories(dir.File("User/BACKUP"));
    const std::string datebook = dir.File("User/datebook/datebook.dat"), pdb = Copy("User/BACKUP/datebookdb.pdb");
    fs::copy_file(DataFile("palm/desktop41-datebook.dat"), datebook);
    const std::string err = Run({"-d", datebook, "-x", "-e", dir.File("out.csv")}).err;
    EXPECT_NE(err.find("\nThe handheld's own datebook, which every HotSync saves, is " + pdb +
                       ": it can be used instead, with -d on the command line or with File > Open Datebook Archive...\n"),
              std::string::npos) << err;
}

}  // namespace
}  // namespace vemra::test
