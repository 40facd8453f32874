#include "apps/PngFile.h"

#include <fcntl.h>
#include <limits.h>
#include <png.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <csetjmp>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// As the kernel counts when it gives up on a path.
constexpr int kMaxLinks = 40;

std::string reason(int error = errno) { return std::strerror(error); }

// Where the picture goes: the end of OUT's chain of symbolic links, split into folder and name.
struct Target {
    std::string path;
    std::string folder;
    std::string name;
    bool exists = false;
    struct stat info {};
};

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows `path` through its symbolic links, so that replacing it replaces what the link
// points to instead of turning the link into a plain file. A link to nothing names the file
// to create.
bool locate(const std::string& path, Target& target, std::string& error) {
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0) {
            if (errno == ENOTDIR) {
                error = "a part of its path is not a folder";
                return false;
            }
            if (errno != ENOENT) {
                error = reason();
                return false;
            }
            break;
        }
        if (!S_ISLNK(info.st_mode)) {
            target.exists = true;
            target.info = info;
            break;
        }
        if (links == kMaxLinks) {
            error = reason(ELOOP);
            return false;
        }
        std::vector<char> link(PATH_MAX + 1);
        const ssize_t length = readlink(current.c_str(), link.data(), PATH_MAX);
        if (length < 0) {
            error = reason();
            return false;
        }
        const std::string destination(link.data(), size_t(length));
        current = destination.front() == '/' ? destination : folderOf(current) + "/" + destination;
    }
    if (target.exists && S_ISDIR(target.info.st_mode)) {
        error = "it is a folder";
        return false;
    }
    const size_t slash = current.find_last_of('/');
    target.path = current;
    target.folder = folderOf(current);
    target.name = slash == std::string::npos ? current : current.substr(slash + 1);
    if (target.name.empty() || target.name == "." || target.name == "..") {
        error = "it names a folder, not a file";
        return false;
    }
    return true;
}

bool lacksUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// A new file with no name in `folder`, or -1 with errno set.
int createUnnamed(const std::string& folder) { return open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); }

// A short hidden name that cannot clash with the user's files and stays legal next to any
// legal OUT, whatever its length.
std::string hiddenName(const std::string& folder) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[8] = {};
    if (getrandom(random, sizeof random, 0) != ssize_t(sizeof random))
        for (unsigned char& r : random)
            r = static_cast<unsigned char>(std::rand());
    std::string name = folder + "/.patchloom-";
    for (const unsigned char r : random)
        name += kLetters[r % (sizeof kLetters - 1)];
    return name;
}

