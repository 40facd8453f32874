#include "apps/StagedFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace {

std::string reason() { return std::strerror(errno); }

std::string hiddenPattern(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".XXXXXX";
}

// mkstemp creates files readable by the owner only; the result should look like any new file.
void giveDefaultPermissions(int descriptor) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
}

} // namespace

StagedFile::~StagedFile() { discard(); }

StagedFile::StagedFile(StagedFile&& other) noexcept
    : target_(std::move(other.target_)), hidden_(std::exchange(other.hidden_, {})),
      stream_(std::exchange(other.stream_, nullptr)), finished_(other.finished_) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        discard();
        target_ = std::move(other.target_);
        hidden_ = std::exchange(other.hidden_, {});
        stream_ = std::exchange(other.stream_, nullptr);
        finished_ = other.finished_;
    }
    return *this;
}

void StagedFile::discard() {
    if (stream_)
        std::fclose(stream_);
    stream_ = nullptr;
    if (!hidden_.empty())
        unlink(hidden_.c_str());
    hidden_.clear();
}

bool StagedFile::open(const std::string& target, std::string& error) {
    discard();
    target_ = target;
    finished_ = false;
    const std::string pattern = hiddenPattern(target);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) {
        error = "cannot create a file next to '" + target + "': " + reason();
        return false;
    }
    hidden_ = name.data();
    giveDefaultPermissions(descriptor);
    stream_ = fdopen(descriptor, "wb");
    if (!stream_) {
        error = "cannot write '" + target + "': " + reason();
        close(descriptor);
        discard();
        return false;
    }
    return true;
}

bool StagedFile::finish(std::string& error) {
    if (!stream_) {
        error = "cannot write '" + target_ + "': it was not opened";
        return false;
    }
    const bool flushed = std::fflush(stream_) == 0 && fsync(fileno(stream_)) == 0;
    std::string why = flushed ? std::string() : reason();
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (flushed && !closed)
        why = reason();
    if (!flushed || !closed) {
        error = "cannot write '" + target_ + "': " + why;
        discard();
        return false;
    }
    finished_ = true;
    return true;
}

bool StagedFile::place(std::string& error) {
    if (!finished_ || hidden_.empty()) {
        error = "cannot write '" + target_ + "': it is not complete";
        return false;
    }
    if (std::rename(hidden_.c_str(), target_.c_str()) != 0) {
        error = "cannot write '" + target_ + "': " + reason();
        discard();
        return false;
    }
    hidden_.clear();
    return true;
}
