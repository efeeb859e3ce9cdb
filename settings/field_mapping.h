#pragma once
// The field catalogue and the user's column orders of both layouts. The data and its profile
// storage live with the settings; composing and parsing rows is done in formats/.

#include <cstdint>
#include <string>
#include <vector>

class CSettings;
class CRowFile;
class CApptValues;
class CDateBkRecord;

// Field IDs: the index in the catalogue; FieldName gives the display name.
enum : int {
    fieldDate = 0, fieldUntimed, fieldStartTime, fieldEndTime, fieldPrivate, fieldText, fieldNote,
    fieldAlarm, fieldAlarmTime, fieldAlarmUnit, fieldRepeat,
    fieldRepeatType, fieldRepeatInterval, fieldRepeatEndDate, fieldExceptions,
    fieldWeeklySunday, fieldWeeklyMonday, fieldWeeklyTuesday, fieldWeeklyWednesday,
    fieldWeeklyThursday, fieldWeeklyFriday, fieldWeeklySaturday, fieldMonthlyWeekIndex,
    fieldNone = 23
};
constexpr int kSimpleFieldCount = 11;
constexpr int kRepeatFieldCount = 12;

class CFieldMapping {
public:
    CFieldMapping();
    virtual ~CFieldMapping() = default;

    int32_t m_simple[kSimpleFieldCount];
    int32_t m_repeat[kRepeatFieldCount];
    CSettings* m_pSettings = nullptr;

    void SetDefaults();
    void ReadProfile();
    void WriteProfile() const;
    static std::string FieldName(int id);

    // Rows (formats/field_mapping_rows.cpp).
    void WriteSimpleHeader(CRowFile& file) const;
    void WriteFullHeader(CRowFile& file) const;
    // The column names the header row of a layout holds, in their order.
    std::vector<std::string> HeaderNames(bool full) const;
    void WriteSimpleRow(CRowFile& file, const CApptValues& values) const;
    void WriteFullRow(CRowFile& file, const CApptValues& values, CDateBkRecord& record) const;
    void WriteSimpleCell(CRowFile& file, const CApptValues& values, int id) const;
    void WriteRepeatCell(CRowFile& file, CDateBkRecord& record, int id) const;
    int ReadCell(CRowFile& file, CApptValues& values, int id) const;
    long ApplyRepeatInfo(CDateBkRecord& record, CApptValues& values, CRowFile& file) const;
    int ReadSimpleRow(CRowFile& file, CDateBkRecord& record) const;
    int ReadFullRow(CRowFile& file, CDateBkRecord& record) const;
};
