// The datebook file: hand-built files read, read->save identity, the writer's exact bytes,
// refusals of what the reader does not understand.

#include "palm/datebook.h"

#include "datebook_bytes.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/local_time.h"
#include "tests/record_text.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace dbtest;

namespace {

// Every record of a table as text, in the file's code page (the same on every build).
std::string Dump(CDateBkTable& table) {
    std::string out;
    CBaseIterator it(table);
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        CDateBkRecord rec(table, 1);
        EXPECT_EQ(it.GetAt(rec, i), 0);
        long id = 0;
        rec.GetRecordId(id);
        out += "id=" + std::to_string(id) + " deleted=" + std::to_string(rec.IsDeleted() != 0) + " archived=" +
               std::to_string(rec.IsArchived() != 0) + " " + vemra::test::RecordText(rec) + "\n  rule: " +
               vemra::test::RuleText(rec) + "\n";
    }
    return vemra::SystemTextToFile(out);
}

std::string Saved(CDateBkTable& table) {
    std::string out;
    EXPECT_EQ(table.SaveToMemory(out), 0);
    return out;
}

TEST(DatebookFile, ReaderReturnsWhatTheBytesHold) {
    CDateBkTable table;
    ASSERT_EQ(table.OpenFromMemory(Sample()), 0) << table.GetLastErrorText();
    vemra::test::ExpectGolden("palm/sample.txt", Dump(table));
    CDateBkRecord rec(table, 1);   // the last note, in the system's text
    std::string note;
    ASSERT_EQ(CBaseIterator(table).GetAt(rec, 9), 0);
    rec.GetNote(note);
    EXPECT_EQ(note, vemra::FileTextToSystem("Caf\xE9 \x80 x\xFF"));
}

// A file of weekly repeats long enough that the next class number passes 0x7FFE: the last
// three are daily, and CDayName becomes class 32767 (0x7FFF), too large for the short
// reference form; its later references need the 0x7FFF escape.
std::string BigNumberFile(bool escapeEarly) {
    const std::uint32_t weekly = 32765;
    std::string s = Header(weekly + 3);
    for (std::uint32_t i = 0; i < weekly + 3; ++i) {
        std::string repeat;
        if (i < weekly) {
            const std::string tag = i == 0 ? NewClass("CWeekly")
                                    : escapeEarly && i == 1 ? Bytes().U16(0x7FFF).U32(0x80000001).Str()
                                                            : ClassRef(1);
            repeat = RepeatStart(tag, 2).U32(1).U8(0x02).Str();
        } else {
            const std::string tag = i == weekly ? NewClass("CDayName") : Bytes().U16(0x7FFF).U32(0x80007FFF).Str();
            repeat = RepeatStart(tag, 1).U32(4).Str();
        }
        s += Record(i + 1, i < weekly ? 1000000000 + i * 60 : 1000000000, repeat);
    }
    return s;
}

TEST(DatebookFile, ReadSaveGivesTheSameBytes) {
    const std::vector<std::pair<const char*, std::string>> files = {
        {"sample", Sample()},
        {"no records", Header(0)},
        {"categories only", vemra::test::ReadFile(vemra::test::DataFile("palm/categories.dat"))},
        {"big class numbers", BigNumberFile(false)},
        {"escape used early", BigNumberFile(true)},
    };
    for (const auto& [name, bytes] : files) {
        CDateBkTable table;
        ASSERT_EQ(table.OpenFromMemory(bytes), 0) << name << ": " << table.GetLastErrorText();
        EXPECT_TRUE(Saved(table) == bytes) << name;
    }
}

TEST(DatebookFile, LibraryWriterNumbersClassesLikeTheLayout) {
    // The same records made through the library's interface give exactly the hand-built bytes.
    const std::string expected = BigNumberFile(false);
    CDateBkTable table;
    ASSERT_EQ(table.OpenFromMemory(Header(0)), 0);
    for (std::size_t i = 0; i < 32768; ++i) {
        CDateBkRecord rec(table, 1);
        ASSERT_EQ(table.AppendBlankRecord(rec), 0);
        rec.SetStartTime(i < 32765 ? 1000000000 + static_cast<long>(i) * 60 : 1000000000);
        rec.SetEndTime(0);
        if (i < 32765)
            rec.SetRepWeekly(CWeekly(0x02, 1, 1100000000, eSunday));
        else
            rec.SetRepDaily(CDayName(static_cast<eDayIndex>(4), 1, 1100000000, eSunday));
    }
    EXPECT_TRUE(Saved(table) == expected);
}

