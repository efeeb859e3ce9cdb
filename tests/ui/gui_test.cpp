// The program driven through its windows: main dialog, its file dialogs and message boxes,
// the About box, the Options dialog, and a stand-in for Palm Desktop's main window.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

#include "palm/desktop_link.h"
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
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"
#include "tests/ui/gui_driver.h"

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

// Palm Desktop's main window as far as the program sees it: it echoes the probe and answers
// the change requests as told; every request is kept.
struct CDesktopStandIn {
    static inline std::vector<WPARAM> requests;
    static inline LRESULT beforeChangeAnswer = 0;
    CWindowHandle window;

    explicit CDesktopStandIn(LRESULT answer) {
        requests.clear();
        beforeChangeAnswer = answer;
        WNDCLASSA c{};
        c.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m != kDesktopMessage) return DefWindowProcA(w, m, wp, lp);
            requests.push_back(wp);
            if (wp == 0) return kDesktopMessage;
            return wp == 1 ? beforeChangeAnswer : 0;
        };
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = kDesktopWindowClass;
        RegisterClassA(&c);
        window.Reset(CreateWindowExA(0, kDesktopWindowClass, "Palm Desktop", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                     nullptr, c.hInstance, nullptr));
    }
};

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
        // Wine draws the captions itself, so that pictures of the windows show them.
        CRegistryKey x11;
        if (x11.Create(RegistryRoot::currentUser, "Software\\Wine\\X11 Driver")) x11.SetString("Decorated", "N");
    }
    void TearDown() override {
        m_program.Kill();
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
    // Starts the program and waits for its main dialog.
    HWND Open(const std::vector<std::string>& args = {}) {
        EXPECT_TRUE(m_program.Start(VEMRA_PROGRAM, args, {{"VEMRA_UNATTENDED", ""}}));
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
    static std::string SimpleCountLine(int n) {
        const auto settings = StoredSettings();
        return FormatText(LoadResString(n == 1 ? IDS_APPOINTMENT_BETWEEN : IDS_APPOINTMENTS_BETWEEN).c_str(), n,
                          DateText(settings->GetSpanStart()).c_str(), DateText(settings->GetSpanEnd()).c_str());
    }
    // True once no operation runs: the transfer buttons are enabled again.
    static bool Idle(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDC_IMPORT)) != FALSE; }

    test::ScratchDir m_dir;
    std::string m_desktop;
    CProgram m_program;
};

}  // namespace

TEST_F(GuiTest, CountLineInBothFormatsAndForOneAppointment) {
    Fill("Demo", 1);
    Fill("SmithJ", 3);
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ItemText(dialog, IDC_COUNT), SimpleCountLine(1));
    SelectComboItem(dialog, IDC_USER, 1);
    EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_COUNT) == SimpleCountLine(3); }, kWait))
        << ItemText(dialog, IDC_COUNT);
    m_program.Kill();

    // The full format counts every appointment and says "appointments" even for one.
    WriteProfileInt("Options", "fullformat", 1);
    dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ItemText(dialog, IDC_COUNT), "1 appointments");
}

TEST_F(GuiTest, UserBoxListsTheUsersAndIsDisabledForAGivenDatebook) {
    WriteProfileInt("Options", "palmuserid", static_cast<int>(UserIdOfFolder("SmithJ")));
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND combo = GetDlgItem(dialog, IDC_USER);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    // Wide texts: the system carries them between the processes.
    wchar_t name[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, L"Demo");
    SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, L"SmithJ");
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);   // the stored user
    EXPECT_TRUE(IsWindowEnabled(combo));
    m_program.Kill();

    Fill("Demo", 2);
    dialog = Open({"-d", Datebook("Demo")});
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_USER)));
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_USER), CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(ItemText(dialog, IDC_COUNT), SimpleCountLine(2));
}

