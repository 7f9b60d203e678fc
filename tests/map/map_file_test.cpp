// The map file: where each value lies, what loads from short, long, missing
// and unreadable files, and saves that replace the file whole or not at all.

#include "hook_swap.h"
#include "map/map_file.h"
#include "platform/platform_hooks.h"
#include "scratch_dir.h"
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Each case with a scratch folder of its own (in `parent`, by default the
// temporary folder) and a map file in it.
class MapFileTest : public ::testing::Test {
  protected:
    explicit MapFileTest(const fs::path& parent = fs::path()) : scratch("map", parent) {}

    void writeBytes(const std::vector<uint8_t>& bytes) { writeFileBytes(path, bytes); }
    std::vector<uint8_t> readBytes() const { return readFileBytes(path); }
    std::vector<std::string> filesInDir(const fs::path& folder = {}) const {
        return folderEntries(folder.empty() ? dir : folder);
    }

    const ScratchDir scratch;
    const fs::path dir = scratch.path();
    const std::string path = (dir / "quillmark.map").string();
};

void putFloat(std::vector<uint8_t>& bytes, size_t offset, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

std::vector<uint8_t> randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

} // namespace

TEST_F(MapFileTest, ValuesLandAtTheirLayerRowAndColumn) {
    std::vector<uint8_t> bytes(mapFileSize, 0);
    putFloat(bytes, 4, 1.5f);                      // height, row 1, column 0
    putFloat(bytes, 60, 2.5f);                     // height, row 0, column 1
    putFloat(bytes, 1320, 3.0f);                   // object, row 0, column 0
    putFloat(bytes, 660 + 60 * 10 + 4 * 14, 7.0f); // water, last row and column
    putFloat(bytes, 1980 + 60 * 3 + 4 * 2, 4.0f);  // unit, row 2, column 3
    writeBytes(bytes);

    HexMap map;
    loadMapFrom(map, path);
    EXPECT_EQ(map.loadState, MapLoadState::loaded);
    EXPECT_EQ(map.height.cell[1][0], 1.5f);
    EXPECT_EQ(map.height.cell[0][1], 2.5f);
    EXPECT_EQ(map.object.cell[0][0], 3.0f);
    EXPECT_EQ(map.water.cell[14][10], 7.0f);
    EXPECT_EQ(map.unit.cell[2][3], 4.0f);
    EXPECT_EQ(map.height.cell[0][0], 0.0f);
    EXPECT_EQ(map.unit.cell[3][2], 0.0f);

    // Known byte patterns of the format: 3 is 00 00 40 40, 0.5 is 00 00 00 3F.
    HexMap small;
    small.loadState = MapLoadState::loaded;
    small.height.cell[0][0] = 3.0f;
    small.water.cell[0][0] = 0.5f;
    ASSERT_TRUE(saveMapTo(small, path));
    const auto saved = readBytes();
    ASSERT_EQ(saved.size(), static_cast<size_t>(mapFileSize));
    EXPECT_EQ((std::vector<uint8_t>(saved.begin(), saved.begin() + 4)),
              (std::vector<uint8_t>{0x00, 0x00, 0x40, 0x40}));
    EXPECT_EQ((std::vector<uint8_t>(saved.begin() + 660, saved.begin() + 664)),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x3F}));
}

TEST_F(MapFileTest, LoadThenSaveReproducesEveryBitIncludingNaNsAndOddValues) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        auto bytes = randomBytes(mapFileSize, seed);
        // Make sure the special values are present: signalling and quiet NaNs
        // with payloads, infinities, negative zero, a subnormal.
        const uint32_t specials[] = {0x7FA00001u, 0xFFC12345u, 0x7F800000u,
                                     0xFF800000u, 0x80000000u, 0x00000001u};
        for (size_t i = 0; i < std::size(specials); ++i)
            for (int b = 0; b < 4; ++b)
                bytes[4 * (i * 97 % mapValueCount) + b] =
                    static_cast<uint8_t>(specials[i] >> (8 * b));
        writeBytes(bytes);

        HexMap map;
        loadMapFrom(map, path);
        ASSERT_TRUE(saveMapTo(map, path));
        ASSERT_EQ(readBytes(), bytes) << "seed " << seed;
    }
}

