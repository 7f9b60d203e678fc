#include "platform/dialog_window.h"

#include "platform/window.h"

#include <GL/gl.h>
#include <SDL.h>
#include <imgui.h>
#include <imgui_impl_opengl2.h>
#include <imgui_impl_sdl.h>

namespace {

void setError(std::string* error, const std::string& text) {
    if (error != nullptr)
        *error = text;
}

// Whether the event asks the dialog to go away.
bool isCloseEvent(const SDL_Event& event, Uint32 windowId) {
    if (event.type == SDL_QUIT)
        return true;
    return event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE &&
           event.window.windowID == windowId;
}

} // namespace

bool runDialogWindow(const char* title, int width, int height,
                     const std::function<bool()>& drawFrame, std::string* error) {
    const bool startedHere = !videoStarted();
    if (!startVideo(error))
        return false;

    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_Window* window =
        SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                         SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window == nullptr) {
        setError(error, std::string("cannot open the window: ") + SDL_GetError());
        if (startedHere)
            stopVideo();
        return false;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) {
        setError(error, std::string("cannot create an OpenGL context: ") + SDL_GetError());
        if (context != nullptr)
            SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        if (startedHere)
            stopVideo();
        return false;
    }
    SDL_GL_SetSwapInterval(1);

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    // A dialog has nothing to remember; never leave imgui.ini in the caller's folder.
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForOpenGL(window, context);
    ImGui_ImplOpenGL2_Init();

    const Uint32 windowId = SDL_GetWindowID(window);
    // Nothing moves unless an event arrives, so sleep between events; after
    // one, draw a few frames straight away so hover and clicks settle.
    int eagerFrames = 3;
    bool running = true;
    while (running) {
        SDL_Event event;
        bool haveEvent =
            eagerFrames > 0 ? SDL_PollEvent(&event) != 0 : SDL_WaitEventTimeout(&event, 250) != 0;
        if (eagerFrames > 0)
            --eagerFrames;
        while (haveEvent) {
            ImGui_ImplSDL2_ProcessEvent(&event);
            if (isCloseEvent(event, windowId))
                running = false;
            eagerFrames = 3;
            // ImGui sees only whether a key is down at each frame, so a press
            // and its release in one batch would be lost: give the press a
            // frame of its own and leave the rest queued for the next.
            if (event.type == SDL_KEYDOWN)
                break;
            haveEvent = SDL_PollEvent(&event) != 0;
        }
        if (!running)
            break;

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
        SDL_GL_SwapWindow(window);
    }

    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    if (startedHere)
        stopVideo();
    return true;
}
