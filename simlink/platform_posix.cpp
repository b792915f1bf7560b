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

std::string runtimeDirectory()
{
    const char *explicitDir = std::getenv("NOXEL_RUNTIME_DIR");
    if (explicitDir && *explicitDir)
        return absolute(explicitDir);
    const char *xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg)
        return absolute(std::string(xdg) + "/noxel");
    return "/tmp/noxel-" + std::to_string(static_cast<unsigned long>(getuid()));
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
    if (st.st_uid != getuid()) {
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

int segmentIdOf(const std::string &key)
{
    if (key.empty())
        return -1;
    struct stat st;
    if (lstat(key.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    const key_t ipcKey = ftok(key.c_str(), 'Q');
    if (ipcKey == key_t(-1))
        return -1;
    return shmget(ipcKey, 0, 0);
}

namespace {

bool ownSegment(int id, struct shmid_ds *ds)
{
    return id >= 0 && shmctl(id, IPC_STAT, ds) == 0 && ds->shm_perm.uid == getuid();
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
    const int id = segmentIdOf(key);
    struct shmid_ds ds;
    if (!ownSegment(id, &ds))
        return segment;
    void *data = shmat(id, nullptr, readOnly ? SHM_RDONLY : 0);
    if (data == reinterpret_cast<void *>(-1))
        return segment;
    segment.data = data;
    segment.size = static_cast<long long>(ds.shm_segsz);
    segment.id = id;
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
