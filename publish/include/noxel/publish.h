/*
 * noxel/publish.h - publish a simulated display to noXelView.
 *
 * A PC simulation of a noXel device links this library (-lnoxelpublish, or
 * pkg-config noxelpublish, or CMake find_package(NoxelPublish) and the
 * target Noxel::Publish) to show its frame buffers in noXelView, live, and
 * to receive the pointer and keys the user gives in the tool's views.
 *
 * The simulation owns one noxel_sim (the connection) and up to 20 layers.
 * Each layer is a shared-memory block: a 4096-byte header, then the frame
 * buffer the simulation draws into directly. The tool reads the blocks on
 * its own timers and writes only the pointer and key fields; there is no
 * handshake, and nothing here ever blocks on the tool.
 *
 * Typical use:
 *
 *     noxel_sim *sim = noxel_sim_open(NULL, error, sizeof error);
 *     noxel_layer_desc desc = {0};
 *     desc.width = 320; desc.height = 240; desc.bits_per_pixel = 32;
 *     noxel_layer *layer = noxel_layer_create(sim, 0, &desc, error, sizeof error);
 *     for (;;) {               // once per frame
 *         draw(noxel_layer_pixels(layer), noxel_layer_stride(layer));
 *         noxel_layer_commit(layer);
 *         while (noxel_layer_take_key(layer, &code, &pressed) == 1) ...
 *         noxel_layer_pointer(layer, &x, &y, &down);
 *     }
 *     noxel_sim_close(sim);
 *
 * Errors: functions returning int return 0 (or the count they document) on
 * success and -1 for a NULL handle or a bad argument; they then change
 * nothing. Functions returning a pointer return NULL and, where they take
 * an error buffer, put one line of text (no newline) into it, truncated to
 * error_size bytes; error may be NULL. A bad argument never crashes and
 * never writes outside a block.
 *
 * Threads: the library takes no locks. A noxel_sim and its layers may be
 * used from any thread, but from one thread at a time. The tool writes the
 * input fields concurrently from its own process; the calls that read them
 * are safe against that.
 *
 * Platform: Linux and other POSIX systems with System V shared memory, on
 * little-endian processors. The library depends on libc alone and installs
 * no signal handler; a simulation that crashes leaves its blocks behind,
 * and the next noxel_sim_open in the same runtime directory reuses or
 * replaces them. docs/simulation-link.md of noXelView describes the blocks
 * byte by byte.
 */
#ifndef NOXEL_PUBLISH_H
#define NOXEL_PUBLISH_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__) || defined(__clang__)
#define NOXEL_PUBLISH_API __attribute__((visibility("default")))
#else
#define NOXEL_PUBLISH_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Library version: 1.0.0. */
#define NOXEL_PUBLISH_VERSION_MAJOR 1
#define NOXEL_PUBLISH_VERSION_MINOR 0
#define NOXEL_PUBLISH_VERSION_PATCH 0

/* At most this many layers, numbered 0 .. NOXEL_MAX_LAYERS - 1. */
#define NOXEL_MAX_LAYERS 20
/* At most this many palette entries. */
#define NOXEL_MAX_COLORS 256
/* Largest width or height of a layer or its virtual screen, in pixels. */
#define NOXEL_MAX_SIZE 32767

/* The two window classes the tool looks for. */
#define NOXEL_CLASS_MAINFRAME "GUI Simulation Mainframe"
#define NOXEL_CLASS_DEVICE "GUI Device"

/* Opaque handles. A noxel_layer belongs to its noxel_sim and stays valid
 * until noxel_sim_close. */
typedef struct noxel_sim noxel_sim;
typedef struct noxel_layer noxel_layer;

/* Options of noxel_sim_open. All zero (or a NULL pointer) means the
 * defaults. */
typedef struct noxel_sim_options {
    /* The runtime directory where the simulation and the tool meet. NULL
     * or "": as the tool finds it - $NOXEL_RUNTIME_DIR, else
     * $XDG_RUNTIME_DIR/noxel, else /tmp/noxel-<uid>. A relative path is
     * taken from the working directory at the time of the call. */
    const char *runtime_dir;
    /* The window class the simulation shows: NOXEL_CLASS_MAINFRAME
     * (NULL or "": the default) or NOXEL_CLASS_DEVICE. */
    const char *window_class;
    /* Non-zero: every 32-bit pixel and palette entry the simulation writes
     * stores alpha inverted (0 opaque, 255 fully transparent), as the
     * noXel library does; the global alpha-mode byte is written 0.
     * Zero: ordinary ARGB (255 opaque); the byte is written 1. */
    int inverted_alpha;
} noxel_sim_options;

