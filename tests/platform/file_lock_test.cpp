// The one-editor-per-map lock.

#include "platform/file_lock.h"
#include "platform/process.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <csignal>

TEST(FileLock, OneHolderWhateverNameLeadsToTheFileAndNoneInheritedByAProgramStarted) {
    const ScratchDir scratch("lock");
    const std::string map = (scratch.path() / "m.map").string();
    const std::string link = (scratch.path() / "link.map").string();
    std::filesystem::create_symlink("m.map", link);
    const std::string script = "#!/bin/sh\nsleep 9\n";
    const std::string sleeper = scratch.file("sleeper", Bytes(script.begin(), script.end()));
    std::filesystem::permissions(sleeper, std::filesystem::perms::owner_all);

    FileLock editor, other;
    EXPECT_EQ(takeFileLock(map, false, other), FileLockResult::unavailable); // tools make none
    ASSERT_EQ(takeFileLock(map, true, editor), FileLockResult::taken);
    EXPECT_EQ(takeFileLock(link, false, other), FileLockResult::held);

    // The editor starts config.exe while it holds the lock: the tool must not
    // keep the map locked after the editor is gone.
    ProcessHandle child;
    ASSERT_TRUE(launchProgram(sleeper, child));
    releaseFileLock(editor);
    EXPECT_EQ(takeFileLock(link, false, other), FileLockResult::taken);
    ::kill(child.pid, SIGKILL);
    waitForProgram(child);
}
