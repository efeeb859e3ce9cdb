#pragma once
// Datebook table library: Palm Desktop's datebook table (datebook.dat of Palm Desktop 3.x and
// 4.0, and Date Book Archives) with the classes and operations the rest of the program uses.
// The same table also reads and writes the handheld's own DatebookDB.pdb, chosen by the file's
// content; its callers never see the difference. Another implementation of the same interface
// could take its place.
//
// In a DatebookDB.pdb, private and the category are record attributes, and a record's unique ID
// takes the place of the record id. Records removed (SetStatus(4)) are left out of the saved file,
// so that the file taken back to a handheld no longer holds them; records the file itself held as
// deleted are written back as they were.
//
// Conventions: a long result is 0 on success; Is... returns non-zero for true; every time is a
// long of seconds since 1970-01-01 00:00 UTC read in local time; record indexes start at 0.
//
// In datebook.dat, deleted records (SetStatus(4)) stay in the saved file with their deleted bit set, as Palm
// Desktop keeps them until the next HotSync carries the deletion to the handheld. Every reader
// of this program skips deleted and archived records; GetRecordCount counts them.
//
// Records appended to a table get a new record id and the status bit "added" (0x01); records
// changed through a setter get "updated" (0x02) unless they carry "added". Status bits the
// library does not know are kept.
//
// Occurrences of a repeat are counted from the start date with the interval (below 1 counts as
// 1): daily every n-th day; weekly on the mask's days of every n-th week, weeks beginning on the
// rule's first day of the week; monthly on a date, where months without that date (the 31st of
// April, the 30th of February) have no occurrence; monthly on a weekday of week 0-3 or of the last
// week; yearly on a month and day, 29 February in leap years only. Nothing occurs before the
// start date, after the end date (by local day, inclusive) or after 2031.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "palm/datebook_repeat.h"

enum eAlarmUnit : int { eMinutes = 0, eHours = 1, eDays = 2 };
// An exception date as delivered by FindFirstException / FindNextException.
struct CDateException {
    long m_time = 0;   // local midnight of the excepted day
};

class CDateBkTable;
struct DateBkRecordData;   // the record as stored (datebook_table.h)

// A record object is bound to one record of a table by GetAt, AppendBlankRecord or
// AppendDuplicateRecord; unbound, getters fail and setters do nothing but return non-zero.
class CBaseRecord {
public:
    CBaseRecord(CDateBkTable& table, int mode);
    virtual ~CBaseRecord() = default;

    long IsDeleted() const;
    long IsArchived() const;
    // Adds the given status bits: SetStatus(4) marks the record deleted (kept in the file with
    // the bit, see above).
    long SetStatus(long status);
    long GetStatus(long& status) const;
    long GetRecordId(long& id) const;
    bool IsBound() const;

protected:
    friend class CDateBkTable;
    friend class CBaseIterator;
    DateBkRecordData* Data() const;
    void Bind(CDateBkTable* table, std::size_t storedIndex);
    void MarkUpdated();

    CDateBkTable* m_pTable;
    std::size_t m_nStored = static_cast<std::size_t>(-1);
};

class CDateBkRecord : public CBaseRecord {
public:
    CDateBkRecord(CDateBkTable& table, int mode);

    // The library's own comparison of two repeating records: non-zero when both repeat by the
    // same rule (kind, interval, end date, kind values) with the same exception dates.
    virtual long IsSameRepeatingEvent(CDateBkRecord& other);

