/* The runtime directory, presence locks and key-file-named segments. */
#define _GNU_SOURCE /* mkostemp */
#include "link.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

/* Attempts at a free key before giving up: each either removes a stale
 * segment or puts a new inode (a new ftok key) in place. */
#define KEY_ATTEMPTS 16

void nxp_layer_name(int n, char *out, size_t out_size)
{
    if (n <= 0)
        snprintf(out, out_size, "%s", NXP_LAYER_PREFIX);
    else
        snprintf(out, out_size, "%s%d", NXP_LAYER_PREFIX, n);
}

void nxp_error(char *err, size_t err_size, const char *format, ...)
{
    if (!err || err_size == 0)
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(err, err_size, format, args);
    va_end(args);
}

static char *join(const char *a, const char *b)
{
    const size_t na = strlen(a), nb = strlen(b);
    char *out = malloc(na + nb + 2);
    if (!out)
        return NULL;
    memcpy(out, a, na);
    out[na] = '/';
    memcpy(out + na + 1, b, nb + 1);
    return out;
}

static char *absolute(const char *dir)
{
    if (dir[0] == '/')
        return strdup(dir);
    char *cwd = getcwd(NULL, 0);
    if (!cwd)
        return strdup(dir);
    char *out = join(cwd, dir);
    free(cwd);
    return out;
}

char *nxp_runtime_dir(const char *dir, int *explicit_form)
{
    *explicit_form = 1;
    if (dir && *dir)
        return absolute(dir);
    const char *env = getenv("NOXEL_RUNTIME_DIR");
    if (env && *env)
        return absolute(env);
    *explicit_form = 0;
    const char *xdg = getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg) {
        char *base = absolute(xdg);
        char *out = base ? join(base, "noxel") : NULL;
        free(base);
        return out;
    }
    char buf[64];
    snprintf(buf, sizeof buf, "/tmp/noxel-%lu", (unsigned long)getuid());
    return strdup(buf);
}

int nxp_make_dir(const char *dir, int with_parents, char *err, size_t err_size)
{
    struct stat st;
    if (lstat(dir, &st) == 0)
        return 0;
    if (with_parents) {
        char *path = strdup(dir);
        if (!path) {
            nxp_error(err, err_size, "out of memory");
            return -1;
        }
        for (char *p = path + 1; *p; ++p) {
            if (*p != '/')
                continue;
            *p = '\0';
            if (mkdir(path, 0700) != 0 && errno != EEXIST) {
                nxp_error(err, err_size, "cannot create runtime directory %s: %s", path, strerror(errno));
                free(path);
                return -1;
            }
            *p = '/';
        }
        free(path);
    }
    if (mkdir(dir, 0700) != 0 && errno != EEXIST) {
        nxp_error(err, err_size, "cannot create runtime directory %s: %s", dir, strerror(errno));
        return -1;
    }
    return 0;
}

int nxp_trusted_dir(const char *dir, char *err, size_t err_size)
{
    struct stat st;
    const char *why = NULL;
    if (lstat(dir, &st) != 0)
        why = strerror(errno);
    else if (S_ISLNK(st.st_mode))
        why = "it is a symbolic link";
    else if (!S_ISDIR(st.st_mode))
        why = "it is not a directory";
    else if (st.st_uid != getuid())
        why = "it belongs to another user";
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        why = "it is writable by group or others";
    if (!why)
        return 0;
    nxp_error(err, err_size, "untrusted runtime directory %s: %s", dir, why);
    return -1;
}

static int hold(nxp_held *held, int fd)
{
    if (held->count == held->capacity) {
        const int capacity = held->capacity ? 2 * held->capacity : 8;
        int *fds = realloc(held->fds, sizeof(int) * (size_t)capacity);
        if (!fds)
            return -1;
        held->fds = fds;
        held->capacity = capacity;
    }
    held->fds[held->count++] = fd;
    return 0;
}

void nxp_held_close(nxp_held *held)
{
    for (int i = 0; i < held->count; ++i)
        close(held->fds[i]);
    free(held->fds);
    held->fds = NULL;
    held->count = held->capacity = 0;
}

