#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "apps/PatchloomProgram.h"
#include "apps/SynthArgumentParser.h"

namespace {

struct BadArguments {
    std::vector<std::string> words; // after "synth"
    std::string option;             // must be named in the message
};

std::vector<std::string> withDemo(std::vector<std::string> extra) {
    std::vector<std::string> words{"--demo", "-o", "never-written.png"};
    words.insert(words.end(), extra.begin(), extra.end());
    return words;
}

class SynthBadArguments : public ::testing::TestWithParam<BadArguments> {};

} // namespace

// Status 2, nothing on stdout, exactly one line on stderr naming the option, nothing written.
TEST_P(SynthBadArguments, ExitWithStatusTwoAndOneLineNamingTheOption) {
    std::vector<std::string> words{"synth"};
    words.insert(words.end(), GetParam().words.begin(), GetParam().words.end());
    std::ostringstream out, err;
    EXPECT_EQ(PatchloomProgram(out, err, false).run(words), 2);
    EXPECT_TRUE(out.str().empty());
    const std::string message = err.str();
    ASSERT_FALSE(message.empty());
    EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
    EXPECT_NE(message.find(GetParam().option), std::string::npos) << message;
    EXPECT_EQ(std::remove("never-written.png"), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Options, SynthBadArguments,
    ::testing::Values(BadArguments{withDemo({"--size", "0x5"}), "--size"},
                      BadArguments{withDemo({"--size", "12x"}), "--size"},
                      BadArguments{withDemo({"--size=9000x512"}), "--size"},
                      BadArguments{withDemo({"--size"}), "--size"},
                      BadArguments{withDemo({"--method", "grid"}), "--method"},
                      BadArguments{withDemo({"--jitter", "101"}), "--jitter"},
                      BadArguments{withDemo({"--jitter", "-5"}), "--jitter"},
                      BadArguments{withDemo({"--covering", "100"}), "--covering"},
                      BadArguments{withDemo({"--covering", "2.5"}), "--covering"},
                      BadArguments{withDemo({"--chunks", "0"}), "--chunks"},
                      BadArguments{withDemo({"--chunks", "8", "--chunk-size", "81"}), "--chunk-size"},
                      BadArguments{withDemo({"--chunk-size", "50"}), "--chunk-size"},
                      BadArguments{withDemo({"--prefilter", "26"}), "--prefilter"},
                      BadArguments{withDemo({"--seed", "4294967296"}), "--seed"},
                      BadArguments{withDemo({"--mix=yes"}), "--mix"},
                      BadArguments{withDemo({"--tile"}), "--tile"},
                      BadArguments{withDemo({"input.png"}), "--demo"},
                      BadArguments{{"input.png", "--size", "64x64"}, "-o"},
                      BadArguments{{"-o", "out.png"}, "INPUT"}));

TEST(SynthArguments, ValuesArriveInEngineUnits) {
    const auto parsed = SynthArgumentParser::parse({"a.png", "b.png", "-o", "t.png", "--size=300x200", "--method",
                                                    "semi-regular", "--jitter", "50", "--covering=40", "--mix",
                                                    "--chunks", "8", "--chunk-size", "29", "--prefilter", "10",
                                                    "--seed", "4294967295", "--report", "--no-partial"});
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    const SynthOptions& o = parsed.options;
    EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(o.output, "t.png");
    EXPECT_EQ(o.width, 300u);
    EXPECT_EQ(o.height, 200u);
    EXPECT_EQ(o.method, PlacementMethod::SemiRegular);
    EXPECT_DOUBLE_EQ(o.jittering, 0.5);
    EXPECT_DOUBLE_EQ(o.coveringFactor, 0.4);
    EXPECT_TRUE(o.mixChunks);
    EXPECT_EQ(o.chunkCount, 8u);
    EXPECT_EQ(o.chunkSize, 29 * 0.01f); // single precision, like the chunk dialog
    EXPECT_EQ(o.filterRadius, 10);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_TRUE(o.report && o.noPartial && !o.demo);
}

TEST(SynthArguments, SquareSizeDoubleDashAndDefaults) {
    const auto parsed = SynthArgumentParser::parse({"-o", "t.png", "--size", "64", "--", "-odd-name.png"});
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    const SynthOptions& o = parsed.options;
    EXPECT_EQ(o.inputs, std::vector<std::string>{"-odd-name.png"});
    EXPECT_EQ(o.width, 64u);
    EXPECT_EQ(o.height, 64u);
    EXPECT_EQ(o.method, PlacementMethod::Random);
    EXPECT_FALSE(o.seed.has_value());
    EXPECT_FALSE(o.mixChunks);
    EXPECT_EQ(o.chunkCount, 0u);
}

TEST(PatchloomProgram, HelpForTheProgramAndForSynthGoesToStdout) {
    for (const auto& words : {std::vector<std::string>{"--help"}, std::vector<std::string>{"synth", "--help"},
                              std::vector<std::string>{"help", "synth"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(PatchloomProgram(out, err, false).run(words), 0);
        EXPECT_NE(out.str().find("synth"), std::string::npos);
        EXPECT_TRUE(err.str().empty());
    }
    std::ostringstream out, err;
    PatchloomProgram(out, err, false).run({"synth", "-h"});
    for (const char* option : {"--size", "--method", "--jitter", "--covering", "--mix", "--chunks", "--chunk-size",
                               "--prefilter", "--seed", "--report", "--no-partial", "--demo"})
        EXPECT_NE(out.str().find(option), std::string::npos) << option;
}

TEST(PatchloomProgram, MissingOrUnknownCommandIsABadArgument) {
    std::ostringstream out, err;
    EXPECT_EQ(PatchloomProgram(out, err, false).run({}), 2);
    EXPECT_EQ(PatchloomProgram(out, err, false).run({"weave"}), 2);
    EXPECT_NE(err.str().find("'weave'"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}
