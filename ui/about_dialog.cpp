#include "ui/about_dialog.h"

#include <winver.h>

#include "platform/text.h"
#include "res/resource.h"

namespace vemra {

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::DoDataExchange(CDataExchange& exchange) {
    if (!m_link.GetSafeHwnd()) m_link.SubclassDlgItem(IDC_LINK, *this);
    exchange.Text(IDC_VERSION, m_strVersion);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strVersion = ProgramVersionText();
    UpdateData(false);
    return TRUE;
}

std::string VersionText(DWORD fileVersionMS, DWORD fileVersionLS) {
    return FormatText("%d.%d.%d", static_cast<int>(HIWORD(fileVersionMS)), static_cast<int>(LOBYTE(LOWORD(fileVersionMS))),
                      static_cast<int>(HIWORD(fileVersionLS)));
}

std::string ProgramVersionText() {
    const HMODULE module = GetModuleHandleA(nullptr);
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16) /* RT_VERSION */);
    if (!found) return "";
    const HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) return "";
    // VerQueryValue may write into the block it reads, so it gets a copy.
    std::string copy(static_cast<const char*>(data), size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info || length == 0) return "";
    return VersionText(info->dwFileVersionMS, info->dwFileVersionLS);
}

}  // namespace vemra
