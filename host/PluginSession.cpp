#include "host/PluginSession.h"

#include "host/PluginApplication.h"
#include "host/QWinWidget.h"
#include "ui/SessionRunner.h"

bool PluginSession::run(uintptr_t hostWindow, int width, int height, uint32_t* pixels) {
    const PluginApplication application;
    QWinWidget wrapper(hostWindow, nullptr, "sessionWrapper", Qt::Dialog);
    wrapper.showCentered();
    return SessionRunner::run(pixels, width, height, &wrapper);
}
