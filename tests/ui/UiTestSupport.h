#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "engine/PixelBuffer.h"
#include "session/PLQImagesPanel.h"
#include "session/PLQShell.h"
#include "session/SessionTestSupport.h"
#include "support/Pictures.h"
#include "support/TextureLoader.h"
#include "support/WaitUntil.h"
#include "ui/Beep.h"
#include "ui/PLQMainWindow.h"

// Helpers shared by the user-interface tests.

// A picture with detail everywhere (no two neighbours alike), opaque: every overlap needs a cut.
inline PixelBuffer patternImage(uint32_t width, uint32_t height) {
    PixelBuffer image(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.at(x, y) = makePixel(255, (x * 37 + y * 11) & 0xFF, (x * 7 + y * 53) & 0xFF, (x * y + 91) & 0xFF);
    return image;
}

// Sends one mouse event straight to `widget`, with the buttons held after it happened.
inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButton button,
                      Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(position), QPointF(widget->mapToGlobal(position)), button, held, modifiers);
    QApplication::sendEvent(widget, &event);
}

// A left-button drag through `points` (press at the first, release at the last).
inline void drag(QWidget* widget, std::initializer_list<QPoint> points,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPoint* p = points.begin();
    sendMouse(widget, QEvent::MouseButtonPress, *p, Qt::LeftButton, Qt::LeftButton, modifiers);
    for (++p; p != points.end(); ++p)
        sendMouse(widget, QEvent::MouseMove, *p, Qt::NoButton, Qt::LeftButton, modifiers);
    sendMouse(widget, QEvent::MouseButtonRelease, *(points.end() - 1), Qt::LeftButton, Qt::NoButton, modifiers);
}

// Shows `widget` as the active window, so that its keys and focus work.
inline bool showActive(QWidget* widget) {
    widget->show();
    widget->activateWindow();
    return QTest::qWaitForWindowActive(widget);
}

// Replaces the text of `edit` as a user would: select all, delete, type (no Return).
inline void typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// Stops a run of `shell` and waits until its end has been handled.
inline bool stopRun(PLQShell& shell) {
    shell.cancelEvent();
    return waitUntil([&] { return !shell.isRunning(); });
}

// Records the region of every paint event of the widget it watches.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
    std::vector<QRegion> regions;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            regions.push_back(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
};

// Counts the interface's beeps while it lives.
class BeepCounter {
public:
    BeepCounter() { previous_ = setBeepHandler([this] { ++count_; }); }
    ~BeepCounter() { setBeepHandler(previous_); }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;
    int count() const { return count_; }

private:
    int count_ = 0;
    std::function<void()> previous_;
};

// What `widget` shows, as a 32-bit image of its own size.
inline QImage grabImage(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor rgb(int r, int g, int b) { return QColor(r, g, b); }

// Adds `pixels` as an input image and makes it current; returns its key.
inline uint32_t addCurrentImage(PLQShell& shell, const PixelBuffer& pixels) {
    const uint32_t key = shell.images().addImage(pixels);
    shell.images().setCurrent(key);
    shell.images().normaliseProbabilities(-1.0f);
    return key;
}

// A main window over a host picture of the given size (a pattern), shown and active; the
// images panel's warnings are kept instead of shown in boxes.
class WindowTest : public ::testing::Test {
protected:
    void open(uint32_t width, uint32_t height) {
        const PixelBuffer picture = patternImage(width, height);
        host.assign(picture.pixels(), picture.pixels() + picture.count());
        window = std::make_unique<PLQMainWindow>(width, height, host.data(), nullptr, "mainWindow");
        window->imagePanel()->setWarningReporter(&warnings);
        window->resize(1100, 800);
        ASSERT_TRUE(showActive(window.get()));
    }
    // Loads test images through the images panel; each becomes current in turn.
    void load(const QStringList& names) {
        QStringList paths;
        for (const QString& name : names)
            paths << QString::fromStdString(texturePath(name.toStdString()));
        window->imagePanel()->loadImages(paths);
    }
    // Loads a `side` x `side` pattern written to a temporary file.
    void loadPattern(int side) {
        const PixelBuffer pattern = patternImage(uint32_t(side), uint32_t(side));
        const QImage image(reinterpret_cast<const uchar*>(pattern.pixels()), side, side, side * 4,
                           QImage::Format_ARGB32);
        const QString path = folder.filePath(QStringLiteral("pattern%1.png").arg(side));
        ASSERT_TRUE(image.save(path));
        window->imagePanel()->loadImages({path});
    }
    template <typename T>
    T* child(const char* name) {
        return window->findChild<T*>(QLatin1String(name));
    }
    PLQShell& shell() { return window->shell(); }
    bool waitForRunEnd() { return waitUntil([&] { return !shell().isRunning(); }); }
    bool outputIsEmpty() const {
        return std::all_of(host.begin(), host.end(), [](uint32_t p) { return p == 0; });
    }

    QTemporaryDir folder;
    CollectedWarnings warnings;
    std::vector<uint32_t> host;
    std::unique_ptr<PLQMainWindow> window;
};
