#include "ui/main_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

#include "palm/datebook_archive.h"
#include "palm/datebook_layout.h"
#include "palm/desktop_link.h"
#include "palm/user_data.h"
#include "platform/file.h"
#include "platform/locale_dates.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "platform/wait_cursor.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "settings/profile.h"
#include "settings/settings.h"
#include "transfer/file_kinds.h"
#include "transfer/runner.h"
#include "ui/about_dialog.h"
#include "ui/help.h"
#include "ui/options_dialog.h"

namespace vemra {

namespace {

// The item data of the user box's archive entry; no HotSync ID has it.
constexpr uint32_t kArchiveItem = 0xFFFFFFFEu;

// The progress bar as the transfer operations see it.
class CProgressBar : public CProgress {
public:
    explicit CProgressBar(HWND bar) : m_bar(bar) {}
    void SetRange(int lower, int upper) override {
        SendMessageA(m_bar, PBM_SETRANGE, 0, MAKELPARAM(lower & 0xFFFF, upper & 0xFFFF));
    }
    void SetPos(int pos) override { SendMessageA(m_bar, PBM_SETPOS, static_cast<WPARAM>(pos & 0xFFFF), 0); }

private:
    HWND m_bar;
};

// "desc|pattern|..." with the bars turned into the NULs the file dialogs expect.
std::vector<char> FilterBuffer(const std::string& filters) {
    std::vector<char> buffer(filters.begin(), filters.end());
    for (char& c : buffer) {
        if (c == '|') c = '\0';
    }
    buffer.push_back('\0');
    buffer.push_back('\0');
    return buffer;
}

// The second text of a custom-filter buffer: the pattern the file dialog reports back.
std::string CustomFilterPattern(const char* buffer, std::size_t size) {
    const std::size_t first = strnlen(buffer, size);
    if (first + 1 >= size) return "";
    return std::string(buffer + first + 1, strnlen(buffer + first + 1, size - first - 1));
}

}  // namespace

CVEMRADlg::CVEMRADlg(HWND parent) : CDialog(IDD_VEMRA_DIALOG, parent) {
    m_hIcon.Reset(static_cast<HICON>(LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    m_hSmallIcon.Reset(static_cast<HICON>(LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
}

void CVEMRADlg::DoDataExchange(CDataExchange& exchange) {
    exchange.Text(IDC_COUNT, m_strCount);
    exchange.Text(IDC_RESULT, m_strResult);
}

BOOL CVEMRADlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon.Get()));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon ? m_hSmallIcon.Get() : m_hIcon.Get()));

    m_comboUser = GetDlgItem(IDC_USER);
    m_progress = GetDlgItem(IDC_PROGRESS);
    m_btnImport.SubclassDlgItem(IDC_IMPORT, *this);
    m_btnExport.SubclassDlgItem(IDC_EXPORT, *this);
    m_btnRemoveAll.SubclassDlgItem(IDC_REMOVE_ALL, *this);

    if (m_pSettings->m_strDatebookFile.empty()) {
        m_strArchive = ReadProfileText("Options", "archive", "");
        if (!m_strArchive.empty() && !FileExists(m_strArchive)) m_strArchive.clear();
        FillUserCombo();
    } else {
        // The datebook file is fixed: there is no user to choose.
        EnableWindow(m_comboUser, FALSE);
        m_bUserComboEnabled = false;
    }

    if (const HMENU menu = LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAIN_MENU))) {
        if (!SetMenu(m_hWnd, menu)) DestroyMenu(menu);
    }
    m_hAccel = LoadAcceleratorsA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAIN_ACCELERATORS));

    m_btnRemoveAll.LoadButtonIcon(IDI_REMOVE_ALL, 32, 32);
    m_btnExport.LoadButtonIcon(IDI_EXPORT, 32, 32);
    m_btnImport.LoadButtonIcon(IDI_IMPORT, 32, 32);

    HICON desktopIcon = nullptr;
    const std::string palm = PalmDesktopProgram();
    std::string directory;
    if (DesktopDirectory(directory) > 0) ExtractIconExA(palm.c_str(), 0, &desktopIcon, nullptr, 1);
    m_hDesktopIcon.Reset(desktopIcon);
    if (m_hDesktopIcon)
        SendDlgItemMessageA(m_hWnd, IDC_PALM_DESKTOP, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(m_hDesktopIcon.Get()));
    else
        ShowWindow(GetDlgItem(IDC_PALM_DESKTOP), SW_HIDE);

    RefreshCount();

    m_offeredKinds = OfferedFileKinds();
    m_strFilter = FileDialogFilter(m_offeredKinds);
    return TRUE;
}

