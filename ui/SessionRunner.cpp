#include "ui/SessionRunner.h"

#include <algorithm>
#include <memory>
#include <new>

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "session/PLQImagesPanel.h"
#include "ui/PLQMainWindow.h"
#include "ui/PLQStyle.h"

namespace {

// The docks beside the output and the splitter between them, with room for the images list's
// scroll bar beside the probabilities.
constexpr int kPanelsWidth = 546;
constexpr int kPanelsHeight = 120;
constexpr QSize kMinimumSize(750, 550);

// The application object keeps references to its arguments for its whole life.
int applicationArgc = 1;
char applicationName[] = "patchloom";
char* applicationArgv[] = {applicationName, nullptr};

QRect availableArea(QWidget* parent) {
    QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

bool runWindow(uint32_t* pixels, int width, int height, QWidget* parent, const QStringList& inputs) {
    PLQMainWindow window(uint32_t(width), uint32_t(height), pixels, parent, "mainWindow");
    window.setGeometry(SessionRunner::windowGeometry(QSize(width, height), availableArea(parent)));
    if (!inputs.isEmpty())
        QTimer::singleShot(0, &window, [&window, inputs] { window.imagePanel()->loadImages(inputs); });
    window.exec();
    return window.applied();
}

}  // namespace

QRect SessionRunner::windowGeometry(QSize image, const QRect& available) {
    const QRect room(QPoint(available.left() + 10, available.top() + 10),
                     QPoint(available.right() - 10, available.bottom() - 40));
    const int width = std::min(std::max(image.width() + kPanelsWidth, kMinimumSize.width()), room.width());
    const int height = std::min(std::max(image.height() + kPanelsHeight, kMinimumSize.height()), room.height());
    const int x = (room.left() + room.right()) / 2 - width / 2;
    const int y = (room.top() + room.bottom()) / 2 - height / 2;
    return QRect(x, y, width, height);
}

bool SessionRunner::run(uint32_t* pixels, int width, int height, QWidget* parent, const QStringList& inputs) {
    if (pixels == nullptr || width < 2 || height < 2)
        return false;
    std::unique_ptr<QApplication> ownApplication;
    if (QCoreApplication::instance() == nullptr)
        ownApplication = std::make_unique<QApplication>(applicationArgc, applicationArgv);
    else if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return false;  // a host's application without widgets cannot show the window
    QApplication::setStyle(new PLQStyle);
    try {
        return runWindow(pixels, width, height, parent, inputs);
    } catch (const std::bad_alloc&) {
        QMessageBox::warning(parent, QStringLiteral("Patchloom"),
                             QStringLiteral("Not enough memory to open the window on a %1 x %2 image.")
                                 .arg(width)
                                 .arg(height));
    }
    return false;
}