TEST_F(GuiTest, UnreadableDatebookIsSaidAndCountsAsNone) {
    test::WriteFile(Datebook("Demo"), "this is no datebook");
    ASSERT_TRUE(m_program.Start(VEMRA_PROGRAM, {}, {{"VEMRA_UNATTENDED", ""}}));
    // The count is taken while the dialog opens: the message comes first.
    const HWND box = WaitForBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), FormatText(LoadResString(IDS_CANT_READ_FILE).c_str(), Datebook("Demo").c_str()));
    PostCommand(box, IDOK);
    const HWND dialog = WaitForWindow(m_program.Id(), kCaption, kWait);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ItemText(dialog, IDC_COUNT), SimpleCountLine(0));
    // Remove all asks about -1 appointments and removes nothing when told not to.
    PostCommand(dialog, IDC_REMOVE_ALL);
    const HWND question = WaitForBox();
    ASSERT_TRUE(question);
    EXPECT_EQ(MessageBoxText(question), FormatText(LoadResString(IDS_CONFIRM_REMOVE).c_str(), -1, "Demo"));
    PostCommand(question, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(question, kWait));
    EXPECT_EQ(test::ReadFile(Datebook("Demo")), "this is no datebook");
}

TEST_F(GuiTest, PalmDesktopButtonShowsOnlyWherePalmDesktopIsInstalled) {
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PALM_DESKTOP)));
    m_program.Kill();

    // Any program with an icon stands in for palm.exe.
    std::string program = VEMRA_PROGRAM;
    fs::copy_file(program, m_desktop + "\\palm.exe");
    dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND button = GetDlgItem(dialog, IDC_PALM_DESKTOP);
    EXPECT_TRUE(IsWindowVisible(button));
    EXPECT_TRUE(SendMessageA(button, BM_GETIMAGE, IMAGE_ICON, 0));
}

// The extension comes from the filter the dialog starts with, which the last file's name picks:
// the first filter (workbooks, when they can be written) without one, CSV after a CSV file.
TEST_F(GuiTest, ExportToANameWithoutExtensionGetsTheChosenFiltersExtension) {
    Fill("Demo", 2);
    const struct {
        const char* lastFile;
        const char* extension;
    } cases[] = {{"", ".xls"}, {"before.csv", ".csv"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        WriteProfileText("Options", "lastfile", c.lastFile);
        const HWND dialog = Open();
        ASSERT_TRUE(dialog);
        PostCommand(dialog, IDC_EXPORT);
        const HWND save = WaitForWindow(m_program.Id(), "Save As", kWait);
        ASSERT_TRUE(save);
        const std::string target = m_dir.File(std::string("appointments") + (c.extension + 1));
        ASSERT_TRUE(AnswerFileDialog(save, target));
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(target + c.extension) && Idle(dialog); }, kWait)) << [&] {
            std::string names;
            for (const auto& entry : fs::directory_iterator(m_dir.Path())) names += entry.path().filename().string() + " ";
            return names;
        }();
        EXPECT_FALSE(fs::exists(target));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS)));
        m_program.Kill();
    }
    const std::string written = test::ReadFile(m_dir.File("appointmentscsv.csv"));
    EXPECT_NE(written.find("Meeting 1"), std::string::npos) << written;
    EXPECT_NE(written.find("Meeting 2"), std::string::npos) << written;
}

TEST_F(GuiTest, ImportShowsTheMessageOfABadRowAndAddsTheGoodOnes) {
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
    const std::string text = MessageBoxText(box);
    // The row as far as it was read, and the reason.
    EXPECT_EQ(text, FormatText(LoadResString(IDS_ERROR_READING_LINE).c_str(), file.c_str(), 3) + "\n\"31/31/2031\"\n" +
                        LoadResString(IDS_REASON_101));
    EXPECT_NE(text.find(LoadResString(IDS_REASON_101)), std::string::npos) << text;
    PostCommand(box, IDOK);   // go on with the next rows
    ASSERT_TRUE(WaitUntil([&] { return Idle(dialog) && !FindWindowOf(m_program.Id(), kBoxCaption); }, kWait));
    EXPECT_EQ(test::LiveTexts(Datebook("Demo")), (std::vector<std::string>{"Meeting 1", "Imported one", "Imported two"}));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_COUNT) == SimpleCountLine(3); }, kWait))
        << ItemText(dialog, IDC_COUNT);
}

