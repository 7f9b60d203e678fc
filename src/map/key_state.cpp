#include "map/key_state.h"

#include <cstring>

bool queueKeyTransition(KeyEventQueue& queue, int code, bool down) {
    if (code < 0 || code >= keyStateSize)
        return false;
    uint8_t& queued = queue.queuedDown[code];
    if (queued == (down ? 1 : 0))
        return true;
    const uint32_t head = queue.head.load(std::memory_order_relaxed);
    const uint32_t freeSlots =
        KeyEventQueue::capacity - (head - queue.tail.load(std::memory_order_acquire));
    // Each key that is down holds one slot in reserve for its up.
    if (down && freeSlots <= static_cast<uint32_t>(keyStateSize))
        return false;
    if (freeSlots == 0)
        return false;
    queue.entries[head % KeyEventQueue::capacity] = {static_cast<uint8_t>(code),
                                                     static_cast<uint8_t>(down ? 1 : 0)};
    queue.head.store(head + 1, std::memory_order_release);
    queued = down ? 1 : 0;
    return true;
}

void applyKeyTransitions(KeyEventQueue& queue, KeyState& keys) {
    uint32_t tail = queue.tail.load(std::memory_order_relaxed);
    const uint32_t head = queue.head.load(std::memory_order_acquire);
    if (tail == head)
        return;
    bool changed[keyStateSize] = {};
    for (; tail != head; ++tail) {
        const KeyEventQueue::Entry entry = queue.entries[tail % KeyEventQueue::capacity];
        if (changed[entry.code])
            break;
        changed[entry.code] = true;
        keys.key[entry.code].store(entry.down, std::memory_order_relaxed);
    }
    queue.tail.store(tail, std::memory_order_release);
}

void clearKeyEvents(KeyEventQueue& queue) {
    queue.tail.store(queue.head.load());
    std::memset(queue.queuedDown, 0, sizeof queue.queuedDown);
}
