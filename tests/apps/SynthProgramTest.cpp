#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "TempFolder.h"
#include "apps/PngFile.h"
#include "apps/SynthCommand.h"
#include "support/TextureLoader.h"

namespace {

// The number after "key": in a one-line JSON object; NaN when absent or null.
double jsonNumber(const std::string& json, const std::string& key) {
    const std::string marker = "\"" + key + "\":";
    const size_t at = json.find(marker);
    if (at == std::string::npos)
        return std::nan("");
    const char* start = json.c_str() + at + marker.size();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    return end == start ? std::nan("") : value;
}

bool hasTransparentPixel(const PixelBuffer& p) {
    return std::any_of(p.pixels(), p.pixels() + p.count(), [](uint32_t v) { return alphaOf(v) < 255; });
}

const std::string kOldContent = "an earlier tile, not a PNG";

} // namespace

TEST(SynthProgram, UnreadableOrTransparentInputFailsWithTheLoadersMessageAndWritesNothing) {
    TempFolder folder;
    writeFile(folder.file("broken.png"), "\x89PNG but not really");
    std::string error;
    ASSERT_TRUE(PngFile::writeAtomically(PixelBuffer(40, 30), folder.file("clear.png"), error)) << error;
    writeFile(folder.file("out.png"), kOldContent);
    struct Case {
        std::string input;
        std::string message;
    };
    for (const Case& c : {Case{folder.file("broken.png"), "Cannot open '" + folder.file("broken.png") + "' image file."},
                          Case{folder.file("missing.png"), "Cannot open '" + folder.file("missing.png") + "' image file."},
                          Case{folder.file("clear.png"), "The image is fully transparent !"}}) {
        std::string out, err;
        EXPECT_EQ(ChildProcess::run({"synth", c.input, "-o", folder.file("out.png"), "--size", "64x64"}, &out, &err), 1);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(readFile(folder.file("out.png")), kOldContent);
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"broken.png", "clear.png", "out.png"}));
}

// One unreadable file among good ones still fails the command: the tile would not be made of
// what was asked for.
TEST(SynthProgram, OneUnreadableInputAmongSeveralFails) {
    TempFolder folder;
    std::string err;
    EXPECT_EQ(ChildProcess::run({"synth", texturePath("bark_01.png"), folder.file("missing.png"), "-o",
                                 folder.file("out.png"), "--mix"},
                                nullptr, &err),
              1);
    EXPECT_NE(err.find("missing.png"), std::string::npos);
    EXPECT_TRUE(folder.entries().empty());
}

TEST(SynthProgram, InputNotSmallerThanTheOutputIsScaledDownWithAWarning) {
    TempFolder folder;
    std::string err;
    ASSERT_EQ(ChildProcess::run({"synth", texturePath("bark_01.png"), "-o", folder.file("out.png"), "--size",
                                 "128x200", "--seed", "1"},
                                nullptr, &err),
              0);
    EXPECT_NE(err.find("Image 'bark_01.png' too large, it was scaled down (2:1)."), std::string::npos) << err;
    const PixelBuffer tile = loadPng(folder.file("out.png"));
    EXPECT_EQ(tile.width(), 128u);
    EXPECT_EQ(tile.height(), 200u);
    EXPECT_FALSE(hasTransparentPixel(tile));
}

// Everything random (chunk places, jitter, mixing) follows the seed.
TEST(SynthProgram, SameSeedGivesAByteIdenticalFile) {
    TempFolder folder;
    auto run = [&](const std::string& name, const std::string& seed) {
        EXPECT_EQ(ChildProcess::run({"synth", texturePath("flowers_01.png"), texturePath("bark_01.png"), "-o",
                                     folder.file(name), "--size", "320x256", "--jitter", "60", "--mix", "--chunks",
                                     "5", "--chunk-size", "40", "--seed", seed}),
                  0);
        return readFile(folder.file(name));
    };
    const std::string first = run("a.png", "77");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(run("b.png", "77"), first);
    EXPECT_NE(run("c.png", "78"), first);
}

struct WrapCase {
    std::string name;
    std::vector<std::string> input;
    std::vector<std::string> options;
};

class SynthWrap : public ::testing::TestWithParam<WrapCase> {};

// The tile meets its next copy without a visible border: the colour jump across the wrap is
// close to the jump between any two neighbouring pixels. Nothing goes to stderr, which is not
// a terminal here.
TEST_P(SynthWrap, FinishedTileRepeatsWithoutAVisibleBorder) {
    TempFolder folder;
    std::vector<std::string> words{"synth"};
    words.insert(words.end(), GetParam().input.begin(), GetParam().input.end());
    for (const std::string& w : {std::string("-o"), folder.file("tile.png"), std::string("--report"),
                                 std::string("--seed"), std::string("5")})
        words.push_back(w);
    words.insert(words.end(), GetParam().options.begin(), GetParam().options.end());
    std::string out, err;
    ASSERT_EQ(ChildProcess::run(words, &out, &err), 0) << err;
    EXPECT_TRUE(err.empty()) << err;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one JSON line: " << out;
    EXPECT_NE(out.find("\"complete\":true"), std::string::npos) << out;
    EXPECT_LT(jsonNumber(out, "wrapContrast"), 1.5) << out;
    EXPECT_GT(jsonNumber(out, "storedSeams"), 0.0) << out;
    EXPECT_FALSE(hasTransparentPixel(loadPng(folder.file("tile.png"))));
}

