#include <gtest/gtest.h>

#include <cstdlib>

#include "apps/HostColourEngine.h"
#include "host/HostInterface.h"

namespace {

struct Colour {
    int16_t c[4];
};

Colour convert(const HostColourEngine& engine, int16_t from, int16_t to, Colour in) {
    EXPECT_TRUE(engine.convert(from, to, in.c));
    return in;
}

} // namespace

TEST(HostColourEngine, ConvertsKnownColoursToTheirWorkedValues) {
    const HostColourEngine engine;
    const struct {
        const char* name;
        int16_t space;
        Colour rgb;
        Colour expected;
        int count;
    } cases[] = {
        {"red in HSB", kSpaceHSB, {{255, 0, 0, 0}}, {{0, 255, 255}}, 3},
        {"green in HSB: a third of a turn", kSpaceHSB, {{0, 255, 0, 0}}, {{85, 255, 255}}, 3},
        {"dark grey in HSB", kSpaceHSB, {{64, 64, 64, 0}}, {{0, 0, 64}}, 3},
        {"red in HSL: half lightness", kSpaceHSL, {{255, 0, 0, 0}}, {{0, 255, 128}}, 3},
        {"orange in CMYK", kSpaceCMYK, {{255, 128, 0, 0}}, {{0, 127, 255, 0}}, 4},
        {"dark blue in CMYK: black generated", kSpaceCMYK, {{0, 0, 128, 0}}, {{255, 255, 0, 127}}, 4},
        {"black in CMYK", kSpaceCMYK, {{0, 0, 0, 0}}, {{0, 0, 0, 255}}, 4},
        {"white in Lab", kSpaceLab, {{255, 255, 255, 0}}, {{255, 128, 128}}, 3},
        {"black in Lab", kSpaceLab, {{0, 0, 0, 0}}, {{0, 128, 128}}, 3},
        {"grey", kSpaceGray, {{200, 100, 40, 0}}, {{125}}, 1},
    };
    for (const auto& c : cases) {
        const Colour out = convert(engine, kSpaceRGB, c.space, c.rgb);
        for (int i = 0; i < c.count; ++i)
            EXPECT_NEAR(out.c[i], c.expected.c[i], c.space == kSpaceLab ? 1 : 0) << c.name << " component " << i;
    }
    int16_t unknown[4] = {1, 2, 3, 4};
    EXPECT_FALSE(engine.convert(kSpaceRGB, 9, unknown));
    EXPECT_EQ(unknown[0], 1);
}

// The host's own images in these modes come from RGB; reading one and writing it back goes
// through RGB once more. Lab and CMYK components land within one step of where they started.
// Hue and saturation lose their meaning near grey, so for HSB and HSL it is the colour the host
// shows for them that stays within one step.
TEST(HostColourEngine, HostColoursSurviveTheWayThroughRgbWithinOneStep) {
    const HostColourEngine engine;
    for (int16_t space : {kSpaceLab, kSpaceCMYK, kSpaceHSB, kSpaceHSL}) {
        const bool compareShown = space == kSpaceHSB || space == kSpaceHSL;
        int worst = 0;
        for (int r = 0; r < 256; r += 5)
            for (int g = 0; g < 256; g += 5)
                for (int b = 0; b < 256; b += 5) {
                    const Colour host = convert(engine, kSpaceRGB, space, {{int16_t(r), int16_t(g), int16_t(b), 0}});
                    const Colour read = convert(engine, space, kSpaceRGB, host);
                    const Colour written = convert(engine, kSpaceRGB, space, {{read.c[0], read.c[1], read.c[2], 0}});
                    const Colour a = compareShown ? read : host;
                    const Colour b2 = compareShown ? convert(engine, space, kSpaceRGB, written) : written;
                    for (int i = 0; i < (space == kSpaceCMYK ? 4 : 3); ++i)
                        worst = std::max(worst, std::abs(b2.c[i] - a.c[i]));
                }
        EXPECT_LE(worst, 1) << "space " << space;
    }
}
