/* The publishing library's calls, as a simulation makes them, checked from
 * the tool's side: the test finds each block through its key file as the
 * tool does, reads its header bytes and writes the input fields. Plain C
 * and libc, so it also runs under AddressSanitizer and UBSan. */
#define _GNU_SOURCE
#include "noxel/publish.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

static int failures = 0;
static char root[PATH_MAX];

#define CHECK(cond)                                                                                                    \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            fprintf(stderr, "%s:%d: FAILED: %s\n", __FILE__, __LINE__, #cond);                                         \
            ++failures;                                                                                                \
        }                                                                                                              \
    } while (0)

/* A fresh runtime directory under the test's own temporary folder. */
static const char *fresh_dir(const char *name)
{
    static char dir[PATH_MAX + 64];
    snprintf(dir, sizeof dir, "%s/%s", root, name);
    return dir;
}

static noxel_sim *open_in(const char *dir, const char *cls, int inverted, char *err, size_t n)
{
    noxel_sim_options o = {0};
    o.runtime_dir = dir;
    o.window_class = cls;
    o.inverted_alpha = inverted;
    return noxel_sim_open(&o, err, n);
}

/* The tool's view of a block: the segment named by D/<name>. */
typedef struct {
    unsigned char *data;
    size_t size;
    int id;
} block;

static block attach(const char *dir, const char *name)
{
    block b = {NULL, 0, -1};
    char path[PATH_MAX + 64];
    snprintf(path, sizeof path, "%s/%s", dir, name);
    const key_t key = ftok(path, 'Q');
    if (key == (key_t)-1)
        return b;
    b.id = shmget(key, 0, 0);
    struct shmid_ds ds;
    if (b.id < 0 || shmctl(b.id, IPC_STAT, &ds) != 0)
        return b;
    void *p = shmat(b.id, NULL, 0);
    if (p == (void *)-1)
        return b;
    b.data = p;
    b.size = ds.shm_segsz;
    return b;
}

static void detach(block *b)
{
    if (b->data)
        shmdt(b->data);
    b->data = NULL;
}

static uint32_t u32(const block *b, size_t off)
{
    uint32_t v;
    memcpy(&v, b->data + off, 4);
    return v;
}

static void set32(block *b, size_t off, uint32_t v)
{
    memcpy(b->data + off, &v, 4);
}

static int exists(const char *dir, const char *name)
{
    char path[PATH_MAX + 64];
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return access(path, F_OK) == 0;
}

