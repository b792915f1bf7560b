/* The public calls: a simulation's global block, layers and input. */
#define _POSIX_C_SOURCE 200809L
#include "noxel/publish.h"

#include "link.h"

#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#error "the blocks are little-endian; big-endian hosts are not supported"
#endif

_Static_assert(sizeof(_Atomic uint32_t) == 4 && _Alignof(_Atomic uint32_t) <= 4,
               "header words are accessed as 32-bit atomics");

/* How long show and open retry the presence lock. */
#define PRESENCE_TIMEOUT_MS 2000

struct noxel_layer {
    noxel_sim *sim;
    int index;
    nxp_segment block;
    int width, height, virtual_width, virtual_height;
    int num_colors;
    size_t stride;
};

struct noxel_sim {
    char *dir;
    const char *window_class;
    const char *other_class;
    int presence; /* descriptor holding the lock, -1 while hidden */
    nxp_segment global;
    nxp_held held;
    noxel_layer *layers[NOXEL_MAX_LAYERS];
    int layer_count;
    int published; /* layers are marked in use as soon as they are made */
    int has_display;
    uint32_t composite_size, bk_color;
};

/* A header word as an atomic, for the fields shared with the tool's writes
 * and the counters that order the pixels. Header offsets are multiples of 4
 * in a page-aligned mapping. */
static _Atomic uint32_t *word(noxel_layer *layer, size_t offset)
{
    return (_Atomic uint32_t *)(void *)(layer->block.data + offset);
}

static void put(noxel_layer *layer, size_t offset, uint32_t value)
{
    nxp_put32(&layer->block, offset, value);
}

static void write_display(noxel_sim *sim)
{
    noxel_layer *layer0 = sim->layer_count > 0 ? sim->layers[0] : NULL;
    if (!layer0 || !sim->has_display)
        return;
    put(layer0, NXP_COMPOSITE_SIZE, sim->composite_size);
    put(layer0, NXP_BK_COLOR, sim->bk_color);
}

/* Marks every layer in use, top layer first: a tool that scans meanwhile
 * stops at layer 0 until all are marked, so it sees none or all. */
static void publish_layers(noxel_sim *sim)
{
    for (int n = sim->layer_count - 1; n >= 0; --n)
        atomic_store_explicit((_Atomic uint8_t *)(void *)sim->layers[n]->block.data, 1, memory_order_release);
    sim->published = 1;
}

noxel_sim *noxel_sim_open(const noxel_sim_options *options, char *error, size_t error_size)
{
    const noxel_sim_options defaults = {0};
    if (!options)
        options = &defaults;
    const char *cls = options->window_class && *options->window_class ? options->window_class : NOXEL_CLASS_MAINFRAME;
    const char *canonical, *other;
    if (strcmp(cls, NOXEL_CLASS_MAINFRAME) == 0) {
        canonical = NOXEL_CLASS_MAINFRAME;
        other = NOXEL_CLASS_DEVICE;
    } else if (strcmp(cls, NOXEL_CLASS_DEVICE) == 0) {
        canonical = NOXEL_CLASS_DEVICE;
        other = NOXEL_CLASS_MAINFRAME;
    } else {
        nxp_error(error, error_size, "unknown window class \"%s\" (\"%s\" or \"%s\")", cls, NOXEL_CLASS_MAINFRAME,
                  NOXEL_CLASS_DEVICE);
        return NULL;
    }

    noxel_sim *sim = calloc(1, sizeof *sim);
    int explicit_form = 0;
    if (sim)
        sim->dir = nxp_runtime_dir(options->runtime_dir, &explicit_form);
    if (!sim || !sim->dir) {
        free(sim);
        nxp_error(error, error_size, "out of memory");
        return NULL;
    }
    sim->window_class = canonical;
    sim->other_class = other;
    sim->presence = -1;
    sim->global.id = -1;

    if (nxp_make_dir(sim->dir, explicit_form, error, error_size) != 0
        || nxp_trusted_dir(sim->dir, error, error_size) != 0) {
        noxel_sim_close(sim);
        return NULL;
    }
    /* The lock comes first: a second simulation in the same directory stops
     * before it touches a key file or a segment of the first. */
    sim->presence = nxp_presence_take(sim->dir, canonical, other, PRESENCE_TIMEOUT_MS, error, error_size);
    if (sim->presence < 0
        || nxp_segment_create(sim->dir, NXP_GLOBAL_NAME, NXP_HEADER_SIZE, &sim->held, &sim->global, error,
                              error_size)
               != 0) {
        noxel_sim_close(sim);
        return NULL;
    }
    sim->global.data[0] = options->inverted_alpha ? 0 : 1;
    return sim;
}

void noxel_sim_close(noxel_sim *sim)
{
    if (!sim)
        return;
    /* The window goes first, so the tool tears down before the blocks are
     * marked for removal (its mappings stay valid until it detaches). */
    noxel_sim_hide(sim);
    for (int n = sim->layer_count - 1; n >= 0; --n) {
        nxp_segment_remove(&sim->layers[n]->block);
        free(sim->layers[n]);
    }
    nxp_segment_remove(&sim->global);
    nxp_held_close(&sim->held);
    free(sim->dir);
    free(sim);
}