INSTANTIATE_TEST_SUITE_P(
    Textures, SynthWrap,
    ::testing::Values(WrapCase{"Demo", {"--demo"}, {"--size", "512x512", "--jitter", "50"}},
                      WrapCase{"Stone", {texturePath("stone_01.png")}, {"--size", "512x384", "--jitter", "50"}},
                      WrapCase{"BricksMixed", {texturePath("bricks_01.png")},
                               {"--size", "384x384", "--mix", "--chunks", "8", "--chunk-size", "50", "--jitter", "50"}}),
    [](const ::testing::TestParamInfo<WrapCase>& info) { return info.param.name; });

// Ctrl+C at any moment leaves at OUT either the earlier file or a complete new PNG, never a
// torn one, and no temporary file beside it.
TEST(SynthProgram, InterruptedRunLeavesTheOldFileOrACompleteNewOne) {
    for (int delayMs : {0, 30, 200, 900}) {
        for (bool partial : {true, false}) {
            TempFolder folder;
            const std::string target = folder.file("tile.png");
            writeFile(target, kOldContent);
            std::vector<std::string> words{"synth", "--demo", "-o", target, "--size", "2048x2048", "--mix",
                                           "--chunks", "30", "--chunk-size", "10", "--seed", "9"};
            if (!partial)
                words.push_back("--no-partial");
            ChildProcess child(words);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            child.signal(SIGINT);
            const int status = child.wait();
            EXPECT_TRUE(status == 130 || status == 0) << status << " " << child.err();
            EXPECT_EQ(folder.entries(), std::vector<std::string>{"tile.png"}) << "delay " << delayMs;
            const std::string bytes = readFile(target);
            if (bytes == kOldContent) {
                EXPECT_TRUE(!partial || status == 130);
                continue;
            }
            EXPECT_TRUE(partial || status == 0) << "--no-partial wrote a tile after a stop";
            const PixelBuffer tile = loadPng(target);
            EXPECT_EQ(tile.width(), 2048u) << "delay " << delayMs;
            EXPECT_EQ(tile.height(), 2048u);
        }
    }
}

// Well into the run, a stop still writes what was synthesized so far.
TEST(SynthProgram, InterruptWritesThePartialTileUnlessNoPartial) {
    for (bool partial : {true, false}) {
        TempFolder folder;
        const std::string target = folder.file("tile.png");
        writeFile(target, kOldContent);
        std::vector<std::string> words{"synth", "--demo", "-o", target, "--size", "2048x2048", "--mix",
                                       "--chunks", "30", "--chunk-size", "10", "--seed", "9", "--report"};
        if (!partial)
            words.push_back("--no-partial");
        ChildProcess child(words);
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        child.signal(SIGINT);
        ASSERT_EQ(child.wait(), 130) << child.err();
        EXPECT_NE(child.err().find("interrupted"), std::string::npos) << child.err();
        EXPECT_NE(child.out().find("\"interrupted\":true"), std::string::npos) << child.out();
        if (!partial) {
            EXPECT_EQ(readFile(target), kOldContent);
            continue;
        }
        const PixelBuffer tile = loadPng(target);
        ASSERT_EQ(tile.width(), 2048u);
        EXPECT_TRUE(hasTransparentPixel(tile));
        EXPECT_FALSE(std::all_of(tile.pixels(), tile.pixels() + tile.count(), [](uint32_t v) { return v == 0; }));
    }
}

// On a terminal the progress line is drawn and erased again; elsewhere nothing is drawn.
TEST(SynthProgram, ProgressLineOnlyWhenAskedAndErasedAtTheEnd) {
    TempFolder folder;
    for (bool terminal : {false, true}) {
        std::ostringstream out, err;
        SynthCommand command(out, err, terminal);
        ASSERT_EQ(command.run({"--demo", "-o", folder.file("tile.png"), "--size", "600x600", "--seed", "2"}), 0);
        const std::string text = err.str();
        if (!terminal) {
            EXPECT_TRUE(text.empty()) << text;
            continue;
        }
        EXPECT_NE(text.find("% covered"), std::string::npos) << text;
        EXPECT_NE(text.find("pastes"), std::string::npos) << text;
        const std::string erase = "\r\033[K";
        ASSERT_GE(text.size(), erase.size());
        EXPECT_EQ(text.substr(text.size() - erase.size()), erase);
        EXPECT_EQ(text.find('\n'), std::string::npos) << "one line, redrawn in place";
    }
}
