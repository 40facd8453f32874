#include "session/ImageFormatTable.h"

#include <QFileInfo>
#include <QStringList>
#include <array>
#include <initializer_list>

namespace {

struct ExtensionFormats {
    const char* extension;
    std::initializer_list<int> formats;
};

// In the order the file dialog lists them; format numbers ascending within an entry.
// hdr is listed too, so that the dialog offers every file the loader reads.
const std::array<ExtensionFormats, 29> kTable{{
    {"bmp", {0}},   {"cut", {21}},  {"dds", {24}},  {"gif", {25}},   {"hdr", {26}},   {"ico", {1}},    {"iff", {5}},
    {"lbm", {5}},   {"jng", {3}},   {"jpg", {2}},   {"jif", {2}},    {"jpeg", {2}},   {"jpe", {2}},
    {"mng", {6}},   {"pbm", {7, 8}}, {"pcd", {9}},  {"pcx", {10}},   {"pgm", {11, 12}}, {"png", {13}},
    {"ppm", {14, 15}}, {"psd", {20}}, {"ras", {16}}, {"tga", {17}},  {"targa", {17}}, {"tif", {18}},
    {"tiff", {18}}, {"wbmp", {19}}, {"xbm", {22}},  {"xpm", {23}},
}};

} // namespace

std::vector<int> ImageFormatTable::freeImageFormats(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    for (const ExtensionFormats& entry : kTable)
        if (extension == QLatin1String(entry.extension))
            return std::vector<int>(entry.formats);
    return {};
}

QString ImageFormatTable::dialogFilter(const QByteArrayList& toolkitFormats) {
    QStringList extensions{QStringLiteral("jpg")};
    for (const QByteArray& format : toolkitFormats)
        extensions.append(QString::fromLatin1(format).toLower());
    for (const ExtensionFormats& entry : kTable)
        extensions.append(QLatin1String(entry.extension));
    extensions.removeDuplicates();
    return QStringLiteral("Images (*.") + extensions.join(QStringLiteral(" *.")) + QLatin1Char(')');
}
