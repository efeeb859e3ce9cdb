#include "platform/locale_dates.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "formats/value_text.h"
#include "platform/local_time.h"
#include "tests/test_support.h"

using namespace vemra;
using vemra::test::MessageCapture;

namespace {

#ifdef _WIN32
// The user-default locale of a Windows process is fixed when it starts: CTest starts one per locale.
constexpr bool kLocaleSwitchable = false;
void SetVariable(const char*, const char*) {}
#else
constexpr bool kLocaleSwitchable = true;
void SetVariable(const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); }
#endif

std::string LocaleVariable() {
    const char* v = std::getenv("LC_ALL");
    return v ? v : "";
}

struct LocaleCase {
    const char* env;
    const char* date0304;   // 2002-03-04
    const char* date1231;   // 2031-12-31
    const char* t1430, *t0905, *t0005, *t1205;
};

// What Windows writes for these locales by default (under Wine only en-US is checked: Wine's
// locale data differs from Windows' for the others).
const LocaleCase kLocales[] = {
    {"en_US.UTF-8", "3/4/2002", "12/31/2031", "2:30 PM", "9:05 AM", "12:05 AM", "12:05 PM"},
    {"C", "3/4/2002", "12/31/2031", "2:30 PM", "9:05 AM", "12:05 AM", "12:05 PM"},
    {"en_GB.UTF-8", "04/03/2002", "31/12/2031", "14:30", "09:05", "00:05", "12:05"},
    {"de_DE.UTF-8", "04.03.2002", "31.12.2031", "14:30", "09:05", "00:05", "12:05"},
    {"fr_FR.UTF-8", "04/03/2002", "31/12/2031", "14:30", "09:05", "00:05", "12:05"},
    {"nl_NL.UTF-8", "4-3-2002", "31-12-2031", "14:30", "09:05", "00:05", "12:05"},
    {"it_IT.UTF-8", "04/03/2002", "31/12/2031", "14:30", "09:05", "00:05", "12:05"},
    {"es_ES.UTF-8", "04/03/2002", "31/12/2031", "14:30", "9:05", "0:05", "12:05"},
    // Natively from the C library's data of these locales.
    {"en_AU.UTF-8", "04/03/02", "31/12/31", "14:30", "09:05", "00:05", "12:05"},
    {"pt_BR.UTF-8", "04/03/2002", "31/12/2031", "14:30", "09:05", "00:05", "12:05"},
    {"sv_SE.UTF-8", "2002-03-04", "2031-12-31", "14:30", "09:05", "00:05", "12:05"},
    {"fi_FI.UTF-8", "04.03.2002", "31.12.2031", "14.30", "09.05", "00.05", "12.05"},
    // Without the spaces of the C library's "%Y\ub144 %m\uc6d4 %d\uc77c": they would split an exceptions cell.
    {"ko_KR.UTF-8", "2002\ub14403\uc6d404\uc77c", "2031\ub14412\uc6d431\uc77c", "14\uc2dc 30\ubd84",
     "09\uc2dc 05\ubd84", "00\uc2dc 05\ubd84", "12\uc2dc 05\ubd84"},
    {"ja_JP.UTF-8", "2002\u5e7403\u670804\u65e5", "2031\u5e7412\u670831\u65e5", "14\u664230\u5206",
     "09\u664205\u5206", "00\u664205\u5206", "12\u664205\u5206"},
};

// Runs body under every locale this build can switch to (natively all of them; on Windows the
// one the process was started with). False when none applied.
template <class Body>
bool ForEachLocale(Body body) {
    bool any = false;
    for (const LocaleCase& c : kLocales) {
        if (!kLocaleSwitchable && LocaleVariable() != c.env) continue;
        const std::string old = LocaleVariable();
        if (kLocaleSwitchable) SetVariable("LC_ALL", c.env);
        SCOPED_TRACE(c.env);
        body(c);
        if (kLocaleSwitchable) SetVariable("LC_ALL", old.c_str());
        any = true;
    }
    return any;
}