/* Description of a layer for noxel_layer_create. All sizes in pixels. */
typedef struct noxel_layer_desc {
    /* Visible size, 1 .. NOXEL_MAX_SIZE each. */
    int width, height;
    /* Size of the virtual screen the visible window shows a part of;
     * 0 means the same as width / height. Not smaller than the visible
     * size. The tool addresses frame-buffer rows of `width` pixels, so a
     * virtual screen should be as wide as the layer (scroll vertically). */
    int virtual_width, virtual_height;
    /* Colour depth the tool shows: 1, 2, 4 or 8 for an indexed layer,
     * 16, 24 or 32 for a true-colour layer. 0 means 32 for a true-colour
     * layer and 8 for an indexed one. It does not change the storage. */
    int bits_per_pixel;
    /* Palette entries: 0 makes a true-colour layer; 1 .. 256 an indexed
     * layer (each pixel is one index byte whatever the depth, so entries
     * beyond 2 to the power bits_per_pixel are reachable too). */
    int num_colors;
} noxel_layer_desc;

/* ---- The simulation ---------------------------------------------------- */

/* Opens the link: resolves the runtime directory D and creates it with mode
 * 0700 when it is missing (with its parents when it was given explicitly or
 * by $NOXEL_RUNTIME_DIR); refuses a D that is not a directory, is a symbolic
 * link, belongs to another user or is writable by group or others; takes
 * the presence lock of the window class (an exclusive flock on D/<class>,
 * retried for up to 2 seconds) before it creates any block; then creates
 * the global block with its alpha-mode byte. From then on the tool counts
 * the simulation as running; it shows the layers once they are published
 * (see noxel_layer_create).
 *
 * options may be NULL. Returns NULL on failure, with one line in error:
 * another simulation already runs in D (only one per runtime directory,
 * whatever its window class), D is untrusted or cannot be created, an
 * unknown window class, or no shared memory left. On failure no key file
 * or block is left behind (a directory it created and the presence file,
 * which holds nothing, may stay). */
NOXEL_PUBLISH_API noxel_sim *noxel_sim_open(const noxel_sim_options *options, char *error, size_t error_size);

/* Ends the link: releases the presence lock (the tool tears its views
 * down), removes every block the simulation created together with its key
 * file, and frees the handle and all its layers. A tool still attached
 * keeps a valid mapping until it lets go. NULL is allowed. Call it also on
 * SIGINT/SIGTERM; after a crash the next noxel_sim_open cleans up. */
NOXEL_PUBLISH_API void noxel_sim_close(noxel_sim *sim);

/* The simulation's window is there (show) or gone (hide): the presence
 * lock is taken again or released, the blocks stay. The tool tears its
 * views down on hide and builds them again, with their zoom, scroll
 * position and selection, on show. show also publishes every layer created
 * while hidden. Both return 0 when the window already is in that state.
 * show returns -1 when another simulation took the lock meanwhile (or for
 * a NULL handle). */
NOXEL_PUBLISH_API int noxel_sim_show(noxel_sim *sim);
NOXEL_PUBLISH_API int noxel_sim_hide(noxel_sim *sim);

/* The whole display: its size (0 x 0: none, the tool shows no composite;
 * otherwise 1 .. 65535 each) and its background colour as 0xAARRGGBB with
 * ordinary alpha (255 opaque) whatever inverted_alpha says. Written into
 * layer 0's compositeSize and bkColor (bkColor in the library's 0xTTBBGGRR
 * form), now or when layer 0 is created. Seen by the tool when it builds
 * its views. */
NOXEL_PUBLISH_API int noxel_sim_set_display(noxel_sim *sim, int width, int height, uint32_t background_argb);

/* The runtime directory in use (absolute), owned by the handle; NULL for a
 * NULL handle. */
NOXEL_PUBLISH_API const char *noxel_sim_runtime_dir(const noxel_sim *sim);

/* ---- Layers ------------------------------------------------------------ */

/* Creates layer `index`: layers are created in order 0, 1, 2 ... up to
 * NOXEL_MAX_LAYERS - 1, each once. The block holds the header and every
 * pixel it publishes (4 bytes a pixel of the virtual screen when there is
 * one, also for an indexed layer, as the tool's virtual view reads it that
 * way); its pixels start at 0, it lies at position (0, 0), origin (0, 0),
 * layer alpha 255, transparency mode 0, an empty palette.
 *
 * Publishing: the tool scans layers 0, 1, 2 ... once and stops at the first
 * one that is not published, so layers appear together. Layers created
 * before the first noxel_layer_commit (or while hidden) are published all
 * at once, top layer first, by that first commit (or by noxel_sim_show); a
 * layer created later is published at once, and the tool shows it after
 * its next rebuild (noxel_sim_hide, then noxel_sim_show). So: create every
 * layer, draw the first frame, commit.
 *
 * Returns NULL with one line in error for a NULL handle or desc, an index
 * out of range or out of order, sizes out of range, an unsupported depth or
 * palette size, or no shared memory left. */
