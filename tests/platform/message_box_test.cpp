#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "platform/process.h"

using namespace vemra;

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
