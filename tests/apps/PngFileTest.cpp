#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "AppsTestSupport.h"
#include "apps/PngFile.h"
#include "support/Pictures.h"
#include "support/TextureLoader.h"

namespace {

using Staging = PngFile::Staging;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Runs `body` in a child process whose files may not grow beyond `maxFileBytes`: past that a
// write is killed by SIGXFSZ, or fails as on a full disk when the signal is ignored. Returns
// the child's status: its exit code, or 128 + the signal that ended it.
int withFileSizeLimit(rlim_t maxFileBytes, bool killed, const std::function<bool()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        const rlimit noCore{0, 0}, size{maxFileBytes, maxFileBytes};
        setrlimit(RLIMIT_CORE, &noCore);
        setrlimit(RLIMIT_FSIZE, &size);
        std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class PngFileStaging : public ::testing::TestWithParam<Staging> {
protected:
    bool write(const PixelBuffer& picture, const std::string& path) {
        return PngFile::writeAtomically(picture, path, error, GetParam());
    }

    TempFolder folder;
    std::string error;
};

} // namespace

// Every byte value turns up in every channel, so a swapped channel or a premultiplied colour
// would show; the file is RGBA with the usual permissions and nothing else is left behind.
TEST_P(PngFileStaging, WritesRgbaThatReadsBackBitExact) {
    PixelBuffer pattern(37, 23);
    for (uint32_t y = 0; y < pattern.height(); ++y)
        for (uint32_t x = 0; x < pattern.width(); ++x)
            pattern.at(x, y) = makePixel((x * 7 + y * 11) & 0xFF, (x * 13) & 0xFF, (y * 17) & 0xFF, (x + y * 37) & 0xFF);
    ASSERT_TRUE(write(pattern, folder.file("tile.png"))) << error;
    EXPECT_EQ(folder.entries(), Words{"tile.png"});

    const PixelBuffer back = loadPng(folder.file("tile.png"));
    ASSERT_EQ(back.count(), pattern.count());
    EXPECT_TRUE(std::equal(back.pixels(), back.pixels() + back.count(), pattern.pixels()));
    EXPECT_EQ(readFile(folder.file("tile.png")).substr(24, 2), std::string("\x08\x06")); // depth 8, RGBA
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(modeOf(folder.file("tile.png")), 0666 & ~mask);
}

TEST_P(PngFileStaging, FailureNamesTheFileAndLeavesNoTemporaryFile) {
    const PixelBuffer picture(4, 4);
    EXPECT_FALSE(write(picture, folder.file("missing/tile.png")));
    EXPECT_EQ(error, "cannot write '" + folder.file("missing/tile.png") + "': its folder does not exist");
    // A folder where the file should go cannot be replaced.
    ASSERT_EQ(mkdir(folder.file("taken.png").c_str(), 0755), 0);
    EXPECT_FALSE(write(picture, folder.file("taken.png")));
    EXPECT_EQ(folder.entries(), Words{"taken.png"});
}

// The longest names a folder takes must work: the file is never staged under OUT's name plus
// a suffix.
TEST_P(PngFileStaging, NamesUpToTheFilesystemsLimitCanBeWrittenAndReplaced) {
    const std::string longest = folder.file(std::string(251, 'n') + ".png");
    ASSERT_TRUE(write(PixelBuffer(3, 3), longest)) << error;
    ASSERT_TRUE(write(PixelBuffer(5, 5), longest)) << error;
    EXPECT_EQ(loadPng(longest).width(), 5u);
    EXPECT_EQ(folder.entries().size(), 1u);
}

// What the user set on OUT survives its replacement.
TEST_P(PngFileStaging, ReplacedFileKeepsItsPermissionBits) {
    for (const mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0755)}) {
        const std::string target = folder.file("tile.png");
        writeFile(target, kOldTile);
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        ASSERT_TRUE(write(PixelBuffer(4, 4), target)) << error;
        EXPECT_EQ(modeOf(target), mode);
        EXPECT_EQ(folder.entries(), Words{"tile.png"});
    }
}

// A link stays a link: the file it leads to (through relative links, across folders, or not
// there yet) gets the picture.
TEST_P(PngFileStaging, SymbolicLinkHasItsTargetReplaced) {
    ASSERT_EQ(mkdir(folder.file("store").c_str(), 0755), 0);
    writeFile(folder.file("store/real.png"), kOldTile);
    ASSERT_EQ(symlink("store/real.png", folder.file("hop.png").c_str()), 0);
    ASSERT_EQ(symlink("hop.png", folder.file("tile.png").c_str()), 0);
    ASSERT_EQ(symlink("store/later.png", folder.file("dangling.png").c_str()), 0);

    ASSERT_TRUE(write(PixelBuffer(6, 2), folder.file("tile.png"))) << error;
    ASSERT_TRUE(write(PixelBuffer(2, 6), folder.file("dangling.png"))) << error;
    EXPECT_EQ(loadPng(folder.file("store/real.png")).width(), 6u);
    EXPECT_EQ(loadPng(folder.file("store/later.png")).width(), 2u);
    struct stat info {};
    for (const char* link : {"tile.png", "hop.png", "dangling.png"}) {
        ASSERT_EQ(lstat(folder.file(link).c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << link;
    }
}

// A disk that fills up during the write keeps the old file and leaves nothing else.
TEST_P(PngFileStaging, FullDiskKeepsTheOldFile) {
    const std::string target = folder.file("tile.png");
    writeFile(target, kOldTile);
    const PixelBuffer picture = noisePicture(256, 256, 255); // does not compress: far beyond the limit
    EXPECT_EQ(withFileSizeLimit(16384, false,
                                [&] { return !write(picture, target) && error.find("File too large") != std::string::npos; }),
              0);
    EXPECT_EQ(readFile(target), kOldTile);
    EXPECT_EQ(folder.entries(), Words{"tile.png"});
}

INSTANTIATE_TEST_SUITE_P(Both, PngFileStaging, ::testing::Values(Staging::Unnamed, Staging::Named),
                         [](const auto& info) { return info.param == Staging::Unnamed ? "Unnamed" : "Named"; });

// A process killed halfway through the write (a second Ctrl+C, kill -9, a file size limit)
// leaves no partial file under any name.
TEST(PngFile, ProcessKilledDuringTheWriteLeavesOnlyTheOldFile) {
    TempFolder folder;
    const std::string target = folder.file("tile.png");
    writeFile(target, kOldTile);
    const PixelBuffer picture = noisePicture(256, 256, 255); // does not compress: far beyond the limit
    std::string error;
    EXPECT_EQ(withFileSizeLimit(16384, true, [&] { return PngFile::writeAtomically(picture, target, error); }),
              128 + SIGXFSZ);
    EXPECT_EQ(readFile(target), kOldTile);
    EXPECT_EQ(folder.entries(), Words{"tile.png"});
}

TEST(PngFile, WritabilityCheckLeavesNothingBehind) {
    TempFolder folder;
    std::string error;
    EXPECT_TRUE(PngFile::checkWritable(folder.file("tile.png"), error)) << error;
    writeFile(folder.file("old.png"), kOldTile);
    EXPECT_TRUE(PngFile::checkWritable(folder.file("old.png"), error)) << error;
    EXPECT_EQ(folder.entries(), Words{"old.png"});
    EXPECT_EQ(readFile(folder.file("old.png")), kOldTile);
}
