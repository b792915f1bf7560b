/* A device simulator as such programs usually look: its own SDL window shows
 * the device's 320 x 240 display, scaled up. The display's frame buffer is
 * the published layer's own memory, so noXelView shows the same pixels with
 * no copy, and pointer and keys from either window drive the device:
 * a click toggles a tile, the arrow keys move the focus, Enter or Space
 * toggles the focused tile.
 *
 *   sdl2-sim [--frames N]     N frames, then end (default: until closed)
 *
 * Without a display, SDL_VIDEODRIVER=dummy runs it with an invisible window. */
#include <SDL.h>
#include <noxel/publish.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { Width = 320, Height = 240, Scale = 2, Cols = 4, Rows = 3, Tile = 70, Gap = 8 };
/* noXel key codes the device understands. */
enum { KeyEnter = 13, KeyLeft = 16, KeyUp = 17, KeyRight = 18, KeyDown = 19, KeySpace = 32 };

typedef struct {
    int on[Rows][Cols];
    int focus_col, focus_row;
    int pointer_down; /* the last pointer state seen from noXelView */
} device;

static void tile_origin(int col, int row, int *x, int *y)
{
    *x = (Width - Cols * Tile - (Cols - 1) * Gap) / 2 + col * (Tile + Gap);
    *y = (Height - Rows * Tile - (Rows - 1) * Gap) / 2 + row * (Tile + Gap);
}

static void click(device *d, int x, int y)
{
    for (int row = 0; row < Rows; ++row)
        for (int col = 0; col < Cols; ++col) {
            int tx, ty;
            tile_origin(col, row, &tx, &ty);
            if (x >= tx && x < tx + Tile && y >= ty && y < ty + Tile) {
                d->on[row][col] = !d->on[row][col];
                d->focus_col = col;
                d->focus_row = row;
            }
        }
}

static void key(device *d, int code)
{
    switch (code) {
    case KeyLeft: d->focus_col = (d->focus_col + Cols - 1) % Cols; break;
    case KeyRight: d->focus_col = (d->focus_col + 1) % Cols; break;
    case KeyUp: d->focus_row = (d->focus_row + Rows - 1) % Rows; break;
    case KeyDown: d->focus_row = (d->focus_row + 1) % Rows; break;
    case KeyEnter:
    case KeySpace: d->on[d->focus_row][d->focus_col] = !d->on[d->focus_row][d->focus_col]; break;
    default: break;
    }
}

/* The noXel code of an SDL key, or 0 for keys the device has none for. */
static int noxel_code(SDL_Keycode k)
{
    switch (k) {
    case SDLK_LEFT: return KeyLeft;
    case SDLK_RIGHT: return KeyRight;
    case SDLK_UP: return KeyUp;
    case SDLK_DOWN: return KeyDown;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return KeyEnter;
    case SDLK_SPACE: return KeySpace;
    default: return k > 32 && k < 127 ? (int)k : 0;
    }
}

static void draw(const device *d, uint32_t *pixels, size_t stride, int frame)
{
    for (int y = 0; y < Height; ++y) {
        uint32_t *row = (uint32_t *)((unsigned char *)pixels + (size_t)y * stride);
        for (int x = 0; x < Width; ++x)
            row[x] = 0xFF101828u + (uint32_t)(((x + y + frame) / 8) & 1) * 0x00040404u;
    }
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < Cols; ++c) {
            int tx, ty;
            tile_origin(c, r, &tx, &ty);
            const int focused = r == d->focus_row && c == d->focus_col;
            const uint32_t fill = d->on[r][c] ? 0xFF30C060u : 0xFF404858u;
            for (int y = ty; y < ty + Tile; ++y) {
                uint32_t *row = (uint32_t *)((unsigned char *)pixels + (size_t)y * stride);
                for (int x = tx; x < tx + Tile; ++x) {
                    const int edge = x < tx + 3 || y < ty + 3 || x >= tx + Tile - 3 || y >= ty + Tile - 3;
                    row[x] = edge ? (focused ? 0xFFFFE040u : 0xFF202430u) : fill;
                }
            }
        }
}

int main(int argc, char **argv)
{
    long frames = -1;
    if (argc == 3 && strcmp(argv[1], "--frames") == 0)
        frames = strtol(argv[2], NULL, 10);
    else if (argc != 1) {
        fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
        return 2;
    }

    char error[256];
    noxel_sim *sim = noxel_sim_open(NULL, error, sizeof error);
    if (!sim) {
        fprintf(stderr, "sdl2-sim: %s\n", error);
        return 1;
    }
    noxel_layer_desc desc = {Width, Height, 0, 0, 32, 0};
    noxel_layer *layer = noxel_layer_create(sim, 0, &desc, error, sizeof error);
    if (!layer) {
        fprintf(stderr, "sdl2-sim: %s\n", error);
        noxel_sim_close(sim);
        return 1;
    }
    noxel_sim_set_display(sim, Width, Height, 0xFF000000u);
    uint32_t *pixels = noxel_layer_pixels(layer);
    const size_t stride = noxel_layer_stride(layer);

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "sdl2-sim: %s\n", SDL_GetError());
        noxel_sim_close(sim);
        return 1;
    }
    SDL_Window *window = SDL_CreateWindow("Device (sdl2-sim)", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          Width * Scale, Height * Scale, 0);
    SDL_Renderer *renderer = window ? SDL_CreateRenderer(window, -1, 0) : NULL;
    SDL_Texture *texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                                        Width, Height)
                                    : NULL;
    if (!texture) {
        fprintf(stderr, "sdl2-sim: %s\n", SDL_GetError());
        SDL_Quit();
        noxel_sim_close(sim);
        return 1;
    }
    SDL_RenderSetLogicalSize(renderer, Width, Height);
    printf("sdl2-sim: publishing in %s\n", noxel_sim_runtime_dir(sim));
    fflush(stdout);

    device d;
    memset(&d, 0, sizeof d);
    int running = 1;
    for (long frame = 0; running && (frames < 0 || frame < frames); ++frame) {
        const Uint32 start = SDL_GetTicks();
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            if (e.type == SDL_QUIT)
                running = 0;
            else if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button == SDL_BUTTON_LEFT)
                click(&d, e.button.x, e.button.y); /* logical size: device pixels */
            else if (e.type == SDL_KEYDOWN && noxel_code(e.key.keysym.sym))
                key(&d, noxel_code(e.key.keysym.sym));
        }
        /* noXelView's pointer: a press is the change from released. */
        int x, y, down, code, pressed;
        noxel_layer_pointer(layer, &x, &y, &down);
        if (down && !d.pointer_down)
            click(&d, x, y);
        d.pointer_down = down;
        while (noxel_layer_take_key(layer, &code, &pressed) == 1)
            if (pressed)
                key(&d, code);

        draw(&d, pixels, stride, (int)frame);
        noxel_layer_commit(layer);
        SDL_UpdateTexture(texture, NULL, pixels, (int)stride);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, NULL, NULL);
        SDL_RenderPresent(renderer);
        const Uint32 spent = SDL_GetTicks() - start;
        if (spent < 16)
            SDL_Delay(16 - spent);
    }
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    noxel_sim_close(sim);
    return 0;
}
