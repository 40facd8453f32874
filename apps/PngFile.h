#pragma once

#include <string>

#include "engine/DeepPixelBuffer.h"
#include "engine/PixelBuffer.h"

// Writes pixel buffers as RGBA PNG files (8 bits per channel, 16 for DeepPixelBuffers) without ever leaving a half-written file under
// any name: the picture goes to an unnamed file in the target's folder, is flushed to disk and
// only then gets a name, taking the target's place in one step. Where the filesystem has no
// unnamed files, a hidden named one stands in; it is removed on any failure the program sees.
class PngFile {
public:
    // How the new file exists until it takes the target's place.
    enum class Staging {
        Unnamed,  // no name at all until complete; falls back to Named where unsupported
        Named     // a hidden file beside the target
    };

    // A picture written in full beside its target, flushed to disk, that has not taken the
    // target's place yet: several can be staged first and placed one after the other, so that
    // a set of files changes together. Dropping one leaves nothing behind.
    class Staged {
    public:
        Staged() = default;
        ~Staged() { discard(); }
        Staged(Staged&& other) noexcept;
        Staged& operator=(Staged&& other) noexcept;
        Staged(const Staged&) = delete;
        Staged& operator=(const Staged&) = delete;

        // The target as it was given; empty when nothing is staged.
        const std::string& path() const { return path_; }

    private:
        friend class PngFile;
        void discard();

        std::string path_;
        std::string target_; // the end of the path's symbolic links
        std::string folder_;
        bool targetExists_ = false;
        int descriptor_ = -1;
        std::string hidden_; // the named stand-in, when one is used
    };

    // True on success. On failure `error` says why in one line, nothing is left behind and an
    // existing file at `path` is left as it was. When `path` is a symbolic link, the file it
    // leads to is replaced and the link kept. A replaced file keeps its permission bits (and,
    // where allowed, its owner and group); a new one gets the usual bits for new files.
    static bool writeAtomically(const PixelBuffer& picture, const std::string& path, std::string& error,
                                Staging staging = Staging::Unnamed);

    // The first half of writeAtomically: writes `picture` into `staged`. A DeepPixelBuffer gives
    // a 16-bit RGBA PNG, its 8-bit coverage widened (255 -> 65535). False, with `error`,
    // leaving nothing behind and `staged` empty.
    static bool stage(const PixelBuffer& picture, const std::string& path, Staged& staged, std::string& error,
                      Staging staging = Staging::Unnamed);
    static bool stage(const DeepPixelBuffer& picture, const std::string& path, Staged& staged, std::string& error,
                      Staging staging = Staging::Unnamed);
    // The second half: puts the staged file in its target's place in one step and empties
    // `staged`. False, with `error`, leaving the target as it was and nothing behind.
    static bool place(Staged& staged, std::string& error);

    // True when writeAtomically could create `path` now: its folder exists and takes new files,
    // the name is not too long, and `path` is not a folder. Leaves nothing behind. Meant to be
    // asked before long work whose result would otherwise be lost.
    static bool checkWritable(const std::string& path, std::string& error);

private:
    template <typename Picture>
    static bool stagePicture(const Picture& picture, const std::string& path, Staged& staged, std::string& error,
                             Staging staging);
};