TEST_F(MapFileTest, ShortCutAndLongFiles) {
    // Long: the bytes after 2,640 are ignored and the save drops them.
    auto bytes = randomBytes(mapFileSize + 100, 7);
    writeBytes(bytes);
    HexMap map;
    loadMapFrom(map, path);
    ASSERT_TRUE(saveMapTo(map, path));
    EXPECT_EQ(readBytes(), std::vector<uint8_t>(bytes.begin(), bytes.begin() + mapFileSize));

    // Short, and cut in the middle of a value: every value not wholly present
    // stays 0, including the cut one.
    for (size_t size :
         {size_t{0}, size_t{3}, size_t{4}, size_t{661}, size_t{1322}, size_t{mapFileSize - 1}}) {
        std::vector<uint8_t> shortBytes(size, 0);
        for (size_t i = 0; i + 4 <= size; i += 4)
            putFloat(shortBytes, i, 1.0f + static_cast<float>(i));
        for (size_t i = size & ~size_t{3}; i < size; ++i)
            shortBytes[i] = 0x3F;
        writeBytes(shortBytes);

        HexMap loaded;
        loadMapFrom(loaded, path);
        uint8_t encoded[mapFileSize];
        encodeMapBytes(loaded, encoded);
        for (size_t offset = 0; offset < static_cast<size_t>(mapFileSize); offset += 4) {
            float value;
            std::memcpy(&value, encoded + offset, 4);
            const float expected = offset + 4 <= size ? 1.0f + static_cast<float>(offset) : 0.0f;
            ASSERT_EQ(value, expected) << "size " << size << " offset " << offset;
        }
    }
}

TEST_F(MapFileTest, MissingFileLeavesTheMapAsItWasButCountsAsLoaded) {
    HexMap map;
    map.height.cell[3][4] = 2.0f;
    loadMapFrom(map, (dir / "absent.map").string());
    EXPECT_EQ(map.loadState, MapLoadState::loaded);
    EXPECT_EQ(map.height.cell[3][4], 2.0f);

    // A save after that creates the file.
    EXPECT_TRUE(saveMapTo(map, (dir / "absent.map").string()));
    EXPECT_EQ(fs::file_size(dir / "absent.map"), static_cast<uintmax_t>(mapFileSize));
}

TEST_F(MapFileTest, SaveBeforeTheLoadStepIsRefused) {
    const auto original = randomBytes(mapFileSize, 3);
    writeBytes(original);
    HexMap empty; // as after a window creation that failed before the scene
    EXPECT_FALSE(saveMapTo(empty, path));
    EXPECT_EQ(readBytes(), original);

    HexMap map;
    clearHexMap(map);
    EXPECT_FALSE(saveMapTo(map, (dir / "new.map").string()));
    EXPECT_FALSE(fs::exists(dir / "new.map"));
}

namespace {
size_t bytesBeforeFailure = 0;
ssize_t failingWrite(int fd, const void* data, size_t size) {
    if (bytesBeforeFailure == 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t now = std::min(size, bytesBeforeFailure);
    bytesBeforeFailure -= now;
    return ::write(fd, data, now);
}

bool saveThroughFailingWrite(const HexMap& map, const std::string& file) {
    const HookSwap<decltype(PlatformHooks::writeFile)> failing(platformHooks.writeFile,
                                                               failingWrite);
    return saveMapTo(map, file);
}
} // namespace

TEST_F(MapFileTest, AFailedSaveLeavesTheOldFileExactlyAsItWas) {
    const auto original = randomBytes(mapFileSize, 11);
    writeBytes(original);
    HexMap map;
    loadMapFrom(map, path);
    map.height.cell[0][0] = 3.0f;

    for (size_t cut : {size_t{0}, size_t{1}, size_t{1000}, size_t{mapFileSize - 1}}) {
        bytesBeforeFailure = cut;
        errno = 0;
        EXPECT_FALSE(saveThroughFailingWrite(map, path)) << cut;
        EXPECT_EQ(errno, ENOSPC);
        EXPECT_EQ(readBytes(), original) << cut;
        EXPECT_EQ(filesInDir(), std::vector<std::string>{"quillmark.map"})
            << "temporary file left behind";
    }

    // The target cannot be replaced (a directory, a FIFO): refused, nothing
    // left. A directory opens for reading but cannot be read: no map loads
    // from it, and that map is never saved, wherever to.
    const fs::path blocked = dir / "blocked.map";
    fs::create_directory(blocked);
    EXPECT_FALSE(saveMapTo(map, blocked.string()));
    EXPECT_TRUE(fs::is_directory(blocked));
    HexMap fromDirectory;
    loadMapFrom(fromDirectory, blocked.string());
    EXPECT_EQ(fromDirectory.loadState, MapLoadState::unreadable);
    EXPECT_EQ(fromDirectory.loadError, EISDIR);
    EXPECT_FALSE(saveMapTo(fromDirectory, path));
    const fs::path fifo = dir / "fifo.map";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(saveMapTo(map, fifo.string()));
    EXPECT_TRUE(fs::is_fifo(fifo));
    fs::remove(fifo);
    // The folder does not exist (a path through a regular file).
    EXPECT_FALSE(saveMapTo(map, path + "/quillmark.map"));
    EXPECT_EQ(readBytes(), original);

    // And a save that works replaces the file whole.
    ASSERT_TRUE(saveMapTo(map, path));
    auto expected = original;
    putFloat(expected, 0, 3.0f);
    EXPECT_EQ(readBytes(), expected);
}

TEST(MapBytes, NaNPayloadsSurviveDecodeAndEncode) {
    std::vector<uint8_t> bytes(mapFileSize, 0);
    const uint32_t signalling = 0x7F800001u;
    for (int b = 0; b < 4; ++b)
        bytes[1980 + b] = static_cast<uint8_t>(signalling >> (8 * b));
    HexMap map;
    decodeMapBytes(map, bytes.data(), bytes.size());
    EXPECT_EQ(bitsOf(map.unit.cell[0][0]), signalling);
    uint8_t out[mapFileSize];
    encodeMapBytes(map, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + mapFileSize), bytes);
}

