#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file.h"
#include "platform/message_pump.h"
#include "settings/settings.h"
#include "tests/test_support.h"
#include "tests/transfer/transfer_test_support.h"
#include "transfer/transfer.h"

namespace vemra::test {
namespace {

const char kHeader[] =
    "\"Date\",\"Untimed\",\"Start Time\",\"End Time\",\"Private\",\"Text\",\"Note\",\"Alarm\",\"Alarm Time\","
    "\"Alarm Unit\",\"Repeat\"\r\n";

std::string Row(const std::string& date, const std::string& start, const std::string& end, const std::string& text) {
    return "\"" + date + "\",\"\",\"" + start + "\",\"" + end + "\",\"\",\"" + text + "\",\"\",\"\",\"\",\"\",\"\"\r\n";
}

// Calls Interrupt once the operation has reported its position the given number of times.
class InterruptingProgress : public CProgress {
public:
    explicit InterruptingProgress(int at) : m_at(at) {}
    void SetRange(int, int) override {}
    void SetPos(int) override {
        if (++m_calls == m_at) RequestInterrupt();
    }

private:
    int m_at;
    int m_calls = 0;
};

class ImportTest : public ::testing::Test {
protected:
    ImportTest() {
        capture.messages.clear();
        settings.m_bNoDuplicates = false;
        settings.m_bIgnoreImportErrors = false;
        db = dir.File("datebook.dat");
        EXPECT_TRUE(MakeDatebook(db, {}));
    }
    ~ImportTest() override { ClearInterrupt(); }
    std::string Input(const std::string& text) {
        const std::string path = dir.File("in" + std::to_string(++files) + ".csv");
        WriteFile(path, text);
        return path;
    }
    int Import(const std::string& file, CProgress* progress = nullptr) {
        return ImportSimple(db, file.c_str(), settings, progress);
    }
    ScratchDir dir;
    MessageCapture capture;
    CSettings settings;
    std::string db;
    int files = 0;
};

TEST_F(ImportTest, CancelStopsAndKeepsTheRowsBefore) {
    const std::string file = Input(std::string(kHeader) + Row("3/2/2026", "9:00 AM", "10:00 AM", "line 2") +
                                   Row("x", "9:00 AM", "10:00 AM", "line 3") +
                                   Row("3/4/2026", "9:00 AM", "10:00 AM", "line 4") +
                                   Row("y", "9:00 AM", "10:00 AM", "line 5") +
                                   Row("3/6/2026", "9:00 AM", "10:00 AM", "line 6"));
    capture.answers = {answerOk, answerCancel};
    EXPECT_EQ(Import(file), 2);
    EXPECT_EQ(capture.messages.size(), 2u);
    EXPECT_EQ(LiveTexts(db), (std::vector<std::string>{"line 2", "line 4"}));
}

TEST_F(ImportTest, HeaderRuleAndIgnoredErrors) {
    struct Case {
        const char* name;
        std::string text;
        bool ignoreErrors;
        int added;
        std::vector<std::string> lines;   // lines named in messages
    };
    const Case cases[] = {
        {"no header", Row("3/2/2026", "9:00 AM", "10:00 AM", "a") + Row("3/3/2026", "9:00 AM", "10:00 AM", "b"),
         false, 2, {}},
        {"first row bad date is taken for the header",
         Row("zz", "9:00 AM", "10:00 AM", "a") + Row("3/3/2026", "9:00 AM", "10:00 AM", "b") +
             Row("zz", "9:00 AM", "10:00 AM", "c"),
         false, 1, {"line 3"}},
        {"errors ignored", std::string(kHeader) + Row("zz", "", "", "a") + Row("3/3/2026", "", "", "b") +
                               Row("3/4/2026", "9:00 AM", "10:00 AM", "c"),
         true, 1, {}},
        {"header only", kHeader, false, 0, {}},
        {"empty file", "", false, 0, {}},
    };
    for (const Case& c : cases) {
        capture.messages.clear();
        ASSERT_TRUE(MakeDatebook(db, {}));
        settings.m_bIgnoreImportErrors = c.ignoreErrors;
        const std::string file = Input(c.text);
        EXPECT_EQ(Import(file), c.added) << c.name;
        ASSERT_EQ(capture.messages.size(), c.lines.size()) << c.name;
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_NE(capture.messages[i].find(c.lines[i] + "\n"), std::string::npos) << capture.messages[i];
        EXPECT_EQ(LiveTexts(db).size(), static_cast<std::size_t>(c.added)) << c.name;
    }
}

TEST_F(ImportTest, InterruptStopsAtTheNextRowAndSavesTheRowsBefore) {
    std::string text = kHeader;
    for (int i = 2; i <= 21; ++i) text += Row("3/2/2026", "9:00 AM", "10:00 AM", "line " + std::to_string(i));
    const std::string file = Input(text);
    InterruptingProgress progress(8);   // the 8th row's turn: rows 2..8 were added
    EXPECT_EQ(Import(file, &progress), 7);
    const auto texts = LiveTexts(db);
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts.front(), "line 2");
    EXPECT_EQ(texts.back(), "line 8");
}

// A disk that fails in the middle of the file: the rows read before it are not saved, whichever
// buffer the failure falls in, and the message gives the system's reason.
TEST_F(ImportTest, ReadFailureSavesNothing) {
    std::string text = kHeader;
    for (int day = 1; day <= 40; ++day)
        text += Row("3/" + std::to_string(day % 28 + 1) + "/2026", "9:00 AM", "10:00 AM", Numbered("row ", day));
    const std::string file = Input(text);
    const std::string before = ReadFile(db);
    for (std::uint64_t failAt : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{sizeof kHeader + 5},
                                 std::uint64_t{text.size() / 2}, std::uint64_t{text.size() - 1}}) {
        capture.messages.clear();
        SetReadFault(file, failAt);
        const int result = Import(file);
        SetReadFault("", 0);
        EXPECT_EQ(result, -1) << failAt;
        ASSERT_EQ(capture.messages.size(), 1u) << failAt;
        EXPECT_EQ(capture.messages[0].rfind("Error reading file\n", 0), 0u) << capture.messages[0];
        EXPECT_GT(capture.messages[0].size(), std::string("Error reading file\n").size());
        EXPECT_EQ(ReadFile(db), before) << failAt;
        EXPECT_FALSE(FileExists(db + ".bak")) << failAt << ": the datebook was saved";
    }
    capture.messages.clear();
    EXPECT_EQ(Import(file), 40);   // the same file, read whole
    EXPECT_TRUE(capture.messages.empty());
}

TEST_F(ImportTest, FailedSaveIsReportedNotCounted) {
    // A folder where the backup of the previous file must go makes the save fail.
    std::filesystem::create_directories(db + ".bak/x");
    const int result = Import(Input(std::string(kHeader) + Row("3/2/2026", "9:00 AM", "10:00 AM", "a")));
    if (result != -1 && LiveTexts(db).size() == 1u) GTEST_SKIP() << "this system saved despite the folder";
    EXPECT_EQ(result, -1);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0].rfind("Error: Can't save file " + db, 0), 0u) << capture.messages[0];
}

}  // namespace
}  // namespace vemra::test
