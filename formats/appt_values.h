#pragma once
// The values of one appointment on their way between a datebook record and a file row.

#include <cstdint>
#include <string>

class CDateBkRecord;

class CApptValues {
public:
    CApptValues() = default;
    virtual ~CApptValues() = default;

    int32_t m_nWeekIndex = 0;
    uint8_t m_byWeekDays = 0;
    std::string m_strExceptions;
    long m_timeRepeatEnd = 0;
    int32_t m_nRepeatInterval = 0;
    std::string m_strRepeatType;
    int32_t m_nAlarmUnit = 0;
    int32_t m_nAlarmTime = 0;
    int32_t m_bAlarm = 0;
    int32_t m_bUntimed = 0;
    int32_t m_bPrivate = 0;
    int32_t m_bRepeat = 0;
    std::string m_strNote;
    std::string m_strText;
    long m_timeEnd = 0;
    long m_timeStart = 0;
    long m_timeDate = 0;

    void SetDate(long t);
    void SetStart(long t) { m_timeStart = t; }
    void SetEnd(long t) { m_timeEnd = t; }
};

int ValuesFromRecord(CDateBkRecord& record, CApptValues& values);
long ValuesToRecord(CDateBkRecord& record, const CApptValues& values);
