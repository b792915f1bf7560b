/* LVGL's configuration for lvgl-sim: only what differs from LVGL's own
 * defaults. 32-bit colour as the published layer stores it, memory for the
 * widgets demo, and the fonts the demo uses at 800 x 480. */
#ifndef LV_CONF_H
#define LV_CONF_H

#define LV_COLOR_DEPTH 32
/* The widgets demo needs far more than the 64 KiB default; when memory runs
 * out LVGL's default assert handler spins forever. */
#define LV_MEM_SIZE (8 * 1024 * 1024)
#define LV_DEF_REFR_PERIOD 16

#define LV_FONT_MONTSERRAT_12 1
#define LV_FONT_MONTSERRAT_14 1
#define LV_FONT_MONTSERRAT_16 1
#define LV_FONT_MONTSERRAT_20 1
#define LV_FONT_MONTSERRAT_24 1
#define LV_FONT_MONTSERRAT_26 1

#define LV_USE_DEMO_WIDGETS 1
#define LV_BUILD_EXAMPLES 0

#endif
