#pragma once
// The one settings record: the user's options (profile section "Options"), the current Palm
// Desktop user, the requests of the command line and the column mapping.

#include <cstdint>
#include <string>

#include "settings/field_mapping.h"

namespace vemra {
class CReporter;
}

class CSettings {
public:
    // reporter: told what the user must learn (no Palm Desktop, no user directory); without one
    // nobody is told.
    explicit CSettings(vemra::CReporter* reporter = nullptr);
    virtual ~CSettings();
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    vemra::CReporter* m_pReporter;
    int m_nDefaultApptLength;
    std::string m_strQuote;
    bool m_bRemoveAll;
    std::string m_strExceptionDateSeparator;
    CFieldMapping m_mapping;
    bool m_bPrcDeleteAppts;
    std::string m_strPrcIconText;
    std::string m_strPrcMsgTitle;
    std::string m_strPrcMsgText;
    bool m_bExportNoCR;
    bool m_bIgnoreImportErrors;
    bool m_bPalmDesktopButton;
    bool m_bImport;
    bool m_bExport;
    bool m_bFullFormat;
    int m_nDaysAhead;
    int m_nDaysBack;
    std::string m_strFile;
    std::string m_strSeparator;
    bool m_bNoDuplicates;
    std::string m_strDatebookFile;
    uint32_t m_dwPalmUserId;
    int m_nMinSize;

    int Load();
    int Save();
    long GetSpanStart() const;
    long GetSpanEnd() const;

    // Users and paths.
    void GetDatebookPath(std::string& path) const;
    int GetPalmUserName(std::string& name) const;
    int FindUser(const char* name);
    static std::string GetComponentPath(uint32_t creator, const char* defaultPath);

    // Palm Desktop toolbar entry.
    void SetDesktopButton(bool enable);
};
