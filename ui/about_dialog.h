#pragma once
// The About box: title, version (from the program's version resource) and the home page link.

#include <windows.h>

#include <string>

#include "ui/dialog.h"
#include "ui/hyperlink.h"

namespace vemra {

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND parent);

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL OnInitDialog() override;

private:
    CHyperLink m_link;
    std::string m_strVersion;
};

// "major.minor.build" from a file version: the minor number is only the low byte of its word.
std::string VersionText(DWORD fileVersionMS, DWORD fileVersionLS);
// The version text of this program's own version resource, empty when it has none.
std::string ProgramVersionText();

}  // namespace vemra
