#pragma once

#include <cstddef>
#include <cstdint>

// Random-access reads from an open file or from memory, so that header parsing runs the same
// on a user's file and on a fuzzer's bytes. Reads past the end come back short, never fail.
class ByteSource {
public:
    // Reads from `descriptor` (not owned, must stay open) of `size` bytes.
    static ByteSource fromFile(int descriptor, int64_t size);
    // Reads from `size` bytes at `data` (not owned, must outlive the source).
    static ByteSource fromMemory(const uint8_t* data, size_t size);

    int64_t size() const { return size_; }
    // Copies up to `count` bytes from `offset` into `out`; returns how many were copied (0 at or
    // past the end, or for a negative offset).
    size_t read(int64_t offset, void* out, size_t count) const;

private:
    ByteSource(int descriptor, const uint8_t* data, int64_t size) : descriptor_(descriptor), data_(data), size_(size) {}

    int descriptor_;
    const uint8_t* data_;
    int64_t size_;
};
