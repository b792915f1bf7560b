/* The conformance scene: every layer kind with pixels and palettes given by
 * formulas, so that the simulation (C, on the library alone) and the test
 * (C++) agree on every byte without sharing anything else. */
#ifndef NOXEL_CONFSCENE_H
#define NOXEL_CONFSCENE_H

#include <stdint.h>

enum { ConfLayers = 7, ConfDisplayWidth = 64, ConfDisplayHeight = 40 };
#define CONF_BACKGROUND 0xFF102030u

/* width, height, virtual width, virtual height, bits per pixel, colours,
 * x, y position, transparency mode */
static const int ConfShape[ConfLayers][9] = {
    {48, 32, 0, 0, 32, 0, 0, 0, 0},    /* true colour */
    {16, 12, 0, 0, 8, 256, 40, 4, 0},  /* 8-bpp indexed */
    {12, 10, 0, 0, 4, 16, 2, 20, 0},   /* 4-bpp indexed */
    {8, 8, 0, 0, 1, 2, 30, 30, 0},     /* 1-bpp indexed */
    {20, 10, 20, 30, 16, 0, 44, 28, 0}, /* 16-bpp with a taller virtual screen */
    {10, 10, 0, 0, 32, 0, 50, 0, 1},   /* colour-keyed */
    {10, 10, 0, 0, 24, 0, 54, 30, 2},  /* constant alpha */
};
enum { ConfOriginY = 12, ConfKeyMax = 0x101010, ConfLayerAlpha = 128 };

/* Pixel (x, y) of layer n's (virtual) screen: ARGB for true colour, an
 * index for indexed layers. */
static inline uint32_t conf_pixel(int n, int x, int y)
{
    switch (n) {
    case 0: return 0xFF000000u | (uint32_t)(x * 5) << 16 | (uint32_t)(y * 7) << 8 | (uint32_t)((x ^ y) & 0xFF);
    case 1: return (uint32_t)((x * 16 + y * 7) & 0xFF);
    case 2: return (uint32_t)((x + y) % 16);
    case 3: return (uint32_t)((x + y) & 1);
    case 4: return 0xFF000000u | (uint32_t)(y * 8) << 8 | (uint32_t)(x * 12);
    case 5: return ((x + y) & 1) ? 0xFFE01010u : 0xFF080808u;
    default: return (uint32_t)(0x40 + x * 16) << 24 | 0x00FF8000u | (uint32_t)y;
    }
}

static inline uint32_t conf_palette(int n, int i)
{
    switch (n) {
    case 1: return 0xFF000000u | (uint32_t)i << 16 | (uint32_t)(255 - i) << 8 | (uint32_t)((i * 3) & 0xFF);
    case 2: return 0xFF000000u | (uint32_t)(i * 17) * 0x010101u;
    default: return i ? 0xFFFFFFFFu : 0xFF000000u;
    }
}

#endif