NOXEL_PUBLISH_API noxel_layer *noxel_layer_create(noxel_sim *sim, int index, const noxel_layer_desc *desc,
                                                  char *error, size_t error_size);

/* The frame buffer, for the simulation to draw into directly: a true-colour
 * layer stores one 32-bit word 0xAARRGGBB per pixel (uint32_t, native
 * little-endian order: bytes blue, green, red, alpha), an indexed layer one
 * palette-index byte per pixel, whatever bits_per_pixel. Rows are `width`
 * pixels (noxel_layer_stride bytes) long; pixel (x, y) of the virtual
 * screen is at y * stride + x * (4 or 1). The pointer is 4096-byte aligned
 * and valid until noxel_sim_close. NULL for a NULL handle. */
NOXEL_PUBLISH_API void *noxel_layer_pixels(noxel_layer *layer);
/* Bytes per row: width * 4 for a true-colour layer, width for an indexed
 * one; 0 for a NULL handle. */
NOXEL_PUBLISH_API size_t noxel_layer_stride(noxel_layer *layer);
/* Bytes the frame buffer holds from noxel_layer_pixels on (at least stride
 * times the virtual height); 0 for a NULL handle. */
NOXEL_PUBLISH_API size_t noxel_layer_pixel_bytes(noxel_layer *layer);

/* The pixels (or the origin, position, transparency or alpha) changed:
 * advances contentCounter with release ordering, so that a tool that sees
 * the new counter also sees everything written before. The tool repaints a
 * view only when the counter changed. The first commit publishes the
 * layers (see noxel_layer_create). NULL does nothing. */
NOXEL_PUBLISH_API void noxel_layer_commit(noxel_layer *layer);

/* Writes palette entries 0 .. count - 1 (0xAARRGGBB, alpha as
 * inverted_alpha says) and advances paletteCounter with release ordering.
 * Only for an indexed layer, with 0 < count <= its num_colors; anything
 * else (a NULL handle or argb, a count beyond 256) does nothing. */
NOXEL_PUBLISH_API void noxel_layer_set_palette(noxel_layer *layer, const uint32_t *argb, int count);

/* Header field groups. Each writes the fields named and returns 0, or -1
 * (writing nothing) for a NULL handle or a value out of range. The tool
 * reads them when it repaints, so follow them with noxel_layer_commit. */

/* xPos, yPos: the layer's place on the display (composite pixels; may be
 * negative or reach past the display). */
NOXEL_PUBLISH_API int noxel_layer_set_position(noxel_layer *layer, int x, int y);
/* xOrg, yOrg: the visible window's top-left corner in the virtual screen,
 * 0 <= x <= virtual_width - width, 0 <= y <= virtual_height - height. */
NOXEL_PUBLISH_API int noxel_layer_set_origin(noxel_layer *layer, int x, int y);
/* transMode: 0 none; 1 pixels whose red, green and blue each lie within the
 * key colours are transparent; 2 every pixel gets the layer alpha. */
NOXEL_PUBLISH_API int noxel_layer_set_transparency(noxel_layer *layer, int mode);
/* keyColorMin, keyColorMax: the transparent colour range for mode 1, as
 * 0x00RRGGBB, inclusive channel by channel (the tool ignores the top byte;
 * it is stored as given). */
NOXEL_PUBLISH_API int noxel_layer_set_key_colors(noxel_layer *layer, uint32_t min_rgb, uint32_t max_rgb);
/* layerAlpha: 0 .. 255, the alpha of every pixel in mode 2. */
NOXEL_PUBLISH_API int noxel_layer_set_alpha(noxel_layer *layer, int alpha);

/* ---- Input the tool writes --------------------------------------------- */

/* The pointer as the tool last wrote it for this layer: display pixels of
 * the layer's visible window (the composite view writes layer 0), pressed
 * 1 while the left button is down, else 0. Any output pointer may be NULL.
 * The tool writes the three fields one after another without a lock, so a
 * read can mix two updates; reading every frame heals that. Returns 0, or
 * -1 for a NULL handle. */
NOXEL_PUBLISH_API int noxel_layer_pointer(noxel_layer *layer, int *x, int *y, int *pressed);

/* Takes the last key event the tool wrote: reads and clears the word in one
 * atomic exchange, so a word written meanwhile is never lost. code is the
 * noXel key code byte, pressed 1 for a press and 0 for a release (either
 * pointer may be NULL). Returns 1 when there was one, 0 when none, -1 for
 * a NULL handle.
 *
 * The block holds one key word: a new key overwrites one not yet taken.
 * Take keys every frame; a user who types faster than the frame rate can
 * still lose keys, which the block layout allows no way around. */
NOXEL_PUBLISH_API int noxel_layer_take_key(noxel_layer *layer, int *code, int *pressed);

#ifdef __cplusplus
}
#endif

#endif /* NOXEL_PUBLISH_H */
