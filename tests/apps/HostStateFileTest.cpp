#include <gtest/gtest.h>

#include <limits>

#include "apps/HostStateFile.h"

namespace {

StandInHost::Kept sample() {
    StandInHost::Kept kept;
    kept.parameters = {7, 0, 0, 200, 0, 0, 0, 0};
    kept.hasDescriptor = true;
    kept.descriptor = {{fourChar("pMtd"), kTypeInteger, -3, 0, {}},
                       {fourChar("rndS"), kTypeFloat, 0, 0.1, {}},
                       {fourChar("pPth"), kTypeText, 0, 0, std::string("a b\n\0c", 6)},
                       {fourChar("pPth"), kTypeText, 0, 0, {}},
                       {fourChar("rndS"), kTypeFloat, 0, std::numeric_limits<double>::denorm_min(), {}}};
    return kept;
}

} // namespace

TEST(HostStateFile, KeepsTheParameterBlockAndTheDescriptorExactly) {
    const StandInHost::Kept kept = sample();
    const std::string text = HostStateFile::format(kept);
    EXPECT_NE(text.find("parameters 8 070000c8\n"), std::string::npos) << text;
    StandInHost::Kept back;
    std::string error;
    ASSERT_TRUE(HostStateFile::parse(text, back, error)) << error;
    EXPECT_EQ(back.parameters, kept.parameters);
    ASSERT_EQ(back.descriptor.size(), 5u);
    EXPECT_EQ(back.descriptor[0].integer, -3);
    EXPECT_EQ(back.descriptor[1].number, 0.1);
    EXPECT_EQ(back.descriptor[2].text, kept.descriptor[2].text);
    EXPECT_EQ(back.descriptor[3].text, "");
    EXPECT_EQ(back.descriptor[4].number, std::numeric_limits<double>::denorm_min());
    EXPECT_TRUE(back.hasDescriptor);

    StandInHost::Kept none;
    ASSERT_TRUE(HostStateFile::parse(HostStateFile::format(none), back, error)) << error;
    EXPECT_FALSE(back.hasDescriptor);
    EXPECT_TRUE(back.parameters.empty());
}

TEST(HostStateFile, MalformedFilesAreRefusedNamingTheLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"", "line 0: empty file"},
        {"something else\n", "line 1: not a patchloom host state file"},
        {"patchloom-host-state 1\nparameters 2 0a0b0c\n", "line 2: expected 'parameters SIZE HEX'"},
        {"patchloom-host-state 1\nparameters 99999999 00\n", "line 2: expected 'parameters SIZE HEX'"},
        {"patchloom-host-state 1\nparameters 4 0g\n", "line 2: expected 'parameters SIZE HEX'"},
        {"patchloom-host-state 1\nparameters 4 -1\n", "line 2: expected 'parameters SIZE HEX'"},
        {"patchloom-host-state 1\n\nitem pMtd long 12x\n", "line 3: expected 'item KEY"},
        {"patchloom-host-state 1\nitem pMtd long 99999999999\n", "line 2: expected 'item KEY"},
        {"patchloom-host-state 1\nitem pMt long 1\n", "line 2: expected 'item KEY"},
        {"patchloom-host-state 1\nitem pPth TEXT 414\n", "line 2: expected 'item KEY"},
        {"patchloom-host-state 1\nitem rndS doub 1 2\n", "line 2: expected 'item KEY"},
        {"patchloom-host-state 1\nitem rndS doub 1e999\n", "line 2: expected 'item KEY"},
        {"patchloom-host-state 1\nwhatever\n", "line 2: unknown entry 'whatever'"},
        {"patchloom-host-state 1\ndescriptor none\nitem cWdt long 1\n", "line 3: 'descriptor none' together"},
    };
    for (const auto& c : cases) {
        StandInHost::Kept kept;
        std::string error;
        EXPECT_FALSE(HostStateFile::parse(c.text, kept, error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " -> " << error;
    }
}
