// The datebook table, its records and iterators.

#include "palm/datebook.h"
#include "palm/datebook_file.h"
#include "palm/datebook_layout.h"

#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/string_ids.h"

#include <algorithm>
#include <climits>
#include <cmath>

using namespace datebook;

namespace {

bool FitsTime(long t) { return t >= 0 && t <= 0x7FFFFFFFL; }

void UpdateDuration(DateBkRecordData& r) {
    const long start = TimeFromRaw(r.start);
    const long end = TimeFromRaw(r.end);
    r.duration = end >= start ? static_cast<std::uint32_t>((end - start) / 60) : 0;
}

}  // namespace

struct CDateBkTable::Impl : DateBkTableData {};

// ---- table ----

CDateBkTable::CDateBkTable() : m_pImpl(std::make_unique<Impl>()) {}
CDateBkTable::~CDateBkTable() = default;

namespace {
// The system's reason as the second line of a message that already names the file: one full stop.
std::string Sentence(std::string reason) {
    while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) reason.pop_back();
    return reason.empty() ? reason : reason + ".";
}
}  // namespace

long CDateBkTable::OpenFrom(const std::string& path, int /*mode*/) {
    std::string bytes;
    std::string reason;
    if (!vemra::ReadWholeFile(path, bytes, &reason)) {
        m_pImpl->Clear();
        m_strPath.clear();
        m_strLastError = Sentence(reason);
        return 1;
    }
    const long result = OpenFromMemory(bytes);
    if (result == 0) m_strPath = path;
    // A newer layout is named by the file's name too (a Calendar Archive is a .dba).
    const std::string_view head = std::string_view(bytes).substr(0, kDatebookHeadBytes);
    const std::string refusal = DatebookLayoutRefusal(DatebookLayoutOf(head, path), head, path);
    if (result != 0 && !refusal.empty()) m_strLastError = refusal;
    return result;
}

long CDateBkTable::OpenFromMemory(std::string_view bytes) {
    // A table that failed to open forgets its path, so that a later Save cannot overwrite the
    // file it could not read.
    m_strPath.clear();
    std::string error;
    if (!ParseFile(bytes, *m_pImpl, error)) {
        m_pImpl->Clear();
        m_strLastError = error;
        return 1;
    }
    m_strLastError.clear();
    return 0;
}

long CDateBkTable::SaveToMemory(std::string& bytes) const {
    std::string error;
    return WriteFile(*m_pImpl, m_strPath, bytes, error) ? 0 : 1;
}

long CDateBkTable::Save() {
    if (m_strPath.empty()) {
        m_strLastError = vemra::LoadResString(IDS_DB_NO_FILE);
        return 1;
    }
    return SaveAs(m_strPath);
}

long CDateBkTable::SaveAs(const std::string& path) {
    std::string bytes, reason;
    if (!WriteFile(*m_pImpl, path, bytes, reason) || !vemra::SaveFileAtomically(path, bytes, true, &reason)) {
        m_strLastError = Sentence(reason);
        return 1;
    }
    m_strPath = path;
    m_strLastError.clear();
    return 0;
}

long CDateBkTable::GetRecordCount() const { return static_cast<long>(m_pImpl->records.size()); }

long CDateBkTable::AppendBlankRecord(CDateBkRecord& record) {
    DateBkRecordData data;
    m_pImpl->InitNewRecord(data);
    m_pImpl->records.push_back(std::move(data));
    record.Bind(this, m_pImpl->records.size() - 1);
    return 0;
}

long CDateBkTable::AppendDuplicateRecord(CBaseRecord& source, CBaseRecord& target, int /*mode*/) {
    const DateBkRecordData* from = source.Data();
    if (!from) {
        m_strLastError = vemra::LoadResString(IDS_DB_UNBOUND_RECORD);
        return 1;
    }
    DateBkRecordData copy = *from;   // before the append, which may move the source
    m_pImpl->InitNewRecord(copy);
    m_pImpl->records.push_back(std::move(copy));
    target.Bind(this, m_pImpl->records.size() - 1);
    return 0;
}

// ---- records ----

CBaseRecord::CBaseRecord(CDateBkTable& table, int /*mode*/) : m_pTable(&table) {}

DateBkRecordData* CBaseRecord::Data() const {
    if (!m_pTable) return nullptr;
    auto& records = m_pTable->m_pImpl->records;
    return m_nStored < records.size() ? &records[m_nStored] : nullptr;
}

void CBaseRecord::Bind(CDateBkTable* table, std::size_t storedIndex) {
    m_pTable = table;
    m_nStored = storedIndex;
}

void CBaseRecord::MarkUpdated() {
    DateBkRecordData* data = Data();
    if (data && !(data->status & kStatusAdded)) data->status |= kStatusUpdated;
}

bool CBaseRecord::IsBound() const { return Data() != nullptr; }

long CBaseRecord::IsDeleted() const {
    const DateBkRecordData* data = Data();
    return data && (data->status & kStatusDeleted) ? 1 : 0;
}

long CBaseRecord::IsArchived() const {
    const DateBkRecordData* data = Data();
    return data && (data->status & kStatusArchived) ? 1 : 0;
}

// Adds the given status bits (4: deleted); the others stay as they are.
long CBaseRecord::SetStatus(long status) {
    DateBkRecordData* data = Data();
    if (!data) return 1;
    data->status |= static_cast<std::uint32_t>(status);
    return 0;
}

long CBaseRecord::GetStatus(long& status) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    status = static_cast<long>(data->status);
    return 0;
}

