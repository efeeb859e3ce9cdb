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

// A hand-built file of every repeat kind, both class tag forms, long and escaped text lengths,
// status bits the program does not use, categories and exceptions without a rule.
std::string SampleFile() { return vemra::test::ReadFile(vemra::test::DataFile("palm/sample.dat")); }

TEST(DatebookFile, ReaderReturnsWhatTheBytesHold) {
    CDateBkTable table;
    ASSERT_EQ(table.OpenFromMemory(SampleFile()), 0) << table.GetLastErrorText();
    vemra::test::ExpectGolden("palm/sample.txt", Dump(table));
    CDateBkRecord rec(table, 1);   // the last note, in the system's text
    std::string note;
    ASSERT_EQ(CBaseIterator(table).GetAt(rec, 9), 0);
    rec.GetNote(note);
    EXPECT_EQ(note, vemra::FileTextToSystem("Caf\xE9 \x80 x\xFF"));
}

// A file of weekly repeats long enough that the next class number passes 0x7FFE; its later
// references then need the 0x7FFF escape.
std::string BigNumberFile(bool escapeEarly) {
    const std::size_t weekly = 32765;
    std::string s = Header(weekly + 3);
    for (std::size_t i = 0; i < weekly; ++i) {
        Rec r;
        r.id = static_cast<std::uint32_t>(i + 1);
        r.status = 1;
        r.position = static_cast<std::uint32_t>(i);
        r.start = 1000000000 + static_cast<std::uint32_t>(i) * 60;
        const std::string tag = i == 0 ? NewClass("CWeekly")
                                : escapeEarly && i == 1 ? Bytes().U16(0x7FFF).U32(0x80000001).Str()
                                                        : ClassRef(1);
        r.repeat = RepeatStart({}, tag, 2, 1, 1100000000).U32(1).U8(0x02).Str();
        s += Record(r);
    }
    for (std::size_t i = weekly; i < weekly + 3; ++i) {
        Rec r;
        r.id = static_cast<std::uint32_t>(i + 1);
        r.status = 1;
        r.position = static_cast<std::uint32_t>(i);
        r.start = 1000000000;
        // CDayName becomes class 32767 (0x7FFF): too large for the short reference form.
        const std::string tag = i == weekly ? NewClass("CDayName") : Bytes().U16(0x7FFF).U32(0x80007FFF).Str();
        r.repeat = RepeatStart({}, tag, 1, 1, 1100000000).U32(4).Str();
        s += Record(r);
    }
    return s;
}

