// The built program, run as a child process in a scratch Palm Desktop and registry.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/process.h"
#include "platform/string_table.h"
#include "tests/child_process.h"
#include "tests/test_support.h"

using namespace vemra;
using vemra::test::ScratchDir;

namespace {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnv("VEMRA_REGISTRY", m_dir.File("registry.reg"));
        const std::string desktop = m_dir.File("Palm");
        const auto dir = std::filesystem::path(desktop) / "Demo" / "datebook";
        std::filesystem::create_directories(dir);
        test::WriteFile((dir / "datebook.dat").string(), "");
        SetEnv("VEMRA_PALM_DESKTOP", desktop);
        SetEnv("VEMRA_UNATTENDED", "1");
    }
    void TearDown() override {
        SetEnv("VEMRA_PALM_DESKTOP", "");
        SetEnv("VEMRA_REGISTRY", "");
    }
    // Standard output and error together: the tests look for texts, not for their stream.
    struct Outcome {
        int status;
        std::string output;
    };
    Outcome Run(const std::vector<std::string>& args) {
        const test::ChildResult r = test::RunChild(VEMRA_PROGRAM, args, {}, m_dir.File("run"));
        return {r.status, r.out + r.err};
    }
    ScratchDir m_dir;
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

TEST_F(ProgramTest, UsageMistakesEndWithStatusMinusOne) {
    const std::vector<std::vector<std::string>> cases = {{"-?"}, {"-export", "f"}, {"-x", "out.csv"}, {"-r", "out.csv"}};
    for (const auto& args : cases) {
        const auto run = Run(args);
        EXPECT_EQ(run.status, ReportedStatus(-1)) << args[0] << "\n" << run.output;
        ExpectUsage(run.output, args[0]);
    }
}

TEST_F(ProgramTest, UsersAreFoundByNameInAnyCase) {
    auto run = Run({"-u", "nosuchuser"});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Palm user not found in Desktop"), std::string::npos) << run.output;

    run = Run({"-u", "DEMO"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("Palm user not found"), std::string::npos) << run.output;
}

TEST_F(ProgramTest, WithoutRequestShowsUsage) {
    const auto run = Run({});
    EXPECT_EQ(run.status, 0) << run.output;
    ExpectUsage(run.output, "no arguments");
    if (!IsOptionPrefix('/')) {
        // Natively the users are listed too, the current one marked.
        EXPECT_NE(run.output.find("  Demo *"), std::string::npos) << run.output;
    }
}
