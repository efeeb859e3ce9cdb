#include "ui/options_dialog.h"

#include <commctrl.h>

#include "platform/local_time.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "settings/settings.h"
#include "ui/field_lists.h"
#include "ui/help.h"

namespace vemra {

namespace {
// The controls with a page of their own in the help file.
constexpr int kHelpControls[] = {IDC_SEPARATOR,   IDC_DESKTOP_BUTTON, IDC_NO_DUPLICATES,       IDC_IGNORE_ERRORS,
                                 IDC_FROM,        IDC_TO,             IDC_FULL_FORMAT,         IDC_SIMPLE_FORMAT,
                                 IDC_SIMPLE_LIST, IDC_REPEAT_LIST,    IDC_EXPORT_NO_CR,        IDC_EXCEPTION_SEPARATOR,
                                 IDC_RESTORE_DEFAULT, IDC_QUOTE,      IDC_DEFAULT_LENGTH};

SYSTEMTIME PickerTime(long t) {
    SYSTEMTIME time{};
    LocalParts parts;
    if (!BreakLocal(t, parts)) return time;
    time.wYear = static_cast<WORD>(parts.year);
    time.wMonth = static_cast<WORD>(parts.month);
    time.wDayOfWeek = static_cast<WORD>(parts.weekday);
    time.wDay = static_cast<WORD>(parts.day);
    time.wHour = static_cast<WORD>(parts.hour);
    time.wMinute = static_cast<WORD>(parts.minute);
    time.wSecond = static_cast<WORD>(parts.second);
    return time;
}

long PickerSeconds(const SYSTEMTIME& time) {
    return MakeLocal(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

UINT DragListMessage() {
    static const UINT message = RegisterWindowMessageA(DRAGLISTMSGSTRING);
    return message;
}
}  // namespace

int WholeDaysBetween(long from, long to) { return static_cast<int>((to - from) / 86400L); }

COptionsDlg::COptionsDlg(CSettings* settings, HWND parent) : CDialog(IDD_OPTIONS, parent), m_pSettings(settings) {}

void COptionsDlg::DoDataExchange(CDataExchange& exchange) {
    // The list boxes are filled and read by the list operations, not exchanged.
    exchange.Check(IDC_NO_DUPLICATES, m_bNoDuplicates);
    exchange.Text(IDC_SEPARATOR, m_strSeparator);
    // Cells run together without a separator; a longer one would be cut to its first character.
    exchange.MaxChars(IDC_SEPARATOR, m_strSeparator, 1);
    exchange.NotEmpty(IDC_SEPARATOR, m_strSeparator, IDS_SEPARATOR_EMPTY);
    exchange.Check(IDC_DESKTOP_BUTTON, m_bPalmDesktopButton);
    exchange.Check(IDC_IGNORE_ERRORS, m_bIgnoreImportErrors);
    exchange.Check(IDC_EXPORT_NO_CR, m_bExportNoCR);
    exchange.Radio(IDC_SIMPLE_FORMAT, m_nFormat);
    exchange.Text(IDC_EXCEPTION_SEPARATOR, m_strExceptionDateSeparator);
    exchange.MaxChars(IDC_EXCEPTION_SEPARATOR, m_strExceptionDateSeparator, 1);
    exchange.Text(IDC_QUOTE, m_strQuote);
    exchange.MaxChars(IDC_QUOTE, m_strQuote, 1);
    exchange.Text(IDC_DEFAULT_LENGTH, m_nDefaultApptLength);
    exchange.MinMax(IDC_DEFAULT_LENGTH, m_nDefaultApptLength, 1, 999);
    exchange.DateTime(IDC_FROM, m_from);
    exchange.DateTime(IDC_TO, m_to);
}

BOOL COptionsDlg::OnInitDialog() {
    const CSettings& settings = *m_pSettings;
    m_strSeparator = settings.m_strSeparator;
    m_strQuote = settings.m_strQuote;
    m_strExceptionDateSeparator = settings.m_strExceptionDateSeparator;
    m_bNoDuplicates = settings.m_bNoDuplicates;
    m_nFormat = settings.m_bFullFormat ? 1 : 0;
    m_bPalmDesktopButton = settings.m_bPalmDesktopButton;
    m_bIgnoreImportErrors = settings.m_bIgnoreImportErrors;
    m_bExportNoCR = settings.m_bExportNoCR;
    m_nDefaultApptLength = settings.m_nDefaultApptLength;
    m_from = PickerTime(settings.GetSpanStart());
    m_to = PickerTime(settings.GetSpanEnd());

    m_simpleList = GetDlgItem(IDC_SIMPLE_LIST);
    m_repeatList = GetDlgItem(IDC_REPEAT_LIST);
    MakeDragList(m_simpleList);
    MakeDragList(m_repeatList);
    FillLists();
    UpdateData(false);
    // Digits only, and no more than the largest length takes.
    SendMessageA(GetDlgItem(IDC_DEFAULT_LENGTH), EM_LIMITTEXT, 3, 0);
    EnableSpan();
    return TRUE;
}

void COptionsDlg::EnableSpan() {
    EnableWindow(GetDlgItem(IDC_FROM), m_nFormat == 0);
    EnableWindow(GetDlgItem(IDC_TO), m_nFormat == 0);
}

void COptionsDlg::FillLists() {
    FillSimpleList(m_pSettings->m_mapping, m_simpleList);
    FillRepeatList(m_pSettings->m_mapping, m_repeatList);
}

bool COptionsDlg::OnCommand(UINT id, UINT code, HWND control) {
    switch (id) {
    case IDC_SIMPLE_FORMAT:
    case IDC_FULL_FORMAT:
        if (code != BN_CLICKED) return false;
        UpdateData(true);
        EnableSpan();
        return true;
    case IDC_RESTORE_DEFAULT:
        if (code != BN_CLICKED) return false;
        // Acts on the settings at once, whether the dialog then ends with OK or not.
        m_pSettings->m_mapping.SetDefaults();
        FillLists();
        return true;
    default: return CDialog::OnCommand(id, code, control);
    }
}

bool COptionsDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_DELETE && msg->hwnd == m_simpleList && m_simpleList) {
        const LRESULT selected = SendMessageA(m_simpleList, LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR) SendMessageA(m_simpleList, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
        return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

void COptionsDlg::OnOK() {
    if (!UpdateData(true)) return;
    CSettings& settings = *m_pSettings;
    settings.m_strSeparator = m_strSeparator;
    settings.m_strQuote = m_strQuote;
    settings.m_strExceptionDateSeparator = m_strExceptionDateSeparator;
    settings.m_bNoDuplicates = m_bNoDuplicates;
    settings.m_bFullFormat = m_nFormat == 1;
    settings.m_nDefaultApptLength = m_nDefaultApptLength;
    settings.m_bPalmDesktopButton = m_bPalmDesktopButton;
    settings.m_bIgnoreImportErrors = m_bIgnoreImportErrors;
    settings.m_bExportNoCR = m_bExportNoCR;
    const long now = Now();
    settings.m_nDaysBack = WholeDaysBetween(PickerSeconds(m_from), now);
    settings.m_nDaysAhead = WholeDaysBetween(now, PickerSeconds(m_to));
    ReadSimpleList(settings.m_mapping, m_simpleList);
    ReadRepeatList(settings.m_mapping, m_repeatList);
    EndDialog(IDOK);
}

LRESULT COptionsDlg::OnDragList(UINT notification, POINT point, HWND list) {
    switch (notification) {
    case DL_BEGINDRAG:
        m_nDragFrom = LBItemFromPt(list, point, FALSE);
        return m_nDragFrom >= 0;
    case DL_DRAGGING: {
        const int over = LBItemFromPt(list, point, TRUE);
        DrawInsert(GetSafeHwnd(), list, over);
        return over >= 0 ? DL_MOVECURSOR : DL_STOPCURSOR;
    }
    case DL_DROPPED: {
        DrawInsert(GetSafeHwnd(), list, -1);
        int to = LBItemFromPt(list, point, FALSE);
        if (to < 0) {
            // Below the last item, inside the list: to the end.
            RECT client;
            POINT inList = point;
            ScreenToClient(list, &inList);
            if (GetClientRect(list, &client) && PtInRect(&client, inList))
                to = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) - 1;
        }
        const int from = m_nDragFrom;
        m_nDragFrom = -1;
        if (from < 0 || to < 0 || to == from) return 0;
        // The item keeps its text and its field ID.
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(from), 0);
        if (length < 0) return 0;
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(from), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        const LRESULT data = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(from), 0);
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(from), 0);
        const LRESULT at = SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(to), reinterpret_cast<LPARAM>(text.c_str()));
        if (at >= 0) {
            SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), data);
            SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        }
        return 0;
    }
    case DL_CANCELDRAG:
        DrawInsert(GetSafeHwnd(), list, -1);
        m_nDragFrom = -1;
        return 0;
    default: return 0;
    }
}

bool COptionsDlg::ShowControlHelp(int id) {
    for (int helped : kHelpControls) {
        if (helped == id) {
            ShowHelpContext(GetSafeHwnd(), HELP_CONTEXT_BASE + static_cast<DWORD>(id));
            return true;
        }
    }
    return false;
}

bool COptionsDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == DragListMessage()) {
        const auto* info = reinterpret_cast<const DRAGLISTINFO*>(lParam);
        if (!info) return false;
        result = OnDragList(info->uNotification, info->ptCursor, info->hWnd);
        return true;
    }
    if (message == WM_HELP) {
        // F1, or the question mark on a control: that control's page, else the contents.
        const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
        if (!info || info->iContextType != HELPINFO_WINDOW || !ShowControlHelp(info->iCtrlId))
            ShowHelpContents(GetSafeHwnd());
        result = TRUE;
        return true;
    }
    if (message == WM_CONTEXTMENU) {
        // A right-click on a control (not on the dialog itself) shows that control's help.
        const HWND control = reinterpret_cast<HWND>(wParam);
        if (control == GetSafeHwnd() || !ShowControlHelp(GetDlgCtrlID(control))) return false;
        result = TRUE;
        return true;
    }
    return false;
}

}  // namespace vemra
