#pragma once

#include <cstdint>
#include <memory>

#include <QWidget>

#include "host/NativeWindow.h"

// Stands for the host's native window inside Qt. Qt windows created with it as parent belong
// to the host window: they open over it, keep it from taking input while they are modal, and
// the keyboard focus goes back to the host's window that had it when they close. Tabbing past
// the wrapper's own first or last child also hands the focus to the host.
class QWinWidget : public QWidget {
    Q_OBJECT
public:
    // `hostWindow`: the host's window id, 0 for none (then nothing native is done). `parent`,
    // when given, owns the wrapper as a plain QObject child.
    explicit QWinWidget(uintptr_t hostWindow, QObject* parent = nullptr, const char* name = nullptr,
                        Qt::WindowFlags flags = {});
    // Over a given native window (the tests' fake); the wrapper owns it.
    QWinWidget(std::unique_ptr<NativeWindow> native, QObject* parent = nullptr, const char* name = nullptr,
               Qt::WindowFlags flags = {});
    ~QWinWidget() override;

    // Places the zero-sized wrapper at the middle of the host window (screen coordinates) and
    // shows it, so that dialogs centred on it open in the middle of the host window.
    void showCentered();
    uintptr_t parentWindow() const { return hostWindow_; }
    bool hostDisabled() const { return hostDisabled_; }

    void setVisible(bool visible) override;

protected:
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void init(QObject* parent, const char* name);
    void saveFocus();
    void resetFocus();
    void enableHost();
    QWidget* focusableChild(bool first) const;

    std::unique_ptr<NativeWindow> native_;
    uintptr_t hostWindow_ = 0;
    uintptr_t savedFocus_ = 0;
    bool hostDisabled_ = false;
};
