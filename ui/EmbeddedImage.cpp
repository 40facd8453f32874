#include "ui/EmbeddedImage.h"

#include <QPixmapCache>

// The resources live in a static library, whose registration the linker would drop because
// nothing refers to it; the explicit call keeps it. Outside any namespace, as the macro needs.
static int registerResources() {
    Q_INIT_RESOURCE(ui);
    return 0;
}

namespace {

void ensureResources() {
    [[maybe_unused]] static const int registered = registerResources();
}

}  // namespace

QString embeddedPath(const QString& fileName) {
    ensureResources();
    return QStringLiteral(":/") + fileName;
}

QImage embeddedImage(const QString& name) {
    return QImage(embeddedPath(QStringLiteral("images/") + name + QStringLiteral(".png")));
}

QPixmap embeddedPixmap(const QString& name) {
    const QString key = QStringLiteral("plq-embedded-") + name;
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    pixmap = QPixmap::fromImage(embeddedImage(name));
    if (!pixmap.isNull())
        QPixmapCache::insert(key, pixmap);
    return pixmap;
}