int noxel_sim_show(noxel_sim *sim)
{
    if (!sim)
        return -1;
    if (sim->presence < 0) {
        sim->presence = nxp_presence_take(sim->dir, sim->window_class, sim->other_class, PRESENCE_TIMEOUT_MS, NULL, 0);
        if (sim->presence < 0)
            return -1;
    }
    publish_layers(sim);
    return 0;
}

int noxel_sim_hide(noxel_sim *sim)
{
    if (!sim)
        return -1;
    if (sim->presence >= 0)
        close(sim->presence);
    sim->presence = -1;
    return 0;
}

int noxel_sim_set_display(noxel_sim *sim, int width, int height, uint32_t background_argb)
{
    if (!sim || width < 0 || height < 0 || width > 0xFFFF || height > 0xFFFF || (width == 0) != (height == 0))
        return -1;
    sim->has_display = 1;
    sim->composite_size = (uint32_t)height << 16 | (uint32_t)width;
    /* The library colour form 0xTTBBGGRR, TT being transparency. */
    const uint32_t a = background_argb >> 24, r = (background_argb >> 16) & 0xFF, g = (background_argb >> 8) & 0xFF,
                   b = background_argb & 0xFF;
    sim->bk_color = (255 - a) << 24 | b << 16 | g << 8 | r;
    write_display(sim);
    return 0;
}

const char *noxel_sim_runtime_dir(const noxel_sim *sim)
{
    return sim ? sim->dir : NULL;
}

static int valid_depth(const noxel_layer_desc *d, int *bpp)
{
    if (d->num_colors < 0 || d->num_colors > NOXEL_MAX_COLORS)
        return 0;
    if (d->num_colors == 0) {
        *bpp = d->bits_per_pixel ? d->bits_per_pixel : 32;
        return *bpp == 16 || *bpp == 24 || *bpp == 32;
    }
    *bpp = d->bits_per_pixel ? d->bits_per_pixel : 8;
    return *bpp == 1 || *bpp == 2 || *bpp == 4 || *bpp == 8;
}

noxel_layer *noxel_layer_create(noxel_sim *sim, int index, const noxel_layer_desc *desc, char *error,
                                size_t error_size)
{
    if (!sim || !desc) {
        nxp_error(error, error_size, "no simulation or no layer description");
        return NULL;
    }
    if (index < 0 || index >= NOXEL_MAX_LAYERS || index != sim->layer_count) {
        nxp_error(error, error_size, "layer %d: layers are created in order, the next one is %d (at most %d)", index,
                  sim->layer_count, NOXEL_MAX_LAYERS);
        return NULL;
    }
    const int vw = desc->virtual_width ? desc->virtual_width : desc->width;
    const int vh = desc->virtual_height ? desc->virtual_height : desc->height;
    if (desc->width < 1 || desc->height < 1 || desc->width > NOXEL_MAX_SIZE || desc->height > NOXEL_MAX_SIZE
        || vw < desc->width || vh < desc->height || vw > NOXEL_MAX_SIZE || vh > NOXEL_MAX_SIZE) {
        nxp_error(error, error_size, "layer %d: size %d x %d, virtual %d x %d out of range (1 .. %d, virtual not smaller)",
                  index, desc->width, desc->height, vw, vh, NOXEL_MAX_SIZE);
        return NULL;
    }
    int bpp = 0;
    if (!valid_depth(desc, &bpp)) {
        nxp_error(error, error_size,
                  "layer %d: %d bits per pixel with %d colours (true colour: 16, 24 or 32 bits, 0 colours; "
                  "indexed: 1, 2, 4 or 8 bits, 1 .. 256 colours)",
                  index, desc->bits_per_pixel, desc->num_colors);
        return NULL;
    }
    const int indexed = desc->num_colors > 0;
    const uint64_t bytes = indexed ? 1 : 4;
    const int virtual_screen = vw != desc->width || vh != desc->height;
    /* The tool's virtual view reads 32-bit words also for an indexed layer. */
    const uint64_t pixel_bytes = virtual_screen ? 4 * (uint64_t)vw * (uint64_t)vh
                                                : bytes * (uint64_t)desc->width * (uint64_t)desc->height;
    if (pixel_bytes > SIZE_MAX - NXP_HEADER_SIZE) {
        nxp_error(error, error_size, "layer %d: too large for this system", index);
        return NULL;
    }

    noxel_layer *layer = calloc(1, sizeof *layer);
    if (!layer) {
        nxp_error(error, error_size, "out of memory");
        return NULL;
    }
    char name[32];
    nxp_layer_name(index, name, sizeof name);
    if (nxp_segment_create(sim->dir, name, NXP_HEADER_SIZE + (size_t)pixel_bytes, &sim->held, &layer->block, error,
                           error_size)
        != 0) {
        free(layer);
        return NULL;
    }
    layer->sim = sim;
    layer->index = index;
    layer->width = desc->width;
    layer->height = desc->height;
    layer->virtual_width = vw;
    layer->virtual_height = vh;
    layer->num_colors = desc->num_colors;
    layer->stride = (size_t)bytes * (size_t)desc->width;
    put(layer, NXP_X_SIZE, (uint32_t)desc->width);
    put(layer, NXP_Y_SIZE, (uint32_t)desc->height);
    put(layer, NXP_VX_SIZE, (uint32_t)vw);
    put(layer, NXP_VY_SIZE, (uint32_t)vh);
    put(layer, NXP_BITS_PER_PIXEL, (uint32_t)bpp);
    put(layer, NXP_NUM_COLORS, (uint32_t)desc->num_colors);
    layer->block.data[NXP_LAYER_ALPHA] = 255;
    sim->layers[index] = layer;
    sim->layer_count = index + 1;
    write_display(sim);
    /* In use only once the header is complete; before the first commit the
     * layers wait to be published together. */
    if (sim->published)
        atomic_store_explicit((_Atomic uint8_t *)(void *)layer->block.data, 1, memory_order_release);
    return layer;
}

