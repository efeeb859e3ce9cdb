#pragma once
// The Options dialog: edits the settings record in place. Both column orders are drag lists
// (an item is moved by dragging it); Delete removes a column from the simple layout.

#include <windows.h>

#include <string>

#include "ui/dialog.h"

class CSettings;

namespace vemra {

class COptionsDlg : public CDialog {
public:
    COptionsDlg(CSettings* settings, HWND parent);

    bool PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void EnableSpan();
    void FillLists();
    LRESULT OnDragList(UINT notification, POINT point, HWND list);
    // The help page of one of the controls that have one; false for any other control.
    bool ShowControlHelp(int id);

    CSettings* m_pSettings;
    HWND m_simpleList = nullptr;
    HWND m_repeatList = nullptr;
    int m_nDragFrom = -1;

    std::string m_strSeparator;
    std::string m_strQuote;
    std::string m_strExceptionDateSeparator;
    bool m_bNoDuplicates = false;
    bool m_bPalmDesktopButton = false;
    bool m_bIgnoreImportErrors = false;
    bool m_bExportNoCR = false;
    int m_nFormat = -1;
    int m_nDefaultApptLength = 0;
    SYSTEMTIME m_from{};
    SYSTEMTIME m_to{};
};

// The whole days from `from` to `to` (seconds), truncated toward zero.
int WholeDaysBetween(long from, long to);

}  // namespace vemra
