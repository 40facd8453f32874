#include "host/QWinWidget.h"

#include <QApplication>
#include <QChildEvent>
#include <QDialog>
#include <QFocusEvent>
#include <QWindow>

#include "host/X11NativeWindow.h"

QWinWidget::QWinWidget(uintptr_t hostWindow, QObject* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(nullptr, flags) {
    if (hostWindow != 0)
        native_ = std::make_unique<X11NativeWindow>(hostWindow);
    hostWindow_ = hostWindow;
    init(parent, name);
}

QWinWidget::QWinWidget(std::unique_ptr<NativeWindow> native, QObject* parent, const char* name,
                       Qt::WindowFlags flags)
    : QWidget(nullptr, flags), native_(std::move(native)) {
    hostWindow_ = native_ ? native_->id() : 0;
    init(parent, name);
}

QWinWidget::~QWinWidget() {
    enableHost();
    // The native window must go while the host window it belongs to is still known to Qt.
    destroy();
    native_.reset();
}

void QWinWidget::init(QObject* parent, const char* name) {
    if (name)
        setObjectName(QString::fromUtf8(name));
    if (parent)
        QObject::setParent(parent);
    if (!native_ || hostWindow_ == 0)
        return;
    setAttribute(Qt::WA_NativeWindow);
    winId();  // the native window must exist before it can be given to the host window
    // Owned by the host window rather than inside it: Qt windows opened on the wrapper then
    // have a top-level window to belong to, as the toolkit requires.
    native_->parent(windowHandle(), false);
    setContentsMargins(0, 0, 0, 0);
}

void QWinWidget::showCentered() {
    const QRect host = native_ ? native_->geometry() : QRect();
    setGeometry(host.left() + host.width() / 2, host.top() + host.height() / 2, 0, 0);
    show();
}

void QWinWidget::setVisible(bool visible) {
    if (visible)
        saveFocus();
    QWidget::setVisible(visible);
}

void QWinWidget::saveFocus() {
    if (savedFocus_ == 0 && native_)
        savedFocus_ = native_->focus() != 0 ? native_->focus() : hostWindow_;
}

void QWinWidget::resetFocus() {
    if (native_)
        native_->setFocus(savedFocus_ != 0 ? savedFocus_ : hostWindow_);
}

void QWinWidget::enableHost() {
    if (!hostDisabled_)
        return;
    if (native_)
        native_->enable(true);
    hostDisabled_ = false;
}

// Windows and dialogs on the wrapper are watched; whether one is a window or modal is asked
// when it shows, since flags may still change after it is added.
void QWinWidget::childEvent(QChildEvent* event) {
    QObject* child = event->child();
    if (event->added() && child->isWidgetType())
        child->installEventFilter(this);
    else if (event->removed()) {
        child->removeEventFilter(this);
        enableHost();
    }
    QWidget::childEvent(event);
}

bool QWinWidget::eventFilter(QObject* watched, QEvent* event) {
    auto* child = qobject_cast<QWidget*>(watched);
    if (!child || child->parent() != this)
        return QWidget::eventFilter(watched, event);
    const bool deletesItself = child->testAttribute(Qt::WA_DeleteOnClose);
    switch (event->type()) {
    case QEvent::Show:
        if (child->isWindow()) {
            saveFocus();
            if (native_ && child->windowHandle())
                native_->parent(child->windowHandle(), false);
            hide();
            if (child->isModal() && !hostDisabled_) {
                if (native_)
                    native_->enable(false);
                hostDisabled_ = true;
            }
        }
        break;
    case QEvent::Hide:
        enableHost();
        resetFocus();
        if (deletesItself && qobject_cast<QDialog*>(child))
            deleteLater();
        break;
    case QEvent::Close:
        if (native_)
            native_->activate();
        if (deletesItself)
            deleteLater();
        break;
    case QEvent::WindowDeactivate:
        // Only when the activation leaves the plug-in: a dialog of its own opening over the
        // window is no reason to bring the host forward. The window goes back above the host,
        // as windows owned by it would; without a window manager nothing else keeps it there.
        if (child->isModal() && native_ && !QApplication::activeWindow()) {
            native_->raise();
            child->raise();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QWidget* QWinWidget::focusableChild(bool first) const {
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QWidget* found = nullptr;
    for (QWidget* child : children) {
        if (child->isWindow() || !(child->focusPolicy() & Qt::TabFocus) || !child->isEnabled())
            continue;
        found = child;
        if (first)
            break;
    }
    return found;
}

void QWinWidget::focusInEvent(QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
        if (QWidget* target = focusableChild(event->reason() == Qt::TabFocusReason)) {
            target->setFocus(event->reason());
            return;
        }
    }
    QWidget::focusInEvent(event);
}

bool QWinWidget::focusNextPrevChild(bool next) {
    QWidget* current = focusWidget();
    QWidget* edge = focusableChild(!next);
    if (current && current == edge) {
        if (native_)
            native_->setFocus(hostWindow_);
    } else {
        QWidget::focusNextPrevChild(next);
    }
    return true;
}

// The host gives the wrapper's native window the keyboard focus: pass it on into Qt as a tab
// from the side the user came from.
bool QWinWidget::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    constexpr uint8_t kXcbFocusIn = 9;
    if (eventType == "xcb_generic_event_t" && message &&
        (*static_cast<const uint8_t*>(message) & 0x7F) == kXcbFocusIn) {
        const bool shift = QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
        QFocusEvent focus(QEvent::FocusIn, shift ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        QApplication::sendEvent(this, &focus);
    }
    return QWidget::nativeEvent(eventType, message, result);
}
