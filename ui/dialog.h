#pragma once
// Our thin dialog layer: one class per dialog over a dialog template of the resources, and
// controls subclassed by classes of their own. A window binds its object once (dialog: at
// WM_INITDIALOG, control: through SetWindowSubclass) and the object handles its messages.

#include <windows.h>

#include <string>
#include <vector>

#include "ui/data_exchange.h"

namespace vemra {

class CDialog;

// The messages a dialog sends back to the control they concern (owner drawing, colours),
// at the same offset the platform's reflected control messages use.
constexpr UINT kReflectedMessageBase = 0x2000;   // OCM__BASE

// A control of a dialog, subclassed so that this object sees its messages.
class CSubclassedControl {
public:
    CSubclassedControl() = default;
    virtual ~CSubclassedControl();
    CSubclassedControl(const CSubclassedControl&) = delete;
    CSubclassedControl& operator=(const CSubclassedControl&) = delete;

    // Subclasses control id of the dialog; false when there is no such control.
    bool SubclassDlgItem(int id, CDialog& dialog);
    // Subclasses a window directly (tests, controls without a dialog object).
    bool SubclassWindow(HWND window);
    void UnsubclassWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Offered every message of the modal loop that is meant for this control.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    // Runs just before the subclassing takes effect (the window exists).
    virtual void PreSubclassWindow() {}
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    friend class CDialog;
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    CDialog* m_pDialog = nullptr;
};

class CDialog {
public:
    CDialog(UINT templateId, HWND parent);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog from its template, disables the parent and runs until EndDialog;
    // returns the value given to EndDialog, or -1 when the template cannot be loaded.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text) const;

    // Moves the members into the controls (false) or the controls' values into the members
    // (true, with the validations); false when a validation failed.
    bool UpdateData(bool saveAndValidate = true);

    // The modal loop offers each message here first; true: it has been handled.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    // The dialog's members and their controls, in exchange order.
    virtual void DoDataExchange(CDataExchange&) {}
    // Moves the members into the controls.
    virtual BOOL OnInitDialog() {
        UpdateData(false);
        return TRUE;
    }
    // A command (button, menu, accelerator, control notification); true when handled.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Any other message; return true and set result to answer it.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    HWND m_hWnd = nullptr;
    HWND m_hWndParent;

private:
    friend class CSubclassedControl;
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CenterOnOwner();
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nTemplateId;
    bool m_bEnded = false;
    INT_PTR m_nResult = IDCANCEL;
    std::vector<CSubclassedControl*> m_controls;
};

// The module the dialogs, menus and icons come from (the executable, or a language library).
HINSTANCE ResourceInstance();

}  // namespace vemra