long CBaseRecord::GetRecordId(long& id) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    id = static_cast<long>(data->recordId);
    return 0;
}

CDateBkRecord::CDateBkRecord(CDateBkTable& table, int mode) : CBaseRecord(table, mode) {}

long CDateBkRecord::GetDescription(std::string& text) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    text = vemra::FileTextToSystem(data->description.bytes);
    return 0;
}

long CDateBkRecord::GetNote(std::string& text) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    text = vemra::FileTextToSystem(data->note.bytes);
    return 0;
}

long CDateBkRecord::GetStartTime(long& t) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    t = TimeFromRaw(data->start);
    return 0;
}

long CDateBkRecord::GetEndTime(long& t) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    t = TimeFromRaw(data->end);
    return 0;
}

long CDateBkRecord::GetAlarmAdvTime(long& advance) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    // Palm Desktop keeps the amount when the alarm is switched off; the flag decides.
    advance = data->alarmSet ? TimeFromRaw(data->alarmAdvance) : -1;
    return 0;
}

long CDateBkRecord::GetAlarmAdvUnit(eAlarmUnit& unit) const {
    const DateBkRecordData* data = Data();
    if (!data) return 1;
    unit = static_cast<eAlarmUnit>(static_cast<int>(data->alarmUnit));
    return 0;
}

long CDateBkRecord::IsUnTimed() const {
    const DateBkRecordData* data = Data();
    return data && data->untimed ? 1 : 0;
}

long CDateBkRecord::IsAlarmSet() const {
    const DateBkRecordData* data = Data();
    return data && data->alarmSet ? 1 : 0;
}

long CDateBkRecord::IsPrivate() const {
    const DateBkRecordData* data = Data();
    return data && data->isPrivate ? 1 : 0;
}

long CDateBkRecord::SetDescription(const std::string& text) {
    DateBkRecordData* data = Data();
    if (!data) return 1;
    data->description.bytes = vemra::SystemTextToFile(text);
    data->description.form = eLengthForm::eAuto;
    MarkUpdated();
    return 0;
}

long CDateBkRecord::SetNote(const std::string& text) {
    DateBkRecordData* data = Data();
    if (!data) return 1;
    data->note.bytes = vemra::SystemTextToFile(text);
    data->note.form = eLengthForm::eAuto;
    MarkUpdated();
    return 0;
}

long CDateBkRecord::SetStartTime(long t) {
    DateBkRecordData* data = Data();
    if (!data || !FitsTime(t)) return 1;
    data->start = static_cast<std::uint32_t>(t);
    UpdateDuration(*data);
    m_pTable->m_pImpl->StartTimeChanged(m_nStored);
    MarkUpdated();
    return 0;
}

long CDateBkRecord::SetEndTime(long t) {
    DateBkRecordData* data = Data();
    if (!data || !FitsTime(t)) return 1;
    data->end = static_cast<std::uint32_t>(t);
    UpdateDuration(*data);
    MarkUpdated();
    return 0;
}

namespace {
long SetFlag(DateBkRecordData* data, std::uint32_t DateBkRecordData::*field, long value) {
    if (!data) return 1;
    data->*field = value ? 1 : 0;
    return 0;
}
}  // namespace

long CDateBkRecord::SetUnTimedFlag(long untimed) {
    const long result = SetFlag(Data(), &DateBkRecordData::untimed, untimed);
    if (result == 0) MarkUpdated();
    return result;
}

long CDateBkRecord::SetAlarmFlag(long alarm) {
    const long result = SetFlag(Data(), &DateBkRecordData::alarmSet, alarm);
    if (result == 0) MarkUpdated();
    return result;
}

long CDateBkRecord::SetPrivate(long isPrivate) {
    const long result = SetFlag(Data(), &DateBkRecordData::isPrivate, isPrivate);
    if (result == 0) MarkUpdated();
    return result;
}

// -1 switches the alarm off and keeps the amount and unit, as Palm Desktop does; any other
// value leaves the flag to SetAlarmFlag.
long CDateBkRecord::SetAlarmAdvTime(long advance) {
    DateBkRecordData* data = Data();
    if (!data || advance < INT32_MIN || advance > INT32_MAX) return 1;
    if (advance == -1) {
        data->alarmSet = 0;
        MarkUpdated();
        return 0;
    }
    data->alarmAdvance = static_cast<std::uint32_t>(static_cast<std::int32_t>(advance));
    MarkUpdated();
    return 0;
}

long CDateBkRecord::SetAlarmAdvUnit(long unit) {
    DateBkRecordData* data = Data();
    if (!data || unit < eMinutes || unit > eDays) return 1;
    data->alarmUnit = static_cast<std::uint32_t>(unit);
    MarkUpdated();
    return 0;
}

// ---- iterators ----

CBaseIterator::CBaseIterator(CDateBkTable& table) : m_table(table) {}

long CBaseIterator::GetAt(CBaseRecord& record, long index) {
    const DateBkTableData& impl = *m_table.m_pImpl;
    if (index < 0 || static_cast<std::size_t>(index) >= impl.records.size()) return 1;
    const std::size_t pos = static_cast<std::size_t>(index);
    record.Bind(&m_table, m_bSorted ? impl.SortedAt(pos) : pos);
    return 0;
}

CDateBkIterator::CDateBkIterator(CDateBkTable& table) : CBaseIterator(table) {}

long CDateBkIterator::SortByStartDate() {
    m_table.m_pImpl->Sort();
    m_bSorted = true;
    return 0;
}
