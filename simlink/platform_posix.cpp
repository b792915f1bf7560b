// POSIX systems: a simulation and the tool meet in one per-user runtime
// directory D. Key files in D name the System V segments (ftok with project
// id 'Q'), and presence files named after the two window classes carry an
// exclusive flock while the simulation's window exists.
#include "simlink/platform_native.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

namespace native {

namespace {

std::string currentDirectory()
{
    std::string dir(256, '\0');
    while (!getcwd(&dir[0], dir.size())) {
        if (errno != ERANGE || dir.size() > 65536)
            return std::string();
        dir.resize(dir.size() * 2);
    }
    dir.resize(std::strlen(dir.c_str()));
    return dir;
}

// The working directory as the program started. A relative runtime
// directory is resolved against it, so that key paths are absolute and stay
// the same when the program later changes its working directory.
const std::string &startDirectory()
{
    static const std::string dir = currentDirectory();
    return dir;
}
[[maybe_unused]] const std::string &startDirectoryAtLoad = startDirectory();

std::string absolute(const std::string &dir)
{
    if (dir.empty() || dir[0] == '/' || startDirectory().empty())
        return dir;
    return startDirectory() + "/" + dir;
}

} // namespace

namespace {

// The real user id, asked once: the tool never changes it.
uid_t realUid()
{
    static const uid_t uid = getuid();
    return uid;
}

std::string resolveRuntimeDirectory(const char *explicitDir, const char *xdg)
{
    if (explicitDir && *explicitDir)
        return absolute(explicitDir);
    if (xdg && *xdg)
        return absolute(std::string(xdg) + "/noxel");
    return "/tmp/noxel-" + std::to_string(static_cast<unsigned long>(realUid()));
}

} // namespace

std::string runtimeDirectory()
{
    // Asked on every poll: resolved again only when one of the variables it
    // comes from has changed since the last call.
    static std::string lastExplicit, lastXdg, dir;
    static bool resolved = false;
    const char *explicitDir = std::getenv("NOXEL_RUNTIME_DIR");
    const char *xdg = std::getenv("XDG_RUNTIME_DIR");
    const auto same = [](const std::string &last, const char *now) { return last == (now ? now : ""); };
    if (!resolved || !same(lastExplicit, explicitDir) || !same(lastXdg, xdg)) {
        lastExplicit = explicitDir ? explicitDir : "";
        lastXdg = xdg ? xdg : "";
        dir = resolveRuntimeDirectory(explicitDir, xdg);
        resolved = true;
    }
    return dir;
}

namespace {

// Says why D is not trusted once per distinct reason, not on every poll.
void reportOnce(const std::string &reason)
{
    static std::set<std::string> reported;
    if (reported.insert(reason).second)
        std::fprintf(stderr, "noXelView: %s\n", reason.c_str());
}

// D is trusted only as a real directory (not a symbolic link) of our own
// real user that nobody else can write into. A missing D simply means that
// no simulation runs and is not worth a message.
bool trustedDirectory(std::string *dir)
{
    *dir = runtimeDirectory();
    struct stat st;
    if (lstat(dir->c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        reportOnce("ignoring runtime directory " + *dir + ": it is a symbolic link");
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        reportOnce("ignoring runtime directory " + *dir + ": it is not a directory");
        return false;
    }
    if (st.st_uid != realUid()) {
        reportOnce("ignoring runtime directory " + *dir + ": it belongs to another user");
        return false;
    }
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        reportOnce("ignoring runtime directory " + *dir + ": it is writable by group or others");
        return false;
    }
    return true;
}

} // namespace

bool windowClassExists(const char *className)
{
    std::string dir;
    if (!trustedDirectory(&dir))
        return false;
    const std::string path = dir + "/" + className;
    // Non-blocking: a FIFO of that name must not stall the caller; only a
    // regular file can be a presence file.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    bool exists = false;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0)
        exists = (errno == EWOULDBLOCK);
    else
        flock(fd, LOCK_UN);
    close(fd);
    return exists;
}

std::string blockKey(const char *blockName)
{
    std::string dir;
    if (!trustedDirectory(&dir))
        return std::string();
    return dir + "/" + blockName;
}

namespace {

// The segment the key file names now, or -1; *st is the file as it was
// before the look-up (only a regular file is a key file).
int lookUpSegment(const std::string &key, struct stat *st)
{
    if (key.empty())
        return -1;
    if (lstat(key.c_str(), st) != 0 || !S_ISREG(st->st_mode))
        return -1;
    const key_t ipcKey = ftok(key.c_str(), 'Q');
    if (ipcKey == key_t(-1))
        return -1;
    return shmget(ipcKey, 0, 0);
}

bool sameFile(const struct stat &st, const Segment &segment)
{
    return static_cast<unsigned long long>(st.st_dev) == segment.keyDev
        && static_cast<unsigned long long>(st.st_ino) == segment.keyIno;
}

// Remembers the key file as the one that names the segment, when it is
// still the file the look-up started from (it may have been replaced in
// between, and then the look-up has to be repeated next time).
void rememberKeyFile(Segment &segment, const struct stat &before)
{
    struct stat after;
    segment.keyKnown = lstat(segment.key.c_str(), &after) == 0 && after.st_dev == before.st_dev
        && after.st_ino == before.st_ino;
    segment.keyDev = static_cast<unsigned long long>(before.st_dev);
    segment.keyIno = static_cast<unsigned long long>(before.st_ino);
}

// Whether the segment still carries the key it was found by. Removing a
// segment is the only way it loses its key (the key becomes private while
// attachments last); without a way to see that mark, the key is looked up.
bool stillKeyed(int id)
{
#ifdef SHM_DEST
    struct shmid_ds ds;
    return shmctl(id, IPC_STAT, &ds) == 0 && !(ds.shm_perm.mode & SHM_DEST);
#else
    (void)id;
    return false;
#endif
}

} // namespace

int segmentIdOf(const std::string &key)
{
    struct stat st;
    return lookUpSegment(key, &st);
}

bool segmentReplaced(Segment &segment)
{
    if (!segment.data)
        return false;
    struct stat st;
    if (lstat(segment.key.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // The key follows from the file's device and inode alone, and a live
    // segment keeps its key (keys are unique) until it is removed: the same
    // file and a segment not removed mean the key names this segment still.
    if (segment.keyKnown && sameFile(st, segment) && stillKeyed(segment.id))
        return false;
    const int now = lookUpSegment(segment.key, &st);
    if (now < 0)
        return false;
    if (now != segment.id)
        return true;
    // A new key file that names the same segment (its key collided with
    // the old file's): from now on that file is the one to compare with.
    rememberKeyFile(segment, st);
    return false;
}

namespace {

bool ownSegment(int id, struct shmid_ds *ds)
{
    return id >= 0 && shmctl(id, IPC_STAT, ds) == 0 && ds->shm_perm.uid == realUid();
}

} // namespace

bool blockOwnerTrusted(const std::string &key)
{
    struct shmid_ds ds;
    return ownSegment(segmentIdOf(key), &ds);
}

Segment attachSegment(const std::string &key, bool readOnly)
{
    Segment segment;
    struct stat keyFile;
    const int id = lookUpSegment(key, &keyFile);
    struct shmid_ds ds;
    if (!ownSegment(id, &ds))
        return segment;
    void *data = shmat(id, nullptr, readOnly ? SHM_RDONLY : 0);
    if (data == reinterpret_cast<void *>(-1))
        return segment;
    segment.data = data;
    segment.size = static_cast<long long>(ds.shm_segsz);
    segment.id = id;
    segment.key = key;
    rememberKeyFile(segment, keyFile);
    return segment;
}

void detachSegment(Segment &segment)
{
    if (!segment.data)
        return;
    shmdt(segment.data);
    struct shmid_ds ds;
    // Left behind by a simulation that ended without cleanup: the last
    // detach removes it. (One the simulation removed is gone already.)
    if (ownSegment(segment.id, &ds) && ds.shm_nattch == 0)
        shmctl(segment.id, IPC_RMID, nullptr);
    segment = Segment();
}

int capsLockState()
{
    return -1;
}

} // namespace native
