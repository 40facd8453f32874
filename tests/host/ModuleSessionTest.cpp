#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "support/ModuleScript.h"
#include "TestHost.h"

// The real module with its real window, driven as a user would. "Paste Input" then "Apply"
// gives the host's bytes back wherever the conversions are lossless (the test host's colour
// services round-trip exactly); an indexed image is read as zeros and not written; "Cancel"
// reports 1 and leaves the image.
TEST(ModuleSession, UntouchedSessionsGiveBackTheHostBytesInEveryModeAndDepth) {
    const EntryPointProc entry = loadModule();
    ASSERT_NE(entry, nullptr) << dlerror();
    const QStringList pasteAndApply{QStringLiteral("Paste Input"), QStringLiteral("Apply")};
    const struct {
        const char* name;
        int16_t mode, depth, planes;
        QStringList presses;
        int16_t result;
    } cases[] = {
        {"rgb", kModeRGB, 8, 3, pasteAndApply, kResultOk},
        {"rgb+alpha", kModeRGB, 8, 4, pasteAndApply, kResultOk},
        {"rgb48+alpha", kModeRGB48, 16, 4, pasteAndApply, kResultOk},
        {"grey", kModeGrayScale, 8, 1, pasteAndApply, kResultOk},
        {"grey+alpha", kModeGrayScale, 8, 2, pasteAndApply, kResultOk},
        {"grey16+alpha", kModeGray16, 16, 2, pasteAndApply, kResultOk},
        {"cmyk+alpha", kModeCMYK, 8, 5, pasteAndApply, kResultOk},
        {"cmyk64", kModeCMYK64, 16, 4, pasteAndApply, kResultOk},
        {"lab", kModeLab, 8, 3, pasteAndApply, kResultOk},
        {"lab48", kModeLab48, 16, 3, pasteAndApply, kResultOk},
        {"hsb", kModeHSB, 8, 3, pasteAndApply, kResultOk},
        {"hsl+alpha", kModeHSL, 8, 4, pasteAndApply, kResultOk},
        {"duotone", kModeDuotone, 8, 1, pasteAndApply, kResultOk},
        // The window's empty output would be written as the background if anything were.
        {"indexed", kModeIndexed, 8, 1, {QStringLiteral("Apply")}, kResultOk},
        {"cancelled", kModeRGB, 8, 3, {QStringLiteral("Cancel")}, kResultNotApplied},
    };
    for (const auto& c : cases) {
        TestHost host(40, 36, c.mode, c.depth, c.planes);
        host.fill();
        const std::vector<uint8_t> before = host.image;
        int windows = 0;
        ModuleScript::pressInTurn(c.presses, &windows);
        EXPECT_EQ(host.run(entry), c.result) << c.name;
        EXPECT_EQ(windows, 1) << c.name;
        EXPECT_EQ(host.image, before) << c.name;
    }
    ModuleScript::set(nullptr);
}

// The module tells its host by the name the program was started under: the test starts itself
// again under the video editor's name and runs this test there.
TEST(ModuleSession, UnderTheVideoEditorNothingIsReadAndTheResultIsWrittenThroughContinueCalls) {
    if (std::strcmp(program_invocation_short_name, "Adobe Premiere") != 0) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            char name[] = "Adobe Premiere";
            char filter[] = "--gtest_filter=ModuleSession.UnderTheVideoEditor*";
            char* argv[] = {name, filter, nullptr};
            execv("/proc/self/exe", argv);
            _exit(127);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        return;
    }
    const EntryPointProc entry = loadModule();
    ASSERT_NE(entry, nullptr) << dlerror();
    TestHost host(10, 70, kModeRGB, 8, 3);  // offers advanceState
    host.fill();
    int windows = 0;
    ModuleScript::pressInTurn({QStringLiteral("Apply")}, &windows);
    EXPECT_EQ(host.run(entry), kResultOk);
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(host.advanceCalls, 0);
    ASSERT_EQ(host.writtenStrips.size(), 3u);
    EXPECT_EQ(host.writtenStrips[2].top, 64);
    EXPECT_EQ(host.writtenStrips[2].bottom, 70);
    // Nothing was read, so the empty output lands, flattened on the (black) background.
    EXPECT_EQ(host.sample(9, 69, 0), 0);
    ModuleScript::set(nullptr);
}
