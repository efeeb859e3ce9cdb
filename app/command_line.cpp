#include "app/command_line.h"

#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "res/string_ids.h"

CVEMRACommandLineInfo::CVEMRACommandLineInfo(CSettings* pSettings) : m_pSettings(pSettings) {}

bool CVEMRACommandLineInfo::ParseCommandLine(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool bFlag = !arg.empty() && vemra::IsOptionPrefix(arg[0]);
        if (!ParseParam(bFlag ? arg.c_str() + 1 : arg.c_str(), bFlag, i + 1 == args.size())) return false;
    }
    return true;
}

bool CVEMRACommandLineInfo::Usage() {
    vemra::ShowMessage(vemra::LoadResString(IDS_USAGE), vemra::MessageButtons::ok, vemra::MessageIcon::information);
    m_nExitStatus = exitUsage;
    return false;
}

bool CVEMRACommandLineInfo::ParseParam(const char* pszParam, bool bFlag, bool /*bLast*/) {
    const std::string param = pszParam ? pszParam : "";
    if (bFlag) {
        m_strPending.clear();
        const std::string option = vemra::ToLowerAscii(param);
        if (option == "u" || option == "i" || option == "e" || option == "d") {
            m_strPending = option;
            // These options choose the simple format unless -x came before them.
            if (!m_bFullFormatRequested) m_pSettings->m_bFullFormat = false;
        } else if (option == "x") {
            m_pSettings->m_bFullFormat = true;
            m_bFullFormatRequested = true;
        } else if (option == "r") {
            m_pSettings->m_bRemoveAll = true;
        } else {
            return Usage();
        }
        return true;
    }
    // A value applies to the pending option, which stays pending for a further value.
    if (m_strPending.empty()) return Usage();
    if (m_strPending == "i") {
        m_pSettings->m_bImport = true;
        m_pSettings->m_strFile = param;
    } else if (m_strPending == "e") {
        m_pSettings->m_bExport = true;
        m_pSettings->m_strFile = param;
    } else if (m_strPending == "d") {
        m_pSettings->m_strDatebookFile = param;
    } else if (m_strPending == "u") {
        if (!m_pSettings->FindUser(param.c_str())) {
            vemra::ShowMessage(vemra::LoadResString(IDS_USER_NOT_FOUND), vemra::MessageButtons::ok,
                               vemra::MessageIcon::warning);
            m_nExitStatus = exitUnknownUser;
            return false;
        }
    }
    return true;
}