namespace {

struct stat statOf(const std::string& file) {
    struct stat info {};
    ::lstat(file.c_str(), &info);
    return info;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_ino == b.st_ino && a.st_mode == b.st_mode && a.st_uid == b.st_uid &&
           a.st_gid == b.st_gid && a.st_size == b.st_size;
}

// For checks in a child process, where gtest's assertions would go unseen.
void check(std::string& notes, bool ok, const std::string& what) {
    if (!ok)
        notes += what + "\n";
}

HexMap loadedMap(const std::string& file, float edit) {
    HexMap map;
    loadMapFrom(map, file);
    map.height.cell[2][3] = edit;
    return map;
}

float savedEdit(const std::string& file) {
    HexMap map;
    loadMapFrom(map, file);
    return map.height.cell[2][3];
}

// What a user without root's overriding rights meets (see unprivileged.h).
// The files sit in a fresh folder under /tmp that anyone may enter, since the
// build tree may be closed to nobody.
class MapFileAsUserTest : public MapFileTest {
  protected:
    MapFileAsUserTest() : MapFileTest("/tmp") {}
    void SetUp() override {
        ::chmod(dir.c_str(), 0777);
        asRoot = ::geteuid() == 0;
        user = unprivilegedUser();
        if (runUnprivileged([] { return 0; }) == cannotDropPrivileges)
            GTEST_SKIP() << "cannot run as uid " << user.uid;
    }
    fs::path makeFolder(const std::string& name) const {
        const fs::path folder = dir / name;
        fs::create_directory(folder);
        ::chmod(folder.c_str(), 0777);
        return folder;
    }
    void giveToUser(const std::string& file, mode_t mode) const {
        if (asRoot) {
            ASSERT_EQ(::chown(file.c_str(), user.uid, user.gid), 0);
        }
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
    }

    // Runs `body` as the user; returns the notes of its failed checks, empty
    // when all held. The notes are a few lines, well within a pipe's buffer.
    std::string asUser(const std::function<void(std::string&)>& body) const {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return "no pipe";
        const int result = runUnprivileged([&] {
            ::close(pipeFds[0]);
            std::string notes;
            body(notes);
            for (size_t done = 0; done < notes.size();) {
                const ssize_t n = ::write(pipeFds[1], notes.data() + done, notes.size() - done);
                if (n <= 0)
                    return 1;
                done += static_cast<size_t>(n);
            }
            return 0;
        });
        ::close(pipeFds[1]);
        std::string notes;
        char buffer[256];
        for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
            notes.append(buffer, static_cast<size_t>(n));
        ::close(pipeFds[0]);
        if (result != 0)
            notes += "the child ended with " + std::to_string(result) + "\n";
        return notes;
    }

    bool asRoot = false;
    UnprivilegedUser user{};
};

} // namespace

