#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QUrl>

#include "ui/PLQAbout.h"

namespace {

// Takes the place of the system browser for file addresses.
class FakeBrowser : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;
    QString noticeShown;

public slots:
    void openFile(const QUrl& url) {
        opened.push_back(url);
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QStringLiteral("browserDialog") && widget->isVisible())
                noticeShown = widget->findChild<QLabel*>()->text();
    }
};

}  // namespace

TEST(PLQAbout, APressOpensTheShippedManualWhileANoticeShows) {
    FakeBrowser browser;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "openFile");
    PLQAbout about(nullptr, "aboutFrame");
    about.show();
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(5, 5));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(browser.noticeShown, QStringLiteral("    Launch browser...    "));
    QFile manual(browser.opened[0].toLocalFile());
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QByteArray page = manual.readAll();
    EXPECT_TRUE(page.contains("<title>Patchloom manual</title>"));
    EXPECT_TRUE(page.contains("Start process"));
    QApplication::processEvents();
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_NE(widget->objectName(), QStringLiteral("browserDialog"));  // closed and deleted
}

#include "PLQAboutTest.moc"