TEST_F(GuiTest, RemoveAllAsksWithTheCountAndRemoves) {
    Fill("Demo", 4);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    PostCommand(dialog, IDC_REMOVE_ALL);
    HWND box = WaitForBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), FormatText(LoadResString(IDS_CONFIRM_REMOVE).c_str(), 4, "Demo"));
    PostCommand(box, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(box, kWait));
    Pump(300);
    EXPECT_EQ(test::LiveTexts(Datebook("Demo")).size(), 4u);

    PostCommand(dialog, IDC_REMOVE_ALL);
    box = WaitForBox();
    ASSERT_TRUE(box);
    PostCommand(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return ItemText(dialog, IDC_COUNT) == SimpleCountLine(0) && Idle(dialog); }, kWait))
        << ItemText(dialog, IDC_COUNT);
    EXPECT_TRUE(test::LiveTexts(Datebook("Demo")).empty());
}

TEST_F(GuiTest, PalmDesktopRefusingTheImportKeepsTheDatebookAndIsStillReleased) {
    Fill("Demo", 1);
    const std::string before = test::ReadFile(Datebook("Demo"));
    const std::string file = m_dir.File("in.csv");
    test::WriteFile(file, kHeader +
                          "\"1/2/2026\",\"\",\"9:00 AM\",\"9:30 AM\",\"\",\"Not wanted\"" + kRest);
    CDesktopStandIn desktop(1);   // any answer but 0 refuses
    ASSERT_TRUE(desktop.window);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    PostCommand(dialog, IDC_IMPORT);
    const HWND open = WaitForWindow(m_program.Id(), "Open", kWait);
    ASSERT_TRUE(open);
    ASSERT_TRUE(AnswerFileDialog(open, file));
    ASSERT_TRUE(WaitUntil([&] { return CDesktopStandIn::requests.size() >= 4 && Idle(dialog); }, kWait));
    EXPECT_EQ(CDesktopStandIn::requests, (std::vector<WPARAM>{0, 1, 0, 2}));
    EXPECT_EQ(test::ReadFile(Datebook("Demo")), before);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS)));
}

TEST_F(GuiTest, QuitSavesTheChosenUserAndOkDoesNot) {
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    SelectComboItem(dialog, IDC_USER, 1);
    Pump(300);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);   // Enter: ends without saving
    ASSERT_TRUE(m_program.WaitForExit(kWait));
    EXPECT_NE(StoredSettings()->m_dwPalmUserId, UserIdOfFolder("SmithJ"));

    dialog = Open();
    ASSERT_TRUE(dialog);
    SelectComboItem(dialog, IDC_USER, 1);
    PostCommand(dialog, ID_QUIT);
    ASSERT_TRUE(m_program.WaitForExit(kWait));
    EXPECT_EQ(StoredSettings()->m_dwPalmUserId, UserIdOfFolder("SmithJ"));

    // The close box saves as well.
    dialog = Open();
    ASSERT_TRUE(dialog);
    SelectComboItem(dialog, IDC_USER, 0);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(m_program.WaitForExit(kWait));
    EXPECT_EQ(StoredSettings()->m_dwPalmUserId, UserIdOfFolder("Demo"));
}

TEST_F(GuiTest, AboutBoxShowsTheVersionOfTheVersionResource) {
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
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(dialog) != FALSE; }, kWait));
}

TEST_F(GuiTest, NoSecondOperationOrClosingWhileOneRuns) {
    Fill("Demo", 300);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    PostCommand(dialog, IDC_REMOVE_ALL);
    const HWND box = WaitForBox();
    ASSERT_TRUE(box);
    PostCommand(box, IDOK);
    // The operation holds the dialog for at least the second it waits for Palm Desktop.
    const auto allDisabled = [&] {
        for (int id : {IDC_IMPORT, IDC_EXPORT, IDC_REMOVE_ALL, IDC_USER})
            if (IsWindowEnabled(GetDlgItem(dialog, id))) return false;
        return true;
    };
    ASSERT_TRUE(WaitUntil(allDisabled, kWait));
    PostCommand(dialog, IDC_EXPORT);
    PostCommand(dialog, IDC_IMPORT);
    PostCommand(dialog, ID_QUIT);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return Idle(dialog); }, kWait));
    // None of them started anything or ended the dialog.
    Pump(1500);
    EXPECT_FALSE(FindWindowOf(m_program.Id(), "Save As"));
    EXPECT_FALSE(FindWindowOf(m_program.Id(), "Open"));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(test::LiveTexts(Datebook("Demo")).empty());
    EXPECT_EQ(ItemText(dialog, IDC_COUNT), SimpleCountLine(0));
}

