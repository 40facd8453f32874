#pragma once

#include <cstdint>

#include <QImage>
#include <QString>
#include <QTreeWidgetItem>

class InputImage;

// A top-level row of the images panel: one input image, with its preview and its size. Its
// children are the image's chunk rows.
class PLQImageItem : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;
    // Longest side of the preview in pixels.
    static constexpr int kPreviewSide = 75;

    // `image` (not owned) is the collection's image under `key`; the row lives no longer.
    PLQImageItem(QTreeWidget* list, uint32_t key, const QString& fileName, InputImage* image);

    uint32_t key() const { return key_; }
    InputImage* image() const { return image_; }
    const QString& fileName() const { return fileName_; }

    // The image fitted into 75 x 75, composed over a fine checkerboard where it is not opaque.
    static QImage preview(const InputImage& image);

private:
    uint32_t key_;
    InputImage* image_;
    QString fileName_;
};
