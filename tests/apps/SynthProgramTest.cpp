#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <tuple>

#include "ChildProcess.h"
#include "AppsTestSupport.h"
#include "apps/DemoTexture.h"
#include "apps/PngFile.h"
#include "apps/SynthCommand.h"
#include "support/TextureLoader.h"

namespace {

int runProgram(const Words& words, std::string* out = nullptr, std::string* err = nullptr) {
    ChildProcess child(words);
    const int status = child.wait();
    if (out)
        *out = child.out();
    if (err)
        *err = child.err();
    return status;
}

// The number after "key": in a one-line JSON object; NaN when absent or null.
double jsonNumber(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    return at == std::string::npos ? std::nan("") : std::strtod(json.c_str() + at + key.size() + 3, nullptr);
}

bool hasTransparentPixel(const PixelBuffer& p) {
    return std::any_of(p.pixels(), p.pixels() + p.count(), [](uint32_t v) { return alphaOf(v) < 255; });
}

// A long run: small chunks on a large output.
Words longRun(const std::string& target, bool partial, const std::string& input = "--demo") {
    Words words{"synth", input, "-o", target, "--size", "2048x2048", "--mix",
                "--chunks", "30", "--chunk-size", "10", "--seed", "9", "--report"};
    if (!partial)
        words.push_back("--no-partial");
    return words;
}

} // namespace

// Also: one bad file among good ones fails the command, since the tile would not be made of
// what was asked for.
TEST(SynthProgram, UnreadableInputFailsWithTheLoadersMessageAndWritesNothing) {
    TempFolder folder;
    writeFile(folder.file("broken.png"), "\x89PNG but not really");
    writeFile(folder.file("out.png"), kOldTile);
    const std::string broken = "Cannot open '" + folder.file("broken.png") + "' image file.";
    for (const Words& inputs : {Words{folder.file("broken.png")},
                                Words{texturePath("mottle.png"), folder.file("broken.png"), "--mix"}}) {
        Words words{"synth", "-o", folder.file("out.png"), "--size", "64x64"};
        words.insert(words.end(), inputs.begin(), inputs.end());
        std::string out, err;
        EXPECT_EQ(runProgram(words, &out, &err), 1);
        EXPECT_NE(err.find(broken), std::string::npos) << err;
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(readFile(folder.file("out.png")), kOldTile);
    }
    EXPECT_EQ(folder.entries(), (Words{"broken.png", "out.png"}));
}

TEST(SynthProgram, InputNotSmallerThanTheOutputIsScaledDownWithAWarning) {
    TempFolder folder;
    std::string err;
    ASSERT_EQ(runProgram({"synth", texturePath("mottle.png"), "-o", folder.file("out.png"), "--size", "128x200"},
                         nullptr, &err),
              0);
    EXPECT_NE(err.find("Image 'mottle.png' too large, it was scaled down (2:1)."), std::string::npos) << err;
    const PixelBuffer tile = loadPng(folder.file("out.png"));
    EXPECT_EQ(tile.width(), 128u);
    EXPECT_EQ(tile.height(), 200u);
    EXPECT_FALSE(hasTransparentPixel(tile));
}

// Everything random (chunk places, jitter, mixing) follows the seed.
// Also: --chunks alone mixes the chunks it makes, as --mix does (they would go unused otherwise).
TEST(SynthProgram, SameSeedGivesAByteIdenticalFile) {
    TempFolder folder;
    auto tile = [&](const std::string& name, const std::string& seed, const std::string& mix = "--mix") {
        Words words{"synth", texturePath("bricks.png"), texturePath("mottle.png"), "-o", folder.file(name),
                    "--size", "320x256", "--jitter", "60", "--chunks", "5", "--chunk-size", "40", "--seed", seed};
        if (!mix.empty())
            words.push_back(mix);
        EXPECT_EQ(runProgram(words), 0);
        return readFile(folder.file(name));
    };
    const std::string first = tile("a.png", "77");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(tile("b.png", "77"), first);
    EXPECT_NE(tile("c.png", "78"), first);
    EXPECT_EQ(tile("d.png", "77", ""), first);
}

