#pragma once
// The 13 bytes of a display-settings file (ZKP.cfg), put together here rather
// than by the program's encoder, so that no expected file comes from the code
// under test: the flag byte, then the resolution, colour-depth and refresh
// indices as little-endian 32-bit integers.

#include "scratch_dir.h"

inline Bytes settingsBytes(uint8_t flag, int32_t resolution, int32_t depth, int32_t refresh) {
    Bytes bytes{flag};
    for (int32_t value : {resolution, depth, refresh})
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
    return bytes;
}

// The same, followed by the tagged display field ("QMDI", then the index).
inline Bytes settingsBytesOnDisplay(uint8_t flag, int32_t resolution, int32_t depth,
                                    int32_t refresh, int32_t display) {
    Bytes bytes = settingsBytes(flag, resolution, depth, refresh);
    bytes.insert(bytes.end(), {'Q', 'M', 'D', 'I'});
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(display) >> (8 * i)));
    return bytes;
}
