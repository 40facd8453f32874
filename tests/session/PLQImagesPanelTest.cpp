#include <gtest/gtest.h>

#include <memory>

#include <QDir>
#include <QFile>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "chunks/InputImage.h"
#include "session/PLQChunkItem.h"
#include "session/PLQImageItem.h"
#include "session/PLQImagesPanel.h"
#include "session/PLQShell.h"
#include "SessionTestSupport.h"

namespace {

// An images panel over a 256 x 256 session, with image files in a temporary folder.
class ImagesPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        shell = std::make_unique<PLQShell>(256, 256);
        panel = std::make_unique<PLQImagesPanel>(shell.get(), nullptr, "imagePanel");
        panel->setWarningReporter(&warnings);
        imageChanges = std::make_unique<QSignalSpy>(panel.get(), &PLQImagesPanel::inputImageChanged);
    }

    QString writeImage(const QString& name, int width, int height) {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(qRgb(200, 120, 40));
        const QString path = folder.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }
    // Loads a.png (40 x 30) and b.png (60 x 20) through the "Add" button.
    void addTwo() {
        const QStringList paths{writeImage("a.png", 40, 30), writeImage("b.png", 60, 20)};
        panel->setFileChooser([paths](QWidget*) { return paths; });
        panel->addButton()->click();
    }
    QTreeWidget* list() { return panel->listView(); }
    InputImage* current() { return shell->images().currentImage(); }
    QStringList selectedTexts() {
        QStringList texts;
        for (QTreeWidgetItem* item : list()->selectedItems())
            texts << item->text(0) + "|" + item->text(1).section('\n', 0, 0);
        texts.sort();
        return texts;
    }

    QTemporaryDir folder;
    CollectedWarnings warnings;
    std::unique_ptr<PLQShell> shell;
    std::unique_ptr<PLQImagesPanel> panel;
    std::unique_ptr<QSignalSpy> imageChanges;
};

}  // namespace

