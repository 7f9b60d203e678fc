// The settings window's contents, driven frame by frame through ImGui with no
// window behind it: keys and clicks go straight into ImGui's input state.

#include "config_dialog.h"
#include "config_test_support.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <vector>

namespace {

enum TestKey { escapeKey = 1, enterKey = 2, keypadEnterKey = 3 };

class DialogFrames : public ::testing::Test {
  protected:
    void SetUp() override {
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(440, 236);
        io.DeltaTime = 1.0f / 60.0f;
        io.KeyMap[ImGuiKey_Escape] = escapeKey;
        io.KeyMap[ImGuiKey_Enter] = enterKey;
        io.KeyMap[ImGuiKey_KeyPadEnter] = keypadEnterKey;
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    }
    void TearDown() override { ImGui::DestroyContext(); }

    // One frame; the result is the dialog's: false once it is finished.
    bool frame(ConfigDialog& dialog) {
        ImGui::NewFrame();
        const bool open = drawConfigDialog(dialog);
        ImGui::Render();
        return open;
    }
    bool pressKey(ConfigDialog& dialog, TestKey key) {
        ImGui::GetIO().KeysDown[key] = true;
        const bool open = frame(dialog);
        ImGui::GetIO().KeysDown[key] = false;
        return open && frame(dialog);
    }
    bool click(ConfigDialog& dialog, DialogPoint point) {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = ImVec2(point.x, point.y);
        if (!frame(dialog))
            return false;
        io.MouseDown[0] = true;
        const bool open = frame(dialog);
        io.MouseDown[0] = false;
        return open && frame(dialog);
    }
};

// A dialog whose save records what it was given.
ConfigDialog recordingDialog(const DisplaySettings& current, std::vector<DisplaySettings>& saves,
                             bool saveWorks = true) {
    ConfigDialog dialog = makeConfigDialog(current, true);
    dialog.save = [&saves, saveWorks](const DisplaySettings& settings, std::string& error) {
        saves.push_back(settings);
        if (!saveWorks)
            error = "cannot write ZKP.cfg: No space left on device";
        return saveWorks;
    };
    return dialog;
}

DisplaySettings oddSettings() {
    DisplaySettings settings;
    settings.fullscreenFlag = 2;
    settings.resolutionIndex = 4;
    settings.colorDepthIndex = 0;
    settings.refreshIndex = 99;
    return settings;
}

TEST_F(DialogFrames, EscapeOrCancelFinishesWithoutSaving) {
    std::vector<DisplaySettings> saves;
    ConfigDialog dialog = recordingDialog(oddSettings(), saves);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(frame(dialog)); // idle frames change nothing
    EXPECT_FALSE(pressKey(dialog, escapeKey));
    EXPECT_FALSE(dialog.saved);

    ConfigDialog clicked = recordingDialog(oddSettings(), saves);
    ASSERT_TRUE(frame(clicked));
    EXPECT_FALSE(click(clicked, cancelButton));
    EXPECT_FALSE(clicked.saved);
    EXPECT_TRUE(saves.empty());
}

TEST_F(DialogFrames, EnterSavesWhatTheControlsShow) {
    std::vector<DisplaySettings> saves;
    ConfigDialog dialog = recordingDialog(oddSettings(), saves);
    ASSERT_TRUE(frame(dialog));
    EXPECT_FALSE(pressKey(dialog, keypadEnterKey));
    EXPECT_TRUE(dialog.saved);
    ASSERT_EQ(saves.size(), 1u);
    // Flag 2 is shown (and saved) as windowed, an unknown rate as the default.
    EXPECT_EQ(saves[0].fullscreenFlag, 0);
    EXPECT_EQ(saves[0].resolutionIndex, 4);
    EXPECT_EQ(saves[0].colorDepthIndex, 0);
    EXPECT_EQ(saves[0].refreshIndex, 3);
}

TEST_F(DialogFrames, TheDisplayItIsOnIsTheOneSaved) {
    std::vector<DisplaySettings> saves;
    ConfigDialog dialog = recordingDialog(oddSettings(), saves);
    DisplayModes second;
    second.desktop = {1600, 1200, 60};
    second.offered = {second.desktop};
    // A file's settings stay as they are; a new file starts from the
    // display's own mode.
    showDisplayInDialog(dialog, 1, second, false);
    EXPECT_EQ(dialog.settings.resolutionIndex, 4);
    EXPECT_EQ(dialog.settings.displayIndex, 1);
    EXPECT_TRUE(dialog.modesKnown);
    showDisplayInDialog(dialog, 1, second, true);
    ASSERT_TRUE(frame(dialog));
    EXPECT_FALSE(pressKey(dialog, keypadEnterKey));
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].fullscreenFlag, 1);
    EXPECT_EQ(saves[0].resolutionIndex, 5);
    EXPECT_EQ(saves[0].displayIndex, 1);
}

TEST_F(DialogFrames, ClicksChangeTheChoiceAndSaveIt) {
    std::vector<DisplaySettings> saves;
    ConfigDialog dialog = recordingDialog(DisplaySettings{}, saves);
    ASSERT_TRUE(frame(dialog));
    ASSERT_TRUE(click(dialog, windowedRadio));
    EXPECT_EQ(dialog.settings.fullscreenFlag, 0);
    EXPECT_TRUE(saves.empty());
    EXPECT_FALSE(click(dialog, saveButton));
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].fullscreenFlag, 0);
    EXPECT_EQ(saves[0].resolutionIndex, 2);
}

TEST_F(DialogFrames, EscapeInAnOpenListDoesNotCancelTheDialog) {
    std::vector<DisplaySettings> saves;
    ConfigDialog dialog = recordingDialog(DisplaySettings{}, saves);
    ASSERT_TRUE(frame(dialog));
    ASSERT_TRUE(click(dialog, resolutionCombo));
    ASSERT_TRUE(ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId));
    EXPECT_TRUE(pressKey(dialog, enterKey));
    EXPECT_TRUE(pressKey(dialog, escapeKey)); // closes only the list
    EXPECT_FALSE(ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId));
    EXPECT_TRUE(saves.empty());
    EXPECT_FALSE(pressKey(dialog, escapeKey)); // now the dialog
    EXPECT_FALSE(dialog.saved);
    EXPECT_TRUE(saves.empty());
}

TEST_F(DialogFrames, AFailedSaveKeepsTheDialogOpenWithTheReason) {
    std::vector<DisplaySettings> saves;
    ConfigDialog dialog = recordingDialog(DisplaySettings{}, saves, false);
    ASSERT_TRUE(frame(dialog));
    EXPECT_TRUE(pressKey(dialog, enterKey));
    EXPECT_FALSE(dialog.saved);
    EXPECT_NE(dialog.error.find("No space left"), std::string::npos);
    EXPECT_EQ(saves.size(), 1u);

    dialog.save = [&saves](const DisplaySettings& settings, std::string&) {
        saves.push_back(settings);
        return true;
    };
    EXPECT_FALSE(click(dialog, saveButton)); // the button is still where it was
    EXPECT_TRUE(dialog.saved);
    EXPECT_TRUE(dialog.error.empty());
    EXPECT_EQ(saves.size(), 2u);
}

} // namespace