/* The tool's presence probe: a shared lock that an exclusive one refuses. */
static int window_exists(const char *dir, const char *cls)
{
    char path[PATH_MAX + 64];
    snprintf(path, sizeof path, "%s/%s", dir, cls);
    const int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return 0;
    const int held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

static noxel_layer_desc desc_of(int w, int h, int bpp, int colors)
{
    noxel_layer_desc d = {0};
    d.width = w;
    d.height = h;
    d.bits_per_pixel = bpp;
    d.num_colors = colors;
    return d;
}

static void test_open_close(void)
{
    char err[256] = "";
    /* An explicit directory is created with its parents, mode 0700. */
    const char *dir = fresh_dir("open/a/b");
    noxel_sim *sim = open_in(dir, NULL, 0, err, sizeof err);
    CHECK(sim != NULL);
    struct stat st;
    CHECK(lstat(dir, &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0777) == 0700);
    CHECK(strcmp(noxel_sim_runtime_dir(sim), dir) == 0);
    CHECK(window_exists(dir, NOXEL_CLASS_MAINFRAME));
    CHECK(!window_exists(dir, NOXEL_CLASS_DEVICE));
    block g = attach(dir, "noXelGlobalMap");
    CHECK(g.data && g.size >= 4096 && g.data[0] == 1);
    detach(&g);
    noxel_sim_close(sim);
    CHECK(!window_exists(dir, NOXEL_CLASS_MAINFRAME));
    CHECK(!exists(dir, "noXelGlobalMap"));
    CHECK(shmctl(g.id, IPC_STAT, &(struct shmid_ds){0}) != 0);

    /* Inverted alpha writes the alpha-mode byte 0; the Device class. */
    sim = open_in(dir, NOXEL_CLASS_DEVICE, 1, err, sizeof err);
    CHECK(sim && window_exists(dir, NOXEL_CLASS_DEVICE));
    g = attach(dir, "noXelGlobalMap");
    CHECK(g.data && g.data[0] == 0);
    detach(&g);
    noxel_sim_close(sim);

    /* No options: the directory comes from the environment, as the tool's. */
    const char *envDir = fresh_dir("env");
    setenv("NOXEL_RUNTIME_DIR", envDir, 1);
    sim = noxel_sim_open(NULL, NULL, 0);
    CHECK(sim && strcmp(noxel_sim_runtime_dir(sim), envDir) == 0 && window_exists(envDir, NOXEL_CLASS_MAINFRAME));
    noxel_sim_close(sim);
    unsetenv("NOXEL_RUNTIME_DIR");

    noxel_sim_close(NULL);
}

static void test_refusals(void)
{
    char err[256] = "";
    const char *dir = fresh_dir("refuse");
    noxel_sim *first = open_in(dir, NULL, 0, err, sizeof err);
    CHECK(first != NULL);
    block g = attach(dir, "noXelGlobalMap");

    /* One simulation per directory, whatever its class; the second touches
     * nothing of the first. */
    noxel_sim *second = open_in(dir, NULL, 0, err, sizeof err);
    CHECK(second == NULL);
    char expected[PATH_MAX + 64];
    snprintf(expected, sizeof expected, "another simulation already runs in %s", dir);
    CHECK(strcmp(err, expected) == 0);
    err[0] = '\0';
    second = open_in(dir, NOXEL_CLASS_DEVICE, 0, err, sizeof err);
    CHECK(second == NULL && strcmp(err, expected) == 0);
    block again = attach(dir, "noXelGlobalMap");
    CHECK(again.id == g.id);
    detach(&again);
    detach(&g);
    noxel_sim_close(first);

    /* Untrusted directories and an unknown class. */
    const char *open_dir = fresh_dir("groupwritable");
    mkdir(open_dir, 0700);
    chmod(open_dir, 0770);
    CHECK(open_in(open_dir, NULL, 0, err, sizeof err) == NULL);
    CHECK(strstr(err, "untrusted runtime directory") && strstr(err, "writable by group or others"));
    CHECK(!exists(open_dir, NOXEL_CLASS_MAINFRAME));
    const char *link_dir = fresh_dir("link");
    CHECK(symlink(dir, link_dir) == 0);
    CHECK(open_in(link_dir, NULL, 0, err, sizeof err) == NULL && strstr(err, "symbolic link"));
    CHECK(open_in(dir, "Some Window", 0, err, sizeof err) == NULL && strstr(err, "unknown window class"));
    /* A small error buffer is filled and terminated, never overrun. */
    char tiny[8];
    memset(tiny, 'x', sizeof tiny);
    CHECK(open_in(link_dir, NULL, 0, tiny, 5) == NULL && tiny[4] == '\0' && tiny[5] == 'x');
}

static void test_layers(void)
{
    char err[256] = "";
    const char *dir = fresh_dir("layers");
    noxel_sim *sim = open_in(dir, NULL, 0, err, sizeof err);
    CHECK(noxel_sim_set_display(sim, 640, 480, 0xFFFF0000u) == 0); /* before layer 0 exists */

    noxel_layer_desc d0 = desc_of(320, 240, 0, 0);
    noxel_layer *l0 = noxel_layer_create(sim, 0, &d0, err, sizeof err);
    noxel_layer_desc d1 = desc_of(32, 16, 4, 16);
    d1.virtual_height = 64;
    noxel_layer *l1 = noxel_layer_create(sim, 1, &d1, err, sizeof err);
    CHECK(l0 && l1);
    CHECK(noxel_layer_stride(l0) == 320 * 4 && noxel_layer_stride(l1) == 32);
    CHECK(noxel_layer_pixel_bytes(l0) == 320 * 240 * 4);
    /* An indexed layer with a virtual screen: 4 bytes a virtual pixel. */
    CHECK(noxel_layer_pixel_bytes(l1) == 32 * 64 * 4);
    CHECK((uintptr_t)noxel_layer_pixels(l0) % 4096 == 0);

    block b0 = attach(dir, "noXelLCDMap"), b1 = attach(dir, "noXelLCDMap1");
    CHECK(b0.data && b1.data);
    CHECK(b0.size == 4096 + 320 * 240 * 4 && b1.size == 4096 + 32 * 64 * 4);
    CHECK(u32(&b0, 32) == 320 && u32(&b0, 36) == 240 && u32(&b0, 40) == 320 && u32(&b0, 44) == 240);
    CHECK(u32(&b0, 52) == 32 && u32(&b0, 56) == 0 && b0.data[100] == 255);
    CHECK(u32(&b1, 40) == 32 && u32(&b1, 44) == 64 && u32(&b1, 52) == 4 && u32(&b1, 56) == 16);
    /* The display, written into layer 0 at its creation: opaque red in the
     * library form 0xTTBBGGRR. */
    CHECK(u32(&b0, 120) == (480u << 16 | 640u) && u32(&b0, 116) == 0x000000FFu);
    CHECK(noxel_sim_set_display(sim, 0, 0, 0x00000000u) == 0);
    CHECK(u32(&b0, 120) == 0 && u32(&b0, 116) == 0xFF000000u);

    /* Not in use until the first commit, then both at once. */
    CHECK(b0.data[0] == 0 && b1.data[0] == 0);
    uint32_t *px = noxel_layer_pixels(l0);
    px[320 * 239 + 319] = 0xFF123456u;
    noxel_layer_commit(l0);
    CHECK(b0.data[0] == 1 && b1.data[0] == 1);
    CHECK(u32(&b0, 60) == 1 && u32(&b1, 60) == 0);
    CHECK(u32(&b0, 4096 + 4 * (320 * 239 + 319)) == 0xFF123456u);

    /* A layer made after publishing is in use at once. */
    noxel_layer_desc d2 = desc_of(8, 8, 16, 0);
    noxel_layer *l2 = noxel_layer_create(sim, 2, &d2, err, sizeof err);
    block b2 = attach(dir, "noXelLCDMap2");
    CHECK(l2 && b2.data && b2.data[0] == 1 && u32(&b2, 52) == 16);

    /* Field groups. */
    CHECK(noxel_layer_set_position(l1, -5, 7) == 0 && (int32_t)u32(&b1, 104) == -5 && u32(&b1, 108) == 7);
    CHECK(noxel_layer_set_origin(l1, 0, 48) == 0 && u32(&b1, 92) == 0 && u32(&b1, 96) == 48);
    CHECK(noxel_layer_set_origin(l1, 0, 49) == -1 && noxel_layer_set_origin(l1, 1, 0) == -1);
    CHECK(noxel_layer_set_origin(l1, -1, 0) == -1 && u32(&b1, 96) == 48);
    CHECK(noxel_layer_set_transparency(l1, 1) == 0 && u32(&b1, 132) == 1);
    CHECK(noxel_layer_set_transparency(l1, 3) == -1 && noxel_layer_set_transparency(l1, -1) == -1);
    CHECK(noxel_layer_set_key_colors(l1, 0xAA010203u, 0x00FFFFFFu) == 0);
    CHECK(u32(&b1, 124) == 0xAA010203u && u32(&b1, 128) == 0xFFFFFFu);
    CHECK(noxel_layer_set_alpha(l1, 128) == 0 && b1.data[100] == 128);
    CHECK(noxel_layer_set_alpha(l1, 256) == -1 && noxel_layer_set_alpha(l1, -1) == -1 && b1.data[100] == 128);

    /* Palette: written entries and the counter; out-of-range calls do
     * nothing. */
    const uint32_t pal[17] = {0xFF000000u, 0xFFFFFFFFu, 0x80112233u};
    noxel_layer_set_palette(l1, pal, 3);
    CHECK(u32(&b1, 296) == 0xFF000000u && u32(&b1, 304) == 0x80112233u && u32(&b1, 64) == 1);
    noxel_layer_set_palette(l1, pal, 17);
    noxel_layer_set_palette(l1, pal, 0);
    noxel_layer_set_palette(l1, NULL, 3);
    noxel_layer_set_palette(l0, pal, 1); /* true colour */
    noxel_layer_set_palette(NULL, pal, 1);
    CHECK(u32(&b1, 64) == 1 && u32(&b0, 64) == 0 && u32(&b0, 296) == 0);

    detach(&b0);
    detach(&b1);
    detach(&b2);
    noxel_sim_close(sim);
    CHECK(!exists(dir, "noXelLCDMap") && !exists(dir, "noXelLCDMap1") && !exists(dir, "noXelLCDMap2"));
    CHECK(shmctl(b1.id, IPC_STAT, &(struct shmid_ds){0}) != 0);
}

static void test_bad_arguments(void)
{
    char err[256] = "";
    const char *dir = fresh_dir("bad");
    noxel_sim *sim = open_in(dir, NULL, 0, err, sizeof err);
    noxel_layer_desc ok = desc_of(4, 4, 32, 0);

    /* Order and range of the index. */
    CHECK(noxel_layer_create(sim, 1, &ok, err, sizeof err) == NULL && strstr(err, "in order"));
    CHECK(noxel_layer_create(sim, -1, &ok, err, sizeof err) == NULL);
    CHECK(noxel_layer_create(NULL, 0, &ok, err, sizeof err) == NULL);
    CHECK(noxel_layer_create(sim, 0, NULL, err, sizeof err) == NULL);
    CHECK(!exists(dir, "noXelLCDMap") && !exists(dir, "noXelLCDMap1"));

    /* Sizes, depths and palette sizes that are refused. */
    const noxel_layer_desc bad[] = {
        desc_of(0, 4, 32, 0), desc_of(4, -1, 32, 0), desc_of(INT_MAX, INT_MAX, 32, 0),
        desc_of(NOXEL_MAX_SIZE + 1, 1, 32, 0), desc_of(4, 4, 8, 0), desc_of(4, 4, 16, 16),
        desc_of(4, 4, 3, 8), desc_of(4, 4, 8, 257), desc_of(4, 4, 8, -1), desc_of(4, 4, 24, 16),
        {4, 4, 2, 4, 32, 0}, {4, 4, 4, 2, 32, 0}, {4, 4, INT_MAX, INT_MAX, 32, 0},
    };
    for (size_t i = 0; i < sizeof bad / sizeof bad[0]; ++i) {
        err[0] = '\0';
        CHECK(noxel_layer_create(sim, 0, &bad[i], err, sizeof err) == NULL && err[0] != '\0');
    }
    CHECK(!exists(dir, "noXelLCDMap"));

    /* Layers 0..19 exist, a 21st does not; an index twice is refused. */
    for (int n = 0; n < NOXEL_MAX_LAYERS; ++n)
        CHECK(noxel_layer_create(sim, n, &ok, err, sizeof err) != NULL);
    CHECK(noxel_layer_create(sim, 20, &ok, err, sizeof err) == NULL);
    CHECK(noxel_layer_create(sim, 5, &ok, err, sizeof err) == NULL);
    CHECK(!exists(dir, "noXelLCDMap20"));

    /* NULL handles everywhere. */
    int x = 1, y = 1, p = 1;
    CHECK(noxel_sim_show(NULL) == -1 && noxel_sim_hide(NULL) == -1);
    CHECK(noxel_sim_set_display(NULL, 1, 1, 0) == -1 && noxel_sim_runtime_dir(NULL) == NULL);
    CHECK(noxel_sim_set_display(sim, -1, 5, 0) == -1 && noxel_sim_set_display(sim, 70000, 5, 0) == -1);
    CHECK(noxel_sim_set_display(sim, 0, 5, 0) == -1);
    CHECK(noxel_layer_pixels(NULL) == NULL && noxel_layer_stride(NULL) == 0 && noxel_layer_pixel_bytes(NULL) == 0);
    noxel_layer_commit(NULL);
    CHECK(noxel_layer_set_position(NULL, 0, 0) == -1 && noxel_layer_set_origin(NULL, 0, 0) == -1);
    CHECK(noxel_layer_set_transparency(NULL, 0) == -1 && noxel_layer_set_key_colors(NULL, 0, 0) == -1);
    CHECK(noxel_layer_set_alpha(NULL, 0) == -1);
    CHECK(noxel_layer_pointer(NULL, &x, &y, &p) == -1 && x == 1 && y == 1 && p == 1);
    CHECK(noxel_layer_take_key(NULL, &x, &p) == -1 && x == 1);
    noxel_sim_close(sim);
}

static void test_input(void)
{
    char err[256] = "";
    const char *dir = fresh_dir("input");
    noxel_sim *sim = open_in(dir, NULL, 0, err, sizeof err);
    noxel_layer_desc d = desc_of(16, 16, 32, 0);
    noxel_layer *l = noxel_layer_create(sim, 0, &d, err, sizeof err);
    block b = attach(dir, "noXelLCDMap");

    int x = -1, y = -1, pressed = -1;
    CHECK(noxel_layer_pointer(l, &x, &y, &pressed) == 0 && x == 0 && y == 0 && pressed == 0);
    set32(&b, 80, 12);
    set32(&b, 84, (uint32_t)-3);
    set32(&b, 88, 1);
    CHECK(noxel_layer_pointer(l, &x, &y, &pressed) == 0 && x == 12 && y == -3 && pressed == 1);
    CHECK(noxel_layer_pointer(l, NULL, NULL, NULL) == 0);

    /* Key words: taken once, then cleared; press and release. */
    int code = -1;
    CHECK(noxel_layer_take_key(l, &code, &pressed) == 0 && code == -1);
    set32(&b, 76, 0x00010000u | 1u << 8 | 13u);
    CHECK(noxel_layer_take_key(l, &code, &pressed) == 1 && code == 13 && pressed == 1);
    CHECK(u32(&b, 76) == 0 && noxel_layer_take_key(l, &code, &pressed) == 0);
    set32(&b, 76, 0x00010000u | 0xE1u);
    CHECK(noxel_layer_take_key(l, NULL, NULL) == 1);
    set32(&b, 76, 0x00010000u | 0xE1u);
    CHECK(noxel_layer_take_key(l, &code, &pressed) == 1 && code == 0xE1 && pressed == 0);
    /* A word without the tool's bit 16 is no key (and is cleared). */
    set32(&b, 76, 0x0141u);
    CHECK(noxel_layer_take_key(l, &code, &pressed) == 0 && u32(&b, 76) == 0);
    detach(&b);
    noxel_sim_close(sim);
}

static void test_show_hide(void)
{
    char err[256] = "";
    const char *dir = fresh_dir("showhide");
    noxel_sim *sim = open_in(dir, NULL, 0, err, sizeof err);
    CHECK(noxel_sim_hide(sim) == 0 && !window_exists(dir, NOXEL_CLASS_MAINFRAME) && noxel_sim_hide(sim) == 0);
    /* Layers made while hidden wait; a commit does not publish them. */
    noxel_layer_desc d = desc_of(4, 4, 32, 0);
    noxel_layer *l = noxel_layer_create(sim, 0, &d, err, sizeof err);
    block b = attach(dir, "noXelLCDMap");
    noxel_layer_commit(l);
    CHECK(b.data && b.data[0] == 0);
    CHECK(noxel_sim_show(sim) == 0 && window_exists(dir, NOXEL_CLASS_MAINFRAME) && b.data[0] == 1);
    CHECK(noxel_sim_show(sim) == 0);

    /* While hidden another holder of the lock keeps show from succeeding. */
    noxel_sim_hide(sim);
    char path[PATH_MAX + 64];
    snprintf(path, sizeof path, "%s/%s", dir, NOXEL_CLASS_MAINFRAME);
    const int other = open(path, O_RDONLY);
    CHECK(flock(other, LOCK_EX | LOCK_NB) == 0);
    CHECK(noxel_sim_show(sim) == -1);
    close(other);
    CHECK(noxel_sim_show(sim) == 0 && window_exists(dir, NOXEL_CLASS_MAINFRAME));
    detach(&b);
    noxel_sim_close(sim);
}

/* A simulation that ends without cleaning up. */
static void crash_in(const char *dir, int layers)
{
    const pid_t pid = fork();
    if (pid == 0) {
        noxel_sim *sim = open_in(dir, NULL, 0, NULL, 0);
        noxel_layer_desc d = desc_of(8, 8, 32, 0);
        for (int n = 0; n < layers; ++n)
            noxel_layer_commit(noxel_layer_create(sim, n, &d, NULL, 0));
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    CHECK(WIFSIGNALED(status));
}

static void test_crash_leftovers(void)
{
    char err[256] = "";
    const char *dir = fresh_dir("crash");
    crash_in(dir, 2);
    block old0 = attach(dir, "noXelLCDMap"), old1 = attach(dir, "noXelLCDMap1");
    CHECK(old0.data && old1.data && old0.data[0] == 1);
    /* The tool still holds layer 0 of the crashed simulation; layer 1 is
     * left to nobody. */
    detach(&old1);

    noxel_sim *sim = open_in(dir, NULL, 0, err, sizeof err);
    CHECK(sim != NULL);
    noxel_layer_desc d = desc_of(8, 8, 32, 0);
    noxel_layer *l0 = noxel_layer_create(sim, 0, &d, err, sizeof err);
    noxel_layer *l1 = noxel_layer_create(sim, 1, &d, err, sizeof err);
    CHECK(l0 && l1);
    block new0 = attach(dir, "noXelLCDMap"), new1 = attach(dir, "noXelLCDMap1");
    /* New segments, not yet in use; the held one is intact, the unheld one
     * removed. */
    CHECK(new0.id != old0.id && new1.id != old1.id && new0.data[0] == 0 && new1.data[0] == 0);
    CHECK(old0.data[0] == 1 && shmctl(old1.id, IPC_STAT, &(struct shmid_ds){0}) != 0);
    detach(&new0);
    detach(&new1);
    noxel_sim_close(sim);
    /* The old segment stays until its last user lets go. */
    CHECK(shmctl(old0.id, IPC_STAT, &(struct shmid_ds){0}) == 0);
    detach(&old0);
    shmctl(old0.id, IPC_RMID, NULL);
}

int main(void)
{
    snprintf(root, sizeof root, "%s/noxelpublish-test.XXXXXX", getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
    if (!mkdtemp(root)) {
        perror("mkdtemp");
        return 2;
    }
    unsetenv("NOXEL_RUNTIME_DIR");
    test_open_close();
    test_refusals();
    test_layers();
    test_bad_arguments();
    test_input();
    test_show_hide();
    test_crash_leftovers();
    char cmd[PATH_MAX + 16];
    snprintf(cmd, sizeof cmd, "rm -rf '%s'", root);
    if (system(cmd) != 0)
        fprintf(stderr, "could not remove %s\n", root);
    if (failures) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    printf("all checks passed\n");
    return 0;
}
