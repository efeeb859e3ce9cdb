#pragma once
// Datebook fixtures: the sample file, a time zone of the test's own, rules written as text, and
// datebook.dat contents built byte by byte from the published layout, independently of the
// library's writer, so that reader and writer are both checked against the layout itself.

#include <cstdint>
#include <ctime>
#include <sstream>
#include <string>

#include "palm/datebook.h"
#include "platform/local_time.h"
#include "platform/process.h"
#include "tests/test_support.h"

namespace dbtest {

// A hand-built file of ten records, every repeat kind, both class tag forms, long and escaped
// text lengths, status bits the program does not use, categories, exceptions without a rule and
// alarm amounts beside clear flags (see palm/sample.txt).
inline std::string Sample() { return vemra::test::ReadFile(vemra::test::DataFile("palm/sample.dat")); }

// The test's own time zone while it lives (natively only: "-" keeps the machine's).
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const std::string& tz) : m_old(vemra::GetEnv("TZ")) { Set(tz == "-" ? m_old : tz); }
    ~ScopedTimeZone() { Set(m_old); }

private:
    static void Set(const std::string& tz) {
#ifdef _WIN32
        (void)tz;
#else
        vemra::SetEnv("TZ", tz);
        tzset();
#endif
    }
    std::string m_old;
};

class Bytes {
public:
    Bytes& U8(std::uint8_t v) { m_s.push_back(static_cast<char>(v)); return *this; }
    Bytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Raw(const std::string& s) { m_s += s; return *this; }
    // A text under 255 bytes: one length byte (longer forms: palm/sample.dat).
    Bytes& Text(const std::string& s) { return U8(static_cast<std::uint8_t>(s.size())).Raw(s); }
    const std::string& Str() const { return m_s; }

private:
    std::string m_s;
};

// Everything up to and including the entry count, without categories.
inline std::string Header(std::size_t records, const std::string& fileName = "C:\\Palm\\SmithJ\\datebook\\datebook.dat") {
    Bytes b;
    b.U32(0x44420100).Text(fileName).Text("").U32(1).U32(0).U32(0).U32(15).U32(0).U32(1).U32(2).U16(15);
    for (std::uint16_t t : {1, 1, 1, 3, 1, 5, 1, 5, 6, 6, 1, 6, 1, 1, 8}) b.U16(t);
    b.U32(static_cast<std::uint32_t>(records * 15));
    return b.Str();
}

// A repeat object without exceptions: tag bytes (new class or class reference) and the common
// values; brand fields follow from the caller.
inline Bytes RepeatStart(const std::string& tag, std::uint32_t brand) {
    return Bytes().U16(0).Raw(tag).U32(brand).U32(1).U32(1100000000).U32(0);
}

inline std::string NewClass(const std::string& name) {
    return Bytes().U16(0xFFFF).U16(1).U16(static_cast<std::uint16_t>(name.size())).Raw(name).Str();
}

inline std::string ClassRef(std::uint16_t number) { return Bytes().U16(0x8000 | number).Str(); }

// A record with an empty text, no end, alarm or flags, status 1 (added), position id - 1.
inline std::string Record(std::uint32_t id, std::uint32_t start, const std::string& repeat) {
    Bytes b;
    b.U32(1).U32(id).U32(1).U32(1).U32(1).U32(id - 1).U32(3).U32(start).U32(1).U32(0);
    b.U32(5).U32(0).Text("").U32(1).U32(0).U32(5).U32(0).Text("");
    b.U32(6).U32(0).U32(6).U32(0).U32(1).U32(0).U32(6).U32(0);
    b.U32(1).U32(0xFFFFFFFF).U32(1).U32(0).U32(8).Raw(repeat);
    return b.Str();
}

inline long L(int y, int m, int d, int h = 0, int mi = 0) { return vemra::MakeLocal(y, m, d, h, mi); }

// A rule as the case tables write it (see tests/data/palm/occurrences.txt), optionally followed
// by "except DATE,DATE..." and, for a weekly rule, "index N" (its day index value).
inline void SetRule(CDateBkRecord& r, const std::string& text) {
    std::istringstream in(text);
    std::string kind, a, endText;
    long b = 0, every = 0;
    int first = 0;
    in >> kind >> a;
    if (kind == "none") {
        r.StopRepeatingEvt();
        return;
    }
    if (kind == "mday" || kind == "yearly") in >> b;
    in >> every >> endText >> first;
    const long end = endText == "-" ? -1 : vemra::test::LocalTimeOf(endText);
    const long v = std::stol(a, nullptr, 0);
    const auto f = static_cast<eDayIndex>(first);
    const int n = static_cast<int>(every);
    if (kind == "daily") r.SetRepDaily(CDayName(static_cast<eDayIndex>(v), n, end, f));
    if (kind == "weekly") r.SetRepWeekly(CWeekly(static_cast<unsigned char>(v), n, end, f));
    if (kind == "mdate") r.SetRepMonthlyByDate(CDateOfMonth(static_cast<int>(v), n, end, f));
    if (kind == "mday") r.SetRepMonthlyByDay(CDayOfMonth(static_cast<eWeekIndex>(v), static_cast<eDayIndex>(b), n, end, f));
    if (kind == "yearly") r.SetRepYearlyByDate(CDateOfYear(static_cast<eMonthIndex>(v), static_cast<int>(b), n, end, f));
    for (std::string word, value; in >> word >> value;) {
        std::istringstream list(value);
        for (std::string date; word == "except" && std::getline(list, date, ',');) r.AddException(vemra::test::LocalTimeOf(date));
        CRepeateDayInfo* info = nullptr;
        if (word == "index" && r.GetRepeateInfo(info) == 0)
            static_cast<CWeekly*>(info)->SetDayIndexValue(std::stoi(value));
    }
}

}  // namespace dbtest