/* Opens a regular file without following a link or waiting on a FIFO. */
static int open_regular(const char *path, int flags)
{
    const int fd = open(path, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

/* Whether another open file holds the presence file exclusively: a shared
 * probe is refused only by a simulation's exclusive lock. */
static int held_elsewhere(const char *path)
{
    const int fd = open_regular(path, O_RDONLY);
    if (fd < 0)
        return 0;
    int heldByOther = 0;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0)
        heldByOther = errno == EWOULDBLOCK;
    close(fd);
    return heldByOther;
}

static void sleep_ms(long ms)
{
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

static long elapsed_ms(const struct timespec *start)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start->tv_sec) * 1000L + (now.tv_nsec - start->tv_nsec) / 1000000L;
}

int nxp_presence_take(const char *dir, const char *window_class, const char *other_class, int timeout_ms,
                      char *err, size_t err_size)
{
    char *path = join(dir, window_class);
    if (!path) {
        nxp_error(err, err_size, "out of memory");
        return -1;
    }
    const int fd = open_regular(path, O_CREAT | O_RDWR);
    if (fd < 0) {
        nxp_error(err, err_size, "cannot open presence file %s: %s", path, strerror(errno));
        free(path);
        return -1;
    }
    free(path);
    /* A tool's probe holds a shared lock for an instant only; a lock that
     * stays belongs to another simulation. */
    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            nxp_error(err, err_size, "cannot lock presence file in %s: %s", dir, strerror(errno));
            close(fd);
            return -1;
        }
        if (elapsed_ms(&start) >= timeout_ms) {
            nxp_error(err, err_size, "another simulation already runs in %s", dir);
            close(fd);
            return -1;
        }
        sleep_ms(20);
    }
    if (other_class) {
        char *other = join(dir, other_class);
        const int taken = other ? held_elsewhere(other) : 0;
        free(other);
        if (taken) {
            nxp_error(err, err_size, "another simulation already runs in %s", dir);
            close(fd);
            return -1;
        }
    }
    return fd;
}

/* Creates the key file when it is missing. 0 when path is a regular file
 * afterwards. */
static int make_key_file(const char *path)
{
    const int fd = open_regular(path, O_CREAT | O_WRONLY);
    if (fd < 0)
        return -1;
    close(fd);
    return 0;
}

/* Puts a new key file (a new inode, so a new ftok key) in place of the old
 * one: made beside it and renamed over it, since unlinking first would let
 * the file system hand the freed inode straight back with the same key.
 * The old inode, whose key a block still in use holds, and every new file
 * whose key turns out to be taken too stay open in held, so that they
 * cannot come back either. */
static int replace_key_file(const char *path, nxp_held *held)
{
    const int old = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (old >= 0 && hold(held, old) != 0)
        close(old);
    const size_t n = strlen(path);
    char *temp = malloc(n + 8);
    if (!temp)
        return -1;
    for (int attempt = 0; attempt < KEY_ATTEMPTS; ++attempt) {
        memcpy(temp, path, n);
        memcpy(temp + n, ".XXXXXX", 8);
        const int fd = mkostemp(temp, O_CLOEXEC);
        if (fd < 0)
            break;
        const key_t key = ftok(temp, 'Q');
        if (key != (key_t)-1 && shmget(key, 0, 0) < 0 && errno == ENOENT) {
            close(fd);
            const int renamed = rename(temp, path);
            if (renamed != 0)
                unlink(temp);
            free(temp);
            return renamed;
        }
        unlink(temp);
        if (hold(held, fd) != 0)
            close(fd);
    }
    free(temp);
    return -1;
}