TEST_F(GuiTest, PicturesOfTheMainDialogAndTheAboutBox) {
    Fill("Demo", 12);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    SetWindowPos(dialog, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(1000);
    const std::string folder = VEMRA_SCREENSHOTS;
    fs::create_directories(folder);
    EXPECT_TRUE(SaveWindowPicture(dialog, folder + "\\main-dialog.bmp"));
    PostCommand(dialog, ID_APP_ABOUT);
    const HWND about = WaitForWindow(m_program.Id(), "About VEMRA", kWait);
    ASSERT_TRUE(about);
    Pump(1000);
    EXPECT_TRUE(SaveWindowPicture(about, folder + "\\about-box.bmp"));
    PostCommand(about, IDOK);
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
        const std::string target = m_dir.File(name) + ".csv";
        if (!AnswerFileDialog(save, target)) return "file dialog stayed";
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
    static std::vector<int32_t> StoredMapping(const char* entry) {
        std::string data;
        if (!ReadProfileBinary("Options", entry, data)) return {};
        std::vector<int32_t> ids(data.size() / 4);
        std::memcpy(ids.data(), data.data(), ids.size() * 4);
        return ids;
    }
    // The window that has the keyboard focus in the program's thread.
    static HWND FocusOf(HWND window) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
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

TEST_F(OptionsGuiTest, FullFormatDisablesTheSpanAndSimpleFormatEnablesIt) {
    WriteProfileInt("Options", "fullformat", 1);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND options = OpenOptions(dialog);
    ASSERT_TRUE(options);
    EXPECT_EQ(SendMessageA(GetDlgItem(options, IDC_FULL_FORMAT), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(GetDlgItem(options, IDC_SIMPLE_FORMAT), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(options, IDC_FROM)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(options, IDC_TO)));
    PostMessageA(GetDlgItem(options, IDC_SIMPLE_FORMAT), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] {
        return IsWindowEnabled(GetDlgItem(options, IDC_FROM)) && IsWindowEnabled(GetDlgItem(options, IDC_TO));
    }, kWait));
    PostMessageA(GetDlgItem(options, IDC_FULL_FORMAT), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(options, IDC_FROM)); }, kWait));
    // Cancel stores nothing.
    ASSERT_TRUE(Close(options, dialog, IDCANCEL));
    EXPECT_TRUE(StoredSettings()->m_bFullFormat);
}

TEST_F(OptionsGuiTest, RemovedSimpleColumnsAreStoredAsTrailingEmptySlotsAndLeaveTheExport) {
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    HWND options = OpenOptions(dialog);
    ASSERT_TRUE(options);
    const HWND list = GetDlgItem(options, IDC_SIMPLE_LIST);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 11);
    ASSERT_EQ(SendMessageA(GetDlgItem(options, IDC_REPEAT_LIST), LB_GETCOUNT, 0, 0), 12);
    // Without a selection Delete does nothing.
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
    Pump(300);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 11);
    for (int field : {fieldNote, fieldAlarmUnit}) {
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(FieldIndex(list, field)), 0);
        PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
        ASSERT_TRUE(WaitUntil([&] { return FieldIndex(list, field) < 0; }, kWait));
    }
    ASSERT_TRUE(Close(options, dialog, IDOK));
    EXPECT_EQ(StoredMapping("simplemapping"), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 7, 8, 10, 23, 23}));
    EXPECT_EQ(ExportedHeader(dialog, "nine"),
              "\"Date\",\"Untimed\",\"Start Time\",\"End Time\",\"Private\",\"Text\",\"Alarm\",\"Alarm Time\",\"Repeat\"");
}

TEST_F(OptionsGuiTest, DraggingTextToTheTopMakesItTheFirstColumn) {
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
    ASSERT_TRUE(Close(options, dialog, IDOK));
    EXPECT_EQ(StoredMapping("simplemapping"), (std::vector<int32_t>{5, 0, 1, 2, 3, 4, 6, 7, 8, 9, 10}));
    EXPECT_EQ(ExportedHeader(dialog, "dragged").rfind("\"Text\",\"Date\",\"Untimed\"", 0), 0u);
}

