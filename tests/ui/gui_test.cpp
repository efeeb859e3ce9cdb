// The program driven through its windows, one smoke test for each thing a person does with
// them: start, open each dialog, import and export through the file dialogs, drag a column,
// read it in German. What the operations do is tested natively (tests/transfer).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <tuple>

#include "palm/user_data.h"
#include "platform/locale_dates.h"
#include "platform/process.h"
#include "platform/local_time.h"
#include "platform/registry.h"
#include "platform/win_handles.h"
#include "platform/string_table.h"
#include "platform/text.h"
#include "res/resource.h"
#include "res/string_ids.h"
#include "res/version.h"
#include "settings/profile.h"
#include "settings/settings.h"
#include "tests/child_process.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"
#include "tests/ui/gui_driver.h"
#include "transfer/runner.h"

using namespace vemra;
using namespace vemra::gui;
namespace fs = std::filesystem;

namespace {

const char kCaption[] = "VEMRA - Datebook Import Export for Palm Desktop";
const char kBoxCaption[] = "VEMRA";   // message boxes carry the program's name
constexpr int kWait = 20000;
// The simple layout's columns, and the empty cells after Text.
const std::string kHeader =
    "\"Date\",\"Untimed\",\"Start Time\",\"End Time\",\"Private\",\"Text\",\"Note\",\"Alarm\",\"Alarm Time\","
    "\"Alarm Unit\",\"Repeat\"\r\n";
const std::string kRest = ",\"\",\"\",\"\",\"\",\"\"\r\n";

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProfileApplicationName("VEMRA");
        RemoveProfile();
        m_desktop = m_dir.File("Palm");
        for (const char* user : {"Demo", "SmithJ"}) {
            test::AddDesktopUser(m_desktop, user);
            Fill(user, 0);
        }
        // The program finds this Desktop through its environment, which it inherits.
        SetEnv("VEMRA_PALM_DESKTOP", m_desktop);
        WriteProfileInt("Options", "fullformat", 0);
        // The CSV filter first: a name without extension gets ".csv".
        WriteProfileText("Options", "lastfile", "before.csv");
    }
    void TearDown() override {
        m_program.Wait(0);
        RemoveProfile();
        SetEnv("VEMRA_PALM_DESKTOP", "");
    }
    static void RemoveProfile() {
        CRegistryKey key;
        if (key.Open(RegistryRoot::currentUser, "Software\\Quelbarsk", RegistryAccess::readWrite)) key.DeleteSubKey("VEMRA");
    }
    std::string Datebook(const char* user) const { return m_desktop + "\\" + user + "\\datebook\\datebook.dat"; }
    // n appointments today (inside every span), texts prefix1..n.
    void Fill(const char* user, int n, const char* prefix = "Meeting ") {
        LocalParts today;
        BreakLocal(Now(), today);
        std::vector<test::Appt> appts;
        for (int i = 1; i <= n; ++i)
            appts.push_back(test::Timed(test::Numbered(prefix, i), today.year, today.month, today.day, 10, 0, 11, 0));
        ASSERT_TRUE(test::MakeDatebook(Datebook(user), appts));
    }
    bool Start(const std::vector<std::string>& args = {}, const char* program = VEMRA_PROGRAM) {
        return m_program.Start(program, args, {{"VEMRA_UNATTENDED", ""}}, m_dir.File("program"));
    }
    // Starts the program and waits for its main dialog.
    HWND Open(const std::vector<std::string>& args = {}) {
        EXPECT_TRUE(Start(args));
        const HWND dialog = WaitForWindow(m_program.Id(), kCaption, kWait);
        EXPECT_TRUE(dialog) << "no main dialog";
        return dialog;
    }
    HWND WaitForBox() { return WaitForWindow(m_program.Id(), kBoxCaption, kWait); }
    // The settings as the program stored them (or their defaults).
    static std::unique_ptr<CSettings> StoredSettings() {
        auto settings = std::make_unique<CSettings>();
        settings->Load();
        return settings;
    }
    static std::string SimpleCountLine(int n) { return CountLine(*StoredSettings(), n); }
    // True once no operation runs: the transfer buttons are enabled again.
    static bool Idle(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT)) != FALSE; }

    test::ScratchDir m_dir;
    std::string m_desktop;
    test::CChild m_program;
};

}  // namespace