// New records of every kind, texts of every length form and a Feb 29 rule: the writer's bytes
// (checked once against the layout by hand), what they read back as, and a second save unchanged.
TEST(DatebookFile, WrittenDatebookMatchesTheGoldenAndReadsBack) {
    ScopedTimeZone tz("UTC");   // local times are in the bytes: the golden file is UTC's (natively only)
    vemra::test::ScratchDir dir;
    const std::string path = dir.File("new.dat");
    CDateBkTable table;   // never opened
    const long day = vemra::MakeLocal(2024, 2, 29, 9, 15);
    const std::vector<std::string> texts = {"plain", std::string(254, 'a'), std::string(255, 'b'),
                                            std::string(70000, 'c'), "Caf\xC3\xA9 \xE2\x82\xAC", ""};
    const std::string rules[] = {"daily 29 2 @ 0", "weekly 0x7F 3 @ 1", "mdate 29 1 @ 0", "mday 4 4 1 @ 0", "yearly 1 29 1 @ 0"};
    for (int i = 0; i < 12; ++i) {
        CDateBkRecord rec(table, 1);
        ASSERT_EQ(table.AppendBlankRecord(rec), 0);
        rec.SetStartTime(day + i * 86400);
        rec.SetEndTime(day + i * 86400 + 1800);
        rec.SetDescription(texts[i % texts.size()]);
        rec.SetNote(texts[(i + 3) % texts.size()]);
        rec.SetUnTimedFlag(i % 3 == 0);
        rec.SetPrivate(i % 2);
        if (i % 4 == 1) {
            rec.SetAlarmFlag(1);
            rec.SetAlarmAdvTime(i);
            rec.SetAlarmAdvUnit(i % 3);
        }
        // The importer's "no end" is local midnight of 2031-12-31.
        const char* end = i % 2 ? (i % 4 == 1 ? "-" : "2031-12-31") : "2025-04-04T09:15";
        if (i % 6) {
            std::string rule = rules[i % 6 - 1] + " except 2024-03-02T09:15,2024-05-29T09:15";
            SetRule(rec, rule.replace(rule.find('@'), 1, end));
        }
        if (i == 11) rec.SetStatus(4);
        if (i == 7) {
            CDateBkRecord copy(table, 1);
            ASSERT_EQ(table.AppendDuplicateRecord(rec, copy, 1), 0);
        }
    }
    const std::string layout = Saved(table);   // without a file name: the same in every run
    ASSERT_EQ(table.SaveAs(path), 0) << table.GetLastErrorText();
    const std::string first = vemra::test::ReadFile(path);
    CDateBkTable back;
    ASSERT_EQ(back.OpenFrom(path, 0), 0) << back.GetLastErrorText();
    EXPECT_EQ(Dump(back), Dump(table));
    ASSERT_EQ(back.Save(), 0);
    EXPECT_TRUE(vemra::test::ReadFile(path) == first);
#ifndef _WIN32
    vemra::test::ExpectGolden("palm/written.dat", layout);
#endif
}

// Each file under palm/refused/ holds one thing the reader does not understand (a foreign or
// newer layout, an absurd count, an unknown class, text past the end...): the reason given, per
// file, is in palm/refused.txt. A failed open also empties a table that held records.
TEST(DatebookFile, RefusesWhatItDoesNotUnderstand) {
    std::istringstream golden(vemra::test::ReadFile(vemra::test::DataFile("palm/refused.txt")));
    std::string reasons;
    for (std::string line; std::getline(golden, line);) {
        const std::string name = line.substr(0, line.find(": "));
        CDateBkTable table;
        ASSERT_EQ(table.OpenFromMemory(Sample()), 0);
        EXPECT_NE(table.OpenFromMemory(vemra::test::ReadFile(vemra::test::DataFile("palm/refused/" + name + ".dat"))), 0);
        EXPECT_EQ(table.GetRecordCount(), 0) << name;
        std::string why = table.GetLastErrorText();
        std::replace(why.begin(), why.end(), '\n', ' ');
        reasons += name + ": " + why + "\n";
    }
    vemra::test::ExpectGolden("palm/refused.txt", reasons);
}

TEST(DatebookFile, RefusesEveryTruncation) {
    const std::string full = Sample();
    for (std::size_t n = 0; n < full.size(); ++n) {
        CDateBkTable table;
        EXPECT_NE(table.OpenFromMemory(std::string_view(full).substr(0, n)), 0) << n;
        EXPECT_EQ(table.GetRecordCount(), 0);
        EXPECT_FALSE(table.GetLastErrorText().empty());
    }
}

TEST(DatebookFile, FailedOpenOrSaveIsReportedAndKeepsTheFile) {
    vemra::test::ScratchDir dir;
    const std::string path = dir.File("datebook.dat");
    const std::string bad = Bytes().U32(0xCAFEBABE).Raw("PalmSG Database").Str();
    vemra::test::WriteFile(path, bad);
    CDateBkTable table;
    ASSERT_NE(table.OpenFrom(path, 0), 0);
    EXPECT_NE(table.Save(), 0);
    EXPECT_TRUE(vemra::test::ReadFile(path) == bad);

    EXPECT_NE(table.OpenFrom(dir.File("missing.dat"), 0), 0);
    // The reason alone, with one full stop: the callers' messages name the file.
    const std::string why = table.GetLastErrorText();
    EXPECT_TRUE(!why.empty() && why.back() == '.' && why.find("..") == std::string::npos && why.find("missing.dat") == std::string::npos) << why;
    EXPECT_NE(table.Save(), 0);
    EXPECT_FALSE(vemra::FileExists(dir.File("missing.dat")));

    CDateBkTable fresh;   // never saved: no path of its own
    CDateBkRecord rec(fresh, 1);
    fresh.AppendBlankRecord(rec);
    EXPECT_NE(fresh.Save(), 0);
    EXPECT_NE(fresh.SaveAs(dir.File("no such folder") + "/datebook.dat"), 0);
    EXPECT_FALSE(fresh.GetLastErrorText().empty());
}

}  // namespace
