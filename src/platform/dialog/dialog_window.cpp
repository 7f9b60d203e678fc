#include "platform/dialog/dialog_window.h"

#include "platform/platform_internal.h"
#include "platform/window.h"
#include "platform/window_internal.h"

#include <GL/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl2.h>
#include <imgui_impl_sdl.h>

namespace {

void closeDialogWindow(PlatformWindow* window, PlatformGlContext* context, bool stopVideoAfter) {
    deletePlatformGlContext(context);
    destroyPlatformWindow(window);
    if (stopVideoAfter)
        stopVideo();
}

} // namespace

bool runDialogWindow(const char* title, int width, int height,
                     const std::function<bool()>& drawFrame, std::string* error,
                     const WindowIcon& icon,
                     const std::function<void(int32_t display)>& displayChanged) {
    const bool startedHere = !videoStarted();
    if (!startVideo(error))
        return false;

    WindowRequest request;
    request.title = title;
    request.width = width;
    request.height = height;
    request.depthBits = 0; // ImGui draws flat
    request.dialog = true;
    request.icon = icon;
    std::string reason;
    PlatformWindow* window = createPlatformWindow(request, &reason);
    if (window == nullptr) {
        setError(error, "cannot open the window: " + reason);
        closeDialogWindow(nullptr, nullptr, startedHere);
        return false;
    }
    PlatformGlContext* context = createPlatformGlContext(window, &reason);
    if (context == nullptr) {
        setError(error, "cannot create an OpenGL context: " + reason);
        closeDialogWindow(window, nullptr, startedHere);
        return false;
    }
    showPlatformWindow(window);
    SDL_GL_SetSwapInterval(1);

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    // A dialog has nothing to remember; never leave imgui.ini in the caller's folder.
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForOpenGL(window->window, context->context);
    ImGui_ImplOpenGL2_Init();

    // Nothing moves unless an event arrives, so sleep between events; after
    // one, draw a few frames straight away so hover and clicks settle.
    int eagerFrames = 3;
    int32_t shownDisplay = -1;
    bool running = true;
    while (running) {
        SDL_Event raw;
        PlatformEvent event;
        bool haveEvent = takePlatformEvent(raw, event, eagerFrames > 0 ? 0 : 250);
        if (eagerFrames > 0)
            --eagerFrames;
        while (haveEvent) {
            ImGui_ImplSDL2_ProcessEvent(&raw);
            // The dialog's only window: any close request is for it.
            if (event.kind == PlatformEventKind::closeRequest)
                running = false;
            eagerFrames = 3;
            // ImGui sees only whether a key is down at each frame, so a press
            // and its release in one batch would be lost: give the press a
            // frame of its own and leave the rest queued for the next.
            if (raw.type == SDL_KEYDOWN)
                break;
            haveEvent = takePlatformEvent(raw, event, 0);
        }
        if (!running)
            break;
        // The compositor, not the program, decides where a window goes: look
        // where it went (and whether it was moved since) each frame.
        const int32_t display = SDL_GetWindowDisplayIndex(window->window);
        if (display >= 0 && display != shownDisplay) {
            shownDisplay = display;
            if (displayChanged)
                displayChanged(display);
        }

        ImGui_ImplOpenGL2_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        running = drawFrame();
        ImGui::Render();

        glViewport(0, 0, static_cast<int>(io.DisplaySize.x * io.DisplayFramebufferScale.x),
                   static_cast<int>(io.DisplaySize.y * io.DisplayFramebufferScale.y));
        glClearColor(0.10f, 0.10f, 0.12f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
        swapPlatformWindow(window);
    }

    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    closeDialogWindow(window, context, startedHere);
    return true;
}
