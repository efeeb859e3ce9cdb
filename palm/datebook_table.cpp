// The record table's state: its records and their start-time order.

#include "palm/datebook_table.h"

#include <algorithm>
#include <cmath>

using namespace datebook;

namespace {

std::uint64_t SortKey(const DateBkRecordData& r, std::size_t index) {
    // Signed start times, ordered as unsigned by flipping the sign bit; ties by stored index.
    const std::uint32_t biased = r.start ^ 0x80000000u;
    return (static_cast<std::uint64_t>(biased) << 32) | static_cast<std::uint32_t>(index);
}

std::size_t IndexOfKey(std::uint64_t key) { return static_cast<std::size_t>(key & 0xFFFFFFFFu); }

}  // namespace

void DateBkTableData::Clear() {
    storage = eStorage::eDesktop;
    handheld = HandheldHeader{};
    header.clear();
    records.clear();
    nextRecordId = 1;
    sortedMain.clear();
    sortedRecent.clear();
    sortedCovered = 0;
    bOrderStale = true;
}

// An import sorts once per row while it appends: records appended since the last sort go into
// a small sorted buffer (with their positions in the merged order), which is merged into the
// main array when it grows past about the square root of the table size.
void DateBkTableData::Sort() {
    const std::size_t n = records.size();
    const std::size_t limit = std::max<std::size_t>(64, static_cast<std::size_t>(std::sqrt(static_cast<double>(n))));
    if (bOrderStale || sortedCovered > n || (n - sortedCovered) + sortedRecent.size() > limit) {
        if (bOrderStale || sortedCovered > n) {
            sortedMain.clear();
            sortedRecent.clear();
            sortedCovered = 0;
        }
        std::vector<std::uint64_t> added;
        added.reserve(n - sortedCovered + sortedRecent.size());
        for (const auto& entry : sortedRecent) added.push_back(entry.first);
        for (std::size_t i = sortedCovered; i < n; ++i) added.push_back(SortKey(records[i], i));
        std::sort(added.begin(), added.end());
        std::vector<std::uint64_t> merged;
        merged.reserve(sortedMain.size() + added.size());
        std::merge(sortedMain.begin(), sortedMain.end(), added.begin(), added.end(), std::back_inserter(merged));
        sortedMain.swap(merged);
        sortedRecent.clear();
        sortedCovered = n;
        bOrderStale = false;
        return;
    }
    for (std::size_t i = sortedCovered; i < n; ++i) {
        const std::uint64_t key = SortKey(records[i], i);
        auto at = std::lower_bound(sortedRecent.begin(), sortedRecent.end(), key,
                                   [](const auto& entry, std::uint64_t k) { return entry.first < k; });
        const std::size_t before = static_cast<std::size_t>(at - sortedRecent.begin());
        const std::size_t inMain = static_cast<std::size_t>(
            std::lower_bound(sortedMain.begin(), sortedMain.end(), key) - sortedMain.begin());
        for (auto it = at; it != sortedRecent.end(); ++it) ++it->second;
        sortedRecent.insert(at, {key, before + inMain});
    }
    sortedCovered = n;
}

std::size_t DateBkTableData::SortedAt(std::size_t pos) const {
    if (pos >= sortedCovered) return pos;   // appended after the last sort: stored order
    auto at = std::lower_bound(sortedRecent.begin(), sortedRecent.end(), pos,
                               [](const auto& entry, std::size_t p) { return entry.second < p; });
    if (at != sortedRecent.end() && at->second == pos) return IndexOfKey(at->first);
    const std::size_t recentBefore = static_cast<std::size_t>(at - sortedRecent.begin());
    return IndexOfKey(sortedMain[pos - recentBefore]);
}

void DateBkTableData::StartTimeChanged(std::size_t storedIndex) {
    // The cached order stays usable for walks in progress; the next sort starts afresh.
    if (storedIndex < sortedCovered) bOrderStale = true;
}

void DateBkTableData::InitNewRecord(DateBkRecordData& data) {
    data.recordId = nextRecordId++;
    if (nextRecordId == 0) nextRecordId = 1;
    data.status = kStatusAdded;
    data.position = static_cast<std::uint32_t>(records.size());
    data.repeat.bBigTag = false;
    data.handheld = HandheldRecord{};
    if (storage == eStorage::eHandheld) data.recordId = data.handheld.uniqueId = NewUniqueId();
}

std::uint32_t DateBkTableData::NewUniqueId() {
    constexpr std::uint32_t kLast = 0xFFFFFF;
    if (handheld.nextUniqueId == 0 || handheld.nextUniqueId > kLast) {
        // The seed has run out: the lowest ID no record holds (records dropped at the last save
        // are no longer in the file, so theirs may come back).
        std::vector<std::uint32_t> used;
        for (std::size_t i = 0; i < records.size(); ++i) used.push_back(records[i].handheld.uniqueId);
        std::sort(used.begin(), used.end());
        std::uint32_t id = 1;
        for (std::uint32_t u : used)
            if (u == id) ++id;
            else if (u > id) break;
        return id;
    }
    return handheld.nextUniqueId++;
}
