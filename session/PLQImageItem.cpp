#include "session/PLQImageItem.h"

#include <QPixmap>

#include "chunks/InputImage.h"

namespace {

// Squares of 4 x 4 pixels: a preview is small, so its checkerboard is finer than the editor's.
int checkerGrey(int x, int y) { return ((x & 7) > 3) == ((y & 7) > 3) ? 255 : 204; }

}  // namespace

PLQImageItem::PLQImageItem(QTreeWidget* list, uint32_t key, const QString& fileName, InputImage* image)
    : QTreeWidgetItem(list, kType), key_(key), image_(image), fileName_(fileName) {
    setData(0, Qt::DecorationRole, QPixmap::fromImage(preview(*image)));
    setText(1, QStringLiteral("%1\n%2 x %3").arg(fileName).arg(image->pixels().width()).arg(image->pixels().height()));
    // A long name is cut to the narrow column; hovering the row shows it whole.
    setToolTip(0, fileName);
    setToolTip(1, fileName);
}

QImage PLQImageItem::preview(const InputImage& image) {
    const PixelBuffer& pixels = image.pixels();
    const QImage full(reinterpret_cast<const uchar*>(pixels.pixels()), int(pixels.width()), int(pixels.height()),
                      qsizetype(pixels.width()) * 4, QImage::Format_ARGB32);
    QImage small = full.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < small.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(small.scanLine(y));
        for (int x = 0; x < small.width(); ++x) {
            const int a = qAlpha(row[x]);
            if (a == 255)
                continue;
            const int g = checkerGrey(x, y);
            const auto mix = [&](int c) { return (c * a + g * (255 - a)) >> 8; };
            row[x] = a == 0 ? qRgb(g, g, g) : qRgb(mix(qRed(row[x])), mix(qGreen(row[x])), mix(qBlue(row[x])));
        }
    }
    return small;
}
