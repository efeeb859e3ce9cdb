#include "app/command_line.h"

#include <gtest/gtest.h>


#include "app/startup.h"
#include "palm/user_data.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/string_table.h"
#include "settings/profile.h"
#include "settings/settings.h"
#include "tests/child_process.h"
#include "tests/test_support.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

const char kApp[] = "vemra-app-test";

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnv("VEMRA_REGISTRY", m_dir.File("registry.reg"));
        const std::string desktop = m_dir.File("Palm");
        for (const char* user : {"Demo", "SmithJ"}) test::AddDesktopUser(desktop, user);
        SetEnv("VEMRA_PALM_DESKTOP", desktop);
        SetProfileApplicationName(kApp);
        RemoveProfile();
    }
    void TearDown() override {
        RemoveProfile();
        SetEnv("VEMRA_PALM_DESKTOP", "");
        SetEnv("VEMRA_REGISTRY", "");
    }
    static void RemoveProfile() {
        CRegistryKey key;
        if (key.Open(RegistryRoot::currentUser, "Software\\Quelbarsk", RegistryAccess::readWrite)) key.DeleteSubKey(kApp);
    }
    // The built program in this Desktop and registry; standard output and error together, as
    // the tests look for texts, not for their stream.
    std::pair<int, std::string> RunProgram(const std::vector<std::string>& args) {
        const test::ChildResult r = test::RunChild(VEMRA_PROGRAM, args, {}, m_dir.File("run"));
        return {r.status, r.out + r.err};
    }

    ScratchDir m_dir;
    test::MessageCapture m_sink;
};

// The usage's lines without their line ends, which the system may write as CR LF.
void ExpectUsage(const std::string& output, const std::string& what) {
    const std::string usage = LoadResString(7);
    for (std::size_t start = 0, end; start < usage.size(); start = end + 1) {
        end = usage.find('\n', start);
        if (end == std::string::npos) end = usage.size();
        EXPECT_NE(output.find(usage.substr(start, end - start)), std::string::npos) << what << "\n" << output;
    }
}

// An exit status as the system hands it on: natively only the low 8 bits survive.
int ReportedStatus(int status) { return IsOptionPrefix('/') ? status : status & 0xFF; }

}  // namespace

// The command lines of tests/data/app/command_lines.txt: the exit status, messages and requests
// each one leaves.
TEST_F(CommandLineTest, ArgumentsSetTheRequestsOrEndTheRun) {
    const std::string usage = LoadResString(7);
    for (const auto& c : test::DataRows("app/command_lines.txt", "|", 3)) {
        m_sink.messages.clear();
        CSettings s;
        s.m_bFullFormat = c[1] == "1";
        CVEMRACommandLineInfo info(&s);
        const bool holds = info.ParseCommandLine(test::Words(c[0]));
        std::string got = std::to_string(info.m_nExitStatus);
        for (const std::string& message : m_sink.messages) got += " " + (message == usage ? "usage" : message);
        if (holds) {
            const uint32_t id = s.m_dwPalmUserId;
            got += std::string(" ") + (s.m_bImport ? "i" : "") + (s.m_bExport ? "e" : "") + (s.m_bRemoveAll ? "r" : "") +
                   (s.m_bFullFormat ? "x" : "") + "/" + s.m_strFile + "/" + s.m_strDatebookFile + "/" +
                   (id == UserIdOfFolder("Demo") ? "Demo" : id == UserIdOfFolder("SmithJ") ? "SmithJ" : std::to_string(id));
        }
        EXPECT_EQ(got, c[2]) << c[0];
    }
}

TEST_F(CommandLineTest, SlashIntroducesOptionsOnlyOnWindows) {
    CSettings s;
    CVEMRACommandLineInfo info(&s);
    // Windows: "/tmp/out.csv" is the unknown option "tmp/out.csv". Elsewhere both are values,
    // and a value with no option pending is a mistake.
    EXPECT_FALSE(info.ParseCommandLine({"/e", "/tmp/out.csv"}));
    EXPECT_EQ(info.m_nExitStatus, -1);
    if (!IsOptionPrefix('/')) {
        CSettings t;
        CVEMRACommandLineInfo absolute(&t);
        EXPECT_TRUE(absolute.ParseCommandLine({"-e", "/tmp/out.csv", "-d", "/home/u/datebook.dat"}));
        EXPECT_EQ(t.m_strFile + " " + t.m_strDatebookFile, "/tmp/out.csv /home/u/datebook.dat");
    }
}

TEST_F(CommandLineTest, AutomationSwitches) {
    for (const auto& c : test::DataRows("app/automation_switches.txt", "|", 2))
        EXPECT_EQ(IsAutomationLaunch(test::Words(c[0])), c[1] == "1") << c[0];
}

// The built program: usage mistakes end with status -1, no request at all with 0; both show the
// usage, and natively the users too, the current one marked.
TEST_F(CommandLineTest, ProgramShowsUsage) {
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {{{"-?"}, -1}, {{"-x", "out.csv"}, -1}, {{}, 0}};
    for (const auto& [args, expected] : cases) {
        const auto [status, output] = RunProgram(args);
        EXPECT_EQ(status, ReportedStatus(expected)) << ::testing::PrintToString(args) << "\n" << output;
        ExpectUsage(output, ::testing::PrintToString(args));
        if (args.empty() && !IsOptionPrefix('/')) {
            EXPECT_NE(output.find("  Demo *"), std::string::npos) << output;
        }
    }
}