// No visible border at the wrap, for stochastic, structured, near-regular, grey and partly
// transparent inputs; matched placement repeats no more than its input. Quiet stderr, one-line report.
TEST(SynthProgram, FinishedTileRepeatsWithoutAVisibleBorder) {
    TempFolder folder;
    for (const Words& input :
         {Words{"--demo", "--size", "512x512", "--jitter", "50"},
          Words{texturePath("flagstones.png"), "--size", "512x384", "--jitter", "50"},
          Words{texturePath("bricks.png"), "--size", "384x384", "--method", "random", "--mix", "--chunks", "8",
                "--chunk-size", "50"},
          Words{texturePath("text_01.png"), "--size", "384x384", "--jitter", "50"},
          Words{texturePath("cutout.png"), "--size", "256x256", "--jitter", "50"},
          Words{texturePath("mottle.png"), "--size", "384x384", "--method", "matched"}}) {
        Words words{"synth", "-o", folder.file("tile.png"), "--report", "--seed", "5"};
        words.insert(words.end(), input.begin(), input.end());
        std::string out, err;
        ASSERT_EQ(runProgram(words, &out, &err), 0) << err;
        EXPECT_TRUE(err.empty()) << err;
        EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
        EXPECT_NE(out.find("\"complete\":true"), std::string::npos) << out;
        EXPECT_LT(jsonNumber(out, "wrapContrast"), 1.0) << out;
        if (std::find(input.begin(), input.end(), "matched") != input.end()) {
            EXPECT_LT(jsonNumber(out, "repetition"), jsonNumber(out, "inputRepetition") + 0.1) << out;
        }
        EXPECT_FALSE(hasTransparentPixel(loadPng(folder.file("tile.png"))));
    }
}

// Ctrl+C at any moment leaves the earlier OUT or a complete new set of tiles from one run, never
// a torn file or a temporary one.
TEST(SynthProgram, InterruptedRunLeavesTheOldFileOrACompleteNewSet) {
    TempFolder inputs;
    const std::string input = inputs.file("in.png");
    writePng(input, DemoTexture::make(256));
    for (int delayMs : {0, 30, 200, 900})
        for (bool partial : {true, false}) {
            TempFolder folder;
            const std::string target = folder.file("tile.png"), map = folder.file("map.png");
            writeFile(target, kOldTile);
            Words words = longRun(target, partial, input);
            words.insert(words.end(), {"--companion", input + "=" + map});
            ChildProcess child(words);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            child.sendSignal(SIGINT);
            const int status = child.wait();
            EXPECT_TRUE(status == 130 || status == 0) << status << child.err();
            if (readFile(target) == kOldTile) {
                EXPECT_EQ(folder.entries(), Words{"tile.png"}) << "delay " << delayMs;
                continue;
            }
            EXPECT_TRUE(partial || status == 0) << "--no-partial wrote a tile after a stop";
            EXPECT_EQ(folder.entries(), (Words{"map.png", "tile.png"})) << "delay " << delayMs;
            EXPECT_EQ(loadPng(target).width(), 2048u) << "delay " << delayMs;
            EXPECT_EQ(readFile(map), readFile(target)) << "delay " << delayMs;
        }
}

// Well into the run, a stop writes what was synthesized so far. The signal waits for the
// progress line, so a loaded machine cannot send it before the program handles it.
TEST(SynthProgram, InterruptWritesThePartialTileUnlessNoPartial) {
    for (bool partial : {true, false}) {
        TempFolder folder;
        const std::string target = folder.file("tile.png");
        writeFile(target, kOldTile);
        ChildProcess child(longRun(target, partial), ChildProcess::Stdout::Collected, true);
        ASSERT_TRUE(child.waitForText("% covered")) << child.err();
        child.sendSignal(SIGINT);
        ASSERT_EQ(child.wait(), 130) << child.err();
        EXPECT_NE(child.err().find("interrupted"), std::string::npos) << child.err();
        EXPECT_NE(child.out().find("\"interrupted\":true"), std::string::npos) << child.out();
        if (!partial) {
            EXPECT_EQ(readFile(target), kOldTile);
            continue;
        }
        const PixelBuffer tile = loadPng(target);
        ASSERT_EQ(tile.width(), 2048u);
        EXPECT_TRUE(hasTransparentPixel(tile));
        EXPECT_FALSE(std::all_of(tile.pixels(), tile.pixels() + tile.count(), [](uint32_t v) { return v == 0; }));
    }
}

// An OUT that cannot be written is found before any synthesis (no report, nothing pasted):
// a missing folder, a folder in OUT's place, a name longer than the filesystem allows.
TEST(SynthProgram, UnwritableOutputFailsBeforeTheRun) {
    TempFolder folder;
    writeFile(folder.file("file"), "");
    const std::string tooLong = folder.file(std::string(256, 'n') + ".png");
    for (const auto& [target, why] :
         {std::pair{folder.file("missing/tile.png"), std::string("its folder does not exist")},
          std::pair{folder.file("file/tile.png"), std::string("a part of its path is not a folder")},
          std::pair{folder.path(), std::string("it is a folder")},
          std::pair{tooLong, std::string("File name too long")}}) {
        std::string out, err;
        EXPECT_EQ(runProgram({"synth", "--demo", "-o", target, "--size", "2048", "--report"}, &out, &err), 1);
        EXPECT_TRUE(out.empty()) << out;
        EXPECT_EQ(err, "patchloom synth: cannot write '" + target + "': " + why + "\n");
    }
    EXPECT_EQ(folder.entries(), Words{"file"});
}

