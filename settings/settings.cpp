#include "settings/settings.h"

#include "palm/user_data.h"
#include "platform/local_time.h"
#include "platform/reporter.h"
#include "platform/string_table.h"
#include "settings/profile.h"
#include "res/string_ids.h"

namespace {
const char kSection[] = "Options";

bool GetFlag(const char* entry, bool current) { return vemra::ReadProfileInt(kSection, entry, current ? 1 : 0) != 0; }
void WriteFlag(const char* entry, bool value) { vemra::WriteProfileInt(kSection, entry, value ? 1 : 0); }
}  // namespace

CSettings::CSettings(vemra::CReporter* reporter)
    : m_pReporter(reporter),
      m_nDefaultApptLength(60),
      m_strQuote("\""),
      m_bRemoveAll(false),
      m_strExceptionDateSeparator(" "),
      m_bPrcDeleteAppts(true),
      m_strPrcIconText(vemra::LoadResString(IDS_PRC_ICON_TEXT)),
      m_strPrcMsgTitle(vemra::LoadResString(IDS_PRC_MSG_TITLE)),
      m_strPrcMsgText(vemra::LoadResString(IDS_PRC_MSG_TEXT)),
      m_bExportNoCR(false),
      m_bIgnoreImportErrors(false),
      m_bPalmDesktopButton(true),
      m_bImport(false),
      m_bExport(false),
      m_bFullFormat(true),
      m_nDaysAhead(30),
      m_nDaysBack(30),
      m_strSeparator(","),
      m_bNoDuplicates(true),
      m_dwPalmUserId(0),
      m_nMinSize(1000) {
    m_mapping.m_pSettings = this;
    uint32_t id = 0;
    if (UserCount() > 0 && UserIdAt(0, &id) > 0)
        m_dwPalmUserId = id;
    else if (m_pReporter)
        m_pReporter->Tell(vemra::LoadResString(IDS_NO_PALM_DESKTOP), vemra::MessageIcon::none);
}

CSettings::~CSettings() = default;

int CSettings::Load() {
    using vemra::ReadProfileInt;
    using vemra::ReadProfileText;
    m_dwPalmUserId = static_cast<uint32_t>(ReadProfileInt(kSection, "palmuserid", static_cast<int>(m_dwPalmUserId)));
    m_nMinSize = ReadProfileInt(kSection, "minsize", m_nMinSize);
    m_bNoDuplicates = GetFlag("noduplicates", m_bNoDuplicates);
    m_bFullFormat = GetFlag("fullformat", m_bFullFormat);
    m_bIgnoreImportErrors = GetFlag("ignoreimporterrors", m_bIgnoreImportErrors);
    m_bExportNoCR = GetFlag("exportnocr", m_bExportNoCR);
    m_nDaysAhead = ReadProfileInt(kSection, "daysahead", m_nDaysAhead);
    m_nDaysBack = ReadProfileInt(kSection, "daysback", m_nDaysBack);
    m_nDefaultApptLength = ReadProfileInt(kSection, "defaultapptlength", m_nDefaultApptLength);
    m_strSeparator = ReadProfileText(kSection, "separator", m_strSeparator);
    m_strQuote = ReadProfileText(kSection, "quote", m_strQuote);
    m_strExceptionDateSeparator = ReadProfileText(kSection, "exceptiondateseparator", m_strExceptionDateSeparator);
    if (m_strExceptionDateSeparator.empty()) m_strExceptionDateSeparator.push_back(' ');
    m_strFile = ReadProfileText(kSection, "lastfile", m_strFile);
    m_bPalmDesktopButton = GetFlag("palmdesktopbutton", m_bPalmDesktopButton);
    m_strPrcMsgText = ReadProfileText(kSection, "prcmsgtext", m_strPrcMsgText);
    m_strPrcMsgTitle = ReadProfileText(kSection, "prcmsgtitle", m_strPrcMsgTitle);
    m_strPrcIconText = ReadProfileText(kSection, "prcicontext", m_strPrcIconText);
    m_bPrcDeleteAppts = GetFlag("prcdeleteappts", m_bPrcDeleteAppts);
    m_mapping.ReadProfile();
    SetDesktopButton(m_bPalmDesktopButton);
    return 0;
}

int CSettings::Save() {
    using vemra::WriteProfileInt;
    using vemra::WriteProfileText;
    WriteProfileInt(kSection, "palmuserid", static_cast<int>(m_dwPalmUserId));
    WriteProfileInt(kSection, "minsize", m_nMinSize);
    WriteFlag("noduplicates", m_bNoDuplicates);
    WriteFlag("fullformat", m_bFullFormat);
    WriteProfileText(kSection, "separator", m_strSeparator);
    WriteFlag("ignoreimporterrors", m_bIgnoreImportErrors);
    WriteFlag("exportnocr", m_bExportNoCR);
    WriteProfileInt(kSection, "daysahead", m_nDaysAhead);
    WriteProfileInt(kSection, "daysback", m_nDaysBack);
    WriteProfileInt(kSection, "defaultapptlength", m_nDefaultApptLength);
    WriteProfileText(kSection, "quote", m_strQuote);
    WriteProfileText(kSection, "exceptiondateseparator", m_strExceptionDateSeparator);
    WriteProfileText(kSection, "lastfile", m_strFile);
    WriteFlag("palmdesktopbutton", m_bPalmDesktopButton);
    WriteProfileText(kSection, "prcmsgtext", m_strPrcMsgText);
    WriteProfileText(kSection, "prcmsgtitle", m_strPrcMsgTitle);
    WriteProfileText(kSection, "prcicontext", m_strPrcIconText);
    WriteFlag("prcdeleteappts", m_bPrcDeleteAppts);
    m_mapping.WriteProfile();
    SetDesktopButton(m_bPalmDesktopButton);
    return 0;
}

// Counted on the calendar: a span over a daylight-saving change still begins at midnight and
// ends at 23:59 of its last day.
long CSettings::GetSpanStart() const {
    return vemra::ShiftLocalDays(vemra::Now(), -static_cast<long long>(m_nDaysBack), 0, 0, 0);
}

long CSettings::GetSpanEnd() const { return vemra::ShiftLocalDays(vemra::Now(), m_nDaysAhead, 23, 59, 0); }