TEST_F(OptionsGuiTest, RestoreDefaultActsAtOnceButCancelKeepsTheProfile) {
    const std::vector<int32_t> stored{5, 0, 1, 23, 23, 23, 23, 23, 23, 23, 23};
    WriteProfileBinary("Options", "simplemapping",
                       std::string_view(reinterpret_cast<const char*>(stored.data()), stored.size() * 4));
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND options = OpenOptions(dialog);
    ASSERT_TRUE(options);
    const HWND list = GetDlgItem(options, IDC_SIMPLE_LIST);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    PostCommand(options, IDC_RESTORE_DEFAULT, BN_CLICKED);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 11; }, kWait));
    EXPECT_EQ(FieldIndex(list, fieldDate), 0);
    ASSERT_TRUE(Close(options, dialog, IDCANCEL));
    EXPECT_EQ(StoredMapping("simplemapping"), stored);
    EXPECT_EQ(ExportedHeader(dialog, "restored"), kHeader.substr(0, kHeader.size() - 2));
}

TEST_F(OptionsGuiTest, DefaultLengthOutsideItsRangeKeepsTheDialogOpenOnTheField) {
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND options = OpenOptions(dialog);
    ASSERT_TRUE(options);
    const HWND length = GetDlgItem(options, IDC_DEFAULT_LENGTH);
    EXPECT_EQ(TextOf(length), "60");
    for (const char* typed : {"0", "1000", "ten"}) {
        SendMessageTimeoutA(length, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed), SMTO_ABORTIFHUNG, 2000, nullptr);
        PostCommand(options, IDOK, BN_CLICKED);
        const HWND box = WaitForBox();
        ASSERT_TRUE(box) << typed;
        EXPECT_EQ(MessageBoxText(box), std::string(typed) == "ten"
                                           ? LoadResString(IDS_ENTER_INTEGER)
                                           : FormatText(LoadResString(IDS_ENTER_INTEGER_BETWEEN).c_str(), 1, 999));
        PostCommand(box, IDOK);
        ASSERT_TRUE(WaitUntilGone(box, kWait));
        EXPECT_TRUE(IsWindow(options) && IsWindowVisible(options)) << typed;
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(options) == length; }, kWait)) << typed;
    }
    // Two characters as exception date separator are refused the same way.
    SendMessageTimeoutA(length, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("45"), SMTO_ABORTIFHUNG, 2000, nullptr);
    SendMessageTimeoutA(GetDlgItem(options, IDC_EXCEPTION_SEPARATOR), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(";;"),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    PostCommand(options, IDOK, BN_CLICKED);
    const HWND box = WaitForBox();
    ASSERT_TRUE(box);
    PostCommand(box, IDOK);
    ASSERT_TRUE(WaitUntilGone(box, kWait));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(options) == GetDlgItem(options, IDC_EXCEPTION_SEPARATOR); }, kWait));
    SendMessageTimeoutA(GetDlgItem(options, IDC_EXCEPTION_SEPARATOR), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(";"),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    ASSERT_TRUE(Close(options, dialog, IDOK));
    const auto settings = StoredSettings();
    EXPECT_EQ(settings->m_nDefaultApptLength, 45);
    EXPECT_EQ(settings->m_strExceptionDateSeparator, ";");
}

