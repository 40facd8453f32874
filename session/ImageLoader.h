#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class ImageCollection;
class QSettings;
class WarningReporter;

// Loads input image files into a session's image collection. Needs no widgets, so the images
// panel and the command-line program share it.
//
// Each file is opened once to say plainly what is wrong with a path (no such file, permission
// denied, not a regular file such as a pipe, device or folder) and to read its header: an
// image whose header announces more than kMaxPixels pixels, or whose headers or fixed-size
// pixel data are cut short, is refused before a reader sees it (ImageHeaderCheck). It is then read by the toolkit's readers (decoding memory capped
// for kMaxPixels pixels) or, when the toolkit does not know the file, by FreeImage in a child
// process with the formats of the file's extension (ImageFormatTable). A file the toolkit
// recognises but finds damaged is not handed on to FreeImage. A file that cannot be read is
// skipped after a warning; the others still load.
class ImageLoader {
public:
    using Key = uint32_t;
    // 256 MiB of 32-bit pixels.
    static constexpr qint64 kMaxPixels = qint64(1) << 26;

    // `images` receives the images; `warnings` gets every text for the user; `settings`, when
    // not null, receives "openPath". All must outlive the loader.
    ImageLoader(ImageCollection& images, WarningReporter& warnings, QSettings* settings = nullptr);

    // Loads `paths` in order for an output of `outputSize` and returns the keys of the images
    // added, in order. Each read image becomes 32-bit ARGB; while it is not smaller than the
    // output in both directions its size is halved (warning "Image '<file name>' too large, it
    // was scaled down (<factor>:1)."); its alpha is stretched so that the most opaque pixel has
    // 255. It is then added, the shares renormalised for its default chunk, and made current.
    // Skipped with a warning: unreadable files ("Cannot open '<path>' image file.", followed by
    // "<br>Format : '<format>'.<br>Error : '<reason>'." when a reader said why, or by
    // "<br>Error : '<reason>'." when the file itself could not be opened) and fully
    // transparent ones ("Cannot open '<path>' image file. The image is fully transparent !").
    // A non-empty list sets "openPath" to the absolute directory of its first path. An output
    // smaller than 1 x 1 loads nothing. The caller marks the current chunk as changed when keys
    // come back.
    std::vector<Key> loadFiles(const QStringList& paths, QSize outputSize);

    // What loadFile read besides the key.
    struct Loaded {
        Key key = 0;     // 0 (no key) when the file was skipped
        QSize fileSize;  // before any scale-down
        QImage deep;     // a file of more than 8 bits per channel: its pixels as scaled, in
                         // Format_RGBA64; null for 8-bit files (the collection's copy is exact)
    };
    // Loads one file as loadFiles does (same warnings, same image added and made current) and
    // keeps what a 16-bit file holds beyond the collection's 8-bit view.
    Loaded loadFile(const QString& path, QSize outputSize);

    // Reads one file as loadFiles does, scaled down alike with the same warning, but adds
    // nothing: Format_RGBA64 for a file of more than 8 bits per channel, Format_ARGB32
    // otherwise, alpha as read. A null image, after the warning, when it cannot be read; a null
    // image without warning for an output smaller than 1 x 1.
    QImage readFile(const QString& path, QSize outputSize, QSize* fileSize = nullptr);

    // True for formats with more than 8 bits per channel, which readFile keeps at 16 bits.
    static bool isDeep(QImage::Format format);

    // Reads one file as a host would hand a picture over: 32-bit ARGB at its own size, alpha
    // as stored, through the same readers and limits as loadFiles. Null, with `failure` set to
    // the warning loadFiles would give, when the file cannot be read. A fully transparent
    // picture is read like any other: a host may well run the filter on an empty layer.
    static QImage readPicture(const QString& path, QString& failure);
    // Whether loadFiles would take the file as an input image (readable, not fully
    // transparent); `failure` gets the warning it would show when not.
    static bool readableAsInput(const QString& path, QString& failure);

private:
    Loaded load(const QString& path, QSize outputSize, bool keepDeep);
    QImage scaleDown(QImage image, const QString& path, QSize outputSize);
    Key addImage(QImage image);
    void rememberDirectory(const QStringList& paths);

    ImageCollection& images_;
    WarningReporter& warnings_;
    QSettings* settings_;
};