// Help and the report are the program's output; losing them is a failure, said on stderr.
TEST(SynthProgram, StdoutThatCannotBeWrittenFailsTheCommand) {
    TempFolder folder;
    const Words report{"synth", "--demo", "-o", folder.file("tile.png"), "--size", "64", "--seed", "1", "--report"};
    for (const auto& [words, stdoutTo, why] :
         {std::tuple{Words{"--help"}, ChildProcess::Stdout::Full, "No space left on device"},
          std::tuple{Words{"synth", "--help"}, ChildProcess::Stdout::Closed, "Bad file descriptor"},
          std::tuple{report, ChildProcess::Stdout::Full, "No space left on device"}}) {
        ChildProcess child(words, stdoutTo);
        EXPECT_EQ(child.wait(), 1) << words.front();
        EXPECT_EQ(child.err(), std::string("patchloom: cannot write to standard output: ") + why + "\n");
    }
    EXPECT_FALSE(loadPng(folder.file("tile.png")).count() == 0) << "the tile itself was still written";
}

// The demo's 256² chunk on a 300² tile overlaps its first paste by at least 212² pixels, about
// 27 MB of graph: a 16 MB limit refuses the second paste, saying what to do.
TEST(SynthProgram, PasteAboveTheMemoryLimitEndsTheRunSayingWhatToDo) {
    TempFolder folder;
    const std::string target = folder.file("tile.png");
    std::string err;
    EXPECT_EQ(runProgram({"synth", "--demo", "-o", target, "--size", "300", "--memory-limit", "16M"}, nullptr, &err), 1);
    const std::string start = "patchloom synth: gave up after 2 steps: a paste of this chunk would need about ";
    const std::string end = " MB of memory, more than the 16 MB allowed; use smaller chunks (--chunks N --chunk-size "
                            "PCT) or raise --memory-limit; wrote the part synthesized so far to '" + target + "'\n";
    EXPECT_EQ(err.substr(0, start.size()), start) << err;
    ASSERT_GE(err.size(), end.size());
    EXPECT_EQ(err.substr(err.size() - end.size()), end) << err;
    EXPECT_GE(std::atoi(err.c_str() + start.size()), 27) << err;
    EXPECT_TRUE(hasTransparentPixel(loadPng(target)));
}

// On a terminal the progress line is redrawn in place and erased at the end.
TEST(SynthProgram, ProgressLineIsDrawnInPlaceAndErased) {
    TempFolder folder;
    std::ostringstream out, err;
    ASSERT_EQ(SynthCommand(out, err, true).run({"--demo", "-o", folder.file("tile.png"), "--size", "600x600"}), 0);
    const std::string text = err.str(), erase = "\r\033[K";
    EXPECT_NE(text.find("% covered"), std::string::npos) << text;
    EXPECT_NE(text.find("pastes"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos);
    ASSERT_GE(text.size(), erase.size());
    EXPECT_EQ(text.substr(text.size() - erase.size()), erase);
}

// A chunk whose only opaque part is a 6 x 6 square in its middle: on the grid those squares
// never reach most of the output, so the run gives up, says why, exits 1 and keeps the part done.
TEST(SynthProgram, RunThatCanNoLongerCoverTheOutputExitsWithTheReason) {
    TempFolder folder;
    PixelBuffer chunk(40, 40);
    for (uint32_t y = 17; y < 23; ++y)
        for (uint32_t x = 17; x < 23; ++x)
            chunk.at(x, y) = makePixel(255, 90, 60, 30);
    writePng(folder.file("square.png"), chunk);
    std::string err;
    const Words words{folder.file("square.png"), "-o", folder.file("tile.png"),
                      "--size", "128x128", "--method", "semi-regular"};
    EXPECT_EQ(synth(words, nullptr, &err), SynthCommand::kFailed);
    EXPECT_NE(err.find("gave up after 1025 steps: the chunks no longer cover any more of the output; "
                       "wrote the part synthesized so far"),
              std::string::npos)
        << err;
    const PixelBuffer tile = loadPng(folder.file("tile.png"));
    const auto opaque = [](uint32_t p) { return alphaOf(p) == 255; };
    EXPECT_EQ(std::count_if(tile.pixels(), tile.pixels() + tile.count(), opaque), 25 * 36);
}
