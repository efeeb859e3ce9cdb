#pragma once
// The main dialog: the Palm Desktop user, the number of appointments concerned, and the
// Import, Export and Remove all buttons; a menu reaches Options, help and the About box.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/win_handles.h"
#include "transfer/runner.h"
#include "ui/dialog.h"
#include "ui/icon_button.h"

class CSettings;
struct FileKind;

namespace vemra {

class CVEMRADlg : public CDialog {
public:
    explicit CVEMRADlg(HWND parent = nullptr);

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
    TransferOutcome Run(Operation operation, const std::string& file);
    void EndOperation(bool changed);
    void OnImport();
    void OnExport();
    void OnRemoveAll();
    // A Datebook Archive (or any datebook file) as the datebook to work on, instead of a user's.
    void OnOpenArchive(bool create);
    void SaveArchiveChoice();
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
    std::string m_strResult;   // what the last operation did, until the next one starts
    CIconHandle m_hIcon;
    CIconHandle m_hSmallIcon;
    CIconHandle m_hDesktopIcon;
    std::vector<const FileKind*> m_offeredKinds;
    std::string m_strFilter;   // the same for both file dialogs
    CMessageBoxReporter m_reporter;
    HACCEL m_hAccel = nullptr;   // loaded from the resources: freed with the module
    char m_szImportCustomFilter[1000] = {};
    char m_szExportCustomFilter[1000] = {};
    bool m_bBusy = false;
    bool m_bUserComboEnabled = true;
    std::string m_strArchive;   // the archive offered in the user box, kept for the next start
};

}  // namespace vemra
