#pragma once
// Little-endian bytes: a cursor that reads a buffer and refuses to read past
// its end, and a writer that appends to a vector. Header-only and free of SDL,
// so that every layer, the tools, the fuzzers and the benchmarks can share it;
// inline, because the decoders read with it in their inner loops.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Plain loads and stores, for bytes already checked: a record the cursor has
// taken, or a buffer of known size.
inline uint16_t loadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t loadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t loadI32(const uint8_t* p) {
    return static_cast<int32_t>(loadU32(p));
}

// The bits as stored, NaN payloads included.
inline float loadF32(const uint8_t* p) {
    const uint32_t bits = loadU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void storeU32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

inline void storeF32(uint8_t* p, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    storeU32(p, bits);
}

// A cursor over `size` bytes at `data`. Every read checks what is left first;
// a refused read returns false (or null) and leaves the cursor and its output
// as they were. `offset` never passes `size`: move it only with skip or take.
struct ByteReader {
    const uint8_t* data;
    size_t size;
    size_t offset = 0;

    size_t left() const { return size - offset; }
    bool has(size_t count) const { return count <= size - offset; }
    const uint8_t* at() const { return data + offset; }

    // The next `count` bytes, moving past them; null when fewer are left.
    const uint8_t* take(size_t count) {
        if (!has(count))
            return nullptr;
        const uint8_t* start = data + offset;
        offset += count;
        return start;
    }
    bool skip(size_t count) { return take(count) != nullptr; }

    bool u16(uint16_t& out) { return read(out, loadU16); }
    bool u32(uint32_t& out) { return read(out, loadU32); }
    bool i32(int32_t& out) { return read(out, loadI32); }
    bool f32(float& out) { return read(out, loadF32); }

  private:
    template <typename T, typename Load> bool read(T& out, Load load) {
        const uint8_t* p = take(sizeof(T));
        if (p == nullptr)
            return false;
        out = load(p);
        return true;
    }
};

// Appends little-endian values to `bytes`.
struct ByteWriter {
    std::vector<uint8_t>& bytes;

    void u8(uint8_t value) { bytes.push_back(value); }
    void u16(uint16_t value) {
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
    }
    void u32(uint32_t value) {
        const size_t end = bytes.size();
        bytes.resize(end + 4);
        storeU32(bytes.data() + end, value);
    }
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
    void f32(float value) {
        const size_t end = bytes.size();
        bytes.resize(end + 4);
        storeF32(bytes.data() + end, value);
    }
    void f32s(const float* values, size_t count) {
        for (size_t i = 0; i < count; ++i)
            f32(values[i]);
    }
    void raw(const void* data, size_t count) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + count);
    }
    void fill(size_t count, uint8_t value = 0) { bytes.insert(bytes.end(), count, value); }
    // A fixed-size text field: the string's bytes cut at `size`, then zeros; a
    // string that fills the field has no terminator.
    void text(const std::string& value, size_t size) {
        const size_t length = value.size() < size ? value.size() : size;
        raw(value.data(), length);
        fill(size - length);
    }
};