// A year as locales with two-digit years give it back, in the callers' window 1970..2069.
int FullYear(int year) { return year >= 100 ? year : year + (year < 70 ? 2000 : 1900); }

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A parse's outcome: its parts, or that it refused the text.
std::string Parsed(bool ok, std::initializer_list<int> parts) {
    if (!ok) return "refused";
    std::string text;
    for (int part : parts) text.append(text.empty() ? "" : " ").append(std::to_string(part));
    return text;
}

}  // namespace

// Each locale's own texts (checked under Wine for en-US only: Wine's data for the others differs
// from Windows'), read back by the parser; what is no date or time refused; the year window
// 1970..2031 of two- and four-digit years through the date cell conversion.
TEST(LocaleDates, TextsOfEachLocale) {
    const bool ran = ForEachLocale([](const LocaleCase& c) {
        if (kLocaleSwitchable || std::string(c.env) == "en_US.UTF-8") {
            EXPECT_EQ(DateText(MakeLocal(2002, 3, 4, 14, 30)), c.date0304);
            EXPECT_EQ(DateText(MakeLocal(2031, 12, 31, 9, 5)), c.date1231);
            EXPECT_EQ(TimeText(MakeLocal(2002, 3, 4, 14, 30)), c.t1430);
            EXPECT_EQ(TimeText(MakeLocal(2002, 3, 4, 9, 5)), c.t0905);
            EXPECT_EQ(TimeText(MakeLocal(2002, 3, 4, 0, 5)), c.t0005);
            EXPECT_EQ(TimeText(MakeLocal(2002, 3, 4, 12, 5, 59)), c.t1205);
        }
        const int days[][3] = {{2002, 3, 4}, {2002, 12, 1}, {1970, 1, 5}, {2024, 2, 29}, {2031, 12, 31}};
        const int times[][2] = {{0, 0}, {0, 5}, {9, 5}, {11, 59}, {12, 0}, {12, 5}, {14, 30}, {23, 59}};
        for (const auto& d : days) {
            for (const auto& tm : times) {
                const long t = MakeLocal(d[0], d[1], d[2], tm[0], tm[1]);
                const std::string date = DateText(t), time = TimeText(t);
                DateTimeParts p, q, r;
                ASSERT_TRUE(ParseDateTime(date, p) && ParseDateTime(time, q) && ParseDateTime(" " + date + " " + time + " ", r))
                    << date << " " << time;
                EXPECT_EQ(Parsed(true, {FullYear(p.year), p.month, p.day, p.hour, q.hour, q.minute}),
                          Parsed(true, {d[0], d[1], d[2], 0, tm[0], tm[1]})) << date << " " << time;
                EXPECT_EQ(Parsed(true, {FullYear(r.year), r.month, r.day, r.hour, r.minute}),
                          Parsed(true, {d[0], d[1], d[2], tm[0], tm[1]})) << date << " " << time;
            }
        }
        for (const char* text : {"", "   ", "Date", "Start Time", "x", "12", "2/30/2002", "13/13/2002",
                                 "3/4/2002 tomorrow", "25:00", "10:75"}) {
            DateTimeParts p;
            EXPECT_FALSE(ParseDateTime(text, p)) << '"' << text << '"';
        }
        // The model's year as the locale writes it: four digits, or two.
        std::string model = DateText(MakeLocal(2011, 1, 5));
        if (model.find("2011") == std::string::npos) model = Replace(model, "11", "2011");
        model = Replace(model, "2011", "2002");
        const struct { const char* year; int expected; } cases[] = {
            {"70", 1970}, {"99", 1999}, {"00", 2000}, {"02", 2002}, {"31", 2031}, {"32", 0}, {"50", 0},
            {"69", 0}, {"1970", 1970}, {"1980", 1980}, {"2031", 2031}, {"2032", 0}, {"1950", 0},
            {"1969", 0}, {"1931", 0}, {"1899", 0}, {"1500", 0}};
        for (const auto& y : cases) {
            const std::string text = Replace(model, "2002", y.year);
            long t = 12345;
            const int result = DateCellValue(text, t);
            EXPECT_EQ(result, y.expected ? 0 : -1) << text;
            EXPECT_EQ(t, y.expected ? MakeLocal(y.expected, 1, 5) : 12345) << text;
        }
    });
    if (!ran) GTEST_SKIP() << "the process locale is none of the table's";
}

