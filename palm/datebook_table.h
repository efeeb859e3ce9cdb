#pragma once
// Private to the datebook library: the record as stored and the table's state.

#include "palm/datebook_repeat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How a text's length was written, kept so that an unchanged file is written back unchanged.
enum class eLengthForm : std::uint8_t {
    eAuto = 0,      // the shortest form (new or changed texts)
    eByte,          // one length byte
    eWord,          // 0xFF, then a 16-bit length
    eDword          // 0xFF 0xFFFF, then a 32-bit length
};

// A text field as the file holds it: Windows-1252 bytes, converted only when asked for.
struct FileText {
    std::string bytes;
    eLengthForm form = eLengthForm::eAuto;
    std::uint32_t pad = 0;   // the u32 written before the text (0 in every known file)
};

struct RepeatData {
    std::vector<std::uint32_t> exceptions;        // in file order
    std::unique_ptr<CRepeateDayInfo> rule;        // null: no repeat
    std::uint32_t rawEnd = 0;                     // the end date as read
    long readEnd = -1;                            // what rawEnd was read as; rawEnd is written
                                                  // back while the rule's end still equals it
    bool bRawEndValid = false;
    bool bBigTag = false;                         // the class tag used the 0x7FFF escape

    RepeatData() = default;
    RepeatData(RepeatData&&) = default;
    RepeatData& operator=(RepeatData&&) = default;
    RepeatData(const RepeatData& other) { *this = other; }
    RepeatData& operator=(const RepeatData& other) {
        if (this == &other) return *this;
        exceptions = other.exceptions;
        rule = other.rule ? other.rule->Clone() : nullptr;
        rawEnd = other.rawEnd;
        readEnd = other.readEnd;
        bRawEndValid = other.bRawEndValid;
        bBigTag = other.bBigTag;
        return *this;
    }
};

namespace datebook {

constexpr std::uint32_t kStatusAdded = 0x01;
constexpr std::uint32_t kStatusUpdated = 0x02;
constexpr std::uint32_t kStatusDeleted = 0x04;
constexpr std::uint32_t kStatusArchived = 0x80;

constexpr int kFieldsPerRecord = 15;
constexpr std::uint16_t kFieldTypes[kFieldsPerRecord] = {1, 1, 1, 3, 1, 5, 1, 5, 6, 6, 1, 6, 1, 1, 8};
constexpr std::uint32_t kDatebookTag = 0x44420100;
constexpr std::uint32_t kMaxExceptions = 0xFFFF;

}  // namespace datebook

// What a record of the handheld's DatebookDB.pdb was when read, so that an unchanged record is
// written back with its own bytes and attributes.
struct HandheldRecord {
    bool bRead = false;             // the record came from the file
    bool bDeletedInFile = false;    // deleted (or without data) there: written back as it was
    std::uint8_t attributes = 0;
    std::uint32_t uniqueId = 0;
    std::string raw;                // the record's bytes as read
    std::string encoded;            // what its fields encoded to when read
};

struct DateBkRecordData {
    std::uint32_t recordId = 0;
    std::uint32_t status = 0;
    std::uint32_t position = 0;
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t duration = 0;
    FileText description;
    FileText note;
    std::uint32_t untimed = 0;
    std::uint32_t isPrivate = 0;
    std::uint32_t category = 0;
    std::uint32_t alarmSet = 0;
    std::uint32_t alarmAdvance = 0xFFFFFFFF;   // -1: no alarm
    std::uint32_t alarmUnit = 0;
    RepeatData repeat;
    HandheldRecord handheld;
};

// Records in chunks that never move: appends cost no reallocation of the whole table, and the
// table never holds two copies of its records while growing.
class RecordStore {
public:
    static constexpr std::size_t kChunk = 1024;
    std::size_t size() const { return m_size; }
    DateBkRecordData& operator[](std::size_t i) { return m_chunks[i / kChunk][i % kChunk]; }
    const DateBkRecordData& operator[](std::size_t i) const { return m_chunks[i / kChunk][i % kChunk]; }
    void push_back(DateBkRecordData&& record) {
        if (m_size % kChunk == 0) m_chunks.push_back(std::make_unique<DateBkRecordData[]>(kChunk));
        (*this)[m_size++] = std::move(record);
    }
    void clear() {
        m_chunks.clear();
        m_size = 0;
    }

private:
    std::vector<std::unique_ptr<DateBkRecordData[]>> m_chunks;
    std::size_t m_size = 0;
};

enum class eStorage : std::uint8_t { eDesktop, eHandheld };

// The parts of a DatebookDB.pdb kept as read: written back with only the record count, the
// record list, the block offsets and the unique-ID seed changed.
struct HandheldHeader {
    std::string header;     // the 78 bytes before the record list
    std::string appInfo;    // categories and start of week
    std::string sortInfo;
    std::uint32_t nextUniqueId = 1;
};

struct DateBkTableData {
    eStorage storage = eStorage::eDesktop;
    HandheldHeader handheld;
    // Everything between the version tag and the entry count, exactly as read (file name, table
    // string, categories, resource id, field layout); empty for a table that was never opened.
    std::string header;
    RecordStore records;
    std::uint32_t nextRecordId = 1;

    // Start-time order: a sorted main array plus a small sorted buffer of recent appends, both
    // of keys (start << 32 | stored index). recent holds (key, position in the merged order).
    std::vector<std::uint64_t> sortedMain;
    std::vector<std::pair<std::uint64_t, std::size_t>> sortedRecent;
    std::size_t sortedCovered = 0;   // records 0 .. sortedCovered-1 are in the two arrays
    bool bOrderStale = true;         // a start time changed: the next sort starts afresh

    void Clear();
    void Sort();
    // Stored index of the record at position pos of the sorted order (records appended after
    // the last sort follow in stored order).
    std::size_t SortedAt(std::size_t pos) const;
    void StartTimeChanged(std::size_t storedIndex);
    void InitNewRecord(DateBkRecordData& data);
    // A unique ID no record of the table has had (24 bits, never 0).
    std::uint32_t NewUniqueId();
};
