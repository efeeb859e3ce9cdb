#include "settings/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "palm/user_data.h"
#include "platform/local_time.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "settings/profile.h"
#include "tests/test_support.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

const char kApp[] = "vemra-settings-test";

void RemoveKey(const std::string& parent, const std::string& name) {
    CRegistryKey key;
    if (key.Open(RegistryRoot::currentUser, parent, RegistryAccess::readWrite)) key.DeleteSubKey(name);
}

// A profile of the test's own (a registry file natively, a key of its own on Windows), no
// Palm Desktop keys, a scratch Palm Desktop folder with users, and every message captured.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnv("VEMRA_REGISTRY", m_dir.File("registry.reg"));
        m_desktop = m_dir.File("Palm");
        std::filesystem::create_directories(m_desktop);
        SetEnv("VEMRA_PALM_DESKTOP", m_desktop);
        SetProfileApplicationName(kApp);
        Clean();
        SetMessageSink([this](const std::string& text, MessageButtons, MessageIcon) {
            m_messages.push_back(text);
            return answerOk;
        });
    }
    void TearDown() override {
        SetMessageSink(nullptr);
        Clean();
        SetEnv("VEMRA_PALM_DESKTOP", "");
        SetEnv("VEMRA_REGISTRY", "");
    }
    static void Clean() {
        RemoveKey("Software\\Quelbarsk", kApp);
        RemoveKey("Software", "U.S. Robotics");
        RemoveKey("Software", "Palm Computing");
    }
    void AddUser(const std::string& folder) {
        const auto dir = std::filesystem::path(m_desktop) / folder / "datebook";
        std::filesystem::create_directories(dir);
        test::WriteFile((dir / "datebook.dat").string(), "");
    }
    static CRegistryKey Options(RegistryAccess access = RegistryAccess::read) {
        CRegistryKey key;
        if (access == RegistryAccess::readWrite)
            key.Create(RegistryRoot::currentUser, ProfileSectionPath("Options"));
        else
            key.Open(RegistryRoot::currentUser, ProfileSectionPath("Options"));
        return key;
    }

    ScratchDir m_dir;
    std::string m_desktop;
    std::vector<std::string> m_messages;
};

void ExpectSameStoredFields(const CSettings& a, const CSettings& b) {
    EXPECT_EQ(a.m_nDefaultApptLength, b.m_nDefaultApptLength);
    EXPECT_EQ(a.m_strQuote, b.m_strQuote);
    EXPECT_EQ(a.m_strExceptionDateSeparator, b.m_strExceptionDateSeparator);
    EXPECT_TRUE(std::equal(std::begin(a.m_mapping.m_simple), std::end(a.m_mapping.m_simple), b.m_mapping.m_simple));
    EXPECT_TRUE(std::equal(std::begin(a.m_mapping.m_repeat), std::end(a.m_mapping.m_repeat), b.m_mapping.m_repeat));
    EXPECT_EQ(a.m_bPrcDeleteAppts, b.m_bPrcDeleteAppts);
    EXPECT_EQ(a.m_strPrcIconText, b.m_strPrcIconText);
    EXPECT_EQ(a.m_strPrcMsgTitle, b.m_strPrcMsgTitle);
    EXPECT_EQ(a.m_strPrcMsgText, b.m_strPrcMsgText);
    EXPECT_EQ(a.m_bExportNoCR, b.m_bExportNoCR);
    EXPECT_EQ(a.m_bIgnoreImportErrors, b.m_bIgnoreImportErrors);
    EXPECT_EQ(a.m_bPalmDesktopButton, b.m_bPalmDesktopButton);
    EXPECT_EQ(a.m_bFullFormat, b.m_bFullFormat);
    EXPECT_EQ(a.m_nDaysAhead, b.m_nDaysAhead);
    EXPECT_EQ(a.m_nDaysBack, b.m_nDaysBack);
    EXPECT_EQ(a.m_strFile, b.m_strFile);
    EXPECT_EQ(a.m_strSeparator, b.m_strSeparator);
    EXPECT_EQ(a.m_bNoDuplicates, b.m_bNoDuplicates);
    EXPECT_EQ(a.m_dwPalmUserId, b.m_dwPalmUserId);
    EXPECT_EQ(a.m_nMinSize, b.m_nMinSize);
}

}  // namespace