TEST(LocaleDates, PicturesFollowTheEnvironmentAtEachCall) {
    if (!kLocaleSwitchable) GTEST_SKIP() << "the system locale is fixed at start";
    const std::string keep = LocaleVariable();
    MessageCapture capture;
    const struct { const char* all; const char* time; const char* lang; const char* expected; } cases[] = {
        {nullptr, nullptr, nullptr, "en-US"},
        {"C", nullptr, "de_DE.UTF-8", "en-US"},
        {"C.UTF-8", nullptr, nullptr, "en-US"},
        {nullptr, nullptr, "de_DE.UTF-8", "de-DE"},
        {nullptr, "nl_NL", "de_DE.UTF-8", "nl-NL"},
        {"fr_FR.UTF-8", "nl_NL", "de_DE.UTF-8", "fr-FR"},
        {"de", nullptr, nullptr, "de-DE"},
        {"de_AT.UTF-8", nullptr, nullptr, "de-AT"},
        {"en_GB.ISO-8859-1", nullptr, nullptr, "en-GB"},
        {"sv_SE.UTF-8", nullptr, nullptr, "sv-SE"},
        {"en_AU", nullptr, nullptr, "en-AU"},
        {"", nullptr, "it_IT@euro", "it-IT"},
        {"xx_YY.UTF-8", nullptr, nullptr, "en-US"},
        {"sv_SE.UTF-8", nullptr, nullptr, "sv-SE"},
        {"xx_YY.UTF-8", nullptr, nullptr, "en-US"},
    };
    for (const auto& c : cases) {
        SetVariable("LC_ALL", c.all);
        SetVariable("LC_TIME", c.time);
        SetVariable("LANG", c.lang);
        EXPECT_STREQ(CurrentLocalePictures().name, c.expected)
            << (c.all ? c.all : "-") << " " << (c.time ? c.time : "-") << " " << (c.lang ? c.lang : "-");
    }
    SetVariable("LC_TIME", nullptr);
    SetVariable("LANG", nullptr);
    SetVariable("LC_ALL", keep.c_str());
    // A locale that is not installed is named once, however often it comes back.
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_NE(capture.messages[0].find("xx_YY.UTF-8"), std::string::npos) << capture.messages[0];
}

// The cases of tests/data/formats/date_parsing.txt, the same in both builds.
TEST(LocaleDates, ParsingCases) {
    const LocalePictures ja{"ja-JP", "yyyy\u5e74MM\u6708dd\u65e5", "HH\u6642mm\u5206", false, true};
    const LocalePictures ko{"ko-KR", "yy'. 'M'. 'd", "tt h\uc2dc mm\ubd84", false, true};
    std::istringstream file(vemra::test::ReadFile(vemra::test::DataFile("formats/date_parsing.txt")));
    int cases = 0;
    for (std::string line; std::getline(file, line); ++cases) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string x; std::getline(fields, x, '|');) f.push_back(x);
        f.resize(4);
        if (f[0] == "strftime") {
            EXPECT_EQ(PictureFromStrftime(f[1], f[2] == "1"), f[3]) << line;
            continue;
        }
        DateTimeParts p;
        const bool ok = f[0] == "native" ? ParseDateTimeWithOrder(f[1], f[2] == "M", 2020, p)
                                         : ParseDateTimeFor(f[1], f[0] == "ja" ? ja : ko, 2020, p);
        EXPECT_EQ(Parsed(ok, {p.year, p.month, p.day, p.hour, p.minute}), f[3]) << line;
    }
    EXPECT_GT(cases, 50);
}