// Gives the unnamed file `descriptor` the name `path`; fails with EEXIST when it is taken.
bool linkUnnamed(int descriptor, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    // Without /proc, only the privileged form is left.
    return errno == ENOENT && access("/proc/self/fd", F_OK) != 0 &&
           linkat(descriptor, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0;
}

// A replaced file keeps what its owner set on it; a new one gets the usual bits for new files
// (mkstemp makes its files private).
void giveAttributes(int descriptor, const Target& target) {
    if (target.exists) {
        const bool otherOwner = target.info.st_uid != geteuid() || target.info.st_gid != getegid();
        if (otherOwner && fchown(descriptor, target.info.st_uid, target.info.st_gid) != 0) {
            // Only root may give a file away; the new file then stays ours, with the old bits.
        }
        fchmod(descriptor, target.info.st_mode & 07777);
        return;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
}

// The new name survives a power cut only once the folder is on disk too.
void syncFolder(const std::string& folder) {
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}

// Puts the complete unnamed file in the target's place: linked straight to the name when that
// is free, otherwise linked to a hidden name and renamed over the target in one step.
bool placeUnnamed(int descriptor, const Target& target, std::string& error) {
    if (!target.exists) {
        if (linkUnnamed(descriptor, target.path))
            return true;
        if (errno != EEXIST) {
            error = reason();
            return false;
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string hidden = hiddenName(target.folder);
        if (!linkUnnamed(descriptor, hidden)) {
            if (errno == EEXIST)
                continue;
            error = reason();
            return false;
        }
        if (std::rename(hidden.c_str(), target.path.c_str()) == 0)
            return true;
        error = reason();
        unlink(hidden.c_str());
        return false;
    }
    error = reason(EEXIST);
    return false;
}

// Runs `encode` on a stream over a copy of `descriptor` (so that the file stays open for
// linking after the stream closes), then flushes the file to disk.
template <typename Encode>
bool writeStream(int descriptor, std::string& error, Encode encode) {
    const int copy = dup(descriptor);
    FILE* file = copy >= 0 ? fdopen(copy, "wb") : nullptr;
    if (!file) {
        error = reason();
        if (copy >= 0)
            close(copy);
        return false;
    }
    errno = 0;
    std::string message;
    const bool written = encode(file, message);
    // The system's reason ("No space left on device") says more than the encoder's "Write Error".
    if (!written && std::ferror(file) && errno != 0)
        error = reason();
    else if (!written)
        error = message.empty() ? "the PNG encoder failed" : message;
    const bool flushed = written && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    if (written && !flushed)
        error = reason();
    const bool closed = std::fclose(file) == 0;
    if (flushed && !closed)
        error = reason();
    return written && flushed && closed;
}

// Where libpng's error handler leaves its message before it jumps back.
struct ErrorSink {
    char message[256] = {};
};

void onError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message ? message : "");
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Picture data gains next to nothing from zlib's default effort (measured on tiles: the files
// come out the same size), and at this level they are written about three times faster.
constexpr int kCompressionLevel = 3;

// An RGBA PNG of `bitDepth` bits per channel, rows handed over by `rows(png)`. Kept free of
// objects with destructors between setjmp and the jumps back to it.
template <typename Rows>
bool encodeRows(FILE* file, uint32_t width, uint32_t height, int bitDepth, ErrorSink& sink, Rows rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onError, onWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, bitDepth, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kCompressionLevel);
    png_write_info(png, info);
    rows(png);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool encode(const PixelBuffer& picture, FILE* file, std::string& message) {
    ErrorSink sink;
    const bool written = encodeRows(file, picture.width(), picture.height(), 8, sink, [&picture](png_structp png) {
        // Our 0xAARRGGBB words lie in memory as B, G, R, A on little-endian machines, A, R, G, B
        // on big-endian ones.
        if (std::endian::native == std::endian::little)
            png_set_bgr(png);
        else
            png_set_swap_alpha(png);
        for (uint32_t y = 0; y < picture.height(); ++y)
            png_write_row(png, reinterpret_cast<png_const_bytep>(picture.pixels() + size_t(y) * picture.width()));
    });
    if (!written)
        message = sink.message;
    return written;
}

// One row of 16-bit RGBA in PNG's byte order (most significant byte first), coverage widened.
void packRow(const DeepPixel* pixels, uint32_t width, png_byte* out) {
    for (uint32_t x = 0; x < width; ++x) {
        const DeepPixel& p = pixels[x];
        const uint32_t alpha = uint32_t(p.alpha > 255 ? 255 : p.alpha) * 257;
        for (const uint32_t v : {uint32_t(p.red), uint32_t(p.green), uint32_t(p.blue), alpha}) {
            *out++ = png_byte(v >> 8);
            *out++ = png_byte(v & 0xFF);
        }
    }
}

bool encode(const DeepPixelBuffer& picture, FILE* file, std::string& message) {
    std::vector<png_byte> row(size_t(picture.width()) * 8);
    png_byte* bytes = row.data();
    ErrorSink sink;
    const bool written = encodeRows(file, picture.width(), picture.height(), 16, sink, [&picture, bytes](png_structp png) {
        for (uint32_t y = 0; y < picture.height(); ++y) {
            packRow(&picture.at(0, y), picture.width(), bytes);
            png_write_row(png, bytes);
        }
    });
    if (!written)
        message = sink.message;
    return written;
}

} // namespace

PngFile::Staged::Staged(Staged&& other) noexcept
    : path_(std::exchange(other.path_, {})), target_(std::exchange(other.target_, {})),
      folder_(std::exchange(other.folder_, {})), targetExists_(other.targetExists_),
      descriptor_(std::exchange(other.descriptor_, -1)), hidden_(std::exchange(other.hidden_, {})) {}

PngFile::Staged& PngFile::Staged::operator=(Staged&& other) noexcept {
    if (this != &other) {
        discard();
        path_ = std::exchange(other.path_, {});
        target_ = std::exchange(other.target_, {});
        folder_ = std::exchange(other.folder_, {});
        targetExists_ = other.targetExists_;
        descriptor_ = std::exchange(other.descriptor_, -1);
        hidden_ = std::exchange(other.hidden_, {});
    }
    return *this;
}

void PngFile::Staged::discard() {
    if (!hidden_.empty())
        unlink(hidden_.c_str());
    if (descriptor_ >= 0)
        close(descriptor_);
    descriptor_ = -1;
    hidden_.clear();
    path_.clear();
}

template <typename Picture>
bool PngFile::stagePicture(const Picture& picture, const std::string& path, Staged& staged, std::string& error,
                           Staging staging) {
    staged = Staged();
    const auto failed = [&](const std::string& why) {
        error = "cannot write '" + path + "': " + why;
        return false;
    };
    if (picture.count() == 0)
        return failed("nothing to write");
    Target target;
    std::string why;
    if (!locate(path, target, why))
        return failed(why);

    int descriptor = staging == Staging::Unnamed ? createUnnamed(target.folder) : -1;
    std::string hidden;  // the named stand-in, when one is used
    if (descriptor < 0 && (staging == Staging::Named || lacksUnnamedFiles(errno))) {
        std::string pattern = target.folder + "/.patchloom-XXXXXX";
        descriptor = mkostemp(pattern.data(), O_CLOEXEC);
        if (descriptor >= 0)
            hidden = pattern;
    }
    if (descriptor < 0)
        return failed(errno == ENOENT ? "its folder does not exist" : reason());
    giveAttributes(descriptor, target);
    staged.path_ = path;
    staged.target_ = target.path;
    staged.folder_ = target.folder;
    staged.targetExists_ = target.exists;
    staged.descriptor_ = descriptor;
    staged.hidden_ = hidden;
    if (!writeStream(descriptor, why, [&picture](FILE* file, std::string& message) {
            return encode(picture, file, message);
        })) {
        staged = Staged();
        return failed(why);
    }
    return true;
}

bool PngFile::stage(const PixelBuffer& picture, const std::string& path, Staged& staged, std::string& error,
                    Staging staging) {
    return stagePicture(picture, path, staged, error, staging);
}

bool PngFile::stage(const DeepPixelBuffer& picture, const std::string& path, Staged& staged, std::string& error,
                    Staging staging) {
    return stagePicture(picture, path, staged, error, staging);
}

bool PngFile::place(Staged& staged, std::string& error) {
    const std::string path = staged.path_;
    if (staged.descriptor_ < 0) {
        error = "cannot write '" + path + "': nothing was staged";
        return false;
    }
    Target target;
    target.path = staged.target_;
    target.folder = staged.folder_;
    target.exists = staged.targetExists_;
    std::string why;
    bool placed = false;
    if (staged.hidden_.empty()) {
        placed = placeUnnamed(staged.descriptor_, target, why);
    } else if (std::rename(staged.hidden_.c_str(), target.path.c_str()) == 0) {
        staged.hidden_.clear();
        placed = true;
    } else {
        why = reason();
    }
    staged = Staged();
    if (!placed) {
        error = "cannot write '" + path + "': " + why;
        return false;
    }
    syncFolder(target.folder);
    return true;
}

bool PngFile::writeAtomically(const PixelBuffer& picture, const std::string& path, std::string& error,
                              Staging staging) {
    Staged staged;
    return stage(picture, path, staged, error, staging) && place(staged, error);
}

bool PngFile::checkWritable(const std::string& path, std::string& error) {
    const auto failed = [&](const std::string& why) {
        error = "cannot write '" + path + "': " + why;
        return false;
    };
    Target target;
    std::string why;
    if (!locate(path, target, why))
        return failed(why);
    struct stat folder {};
    if (stat(target.folder.c_str(), &folder) != 0)
        return failed(errno == ENOENT ? "its folder does not exist" : reason());
    if (!S_ISDIR(folder.st_mode))
        return failed("'" + target.folder + "' is not a folder");
    const long longestName = pathconf(target.folder.c_str(), _PC_NAME_MAX);
    if (longestName > 0 && target.name.size() > size_t(longestName))
        return failed(reason(ENAMETOOLONG));
    // Creating an unnamed file is the real test and leaves nothing behind.
    const int probe = createUnnamed(target.folder);
    if (probe >= 0) {
        close(probe);
        return true;
    }
    if (!lacksUnnamedFiles(errno))
        return failed(reason());
    if (access(target.folder.c_str(), W_OK | X_OK) != 0)
        return failed(reason());
    return true;
}
