// Fuzzes the datebook reader: whatever it accepts must write back byte for byte, read again,
// and survive sorting and the occurrence walk without hanging.

#include "palm/datebook.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CDateBkTable table;
    if (table.OpenFromMemory(bytes) != 0) {
        if (table.GetRecordCount() != 0 || table.GetLastErrorText().empty()) std::abort();
        return 0;
    }
    std::string saved;
    table.SaveToMemory(saved);
    if (saved != bytes) std::abort();

    CDateBkIterator it(table);
    it.SortByStartDate();
    CDateBkRecord previous(table, 1);
    for (long i = 0; i < table.GetRecordCount() && i < 200; ++i) {
        CDateBkRecord rec(table, 1);
        if (it.GetAt(rec, i) != 0) std::abort();
        long start = 0;
        rec.GetStartTime(start);
        long t = start;
        for (int n = 0; n < 20 && rec.CalcNextOccurrance(t, t) == 0; ++n) {
            if (t < start - 90000) std::abort();
            rec.IsException(t);
            t += 86400;
        }
        CDateException e;
        for (long r = rec.FindFirstException(e); r == 0; r = rec.FindNextException(e)) {
        }
        if (previous.IsBound()) rec.IsSameRepeatingEvent(previous);
        previous = rec;
    }

    CDateBkTable again;
    if (again.OpenFromMemory(saved) != 0 || again.GetRecordCount() != table.GetRecordCount()) std::abort();
    return 0;
}