TEST_F(MapFileAsUserTest, UnreadableAndReadOnlyMapsAreNeverReplaced) {
    // Someone else's map of mode 000 (without root: the user's own, which the
    // user cannot read either), and the user's own read-only map.
    const auto original = randomBytes(mapFileSize, 5);
    const std::string readOnly = (dir / "read-only.map").string();
    writeFileBytes(path, original);
    ::chmod(path.c_str(), 0);
    writeFileBytes(readOnly, original);
    giveToUser(readOnly, 0444);
    const struct stat before[] = {statOf(path), statOf(readOnly)};

    EXPECT_EQ(asUser([&](std::string& notes) {
                  HexMap map = loadedMap(path, 1.0f);
                  check(notes, map.loadState == MapLoadState::unreadable,
                        "mode 000 counts as read");
                  check(notes, map.loadError == EACCES, "load error is not EACCES");
                  check(notes, !saveMapTo(map, path), "an unreadable map was replaced");

                  map = loadedMap(readOnly, 1.0f);
                  check(notes, map.loadState == MapLoadState::loaded, "a 0444 map did not load");
                  errno = 0;
                  check(notes, !saveMapTo(map, readOnly), "a read-only map was replaced");
                  check(notes, errno == EACCES, "refusal errno is not EACCES");
              }),
              "");
    EXPECT_TRUE(sameFile(statOf(path), before[0]));
    EXPECT_TRUE(sameFile(statOf(readOnly), before[1]));
    ::chmod(path.c_str(), 0600); // so that a non-root parent can read it back
    EXPECT_EQ(readBytes(), original);
    EXPECT_EQ(readFileBytes(readOnly), original);
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"quillmark.map", "read-only.map"}));
}

TEST_F(MapFileAsUserTest, ASaveKeepsModeAndOwnerAndANewFileFollowsTheUmask) {
    writeBytes(randomBytes(mapFileSize, 6));
    giveToUser(path, 0600);
    const std::string fresh = (dir / "new.map").string();
    const std::string groupWritable = (dir / "group-writable.map").string();

    EXPECT_EQ(asUser([&](std::string& notes) {
                  check(notes, saveMapTo(loadedMap(path, 2.5f), path), "save failed");
                  ::umask(027);
                  check(notes, saveMapTo(loadedMap(fresh, 0.5f), fresh), "create failed");
                  ::umask(002);
                  check(notes, saveMapTo(loadedMap(groupWritable, 0.5f), groupWritable),
                        "second create failed");
              }),
              "");
    EXPECT_EQ(savedEdit(path), 2.5f);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0600u);
    EXPECT_EQ(statOf(path).st_uid, user.uid);
    EXPECT_EQ(savedEdit(fresh), 0.5f);
    EXPECT_EQ(statOf(fresh).st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(groupWritable).st_mode & 07777, 0664u);

    // Root saving the user's map leaves it the user's.
    if (asRoot) {
        ASSERT_TRUE(saveMapTo(loadedMap(path, 3.0f), path));
        EXPECT_EQ(statOf(path).st_uid, user.uid);
        EXPECT_EQ(statOf(path).st_gid, user.gid);
        EXPECT_EQ(statOf(path).st_mode & 07777, 0600u);
    }
}

TEST_F(MapFileAsUserTest, ASymlinkedMapStaysALinkAndItsTargetIsSaved) {
    // data/quillmark.map -> hop -> ../maps/real.map, each link relative to its
    // own folder; data/dangling.map -> ../maps/created.map, not there yet.
    const fs::path data = makeFolder("data"), maps = makeFolder("maps");
    const std::string real = (maps / "real.map").string();
    writeFileBytes(real, randomBytes(mapFileSize, 8));
    giveToUser(real, 0600);
    fs::create_symlink("hop", data / "quillmark.map");
    fs::create_symlink("../maps/real.map", data / "hop");
    fs::create_symlink("../maps/created.map", data / "dangling.map");
    const std::string link = (data / "quillmark.map").string();
    const std::string dangling = (data / "dangling.map").string();

    EXPECT_EQ(asUser([&](std::string& notes) {
                  check(notes, saveMapTo(loadedMap(link, 2.5f), link), "save via link failed");
                  check(notes, saveMapTo(loadedMap(dangling, 0.5f), dangling),
                        "save via dangling link failed");
              }),
              "");
    EXPECT_EQ(fs::read_symlink(link), "hop");
    EXPECT_EQ(fs::read_symlink(dangling), "../maps/created.map");
    EXPECT_EQ(savedEdit(real), 2.5f);
    EXPECT_EQ(statOf(real).st_mode & 07777, 0600u);
    EXPECT_EQ(savedEdit((maps / "created.map").string()), 0.5f);
    EXPECT_EQ(filesInDir(data), (std::vector<std::string>{"dangling.map", "hop", "quillmark.map"}));
    EXPECT_EQ(filesInDir(maps), (std::vector<std::string>{"created.map", "real.map"}));

    // A link loop is refused, and stays.
    const std::string loop = (data / "loop.map").string();
    fs::create_symlink("loop.map", loop);
    errno = 0;
    EXPECT_FALSE(saveMapTo(loadedMap(real, 1.0f), loop));
    EXPECT_EQ(errno, ELOOP);
    EXPECT_TRUE(fs::is_symlink(loop));
}

