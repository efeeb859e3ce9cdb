#pragma once
// Repeat rules of the datebook table library (palm/datebook.h), and the day arithmetic the
// library's own files share.

#include <cstdint>
#include <memory>

enum eDayIndex : int { eSunday = 0, eMonday, eTuesday, eWednesday, eThursday, eFriday, eSaturday };
enum eWeekIndex : int { eFirstWeek = 0, eSecondWeek, eThirdWeek, eFourthWeek, eLastWeek };
enum eMonthIndex : int {
    eJanuary = 0, eFebruary, eMarch, eApril, eMay, eJune,
    eJuly, eAugust, eSeptember, eOctober, eNovember, eDecember
};
// Repeat kinds as the file numbers them ("brand").
enum eRepeatBrand : int {
    eRepeatNone = 0, eRepeatDaily = 1, eRepeatWeekly = 2, eRepeatMonthlyByDay = 3,
    eRepeatMonthlyByDate = 4, eRepeatYearlyByDate = 5
};

// A repeat rule. End date -1 means no end; end dates on or after local 2031-12-31 00:00 are
// taken as no end as well (that is how the file marks it).
class CRepeateDayInfo {
public:
    CRepeateDayInfo(int interval, long endDate, eDayIndex firstDayOfWeek);
    virtual ~CRepeateDayInfo() = default;

    virtual eRepeatBrand GetBrand() const = 0;
    virtual std::unique_ptr<CRepeateDayInfo> Clone() const = 0;
    // Same kind, interval, end date and kind-specific values.
    virtual bool SameRule(const CRepeateDayInfo& other) const;

    int GetInterval() const { return m_nInterval; }
    void SetInterval(int interval) { m_nInterval = interval; }
    long GetEndDate() const { return m_lEndDate; }
    void SetEndDate(long endDate);
    eDayIndex GetFirstDayOfWeek() const { return m_eFirstDayOfWeek; }

protected:
    int m_nInterval;
    long m_lEndDate;
    eDayIndex m_eFirstDayOfWeek;
};

// Daily. The day value is what the file keeps (callers pass the day of month); the rule
// repeats every interval days from the start date.
class CDayName : public CRepeateDayInfo {
public:
    CDayName(eDayIndex day, int interval, long endDate, eDayIndex firstDayOfWeek);
    eRepeatBrand GetBrand() const override { return eRepeatDaily; }
    std::unique_ptr<CRepeateDayInfo> Clone() const override;
    bool SameRule(const CRepeateDayInfo& other) const override;
    eDayIndex GetDay() const { return m_eDay; }

private:
    eDayIndex m_eDay;
};

// Weekly on the days of the mask: bit 0 Sunday .. bit 6 Saturday.
class CWeekly : public CRepeateDayInfo {
public:
    CWeekly(unsigned char weekDays, int interval, long endDate, eDayIndex firstDayOfWeek);
    eRepeatBrand GetBrand() const override { return eRepeatWeekly; }
    std::unique_ptr<CRepeateDayInfo> Clone() const override;
    bool SameRule(const CRepeateDayInfo& other) const override;
    unsigned char GetWeekDays() const { return m_byWeekDays; }
    void SetWeekDays(unsigned char weekDays) { m_byWeekDays = weekDays; }
    // The file keeps one more number with a weekly rule; kept unchanged (new rules: 1).
    std::uint32_t GetDayIndexValue() const { return m_dwDayIndex; }
    void SetDayIndexValue(std::uint32_t value) { m_dwDayIndex = value; }

private:
    unsigned char m_byWeekDays;
    std::uint32_t m_dwDayIndex = 1;
};

// Monthly on a day of the month (1-31).
class CDateOfMonth : public CRepeateDayInfo {
public:
    CDateOfMonth(int dayOfMonth, int interval, long endDate, eDayIndex firstDayOfWeek);
    eRepeatBrand GetBrand() const override { return eRepeatMonthlyByDate; }
    std::unique_ptr<CRepeateDayInfo> Clone() const override;
    bool SameRule(const CRepeateDayInfo& other) const override;
    int GetDayOfMonth() const { return m_nDayOfMonth; }

private:
    int m_nDayOfMonth;
};

// Monthly on a weekday of a week of the month (week 0-3, or eLastWeek for the last one).
class CDayOfMonth : public CRepeateDayInfo {
public:
    CDayOfMonth(eWeekIndex week, eDayIndex day, int interval, long endDate, eDayIndex firstDayOfWeek);
    eRepeatBrand GetBrand() const override { return eRepeatMonthlyByDay; }
    std::unique_ptr<CRepeateDayInfo> Clone() const override;
    bool SameRule(const CRepeateDayInfo& other) const override;
    eWeekIndex GetWeekNum() const { return m_eWeek; }
    void SetWeekNum(eWeekIndex week) { m_eWeek = week; }
    eDayIndex GetDay() const { return m_eDay; }

private:
    eWeekIndex m_eWeek;
    eDayIndex m_eDay;
};

// Yearly on a month (0-11) and day of month.
class CDateOfYear : public CRepeateDayInfo {
public:
    CDateOfYear(eMonthIndex month, int dayOfMonth, int interval, long endDate, eDayIndex firstDayOfWeek);
    eRepeatBrand GetBrand() const override { return eRepeatYearlyByDate; }
    std::unique_ptr<CRepeateDayInfo> Clone() const override;
    bool SameRule(const CRepeateDayInfo& other) const override;
    eMonthIndex GetMonth() const { return m_eMonth; }
    int GetDayOfMonth() const { return m_nDayOfMonth; }

private:
    eMonthIndex m_eMonth;
    int m_nDayOfMonth;
};

// The years a datebook can hold. The last day of the last year, as a repeat's end, means "no end".
constexpr int kDatebookFirstYear = 1970;
constexpr int kDatebookLastYear = 2031;
constexpr int kNoEndMonth = 12;
constexpr int kNoEndDay = 31;
constexpr bool IsDatebookYear(int year) { return year >= kDatebookFirstYear && year <= kDatebookLastYear; }
// Whether a civil date is the "no end" day or later.
constexpr bool IsNoEndDay(int year, int month, int day) {
    return year > kDatebookLastYear || (year == kDatebookLastYear && month == kNoEndMonth && day >= kNoEndDay);
}
// Local 00:00 of the "no end" day: the end date a repeat without end is given.
long NoEndDate();

// Inside the library only.
namespace datebook {

// Local 2031-12-31 00:00: end dates from here on mean "no end".
long NoEndThreshold();
// The value "no end" is written as: local 2031-12-31 23:59:59.
long NoEndFileValue();
// Days since 1970-01-01 of a civil date, and back.
long DaysFromCivil(int year, int month, int day);
void CivilFromDays(long days, int& year, int& month, int& day);
// Local calendar day of t as a day number; false when t cannot be converted.
bool LocalDay(long t, long& day);

// The first day >= from and <= last on which the rule occurs for a series starting on startDay
// (day numbers as DaysFromCivil gives them).
bool NextDay(const CRepeateDayInfo& rule, long long startDay, long long from, long long last, long long& out);

// Builds a rule from what the file holds; null when the brand is not one we know.
std::unique_ptr<CRepeateDayInfo> MakeRule(std::uint32_t brand, std::uint32_t interval, long endDate,
                                          std::uint32_t firstDay, std::uint32_t value1,
                                          std::uint32_t value2, unsigned char mask);

// The file's class name of a brand (1-5), or null.
const char* ClassNameOfBrand(int brand);

inline long TimeFromRaw(std::uint32_t raw) { return static_cast<long>(static_cast<std::int32_t>(raw)); }

}  // namespace datebook