TEST_F(GuiTest, StartShowsTheUsersAndTheCountAndClosingKeepsTheChosenUser) {
    Fill("SmithJ", 3);
    WriteProfileInt("Options", "palmuserid", static_cast<int>(UserIdOfFolder("SmithJ")));
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND combo = GetDlgItem(dialog, IDC_USER);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    // Wide texts: the system carries them between the processes.
    wchar_t name[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, L"SmithJ");
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);   // the stored user
    EXPECT_EQ(ItemText(dialog, IDC_COUNT), SimpleCountLine(3));
    // No palm.exe in this Desktop: no button for it.
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PALM_DESKTOP)));
    SelectComboItem(dialog, IDC_USER, 0);
    EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_COUNT) == SimpleCountLine(0); }, kWait));
    // Enter ends without saving; the close box and Quit save.
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_NE(m_program.Wait(kWait).status, test::CChild::kTimedOut);
    EXPECT_EQ(StoredSettings()->m_dwPalmUserId, UserIdOfFolder("SmithJ"));
    for (const int user : {0, 1}) {   // the close box, then Quit
        dialog = Open();
        ASSERT_TRUE(dialog);
        SelectComboItem(dialog, IDC_USER, user);
        if (user == 0) PostMessageA(dialog, WM_CLOSE, 0, 0);
        else PostCommand(dialog, ID_QUIT);
        ASSERT_NE(m_program.Wait(kWait).status, test::CChild::kTimedOut);
        EXPECT_EQ(StoredSettings()->m_dwPalmUserId, UserIdOfFolder(user == 0 ? "Demo" : "SmithJ"));
    }

    // A given datebook: no user to choose; an unreadable one is said and counts as none.
    test::WriteFile(m_dir.File("bad.dat"), "this is no datebook");
    ASSERT_TRUE(Start({"-d", m_dir.File("bad.dat")}));
    const HWND box = WaitForBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), FormatText(LoadResString(IDS_CANT_READ_FILE).c_str(), m_dir.File("bad.dat").c_str()));
    PostCommand(box, IDOK);
    dialog = WaitForWindow(m_program.Id(), kCaption, kWait);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_USER)));
    EXPECT_EQ(ItemText(dialog, IDC_COUNT), SimpleCountLine(0));
}

TEST_F(GuiTest, AboutBoxAndRemoveAllQuestionOpenAndClose) {
    Fill("Demo", 4);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    PostCommand(dialog, ID_APP_ABOUT);
    const HWND about = WaitForWindow(m_program.Id(), "About VEMRA", kWait);
    ASSERT_TRUE(about);
    EXPECT_EQ(ItemText(about, IDC_VERSION), std::to_string(VEMRA_VERSION_MAJOR) + "." +
                                                std::to_string(VEMRA_VERSION_MINOR) + "." +
                                                std::to_string(VEMRA_VERSION_BUILD));
    EXPECT_EQ(ItemText(about, IDC_LINK).rfind("https://", 0), 0u);
    // The main dialog waits while the About box is open.
    EXPECT_FALSE(IsWindowEnabled(dialog));
    PostCommand(about, IDOK);
    ASSERT_TRUE(WaitUntilGone(about, kWait));

    // Cancel keeps everything; OK removes.
    for (int answer : {IDCANCEL, IDOK}) {
        PostCommand(dialog, IDC_REMOVE_ALL);
        const HWND box = WaitForBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(MessageBoxText(box), FormatText(LoadResString(IDS_CONFIRM_REMOVE).c_str(), 4, "Demo"));
        PostCommand(box, answer);
        ASSERT_TRUE(WaitUntilGone(box, kWait));
    }
    ASSERT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_COUNT) == SimpleCountLine(0) && Idle(dialog); }, kWait))
        << ItemText(dialog, IDC_COUNT);
    EXPECT_TRUE(test::LiveTexts(Datebook("Demo")).empty());
}

