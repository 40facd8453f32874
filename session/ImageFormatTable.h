#pragma once

#include <QByteArrayList>
#include <QString>
#include <vector>

// The file extensions read through FreeImage when the toolkit cannot read a file, and the
// FreeImage formats (numbers of its FREE_IMAGE_FORMAT enumeration) tried for each.
class ImageFormatTable {
public:
    // The formats to try for `path` by its extension (any case), in ascending number; empty
    // when the extension is not in the table.
    static std::vector<int> freeImageFormats(const QString& path);

    // The name filter of the "Choose input image(s)" dialog: "Images (*.jpg *.x ...)" listing
    // each toolkit format (lower-cased) and then each table extension, every pattern once.
    static QString dialogFilter(const QByteArrayList& toolkitFormats);
};