TEST_F(SettingsTest, EmptyProfileGivesDefaultsAndTheFirstUser) {
    AddUser("Zed");
    AddUser("Adams");
    CSettings s;
    s.Load();
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(s.m_dwPalmUserId, UserIdOfFolder("Adams"));
    EXPECT_EQ(s.m_nDefaultApptLength, 60);
    EXPECT_EQ(s.m_strQuote, "\"");
    EXPECT_EQ(s.m_strExceptionDateSeparator, " ");
    EXPECT_EQ(s.m_strPrcIconText, "Add Appts");
    EXPECT_EQ(s.m_strPrcMsgTitle, "Appointments added");
    EXPECT_EQ(s.m_strPrcMsgText, "Appointments have been added to the datebook.\r\nYou may now delete this application.");
    EXPECT_TRUE(s.m_bPrcDeleteAppts);
    EXPECT_FALSE(s.m_bExportNoCR);
    EXPECT_FALSE(s.m_bIgnoreImportErrors);
    EXPECT_FALSE(s.m_bPalmDesktopButton) << "no Palm Desktop key to put the button in";
    EXPECT_TRUE(s.m_bFullFormat);
    EXPECT_EQ(s.m_nDaysAhead, 30);
    EXPECT_EQ(s.m_nDaysBack, 30);
    EXPECT_EQ(s.m_strFile, "");
    EXPECT_EQ(s.m_strSeparator, ",");
    EXPECT_TRUE(s.m_bNoDuplicates);
    EXPECT_EQ(s.m_nMinSize, 1000);
    EXPECT_FALSE(s.m_bImport || s.m_bExport || s.m_bRemoveAll);
    EXPECT_EQ(s.m_strDatebookFile, "");
    EXPECT_EQ(s.m_mapping.m_pSettings, &s);
    for (int i = 0; i < kSimpleFieldCount; ++i) EXPECT_EQ(s.m_mapping.m_simple[i], i);
    for (int i = 0; i < kRepeatFieldCount; ++i) EXPECT_EQ(s.m_mapping.m_repeat[i], 11 + i);
}

TEST_F(SettingsTest, NoPalmDesktopUserIsReportedAndTheRecordStillComplete) {
    CSettings s;
    ASSERT_EQ(m_messages, std::vector<std::string>{"Error: No Palm Desktop found!"});
    EXPECT_EQ(s.m_dwPalmUserId, 0u);
    EXPECT_EQ(s.m_nDaysAhead, 30);
}

TEST_F(SettingsTest, EveryKeyIsWrittenAndReadsBackEqual) {
    AddUser("Demo");
    CSettings saved;
    saved.m_nDefaultApptLength = 45;
    saved.m_strQuote = "'";
    saved.m_strExceptionDateSeparator = ";";
    const int32_t simple[] = {5, 0, 2, 3, 23, 23, 23, 23, 23, 23, 23};
    const int32_t repeat[] = {22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11};
    std::copy(std::begin(simple), std::end(simple), saved.m_mapping.m_simple);
    std::copy(std::begin(repeat), std::end(repeat), saved.m_mapping.m_repeat);
    saved.m_bPrcDeleteAppts = false;
    saved.m_strPrcIconText = "icon";
    saved.m_strPrcMsgTitle = "title";
    saved.m_strPrcMsgText = "line one\r\nline \"two\" \\ end";
    saved.m_bExportNoCR = true;
    saved.m_bIgnoreImportErrors = true;
    saved.m_bPalmDesktopButton = false;
    saved.m_bFullFormat = false;
    saved.m_nDaysAhead = 7;
    saved.m_nDaysBack = -3;
    saved.m_strFile = "C:\\data\\out.csv";
    saved.m_strSeparator = "\t";
    saved.m_bNoDuplicates = false;
    saved.m_dwPalmUserId = 0xFEDCBA98u;
    saved.m_nMinSize = 12;
    // Command-line requests are never stored.
    saved.m_bImport = saved.m_bExport = saved.m_bRemoveAll = true;
    saved.m_strDatebookFile = "C:\\other\\datebook.dat";
    EXPECT_EQ(saved.Save(), 0);

    const CRegistryKey options = Options();
    ASSERT_TRUE(options.IsOpen());
    const char* dwords[] = {"palmuserid", "minsize", "noduplicates", "fullformat", "ignoreimporterrors", "exportnocr",
                            "daysahead", "daysback", "defaultapptlength", "palmdesktopbutton", "prcdeleteappts"};
    const char* strings[] = {"separator", "quote", "exceptiondateseparator", "lastfile",
                             "prcmsgtext", "prcmsgtitle", "prcicontext"};
    uint32_t n = 0;
    std::string text;
    for (const char* k : dwords) EXPECT_TRUE(options.QueryDword(k, n)) << k;
    for (const char* k : strings) EXPECT_TRUE(options.QueryString(k, text)) << k;
    EXPECT_TRUE(options.QueryBinary("simplemapping", text));
    EXPECT_EQ(text.size(), 44u);
    EXPECT_EQ(text.substr(0, 8), std::string("\x05\0\0\0\0\0\0\0", 8));
    EXPECT_TRUE(options.QueryBinary("repeatmapping", text));
    EXPECT_EQ(text.size(), 48u);
    uint32_t type;
    for (const char* k : {"import", "export", "removeall", "datebookfile"}) EXPECT_FALSE(options.QueryValue(k, type, text)) << k;
    EXPECT_TRUE(options.QueryDword("daysback", n));
    EXPECT_EQ(n, 0xFFFFFFFDu);

    CSettings loaded;
    loaded.Load();
    ExpectSameStoredFields(saved, loaded);
    EXPECT_FALSE(loaded.m_bImport || loaded.m_bExport || loaded.m_bRemoveAll);
    EXPECT_EQ(loaded.m_strDatebookFile, "");
}

