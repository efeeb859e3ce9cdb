#include "platform/locale_dates.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

// Runs body under every locale this build can switch to (natively all of them; on Windows the
// one the process was started with). False when none applied.
template <class Body>
bool ForEachLocale(Body body) {
    bool any = false;
    // LC_ALL, then 2002-03-04, 2031-12-31, 14:30, 9:05, 0:05 and 12:05 as the locale writes them.
    for (const auto& c : test::DataRows("formats/locale_texts.txt", "\t", 7)) {
        if (!kLocaleSwitchable && LocaleVariable() != c[0]) continue;
        const std::string old = LocaleVariable();
        if (kLocaleSwitchable) SetVariable("LC_ALL", c[0].c_str());
        SCOPED_TRACE(c[0]);
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
    const bool ran = ForEachLocale([](const std::vector<std::string>& c) {
        if (kLocaleSwitchable || c[0] == "en_US.UTF-8") {
            EXPECT_EQ(std::vector<std::string>({DateText(MakeLocal(2002, 3, 4, 14, 30)), DateText(MakeLocal(2031, 12, 31, 9, 5)),
                                                TimeText(MakeLocal(2002, 3, 4, 14, 30)), TimeText(MakeLocal(2002, 3, 4, 9, 5)),
                                                TimeText(MakeLocal(2002, 3, 4, 0, 5)), TimeText(MakeLocal(2002, 3, 4, 12, 5, 59))}),
                      std::vector<std::string>(c.begin() + 1, c.end()));
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
        for (const auto& y : test::DataRows("formats/year_window.txt", "\t", 2)) {
            const std::string text = Replace(model, "2002", y[0]);
            const int expected = std::stoi(y[1]);
            long t = 12345;
            EXPECT_EQ(DateCellValue(text, t), expected ? 0 : -1) << text;
            EXPECT_EQ(t, expected ? MakeLocal(expected, 1, 5) : 12345) << text;
        }
    });
    if (!ran) GTEST_SKIP() << "the process locale is none of the table's";
}

TEST(LocaleDates, PicturesFollowTheEnvironmentAtEachCall) {
    if (!kLocaleSwitchable) GTEST_SKIP() << "the system locale is fixed at start";
    const std::string keep = LocaleVariable();
    MessageCapture capture;
    for (const auto& c : test::DataRows("formats/locale_pictures.txt", "\t", 4)) {
        for (int i : {0, 1, 2}) SetVariable(i == 0 ? "LC_ALL" : i == 1 ? "LC_TIME" : "LANG", c[i] == "-" ? nullptr : c[i].c_str());
        EXPECT_EQ(CurrentLocalePictures().name, c[3]) << c[0] << " " << c[1] << " " << c[2];
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
    const auto cases = test::DataRows("formats/date_parsing.txt", "|", 4);
    for (const auto& f : cases) {
        SCOPED_TRACE(f[0] + "|" + f[1] + "|" + f[2]);
        if (f[0] == "strftime") {
            EXPECT_EQ(PictureFromStrftime(f[1], f[2] == "1"), f[3]);
            continue;
        }
        DateTimeParts p;
        const bool ok = f[0] == "native" ? ParseDateTimeWithOrder(f[1], f[2] == "M", 2020, p)
                                         : ParseDateTimeFor(f[1], f[0] == "ja" ? ja : ko, 2020, p);
        EXPECT_EQ(Parsed(ok, {p.year, p.month, p.day, p.hour, p.minute}), f[3]);
    }
    EXPECT_GE(cases.size(), 50u);
}
