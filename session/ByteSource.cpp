#include "session/ByteSource.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

ByteSource ByteSource::fromFile(int descriptor, int64_t size) { return ByteSource(descriptor, nullptr, size); }

ByteSource ByteSource::fromMemory(const uint8_t* data, size_t size) { return ByteSource(-1, data, int64_t(size)); }

size_t ByteSource::read(int64_t offset, void* out, size_t count) const {
    if (offset < 0 || offset >= size_)
        return 0;
    if (uint64_t(count) > uint64_t(size_ - offset))
        count = size_t(size_ - offset);
    if (data_ != nullptr) {
        std::memcpy(out, data_ + offset, count);
        return count;
    }
    size_t done = 0;
    while (done < count) {
        const ssize_t n = pread(descriptor_, static_cast<char*>(out) + done, count - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    return done;
}
