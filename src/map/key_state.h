#pragma once
// Which keys are held, indexed by Windows virtual-key code, and the queue of
// key transitions that carries them from the window's event handling (main
// thread) to the editor tick (timer thread).

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

// Key-downs and key-ups in the order they happened, from one producer (the
// window's event handling) to one consumer (the tick). A down and its up
// that arrive within one slow frame would otherwise be handled back to back
// and no tick would see the key; queued, each reaches a tick of its own.
// Neither side ever waits for the other.
struct KeyEventQueue {
    static constexpr uint32_t capacity = 1024;
    struct Entry {
        uint8_t code;
        uint8_t down;
    };
    Entry entries[capacity] = {};
    std::atomic<uint32_t> head{0}; // next slot to fill; the producer's
    std::atomic<uint32_t> tail{0}; // next slot to take; the consumer's
    // The producer's view: each key's state after the last queued transition.
    uint8_t queuedDown[keyStateSize] = {};
};

// Producer side. Repeats (a down for a key already down, an up for one
// already up) change nothing and are dropped. A down is refused while
// keyStateSize slots or fewer are free, which keeps room for the up of every
// key that is down: an up is never refused, so no key can stick. False when
// the transition was refused or the code is outside 0..255.
bool queueKeyTransition(KeyEventQueue& queue, int code, bool down);

// Consumer side, at the start of each tick: applies waiting transitions to
// `keys` in order, stopping before the first whose key has already changed
// in this call, so two presses of one key count as two.
void applyKeyTransitions(KeyEventQueue& queue, KeyState& keys);

// Empties the queue and forgets the queued states; only while no tick runs.
void clearKeyEvents(KeyEventQueue& queue);
