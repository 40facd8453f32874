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
    const std::vector<Item> written = host.descriptor();
    const std::vector<Item> zeros = fullDescriptor("");
    ASSERT_EQ(written.size(), zeros.size());
    for (size_t i = 0; i < zeros.size(); ++i) {
        EXPECT_EQ(written[i].key, zeros[i].key) << i;
        EXPECT_EQ(written[i].type, zeros[i].type) << i;
        EXPECT_EQ(written[i].integer, 0) << i;
        EXPECT_EQ(written[i].number, 0.0) << i;
        EXPECT_EQ(written[i].text, "") << i;
    }
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
    host.readStrips.clear();
    ASSERT_EQ(host.run(InProcessPlugin::entry), kResultOk);
    const std::vector<Item> written = host.descriptor();
    EXPECT_EQ(find(written, "pMtd")->integer, 2);
    EXPECT_EQ(find(written, "cWdt")->integer, 30);
    EXPECT_EQ(find(written, "jAmt")->integer, 50);
    EXPECT_EQ(find(written, "cvFc")->integer, 25);
    EXPECT_EQ(find(written, "rndS")->number, 12.5);
    EXPECT_EQ(find(written, "pPth")->text, "/img/a.png;/img/b.png");
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
    host.writeProcs.putText = nullptr;
    EXPECT_FALSE(scripting.available());
    host.writeProcs.putText = TestHost(1, 1, kModeRGB, 8, 3).writeProcs.putText;
    TestHost::current = &host;
    host.writeProcs.version = 1;
    EXPECT_FALSE(scripting.available());

    ParameterBlock block;
    block.initialise(false);
    int16_t result = 0;
    host.setDescriptor(fullDescriptor("unused"));
    scripting.read(block, result);
    EXPECT_EQ(block.chunkWidth, 0);
}