TEST_F(OptionsGuiTest, OkStoresEveryFieldAndTheSameSpanAgain) {
    WriteProfileInt("Options", "daysback", 7);
    WriteProfileInt("Options", "daysahead", 30);
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND options = OpenOptions(dialog);
    ASSERT_TRUE(options);
    EXPECT_EQ(TextOf(GetDlgItem(options, IDC_SEPARATOR)), ",");
    EXPECT_EQ(TextOf(GetDlgItem(options, IDC_QUOTE)), "\"");
    EXPECT_EQ(SendMessageA(GetDlgItem(options, IDC_NO_DUPLICATES), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(GetDlgItem(options, IDC_IGNORE_ERRORS), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // An empty quote and another separator are taken as typed; the check boxes flip.
    SendMessageTimeoutA(GetDlgItem(options, IDC_QUOTE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG, 2000, nullptr);
    SendMessageTimeoutA(GetDlgItem(options, IDC_SEPARATOR), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(";"), SMTO_ABORTIFHUNG, 2000, nullptr);
    for (int id : {IDC_NO_DUPLICATES, IDC_IGNORE_ERRORS, IDC_EXPORT_NO_CR})
        PostMessageA(GetDlgItem(options, id), BM_CLICK, 0, 0);
    Pump(500);
    ASSERT_TRUE(Close(options, dialog, IDOK));
    const auto settings = StoredSettings();
    EXPECT_EQ(settings->m_nDaysBack, 7);
    EXPECT_EQ(settings->m_nDaysAhead, 30);
    EXPECT_EQ(settings->m_strQuote, "");
    EXPECT_EQ(settings->m_strSeparator, ";");
    EXPECT_FALSE(settings->m_bNoDuplicates);
    EXPECT_TRUE(settings->m_bIgnoreImportErrors);
    EXPECT_TRUE(settings->m_bExportNoCR);
    EXPECT_FALSE(settings->m_bFullFormat);
    EXPECT_EQ(StoredMapping("repeatmapping"), (std::vector<int32_t>{11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}));
}

TEST_F(OptionsGuiTest, PictureOfTheOptionsDialog) {
    const HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const HWND options = OpenOptions(dialog);
    ASSERT_TRUE(options);
    SetWindowPos(options, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(1000);
    const std::string folder = VEMRA_SCREENSHOTS;
    fs::create_directories(folder);
    EXPECT_TRUE(SaveWindowPicture(options, folder + "\\options-dialog.bmp"));
    PostCommand(options, IDCANCEL);
}

namespace {

std::wstring WideTextOf(HWND window) {
    wchar_t text[2048] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied))
        return L"";
    return std::wstring(text, copied);
}

HWND FindWideWindowOf(DWORD processId, const std::wstring& caption) {
    struct Search {
        DWORD process;
        const std::wstring* caption;
        HWND found;
    } search{processId, &caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->process || !IsWindowVisible(window) || WideTextOf(window) != *s->caption) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program with the German library beside it, and the texts it then shows.
class GermanGuiTest : public GuiTest {
protected:
    const std::wstring kGermanCaption = L"VEMRA - Kalender-Import/Export für Palm Desktop";
    HWND WaitForWide(const std::wstring& caption) {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindWideWindowOf(m_program.Id(), caption)) != nullptr; }, kWait);
        return found;
    }
    HWND OpenGerman() {
        EXPECT_TRUE(m_program.Start(VEMRA_GERMAN_PROGRAM, {}, {{"VEMRA_UNATTENDED", ""}}));
        const HWND dialog = WaitForWide(kGermanCaption);
        EXPECT_TRUE(dialog) << "no German main dialog";
        return dialog;
    }
};

}  // namespace

TEST_F(GermanGuiTest, MainDialogOptionsAndAnImportErrorAreGermanWithTheLibraryOnly) {
    Fill("Demo", 3);
    HWND dialog = OpenGerman();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(WideTextOf(GetDlgItem(dialog, IDC_IMPORT)), L"&Importieren...");
    EXPECT_EQ(WideTextOf(GetDlgItem(dialog, IDC_REMOVE_ALL)), L"Alle ent&fernen");
    EXPECT_EQ(WideTextOf(GetDlgItem(dialog, IDC_COUNT)).rfind(L"3 Termine zwischen ", 0), 0u)
        << TextOf(GetDlgItem(dialog, IDC_COUNT));
    SetWindowPos(dialog, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(1000);
    const std::string folder = VEMRA_SCREENSHOTS;
    fs::create_directories(folder);
    EXPECT_TRUE(SaveWindowPicture(dialog, folder + "\\main-dialog-de.bmp"));

    // The accelerator of the German menu opens the German Options dialog.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(ID_OPTIONS, 1), 0);
    const HWND options = WaitForWide(L"Optionen");
    ASSERT_TRUE(options);
    SetWindowPos(options, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(1000);
    EXPECT_TRUE(SaveWindowPicture(options, folder + "\\options-dialog-de.bmp"));
    EXPECT_EQ(WideTextOf(GetDlgItem(options, IDC_RESTORE_DEFAULT)), L"Zurücksetzen");
    EXPECT_EQ(WideTextOf(GetDlgItem(options, IDCANCEL)), L"Abbrechen");
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
    const std::wstring text = WideTextOf(GetDlgItem(box, 0xFFFF));
    EXPECT_EQ(text.rfind(L"Fehler beim Lesen von ", 0), 0u);
    EXPECT_NE(text.find(L", Zeile 2\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Ungültiges Datum."), std::wstring::npos);
    PostCommand(box, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return Idle(dialog); }, kWait));
    m_program.Kill();

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
