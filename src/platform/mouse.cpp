#include "platform/mouse.h"

#include <SDL.h>

void warpMousePointer(int x, int y) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return;
    SDL_WarpMouseGlobal(x, y);
}
