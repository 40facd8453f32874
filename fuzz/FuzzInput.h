#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One fuzzer input read as a file: its first byte picks the file name's extension (the loader
// chooses readers by it), the rest are the file's bytes. The seed maker writes inputs the same
// way, so the committed seeds and the targets agree.
class FuzzInput {
public:
    // The extensions the first byte picks from, modulo their count. Only append: reordering
    // would give every committed seed another extension.
    static const std::vector<std::string>& extensions();

    // Splits `size` bytes at `data` (not owned, must outlive the input); an empty input has no
    // extension and no bytes.
    FuzzInput(const uint8_t* data, size_t size);

    const std::string& extension() const { return extension_; }
    const uint8_t* bytes() const { return bytes_; }
    size_t size() const { return size_; }

    // The input that FuzzInput reads back as `fileBytes` with `extension`; empty when the
    // extension is not in the list.
    static std::string encode(const std::string& extension, const std::string& fileBytes);

private:
    std::string extension_;
    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
};
