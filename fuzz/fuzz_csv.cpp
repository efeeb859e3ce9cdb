// Reads arbitrary bytes as a delimited text file: the first byte picks quote, separator and layout,
// the rest is the file. Every row is read cell by cell and parsed as an appointment row.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "formats/csv_file.h"
#include "palm/datebook.h"
#include "settings/field_mapping.h"

namespace {

std::string ScratchPath() {
    static const std::string path = "/tmp/fuzz_csv_" + std::to_string(getpid()) + ".csv";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t control = data[0];
    const std::string content(reinterpret_cast<const char*>(data + 1), size - 1);
    {
        FILE* f = std::fopen(ScratchPath().c_str(), "wb");
        if (!f) return 0;
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    static const char* const kQuotes[] = {"\"", "'", "", "\"\""};
    static const char* const kSeparators[] = {",", ";", "", " "};

    // Cell by cell, with a small read chunk so that buffer boundaries move.
    {
        CCsvFile file;
        file.SetQuote(kQuotes[control & 3]);
        file.SetSeparator(kSeparators[(control >> 2) & 3]);
        file.SetReadChunkSize(1 + (control >> 4));
        if (file.OpenRead(ScratchPath()) == 0) {
            while (file.NextReadRow() == 0) {
                std::string cell;
                for (int i = 0; i < 30; ++i) file.GetText(cell);
                file.GetProgressPos();
            }
        }
    }
    // As rows of appointments, in both layouts.
    static CFieldMapping mapping;   // no settings record: the settings' defaults apply
    CCsvFile file;
    file.SetQuote(kQuotes[control & 3]);
    file.SetSeparator(kSeparators[(control >> 2) & 3]);
    if (file.OpenRead(ScratchPath()) == 0) {
        CDateBkTable table;
        const bool full = control & 0x40;
        for (int rows = 0; rows < 1000; ++rows) {
            CDateBkRecord record(table, 1);
            table.AppendBlankRecord(record);
            const int r = full ? mapping.ReadFullRow(file, record) : mapping.ReadSimpleRow(file, record);
            if (r == -1) break;
        }
    }
    return 0;
}
