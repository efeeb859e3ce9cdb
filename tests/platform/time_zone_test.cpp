#include "platform/time_zone.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/directory.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "tests/test_support.h"

using namespace vemra;

namespace {

// "2024-03-31 01:00:00" read as UTC.
long long At(const char* text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    EXPECT_EQ(std::sscanf(text, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s), 6) << text;
    return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

}  // namespace

// Around daylight-saving changes, after the last transition a zone file lists (2050), across the
// southern new year and in Brazil's years of daylight time.
TEST(NamedZone, OffsetsAroundChanges) {
    const struct { const char* zone; const char* utc; int offset; } cases[] = {
        {"Europe/Berlin", "2024-03-31 00:59:59", 3600},     {"Europe/Berlin", "2024-03-31 01:00:00", 7200},
        {"Europe/Berlin", "2024-10-27 00:59:59", 7200},     {"Europe/Berlin", "2024-10-27 01:00:00", 3600},
        {"Europe/Berlin", "2050-07-01 12:00:00", 7200},     {"Europe/Berlin", "2050-12-01 12:00:00", 3600},
        {"America/Chicago", "2024-03-10 07:59:59", -21600}, {"America/Chicago", "2024-03-10 08:00:00", -18000},
        {"America/Chicago", "2024-11-03 06:59:59", -18000}, {"America/Chicago", "2024-11-03 07:00:00", -21600},
        {"America/Chicago", "2010-03-14 08:00:00", -18000}, {"America/Chicago", "2037-11-01 06:59:59", -18000},
        {"Australia/Sydney", "2024-04-06 15:59:59", 39600}, {"Australia/Sydney", "2024-04-06 16:00:00", 36000},
        {"Australia/Sydney", "2024-10-05 15:59:59", 36000}, {"Australia/Sydney", "2024-10-05 16:00:00", 39600},
        {"Australia/Sydney", "2050-01-01 00:00:00", 39600}, {"Asia/Kolkata", "2024-06-01 00:00:00", 19800},
        {"Asia/Tokyo", "2024-07-01 00:00:00", 32400},       {"Asia/Tokyo", "2050-01-01 00:00:00", 32400},
        {"America/Sao_Paulo", "2018-02-18 01:59:59", -7200}, {"America/Sao_Paulo", "2018-02-18 02:00:00", -10800},
        {"America/Sao_Paulo", "2018-11-04 02:59:59", -10800}, {"America/Sao_Paulo", "2018-11-04 03:00:00", -7200},
        {"America/Sao_Paulo", "2012-01-01 12:00:00", -7200}, {"America/Sao_Paulo", "2019-12-01 12:00:00", -10800},
    };
    for (const auto& c : cases) {
        CNamedZone zone;
        ASSERT_TRUE(zone.Open(c.zone)) << c.zone;
        EXPECT_EQ(zone.OffsetAt(At(c.utc)), c.offset) << c.zone << " " << c.utc;
    }
}

// Wall-clock times to UTC: a time that occurs twice is the earlier instant, one in a gap moves on.
TEST(NamedZone, WallClockToUtc) {
    const struct { const char* zone; const char* wall; const char* utc; } cases[] = {
        {"Europe/Berlin", "2024-07-01 12:00:00", "2024-07-01 10:00:00"},
        {"Europe/Berlin", "2024-03-31 02:30:00", "2024-03-31 01:30:00"},   // gap: 03:30 CEST
        {"Europe/Berlin", "2024-10-27 02:30:00", "2024-10-27 00:30:00"},   // twice: CEST
        {"Europe/Berlin", "2024-10-27 03:00:00", "2024-10-27 02:00:00"},
        {"America/Chicago", "2024-03-10 02:30:00", "2024-03-10 08:30:00"},
        {"America/Chicago", "2024-11-03 01:30:00", "2024-11-03 06:30:00"},
        {"Australia/Sydney", "2024-04-07 02:30:00", "2024-04-06 15:30:00"},
        {"Australia/Sydney", "2024-10-06 02:30:00", "2024-10-05 16:30:00"},
        {"Asia/Kolkata", "2024-01-01 00:00:00", "2023-12-31 18:30:00"},
        {"America/Sao_Paulo", "2018-11-04 00:30:00", "2018-11-04 03:30:00"},
        {"America/Sao_Paulo", "2018-02-17 23:30:00", "2018-02-18 01:30:00"},
    };
    for (const auto& c : cases) {
        CNamedZone zone;
        ASSERT_TRUE(zone.Open(c.zone)) << c.zone;
        EXPECT_EQ(zone.ToUtc(At(c.wall)), At(c.utc)) << c.zone << " " << c.wall;
    }
}

// The ways calendar files name zones, each checked by the offset it gives and the name it goes by
// (natively the IANA name, on Windows the Windows name); "" is refused.
TEST(NamedZone, NameForms) {
    const struct { std::string_view tzid; int july2024; const char* native; const char* windows; } cases[] = {
        {"Europe/Berlin", 7200, "Europe/Berlin", "W. Europe Standard Time"},
        {"/Europe/Berlin", 7200, "Europe/Berlin", "W. Europe Standard Time"},
        {"/mozilla.org/20050126_1/Europe/Berlin", 7200, "Europe/Berlin", "W. Europe Standard Time"},
        {"/citadel.org/20190914_1/Europe/Berlin", 7200, "Europe/Berlin", "W. Europe Standard Time"},
        {"/softwarestudio.org/Olson_20011030_5/America/Chicago", -18000, "America/Chicago", "Central Standard Time"},
        {" America/Argentina/Buenos_Aires ", -10800, "America/Argentina/Buenos_Aires", "Argentina Standard Time"},
        {"W. Europe Standard Time", 7200, "Europe/Berlin", "W. Europe Standard Time"},
        {"w. europe standard time", 7200, "Europe/Berlin", "W. Europe Standard Time"},
        {"Central Standard Time", -18000, "America/Chicago", "Central Standard Time"},
        {"AUS Eastern Standard Time", 36000, "Australia/Sydney", "AUS Eastern Standard Time"},
        {"India Standard Time", 19800, "", "India Standard Time"},   // Asia/Calcutta or Asia/Kolkata
        {"Asia/Calcutta", 19800, "", "India Standard Time"},
        {"Europe/Kyiv", 10800, "Europe/Kyiv", "FLE Standard Time"},
        {"Tokyo Standard Time", 32400, "Asia/Tokyo", "Tokyo Standard Time"},
        {"E. South America Standard Time", -10800, "America/Sao_Paulo", "E. South America Standard Time"},
        {"", 0, nullptr, nullptr},
        {"/", 0, nullptr, nullptr},
        {"Mars/Olympus_Mons", 0, nullptr, nullptr},
        {"Nowhere Standard Time", 0, nullptr, nullptr},
        {"Europe/Berlin/", 0, nullptr, nullptr},
        {"Europe/../Europe/Berlin", 0, nullptr, nullptr},
        {"../zoneinfo/Europe/Berlin", 0, nullptr, nullptr},
        {"Europe\\Berlin", 0, nullptr, nullptr},
        {"W. Europe Standard Time\\Dynamic DST", 0, nullptr, nullptr},
        {"/etc/passwd", 0, nullptr, nullptr},
        {std::string_view("W. Europe Standard Time\0x", 25), 0, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        CNamedZone zone;
        ASSERT_EQ(zone.Open(c.tzid), c.native != nullptr) << c.tzid;
        if (!c.native) continue;
        EXPECT_EQ(zone.OffsetAt(At("2024-07-01 00:00:00")), c.july2024) << c.tzid;
        const std::string name = kWindows ? c.windows : c.native;
        EXPECT_TRUE(name.empty() || zone.Name() == name) << c.tzid << ": " << zone.Name();
    }
}

// POSIX rules of the forms zone files end with; "refused" ones are malformed.
TEST(NamedZone, PosixRules) {
    const struct { const char* rule; const char* utc; int offset; } cases[] = {
        {"<+0530>-5:30", "2024-01-01 00:00:00", 19800},
        {"EST5EDT,0/0,J365/25", "2024-01-01 00:00:00", -14400},   // daylight time all year
        {"IST-2IDT,M3.4.4/26,M10.5.0", "2024-03-28 23:59:59", 7200},
        {"IST-2IDT,M3.4.4/26,M10.5.0", "2024-03-29 00:00:00", 10800},
        {"<-03>3<-02>,M3.5.0/-2,M10.5.0/-1", "2024-03-31 00:59:59", -10800},
        {"<-03>3<-02>,M3.5.0/-2,M10.5.0/-1", "2024-03-31 01:00:00", -7200},
        {"AAA0BBB,J60/0,J300/0", "2024-02-29 23:59:59", 0},
        {"AAA0BBB,J60/0,J300/0", "2024-03-01 00:00:00", 3600},
        {"AAA0BBB,59/0,J300/0", "2024-02-29 00:00:00", 3600},
        {"AAA0BBB-2,M5.1.0,M9.1.0", "2024-06-01 00:00:00", 7200},
        {"", nullptr, 0}, {"CET", nullptr, 0}, {"CET-1CEST,M3.5.0", nullptr, 0},
        {"CET-1CEST,M13.1.0,M10.5.0", nullptr, 0}, {"CET-1CEST,M3.6.0,M10.5.0", nullptr, 0},
        {"CET-25", nullptr, 0}, {"<+05", nullptr, 0}, {"CET-1CEST,M3.5.0,M10.5.0/3x", nullptr, 0},
        {"CET-1CEST,M3.5.0,M10.5.0/168", nullptr, 0}, {"CET-1CEST,J0,J365", nullptr, 0},
    };
    for (const auto& c : cases) {
        ZoneYearRule rule;
        ASSERT_EQ(zone::ParsePosixRule(c.rule, rule), c.utc != nullptr) << c.rule;
        EXPECT_TRUE(!c.utc || rule.OffsetAt(At(c.utc)) == c.offset) << c.rule << " " << c.utc;
    }
}

// Windows' REG_TZI_FORMAT, read the same in both builds.
TEST(NamedZone, RegistryRules) {
    auto tzi = [](int bias, int daylightBias, std::vector<int> standard, std::vector<int> daylight) {
        std::string b;
        for (int v : {bias, 0, daylightBias})
            for (int i = 0; i < 4; ++i) b += static_cast<char>((static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
        for (const auto* date : {&standard, &daylight})
            for (int v : *date) b += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        return b;
    };
    // Central Europe: last Sunday of March 02:00 to last Sunday of October 03:00.
    ZoneYearRule rule;
    ASSERT_TRUE(zone::RuleFromTzi(tzi(-60, -60, {0, 10, 0, 5, 3, 0, 0, 0}, {0, 3, 0, 5, 2, 0, 0, 0}), rule));
    for (const auto& [utc, offset] : {std::pair{"2024-03-31 00:59:59", 3600}, {"2024-03-31 01:00:00", 7200},
                                      {"2024-10-27 00:59:59", 7200}, {"2024-10-27 01:00:00", 3600}})
        EXPECT_EQ(rule.OffsetAt(At(utc)), offset) << utc;
    // Jordan's 23:59:59.999 is the end of the day.
    ASSERT_TRUE(zone::RuleFromTzi(tzi(-120, -60, {0, 10, 5, 5, 1, 0, 0, 0}, {0, 3, 4, 5, 23, 59, 59, 999}), rule));
    EXPECT_EQ(rule.OffsetAt(At("2021-03-25 21:59:59")), 7200);
    EXPECT_EQ(rule.OffsetAt(At("2021-03-25 22:00:00")), 10800);
    EXPECT_FALSE(zone::RuleFromTzi(tzi(-60, -60, {0, 13, 0, 5, 3, 0, 0, 0}, {0, 3, 0, 5, 2, 0, 0, 0}), rule));
    EXPECT_FALSE(zone::RuleFromTzi(tzi(-60, -60, {0, 10, 0, 6, 3, 0, 0, 0}, {0, 3, 0, 5, 2, 0, 0, 0}), rule));
    EXPECT_FALSE(zone::RuleFromTzi(tzi(100000, 0, {}, {}) + std::string(32, '\0'), rule));
    EXPECT_FALSE(zone::RuleFromTzi(std::string(43, '\0'), rule));
}

#ifndef _WIN32
// Zone files from TZDIR: damaged ones and names that lead out of the folder are refused.
TEST(NamedZone, ZoneFilesFromTzdir) {
    const std::string berlin = test::ReadFile("/usr/share/zoneinfo/Europe/Berlin");
    ASSERT_GT(berlin.size(), 200u);
    test::ScratchDir dir;
    test::WriteFile(dir.File("Outside"), berlin);
    const std::string zones = dir.File("zones");
    ASSERT_TRUE(CreateDirectories(zones));
    test::WriteFile(dir.File("zones/Good"), berlin);
    const std::string saved = GetEnv("TZDIR");
    SetEnv("TZDIR", zones);
    CNamedZone zone;
    EXPECT_TRUE(zone.Open("Good") && zone.OffsetAt(At("2024-07-01 00:00:00")) == 7200);
    for (const std::string& name : {std::string("../Outside"), dir.File("Outside"), std::string("zones/../Outside")})
        EXPECT_FALSE(zone.Open(name)) << name;
    // Every cut of the file, and single damaged fields.
    auto refused = [&](const std::string& bytes) {
        test::WriteFile(dir.File("zones/Bad"), bytes);
        return !zone.Open("Bad") && !zone.IsOpen();
    };
    for (size_t size = 0; size < berlin.size(); size += (size < 100 ? 1 : 37))
        EXPECT_TRUE(refused(berlin.substr(0, size))) << size;
    auto patched = [&](size_t at, std::string bytes) { return berlin.substr(0, at) + bytes + berlin.substr(at + bytes.size()); };
    auto count = [&](size_t at) {
        return size_t{static_cast<unsigned char>(berlin[at + 2])} << 8 | static_cast<unsigned char>(berlin[at + 3]);
    };
    const size_t second = 44 + count(32) * 5 + count(36) * 6 + count(40) + count(20) + count(24);
    ASSERT_EQ(berlin.substr(second, 4), "TZif");
    const std::string types(1, static_cast<char>(count(second + 36)));
    const struct { const char* what; size_t at; std::string bytes; } damage[] = {
        {"magic", 0, "TZix"}, {"version", 4, "1"}, {"no types", 36, std::string(4, '\0')},
        {"leap seconds", second + 28, std::string("\0\0\0\1", 4)}, {"huge count", second + 32, "\x7f\xff\xff\xff"},
        {"type index", second + 44 + count(second + 32) * 8, types}, {"times out of order", second + 44, "\x7f"},
        {"footer", berlin.size() - 10, "M10.5.9/3\n"}, {"footer end", berlin.size() - 1, "x"},
    };
    for (const auto& d : damage) EXPECT_TRUE(refused(patched(d.at, d.bytes))) << d.what;
    EXPECT_FALSE(refused(berlin));
    SetEnv("TZDIR", saved);
}
#endif
