#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstring>
#include <sstream>

#include <QFile>

#include "AppsTestSupport.h"
#include "apps/EditCommand.h"
#include "apps/PngFile.h"
#include "support/Pictures.h"
#include "support/TextureLoader.h"

namespace {

// `patchloom edit` with a stand-in for the window that records what it was given and, when
// it applies, paints the picture.
class EditCommandTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("QT_QPA_PLATFORM", "offscreen", 1); }

    int run(const Words& words) {
        err.str("");
        EditCommand command(
            out, err,
            [this](uint32_t* pixels, int width, int height, const QStringList& inputs) {
                ++sessions;
                seenSize = {width, height};
                seenFirstPixel = pixels[0];
                seenInputs = inputs;
                if (applies)
                    std::fill(pixels, pixels + size_t(width) * size_t(height), 0xFF336699u);
                return applies;
            },
            [this](const QImage& picture, const EditOptions& options, const std::vector<std::string>&) {
                ++hosts;
                seenSize = {picture.width(), picture.height()};
                seenFirstPixel = picture.pixel(0, 0);
                seenOptions = options;
                return applies ? EditCommand::kApplied : EditCommand::kNotApplied;
            });
        return command.run(words);
    }
    // The error output is exactly one line.
    bool oneLine() const { return err.str().find('\n') == err.str().size() - 1; }

    TempFolder folder;
    std::ostringstream out, err;
    bool applies = true;
    int sessions = 0;  // windows opened in this process
    int hosts = 0;     // runs through the filter module
    EditOptions seenOptions;
    std::pair<int, int> seenSize{0, 0};
    uint32_t seenFirstPixel = 0;
    QStringList seenInputs;
};

}  // namespace

TEST_F(EditCommandTest, APictureGoesToTheModuleAsTheHostImage) {
    writePng(folder.file("in.png"), filledPicture(30, 20, 0xFF102030u));
    const std::string target = folder.file("out.png");
    ASSERT_EQ(run({folder.file("in.png"), "-o", target, "--mode", "lab"}), EditCommand::kApplied) << err.str();
    EXPECT_EQ(hosts, 1);
    EXPECT_EQ(sessions, 0);
    EXPECT_EQ(seenSize, std::make_pair(30, 20));
    EXPECT_EQ(seenFirstPixel, 0xFF102030u);
    EXPECT_EQ(seenOptions.output, target);
    EXPECT_EQ(seenOptions.mode, "lab");

    applies = false;
    EXPECT_EQ(run({"--size=8x6", "-o", target}), EditCommand::kNotApplied);
    EXPECT_EQ(hosts, 2);
    EXPECT_EQ(seenSize, std::make_pair(8, 6));
    EXPECT_EQ(seenFirstPixel, 0u);  // a new picture starts transparent
}

// An empty (fully transparent) picture is edited like any other, as an editor runs the filter
// on an empty layer; only as an input image is it refused.
TEST_F(EditCommandTest, AFullyTransparentPictureIsEditedButNotTakenAsInput) {
    writePng(folder.file("clear.png"), filledPicture(12, 10, 0x00000000u));
    const std::string target = folder.file("out.png");
    EXPECT_EQ(run({folder.file("clear.png"), "-o", target}), EditCommand::kApplied) << err.str();
    EXPECT_EQ(hosts, 1);
    EXPECT_EQ(seenSize, std::make_pair(12, 10));

    EXPECT_EQ(run({"--size", "16x16", folder.file("clear.png"), "-o", target}), EditCommand::kFailed);
    EXPECT_NE(err.str().find("The image is fully transparent !"), std::string::npos) << err.str();
    EXPECT_EQ(sessions, 0);
}

// A host cannot hand input images to the module, so this one request opens the window here.
TEST_F(EditCommandTest, SizeWithAnImageOpensTheWindowHereWithTheImageAsFirstInput) {
    writePng(folder.file("in.png"), filledPicture(30, 20, 0xFF102030u));
    const std::string target = folder.file("out.png");
    ASSERT_EQ(run({"--size", "64x48", "-o", target, folder.file("in.png")}), EditCommand::kApplied);
    EXPECT_EQ(sessions, 1);
    EXPECT_EQ(hosts, 0);
    EXPECT_EQ(seenSize, std::make_pair(64, 48));
    EXPECT_EQ(seenFirstPixel, 0u);
    EXPECT_EQ(seenInputs, QStringList{QString::fromStdString(folder.file("in.png"))});
    const PixelBuffer written = loadPng(target);
    ASSERT_EQ(written.height(), 48u);
    EXPECT_EQ(written.at(63, 47), 0xFF336699u);

    applies = false;
    writeFile(target, "old");
    EXPECT_EQ(run({"--size", "64x48", "--output=" + target, folder.file("in.png")}), EditCommand::kNotApplied);
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(folder.entries(), (Words{"in.png", "out.png"}));

    // Asked for the host, it goes there and says that the input image stays behind.
    EXPECT_EQ(run({"--size", "64x48", "-o", target, folder.file("in.png"), "--no-window"}),
              EditCommand::kNotApplied);
    EXPECT_EQ(sessions, 2);
    EXPECT_EQ(hosts, 1);
    EXPECT_NE(err.str().find("takes no input images from its host"), std::string::npos) << err.str();
}

