#include "transfer/icalendar_transfer.h"

#include "formats/appt_values.h"
#include "formats/icalendar.h"
#include "formats/value_text.h"
#include "palm/datebook.h"
#include "palm/datebook_archive.h"
#include "platform/codepage.h"
#include "platform/utf8.h"
#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/reporter.h"
#include "platform/message_pump.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "platform/wait_cursor.h"
#include "res/string_ids.h"
#include "settings/settings.h"
#include "transfer/transfer.h"

using namespace vemra;

namespace {

IcsDate DateOf(long t) {
    LocalParts p;
    BreakLocal(t, p);
    return {p.year, p.month, p.day};
}

long TimeOf(const IcsDate& d, int minute = 0) { return MakeLocal(d.year, d.month, d.day, minute / 60, minute % 60); }

std::string SystemToUtf8(const std::string& text) { return Utf16ToUtf8(SystemTextToUtf16(text)); }

// False when the datebook's code page (or the system's) cannot hold a character of the text.
bool Utf8ToDatebookText(const std::string& utf8, std::string& out) {
    const std::u16string wide = Utf8ToUtf16(utf8, BadBytes::latin1);
    out = Utf16ToSystemText(wide);
    if (SystemTextToUtf16(out) != wide) return false;
    return FileTextToSystem(SystemTextToFile(out)) == out;
}

// The UTC time as iCalendar writes it.
std::string UtcStamp(long t) {
    const long long days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    const long long secs = t - days * 86400;
    int y, m, d;
    CivilFromDays(days, y, m, d);
    return FormatText("%04d%02d%02dT%02d%02d%02dZ", y, m, d, static_cast<int>(secs / 3600),
                      static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
}

// Whether the record occurs on the day of its own start (a weekly rule need not include the
// start's weekday; in iCalendar the start always occurs).
bool StartOccurs(const CDateBkRecord& record, long start) {
    long next = 0;
    return record.CalcNextOccurrance(LocalMidnight(start), next) == 0 && LocalMidnight(next) == LocalMidnight(start);
}

bool EventFromRecord(CDateBkRecord& record, uint32_t userId, IcsEvent& e) {
    CApptValues values;
    if (ValuesFromRecord(record, values) != 0) return false;
    long id = 0;
    record.GetRecordId(id);
    e.uid = FormatText("palm-%lu-%lu@vemra", static_cast<unsigned long>(userId), static_cast<unsigned long>(id));
    e.summary = SystemToUtf8(values.m_strText);
    e.description = SystemToUtf8(values.m_strNote);
    e.isPrivate = values.m_bPrivate != 0;
    e.allDay = values.m_bUntimed != 0;
    LocalParts start;
    BreakLocal(values.m_timeStart, start);
    e.start = e.end = {start.year, start.month, start.day};
    if (!e.allDay) {
        LocalParts end;
        BreakLocal(values.m_timeEnd, end);
        e.startMinute = start.hour * 60 + start.minute;
        e.endMinute = end.hour * 60 + end.minute;
        // An end before the start (or on another day) makes no event; it is written as a point.
        if (end.year != start.year || end.month != start.month || end.day != start.day || e.endMinute < e.startMinute)
            e.endMinute = e.startMinute;
    }
    long advance = -1;
    if (record.IsAlarmSet() && record.GetAlarmAdvTime(advance) == 0 && advance >= 0) {
        eAlarmUnit unit = eMinutes;
        record.GetAlarmAdvUnit(unit);
        e.alarm = true;
        e.alarmAdvance = advance;
        e.alarmUnit = unit;
    }

    const CRepeateDayInfo* info = nullptr;
    if (!record.IsRepeatingEvt() || record.GetRepeateInfo(info) != 0 || !info) return true;
    IcsRule& r = e.rule;
    r.interval = info->GetInterval() < 1 ? 1 : info->GetInterval();
    if (info->GetEndDate() > 0) {
        r.hasEnd = true;
        r.end = DateOf(info->GetEndDate());
    }
    if (const auto* weekly = dynamic_cast<const CWeekly*>(info)) {
        r.kind = IcsRule::weekly;
        r.weekDays = weekly->GetWeekDays();
        r.firstDayOfWeek = weekly->GetFirstDayOfWeek();
    } else if (const auto* byDay = dynamic_cast<const CDayOfMonth*>(info)) {
        r.kind = IcsRule::monthlyByWeekday;
        r.weekOfMonth = byDay->GetWeekNum() == eLastWeek ? -1 : byDay->GetWeekNum() + 1;
        r.weekday = byDay->GetDay();
    } else if (const auto* byDate = dynamic_cast<const CDateOfMonth*>(info)) {
        r.kind = IcsRule::monthlyByDate;
        r.monthDay = byDate->GetDayOfMonth();
    } else if (const auto* yearly = dynamic_cast<const CDateOfYear*>(info)) {
        r.kind = IcsRule::yearly;
        r.month = yearly->GetMonth() + 1;
        r.monthDay = yearly->GetDayOfMonth();
    } else {
        r.kind = IcsRule::daily;
    }
    if (r.kind == IcsRule::weekly && r.weekDays == 0) {
        r.kind = IcsRule::none;   // a rule without days never occurs: the start alone remains
        return true;
    }
    if (!StartOccurs(record, values.m_timeStart)) e.exceptions.push_back(e.start);
    CDateException exception;
    for (long x = record.FindFirstException(exception); x == 0; x = record.FindNextException(exception)) {
        const IcsDate d = DateOf(exception.m_time);
        if (!(d == e.start) || StartOccurs(record, values.m_timeStart)) e.exceptions.push_back(d);
    }
    return true;
}

// Fills the scratch record from an event; 0, or why it cannot be held (a reason of the row
// files or an IcsReason).
int RecordFromEvent(const IcsEvent& e, CDateBkRecord& record) {
    CApptValues values;
    if (!Utf8ToDatebookText(e.summary, values.m_strText) || !Utf8ToDatebookText(e.description, values.m_strNote))
        return static_cast<int>(IcsReasonMessageId(IcsReason::textNotHeld));
    values.m_strText = ExpandLineBreaks(values.m_strText);
    values.m_strNote = ExpandLineBreaks(values.m_strNote);
    if (Trim(values.m_strText).empty()) return reasonNoText;
    values.m_bUntimed = e.allDay ? 1 : 0;
    values.m_timeDate = TimeOf(e.start);
    values.m_timeStart = TimeOf(e.start, e.startMinute);
    values.m_timeEnd = TimeOf(e.start, e.endMinute);
    if (values.m_timeDate == -1 || values.m_timeStart == -1 || values.m_timeEnd == -1) return static_cast<int>(IcsReasonMessageId(IcsReason::badTime));
    values.m_bPrivate = e.isPrivate ? 1 : 0;
    values.m_bAlarm = e.alarm ? 1 : 0;
    values.m_nAlarmTime = static_cast<int32_t>(e.alarmAdvance);
    values.m_nAlarmUnit = e.alarmUnit;
    values.m_bRepeat = e.rule.kind != IcsRule::none ? 1 : 0;
    if (const long r = ValuesToRecord(record, values)) return static_cast<int>(r);
    if (!values.m_bRepeat) return 0;

    const IcsRule& rule = e.rule;
    long end = MakeLocal(2031, 12, 31);   // the datebook's mark of a repeat without end
    if (rule.hasEnd) {
        end = TimeOf(rule.end);
        if (end == -1 || end < values.m_timeDate) return reasonInvalidRepeatEndDate;
    }
    const auto first = static_cast<eDayIndex>(rule.firstDayOfWeek % 7);
    long r = 0;
    switch (rule.kind) {
    case IcsRule::daily: r = record.SetRepDaily(CDayName(static_cast<eDayIndex>(e.start.day), rule.interval, end, eSunday)); break;
    case IcsRule::weekly:
        r = record.SetRepWeekly(CWeekly(static_cast<unsigned char>(rule.weekDays), rule.interval, end, first));
        break;
    case IcsRule::monthlyByWeekday: {
        const eWeekIndex week = rule.weekOfMonth < 0 ? eLastWeek : static_cast<eWeekIndex>(rule.weekOfMonth - 1);
        r = record.SetRepMonthlyByDay(CDayOfMonth(week, static_cast<eDayIndex>(rule.weekday), rule.interval, end, eSunday));
        break;
    }
    case IcsRule::monthlyByDate: r = record.SetRepMonthlyByDate(CDateOfMonth(rule.monthDay, rule.interval, end, eSunday)); break;
    default:
        r = record.SetRepYearlyByDate(CDateOfYear(static_cast<eMonthIndex>(rule.month - 1), rule.monthDay, rule.interval, end, eSunday));
        break;
    }
    if (r != 0) return static_cast<int>(IcsReasonMessageId(IcsReason::ruleNotHeld));

    const bool startOccurs = StartOccurs(record, values.m_timeStart);
    if (rule.count > 0) {
        // The start counts as the first occurrence even where the rule would not give it.
        long left = rule.count - (startOccurs ? 0 : 1), last = values.m_timeStart, t = values.m_timeStart;
        for (long next = 0; left > 0 && record.CalcNextOccurrance(t, next) == 0; --left) {
            last = next;
            t = NextLocalMidnight(next);
            if (t <= next) break;
        }
        CRepeateDayInfo* info = nullptr;
        if (left == 0 && record.GetRepeateInfo(info) == 0 && info) info->SetEndDate(LocalMidnight(last));
    }
    for (const IcsDate& d : e.exceptions) {
        // The start's own day, excluded where the rule does not give it, is no exception.
        if (d == e.start && !startOccurs) continue;
        const long t = TimeOf(d);
        if (t == -1 || record.AddException(t) != 0) return static_cast<int>(IcsReasonMessageId(IcsReason::badTime));
    }
    return 0;
}

}  // namespace

int ExportICalendar(const std::string& datebookPath, const char* fileName, CSettings& settings, CProgress* progress,
                    CReporter& reporter) {
    CWaitCursor wait;
    const std::string refusal = RefuseDatebookAsFile(datebookPath, fileName);
    if (!refusal.empty()) {
        reporter.Tell(refusal, MessageIcon::error);
        return -1;
    }
    CDateBkTable table;
    if (table.OpenFrom(datebookPath, 0) != 0) {
        ReportDatebookOpenFailure(reporter, datebookPath, table);
        return -1;
    }
    if (progress) progress->SetRange(0, static_cast<int>(table.GetRecordCount() % 65536));
    PumpWaitingMessages();

    const std::string stamp = UtcStamp(Now());
    std::string text = IcsCalendarBegin();
    int events = 0;
    CDateBkIterator iterator(table);
    iterator.SortByStartDate();
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        if (progress) progress->SetPos(static_cast<int>(i % 65536));
        if (PumpWaitingMessages() != 0) break;
        wait.Restore();
        CDateBkRecord record(table, 1);
        if (iterator.GetAt(record, i) != 0 || record.IsDeleted() || record.IsArchived()) continue;
        IcsEvent event;
        if (!EventFromRecord(record, settings.m_dwPalmUserId, event)) continue;
        text += IcsEventText(event, stamp);
        ++events;
    }
    text += IcsCalendarEnd();

