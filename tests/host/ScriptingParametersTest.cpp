#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/InProcessPlugin.h"
#include "TestHost.h"
#include "chunks/PlacementParameters.h"
#include "host/ParameterBlock.h"
#include "host/ScriptingParameters.h"

namespace {

using Item = TestHost::Item;

Item integer(const char (&key)[5], int32_t value) {
    return {fourChar(key), kTypeInteger, value, 0, {}};
}

const Item* find(const std::vector<Item>& items, const char (&key)[5]) {
    for (const Item& item : items)
        if (item.key == fourChar(key))
            return &item;
    return nullptr;
}

// Matched placement (2), so that a recorded action plays it back as matched, not as unknown.
std::vector<Item> fullDescriptor(const std::string& palette) {
    return {integer("pMtd", int32_t(PlacementMethod::Matched)), integer("cWdt", 30), integer("cHgt", 40),
            integer("jAmt", 50), integer("cvFc", 25), {fourChar("rndS"), kTypeFloat, 0, 12.5, {}},
            {fourChar("pPth"), kTypeText, 0, 0, palette}};
}

const ParameterBlock& blockOf(const TestHost& host) {
    return *reinterpret_cast<const ParameterBlock*>(*host.record.parameters);
}

} // namespace

TEST(ScriptingParameters, TheFirstRunWithoutADescriptorWritesZerosAndAnEmptyPalette) {
    TestHost host(4, 4, kModeRGB, 8, 3);
    ASSERT_EQ(host.run(InProcessPlugin::entry), kResultOk);
    std::vector<Item> zeros = fullDescriptor("");
    for (Item& item : zeros) {
        item.integer = 0;
        item.number = 0;
    }
    EXPECT_EQ(host.descriptor(), zeros);
    EXPECT_EQ(host.descriptorParameters.recordInfo, 0);
}

TEST(ScriptingParameters, ALaterRunSeesWhatTheHostKept) {
    TestHost host(4, 4, kModeRGB, 8, 3);
    host.setDescriptor(fullDescriptor("/img/a.png;/img/b.png"));
    ASSERT_EQ(host.run(InProcessPlugin::entry), kResultOk);
    EXPECT_EQ(blockOf(host).placementMethod, 2);
    EXPECT_EQ(blockOf(host).chunkHeight, 40);
    EXPECT_EQ(blockOf(host).paletteText(), "/img/a.png;/img/b.png");

    // Next run: the host played no descriptor, but kept the block.
    host.dropDescriptor();
    ASSERT_EQ(host.run(InProcessPlugin::entry), kResultOk);
    EXPECT_EQ(host.descriptor(), fullDescriptor("/img/a.png;/img/b.png"));
}

TEST(ScriptingParameters, APaletteLongerThan254CharactersIsCut) {
    TestHost host(4, 4, kModeRGB, 8, 3);
    std::string palette(300, 'p');
    palette[253] = 'L';
    host.setDescriptor(fullDescriptor(palette));
    ASSERT_EQ(host.run(InProcessPlugin::entry), kResultOk);
    EXPECT_EQ(blockOf(host).palette[0], 254);
    EXPECT_EQ(blockOf(host).palette[255], 0);
    EXPECT_EQ(find(host.descriptor(), "pPth")->text, palette.substr(0, 254));
}

TEST(ScriptingParameters, CloseErrorsReachTheResultWordExceptAMissingKey) {
    InProcessPlugin::sessions = 0;
    TestHost::Options options;
    options.closeReadError = -1700;
    TestHost failing(4, 4, kModeRGB, 8, 3, options);
    failing.setDescriptor(fullDescriptor("x"));
    EXPECT_EQ(failing.run(InProcessPlugin::entry), -1700);
    EXPECT_EQ(InProcessPlugin::sessions, 0);

    // A descriptor without the palette key: the host's close reports -1715, which is no error.
    TestHost partial(4, 4, kModeRGB, 8, 3, options);
    partial.setDescriptor({integer("cWdt", 33)});
    EXPECT_EQ(partial.run(InProcessPlugin::entry), kResultOk);
    EXPECT_EQ(find(partial.descriptor(), "cWdt")->integer, 33);
}

TEST(ScriptingParameters, IncompleteDescriptorSuitesAreNotUsed) {
    TestHost host(4, 4, kModeRGB, 8, 3);
    const HostHandles handles(host.record.handleProcs);
    const ScriptingParameters scripting(host.record, handles);
    EXPECT_TRUE(scripting.available());
    host.readProcs.count = 17;
    EXPECT_FALSE(scripting.available());
    host.readProcs.count = 18;
    const auto putText = host.writeProcs.putText;
    host.writeProcs.putText = nullptr;
    EXPECT_FALSE(scripting.available());
    host.writeProcs.putText = putText;
    host.writeProcs.version = 1;
    EXPECT_FALSE(scripting.available());

    ParameterBlock block;
    block.initialise(false);
    int16_t result = 0;
    host.setDescriptor(fullDescriptor("unused"));
    scripting.read(block, result);
    EXPECT_EQ(block.chunkWidth, 0);
}
