#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <memory>
#include <vector>

#include "support/ModuleScript.h"
#include "TestHost.h"

namespace {

EntryPointProc loadModule() {
    static void* module = dlopen(PATCHLOOM_MODULE, RTLD_NOW | RTLD_LOCAL);
    return module ? reinterpret_cast<EntryPointProc>(dlsym(module, "ENTRYPOINT")) : nullptr;
}

uint32_t pattern(int x, int y, int channel) {
    return uint32_t(x * 29 + y * 13 + channel * 67 + 3);
}

uint32_t cmykPattern(int x, int y, int channel) {
    return channel == 3 ? uint32_t(TestHost::colourKey(kSpaceCMYK)) : pattern(x, y, channel);
}

// Index of the first byte in which two images differ; -1 when they are the same.
long firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return at.first == a.end() && at.second == b.end() ? -1 : long(at.first - a.begin());
}

// Presses the main window's buttons labelled `labels`, one per step, once it shows; counts
// the windows that got the first press.
void pressInTurn(const QStringList& labels, int* windows) {
    auto next = std::make_shared<int>(0);
    ModuleScript::set([labels, windows, next] {
        if (*next >= labels.size())
            return true;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() != QLatin1String("mainWindow") || !widget->isVisible())
                continue;
            for (QPushButton* button : widget->findChildren<QPushButton*>())
                if (button->text() == labels[*next] && button->isEnabled()) {
                    if (*next == 0)
                        ++*windows;
                    button->click();
                    return ++*next == labels.size();
                }
        }
        return false;
    });
}

// The window starts empty: the host image is back in it only through "Paste Input".
void pasteInputAndApply(int* windows) {
    pressInTurn({QStringLiteral("Paste Input"), QStringLiteral("Apply")}, windows);
}

} // namespace

TEST(ModuleSession, ApplyingUntouchedGivesBackTheHostPixelsInEveryModeAndDepth) {
    const EntryPointProc entry = loadModule();
    ASSERT_NE(entry, nullptr) << dlerror();
    const struct {
        const char* name;
        int16_t mode;
        int16_t depth;
        int16_t planes;
    } cases[] = {
        {"rgb", kModeRGB, 8, 3},           {"rgb+alpha", kModeRGB, 8, 4},        {"rgb48+alpha", kModeRGB48, 16, 4},
        {"grey", kModeGrayScale, 8, 1},    {"grey16+alpha", kModeGray16, 16, 2}, {"cmyk+alpha", kModeCMYK, 8, 5},
        {"cmyk64", kModeCMYK64, 16, 4},    {"lab", kModeLab, 8, 3},              {"lab48", kModeLab48, 16, 3},
        {"hsb", kModeHSB, 8, 3},           {"hsl+alpha", kModeHSL, 8, 4},        {"duotone", kModeDuotone, 8, 1},
    };
    for (const auto& c : cases) {
        TestHost host(40, 36, c.mode, c.depth, c.planes);
        host.fill(c.mode == kModeCMYK || c.mode == kModeCMYK64 ? cmykPattern : pattern);
        const std::vector<uint8_t> before = host.image;
        int windows = 0;
        pasteInputAndApply(&windows);
        EXPECT_EQ(host.run(entry), kResultOk) << c.name;
        EXPECT_EQ(windows, 1) << c.name;
        EXPECT_EQ(firstDifference(host.image, before), -1) << c.name;
    }
    ModuleScript::set(nullptr);
}

// The window's empty output would be written as the background if anything were written.
TEST(ModuleSession, IndexedImagesAreNotWritten) {
    const EntryPointProc entry = loadModule();
    ASSERT_NE(entry, nullptr) << dlerror();
    TestHost host(20, 20, kModeIndexed, 8, 1);
    host.fill(pattern);
    const std::vector<uint8_t> before = host.image;
    int windows = 0;
    pressInTurn({QStringLiteral("Apply")}, &windows);
    EXPECT_EQ(host.run(entry), kResultOk);
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(firstDifference(host.image, before), -1);
    ModuleScript::set(nullptr);
}

TEST(ModuleSession, CancelLeavesTheImageAndReportsOneAndAOnePixelHighImageOpensNoWindow) {
    const EntryPointProc entry = loadModule();
    ASSERT_NE(entry, nullptr) << dlerror();
    TestHost host(20, 20, kModeRGB, 8, 3);
    host.fill(pattern);
    const std::vector<uint8_t> before = host.image;
    int windows = 0;
    pressInTurn({QStringLiteral("Cancel")}, &windows);
    EXPECT_EQ(host.run(entry), kResultNotApplied);
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(firstDifference(host.image, before), -1);

    TestHost line(30, 1, kModeRGB, 8, 3);
    windows = 0;
    pressInTurn({QStringLiteral("Cancel")}, &windows);
    EXPECT_EQ(line.run(entry), kResultNotApplied);
    EXPECT_EQ(windows, 0);
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
    host.fill(pattern);
    int windows = 0;
    pressInTurn({QStringLiteral("Apply")}, &windows);
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