    // Written whole and renamed into place: an export that fails leaves no half calendar.
    std::string why;
    if (!SaveFileAtomically(fileName, text, false, &why)) {
        reporter.Tell(FormatText(LoadResString(IDS_CANT_WRITE_FILE).c_str(), fileName) + "\n" + why, MessageIcon::error);
        return -1;
    }
    return events;
}

int ImportICalendar(const std::string& datebookPath, const char* fileName, CSettings& settings, CProgress* progress,
                    CReporter& reporter, std::string* fileFailure, int* rejected, int* duplicates) {
    CWaitCursor wait;
    if (rejected) *rejected = 0;
    if (duplicates) *duplicates = 0;
    CFileHold hold;   // until the table is saved
    if (!BeginImport(reporter, datebookPath, fileName, hold, fileFailure)) return -1;
    CDateBkTable table;
    CDateBkTable scratch;   // events are read into records of a table that is never saved
    if (OpenDatebookForImport(table, datebookPath) != 0) {
        ReportDatebookOpenFailure(reporter, datebookPath, table);
        return -1;
    }
    CICalendarReader reader;
    std::string why;
    if (!reader.Open(fileName, &why)) {
        if (fileFailure) *fileFailure = FormatText(LoadResString(IDS_CANT_OPEN_FILE).c_str(), fileName) + "\n" + why;
        return -1;
    }
    const std::uint64_t length = reader.Length();
    // Positions in kilobytes for files beyond the progress bar's 16 bits.
    const int shift = length > 60000 ? 10 : 0;
    if (progress) progress->SetRange(0, static_cast<int>((length >> shift) % 65536));
    PumpWaitingMessages();

    int count = 0;
    IcsEvent event;
    IcsReason reason = IcsReason::ruleNotHeld;
    for (;;) {
        const CICalendarReader::Item item = reader.Next(event, reason);
        if (item == CICalendarReader::itemEnd) break;
        if (item == CICalendarReader::itemFailed) {
            // A calendar that cannot be read whole is not taken in part.
            std::string text = IcsErrorText(reader.Error());
            if (!reader.ErrorDetail().empty()) text += "\n" + reader.ErrorDetail();
            reporter.Tell(FormatText(LoadResString(IDS_ICS_FILE_ERROR).c_str(), fileName, reader.ErrorLine(), text.c_str()),
                          MessageIcon::error);
            return -1;
        }
        if (progress) progress->SetPos(static_cast<int>((reader.Position() >> shift) % 65536));
        if (PumpWaitingMessages() != 0) break;
        wait.Restore();

        int result = static_cast<int>(IcsReasonMessageId(reason));
        CDateBkRecord record(scratch, 1);
        if (item == CICalendarReader::itemEvent) {
            scratch.AppendBlankRecord(record);
            result = RecordFromEvent(event, record);
        }
        if (result != 0) {
            if (rejected) ++*rejected;
            std::string summary;
            Utf8ToDatebookText(event.summary, summary);
            if (!settings.m_bIgnoreImportErrors && ReportImportError(reporter, result, fileName, event.line, summary) == 0) break;
        } else if (settings.m_bNoDuplicates && IsDuplicate(table, record)) {
            if (duplicates) ++*duplicates;
        } else {
            CDateBkRecord added(table, 1);
            if (table.AppendDuplicateRecord(record, added, 1) == 0) ++count;
        }
    }
    if (table.Save() != 0) {
        ReportDatebookSaveFailure(reporter, table);
        return -1;
    }
    return count;
}