void CVEMRADlg::FillUserCombo() {
    SendMessageA(m_comboUser, CB_RESETCONTENT, 0, 0);
    for (short index = 0; index < UserCount(); ++index) {
        uint32_t id = 0;
        if (UserIdAt(index, &id) <= 0) continue;
        std::string name;
        UserName(id, name);
        const LRESULT item = SendMessageA(m_comboUser, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (item >= 0) SendMessageA(m_comboUser, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(id));
    }
    SendMessageA(m_comboUser, CB_SETCURSEL, 0, 0);
    if (!m_strArchive.empty()) {
        // The archive comes first and is chosen, marked as a file.
        const std::size_t slash = m_strArchive.find_last_of("\\/");
        const std::string item = FormatText(LoadResString(IDS_ARCHIVE_ITEM).c_str(),
                                            m_strArchive.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
        SendMessageA(m_comboUser, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        SendMessageA(m_comboUser, CB_SETITEMDATA, 0, static_cast<LPARAM>(kArchiveItem));
        SendMessageA(m_comboUser, CB_SETCURSEL, 0, 0);
        ReadUserSelection();
        return;
    }
    const LRESULT count = SendMessageA(m_comboUser, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (static_cast<uint32_t>(SendMessageA(m_comboUser, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) ==
            m_pSettings->m_dwPalmUserId) {
            SendMessageA(m_comboUser, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            break;
        }
    }
    ReadUserSelection();
}

// The combo box's answer for no selection is -1 (CB_ERR), kept as the user ID.
void CVEMRADlg::ReadUserSelection() {
    if (!m_bUserComboEnabled) return;   // a datebook file given on the command line stays
    const LRESULT selection = SendMessageA(m_comboUser, CB_GETCURSEL, 0, 0);
    const auto data = static_cast<uint32_t>(SendMessageA(m_comboUser, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0));
    if (data == kArchiveItem && !m_strArchive.empty()) {
        m_pSettings->m_strDatebookFile = m_strArchive;
        return;
    }
    // A Palm user chosen again: the archive is no longer the datebook, nor kept for the next start.
    m_pSettings->m_strDatebookFile.clear();
    m_pSettings->m_dwPalmUserId = data;
}

void CVEMRADlg::OnOpenArchive(bool create) {
    char file[MAX_PATH] = {};
    const std::string filters = LoadResString(IDS_FILTER_ARCHIVE) + LoadResString(IDS_FILTER_ALL) + "|";
    std::vector<char> filter = FilterBuffer(filters);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = filter.data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrDefExt = "dba";
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR |
                (create ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(create ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return;
    if (create) {
        std::string error;
        if (FileExists(file)) DeleteFileA(file);   // the user agreed to replace it
        if (CreateEmptyDatebook(file, error) != 0) {
            m_reporter.Tell(error, MessageIcon::error);
            return;
        }
    }
    m_strArchive = file;
    FillUserCombo();
    RefreshCount();
}

void CVEMRADlg::RefreshCount() {
    CWaitCursor wait;
    CSettings& settings = *m_pSettings;
    int n = CountInSpan(settings);
    std::string note;
    if (n < 0) {
        std::string path;
        settings.GetDatebookPath(path);
        // A datebook of a newer Palm Desktop: the count line says which, and how to get an archive.
        note = DatebookLayoutNote(ProbeDatebookLayout(path));
        if (note.empty())
            m_reporter.Tell(FormatText(LoadResString(IDS_CANT_READ_FILE).c_str(), path.c_str()), MessageIcon::error);
        n = 0;
    }
    m_strCount = note.empty() ? CountLine(settings, n) : note;
    UpdateData(false);
}

void CVEMRADlg::SetBusy(bool busy) {
    m_bBusy = busy;
    for (int id : {IDC_IMPORT, IDC_EXPORT, IDC_REMOVE_ALL, IDC_PALM_DESKTOP}) EnableWindow(GetDlgItem(id), !busy);
    if (m_bUserComboEnabled) EnableWindow(m_comboUser, !busy);
    if (const HMENU menu = GetMenu(m_hWnd)) {
        const int items = GetMenuItemCount(menu);
        for (int i = 0; i < items; ++i)
            EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (busy ? MF_GRAYED : MF_ENABLED));
        DrawMenuBar(m_hWnd);
    }
    if (const HMENU system = GetSystemMenu(m_hWnd, FALSE))
        EnableMenuItem(system, SC_CLOSE, MF_BYCOMMAND | (busy ? MF_GRAYED : MF_ENABLED));
}

bool CVEMRADlg::PreTranslateMessage(MSG* msg) {
    if (m_hAccel && !m_bBusy && TranslateAcceleratorA(m_hWnd, m_hAccel, msg)) return true;
    return CDialog::PreTranslateMessage(msg);
}

bool CVEMRADlg::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_USER) {
        if (code == CBN_SELCHANGE && !m_bBusy) {
            ReadUserSelection();
            RefreshCount();
        }
        return true;
    }
    // Messages pumped during an operation may carry clicks and keys: none may start another.
    if (m_bBusy) return true;
    switch (id) {
    case ID_APP_ABOUT: CAboutDlg(m_hWnd).DoModal(); return true;
    case IDC_IMPORT: OnImport(); return true;
    case IDC_EXPORT: OnExport(); return true;
    case ID_OPTIONS: OnOptions(); return true;
    case ID_QUIT: OnQuit(); return true;
    case ID_OPEN_ARCHIVE: OnOpenArchive(false); return true;
    case ID_NEW_ARCHIVE: OnOpenArchive(true); return true;
    case IDC_REMOVE_ALL: OnRemoveAll(); return true;
    case ID_HELP_CONTENTS: OnHelp(); return true;
    case IDC_PALM_DESKTOP: LaunchPalmDesktop(reinterpret_cast<WindowHandle>(m_hWnd)); return true;
    default: return CDialog::OnCommand(id, code, control);
    }
}

bool CVEMRADlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (message) {
    case WM_PAINT:
        if (!IsIconic(m_hWnd)) return false;
        {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(m_hWnd, &paint);
            SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            RECT client;
            GetClientRect(m_hWnd, &client);
            const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
            const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
            DrawIcon(dc, x, y, m_hIcon.Get());
            EndPaint(m_hWnd, &paint);
        }
        result = 0;
        return true;
    case WM_QUERYDRAGICON: result = reinterpret_cast<INT_PTR>(m_hIcon.Get()); return true;
    case WM_HELP: OnHelp(); result = TRUE; return true;
    case WM_SYSCOMMAND:
        // The close box stays shut while an operation runs.
        if ((wParam & 0xFFF0) == SC_CLOSE && m_bBusy) {
            result = 0;
            return true;
        }
        return false;
    default: return false;
    }
}

void CVEMRADlg::OnOK() {
    if (m_bBusy) return;
    EndDialog(IDOK);
}

void CVEMRADlg::OnCancel() {
    if (m_bBusy) return;
    ReadUserSelection();
    SaveArchiveChoice();
    m_pSettings->Save();
    EndDialog(IDCANCEL);
}

// The archive is chosen again at the next start when it is the datebook now.
void CVEMRADlg::SaveArchiveChoice() {
    if (!m_bUserComboEnabled) return;
    WriteProfileText("Options", "archive", m_pSettings->m_strDatebookFile.empty() ? "" : m_strArchive);
}

void CVEMRADlg::OnQuit() {
    ReadUserSelection();
    SaveArchiveChoice();
    m_pSettings->Save();
    EndDialog(IDOK);
}

bool CVEMRADlg::RunOptionsDialog() {
    COptionsDlg dialog(m_pSettings, m_hWnd);
    return dialog.DoModal() == IDOK;
}

void CVEMRADlg::OnOptions() {
    if (RunOptionsDialog()) m_pSettings->Save();
    RefreshCount();
}

void CVEMRADlg::OnHelp() { ShowHelpContents(m_hWnd); }

// The Import and Export file dialogs: the last file's name, its filter chosen from that name, and
// the dialog's own custom-filter buffer. False when the user cancelled.
bool CVEMRADlg::AskFileName(bool save, char (&file)[MAX_PATH], DWORD& filterIndex) {
    const CSettings& settings = *m_pSettings;
    settings.m_strFile.copy(file, sizeof file - 1);
    std::vector<char> filter = FilterBuffer(m_strFilter);
    char* custom = save ? m_szExportCustomFilter : m_szImportCustomFilter;
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = filter.data();
    // An empty custom filter makes some file dialogs list no types at all.
    ofn.lpstrCustomFilter = custom[0] ? custom : nullptr;
    ofn.nMaxCustFilter = sizeof m_szImportCustomFilter;
    ofn.nFilterIndex = static_cast<DWORD>(InitialFilterIndex(settings.m_strFile, m_offeredKinds));
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags = save ? OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR
                     : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return false;
    filterIndex = ofn.nFilterIndex;
    return true;
}

// Runs one operation with the dialog locked and the progress bar shown; EndOperation unlocks it.
TransferOutcome CVEMRADlg::Run(Operation operation, const std::string& file) {
    CWaitCursor wait;
    CProgressBar progress(m_progress);
    SetBusy(true);
    SendMessageA(m_progress, PBM_SETPOS, 0, 0);
    ShowWindow(m_progress, SW_SHOW);
    SetItemText(IDC_RESULT, "");
    ReadUserSelection();
    const TransferOutcome outcome =
        RunTransfer(operation, *m_pSettings, file, &progress, m_reporter, DesktopNotice::everyOperation, nullptr,
                    &m_offeredKinds);
    if (operation != Operation::removeAll && !outcome.refused) m_pSettings->m_strFile = file;
    ShowWindow(m_progress, SW_HIDE);
    // Failures were told in their boxes; a finished operation says what it did, nothing modal.
    m_strResult = outcome.count >= 0 ? SummaryLine(operation, outcome, file) : "";
    SetItemText(IDC_RESULT, m_strResult);
    return outcome;
}

// After a change of the datebook the count line is taken again.
void CVEMRADlg::EndOperation(bool changed) {
    SetBusy(false);
    if (changed) RefreshCount();
}

void CVEMRADlg::OnImport() {
    UpdateData(true);
    char file[MAX_PATH] = {};
    DWORD filterIndex = 0;
    if (!AskFileName(false, file, filterIndex)) return;
    const TransferOutcome outcome = Run(Operation::importFile, file);
    // The datebook's own failures have been told where they happened; the file's are said here.
    if (outcome.count < 0 && !outcome.fileFailure.empty())
        m_reporter.Tell(FormatText(LoadResString(IDS_ERROR_READING_FILE).c_str(), outcome.fileFailure.c_str()),
                        MessageIcon::none);
    EndOperation(true);
}

void CVEMRADlg::OnExport() {
    UpdateData(true);
    char file[MAX_PATH] = {};
    DWORD filterIndex = 0;
    if (!AskFileName(true, file, filterIndex)) return;
    // The pattern the dialog reports back; the chosen filter's own when it reports none.
    std::string pattern = CustomFilterPattern(m_szExportCustomFilter, sizeof m_szExportCustomFilter);
    // Index 0 without a custom filter means the dialog showed the first filter.
    if (pattern.empty()) pattern = FilterPattern(m_strFilter, filterIndex ? static_cast<int>(filterIndex) : 1);
    const std::string path = AppendExtensionFromFilter(file, pattern);
    // The user agreed to replace the file; the export takes its place only when complete.
    Run(Operation::exportFile, path);
    EndOperation(false);
}

void CVEMRADlg::OnRemoveAll() {
    CSettings& settings = *m_pSettings;
    std::string name;
    settings.GetPalmUserName(name);
    const std::string question =
        FormatText(LoadResString(IDS_CONFIRM_REMOVE).c_str(), CountInSpan(settings), name.c_str());
    if (!m_reporter.Ask(question, MessageIcon::question)) return;
    Run(Operation::removeAll, "");
    EndOperation(true);
}

}  // namespace vemra
