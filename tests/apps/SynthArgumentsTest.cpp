#include <gtest/gtest.h>

#include <sstream>

#include "AppsTestSupport.h"
#include "apps/PatchloomProgram.h"
#include "apps/SynthArgumentParser.h"

// Status 2, nothing on stdout, one line on stderr naming what is wrong.
TEST(SynthArguments, BadOptionsExitWithStatusTwoAndOneLineNamingTheOption) {
    const Words demo{"synth", "--demo", "-o", "never-written.png"};
    const std::vector<std::pair<Words, std::string>> cases = {
        {{"--size", "0x5"}, "--size"}, {{"--size", "12x"}, "--size"}, {{"--size=9000x512"}, "--size"},
        {{"--size"}, "--size"}, {{"--method", "grid"}, "--method"}, {{"--jitter", "101"}, "--jitter"},
        {{"--jitter", "-5"}, "--jitter"}, {{"--covering", "100"}, "--covering"},
        {{"--covering", "2.5"}, "--covering"}, {{"--chunks", "0"}, "--chunks"},
        {{"--chunks", "8", "--chunk-size", "81"}, "--chunk-size"}, {{"--chunk-size", "50"}, "--chunk-size"},
        {{"--prefilter", "26"}, "--prefilter"}, {{"--seed", "4294967296"}, "--seed"},
        {{"--mix=yes"}, "--mix"}, {{"--jitter", "10", "--covering", "10"}, "--method"},
        {{"--tile"}, "--tile"}, {{"input.png"}, "--demo"},
        // A repeated option names the second spelling, whichever form the first took.
        {{"-o", "b.png"}, "-o is given more than once"},
        {{"--output=b.png"}, "--output is given more than once"},
        {{"--seed", "1", "--seed=1"}, "--seed is given more than once"},
        {{"--memory-limit", "15M"}, "--memory-limit"}, {{"--memory-limit", "4T"}, "--memory-limit"},
        {{"--memory-limit=G"}, "--memory-limit"}, {{"--memory-limit", "16385G"}, "--memory-limit"}};
    const auto check = [](const Words& words, const std::string& named) {
        std::ostringstream out, err;
        EXPECT_EQ(PatchloomProgram(out, err, false).run(words), 2) << named;
        EXPECT_TRUE(out.str().empty());
        EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << err.str();
        EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
    };
    for (const auto& [extra, named] : cases) {
        Words words = demo;
        words.insert(words.end(), extra.begin(), extra.end());
        check(words, named);
    }
    check({"synth", "input.png", "--size", "64x64"}, "-o");
    check({"synth", "-o", "out.png"}, "INPUT");
}

TEST(SynthArguments, ValuesArriveInEngineUnits) {
    const auto parsed = SynthArgumentParser::parse({"a.png", "-o", "t.png", "--size=300x200", "--method",
                                                    "semi-regular", "--jitter", "50", "--covering=40", "--mix",
                                                    "--chunks", "8", "--chunk-size", "29", "--prefilter", "10",
                                                    "--seed", "4294967295", "--report", "--no-partial", "--", "-b.png"});
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    const SynthOptions& o = parsed.options;
    EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.png", "-b.png"}));
    EXPECT_EQ(o.output, "t.png");
    EXPECT_EQ(o.width, 300u);
    EXPECT_EQ(o.height, 200u);
    EXPECT_EQ(o.method, PlacementMethod::SemiRegular);
    EXPECT_DOUBLE_EQ(o.jittering, 0.5);
    EXPECT_DOUBLE_EQ(o.coveringFactor, 0.4);
    EXPECT_TRUE(o.mixChunks && o.report && o.noPartial && !o.demo);
    EXPECT_EQ(o.chunkCount, 8u);
    EXPECT_EQ(o.chunkSize, 29 * 0.01f); // single precision, like the chunk dialog
    EXPECT_EQ(o.filterRadius, 10);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_EQ(SynthArgumentParser::parse({"--demo", "-o", "t.png", "--size", "64"}).options.height, 64u);
    for (const auto& [limit, bytes] : {std::pair{"4G", uint64_t(4) << 30}, std::pair{"512M", uint64_t(512) << 20},
                                       std::pair{"16", uint64_t(16) << 20}}) {
        const auto memory = SynthArgumentParser::parse({"--demo", "-o", "t.png", "--memory-limit", limit});
        EXPECT_EQ(memory.options.memoryLimit, bytes) << limit << memory.error;
    }
}

// Matched by default; without --method the amount given picks the method it belongs to,
// and an explicit --method keeps its own.
TEST(SynthArguments, MethodFollowsTheAmountGivenUnlessNamed) {
    struct Case {
        std::vector<std::string> extra;
        PlacementMethod method;
        double jittering;
    };
    const Case cases[] = {
        {{}, PlacementMethod::Matched, 0.5},
        {{"--jitter", "20"}, PlacementMethod::Random, 0.2},
        {{"--covering", "30"}, PlacementMethod::SemiRegular, 0.5},
        {{"--method", "matched", "--jitter", "20"}, PlacementMethod::Matched, 0.2},
        {{"--covering=30", "--method", "random"}, PlacementMethod::Random, 0.5},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words{"--demo", "-o", "t.png"};
        words.insert(words.end(), c.extra.begin(), c.extra.end());
        const auto parsed = SynthArgumentParser::parse(words);
        ASSERT_TRUE(parsed.ok()) << parsed.error;
        EXPECT_EQ(parsed.options.method, c.method) << c.extra.size();
        EXPECT_DOUBLE_EQ(parsed.options.jittering, c.jittering) << c.extra.size();
    }
}

TEST(PatchloomProgram, HelpGoesToStdoutAndUnknownCommandsAreBadArguments) {
    for (const auto& words : {std::vector<std::string>{"--help"}, {"synth", "--help"}, {"help", "synth"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(PatchloomProgram(out, err, false).run(words), 0);
        EXPECT_NE(out.str().find("synth"), std::string::npos);
        EXPECT_TRUE(err.str().empty());
    }
    std::ostringstream out, err;
    EXPECT_EQ(PatchloomProgram(out, err, false).run({}), 2);
    EXPECT_EQ(PatchloomProgram(out, err, false).run({"weave"}), 2);
    EXPECT_NE(err.str().find("'weave'"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}
