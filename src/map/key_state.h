#pragma once
// Which keys are held, indexed by Windows virtual-key code. Written by the
// window's event handling on the main thread, read by the editor tick on the
// timer thread, so every entry is atomic.

#include <atomic>
#include <cstdint>

constexpr int keyStateSize = 256;

// The virtual-key codes the editor reads.
enum VirtualKey : int {
    vkEscape = 27,
    vkPrior = 33, // Page Up
    vkNext = 34,  // Page Down
    vkLeft = 37,
    vkUp = 38,
    vkRight = 39,
    vkDown = 40,
    vkA = 65,
    vkE = 69,
    vkR = 82,
    vkW = 87,
    vkZ = 90,
    vkAdd = 107,      // keypad +
    vkSubtract = 109, // keypad -
    vkScroll = 145,   // Scroll Lock
};

struct KeyState {
    std::atomic<uint8_t> key[keyStateSize] = {};
};

// Codes outside 0..255 (a message another program could post) are ignored.
inline void setKeyHeld(KeyState& keys, int code, bool held) {
    if (code >= 0 && code < keyStateSize)
        keys.key[code].store(held ? 1 : 0, std::memory_order_relaxed);
}

inline bool isKeyHeld(const KeyState& keys, int code) {
    return code >= 0 && code < keyStateSize && keys.key[code].load(std::memory_order_relaxed) != 0;
}

inline void releaseAllKeys(KeyState& keys) {
    for (auto& k : keys.key)
        k.store(0, std::memory_order_relaxed);
}
