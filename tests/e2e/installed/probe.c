/* A simulation built against an installed libnoxelpublish, from outside the
 * source tree: a 64 x 32 true-colour layer with a known pattern and a
 * 16 x 16 indexed layer on a 96 x 48 display, kept up until SIGTERM or 30 s. */
#define _POSIX_C_SOURCE 200809L
#include <noxel/publish.h>

#include <signal.h>
#include <stdio.h>
#include <time.h>

static volatile sig_atomic_t stop = 0;
static void on_signal(int sig) { (void)sig; stop = 1; }

int main(void)
{
    char error[256];
    noxel_sim *sim = noxel_sim_open(NULL, error, sizeof error);
    if (!sim) {
        fprintf(stderr, "probe: %s\n", error);
        return 1;
    }
    noxel_sim_set_display(sim, 96, 48, 0xFF000080u);
    noxel_layer_desc d0 = {64, 32, 0, 0, 32, 0};
    noxel_layer_desc d1 = {16, 16, 0, 0, 4, 16};
    noxel_layer *l0 = noxel_layer_create(sim, 0, &d0, error, sizeof error);
    noxel_layer *l1 = l0 ? noxel_layer_create(sim, 1, &d1, error, sizeof error) : NULL;
    if (!l1) {
        fprintf(stderr, "probe: %s\n", error);
        noxel_sim_close(sim);
        return 1;
    }
    uint32_t *px = noxel_layer_pixels(l0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            px[y * 64 + x] = 0xFF000000u | (uint32_t)(x * 4) << 16 | (uint32_t)(y * 8) << 8;
    uint32_t palette[16];
    for (int i = 0; i < 16; ++i)
        palette[i] = 0xFF000000u | (uint32_t)(i * 17);
    noxel_layer_set_palette(l1, palette, 16);
    unsigned char *ix = noxel_layer_pixels(l1);
    for (int i = 0; i < 256; ++i)
        ix[i] = (unsigned char)(i % 16);
    noxel_layer_set_position(l1, 70, 20);
    noxel_layer_commit(l1);
    noxel_layer_commit(l0);
    printf("probe: publishing in %s\n", noxel_sim_runtime_dir(sim));
    fflush(stdout);

    signal(SIGTERM, on_signal);
    signal(SIGINT, on_signal);
    const struct timespec frame = {0, 16000000L};
    for (int n = 0; n < 30 * 60 && !stop; ++n) {
        int code, pressed;
        while (noxel_layer_take_key(l0, &code, &pressed) == 1)
            printf("probe: key %d %s\n", code, pressed ? "pressed" : "released");
        nanosleep(&frame, NULL);
    }
    noxel_sim_close(sim);
    return 0;
}