// Probabilities show on the chunk rows only while mixing.
TEST_F(ImagesPanelTest, AddedImagesAreListedWithPreviewsChunksAndWhileMixingTheirShares) {
    addTwo();
    ASSERT_EQ(list()->topLevelItemCount(), 2);
    EXPECT_EQ(list()->topLevelItem(0)->text(1), "a.png\n40 x 30");
    EXPECT_EQ(list()->topLevelItem(1)->text(1), "b.png\n60 x 20");
    EXPECT_EQ(list()->topLevelItem(1)->toolTip(1), "b.png");  // whole, where the column cuts a long name
    const QPixmap preview = list()->topLevelItem(1)->data(0, Qt::DecorationRole).value<QPixmap>();
    EXPECT_EQ(preview.size(), QSize(75, 25));
    ASSERT_EQ(list()->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(list()->topLevelItem(0)->child(0)->text(0), "[Chunk  1]");

    // The last image loaded is current, with its row and its chunk's row selected.
    EXPECT_EQ(shell->images().currentKey(), 2u);
    EXPECT_EQ(selectedTexts(), (QStringList{"[Chunk  1]|", "|b.png"}));
    EXPECT_EQ(imageChanges->count(), 1);
    // Rows open with their chunks, so the chunk row is the current one and "Remove" waits
    // for an image row.
    EXPECT_EQ(list()->currentItem(), panel->chunkItem(2, 0));
    EXPECT_FALSE(panel->removeButton()->isEnabled());

    EXPECT_EQ(panel->chunkItem(1, 0)->text(1), "");
    shell->placement().mixChunks = true;
    emit panel->refreshProb();
    EXPECT_EQ(panel->chunkItem(1, 0)->text(1), "Probability :    50%");
    shell->placement().mixChunks = false;
    emit panel->refreshProb();
    EXPECT_EQ(panel->chunkItem(2, 0)->text(1), "");
}

TEST_F(ImagesPanelTest, RemovingTheCurrentImagePicksTheNextOrTheFirst) {
    addTwo();
    panel->loadImages({writeImage("c.png", 10, 10)});
    list()->setCurrentItem(panel->imageItem(2));
    ASSERT_EQ(shell->images().currentKey(), 2u);
    panel->removeButton()->click();
    EXPECT_EQ(shell->images().currentKey(), 3u);
    EXPECT_EQ(list()->topLevelItemCount(), 2);
    EXPECT_EQ(selectedTexts(), (QStringList{"[Chunk  1]|", "|c.png"}));

    list()->setCurrentItem(panel->imageItem(3));
    panel->removeButton()->click();
    EXPECT_EQ(shell->images().currentKey(), 1u);
    list()->setCurrentItem(panel->imageItem(1));
    panel->removeButton()->click();
    EXPECT_EQ(current(), nullptr);
    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_FALSE(panel->removeButton()->isEnabled());
}

TEST_F(ImagesPanelTest, ChoosingAChunkRowMakesItAndItsImageCurrent) {
    addTwo();
    panel->imageItem(1)->image()->addChunk();
    list()->setCurrentItem(panel->imageItem(1));
    panel->updateChunks();
    QSignalSpy chunkChanges(panel.get(), &PLQImagesPanel::inputChunkChanged);

    list()->setCurrentItem(panel->chunkItem(1, 0));
    EXPECT_EQ(current()->currentChunk(), 0u);
    EXPECT_EQ(chunkChanges.count(), 1);
    // A chunk of the other image: that image becomes current, and the selection moves to it.
    imageChanges->clear();
    list()->setCurrentItem(panel->chunkItem(2, 0), 0, QItemSelectionModel::Select);
    EXPECT_EQ(shell->images().currentKey(), 2u);
    EXPECT_EQ(imageChanges->count(), 1);
    EXPECT_EQ(selectedTexts(), (QStringList{"[Chunk  1]|", "|b.png"}));
}

TEST_F(ImagesPanelTest, DeletingRemovesTheSelectedChunksOfOneImage) {
    addTwo();
    InputImage* image = current();
    image->addChunk();
    image->addChunk();
    image->addChunk();
    panel->updateChunks();
    ASSERT_EQ(panel->imageItem(2)->childCount(), 4);

    list()->setCurrentItem(panel->chunkItem(2, 0), 0, QItemSelectionModel::ClearAndSelect);
    list()->setCurrentItem(panel->chunkItem(2, 2), 0, QItemSelectionModel::Select);
    panel->chunkItem(1, 0)->setSelected(true);  // another image's row never joins in
    panel->deleteSelectedChunks();
    EXPECT_EQ(image->chunkCount(), 2u);
    EXPECT_EQ(panel->imageItem(2)->childCount(), 2);
    EXPECT_EQ(panel->imageItem(1)->image()->chunkCount(), 1u);

    // Everything selected: the last chunk stays.
    panel->updateSelection();
    list()->setCurrentItem(panel->chunkItem(2, 0), 0, QItemSelectionModel::Select);
    list()->setCurrentItem(panel->chunkItem(2, 1), 0, QItemSelectionModel::Select);
    panel->deleteSelectedChunks();
    EXPECT_EQ(image->chunkCount(), 1u);
    panel->deleteSelectedChunks();
    EXPECT_EQ(image->chunkCount(), 1u);
    EXPECT_EQ(panel->imageItem(2)->childCount(), 1);
}

// Where the preview is not opaque it shows a checkerboard of 4 x 4 squares (255 and 204).
TEST(ImagePreview, TransparentPartsShowTheCheckerboard) {
    PixelBuffer pixels(75, 75);
    pixels.at(5, 0) = makePixel(128, 255, 0, 0);
    InputImage image(pixels);
    const QImage preview = PLQImageItem::preview(image);
    EXPECT_EQ(preview.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(preview.pixel(4, 0), qRgb(204, 204, 204));
    EXPECT_EQ(preview.pixel(5, 0), qRgb(228, 101, 101));
}

// Without a reporter of its own the panel shows each warning in a box captioned "Patchloom";
// the files after a bad one still load, and their folder is remembered.
TEST_F(ImagesPanelTest, UnreadableFileIsShownInABoxAndTheRestLoads) {
    panel->setWarningReporter(nullptr);
    QStringList shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown << box->windowTitle() + ": " + box->text();
            box->accept();
        }
    });
    closer.start(20);
    const QString bad = folder.filePath("bad.png");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    panel->loadImages({writeImage("a.png", 40, 30), bad, writeImage("c.png", 10, 10)});
    EXPECT_EQ(shown, QStringList(QStringLiteral("Patchloom: Cannot open '%1' image file.<br>Format : 'PNG'.<br>Error : "
                                                "'The file is damaged or is not in the format its name says.'.")
                                     .arg(bad)));
    EXPECT_EQ(list()->topLevelItemCount(), 2);
    EXPECT_EQ(shell->settings().value("openPath").toString(), QDir(folder.path()).absolutePath());
}
