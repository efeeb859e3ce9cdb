// The program driven through its windows: main dialog, its file dialogs and message boxes,
// the About box, and a stand-in for Palm Desktop's main window.
#include <gtest/gtest.h>

#include <windows.h>

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