void *noxel_layer_pixels(noxel_layer *layer)
{
    return layer ? layer->block.data + NXP_HEADER_SIZE : NULL;
}

size_t noxel_layer_stride(noxel_layer *layer)
{
    return layer ? layer->stride : 0;
}

size_t noxel_layer_pixel_bytes(noxel_layer *layer)
{
    return layer ? layer->block.size - NXP_HEADER_SIZE : 0;
}

void noxel_layer_commit(noxel_layer *layer)
{
    if (!layer)
        return;
    /* Release: pixels and header fields written before are visible to a
     * reader that sees the new counter. */
    atomic_fetch_add_explicit(word(layer, NXP_CONTENT_COUNTER), 1, memory_order_release);
    if (!layer->sim->published && layer->sim->presence >= 0)
        publish_layers(layer->sim);
}

void noxel_layer_set_palette(noxel_layer *layer, const uint32_t *argb, int count)
{
    if (!layer || !argb || count < 1 || count > layer->num_colors || count > NOXEL_MAX_COLORS)
        return;
    for (int i = 0; i < count; ++i)
        put(layer, NXP_PALETTE + 4 * (size_t)i, argb[i]);
    atomic_fetch_add_explicit(word(layer, NXP_PALETTE_COUNTER), 1, memory_order_release);
}

int noxel_layer_set_position(noxel_layer *layer, int x, int y)
{
    if (!layer)
        return -1;
    put(layer, NXP_X_POS, (uint32_t)x);
    put(layer, NXP_Y_POS, (uint32_t)y);
    return 0;
}

int noxel_layer_set_origin(noxel_layer *layer, int x, int y)
{
    if (!layer || x < 0 || y < 0 || x > layer->virtual_width - layer->width || y > layer->virtual_height - layer->height)
        return -1;
    put(layer, NXP_X_ORG, (uint32_t)x);
    put(layer, NXP_Y_ORG, (uint32_t)y);
    return 0;
}

int noxel_layer_set_transparency(noxel_layer *layer, int mode)
{
    if (!layer || mode < 0 || mode > 2)
        return -1;
    put(layer, NXP_TRANS_MODE, (uint32_t)mode);
    return 0;
}

int noxel_layer_set_key_colors(noxel_layer *layer, uint32_t min_rgb, uint32_t max_rgb)
{
    if (!layer)
        return -1;
    put(layer, NXP_KEY_COLOR_MIN, min_rgb);
    put(layer, NXP_KEY_COLOR_MAX, max_rgb);
    return 0;
}

int noxel_layer_set_alpha(noxel_layer *layer, int alpha)
{
    if (!layer || alpha < 0 || alpha > 255)
        return -1;
    layer->block.data[NXP_LAYER_ALPHA] = (unsigned char)alpha;
    return 0;
}

int noxel_layer_pointer(noxel_layer *layer, int *x, int *y, int *pressed)
{
    if (!layer)
        return -1;
    const uint32_t px = atomic_load_explicit(word(layer, NXP_POINTER_X), memory_order_relaxed);
    const uint32_t py = atomic_load_explicit(word(layer, NXP_POINTER_Y), memory_order_relaxed);
    const uint32_t down = atomic_load_explicit(word(layer, NXP_POINTER_PRESSED), memory_order_relaxed);
    if (x)
        *x = (int)(int32_t)px;
    if (y)
        *y = (int)(int32_t)py;
    if (pressed)
        *pressed = down != 0;
    return 0;
}

int noxel_layer_take_key(noxel_layer *layer, int *code, int *pressed)
{
    if (!layer)
        return -1;
    /* Read and clear in one step: a word the tool writes between a read and
     * a separate clear would be lost. */
    const uint32_t w = atomic_exchange_explicit(word(layer, NXP_KEY_EVENT), 0, memory_order_acq_rel);
    /* The tool always sets bit 16; anything else is no key word. */
    if (!(w & 0x10000u))
        return 0;
    if (code)
        *code = (int)(w & 0xFF);
    if (pressed)
        *pressed = ((w >> 8) & 0xFF) != 0;
    return 1;
}
