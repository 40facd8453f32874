#include "session/SandboxedDecoder.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Sent ahead of the strings and the pixels.
struct WireHeader {
    int32_t status;
    uint32_t width;
    uint32_t height;
    uint32_t formatLength;
    uint32_t messageLength;
};

constexpr uint32_t kMaxTextLength = 4096;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCapAddressSpace = false;
#else
constexpr bool kCapAddressSpace = true;
#endif

// Lets the child map what it has now plus room for one image at 16 bytes a pixel in each of
// the copies a decode makes (file format, 32-bit conversion, result).
void capAddressSpace(int64_t maxPixels) {
    if (!kCapAddressSpace)
        return;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return;
    unsigned long long pages = 0;
    const bool known = std::fscanf(statm, "%llu", &pages) == 1;
    std::fclose(statm);
    if (!known)
        return;
    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + rlim_t(maxPixels) * 48 + (rlim_t(256) << 20);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
}

bool writeAll(int fd, const void* data, size_t size) {
    auto bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

bool sendResult(int fd, const DecodedImage& result) {
    const std::string format = result.format.substr(0, kMaxTextLength);
    const std::string message = result.message.substr(0, kMaxTextLength);
    const WireHeader header{int32_t(result.status), result.width, result.height, uint32_t(format.size()),
                            uint32_t(message.size())};
    return writeAll(fd, &header, sizeof header) && writeAll(fd, format.data(), format.size()) &&
           writeAll(fd, message.data(), message.size()) &&
           writeAll(fd, result.pixels.data(), result.pixels.size() * sizeof(uint32_t));
}

// The child: decode, send, leave without running the parent's exit handlers.
[[noreturn]] void runChild(int fd, const SandboxedDecoder::Decode& decode, int64_t maxPixels) {
    capAddressSpace(maxPixels);
    bool sent = false;
    try {
        sent = sendResult(fd, decode());
    } catch (...) {
    }
    _exit(sent ? 0 : 1);
}

// Reads exactly `size` bytes unless the child stops sending or the deadline passes.
bool readAll(int fd, void* data, size_t size, Clock::time_point deadline) {
    auto bytes = static_cast<char*>(data);
    while (size > 0) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return false;
        // Rounded up, so that the wait never ends before the deadline it is measured against.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, int(std::min<long long>(left, 60000)));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled < 0)
            return false;
        if (polled == 0)
            continue;
        const ssize_t n = read(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

bool readText(int fd, uint32_t length, std::string& text, Clock::time_point deadline) {
    text.resize(length);
    return readAll(fd, text.data(), length, deadline);
}

// The child's result, or false when it is incomplete or does not fit.
bool receiveResult(int fd, int64_t maxPixels, Clock::time_point deadline, DecodedImage& result) {
    WireHeader header{};
    if (!readAll(fd, &header, sizeof header, deadline))
        return false;
    if (header.status < 0 || header.status > int32_t(DecodedImage::Status::TooLarge) ||
        header.formatLength > kMaxTextLength || header.messageLength > kMaxTextLength)
        return false;
    result.status = DecodedImage::Status(header.status);
    if (!readText(fd, header.formatLength, result.format, deadline) ||
        !readText(fd, header.messageLength, result.message, deadline))
        return false;
    if (result.status != DecodedImage::Status::Decoded)
        return true;
    const uint64_t count = uint64_t(header.width) * header.height;
    if (count == 0 || count > uint64_t(maxPixels))
        return false;
    result.width = header.width;
    result.height = header.height;
    result.pixels.resize(count);
    return readAll(fd, result.pixels.data(), count * sizeof(uint32_t), deadline);
}

void reap(pid_t child) {
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

DecodedImage failure(const std::string& format, const char* message) {
    DecodedImage result;
    result.format = format;
    result.message = message;
    return result;
}

} // namespace

DecodedImage SandboxedDecoder::decode(const QString& path, const std::vector<int>& formats, int64_t maxPixels,
                                      int timeoutMs) {
    // Prepared before the fork: the child calls nothing of the toolkit.
    const std::string localPath = QFile::encodeName(path).toStdString();
    const std::string firstFormat = formats.empty() ? std::string() : FreeImageDecoder::formatName(formats.front());
    return run([&] { return FreeImageDecoder::decode(localPath, formats, maxPixels); }, maxPixels, firstFormat,
               timeoutMs);
}

DecodedImage SandboxedDecoder::run(const Decode& decode, int64_t maxPixels, const std::string& format, int timeoutMs) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return failure(format, "No process could be started to read the file.");
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        runChild(fds[1], decode, maxPixels);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return failure(format, "No process could be started to read the file.");
    }

    DecodedImage result;
    bool complete = false;
    try {
        complete = receiveResult(fds[0], maxPixels, deadline, result);
    } catch (const std::bad_alloc&) {
        complete = false;
    }
    close(fds[0]);
    const bool late = Clock::now() >= deadline;
    if (!complete)
        kill(child, SIGKILL);  // a child still running is stuck or sending garbage
    reap(child);
    if (complete)
        return result;
    return failure(format, late ? "Reading the file took too long." : "The reader failed on damaged data.");
}