TEST_F(SettingsTest, StoredValuesOfTheWrongKindAreIgnored) {
    AddUser("Demo");
    {
        CRegistryKey options = Options(RegistryAccess::readWrite);
        ASSERT_TRUE(options.SetString("daysahead", "5"));
        ASSERT_TRUE(options.SetDword("separator", 59));
        ASSERT_TRUE(options.SetBinary("fullformat", std::string(4, '\0')));
        ASSERT_TRUE(options.SetString("exceptiondateseparator", ""));
        ASSERT_TRUE(options.SetBinary("simplemapping", std::string(40, '\1')));
        ASSERT_TRUE(options.SetBinary("repeatmapping", std::string(52, '\1')));
        ASSERT_TRUE(options.SetDword("daysback", 2));
    }
    CSettings s;
    s.Load();
    EXPECT_EQ(s.m_nDaysAhead, 30);
    EXPECT_EQ(s.m_strSeparator, ",");
    EXPECT_TRUE(s.m_bFullFormat);
    EXPECT_EQ(s.m_strExceptionDateSeparator, " ") << "an empty separator reads as one space";
    EXPECT_EQ(s.m_nDaysBack, 2);
    for (int i = 0; i < kSimpleFieldCount; ++i) EXPECT_EQ(s.m_mapping.m_simple[i], i);
    for (int i = 0; i < kRepeatFieldCount; ++i) EXPECT_EQ(s.m_mapping.m_repeat[i], 11 + i);

    // The right sizes are taken as they are.
    {
        CRegistryKey options = Options(RegistryAccess::readWrite);
        std::string simple(44, '\0');
        simple[0] = 23;
        ASSERT_TRUE(options.SetBinary("simplemapping", simple));
    }
    s.Load();
    EXPECT_EQ(s.m_mapping.m_simple[0], 23);
    EXPECT_EQ(s.m_mapping.m_simple[1], 0);
}

TEST_F(SettingsTest, SpanRunsFromMidnightToOneMinuteBeforeTheNextDay) {
    AddUser("Demo");
    CSettings s;
    s.m_nDaysBack = s.m_nDaysAhead = 0;
    const long start = s.GetSpanStart(), end = s.GetSpanEnd();
    LocalParts now, a, b;
    ASSERT_TRUE(BreakLocal(Now(), now));
    ASSERT_TRUE(BreakLocal(start, a));
    ASSERT_TRUE(BreakLocal(end, b));
    EXPECT_EQ(a.day, now.day);
    EXPECT_EQ(b.day, now.day);
    EXPECT_EQ(a.hour * 60 + a.minute + a.second, 0);
    EXPECT_EQ(b.hour * 60 + b.minute, 23 * 60 + 59);
    EXPECT_EQ(b.second, 0);

    s.m_nDaysBack = 3;
    s.m_nDaysAhead = 10;
    EXPECT_EQ(s.GetSpanStart(), start - 3 * 86400L);
    EXPECT_EQ(s.GetSpanEnd(), end + 10 * 86400L);

    // Day counts too large for the clock are held at its ends instead of wrapping round.
    s.m_nDaysBack = INT_MAX;
    s.m_nDaysAhead = INT_MAX;
    EXPECT_EQ(s.GetSpanStart(), sizeof(long) == 4 ? LONG_MIN : start - static_cast<long>(INT_MAX) * 86400L);
    EXPECT_GT(s.GetSpanEnd(), end);
}

TEST_F(SettingsTest, FieldNames) {
    const struct {
        int id;
        const char* name;
    } cases[] = {{0, "Date"}, {5, "Text"}, {10, "Repeat"}, {11, "Repeat Type"}, {22, "Monthly Week Index"},
                 {23, ""}, {-1, ""}, {24, ""}, {-32821, ""}, {7179, ""}};
    for (const auto& c : cases) EXPECT_EQ(CFieldMapping::FieldName(c.id), c.name) << c.id;
}