TEST_F(GuiTest, ImportThroughTheDialogAsksAboutABadRowWhileNothingElseCanStart) {
    Fill("Demo", 1);
    LocalParts today;
    BreakLocal(Now(), today);
    const std::string date = DateText(MakeLocal(today.year, today.month, today.day));
    const std::string file = m_dir.File("in.csv");
    test::WriteFile(file, kHeader +
                          "\"" + date + "\",\"\",\"9:00 AM\",\"9:30 AM\",\"\",\"Imported one\"" + kRest +
                          "\"31/31/2031\",\"\",\"9:00 AM\",\"9:30 AM\",\"\",\"Bad date\"" + kRest +
                          "\"" + date + "\",\"\",\"1:00 PM\",\"2:00 PM\",\"\",\"Imported two\"" + kRest);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    PostCommand(dialog, IDC_IMPORT);
    const HWND open = WaitForWindow(m_program.Id(), "Open", kWait);
    ASSERT_TRUE(open);
    ASSERT_TRUE(AnswerFileDialog(open, file));
    const HWND box = WaitForBox();
    ASSERT_TRUE(box);
    // The row as far as it was read, and the reason.
    EXPECT_EQ(MessageBoxText(box), FormatText(LoadResString(IDS_ERROR_READING_LINE).c_str(), file.c_str(), 3) +
                                       "\n\"31/31/2031\"\n" + LoadResString(IDS_REASON_101));
    // While the import runs, no button, menu command or the close box starts or ends anything.
    for (int id : {IDC_IMPORT, IDC_EXPORT, IDC_REMOVE_ALL, IDC_USER}) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, id)));
    for (int id : {IDC_EXPORT, ID_QUIT, ID_OPTIONS}) PostCommand(dialog, id);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    Pump(500);
    PostCommand(box, IDOK);   // go on with the next rows
    ASSERT_TRUE(WaitUntil([&] { return Idle(dialog) && !FindWindowOf(m_program.Id(), kBoxCaption); }, kWait));
    EXPECT_FALSE(FindWindowOf(m_program.Id(), "Save As"));
    EXPECT_FALSE(FindWindowOf(m_program.Id(), "Options"));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(test::LiveTexts(Datebook("Demo")), (std::vector<std::string>{"Meeting 1", "Imported one", "Imported two"}));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_COUNT) == SimpleCountLine(3); }, kWait))
        << ItemText(dialog, IDC_COUNT);
}

// What the file dialogs list: every kind's type, the last file's chosen; a typed name gets the
// chosen type's extension. File > New and Open Datebook Archive put a file in the user box.
TEST_F(GuiTest, FileDialogsListTheKindsAndArchivesTakeTheUsersPlace) {
    Fill("Demo", 2);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    PostCommand(dialog, IDC_EXPORT);
    const HWND save = WaitForWindow(m_program.Id(), "Save As", kWait);
    ASSERT_TRUE(save);
    EXPECT_EQ(SendDlgItemMessageA(save, 1136, CB_GETCOUNT, 0, 0), 5);   // .xlsx .xls .csv .ics, all files
    EXPECT_EQ(SendDlgItemMessageA(save, 1136, CB_GETCURSEL, 0, 0), 2);  // the last file's, .csv
    SelectComboItem(save, 1136, 3);
    ASSERT_TRUE(AnswerFileDialog(save, m_dir.File("typed")));
    EXPECT_TRUE(WaitUntil([&] { return Idle(dialog) && fs::exists(m_dir.File("typed.ics")); }, kWait));

    const std::pair<int, std::string> archives[] = {
        {ID_NEW_ARCHIVE, m_dir.File("new.dba")}, {ID_NEW_ARCHIVE, m_dir.File("new.pdb")}, {ID_OPEN_ARCHIVE, Datebook("Demo")}};
    for (const auto& [command, file] : archives) {
        PostCommand(dialog, command);
        const HWND pick = WaitForWindow(m_program.Id(), command == ID_NEW_ARCHIVE ? "Save As" : "Open", kWait);
        ASSERT_TRUE(pick);
        wchar_t type[128] = {};   // the dialog's list is a Unicode window
        SendDlgItemMessageW(pick, 1136, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(type));
        EXPECT_STREQ(type, L"Handheld Datebook (*.pdb)");
        ASSERT_TRUE(AnswerFileDialog(pick, file));
        const std::string name = "File: " + file.substr(file.find_last_of("\\/") + 1);
        EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_USER) == name; }, kWait)) << ItemText(dialog, IDC_USER);
        // The count line follows the user box: wait for it too.
        const std::string count = SimpleCountLine(command == ID_NEW_ARCHIVE ? 0 : 2);
        EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_COUNT) == count; }, kWait)) << ItemText(dialog, IDC_COUNT);
    }
}

