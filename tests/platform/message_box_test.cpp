#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "platform/process.h"

using namespace vemra;

TEST(MessageBox, SinkSeesEveryMessageAndGivesTheAnswer) {
    struct Seen {
        std::string text;
        MessageButtons buttons;
        MessageIcon icon;
    };
    std::vector<Seen> seen;
    SetMessageSink([&](const std::string& text, MessageButtons buttons, MessageIcon icon) {
        seen.push_back({text, buttons, icon});
        return buttons == MessageButtons::okCancel ? answerCancel : answerOk;
    });
    EXPECT_EQ(ShowMessage("first", MessageButtons::ok, MessageIcon::information), answerOk);
    EXPECT_EQ(ShowMessage("second?", MessageButtons::okCancel, MessageIcon::warning), answerCancel);
    SetMessageSink(nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, "first");
    EXPECT_EQ(seen[0].icon, MessageIcon::information);
    EXPECT_EQ(seen[1].buttons, MessageButtons::okCancel);
}

TEST(MessageBox, UnattendedRunsPrintAndAnswerOk) {
    const std::string saved = GetEnv("VEMRA_UNATTENDED");
    SetEnv("VEMRA_UNATTENDED", "1");
    testing::internal::CaptureStderr();
    const int answer = ShowMessage("Continue?\nreally", MessageButtons::okCancel, MessageIcon::warning);
    const std::string err = testing::internal::GetCapturedStderr();
    SetEnv("VEMRA_UNATTENDED", saved);
    EXPECT_EQ(answer, answerOk);
    EXPECT_EQ(err, "Continue?\nreally\n");
}
