#pragma once
// The main dialog: the Palm Desktop user, the number of appointments concerned, and the
// Import, Export and Remove all buttons; a menu reaches Options, help and the About box.

#include <windows.h>

#include <string>

#include "platform/win_handles.h"
#include "ui/dialog.h"
#include "ui/icon_button.h"

class CSettings;

namespace vemra {

class CVEMRADlg : public CDialog {
public:
    explicit CVEMRADlg(HWND parent = nullptr);

    bool m_bExcelAvailable = false;
    CSettings* m_pSettings = nullptr;

    bool PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    // The Options dialog on the settings record; true when it ended with OK.
    virtual bool RunOptionsDialog();

private:
    void RefreshCount();
    void ReadUserSelection();
    void FillUserCombo();
    bool AskFileName(bool save, char (&file)[MAX_PATH], DWORD& filterIndex);
    uint32_t BeginOperation();
    void OnImport();
    void OnExport();
    void OnRemoveAll();
    void OnOptions();
    void OnQuit();
    void OnHelp();
    void SetBusy(bool busy);
    // While an operation runs nothing may start another one or close the dialog.
    bool IsBusy() const { return m_bBusy; }

    CIconButton m_btnImport;
    CIconButton m_btnExport;
    CIconButton m_btnRemoveAll;
    HWND m_progress = nullptr;
    HWND m_comboUser = nullptr;
    std::string m_strCount;
    CIconHandle m_hIcon;
    CIconHandle m_hSmallIcon;
    CIconHandle m_hDesktopIcon;
    std::string m_strOpenFilter;
    std::string m_strSaveFilter;
    HACCEL m_hAccel = nullptr;   // loaded from the resources: freed with the module
    char m_szImportCustomFilter[1000] = {};
    char m_szExportCustomFilter[1000] = {};
    bool m_bBusy = false;
    bool m_bUserComboEnabled = true;
};

// The file dialog's first filter (counted from 1) for a file name; 0 for none.
int InitialFilterIndex(const std::string& fileName, bool excelAvailable);
// The extension the chosen filter pattern asks for (".xls", ".csv", ".prc"), appended to a
// path that has none.
std::string AppendExtensionFromFilter(const std::string& path, const std::string& pattern);
// The pattern of the index-th filter (from 1) of a filter list in its "|" form.
std::string FilterPattern(const std::string& filters, int index);

}  // namespace vemra
