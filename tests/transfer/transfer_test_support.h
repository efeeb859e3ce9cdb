#pragma once
// Datebooks built record by record, and the fixture the tests of the transfers share.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "palm/datebook.h"
#include "platform/local_time.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "settings/settings.h"
#include "tests/test_support.h"
#include "transfer/transfer.h"

namespace vemra::test {

struct Appt {
    std::string text;
    long start = 0;          // local time; for an untimed appointment its day's midnight
    long end = 0;            // 0 for untimed
    bool untimed = false;
    bool isPrivate = false;
    long alarm = -1;         // advance; -1 none
    eAlarmUnit unit = eMinutes;
    std::string note;
    long status = 0;         // 4 deleted, 0x80 archived
};

// A case table under tests/data/transfer whose every case has the given number of fields.
inline std::vector<std::vector<std::string>> Table(const std::string& name, std::size_t fields) {
    return DataRows("transfer/" + name, "\t", fields);
}

// prefix + number (spelled out: a short literal + to_string trips a GCC 12 false warning).
inline std::string Numbered(const char* prefix, int n) {
    std::string text(prefix);
    text += std::to_string(n);
    return text;
}

inline Appt Timed(const std::string& text, int y, int mo, int d, int h1, int m1, int h2, int m2) {
    Appt a;
    a.text = text;
    a.start = MakeLocal(y, mo, d, h1, m1);
    a.end = MakeLocal(y, mo, d, h2, m2);
    return a;
}

inline Appt Untimed(const std::string& text, int y, int mo, int d) {
    Appt a;
    a.text = text;
    a.start = MakeLocal(y, mo, d);
    a.untimed = true;
    return a;
}

inline void SetAppt(CDateBkRecord& r, const Appt& a) {
    r.SetDescription(a.text);
    r.SetNote(a.note);
    r.SetUnTimedFlag(a.untimed ? 1 : 0);
    r.SetStartTime(a.start);
    r.SetEndTime(a.end);
    r.SetPrivate(a.isPrivate ? 1 : 0);
    r.SetAlarmAdvTime(a.alarm);
    if (a.alarm > 0) {
        r.SetAlarmAdvUnit(a.unit);
        r.SetAlarmFlag(1);
    }
    if (a.status) r.SetStatus(a.status);
}

inline void AddAppt(CDateBkTable& table, const Appt& a) {
    CDateBkRecord r(table, 1);
    table.AppendBlankRecord(r);
    SetAppt(r, a);
}

// A new datebook file holding the appointments.
inline bool MakeDatebook(const std::string& path, const std::vector<Appt>& appts) {
    CDateBkTable table;
    for (const Appt& a : appts) AddAppt(table, a);
    return table.SaveAs(path) == 0;
}

// The descriptions of the live records of a datebook file, in stored order; "!" when it
// cannot be opened.
inline std::vector<std::string> LiveTexts(const std::string& path) {
    CDateBkTable table;
    if (table.OpenFrom(path, 0) != 0) return {"!"};
    CBaseIterator it(table);
    std::vector<std::string> texts;
    for (long i = 0; i < table.GetRecordCount(); ++i) {
        CDateBkRecord r(table, 1);
        if (it.GetAt(r, i) != 0 || r.IsDeleted() || r.IsArchived()) continue;
        std::string text;
        r.GetDescription(text);
        texts.push_back(text);
    }
    return texts;
}

// The simple layout's header row, and a row of it with the given cells and the rest empty.
inline const std::string kSimpleHeader =
    "\"Date\",\"Untimed\",\"Start Time\",\"End Time\",\"Private\",\"Text\",\"Note\",\"Alarm\",\"Alarm Time\","
    "\"Alarm Unit\",\"Repeat\"\r\n";
inline std::string Row(const std::string& date, const std::string& start, const std::string& end, const std::string& text,
                       const std::string& note = "") {
    return "\"" + date + "\",\"\",\"" + start + "\",\"" + end + "\",\"\",\"" + text + "\",\"" + note + "\",\"\",\"\",\"\",\"\"\r\n";
}

// Asks for an interrupt once the operation has reported its position the given number of times.
class InterruptingProgress : public CProgress {
public:
    explicit InterruptingProgress(int at) : m_at(at) {}
    void SetRange(int lower, int upper) override { range = {lower, upper}; }
    void SetPos(int pos) override {
        positions.push_back(pos);
        if (static_cast<int>(positions.size()) == m_at) RequestInterrupt();
    }
    std::pair<int, int> range{-1, -1};
    std::vector<int> positions;

private:
    int m_at;
};

// A scratch folder with an empty datebook that the settings name, messages captured (the
// settings complain that no Palm Desktop is installed here), and input files written on demand.
class TransferTest : public ::testing::Test {
protected:
    TransferTest() {
        capture.messages.clear();
        db = dir.File("datebook.dat");
        EXPECT_TRUE(MakeDatebook(db, {}));
        settings.m_strDatebookFile = db;
        settings.m_bNoDuplicates = false;
        settings.m_bIgnoreImportErrors = false;
    }
    ~TransferTest() override { ClearInterrupt(); }
    std::string Input(const std::string& text) {
        const std::string path = dir.File("in" + std::to_string(++m_files) + ".csv");
        WriteFile(path, text);
        return path;
    }
    ScratchDir dir;
    MessageCapture capture;
    CMessageBoxReporter reporter;
    CSettings settings;
    std::string db;

private:
    int m_files = 0;
};

}  // namespace vemra::test
