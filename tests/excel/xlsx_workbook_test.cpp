// .xlsx workbooks: what the engine writes reads back the same (also streamed through the row
// file), workbooks shaped as other programs write them read with their features, and each kind
// of bad file is refused with its own message.

#include <gtest/gtest.h>

#include <set>

#include "excel/excel_file.h"
#include "excel/workbook_engine.h"
#include "excel/xlsx_workbook.h"
#include "excel/zip_archive.h"
#include "platform/local_time.h"
#include "platform/text.h"
#include "tests/test_support.h"

namespace vemra::test {
namespace {

using Parts = std::vector<std::pair<std::string, std::string>>;

std::string Zip(const Parts& parts, bool deflate = true) {
    std::string out;
    CZipWriter zip([&](const char* d, std::size_t n) { return out.append(d, n), true; });
    for (const auto& [name, data] : parts) zip.Add(name, data, deflate);
    zip.Finish();
    return out;
}

const std::string kRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A workbook as another program might write it: the main part elsewhere, the first sheet not
// first in the archive, shared strings with rich runs, custom date formats, the 1904 system.
Parts OtherProgramsWorkbook(const std::string& sheetData) {
    const std::string rel = "<Relationship Id=\"%s\" Type=\"" + kRels + "/%s\" Target=\"%s\"/>";
    auto r = [&](const char* id, const char* type, const char* target) { return FormatText(rel.c_str(), id, type, target); };
    return {{"_rels/.rels", "<Relationships>" + r("rId1", "officeDocument", "/xl/wb.xml") + "</Relationships>"},
            {"xl/_rels/wb.xml.rels", "<Relationships>" + r("rId7", "worksheet", "sheets/second.xml") +
                                         r("rId9", "worksheet", "./sheets/first.xml") + r("rId3", "sharedStrings", "strings.xml") +
                                         r("rId4", "styles", "../xl/styles.xml") + "</Relationships>"},
            {"xl/wb.xml", "\xEF\xBB\xBF<?xml version=\"1.0\"?><workbook xmlns:r=\"" + kRels + "\"><workbookPr date1904=\"1\"/><sheets>"
                          "<sheet name=\"A\" sheetId=\"2\" r:id=\"rId9\"/><sheet name=\"B\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>"},
            {"xl/sheets/second.xml", "<worksheet><sheetData><row><c><v>99</v></c></row></sheetData></worksheet>"},
            {"xl/strings.xml", "<sst><si><t>plain</t></si><si><r><rPr><b/></rPr><t xml:space=\"preserve\">rich </t></r><r><t>runs</t></r>"
                               "<rPh sb=\"0\" eb=\"1\"><t>ruby</t></rPh></si><si><t>caf&#233; &#x20AC;&amp;_x000B_</t></si></sst>"},
            {"xl/styles.xml", "<styleSheet><numFmts count=\"1\"><numFmt numFmtId=\"165\" formatCode=\"dd/mm/yyyy\\ hh:mm\"/></numFmts>"
                              "<cellXfs count=\"4\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"165\"/><xf numFmtId=\"4\"/></cellXfs></styleSheet>"},
            {"xl/sheets/first.xml", "<x:worksheet xmlns:x=\"main\"><x:sheetData>" + sheetData + "</x:sheetData></x:worksheet>"}};
}

TEST(XlsxWorkbookTest, WhatIsWrittenReadsBack) {
    CXlsSheet sheet;
    const std::u16string texts[] = {u"Lunch <&> \"Anna\"", u" two\nlines ", u"_x0041_ stays", u"\x01\x1f ctl",
                                    u"\U0001F600 " + std::u16string(1, char16_t(0xD800)), std::u16string(32767, u'w')};
    for (std::size_t i = 0; i < std::size(texts); ++i) sheet.SetText(static_cast<long>(i), 0, texts[i]);
    sheet.SetNumber(0, 1, -1.2345678901234567);
    sheet.SetNumber(1, 1, 46082, XlsStyle::date);
    sheet.SetNumber(2, 1, 0.395833, XlsStyle::time);
    sheet.SetNumber(3, 1, 46082.5, XlsStyle::dateTime);
    sheet.SetText(4, 1, u"12", XlsStyle::prefixedText);
    sheet.Cell(5, 1).kind = XlsCellKind::boolean;
    sheet.Cell(5, 1).code = 1;
    sheet.Cell(5, 2).kind = XlsCellKind::error;
    sheet.Cell(5, 2).code = 0x07;
    sheet.SetNumber(9, 300, 1e300);
    sheet.m_b1904 = true;

    CXlsSheet back;
    ASSERT_EQ(ReadXlsxWorkbook(WriteXlsxWorkbook(sheet), back), XlsError::none);
    EXPECT_TRUE(back.m_b1904);
    ASSERT_EQ(back.RowCount(), sheet.RowCount());
    for (long r = 0; r < sheet.RowCount(); ++r) {
        ASSERT_EQ(back.Row(r).size(), sheet.Row(r).size()) << r;
        for (long c = 0; c < static_cast<long>(sheet.Row(r).size()); ++c) {
            SCOPED_TRACE(r * 1000 + c);
            const XlsCell &want = *sheet.Find(r, c), &got = *back.Find(r, c);
            EXPECT_EQ(got.kind, want.kind);
            // Every date or time format reads as a date; which one does not matter to a reader.
            EXPECT_EQ(got.style, want.style == XlsStyle::time || want.style == XlsStyle::dateTime ? XlsStyle::date : want.style);
            EXPECT_EQ(got.number, want.number);
            EXPECT_EQ(got.code, want.code);
            if (want.kind == XlsCellKind::text) {
                EXPECT_EQ(back.String(got.text), sheet.String(want.text));
            }
        }
    }
}

TEST(XlsxWorkbookTest, RowsStreamedByTheRowFileReadBack) {
    ScratchDir dir;
    const std::string path = dir.File("stream.xlsx");
    CExcelFile out(CreateWorkbookEngine());
    ASSERT_EQ(out.OpenWrite(path), 0);
    const long day = MakeLocal(2026, 3, 2), moment = MakeLocal(2026, 3, 2, 9, 30);
    auto text = [](long r) { return r == 700 ? std::string(600, 'L') : "row " + std::to_string(r); };
    out.PutText("Heading");   // the row reading starts after
    out.NextWriteRow();
    for (long r = 0; r < 1234; ++r) {   // more than two blocks, one long text written cell by cell
        out.PutText(text(r));
        out.PutDate(day + r * 86400);
        out.PutTime(moment);
        out.PutInt(r);
        out.PutText("12");
        out.NextWriteRow();
    }
    ASSERT_EQ(out.CloseWrite(), 0) << out.GetErrorText();
    CExcelFile in(CreateWorkbookEngine());
    ASSERT_EQ(in.OpenRead(path), 0) << in.GetErrorText();
    LocalParts p;
    for (long r = 0; r < 1234; ++r) {
        SCOPED_TRACE(r);
        ASSERT_EQ(in.NextReadRow(), 0);
        std::string t, digits;
        long d = 0, m = 0, n = 0;
        in.GetText(t);
        in.GetDate(d);
        in.GetTime(m);
        in.GetInt(n);
        in.GetText(digits);
        EXPECT_EQ(t, text(r));
        EXPECT_EQ(d, day + r * 86400);
        ASSERT_TRUE(BreakLocal(m, p));
        EXPECT_EQ(p.hour * 60 + p.minute, 570);
        EXPECT_EQ(n, r);
        EXPECT_EQ(digits, "12");
    }
    EXPECT_EQ(in.NextReadRow(), -1);
}

TEST(XlsxWorkbookTest, WorkbooksOfOtherProgramsRead) {
    CXlsSheet sheet;
    ASSERT_EQ(ReadXlsxWorkbook(Zip(OtherProgramsWorkbook(
                                   "<x:row r=\"2\"><x:c r=\"B2\" t=\"s\"><x:v>1</x:v></x:c><x:c t=\"s\"><x:v>2</x:v></x:c>"
                                   "<x:c s=\"1\"><x:v>0</x:v></x:c></x:row><x:row><x:c t=\"b\"><x:v>1</x:v></x:c>"
                                   "<x:c t=\"str\"><x:f>A1&amp;\"x\"</x:f><x:v>cached</x:v></x:c><x:c><x:f>1+1</x:f><x:v>2</x:v></x:c>"
                                   "<x:c s=\"2\"><x:v>1.5</x:v></x:c><x:c s=\"3\"><x:v>3.25</x:v></x:c>"
                                   "<x:c t=\"inlineStr\"><x:is><x:t>in&lt;line</x:t></x:is></x:c><x:c t=\"e\"><x:v>#DIV/0!</x:v></x:c></x:row>")),
                               sheet),
              XlsError::none);
    EXPECT_TRUE(sheet.m_b1904);
    struct Expect {
        long row, column;
        XlsCellKind kind;
        XlsStyle style;
        double number;
        std::u16string text;
    };
    const Expect expected[] = {{1, 1, XlsCellKind::text, XlsStyle::general, 0, u"rich runs"},
                               {1, 2, XlsCellKind::text, XlsStyle::general, 0, u"caf\u00e9 \u20ac&\x0b"},
                               {1, 3, XlsCellKind::number, XlsStyle::date, 0, u""},
                               {2, 0, XlsCellKind::boolean, XlsStyle::general, 0, u""},
                               {2, 1, XlsCellKind::text, XlsStyle::general, 0, u"cached"},
                               {2, 2, XlsCellKind::number, XlsStyle::general, 2, u""},
                               {2, 3, XlsCellKind::number, XlsStyle::date, 1.5, u""},
                               {2, 4, XlsCellKind::number, XlsStyle::general, 3.25, u""},
                               {2, 5, XlsCellKind::text, XlsStyle::general, 0, u"in<line"},
                               {2, 6, XlsCellKind::error, XlsStyle::general, 0, u""}};
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.row * 100 + e.column);
        const XlsCell* cell = sheet.Find(e.row, e.column);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->kind, e.kind);
        EXPECT_EQ(cell->style, e.style);
        EXPECT_EQ(cell->number, e.number);
        if (e.kind == XlsCellKind::text) {
            EXPECT_EQ(sheet.String(cell->text), e.text);
        }
    }
    EXPECT_EQ(sheet.Find(2, 0)->code, 1);
    EXPECT_EQ(sheet.Find(2, 6)->code, 0x07);
    EXPECT_EQ(sheet.Find(0, 0), nullptr);   // the second sheet's cell stays out
}

