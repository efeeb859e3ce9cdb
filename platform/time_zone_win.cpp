#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "platform/time_zone.h"

namespace vemra::zone {

namespace {

constexpr char kZonesKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\";

// A key name directly below Time Zones, nothing further down or up.
bool IsPlainKeyName(const std::string& name) {
    // A NUL would end the name early and open another zone.
    return !name.empty() && name.size() <= 128 && name != "." && name != ".." &&
           std::none_of(name.begin(), name.end(), [](char c) { return c == '\\' || (c >= 0 && c < ' '); });
}

// The zone's TZI, and where Windows keeps the rules of single years (Dynamic DST: FirstEntry,
// LastEntry and one TZI per year), those instead; the first and last also stand for the years
// before and after them. A damaged entry refuses the zone rather than misplace its years.
bool LoadRegistryZone(const std::string& windowsName, ZoneData& zone) {
    if (!IsPlainKeyName(windowsName)) return false;
    CRegistryKey key;
    std::string tzi;
    ZoneYearRule base;
    if (!key.Open(RegistryRoot::localMachine, kZonesKey + windowsName) || !key.QueryBinary("TZI", tzi) ||
        !RuleFromTzi(tzi, base))
        return false;
    zone = ZoneData();
    zone.initialOffset = base.standardOffset;
    CRegistryKey years;
    uint32_t first = 0, last = 0;
    if (!years.Open(key, "Dynamic DST") || !years.QueryDword("FirstEntry", first) ||
        !years.QueryDword("LastEntry", last)) {
        zone.rules.push_back({INT_MIN, base});
        return true;
    }
    if (first > last || last - first > 500 || last > 30000) return false;
    for (uint32_t year = first; year <= last; ++year) {
        ZoneYearRule rule;
        if (!years.QueryBinary(std::to_string(year), tzi) || !RuleFromTzi(tzi, rule)) return false;
        zone.rules.push_back({static_cast<int>(year), rule});
    }
    return true;
}

}  // namespace

// A Windows name as it stands, else the Windows zone CLDR gives for an IANA name.
bool LoadSystemZone(const std::string& candidate, std::string& name, ZoneData& data) {
    std::string iana, spelling;
    if (LoadRegistryZone(candidate, data)) {
        name = IanaForWindows(candidate, iana, spelling) ? spelling : candidate;
        return true;
    }
    const std::string windowsName = WindowsForIana(candidate);
    if (windowsName.empty() || !LoadRegistryZone(windowsName, data)) return false;
    name = windowsName;
    return true;
}

}  // namespace vemra::zone