TEST(DatebookFile, ReadSaveGivesTheSameBytes) {
    const std::vector<std::pair<const char*, std::string>> files = {
        {"sample", SampleFile()},
        {"no records", Header(0)},
        {"categories only", Header(0, {{0, 5, 0, std::string(300, 'c'), "C"}}, "")},
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

TEST(DatebookFile, WriterEmitsTheLayoutForNewRecords) {
    const long noEnd = vemra::MakeLocal(2031, 12, 31, 23, 59, 59);
    const long exception = vemra::MakeLocal(2001, 9, 12);
    CDateBkTable table;   // never opened
    CDateBkRecord a(table, 1);
    ASSERT_EQ(table.AppendBlankRecord(a), 0);
    a.SetStartTime(1000000000);
    a.SetEndTime(1000005400);
    a.SetDescription(std::string(255, 'd'));
    a.SetNote("note");
    a.SetPrivate(1);
    a.SetAlarmFlag(1);
    a.SetAlarmAdvTime(10);
    a.SetAlarmAdvUnit(eHours);
    CDateBkRecord b(table, 1);
    ASSERT_EQ(table.AppendBlankRecord(b), 0);
    b.SetStartTime(1000000000);
    b.SetUnTimedFlag(1);
    b.SetDescription("x");
    // The importer's "no end": local midnight of 2031-12-31.
    b.SetRepWeekly(CWeekly(0x41, 1, vemra::MakeLocal(2031, 12, 31), eSunday));
    b.AddException(exception + 3600);
    CDateBkRecord c(table, 1);
    ASSERT_EQ(table.AppendBlankRecord(c), 0);
    c.SetStartTime(1000000000);
    c.SetRepMonthlyByDay(CDayOfMonth(eSecondWeek, eTuesday, 1, 1100000000, eSunday));
    CDateBkRecord d(table, 1);
    ASSERT_EQ(table.AppendDuplicateRecord(b, d, 1), 0);

    Bytes e;
    e.U32(0x44420100).Text("").Text("").U32(1).U32(0).U32(0).U32(15).U32(0).U32(1).U32(2).U16(15);
    for (std::uint16_t t : {1, 1, 1, 3, 1, 5, 1, 5, 6, 6, 1, 6, 1, 1, 8}) e.U16(t);
    e.U32(60);
    Rec r;
    r.id = 1; r.status = 1; r.position = 0; r.start = 1000000000; r.end = 1000005400; r.duration = 90;
    r.description = std::string(255, 'd'); r.note = "note"; r.isPrivate = 1; r.alarm = 1; r.advance = 10; r.unit = 1;
    e.Raw(Record(r));
    const auto weekly = [&](const std::string& tag) {
        return RepeatStart({static_cast<std::uint32_t>(exception)}, tag, 2, 1, static_cast<std::uint32_t>(noEnd))
            .U32(1).U8(0x41).Str();
    };
    r = Rec{};
    r.id = 2; r.status = 1; r.position = 1; r.start = 1000000000; r.description = "x"; r.untimed = 1;
    r.repeat = weekly(NewClass("CWeekly"));
    e.Raw(Record(r));
    r = Rec{};
    r.id = 3; r.status = 1; r.position = 2; r.start = 1000000000;
    r.repeat = RepeatStart({}, NewClass("CDayOfMonth"), 3, 1, 1100000000).U32(2).U32(1).Str();
    e.Raw(Record(r));
    r = Rec{};
    r.id = 4; r.status = 1; r.position = 3; r.start = 1000000000; r.description = "x"; r.untimed = 1;
    r.repeat = weekly(ClassRef(1));
    e.Raw(Record(r));
    EXPECT_TRUE(Saved(table) == e.Str());
}

// Write -> read gives the same records, and the second save the same bytes.
TEST(DatebookFile, WrittenDatebookReadsBackTheSame) {
    vemra::test::ScratchDir dir;
    const std::string path = dir.File("new.dat");
    CDateBkTable table;
    const long day = vemra::MakeLocal(2024, 2, 29, 9, 15);
    const std::vector<std::string> texts = {"plain", std::string(254, 'a'), std::string(255, 'b'),
                                            std::string(70000, 'c'), "Caf\xC3\xA9 \xE2\x82\xAC", ""};
    for (int i = 0; i < 12; ++i) {
        CDateBkRecord rec(table, 1);
        ASSERT_EQ(table.AppendBlankRecord(rec), 0);
        rec.SetStartTime(day + i * 86400);
        rec.SetEndTime(day + i * 86400 + 1800);
        rec.SetDescription(vemra::FileTextToSystem(vemra::SystemTextToFile(texts[i % texts.size()])));
        rec.SetNote(texts[(i + 3) % texts.size()]);
        rec.SetUnTimedFlag(i % 3 == 0);
        rec.SetPrivate(i % 2);
        if (i % 4 == 1) {
            rec.SetAlarmFlag(1);
            rec.SetAlarmAdvTime(i);
            rec.SetAlarmAdvUnit(i % 3);
        }
        const long end = i % 2 ? -1 : day + 400 * 86400L;
        switch (i % 6) {
        case 1: rec.SetRepDaily(CDayName(static_cast<eDayIndex>(29), 2, end, eSunday)); break;
        case 2: rec.SetRepWeekly(CWeekly(0x7F, 3, end, eMonday)); break;
        case 3: rec.SetRepMonthlyByDate(CDateOfMonth(29, 1, end, eSunday)); break;
        case 4: rec.SetRepMonthlyByDay(CDayOfMonth(eLastWeek, eThursday, 1, end, eSunday)); break;
        case 5: rec.SetRepYearlyByDate(CDateOfYear(eFebruary, 29, 1, end, eSunday)); break;
        default: break;
        }
        if (i % 6) {
            rec.AddException(day + 2 * 86400);
            rec.AddException(day + 90 * 86400);
        }
        if (i == 11) rec.SetStatus(4);
    }
    ASSERT_EQ(table.SaveAs(path), 0) << table.GetLastErrorText();
    const std::string first = vemra::test::ReadFile(path);

    CDateBkTable back;
    ASSERT_EQ(back.OpenFrom(path, 0), 0) << back.GetLastErrorText();
    ASSERT_EQ(back.GetRecordCount(), table.GetRecordCount());
    CBaseIterator itA(table), itB(back);
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        CDateBkRecord a(table, 1), b(back, 1);
        ASSERT_EQ(itA.GetAt(a, i), 0);
        ASSERT_EQ(itB.GetAt(b, i), 0);
        EXPECT_EQ(vemra::test::RecordText(a), vemra::test::RecordText(b)) << i;
        EXPECT_EQ(vemra::test::RuleText(a), vemra::test::RuleText(b)) << i;
        EXPECT_EQ(a.IsSameRepeatingEvent(b) != 0, a.IsRepeatingEvt() != 0) << i;
    }
    ASSERT_EQ(back.Save(), 0);
    EXPECT_TRUE(vemra::test::ReadFile(path) == first);
}

// ---- refusals ----

std::string Patched(std::string s, std::size_t at, const std::string& bytes) {
    s.replace(at, bytes.size(), bytes);
    return s;
}

std::string OneRecordFile(const std::string& repeat) {
    Rec r;
    r.repeat = repeat;
    return Header(1) + Record(r);
}

TEST(DatebookFile, RefusesWhatItDoesNotUnderstand) {
    const std::string good = OneRecordFile(NoRepeat());
    const std::size_t recordStart = Header(1).size();
    const std::size_t fieldListStart = Header(0).size() - 4 - 30;
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;   // a part of the reason
    };
    const std::vector<Case> cases = {
        {"empty", "", "empty"},
        {"short", std::string("\x00\x01", 2), "too short"},
        {"4.1 layout", Bytes().U8(0xCA).U8(0xFE).U8(0xBA).U8(0xBE).U32(0x000F0000).Raw("PalmSG Database").Str(),
         "Palm Desktop 4.1"},
        {"4.1 layout, little-endian", Bytes().U32(0xCAFEBABE).Str(), "Palm Desktop 4.1"},
        {"address book", Patched(good, 0, Bytes().U32(0x41420100).Str()), "address book"},
        {"unknown tag", Patched(good, 0, Bytes().U32(0x44420200).Str()), "unknown version tag 0x44420200"},
        {"fields per row", Patched(Header(0), fieldListStart - 18, Bytes().U32(16).Str()), "16 fields"},
        {"field list", Patched(Header(0), fieldListStart + 2 * 3 + 2, Bytes().U16(2).Str()), "field type 2"},
        {"record field type", Patched(good, recordStart + 8 * 3, Bytes().U32(7).Str()), "field type 7"},
        {"entry count not whole records", Patched(good, recordStart - 4, Bytes().U32(16).Str()), "entry count"},
        {"absurd entry count", Patched(good, recordStart - 4, Bytes().U32(0xFFFFFFFF).Str()), "entry count"},
        {"absurd category count", Patched(Header(0, {}, ""), 4 + 1 + 1 + 4, Bytes().U32(0x10000000).Str()),
         "category count"},
        {"absurd exception count", Header(1) + Record(Rec{}).substr(0, Record(Rec{}).size() - 4) +
                                       Bytes().U16(0xFFFF).U32(1).Str(), "exception dates"},
        {"trailing bytes", good + "x", "after the last record"},
        {"unknown class", OneRecordFile(RepeatStart({}, NewClass("CYearlyByDay"), 6, 1, 0).U32(1).U32(1).Str()),
         "CYearlyByDay"},
        {"yearly by weekday", OneRecordFile(RepeatStart({}, NewClass("CDateOfYear"), 6, 1, 0).U32(1).U32(1).Str()),
         "yearly repeat by weekday"},
        {"brand against class", OneRecordFile(RepeatStart({}, NewClass("CDayName"), 4, 1, 0).U32(1).Str()),
         "does not match"},
        {"class schema", OneRecordFile(Bytes().U16(0).U16(0xFFFF).U16(2).U16(8).Raw("CDayName").U32(1).U32(1)
                                           .U32(0).U32(0).U32(1).Str()), "schema 2"},
        {"undeclared class", OneRecordFile(RepeatStart({}, ClassRef(3), 1, 1, 0).U32(1).Str()), "unknown class"},
        {"shared object", OneRecordFile(Bytes().U16(0).U16(0x0002).Str()), "shared"},
        {"unicode text", Header(1) + Record([] { Rec r; r.rawDescription = Bytes().U8(0xFF).U16(0xFFFE).Str(); return r; }()),
         "Unicode"},
        {"text past the end", Header(1) + Record([] { Rec r; r.rawNote = Bytes().U8(0xFF).U16(0xFFFF).U32(0xFFFFFF00).Str(); return r; }()),
         "past the end"},
    };
    for (const Case& c : cases) {
        CDateBkTable table;
        ASSERT_EQ(table.OpenFromMemory(SampleFile()), 0);
        EXPECT_NE(table.OpenFromMemory(c.bytes), 0) << c.name;
        EXPECT_EQ(table.GetRecordCount(), 0) << c.name;
        EXPECT_NE(table.GetLastErrorText().find(c.message), std::string::npos)
            << c.name << ": " << table.GetLastErrorText();
    }
}

TEST(DatebookFile, RefusesEveryTruncation) {
    const std::string full = SampleFile();
    for (std::size_t n = 0; n < full.size(); ++n) {
        CDateBkTable table;
        EXPECT_NE(table.OpenFromMemory(std::string_view(full).substr(0, n)), 0) << n;
        EXPECT_EQ(table.GetRecordCount(), 0);
        EXPECT_FALSE(table.GetLastErrorText().empty());
    }
}

TEST(DatebookFile, FailedOpenCannotBeSavedOverTheFile) {
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
}

TEST(DatebookFile, FailedSaveIsReported) {
    vemra::test::ScratchDir dir;
    CDateBkTable table;
    CDateBkRecord rec(table, 1);
    table.AppendBlankRecord(rec);
    EXPECT_NE(table.SaveAs(dir.File("no such folder") + "/datebook.dat"), 0);
    EXPECT_FALSE(table.GetLastErrorText().empty());
    EXPECT_NE(table.Save(), 0);   // never saved: no path of its own
}

}  // namespace
