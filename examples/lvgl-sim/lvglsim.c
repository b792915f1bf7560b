/* LVGL's widgets demo as a simulation published to noXelView: an 800 x 480
 * true-colour display whose frame buffer is layer 0's own memory. LVGL
 * renders straight into it (direct render mode) and the flush callback
 * commits the layer; a pointer input device reads noXelView's pointer and a
 * keypad takes its keys, mapped to LVGL's keys. This is the whole glue a
 * user of LVGL needs.
 *
 *   lvgl-sim [--seconds N]     N seconds, then end (default: until Ctrl+C) */
#define _POSIX_C_SOURCE 200809L
#include "demos/lv_demos.h"
#include "lvgl.h"

#include <noxel/publish.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { Width = 800, Height = 480 };

static noxel_layer *layer;
static volatile sig_atomic_t stop_requested = 0;

static void on_signal(int sig)
{
    (void)sig;
    stop_requested = 1;
}

static uint32_t tick_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

/* LVGL drew into the layer's memory itself; the last area of a refresh
 * tells noXelView that the frame is complete. */
static void flush(lv_display_t *display, const lv_area_t *area, uint8_t *pixels)
{
    (void)area;
    (void)pixels;
    if (lv_display_flush_is_last(display))
        noxel_layer_commit(layer);
    lv_display_flush_ready(display);
}

static void read_pointer(lv_indev_t *indev, lv_indev_data_t *data)
{
    (void)indev;
    int x = 0, y = 0, pressed = 0;
    noxel_layer_pointer(layer, &x, &y, &pressed);
    data->point.x = (int32_t)(x < 0 ? 0 : x >= Width ? Width - 1 : x);
    data->point.y = (int32_t)(y < 0 ? 0 : y >= Height ? Height - 1 : y);
    data->state = pressed ? LV_INDEV_STATE_PRESSED : LV_INDEV_STATE_RELEASED;
}

/* noXel key codes to LVGL's; characters stay as they are. */
static uint32_t lvgl_key(int code)
{
    switch (code) {
    case 8: return LV_KEY_BACKSPACE;
    case 9: return LV_KEY_NEXT;
    case 10: return LV_KEY_PREV;
    case 13: return LV_KEY_ENTER;
    case 16: return LV_KEY_LEFT;
    case 17: return LV_KEY_UP;
    case 18: return LV_KEY_RIGHT;
    case 19: return LV_KEY_DOWN;
    case 23: return LV_KEY_HOME;
    case 24: return LV_KEY_END;
    case 27: return LV_KEY_ESC;
    case 30: return LV_KEY_DEL;
    default: return (uint32_t)code;
    }
}

static void read_keypad(lv_indev_t *indev, lv_indev_data_t *data)
{
    (void)indev;
    static uint32_t last_key = 0;
    int code = 0, pressed = 0;
    if (noxel_layer_take_key(layer, &code, &pressed) == 1) {
        last_key = lvgl_key(code);
        data->key = last_key;
        data->state = pressed ? LV_INDEV_STATE_PRESSED : LV_INDEV_STATE_RELEASED;
        /* Asked again at once: a release may follow in the next word. */
        data->continue_reading = true;
    } else {
        data->key = last_key;
        data->state = LV_INDEV_STATE_RELEASED;
    }
}

int main(int argc, char **argv)
{
    long seconds = -1;
    if (argc == 3 && strcmp(argv[1], "--seconds") == 0) {
        seconds = strtol(argv[2], NULL, 10);
    } else if (argc != 1) {
        fprintf(stderr, "usage: %s [--seconds N]\n", argv[0]);
        return 2;
    }

    char error[256];
    noxel_sim *sim = noxel_sim_open(NULL, error, sizeof error);
    if (!sim) {
        fprintf(stderr, "lvgl-sim: %s\n", error);
        return 1;
    }
    noxel_layer_desc desc = {Width, Height, 0, 0, 32, 0};
    layer = noxel_layer_create(sim, 0, &desc, error, sizeof error);
    if (!layer) {
        fprintf(stderr, "lvgl-sim: %s\n", error);
        noxel_sim_close(sim);
        return 1;
    }
    noxel_sim_set_display(sim, Width, Height, 0xFF000000u);

    lv_init();
    lv_tick_set_cb(tick_ms);
    lv_display_t *display = lv_display_create(Width, Height);
    /* 0xAARRGGBB words, rows of 800 pixels: the layer's own format. */
    lv_display_set_color_format(display, LV_COLOR_FORMAT_ARGB8888);
    lv_display_set_buffers(display, noxel_layer_pixels(layer), NULL, (uint32_t)noxel_layer_pixel_bytes(layer),
                           LV_DISPLAY_RENDER_MODE_DIRECT);
    lv_display_set_flush_cb(display, flush);

    lv_indev_t *pointer = lv_indev_create();
    lv_indev_set_type(pointer, LV_INDEV_TYPE_POINTER);
    lv_indev_set_read_cb(pointer, read_pointer);
    lv_group_t *group = lv_group_create();
    lv_group_set_default(group);
    lv_indev_t *keypad = lv_indev_create();
    lv_indev_set_type(keypad, LV_INDEV_TYPE_KEYPAD);
    lv_indev_set_read_cb(keypad, read_keypad);
    lv_indev_set_group(keypad, group);

    lv_demo_widgets();

    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_signal;
    sigaction(SIGINT, &action, NULL);
    sigaction(SIGTERM, &action, NULL);
    printf("lvgl-sim: publishing in %s\n", noxel_sim_runtime_dir(sim));
    fflush(stdout);

    const uint32_t start = tick_ms();
    while (!stop_requested && (seconds < 0 || tick_ms() - start < (uint32_t)seconds * 1000u)) {
        uint32_t wait = lv_timer_handler();
        if (wait > 10)
            wait = 10;
        struct timespec ts = {0, (long)wait * 1000000L};
        nanosleep(&ts, NULL);
    }
    lv_deinit();
    noxel_sim_close(sim);
    return 0;
}
