// Fuzzes the reader of the handheld's DatebookDB.pdb: every input is made to carry the datebook's
// name, type and creator, so that the handheld layout is what gets read. Whatever it accepts must
// save, read again with the same records and save to the same bytes; records added to it must
// save and read back too; sorting and the occurrence walk must not hang.

#include "palm/datebook.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

long Reopened(const std::string& bytes, CDateBkTable& table, std::string& saved) {
    if (table.OpenFromMemory(bytes) != 0 || table.SaveToMemory(saved) != 0) std::abort();
    return table.GetRecordCount();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.size() >= 68) {
        std::memcpy(bytes.data(), "DatebookDB", 11);
        std::memcpy(bytes.data() + 60, "DATAdate", 8);
    }
    CDateBkTable table;
    if (table.OpenFromMemory(bytes) != 0) {
        if (table.GetRecordCount() != 0 || table.GetLastErrorText().empty()) std::abort();
        return 0;
    }
    std::string saved, again;
    if (table.SaveToMemory(saved) != 0) std::abort();
    CDateBkTable reread;
    if (Reopened(saved, reread, again) != table.GetRecordCount() || again != saved) std::abort();

    CDateBkIterator it(table);
    it.SortByStartDate();
    for (long i = 0; i < table.GetRecordCount() && i < 100; ++i) {
        CDateBkRecord rec(table, 1);
        if (it.GetAt(rec, i) != 0) std::abort();
        long t = 0;
        rec.GetStartTime(t);
        for (int n = 0; n < 10 && rec.CalcNextOccurrance(t, t) == 0; ++n) t += 86400;
    }

    // A new record and a copy of the first one go in beside those read.
    CDateBkRecord added(table, 1), first(table, 1), copy(table, 1);
    table.AppendBlankRecord(added);
    added.SetStartTime(1000000000);
    added.SetEndTime(1000003600);
    added.SetDescription("new");
    if (CBaseIterator(table).GetAt(first, 0) == 0) table.AppendDuplicateRecord(first, copy, 1);
    CDateBkTable withNew;
    if (table.SaveToMemory(saved) != 0 || Reopened(saved, withNew, again) != table.GetRecordCount() || again != saved)
        std::abort();
    return 0;
}
