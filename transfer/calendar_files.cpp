#include "transfer/calendar.h"

#include <algorithm>
#include <map>

#include "formats/appt_values.h"
#include "platform/file.h"
#include "platform/local_time.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"
#include "settings/settings.h"

using namespace vemra;

namespace {

// The UTC time as iCalendar writes it.
std::string UtcStamp(long t) {
    const long long days = FloorDiv(t, 86400);
    const long long secs = t - days * 86400;
    int y, m, d;
    CivilFromDays(days, y, m, d);
    return FormatText("%04d%02d%02dT%02d%02d%02dZ", y, m, d, static_cast<int>(secs / 3600),
                      static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
}

// Reads the whole calendar before the first item: a changed occurrence may come before or after
// its series, and belongs to it.
class CCalendarSource final : public CAppointmentSource {
public:
    explicit CCalendarSource(const TransferJob& job) : m_fileName(job.fileName) {}

    bool Open() override {
        std::string why;
        if (m_reader.Open(m_fileName, &why)) return true;
        return Fail(FormatText(LoadResString(IDS_CANT_OPEN_FILE).c_str(), m_fileName.c_str()) + "\n" + why);
    }

    Step Next(std::vector<CDateBkRecord>& records, Rejection& why) override {
        if (!m_bRead && !ReadAll()) return Step::failed;
        m_bRead = true;
        if (m_nNext >= m_entries.size()) return Step::end;
        m_pCurrent = &m_entries[m_nNext++];
        if (m_pCurrent->rejected) {
            why = Rejection::Calendar(*m_pCurrent->rejected);
            return Step::rejected;
        }
        if (m_pCurrent->item.event.cancelled) return Step::skipped;
        if (const std::optional<Rejection> refused = RecordsFromItem(m_pCurrent->item, m_reader.Zones(), m_scratch, records)) {
            why = *refused;
            records.clear();
            return Step::rejected;
        }
        return Step::item;
    }

    int Line() const override { return m_pCurrent ? m_pCurrent->item.event.line : 0; }
    std::string ItemText() const override {
        std::string summary;
        if (m_pCurrent) Utf8ToDatebookText(m_pCurrent->item.event.summary, summary);
        return summary;
    }
    std::uint64_t Position() override {
        return m_entries.empty() ? Length() : Length() * m_nNext / m_entries.size();
    }
    std::uint64_t Length() override { return m_reader.Length(); }

private:
    struct Entry {
        CalendarItem item;
        std::optional<IcsReason> rejected;
    };

    bool ReadAll() {
        std::map<std::string, std::size_t> series;   // UID: the entry of its series
        std::vector<IcsEvent> changes;
        for (;;) {
            IcsEvent event;
            IcsReason reason = IcsReason::ruleNotHeld;
            const CICalendarReader::Item item = m_reader.Next(event, reason);
            if (item == CICalendarReader::itemEnd) break;
            if (item == CICalendarReader::itemFailed) {
                // A calendar that cannot be read whole is not taken in part.
                std::string text = IcsErrorText(m_reader.Error());
                if (!m_reader.ErrorDetail().empty()) text += "\n" + m_reader.ErrorDetail();
                return Fail(FormatText(LoadResString(IDS_ICS_FILE_ERROR).c_str(), m_fileName.c_str(),
                                       m_reader.ErrorLine(), text.c_str()));
            }
            if (item == CICalendarReader::itemRejected) {
                m_entries.push_back({{std::move(event), {}}, reason});
            } else if (event.recurrenceIdTime && !event.uid.empty()) {
                changes.push_back(std::move(event));
            } else {
                if (!event.uid.empty()) series[event.uid] = m_entries.size();
                m_entries.push_back({{std::move(event), {}}, std::nullopt});
            }
        }
        for (IcsEvent& change : changes) {
            const auto found = series.find(change.uid);
            if (found != series.end()) {
                m_entries[found->second].item.changes.push_back(std::move(change));
                continue;
            }
            // A changed occurrence whose series is not in the file stands alone.
            change.recurrenceIdTime.reset();
            change.thisAndFuture = false;
            m_entries.push_back({{std::move(change), {}}, std::nullopt});
        }
        std::stable_sort(m_entries.begin(), m_entries.end(),
                         [](const Entry& a, const Entry& b) { return a.item.event.line < b.item.event.line; });
        return true;
    }

    std::string m_fileName;
    CICalendarReader m_reader;
    CDateBkTable m_scratch;
    std::vector<Entry> m_entries;
    std::size_t m_nNext = 0;
    const Entry* m_pCurrent = nullptr;
    bool m_bRead = false;
};

// The calendar is made whole in memory and renamed into place: an export that fails leaves no
// half calendar.
class CCalendarSink final : public CAppointmentSink {
public:
    explicit CCalendarSink(const TransferJob& job) : m_fileName(job.fileName), m_nUserId(job.settings.m_dwPalmUserId) {}

    bool Begin() override {
        m_stamp = UtcStamp(Now());
        m_text = IcsCalendarBegin();
        return true;
    }

    int Write(CDateBkRecord& record, CApptValues& values) override {
        IcsEvent event;
        if (!EventFromRecord(record, values, m_nUserId, event)) return 0;
        m_text += IcsEventText(event, m_stamp);
        return 1;
    }

    bool Finish() override {
        m_text += IcsCalendarEnd();
        std::string why;
        if (SaveFileAtomically(m_fileName, m_text, false, &why)) return true;
        return Fail(FormatText(LoadResString(IDS_CANT_WRITE_FILE).c_str(), m_fileName.c_str()) + "\n" + why);
    }

private:
    std::string m_fileName;
    std::uint32_t m_nUserId;
    std::string m_stamp;
    std::string m_text;
};

}  // namespace

std::unique_ptr<CAppointmentSource> MakeCalendarSource(const TransferJob& job) {
    return std::make_unique<CCalendarSource>(job);
}

std::unique_ptr<CAppointmentSink> MakeCalendarSink(const TransferJob& job) {
    return std::make_unique<CCalendarSink>(job);
}
