#pragma once
// The command line of a batch run: -i <file>, -e <file>, -u <user>, -d <datebook file>, -x
// (full format), -r (remove all), -? (usage). Each option's value is the next argument.

#include <string>
#include <vector>

#include "app/exit_status.h"

class CSettings;

class CVEMRACommandLineInfo {
public:
    explicit CVEMRACommandLineInfo(CSettings* pSettings);
    virtual ~CVEMRACommandLineInfo() = default;

    // Parses the arguments (without the program name) left to right into the settings record.
    // False when the run must end now; m_nExitStatus then says how (the message was shown).
    bool ParseCommandLine(const std::vector<std::string>& args);

    // One argument without its option character; bFlag: it was an option.
    bool ParseParam(const char* pszParam, bool bFlag, bool bLast);

    CSettings* m_pSettings;
    int m_nExitStatus = exitDone;

private:
    bool Usage();

    std::string m_strPending;              // the option whose value comes next
    bool m_bFullFormatRequested = false;   // -x was given
};
