#include <gtest/gtest.h>

#include <stdlib.h>

#include <QImage>

#include <algorithm>
#include <sstream>

#include "AppsTestSupport.h"
#include "apps/EditCommand.h"
#include "support/ModuleScript.h"

namespace {

QImage deepPicture() {
    QImage picture(37, 70, QImage::Format_RGBA64);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, QColor::fromRgba64(uint16_t(x * 1700), uint16_t(y * 900),
                                                           uint16_t((x * y * 37) % 65536), 65535));
    return picture;
}

} // namespace

// The program as a host of the real module, whose window is driven offscreen: a 16-bit file
// comes back 16-bit within the filter's 8-bit levels; a cancelled run writes nothing but
// still keeps what the host holds for the filter.
TEST(HostedEdit, TheRealModuleAppliesThroughTheHostAndACancelWritesNothing) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TempFolder folder;
    const std::string in = folder.file("in.png"), out = folder.file("out.png"), state = folder.file("state");
    ASSERT_TRUE(deepPicture().save(QString::fromStdString(in)));
    std::ostringstream output, errors;
    EditCommand command(output, errors, nullptr);

    ModuleScript::pressInTurn({QStringLiteral("Paste Input"), QStringLiteral("Apply")});
    ASSERT_EQ(command.run({in, "-o", out, "--module", PATCHLOOM_MODULE, "--state", state}), EditCommand::kApplied)
        << errors.str();
    const QImage written(QString::fromStdString(out));
    EXPECT_EQ(written.depth(), 64);
    ASSERT_EQ(written.size(), QSize(37, 70));
    EXPECT_LE(largestDifference(written, deepPicture()), 1);
    EXPECT_NE(readFile(state).find("pPth"), std::string::npos) << readFile(state);

    writeFile(out, "old");
    ModuleScript::pressInTurn({QStringLiteral("Paste Input"), QStringLiteral("Cancel")});
    EXPECT_EQ(command.run({in, "-o", out, "--module", PATCHLOOM_MODULE, "--mode", "cmyk", "--state", state}),
              EditCommand::kNotApplied)
        << errors.str();
    ModuleScript::set(nullptr);
    EXPECT_EQ(readFile(out), "old");
    EXPECT_EQ(errors.str(), "");
}