    long GetDescription(std::string& text) const;
    long GetNote(std::string& text) const;
    long GetStartTime(long& t) const;
    long GetEndTime(long& t) const;
    long GetAlarmAdvTime(long& advance) const;   // -1 whenever the alarm flag is clear
    long GetAlarmAdvUnit(eAlarmUnit& unit) const;
    long IsUnTimed() const;
    long IsAlarmSet() const;
    long IsPrivate() const;
    long IsRepeatingEvt() const;
    long IsRepDaily() const;
    long IsRepWeekly() const;
    long IsRepMonthlyByDate() const;
    long IsRepMonthlyByDay() const;
    long IsRepYearlyByDate() const;
    // A pointer into the record's own repeat rule: changes through it change the record (the
    // non-const form marks the record updated). Valid until the rule is replaced or stopped.
    long GetRepeateInfo(const CRepeateDayInfo*& info) const;
    long GetRepeateInfo(CRepeateDayInfo*& info);
    long GetNumExceptions() const;
    long FindFirstException(CDateException& exception);   // 0 while a date is delivered
    long FindNextException(CDateException& exception);
    long IsException(long t) const;                        // by local day
    // The first occurrence whose start is at or after from, as its start instant (the date of
    // the occurrence with the start's time of day); non-zero when there is none. Exception days
    // are not skipped. A record that does not repeat occurs once, at its start.
    long CalcNextOccurrance(long from, long& next) const;

    long SetDescription(const std::string& text);
    long SetNote(const std::string& text);
    long SetStartTime(long t);
    long SetEndTime(long t);
    long SetUnTimedFlag(long untimed);
    long SetAlarmFlag(long alarm);
    long SetAlarmAdvTime(long advance);                    // -1 clears the alarm flag
    long SetAlarmAdvUnit(long unit);
    long SetPrivate(long isPrivate);
    long StopRepeatingEvt();                               // exception dates stay
    long AddException(long t);      // local midnight of t's day; a day is kept once
    long RemoveException(long t);   // every exception on t's day; none there is no error
    long SetRepDaily(const CDayName& rule);
    long SetRepWeekly(const CWeekly& rule);
    long SetRepMonthlyByDate(const CDateOfMonth& rule);
    long SetRepMonthlyByDay(const CDayOfMonth& rule);
    long SetRepYearlyByDate(const CDateOfYear& rule);

private:
    long SetRule(const CRepeateDayInfo& rule);
    std::size_t m_nExceptionCursor = 0;
};

class CDateBkTable {
public:
    CDateBkTable();
    ~CDateBkTable();
    CDateBkTable(const CDateBkTable&) = delete;
    CDateBkTable& operator=(const CDateBkTable&) = delete;

    // Loads the file, replacing any content. Non-zero on failure, with the table left empty, no
    // path of its own (so Save cannot overwrite the unread file) and the reason in
    // GetLastErrorText(). Files of the newer Palm Desktop 4.1 layout, unknown versions, field
    // types or repeat kinds, other handheld databases and damaged files are refused whole.
    long OpenFrom(const std::string& path, int mode);
    // Writes the file it was opened from atomically, keeping the previous one as <name>.bak.
    long Save();
    // Writes to another path (the path becomes the table's own).
    long SaveAs(const std::string& path);
    // The same on file contents in memory (OpenFromMemory leaves the table without a path).
    long OpenFromMemory(std::string_view bytes);
    long SaveToMemory(std::string& bytes) const;

    long GetRecordCount() const;
    long AppendBlankRecord(CDateBkRecord& record);
    long AppendDuplicateRecord(CBaseRecord& source, CBaseRecord& target, int mode);

    const std::string& GetLastErrorText() const { return m_strLastError; }
    const std::string& GetPath() const { return m_strPath; }

private:
    friend class CBaseRecord;
    friend class CDateBkRecord;
    friend class CBaseIterator;
    friend class CDateBkIterator;
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
    std::string m_strPath;
    std::string m_strLastError;
};

// Walks a table's records: in stored order, or after SortByStartDate in start-time order
// (ties in stored order). Records appended to the table later are seen.
class CBaseIterator {
public:
    explicit CBaseIterator(CDateBkTable& table);
    virtual ~CBaseIterator() = default;
    long GetAt(CBaseRecord& record, long index);

protected:
    CDateBkTable& m_table;
    bool m_bSorted = false;
};

class CDateBkIterator : public CBaseIterator {
public:
    explicit CDateBkIterator(CDateBkTable& table);
    long SortByStartDate();
};
