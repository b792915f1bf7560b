/* The smallest complete simulation on libnoxelpublish: one 320 x 240
 * true-colour layer animated at 60 frames a second, a dot wherever noXelView's
 * pointer presses, and every key taken printed on standard output.
 *
 *   minimal [--frames N]     N frames, then end (default: until Ctrl+C)
 *
 * Start noXelView beside it with the same runtime directory. */
#define _POSIX_C_SOURCE 200809L
#include <noxel/publish.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { Width = 320, Height = 240, Fps = 60, DotRadius = 6 };

static volatile sig_atomic_t stop_requested = 0;

static void on_signal(int sig)
{
    (void)sig;
    stop_requested = 1;
}

/* A gradient that scrolls one pixel a frame. */
static void draw_background(uint32_t *pixels, size_t stride, int frame)
{
    for (int y = 0; y < Height; ++y) {
        uint32_t *row = (uint32_t *)((unsigned char *)pixels + (size_t)y * stride);
        for (int x = 0; x < Width; ++x)
            row[x] = 0xFF000000u | (uint32_t)((x + frame) & 0xFF) << 16 | (uint32_t)(y & 0xFF) << 8 | 0x60u;
    }
}

static void draw_dot(uint32_t *pixels, size_t stride, int cx, int cy)
{
    for (int y = cy - DotRadius; y <= cy + DotRadius; ++y)
        for (int x = cx - DotRadius; x <= cx + DotRadius; ++x) {
            if (x < 0 || y < 0 || x >= Width || y >= Height)
                continue;
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > DotRadius * DotRadius)
                continue;
            ((uint32_t *)((unsigned char *)pixels + (size_t)y * stride))[x] = 0xFFFFFFFFu;
        }
}

/* Sleeps until the next frame's start on the monotonic clock, so the rate
 * holds whatever a frame costs. */
static void wait_next_frame(struct timespec *next)
{
    next->tv_nsec += 1000000000L / Fps;
    if (next->tv_nsec >= 1000000000L) {
        next->tv_nsec -= 1000000000L;
        next->tv_sec += 1;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, next, NULL) != 0 && !stop_requested) {
    }
}

int main(int argc, char **argv)
{
    long frames = -1;
    if (argc == 3 && strcmp(argv[1], "--frames") == 0) {
        frames = strtol(argv[2], NULL, 10);
    } else if (argc != 1) {
        fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
        return 2;
    }

    char error[256];
    noxel_sim *sim = noxel_sim_open(NULL, error, sizeof error);
    if (!sim) {
        fprintf(stderr, "minimal: %s\n", error);
        return 1;
    }
    noxel_layer_desc desc = {0};
    desc.width = Width;
    desc.height = Height;
    desc.bits_per_pixel = 32;
    noxel_layer *layer = noxel_layer_create(sim, 0, &desc, error, sizeof error);
    if (!layer) {
        fprintf(stderr, "minimal: %s\n", error);
        noxel_sim_close(sim);
        return 1;
    }
    noxel_sim_set_display(sim, Width, Height, 0xFF000000u);
    uint32_t *pixels = noxel_layer_pixels(layer);
    const size_t stride = noxel_layer_stride(layer);

    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_signal;
    sigaction(SIGINT, &action, NULL);
    sigaction(SIGTERM, &action, NULL);
    printf("minimal: publishing in %s\n", noxel_sim_runtime_dir(sim));
    fflush(stdout);

    struct timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (long frame = 0; !stop_requested && (frames < 0 || frame < frames); ++frame) {
        int x = 0, y = 0, pressed = 0, code = 0, down = 0;
        noxel_layer_pointer(layer, &x, &y, &pressed);
        draw_background(pixels, stride, (int)(frame % 256));
        if (pressed)
            draw_dot(pixels, stride, x, y);
        noxel_layer_commit(layer); /* the first commit publishes the layer */
        /* One key word at most waits in the block: take it every frame. */
        while (noxel_layer_take_key(layer, &code, &down) == 1)
            printf("key %d %s\n", code, down ? "pressed" : "released");
        fflush(stdout);
        wait_next_frame(&next);
    }
    noxel_sim_close(sim);
    return 0;
}