TEST_F(MapFileAsUserTest, WhereTheFolderRefusesAReplacementTheMapIsWrittenInPlace) {
    // A folder the user cannot write, holding a longer map the user may write.
    const fs::path locked = makeFolder("locked");
    const std::string lockedMap = (locked / "quillmark.map").string();
    const std::string absent = (locked / "absent.map").string();
    writeFileBytes(lockedMap, randomBytes(mapFileSize + 360, 9));
    giveToUser(lockedMap, 0644);
    ::chmod(locked.c_str(), 0555);
    std::vector<std::string> maps = {lockedMap};
    // A sticky folder, where only root's map's owner may rename over it.
    if (asRoot) {
        const fs::path sticky = makeFolder("sticky");
        ::chmod(sticky.c_str(), 01777);
        maps.push_back((sticky / "quillmark.map").string());
        writeFileBytes(maps.back(), randomBytes(mapFileSize, 10));
        ::chmod(maps.back().c_str(), 0666);
    }
    std::vector<struct stat> before;
    for (const auto& map : maps)
        before.push_back(statOf(map));

    EXPECT_EQ(asUser([&](std::string& notes) {
                  for (const auto& map : maps) {
                      bytesBeforeFailure = 0; // the injected write reaches this path too
                      errno = 0;
                      check(notes, !saveThroughFailingWrite(loadedMap(map, 2.5f), map),
                            map + ": the failing write was not used");
                      check(notes, errno == ENOSPC, map + ": errno is not ENOSPC");
                      check(notes, saveMapTo(loadedMap(map, 2.5f), map), map + ": save failed");
                  }
                  errno = 0;
                  check(notes, !saveMapTo(loadedMap(absent, 1.0f), absent),
                        "a new file was made in a locked folder");
                  check(notes, errno == EACCES, "refusal errno is not EACCES");
              }),
              "");
    for (size_t i = 0; i < maps.size(); ++i) {
        const struct stat after = statOf(maps[i]);
        EXPECT_EQ(after.st_ino, before[i].st_ino) << maps[i];
        EXPECT_EQ(after.st_mode, before[i].st_mode) << maps[i];
        EXPECT_EQ(after.st_uid, before[i].st_uid) << maps[i];
        EXPECT_EQ(after.st_size, mapFileSize) << maps[i];
        EXPECT_EQ(savedEdit(maps[i]), 2.5f) << maps[i];
        EXPECT_EQ(filesInDir(fs::path(maps[i]).parent_path()),
                  std::vector<std::string>{"quillmark.map"});
    }
}

TEST_F(MapFileTest, ASaveDoesWhatAPlainWriteWouldAtomicallyWhereItCan) {
    // A second hard link gets the new map too.
    writeBytes(randomBytes(mapFileSize, 12));
    const std::string otherName = (dir / "other-name.map").string();
    ASSERT_EQ(::link(path.c_str(), otherName.c_str()), 0);
    ASSERT_TRUE(saveMapTo(loadedMap(path, 2.5f), path));
    EXPECT_EQ(savedEdit(otherName), 2.5f);
    fs::remove(otherName);

    // With one name the file is replaced, keeping its user attribute (where
    // the file system has them), and the new file never starts more open.
    ::chmod(path.c_str(), 0640);
    const bool attributes = ::setxattr(path.c_str(), "user.quillmark", "kept", 4, 0) == 0;
    static mode_t createdModes = 0;
    const HookSwap<decltype(PlatformHooks::createFile)> recording(
        platformHooks.createFile, [](const char* file, int flags, mode_t mode) {
            createdModes |= mode;
            return ::open(file, flags, mode);
        });
    const ino_t before = statOf(path).st_ino;
    ASSERT_TRUE(saveMapTo(loadedMap(path, 1.5f), path));
    EXPECT_NE(statOf(path).st_ino, before);
    EXPECT_EQ(createdModes, 0600u);
    EXPECT_TRUE(!attributes || ::getxattr(path.c_str(), "user.quillmark", nullptr, 0) == 4);

    // A name as long as a folder allows, created and replaced.
    const std::string longName = (dir / std::string(250, 'm')).string();
    EXPECT_TRUE(saveMapTo(loadedMap(longName, 1.0f), longName) &&
                saveMapTo(loadedMap(longName, 1.0f), longName));

    // The end of a dangling link goes again when its write fails.
    fs::create_symlink("made-by-link.map", dir / "dangling.map");
    bytesBeforeFailure = 100;
    EXPECT_FALSE(saveThroughFailingWrite(loadedMap(path, 1.0f), (dir / "dangling.map").string()));
    EXPECT_EQ(filesInDir(),
              (std::vector<std::string>{"dangling.map", std::string(250, 'm'), "quillmark.map"}));
}