TEST_F(EditCommandTest, BadArgumentsGiveStatusTwoAndOneLine) {
    const std::vector<Words> cases = {
        {"in.png"},
        {"-o", "out.png"},
        {"a.png", "b.png", "-o", "out.png"},
        {"", "-o", "out.png", "--size", "8x8"},
        {"in.png", "-o"},
        {"in.png", "-o", "out.png", "--size", "1x5"},
        {"in.png", "-o", "out.png", "--size", "9000x8"},
        {"in.png", "-o", "out.png", "--size", "12x"},
        {"in.png", "-o", "out.png", "--size", "-4x4"},
        {"in.png", "-o", "out.png", "--colour", "rgb"},
    };
    for (const auto& words : cases) {
        EXPECT_EQ(run(words), EditCommand::kBadArguments) << words.back();
        EXPECT_TRUE(oneLine()) << err.str();
    }
    EXPECT_EQ(sessions + hosts, 0);
}

// Nothing that can be known before the window opens may fail after the user's work. (The
// loader's own refusals are its tests'; one of them stands for all here.)
TEST_F(EditCommandTest, BadPicturesAndOutputsFailBeforeAnyWindow) {
    writePng(folder.file("line.png"), filledPicture(8, 1, 0xFF000000u));
    writePng(folder.file("in.png"), filledPicture(8, 8, 0xFF000000u));
    writeFile(folder.file("junk.png"), "not a picture");
    const std::string out = folder.file("out.png");
    struct Case {
        Words words;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{folder.file("junk.png"), "-o", out}, "Cannot open '" + folder.file("junk.png") + "' image file."},
        {{folder.file("line.png"), "-o", out}, "is 8 x 1 pixels; the window needs at least 2 x 2"},
        {{"--size", "8x8", folder.file("junk.png"), "-o", out}, "Cannot open"},
        {{folder.file("in.png"), "-o", folder.file("no/such/folder/out.png")}, "does not exist"},
        {{folder.file("in.png"), "-o", folder.file("")}, "is a folder"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.words), EditCommand::kFailed) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_TRUE(oneLine()) << err.str();
    }
    EXPECT_EQ(sessions + hosts, 0);
    EXPECT_EQ(readFile(out), "");
}

TEST_F(EditCommandTest, WithoutADisplayNoWindowIsTried) {
    writePng(folder.file("in.png"), filledPicture(8, 8, 0xFF000000u));
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(run({folder.file("in.png"), "-o", folder.file("out.png")}), EditCommand::kFailed);
    EXPECT_NE(err.str().find("no display"), std::string::npos);
    EXPECT_EQ(sessions + hosts, 0);
}

// Through the filter module: what is wrong with the host's own request is said in one line
// before the module is even loaded.
TEST_F(EditCommandTest, UnknownModesAndMalformedStateFilesGetOneLineAndNoWindow) {
    writePng(folder.file("in.png"), filledPicture(8, 8, 0xFF102030u));
    writeFile(folder.file("state"), "patchloom-host-state 1\nitem pMtd long many\n");
    const std::string in = folder.file("in.png"), target = folder.file("out.png");
    const struct {
        Words words;
        int status;
        std::string message;
    } cases[] = {
        {{"--mode", "ycc"}, EditCommand::kBadArguments,
         "unknown --mode 'ycc' (rgb|rgb16|gray|gray16|cmyk|lab|hsb|hsl|"},
        {{"--state", folder.file("state")}, EditCommand::kFailed,
         "patchloom edit: state file '" + folder.file("state") +
             "' line 2: expected 'item KEY long|doub|TEXT VALUE'\n"},
        {{"--mode", "indexed"}, EditCommand::kFailed,
         "patchloom edit: the filter does not take images in indexed mode\n"},
        {{"--module", in}, EditCommand::kFailed, "cannot load the filter module"},
    };
    EditCommand hosted(out, err, nullptr);
    for (const auto& c : cases) {
        std::vector<std::string> words{in, "-o", target};
        words.insert(words.end(), c.words.begin(), c.words.end());
        err.str("");
        EXPECT_EQ(hosted.run(words), c.status) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_TRUE(oneLine()) << err.str();
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(target)));
}
