#include "ui/Beep.h"

#include <utility>

#include <QApplication>

namespace {
std::function<void()>& handlerSlot() {
    static std::function<void()> handler;
    return handler;
}
}  // namespace

void uiBeep() {
    if (handlerSlot())
        handlerSlot()();
    else
        QApplication::beep();
}

std::function<void()> setBeepHandler(std::function<void()> handler) {
    return std::exchange(handlerSlot(), std::move(handler));
}
