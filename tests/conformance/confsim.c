/* A simulation on libnoxelpublish alone, for the conformance test: publishes
 * the conformance scene and answers one-line commands on standard input:
 *   pointer N   -> "pointer N X Y PRESSED" as noxel_layer_pointer reads it
 *   key N       -> "key N CODE PRESSED" per key taken, then "keys N done"
 *   hide, show  -> "hide RC", "show RC"
 *   quit        -> closes and ends
 * With --inverted it stores alpha inverted. "ready" once published; a
 * refused open prints "confsim: <error>" on standard error and exits 1. */
#define _POSIX_C_SOURCE 200809L
#include "confscene.h"

#include <noxel/publish.h>

#include <stdio.h>
#include <string.h>

static noxel_layer *layers[ConfLayers];

static void draw(int n, int inverted)
{
    noxel_layer *l = layers[n];
    const int w = ConfShape[n][0];
    const int vh = ConfShape[n][3] ? ConfShape[n][3] : ConfShape[n][1];
    unsigned char *base = noxel_layer_pixels(l);
    const size_t stride = noxel_layer_stride(l);
    const uint32_t flip = inverted ? 0xFF000000u : 0u;
    for (int y = 0; y < vh; ++y)
        for (int x = 0; x < w; ++x) {
            if (ConfShape[n][5])
                base[(size_t)y * stride + (size_t)x] = (unsigned char)conf_pixel(n, x, y);
            else
                ((uint32_t *)(base + (size_t)y * stride))[x] = conf_pixel(n, x, y) ^ flip;
        }
    if (ConfShape[n][5]) {
        uint32_t palette[256];
        for (int i = 0; i < ConfShape[n][5]; ++i)
            palette[i] = conf_palette(n, i) ^ flip;
        noxel_layer_set_palette(l, palette, ConfShape[n][5]);
    }
}

int main(int argc, char **argv)
{
    const int inverted = argc > 1 && strcmp(argv[1], "--inverted") == 0;
    noxel_sim_options options = {0};
    options.inverted_alpha = inverted;
    char error[256];
    noxel_sim *sim = noxel_sim_open(&options, error, sizeof error);
    if (!sim) {
        fprintf(stderr, "confsim: %s\n", error);
        return 1;
    }
    for (int n = 0; n < ConfLayers; ++n) {
        const int *s = ConfShape[n];
        noxel_layer_desc d = {s[0], s[1], s[2], s[3], s[4], s[5]};
        layers[n] = noxel_layer_create(sim, n, &d, error, sizeof error);
        if (!layers[n]) {
            fprintf(stderr, "confsim: %s\n", error);
            noxel_sim_close(sim);
            return 1;
        }
        noxel_layer_set_position(layers[n], s[6], s[7]);
        noxel_layer_set_transparency(layers[n], s[8]);
        draw(n, inverted);
    }
    noxel_layer_set_origin(layers[4], 0, ConfOriginY);
    noxel_layer_set_key_colors(layers[5], 0, ConfKeyMax);
    noxel_layer_set_alpha(layers[6], ConfLayerAlpha);
    noxel_sim_set_display(sim, ConfDisplayWidth, ConfDisplayHeight, CONF_BACKGROUND);
    for (int n = 0; n < ConfLayers; ++n)
        noxel_layer_commit(layers[n]);
    printf("ready\n");
    fflush(stdout);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        int n = 0, x = 0, y = 0, p = 0;
        if (sscanf(line, "pointer %d", &n) == 1 && n >= 0 && n < ConfLayers) {
            noxel_layer_pointer(layers[n], &x, &y, &p);
            printf("pointer %d %d %d %d\n", n, x, y, p);
        } else if (sscanf(line, "key %d", &n) == 1 && n >= 0 && n < ConfLayers) {
            while (noxel_layer_take_key(layers[n], &x, &p) == 1)
                printf("key %d %d %d\n", n, x, p);
            printf("keys %d done\n", n);
        } else if (strncmp(line, "hide", 4) == 0) {
            printf("hide %d\n", noxel_sim_hide(sim));
        } else if (strncmp(line, "show", 4) == 0) {
            printf("show %d\n", noxel_sim_show(sim));
        } else if (strncmp(line, "quit", 4) == 0) {
            break;
        }
        fflush(stdout);
    }
    noxel_sim_close(sim);
    return 0;
}
