// The window icon, decoded from the PNG the build embeds. stb_image is
// compiled here, private to this file, so it cannot meet the tools' own copy.

#include "platform/window_internal.h"

#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include <climits>

bool setWindowIcon(SDL_Window* window, const WindowIcon& icon) {
    if (icon.png == nullptr || icon.size == 0 || icon.size > INT_MAX)
        return false;
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(icon.png, static_cast<int>(icon.size), &width, &height,
                                            &channels, STBI_rgb_alpha);
    if (pixels == nullptr)
        return false;
    // RGBA32 names the bytes in memory order, as stb_image leaves them.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 32, width * 4,
                                                              SDL_PIXELFORMAT_RGBA32);
    if (surface != nullptr) {
        SDL_SetWindowIcon(window, surface); // copies the pixels
        SDL_FreeSurface(surface);
    }
    stbi_image_free(pixels);
    return surface != nullptr;
}
