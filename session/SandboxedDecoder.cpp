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
#include <sys/mman.h>
#include <sys/prctl.h>
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
#define PATCHLOOM_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PATCHLOOM_SANITIZED 1
#endif
#endif
#if defined(PATCHLOOM_SANITIZED)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
constexpr bool kCapAddressSpace = !kSanitized;
// Instrumented code runs several times slower.
constexpr int kSlowdown = kSanitized ? 4 : 1;

// Lets the child map what it has now plus room for one image at 16 bytes a pixel in each of
// the copies a decode makes (file format, 32-bit conversion, result).
void capAddressSpace(int64_t pixels) {
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
    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + rlim_t(pixels) * 48 + (rlim_t(256) << 20);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
}

// A reader stuck in a loop is stopped by the kernel even if the parent never gets to it: the
// soft limit sends SIGXCPU, the hard one a second later SIGKILL.
void capCpuTime(int seconds) {
    const rlimit cap{rlim_t(seconds), rlim_t(seconds) + 1};
    setrlimit(RLIMIT_CPU, &cap);
}

// A crashing reader leaves no core file in the user's folder.
void forbidCoreFiles() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

// The readers' own complaints ("libpng error: ...", "*** buffer overflow detected ***") would
// reach the user's terminal; the loader says what went wrong in its own words instead.
void silenceOutput() {
    int sink = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (sink < 0)
        sink = memfd_create("reader-diagnostics", MFD_CLOEXEC);
    if (sink < 0)
        return;
    dup2(sink, STDIN_FILENO);
    dup2(sink, STDOUT_FILENO);
    dup2(sink, STDERR_FILENO);
    if (sink > STDERR_FILENO)
        close(sink);
}

// A child whose parent is gone has no one to send its result to: it dies too. The parent may
// already have died between the fork and the request, which the parent's id then shows.
bool dieWithParent(pid_t parent) { return prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && getppid() == parent; }

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
[[noreturn]] void runChild(int fd, const SandboxedDecoder::Decode& decode, const SandboxedDecoder::Limits& limits,
                           pid_t parent) {
    if (!dieWithParent(parent))
        _exit(1);
    silenceOutput();
    forbidCoreFiles();
    capCpuTime(limits.cpuSeconds);
    capAddressSpace(limits.pixels);
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

// True when the child was stopped for using up its CPU time.
bool reapOutOfTime(pid_t child, int cpuSeconds) {
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0)
        if (errno != EINTR)
            return false;
    if (!WIFSIGNALED(status))
        return false;
    const double used = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return WTERMSIG(status) == SIGXCPU || (WTERMSIG(status) == SIGKILL && used >= cpuSeconds);
}

DecodedImage failure(const std::string& format, const char* message) {
    DecodedImage result;
    result.format = format;
    result.message = message;
    return result;
}

} // namespace

SandboxedDecoder::Limits SandboxedDecoder::Limits::forFile(uint64_t fileBytes, uint64_t headerPixels,
                                                           int64_t maxPixels) {
    constexpr uint64_t kPixelsPerByte = 1024;
    const uint64_t guess = fileBytes > uint64_t(maxPixels) / kPixelsPerByte ? uint64_t(maxPixels) : fileBytes * kPixelsPerByte;
    const uint64_t pixels = std::min<uint64_t>(headerPixels != 0 ? headerPixels : guess, uint64_t(maxPixels));
    // About 2 s of base cost, a second for every 4 million pixels decoded and converted and for
    // every 16 MiB read.
    const uint64_t seconds = 2 + pixels / (uint64_t(4) << 20) + fileBytes / (uint64_t(16) << 20);
    Limits limits;
    limits.cpuSeconds = int(std::min<uint64_t>(seconds, 600)) * kSlowdown;
    limits.wallMs = limits.cpuSeconds * 1500 + 1000;  // room for reading the file and a busy machine
    limits.pixels = headerPixels != 0 ? int64_t(pixels) : maxPixels;
    return limits;
}

DecodedImage SandboxedDecoder::decode(const QString& path, const std::vector<int>& formats, int64_t maxPixels,
                                      const Limits& limits) {
    // Prepared before the fork: the child calls nothing of the toolkit.
    const std::string localPath = QFile::encodeName(path).toStdString();
    const std::string firstFormat = formats.empty() ? std::string() : FreeImageDecoder::formatName(formats.front());
    return run([&] { return FreeImageDecoder::decode(localPath, formats, maxPixels); }, maxPixels, firstFormat,
               limits);
}

DecodedImage SandboxedDecoder::run(const Decode& decode, int64_t maxPixels, const std::string& format,
                                   const Limits& limits) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return failure(format, "No process could be started to read the file.");
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.wallMs);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        runChild(fds[1], decode, limits, parent);
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
    const bool outOfTime = reapOutOfTime(child, limits.cpuSeconds);
    if (complete)
        return result;
    return failure(format, late || outOfTime ? "Reading the file took too long." : "The reader failed on damaged data.");
}
