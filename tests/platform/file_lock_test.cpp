// The one-editor-per-map lock.

#include "platform/file_lock.h"
#include "platform/process.h"
#include "scratch_dir.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>

namespace fs = std::filesystem;

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

TEST(FileLock, OnlyAFolderWhereNoLockFileCanBeMadeGoesUnlocked) {
    const ScratchDir scratch("lock", "/tmp");
    const fs::path folder = scratch.path();
    ::chmod(folder.c_str(), 0777);
    const std::string map = (folder / "m.map").string(), lock = map + ".lock";
    FileLock taken;

    // Something planted at the lock's name would let a second editor in.
    const std::string victim = scratch.file("victim", Bytes{});
    fs::create_symlink(victim, lock);
    for (bool create : {true, false}) {
        EXPECT_EQ(takeFileLock(map, create, taken), FileLockResult::refused);
        EXPECT_EQ(describeLockRefusal(errno), "it is a symbolic link");
    }
    fs::remove(lock);
    ASSERT_EQ(::mkfifo(lock.c_str(), 0666), 0);
    EXPECT_EQ(takeFileLock(map, true, taken), FileLockResult::refused);
    EXPECT_EQ(describeLockRefusal(errno), "it is not a file");
    fs::remove(lock);

    // Another user's closed lock file is refused; a folder where none can be
    // made goes unlocked.
    writeFileBytes(lock, Bytes{});
    ::chmod(lock.c_str(), 0600);
    const fs::path closed = folder / "closed";
    fs::create_directory(closed);
    ::chmod(closed.c_str(), 0555);
    const std::string closedMap = (closed / "m.map").string();
    const bool othersFile = ::geteuid() == 0; // else the lock file is the user's own
    const int result = runUnprivileged([&] {
        FileLock mine;
        const bool refused =
            takeFileLock(map, true, mine) == FileLockResult::refused && errno == EACCES;
        releaseFileLock(mine);
        const bool unlocked = takeFileLock(closedMap, true, mine) == FileLockResult::unavailable;
        return (refused == othersFile ? 0 : 1) | (unlocked ? 0 : 2);
    });
    if (result == cannotDropPrivileges)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    EXPECT_EQ(result, 0) << "1: the closed lock file; 2: the closed folder";
}
