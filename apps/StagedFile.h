#pragma once

#include <cstdio>
#include <string>

// A new file written in full beside its target before it takes the target's name, so that the
// target is only ever its old self or the complete new file. A staged file that is never placed
// is removed when the object goes.
class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Starts a hidden file in the folder of `target`. False, with `error`, when it cannot.
    bool open(const std::string& target, std::string& error);
    // The stream to write the contents to; null unless open and not yet finished.
    std::FILE* stream() const { return stream_; }
    // Flushes the contents to disk and closes the stream. False, with `error`, on failure.
    bool finish(std::string& error);
    // Puts the finished file in the target's place in one step, replacing what was there.
    bool place(std::string& error);

    const std::string& target() const { return target_; }

private:
    void discard();

    std::string target_;
    std::string hidden_;
    std::FILE* stream_ = nullptr;
    bool finished_ = false;
};