namespace {

// The Options dialog, opened through the menu command of the main dialog.
class OptionsGuiTest : public GuiTest {
protected:
    HWND OpenOptions(HWND dialog) {
        PostCommand(dialog, ID_OPTIONS);
        const HWND options = WaitForWindow(m_program.Id(), "Options", kWait);
        EXPECT_TRUE(options) << "no Options dialog";
        return options;
    }
    // Ends the Options dialog with this button and waits until the main dialog has it back.
    // After OK the main dialog saves the settings; every save writes the repeat order, which
    // the tests' profiles do not hold before.
    static bool Close(HWND options, HWND dialog, int button) {
        PostCommand(options, button, BN_CLICKED);
        std::string saved;
        return WaitUntilGone(options, kWait) && WaitUntil([&] { return IsWindowEnabled(dialog) != FALSE; }, kWait) &&
               (button != IDOK || WaitUntil([&] { return ReadProfileBinary("Options", "repeatmapping", saved); }, kWait));
    }
    // Exports through the main dialog and gives the header row of the file.
    std::string ExportedHeader(HWND dialog, const std::string& name) {
        PostCommand(dialog, IDC_EXPORT);
        const HWND save = WaitForWindow(m_program.Id(), "Save As", kWait);
        if (!save) return "no file dialog";
        // Without an extension: the chosen filter's is appended.
        const std::string target = m_dir.File(name) + ".csv";
        if (!AnswerFileDialog(save, m_dir.File(name))) return "file dialog stayed";
        if (!WaitUntil([&] { return fs::exists(target) && Idle(dialog); }, kWait)) return "no export";
        const std::string written = test::ReadFile(target);
        return written.substr(0, written.find("\r\n"));
    }
    static int FieldIndex(HWND list, int field) {
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            if (SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0) == field) return i;
        return -1;
    }
    // A left-button drag with the mouse, in screen coordinates, paced like a hand.
    static void Drag(POINT from, POINT to) {
        const auto send = [](DWORD flags) {
            INPUT input{};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flags;
            SendInput(1, &input, sizeof input);
            Pump(150);
        };
        SetCursorPos(from.x, from.y);
        Pump(150);
        send(MOUSEEVENTF_LEFTDOWN);
        const int steps = 8;
        for (int i = 1; i <= steps; ++i) {
            SetCursorPos(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
            send(MOUSEEVENTF_MOVE);
        }
        send(MOUSEEVENTF_LEFTUP);
    }
    static POINT ItemCentre(HWND list, int index) {
        const int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        const int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
        RECT client;
        GetClientRect(list, &client);
        POINT point{client.right / 2, (index - top) * height + height / 2};
        ClientToScreen(list, &point);
        return point;
    }
};

}  // namespace

// The Options dialog: a drag in the column list, the other fields set, OK; the export through
// the main dialog then has the new column order.
TEST_F(OptionsGuiTest, DraggingTextToTheTopMakesItTheFirstColumnAndOkStoresEveryField) {
    WriteProfileInt("Options", "daysback", 7);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND options = OpenOptions(dialog);
    ASSERT_TRUE(options);
    const HWND list = GetDlgItem(options, IDC_SIMPLE_LIST);
    Pump(500);
    Drag(ItemCentre(list, FieldIndex(list, fieldText)), ItemCentre(list, 0));
    ASSERT_TRUE(WaitUntil([&] { return FieldIndex(list, fieldText) == 0; }, kWait)) << FieldIndex(list, fieldText);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);   // the moved item is selected
    EXPECT_EQ(FieldIndex(list, fieldDate), 1);
    // An empty quote and another separator are taken as typed; the check boxes flip.
    SendMessageTimeoutA(GetDlgItem(options, IDC_QUOTE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG, 2000, nullptr);
    SendMessageTimeoutA(GetDlgItem(options, IDC_SEPARATOR), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(";"), SMTO_ABORTIFHUNG, 2000, nullptr);
    for (int id : {IDC_NO_DUPLICATES, IDC_IGNORE_ERRORS, IDC_EXPORT_NO_CR}) PostMessageA(GetDlgItem(options, id), BM_CLICK, 0, 0);
    Pump(500);
    ASSERT_TRUE(Close(options, dialog, IDOK));
    const auto settings = StoredSettings();
    const int32_t* simple = settings->m_mapping.m_simple;
    EXPECT_EQ(std::vector<int32_t>(simple, simple + kSimpleFieldCount),
              (std::vector<int32_t>{5, 0, 1, 2, 3, 4, 6, 7, 8, 9, 10}));
    EXPECT_EQ(std::make_tuple(settings->m_nDaysBack, settings->m_strQuote, settings->m_strSeparator, settings->m_bNoDuplicates,
                              settings->m_bIgnoreImportErrors, settings->m_bExportNoCR, settings->m_bFullFormat),
              std::make_tuple(7, std::string(), std::string(";"), false, true, true, false));
    EXPECT_EQ(ExportedHeader(dialog, "dragged").rfind("Text;Date;Untimed", 0), 0u);
}

