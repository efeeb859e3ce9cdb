#include "transfer/calendar.h"

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
    const long long days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    const long long secs = t - days * 86400;
    int y, m, d;
    CivilFromDays(days, y, m, d);
    return FormatText("%04d%02d%02dT%02d%02d%02dZ", y, m, d, static_cast<int>(secs / 3600),
                      static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
}

class CCalendarSource final : public CAppointmentSource {
public:
    explicit CCalendarSource(const TransferJob& job) : m_fileName(job.fileName) {}

    bool Open() override {
        std::string why;
        if (m_reader.Open(m_fileName, &why)) return true;
        return Fail(FormatText(LoadResString(IDS_CANT_OPEN_FILE).c_str(), m_fileName.c_str()) + "\n" + why);
    }

    Step Next(std::vector<CDateBkRecord>& records, Rejection& why) override {
        IcsReason reason = IcsReason::ruleNotHeld;
        const CICalendarReader::Item item = m_reader.Next(m_event, reason);
        if (item == CICalendarReader::itemEnd) return Step::end;
        if (item == CICalendarReader::itemFailed) {
            // A calendar that cannot be read whole is not taken in part.
            std::string text = IcsErrorText(m_reader.Error());
            if (!m_reader.ErrorDetail().empty()) text += "\n" + m_reader.ErrorDetail();
            Fail(FormatText(LoadResString(IDS_ICS_FILE_ERROR).c_str(), m_fileName.c_str(), m_reader.ErrorLine(),
                            text.c_str()));
            return Step::failed;
        }
        if (item == CICalendarReader::itemRejected || !m_event.fitsOneAppointment) {
            // Events of more than one appointment stay refused until they are laid out as several.
            why = Rejection::Calendar(item == CICalendarReader::itemRejected ? reason
                                                                           : m_event.whyNotOne.value_or(IcsReason::ruleNotHeld));
            return Step::rejected;
        }
        CDateBkRecord record(m_scratch, 1);
        m_scratch.AppendBlankRecord(record);
        if (const std::optional<Rejection> refused = RecordFromEvent(m_event, record)) {
            why = *refused;
            return Step::rejected;
        }
        records.push_back(record);
        return Step::item;
    }

    int Line() const override { return m_event.line; }
    std::string ItemText() const override {
        std::string summary;
        Utf8ToDatebookText(m_event.summary, summary);
        return summary;
    }
    std::uint64_t Position() override { return m_reader.Position(); }
    std::uint64_t Length() override { return m_reader.Length(); }

private:
    std::string m_fileName;
    CICalendarReader m_reader;
    IcsEvent m_event;
    CDateBkTable m_scratch;
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

    int Write(CDateBkRecord& record, const CApptValues& values) override {
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
