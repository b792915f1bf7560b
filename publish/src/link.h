/*
 * The link mechanics under the public calls: the runtime directory, the
 * presence locks, and System V segments named by key files. Not installed;
 * the project's test publisher (sim/) builds its malformed blocks and
 * crashes on these same functions, so there is one implementation of them.
 */
#ifndef NOXEL_PUBLISH_LINK_H
#define NOXEL_PUBLISH_LINK_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Header offsets of a layer block (all fields little-endian). */
enum {
    NXP_IN_USE = 0,
    NXP_X_SIZE = 32,
    NXP_Y_SIZE = 36,
    NXP_VX_SIZE = 40,
    NXP_VY_SIZE = 44,
    NXP_BITS_PER_PIXEL = 52,
    NXP_NUM_COLORS = 56,
    NXP_CONTENT_COUNTER = 60,
    NXP_PALETTE_COUNTER = 64,
    NXP_KEY_EVENT = 76,
    NXP_POINTER_X = 80,
    NXP_POINTER_Y = 84,
    NXP_POINTER_PRESSED = 88,
    NXP_X_ORG = 92,
    NXP_Y_ORG = 96,
    NXP_LAYER_ALPHA = 100,
    NXP_X_POS = 104,
    NXP_Y_POS = 108,
    NXP_BK_COLOR = 116,
    NXP_COMPOSITE_SIZE = 120,
    NXP_KEY_COLOR_MIN = 124,
    NXP_KEY_COLOR_MAX = 128,
    NXP_TRANS_MODE = 132,
    NXP_PALETTE = 296,
    NXP_HEADER_SIZE = 4096
};

#define NXP_GLOBAL_NAME "noXelGlobalMap"
#define NXP_LAYER_PREFIX "noXelLCDMap"

/* Block name of layer n: "noXelLCDMap", then n in decimal for n >= 1. */
void nxp_layer_name(int n, char *out, size_t out_size);

/* Writes a formatted line into err (when err and err_size allow). */
void nxp_error(char *err, size_t err_size, const char *format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

/* The runtime directory: dir when not NULL or empty, else as the tool
 * resolves it; relative paths made absolute. Sets *explicit_form when the
 * result came from dir or $NOXEL_RUNTIME_DIR (parents may be created).
 * malloc'd; NULL when out of memory. */
char *nxp_runtime_dir(const char *dir, int *explicit_form);

/* Creates dir with mode 0700 when missing (its parents too when
 * with_parents). 0, or -1 with err. Does not judge an existing dir. */
int nxp_make_dir(const char *dir, int with_parents, char *err, size_t err_size);

/* 0 when dir is a real directory of our real user that group and others
 * cannot write; -1 with the reason in err. */
int nxp_trusted_dir(const char *dir, char *err, size_t err_size);

/* Descriptors kept open until the end of the simulation: replaced key
 * files whose inodes must not come back as new key files. */
typedef struct nxp_held {
    int *fds;
    int count;
    int capacity;
} nxp_held;
void nxp_held_close(nxp_held *held);

/* Takes the exclusive presence lock D/<window_class>, retrying for up to
 * timeout_ms; refuses also when another simulation holds the lock of
 * other_class (NULL: no such check). The open descriptor, or -1 with err. */
int nxp_presence_take(const char *dir, const char *window_class, const char *other_class, int timeout_ms,
                      char *err, size_t err_size);

/* A System V segment named by the key file D/<name>. */
typedef struct nxp_segment {
    unsigned char *data; /* NULL when none */
    size_t size;
    int id;
    char *key_path; /* malloc'd */
} nxp_segment;

/* Creates a new zeroed segment of size bytes under D/<name> (mode 0600,
 * IPC_CREAT | IPC_EXCL) and attaches it. A stale segment of our own that
 * nobody has attached is removed; a key taken by anything else gets a new
 * key file (created beside, renamed over; old and rejected inodes go into
 * held). 0, or -1 with err. */
int nxp_segment_create(const char *dir, const char *name, size_t size, nxp_held *held, nxp_segment *out,
                       char *err, size_t err_size);

/* Detaches, removes the segment by its id and removes the key file when it
 * still names that segment. */
void nxp_segment_remove(nxp_segment *segment);

/* Detaches only, as a crash does: the segment and key file stay. */
void nxp_segment_abandon(nxp_segment *segment);

/* Little-endian stores and loads at a header offset, bounded by size. */
void nxp_put32(nxp_segment *segment, size_t offset, uint32_t value);
uint32_t nxp_get32(const nxp_segment *segment, size_t offset);

#ifdef __cplusplus
}
#endif

#endif