// A zip's bytes with the 16-bit field at `offset` of the central entry for `name` set to value.
std::string Patch(std::string zip, const std::string& name, std::size_t offset, std::uint16_t value) {
    const std::size_t at = zip.rfind("PK\x01\x02", zip.rfind(name));
    zip[at + offset] = static_cast<char>(value & 0xFF);
    zip[at + offset + 1] = static_cast<char>(value >> 8);
    return zip;
}

TEST(XlsxWorkbookTest, BadFilesAreRefusedEachWithItsOwnReason) {
    const std::string good = Zip(OtherProgramsWorkbook("<x:row><x:c><x:v>1</x:v></x:c></x:row>"));
    Parts bomb = OtherProgramsWorkbook("");
    bomb.back().second += std::string(64 << 20, ' ');
    Parts escape = OtherProgramsWorkbook("");
    escape.emplace_back("../outside.xml", "<x/>");
    std::string lying = Zip(bomb);   // claims a small size but inflates far beyond it
    const std::size_t sizeAt = lying.rfind("PK\x01\x02") + 24;
    lying.replace(sizeAt, 4, std::string("\x00\x10\x00\x00", 4));
    std::string crc = Zip(OtherProgramsWorkbook("<x:row/>"), false);
    crc[crc.find("<x:row/>") + 3] = 'y';
    const char cfb[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    const std::u16string encrypted = u"EncryptedPackage";
    struct Case {
        const char* what;
        std::string file;
        XlsError error;
    };
    const Case cases[] = {
        {"text", "Date,Text\n", XlsError::notWorkbook},
        {"zip without workbook", Zip({{"readme.txt", "hello"}}), XlsError::noWorkbook},
        {"workbook protected with a password",
         std::string(cfb, 8) + std::string(reinterpret_cast<const char*>(encrypted.data()), encrypted.size() * 2),
         XlsError::encrypted},
        {"encrypted entry", Patch(good, "xl/wb.xml", 8, 1), XlsError::encrypted},
        {".xls under an .xlsx name", std::string(cfb, 8) + std::string(600, '\0'), XlsError::xlsUnderXlsxName},
        {"entry inflating far beyond its size", Zip(bomb), XlsError::zipBomb},
        {"entry inflating beyond what it claims", lying, XlsError::zipBomb},
        {"path with ..", Zip(escape), XlsError::unsafePath},
        {"bzip2 entry", Patch(good, "xl/wb.xml", 10, 12), XlsError::unsupportedPacking},
        {"CRC mismatch", crc, XlsError::damaged},
        {"cut short", good.substr(0, good.size() - 30), XlsError::damaged},
        {"malformed sheet", Zip(OtherProgramsWorkbook("<x:row><x:c></x:row>")), XlsError::damaged},
        {"entity declaration", Zip(OtherProgramsWorkbook("<!DOCTYPE x [<!ENTITY a \"b\">]>")), XlsError::damaged},
        {"row beyond the sheet", Zip(OtherProgramsWorkbook("<x:row r=\"1048577\"/>")), XlsError::xlsxTooLarge},
        {"column beyond the sheet", Zip(OtherProgramsWorkbook("<x:row><x:c r=\"XFE1\"><x:v>1</x:v></x:c></x:row>")),
         XlsError::xlsxTooLarge},
    };
    std::set<std::string> messages;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CXlsSheet sheet;
        EXPECT_EQ(ReadXlsxWorkbook(c.file, sheet), c.error);
        EXPECT_EQ(sheet.RowCount(), 0);
        messages.insert(XlsErrorText(c.error));
    }
    EXPECT_EQ(messages.size(), 9u);   // one message for each reason
    EXPECT_EQ(messages.count(""), 0u);
}

}  // namespace
}  // namespace vemra::test
