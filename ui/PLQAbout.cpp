#include "ui/PLQAbout.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "ui/EmbeddedImage.h"

namespace {

constexpr int kLineHeight = 20;

const QString kManualName = QStringLiteral("patchloom-manual.html");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Leaves `path` holding `content`; an existing identical copy is kept as it is.
bool writeIfChanged(const QString& path, const QByteArray& content) {
    if (QFile::exists(path) && readAll(path) == content)
        return true;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

}  // namespace

PLQAbout::PLQAbout(QWidget* parent, const char* name) : QFrame(parent) {
    setObjectName(QString::fromUtf8(name));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Open the Patchloom manual"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logoLabel"));
    logo->setPixmap(embeddedPixmap(QStringLiteral("about_logo")));
    logo->setMaximumHeight(kLineHeight);
    logo->setAlignment(Qt::AlignCenter);
    layout->addWidget(logo);
    layout->addSpacing(2);
    auto* credit = new QLabel(this);
    credit->setObjectName(QStringLiteral("creditLabel"));
    credit->setTextFormat(Qt::RichText);
    credit->setText(QStringLiteral("<font color=\"#cccccc\"><b>Patchloom</b> by Orvanta &middot; Help</font>"));
    credit->setMaximumHeight(kLineHeight);
    layout->addWidget(credit);
    layout->addStretch();
}

QUrl PLQAbout::manualUrl() {
    const QByteArray content = readAll(embeddedPath(QStringLiteral("manual/") + kManualName));
    if (content.isEmpty())
        return QUrl();
    QStringList folders = {QStandardPaths::writableLocation(QStandardPaths::CacheLocation), QDir::tempPath()};
    for (const QString& folder : folders) {
        if (folder.isEmpty() || !QDir().mkpath(folder))
            continue;
        const QString path = QDir(folder).filePath(kManualName);
        if (writeIfChanged(path, content))
            return QUrl::fromLocalFile(path);
    }
    return QUrl();
}

void PLQAbout::mousePressEvent(QMouseEvent* event) {
    QFrame::mousePressEvent(event);
    launchBrowser();
}

// A small notice stays up while the browser is asked to start, which can take a moment.
// A failure is not reported: the manual is a convenience.
void PLQAbout::launchBrowser() {
    auto* dialog = new QDialog(window());
    dialog->setObjectName(QStringLiteral("browserDialog"));
    dialog->setWindowTitle(QStringLiteral("Patchloom"));
    dialog->setModal(true);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(QStringLiteral("    Launch browser...    "), dialog));
    dialog->show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const QUrl url = manualUrl();
    if (url.isValid())
        QDesktopServices::openUrl(url);
    dialog->close();
    delete dialog;
}
