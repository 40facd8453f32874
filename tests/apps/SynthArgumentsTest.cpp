#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "apps/PatchloomProgram.h"
#include "apps/SynthArgumentParser.h"

namespace {

struct BadArguments {
    std::vector<std::string> words; // after "synth"
    std::string named;              // must appear in the message
};

void PrintTo(const BadArguments& a, std::ostream* os) {
    for (const std::string& word : a.words)
        *os << word << ' ';
}

BadArguments demoWith(std::vector<std::string> extra, std::string named) {
    std::vector<std::string> words{"--demo", "-o", "never-written.png"};
    words.insert(words.end(), extra.begin(), extra.end());
    return {words, named};
}

class SynthBadArguments : public ::testing::TestWithParam<BadArguments> {};

// Test names from the words, so that every case keeps a stable, readable name.
std::string caseName(const ::testing::TestParamInfo<BadArguments>& info) {
    std::string name = std::to_string(info.index) + "_";
    for (const std::string& word : info.param.words)
        for (char c : word)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

} // namespace

// Status 2, nothing on stdout, one line on stderr naming what is wrong.
TEST_P(SynthBadArguments, ExitWithStatusTwoAndOneLineNamingTheOption) {
    std::vector<std::string> words{"synth"};
    words.insert(words.end(), GetParam().words.begin(), GetParam().words.end());
    std::ostringstream out, err;
    EXPECT_EQ(PatchloomProgram(out, err, false).run(words), 2);
    EXPECT_TRUE(out.str().empty());
    ASSERT_FALSE(err.str().empty());
    EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << err.str();
    EXPECT_NE(err.str().find(GetParam().named), std::string::npos) << err.str();
}

INSTANTIATE_TEST_SUITE_P(
    Options, SynthBadArguments,
    ::testing::Values(demoWith({"--size", "0x5"}, "--size"), demoWith({"--size", "12x"}, "--size"),
                      demoWith({"--size=9000x512"}, "--size"), demoWith({"--size"}, "--size"),
                      demoWith({"--method", "grid"}, "--method"), demoWith({"--jitter", "101"}, "--jitter"),
                      demoWith({"--jitter", "-5"}, "--jitter"), demoWith({"--covering", "100"}, "--covering"),
                      demoWith({"--covering", "2.5"}, "--covering"), demoWith({"--chunks", "0"}, "--chunks"),
                      demoWith({"--chunks", "8", "--chunk-size", "81"}, "--chunk-size"),
                      demoWith({"--chunk-size", "50"}, "--chunk-size"), demoWith({"--prefilter", "26"}, "--prefilter"),
                      demoWith({"--seed", "4294967296"}, "--seed"), demoWith({"--mix=yes"}, "--mix"),
                      demoWith({"--jitter", "10", "--covering", "10"}, "--method"),
                      demoWith({"--tile"}, "--tile"), demoWith({"input.png"}, "--demo"),
                      BadArguments{{"input.png", "--size", "64x64"}, "-o"}, BadArguments{{"-o", "out.png"}, "INPUT"},
                      // A repeated option names the second spelling, whichever form the first took.
                      demoWith({"-o", "b.png"}, "-o is given more than once"),
                      demoWith({"--output=b.png"}, "--output is given more than once"),
                      demoWith({"--seed", "1", "--seed=1"}, "--seed is given more than once")),
    caseName);

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
