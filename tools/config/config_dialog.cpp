#include "config_dialog.h"

#include "config_settings.h"

#include <imgui.h>

#include <algorithm>
#include <vector>

const char* const configDialogTitle = "Quillmark display settings";

namespace {

const float labelWidth = 110.0f;

bool keyPressed(ImGuiKey key) {
    return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key), false);
}

std::vector<int32_t> everyIndex(int32_t count) {
    std::vector<int32_t> indices(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        indices[static_cast<size_t>(i)] = i;
    return indices;
}

// A labelled combo box over the `offered` table indices, in table order. The
// chosen index shows even when it is not offered, marked, so that a file's own
// value is never hidden.
void comboRow(const char* label, const char* id, const std::vector<int32_t>& offered,
              std::string (*caption)(int32_t), int32_t& index) {
    const auto isOffered = [&offered](int32_t i) {
        return std::find(offered.begin(), offered.end(), i) != offered.end();
    };
    const auto text = [&](int32_t i) {
        return caption(i) + (isOffered(i) ? "" : " (not offered)");
    };
    std::vector<int32_t> choices = offered;
    if (!isOffered(index))
        choices.insert(std::lower_bound(choices.begin(), choices.end(), index), index);

    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(label);
    ImGui::SameLine(labelWidth);
    ImGui::SetNextItemWidth(-1.0f);
    if (ImGui::BeginCombo(id, text(index).c_str())) {
        for (int32_t i : choices) {
            const bool selected = i == index;
            if (ImGui::Selectable(text(i).c_str(), selected))
                index = i;
            if (selected)
                ImGui::SetItemDefaultFocus();
        }
        if (keyPressed(ImGuiKey_Escape))
            ImGui::CloseCurrentPopup();
        ImGui::EndCombo();
    }
}

} // namespace

ConfigDialog makeConfigDialog(const DisplaySettings& current, bool fileExists,
                              const DisplayModes* modes) {
    ConfigDialog dialog;
    dialog.settings = normalizedSettings(current);
    dialog.fileExists = fileExists;
    if (modes != nullptr) {
        dialog.modes = *modes;
        dialog.modesKnown = true;
    }
    return dialog;
}

void showDisplayInDialog(ConfigDialog& dialog, int32_t display, const DisplayModes& modes,
                         bool suggest) {
    dialog.modes = modes;
    dialog.modesKnown = true;
    if (suggest)
        dialog.settings = settingsNearestDesktop(modes);
    dialog.settings.displayIndex = display;
}

bool drawConfigDialog(ConfigDialog& dialog) {
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(viewport->WorkPos);
    ImGui::SetNextWindowSize(viewport->WorkSize);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoBringToFrontOnFocus;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(16.0f, 14.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(8.0f, 8.0f));
    ImGui::Begin("settings", nullptr, flags);

    ImGui::TextColored(ImVec4(1.0f, 0.85f, 0.45f, 1.0f), "%s", configDialogTitle);
    ImGui::TextDisabled("%s", dialog.fileExists ? "Current settings from ZKP.cfg"
                              : dialog.modesKnown
                                  ? "No ZKP.cfg yet: starting from the display's mode"
                                  : "No ZKP.cfg yet: showing the defaults");
    ImGui::Separator();

    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Display");
    ImGui::SameLine(labelWidth);
    int fullscreen = dialog.settings.fullscreenFlag == 1 ? 1 : 0;
    ImGui::RadioButton("Fullscreen", &fullscreen, 1);
    ImGui::SameLine();
    ImGui::RadioButton("Windowed", &fullscreen, 0);
    dialog.settings.fullscreenFlag = static_cast<uint8_t>(fullscreen);

    const bool known = dialog.modesKnown;
    comboRow("Resolution", "##resolution",
             known ? offeredResolutions(dialog.modes, fullscreen == 1)
                   : everyIndex(resolutionCount),
             resolutionCaption, dialog.settings.resolutionIndex);
    comboRow("Colour depth", "##depth", everyIndex(colorDepthCount), colorDepthCaption,
             dialog.settings.colorDepthIndex);
    comboRow("Refresh rate", "##refresh",
             known ? offeredRefreshRates(dialog.modes, dialog.settings.resolutionIndex)
                   : everyIndex(refreshCount),
             refreshCaption, dialog.settings.refreshIndex);

    ImGui::Separator();
    const ImVec4 warning(1.0f, 0.4f, 0.35f, 1.0f);
    std::string notOffered;
    if (!dialog.error.empty())
        ImGui::TextColored(warning, "%s", dialog.error.c_str());
    else if (known && !fullscreenOffered(dialog.settings, dialog.modes, notOffered))
        ImGui::TextColored(warning, "This display does not offer that mode.");

    // The buttons sit in the bottom right corner, whether or not an error shows.
    const ImVec2 buttonSize(90.0f, ImGui::GetFrameHeight());
    const float buttonsWidth = buttonSize.x * 2.0f + ImGui::GetStyle().ItemSpacing.x;
    const ImVec2 corner = ImGui::GetWindowContentRegionMax();
    ImGui::SetCursorPos(
        ImVec2(corner.x - buttonsWidth, std::max(ImGui::GetCursorPosY(), corner.y - buttonSize.y)));
    bool save = ImGui::Button("Save", buttonSize);
    ImGui::SameLine();
    bool cancel = ImGui::Button("Cancel", buttonSize);

    // The keys act on the dialog only while no combo list is open, nor was in
    // the last frame: there, Escape closes the list and Enter does nothing.
    const bool listOpen = ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId);
    if (!listOpen && !dialog.listWasOpen) {
        if (keyPressed(ImGuiKey_Escape))
            cancel = true;
        if (keyPressed(ImGuiKey_Enter) || keyPressed(ImGuiKey_KeyPadEnter))
            save = true;
    }

    ImGui::End();
    ImGui::PopStyleVar(2);
    dialog.listWasOpen = listOpen;

    if (cancel)
        return false;
    if (save) {
        dialog.error.clear();
        if (dialog.save && !dialog.save(dialog.settings, dialog.error))
            return true; // stay open and show why
        dialog.saved = true;
        return false;
    }
    return true;
}