int nxp_segment_create(const char *dir, const char *name, size_t size, nxp_held *held, nxp_segment *out,
                       char *err, size_t err_size)
{
    memset(out, 0, sizeof *out);
    out->id = -1;
    char *path = join(dir, name);
    if (!path) {
        nxp_error(err, err_size, "out of memory");
        return -1;
    }
    for (int attempt = 0; attempt < KEY_ATTEMPTS; ++attempt) {
        if (make_key_file(path) != 0 && replace_key_file(path, held) != 0) {
            nxp_error(err, err_size, "cannot create key file %s", path);
            break;
        }
        const key_t key = ftok(path, 'Q');
        if (key == (key_t)-1) {
            nxp_error(err, err_size, "cannot make a key from %s: %s", path, strerror(errno));
            break;
        }
        const int id = shmget(key, size, IPC_CREAT | IPC_EXCL | 0600);
        if (id >= 0) {
            void *mapped = shmat(id, NULL, 0);
            if (mapped != (void *)-1) {
                /* A new segment is zeroed by the system, so inUse is 0
                 * until the header is complete. */
                out->data = mapped;
                out->size = size;
                out->id = id;
                out->key_path = path;
                return 0;
            }
            /* Not yet attached here, the new segment had no attachment: a
             * tool that attached and detached it meanwhile was its last
             * user and removed it. Make another one. */
            const int attachError = errno;
            shmctl(id, IPC_RMID, NULL);
            if (attachError == EINVAL || attachError == EIDRM)
                continue;
            nxp_error(err, err_size, "cannot attach the block %s: %s", name, strerror(attachError));
            break;
        }
        if (errno != EEXIST) {
            nxp_error(err, err_size, "out of shared memory for %s (%zu bytes): %s", name, size, strerror(errno));
            break;
        }
        /* The key is taken. A leftover of our own that nobody holds (a
         * crashed simulation's) is removed; anything else keeps its key and
         * we take a new key file. */
        const int existing = shmget(key, 0, 0);
        struct shmid_ds ds;
        if (existing >= 0 && shmctl(existing, IPC_STAT, &ds) == 0 && ds.shm_perm.uid == getuid()
            && ds.shm_nattch == 0) {
            shmctl(existing, IPC_RMID, NULL);
        } else if (replace_key_file(path, held) != 0) {
            nxp_error(err, err_size, "cannot replace key file %s", path);
            break;
        }
        if (attempt == KEY_ATTEMPTS - 1)
            nxp_error(err, err_size, "no free key for %s", path);
    }
    free(path);
    return -1;
}

static void release(nxp_segment *segment)
{
    free(segment->key_path);
    segment->key_path = NULL;
    segment->data = NULL;
    segment->size = 0;
    segment->id = -1;
}

void nxp_segment_remove(nxp_segment *segment)
{
    if (!segment || !segment->data)
        return;
    /* The key file goes only while it still names this segment: after a
     * hide another simulation may have put its own in place. */
    int ours = 0;
    struct stat st;
    if (lstat(segment->key_path, &st) == 0 && S_ISREG(st.st_mode)) {
        const key_t key = ftok(segment->key_path, 'Q');
        ours = key != (key_t)-1 && shmget(key, 0, 0) == segment->id;
    }
    shmdt(segment->data);
    /* Marked for removal: a tool still attached keeps a valid mapping until
     * it detaches, and nobody can attach the old segment any more. */
    shmctl(segment->id, IPC_RMID, NULL);
    if (ours)
        unlink(segment->key_path);
    release(segment);
}

void nxp_segment_abandon(nxp_segment *segment)
{
    if (!segment || !segment->data)
        return;
    shmdt(segment->data);
    release(segment);
}

void nxp_put32(nxp_segment *segment, size_t offset, uint32_t value)
{
    if (!segment->data || offset > segment->size || segment->size - offset < 4)
        return;
    unsigned char *p = segment->data + offset;
    p[0] = (unsigned char)value;
    p[1] = (unsigned char)(value >> 8);
    p[2] = (unsigned char)(value >> 16);
    p[3] = (unsigned char)(value >> 24);
}

uint32_t nxp_get32(const nxp_segment *segment, size_t offset)
{
    if (!segment->data || offset > segment->size || segment->size - offset < 4)
        return 0;
    const unsigned char *p = segment->data + offset;
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
