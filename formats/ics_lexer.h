#pragma once
// The lexical layer of iCalendar files: physical lines read in chunks from a file or memory,
// unfolded into content lines, split into name, parameters and value, and gathered into
// components; and the value types (dates, times, durations, offsets, text) those lines carry.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file.h"

namespace vemra {

struct IcsDate {
    int year = 0, month = 0, day = 0;
    bool operator==(const IcsDate&) const = default;
};

// A DATE or DATE-TIME value as written.
struct IcsTime {
    IcsDate date;
    int seconds = 0;   // of the day
    bool isDate = false;
    bool utc = false;
};

// Why a whole file cannot be read; the text comes from the string table.
enum class IcsError { none, readFailed, notICalendar, truncated, badStructure, lineTooLong };
std::string IcsErrorText(IcsError error);

struct IcsProperty {
    std::string name;
    std::vector<std::pair<std::string, std::string>> params;   // names upper case
    std::string value;
    int line = 0;
    std::string Param(const char* key) const;
};

struct IcsComponent {
    std::string name;
    int line = 0;
    std::vector<IcsProperty> props;
    std::vector<IcsComponent> children;
    const IcsProperty* Find(const char* key) const;
};

// name;param=value;param="quoted":value. False when the line has no value part.
bool ParseIcsContentLine(const std::string& line, IcsProperty& p);

// Values. Times are checked against the calendar; a leap second counts as the one before.
bool ParseIcsTime(std::string_view text, IcsTime& t);
bool ParseIcsDuration(std::string_view text, long long& seconds);   // "-PT15M", "P1D", "P1W"
bool ParseIcsOffset(std::string_view text, long long& seconds);     // "+0100", "-0530", "+013000"
std::string IcsUnescape(std::string_view text);
long long IcsNumber(std::string_view digits);
// Two-letter weekday codes of rules, 0 Sunday .. 6 Saturday; IcsWeekdayOf is -1 for no code.
const char* IcsDayCode(int weekday);
int IcsWeekdayOf(std::string_view code);
long long IcsLocalSeconds(const IcsDate& d, long long seconds);   // since 1970-01-01 00:00

// Unfolded content lines and whole components of one calendar file, read a chunk at a time.
class CIcsLexer {
public:
    void SetReadChunkSize(std::size_t size) { m_nChunkSize = size ? size : 1; }
    bool Open(const std::string& path, std::string* error);
    void OpenMemory(std::string_view bytes);

    // The next content line and the physical line it starts on; false at the end or on failure.
    bool ReadLine(std::string& line, int& lineNo);
    // The rest of a component whose BEGIN was read, its children nested at most 8 deep.
    bool ReadComponent(IcsComponent& out, const std::string& name, int line, int depth);
    // Marks the file failed; the first failure stays. Always false.
    bool Fail(IcsError error, int line);

    bool Failed() const { return m_error != IcsError::none; }
    IcsError Error() const { return m_error; }
    const std::string& ErrorDetail() const { return m_strErrorDetail; }
    int ErrorLine() const { return m_nErrorLine; }
    int PhysicalLine() const { return m_nPhysicalLine; }
    std::uint64_t Position() const { return m_nConsumed; }
    std::uint64_t Length() const;

private:
    bool ReadPhysical(std::string& line);
    bool Fill();

    vemra::CPlatformFile m_file;
    bool m_bFromMemory = false;
    std::string m_memory;
    std::size_t m_nMemoryPos = 0;
    std::size_t m_nChunkSize = 64 * 1024;
    std::string m_buffer;
    std::vector<char> m_readArea;
    std::size_t m_nBufferPos = 0;
    bool m_bEof = false;
    std::uint64_t m_nConsumed = 0;
    int m_nPhysicalLine = 0;
    bool m_bHavePeek = false;
    std::string m_peek;
    int m_nPeekLine = 0;
    IcsError m_error = IcsError::none;
    std::string m_strErrorDetail;
    int m_nErrorLine = 0;
};

}  // namespace vemra