TEST_F(MapFileAsUserTest, ALinkAnotherUserPlantedInAStickyFolderIsNotFollowed) {
    // Root is the victim here, nobody the one who plants the link.
    if (!asRoot || readFileText("/proc/sys/fs/protected_symlinks") != "1\n")
        GTEST_SKIP() << "needs root and fs.protected_symlinks = 1";
    const fs::path sticky = makeFolder("sticky");
    ::chmod(sticky.c_str(), 01777);
    const std::string planted = (sticky / "quillmark.map").string();
    writeBytes(randomBytes(mapFileSize, 15));
    EXPECT_EQ(asUser([&](std::string& notes) {
                  check(notes, ::symlink(path.c_str(), planted.c_str()) == 0, "cannot plant");
              }),
              "");
    HexMap map; // not loaded through the link, which would refuse the save by itself
    map.loadState = MapLoadState::loaded;
    EXPECT_FALSE(saveMapTo(map, planted));
    EXPECT_EQ(readBytes(), randomBytes(mapFileSize, 15));
}

TEST_F(MapFileAsUserTest, AGroupMembersSaveOfAnotherUsersMapKeepsItsOwner) {
    // A shared folder (setgid, 2775) whose group the user is in; the map is
    // another user's, writable by the group. A rename would make it the
    // saver's, and its owner could no longer chmod it.
    if (!asRoot)
        GTEST_SKIP() << "needs root to give the map to another user";
    const uid_t owner = user.uid == 1 ? 2 : 1;
    const fs::path shared = makeFolder("shared");
    ASSERT_EQ(::chown(shared.c_str(), 0, user.gid), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 02775), 0);
    const std::string map = (shared / "quillmark.map").string();
    writeFileBytes(map, randomBytes(mapFileSize, 16));
    ASSERT_EQ(::chown(map.c_str(), owner, user.gid), 0);
    ASSERT_EQ(::chmod(map.c_str(), 0664), 0);
    const ino_t before = statOf(map).st_ino;

    EXPECT_EQ(asUser([&](std::string& notes) {
                  check(notes, saveMapTo(loadedMap(map, 2.5f), map), "save failed");
              }),
              "");
    EXPECT_EQ(savedEdit(map), 2.5f);
    EXPECT_EQ(statOf(map).st_uid, owner);
    EXPECT_EQ(statOf(map).st_gid, user.gid);
    EXPECT_EQ(statOf(map).st_ino, before) << "written in place, as a plain write";
    EXPECT_EQ(filesInDir(shared), std::vector<std::string>{"quillmark.map"});
}

TEST_F(MapFileTest, ANameForADescriptorAlreadyOpenHereIsWrittenThroughIt) {
    // As `(tool a /dev/stdout; tool b /dev/stdout) > two.bin`: the second
    // write must land in the file, not in one the first save renamed away.
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(out, 0);
    const ino_t before = statOf(path).st_ino;
    const std::string first(64, 'a'), second = "second";
    EXPECT_TRUE(writeFileAtomically("/dev/fd/" + std::to_string(out), first.data(), first.size()));
    EXPECT_TRUE(
        writeFileAtomically("/proc/self/fd/" + std::to_string(out), second.data(), second.size()));
    ::close(out);
    EXPECT_EQ(statOf(path).st_ino, before);
    const std::vector<uint8_t> bytes = readBytes();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), second);
}
