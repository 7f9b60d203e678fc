#include "hook_swap.h"
#include "message_recorder.h"
#include "platform/message_box.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBox, RecordersNestAndRestore) {
    MessageRecorder outer;
    {
        MessageRecorder inner;
        showMessageBox("FRAMERATE TEST", "60 frames", MessageIcon::information);
        ASSERT_EQ(inner.messages.size(), 1u);
        EXPECT_EQ(inner.messages[0].caption, "FRAMERATE TEST");
        EXPECT_EQ(inner.messages[0].text, "60 frames");
        EXPECT_EQ(inner.messages[0].icon, MessageIcon::information);
    }
    showMessageBox("Error", "after", MessageIcon::error);
    ASSERT_EQ(outer.messages.size(), 1u);
    EXPECT_EQ(outer.messages[0].text, "after");
}

// With the real box and without SDL video the message goes to stderr as one
// line, and nothing waits for a user.
TEST(MessageBox, HeadlessBoxWritesOneLineToStderr) {
    const HookSwap<decltype(PlatformHooks::showMessage)> realBox(platformHooks.showMessage,
                                                                 showSystemMessage);
    ::testing::internal::CaptureStderr();
    showMessageBox("Error", "Failed to open DIB file x.bmp.\n", MessageIcon::error);
    showMessageBox("SHUTDOWN ERROR", "two\nlines", MessageIcon::information);
    const std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(written, "Error: Failed to open DIB file x.bmp.\nSHUTDOWN ERROR: two lines\n");
}

} // namespace
