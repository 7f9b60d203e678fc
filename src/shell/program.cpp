#include "shell/program.h"

#include "map/map_file.h"
#include "platform/file_lock.h"
#include "platform/message_box.h"
#include "platform/periodic_timer.h"
#include "platform/process.h"
#include "platform/window.h"
#include "shell/asset_loading.h"
#include "shell/display_settings.h"
#include "shell/gl_window.h"
#include "shell/program_state.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

void tickTimerProc() {
    editorTick();
}

namespace {

// Before anything that could read or write the map: a second editor on the
// same map would save over the first one's edits at its exit. False when
// another editor holds the map, or when its lock file cannot be used (a link
// or a file not ours to open: either would let two editors in). Only where
// no lock file can be made (a read-only folder) does the run go on without.
bool takeMapLock(FileLock& lock) {
    const FileLockResult result = takeFileLock(mapFilePath, true, lock);
    if (result == FileLockResult::held) {
        showMessageBox("Error", "This map is already open in another Quillmark window.",
                       MessageIcon::error);
        return false;
    }
    if (result == FileLockResult::refused) {
        const std::string why = describeLockRefusal(errno);
        showMessageBox("Error",
                       "Couldn't use the map's lock file " + lockFilePathFor(mapFilePath) + " (" +
                           why +
                           "), so the map is not opened: another Quillmark window could "
                           "save over its edits.",
                       MessageIcon::error);
        return false;
    }
    return true;
}

// A copy left behind means the last run ended without its save. It is set
// aside, never applied: the user decides what to take from it. False when
// it could not be moved: this run must not write over it.
bool setAsideLeftCopy() {
    std::string setAside;
    const LeftCopy left = setAsideEarlierCopy(mapRecoveryPath, mapRecoveredPath, setAside);
    if (left == LeftCopy::none)
        return true;
    if (left == LeftCopy::notACopy) {
        std::fprintf(stderr,
                     "quillmark: %s is not a file the editor made, and is left alone; this run "
                     "keeps no recovery copy\n",
                     mapRecoveryPath);
        return false;
    }
    showMessageBox("Recovery",
                   "The last run ended before it could save. Its edits are kept in " +
                       (left == LeftCopy::renamed ? setAside : std::string(mapRecoveryPath)) + ".",
                   MessageIcon::information);
    return left == LeftCopy::renamed;
}

// What the end after a lost display finds: the timer it stops first, and
// whether the run's own end has saved already (the lock may be another
// editor's by then).
PeriodicTimer* runningTickTimer = nullptr;
enum class RunEnd { notYet, saved, notSaved };
std::atomic<RunEnd> runEnd{RunEnd::notYet};

// The display went away: the same save as any other end, on the thread whose
// display call failed, the main one, which holds the scene lock across no
// display call. Nothing of the window or GL is touched: the connection is
// dead. The exit status: 0 when the map is saved, 1 otherwise.
int endOnLostDisplay() {
    const RunEnd end = runEnd.load();
    if (end != RunEnd::notYet)
        return end == RunEnd::saved ? 0 : 1;
    std::fputs("quillmark: the display went away; saving the map\n", stderr);
    // No tick may change the map between the save and the copy's settling.
    PeriodicTimer* timer = runningTickTimer;
    runningTickTimer = nullptr;
    stopPeriodicTimer(timer);
    return saveMapAtEnd(false) ? 0 : 1;
}

} // namespace

int runProgram() {
    quitRequested.store(0);
    // A closed terminal or pipe must not end the run before the save, and
    // neither must a lost display.
    catchHangup();
    ignoreBrokenPipe();
    runEnd.store(RunEnd::notYet);
    setDisplayLostHandler(endOnLostDisplay);

    FileLock mapLock;
    if (!takeMapLock(mapLock))
        return 1;
    const bool keepCopy = setAsideLeftCopy();

    if (!loadAssetSet()) {
        showMessageBox("Error", "Couldn't load the model data\\model.ms3d", MessageIcon::error);
        return 0;
    }

    // Without a window no event can ever end the loop: end here instead,
    // saving nothing.
    if (!loadDisplaySettings("Quillmark", nullptr)) {
        // The box says only that it failed; the cause tells a missing display
        // from a refused mode or a GL driver that said no.
        if (!glWindow.failureCause.empty())
            std::fprintf(stderr, "quillmark: %s\n", glWindow.failureCause.c_str());
        stopVideo();
        return 1;
    }

    if (keepCopy)
        startRecoveryCopy();

    // A monotonic clock: whole calendar seconds would make a short run's
    // rate wrong by up to half, or infinite within one second.
    const auto startTime = std::chrono::steady_clock::now();
    int32_t frameCount = 0;
    PeriodicTimer* tickTimer = startPeriodicTimer(1000, tickTimerProc);
    runningTickTimer = tickTimer;
    if (tickTimer == nullptr) {
        // The run goes on without ticks: the window still draws, and a close
        // request still ends it with the map saved.
        std::fprintf(stderr,
                     "quillmark: the editor's timer could not be started (%s); keys will do "
                     "nothing, close the window to end\n",
                     std::strerror(errno));
    }

    int32_t lastCode = 0; // the code of the last event taken: the exit code
    while (quitRequested.load() == 0) {
        PlatformEvent event;
        if (pollPlatformEvent(event)) {
            lastCode = event.code;
            if (event.kind == PlatformEventKind::quit)
                quitRequested.store(1);
            else
                windowProc(event);
            continue;
        }
        if (glWindow.active != 0 && drawScene() == 0) {
            quitRequested.store(1);
            continue;
        }
        swapPlatformWindow(glWindow.window);
        ++frameCount;
    }

    runningTickTimer = nullptr;
    stopPeriodicTimer(tickTimer);
    runEnd.store(destroyGlWindow() ? RunEnd::saved : RunEnd::notSaved);
    // The map is saved (or kept in its copy): another editor may have it now.
    // Released before the report, since a box may be shown by a child process
    // that would hold the lock on after this one is gone.
    releaseFileLock(mapLock);

    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime).count();
    char text[1000];
    std::snprintf(text, sizeof text, "FPS: %f", static_cast<double>(frameCount) / elapsed);
    showMessageBox("FRAMERATE TEST", text, MessageIcon::information);
    return lastCode;
}