namespace {

// The program with the German library beside it.
class GermanGuiTest : public GuiTest {
protected:
    HWND OpenGerman() {
        EXPECT_TRUE(Start({}, VEMRA_GERMAN_PROGRAM));
        const HWND dialog = WaitForWindow(m_program.Id(), "VEMRA - Kalender-Import/Export für Palm Desktop", kWait);
        EXPECT_TRUE(dialog) << "no German main dialog";
        return dialog;
    }
};

}  // namespace

TEST_F(GermanGuiTest, MainDialogOptionsAndAnImportErrorAreGermanWithTheLibraryOnly) {
    Fill("Demo", 3);
    HWND dialog = OpenGerman();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ItemText(dialog, IDC_IMPORT), "&Importieren...");
    EXPECT_EQ(ItemText(dialog, IDC_REMOVE_ALL), "Alle ent&fernen");
    EXPECT_EQ(ItemText(dialog, IDC_COUNT).rfind("3 Termine zwischen ", 0), 0u) << ItemText(dialog, IDC_COUNT);

    // The accelerator of the German menu opens the German Options dialog.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(ID_OPTIONS, 1), 0);
    const HWND options = WaitForWindow(m_program.Id(), "Optionen", kWait);
    ASSERT_TRUE(options);
    EXPECT_EQ(ItemText(options, IDC_RESTORE_DEFAULT), "Zurücksetzen");
    EXPECT_EQ(ItemText(options, IDCANCEL), "Abbrechen");
    wchar_t item[64] = {};
    SendMessageW(GetDlgItem(options, IDC_SIMPLE_LIST), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, L"Datum");
    PostCommand(options, IDCANCEL, BN_CLICKED);
    ASSERT_TRUE(WaitUntilGone(options, kWait));

    // A row that cannot be read is reported in German.
    const std::string file = m_dir.File("bad.csv");
    test::WriteFile(file, kHeader + "\"31/31/2031\",\"\",\"9:00 AM\",\"9:30 AM\",\"\",\"Bad date\"" + kRest);
    PostCommand(dialog, IDC_IMPORT);
    const HWND open = WaitForWindow(m_program.Id(), "Open", kWait);
    ASSERT_TRUE(open);
    ASSERT_TRUE(AnswerFileDialog(open, file));
    const HWND box = WaitForBox();
    ASSERT_TRUE(box);
    const std::string text = MessageBoxText(box);
    EXPECT_EQ(text.rfind("Fehler beim Lesen von ", 0), 0u) << text;
    EXPECT_NE(text.find(", Zeile 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Ungültiges Datum."), std::string::npos) << text;
    PostCommand(box, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return Idle(dialog); }, kWait));
    m_program.Wait(0);

    // The menu of the library, as the German program loads it.
    const HMODULE library = LoadLibraryExA((fs::path(VEMRA_GERMAN_PROGRAM).parent_path() / "VEMRALangDE.dll").string().c_str(),
                                           nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(library);
    const HMENU menu = LoadMenuW(library, MAKEINTRESOURCEW(IDR_MAIN_MENU));
    ASSERT_TRUE(menu);
    GetMenuStringW(menu, 0, item, 64, MF_BYPOSITION);
    EXPECT_STREQ(item, L"&Datei");
    GetMenuStringW(menu, ID_OPTIONS, item, 64, MF_BYCOMMAND);
    EXPECT_STREQ(item, L"&Optionen\tStrg+O");
    DestroyMenu(menu);
    FreeLibrary(library);

    // Without the library beside it the same program is English.
    dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ItemText(dialog, IDC_IMPORT), "&Import...");
}
