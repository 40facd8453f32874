#include "host/PluginApplication.h"

#include <QApplication>

namespace {
// Qt keeps references to both for the application's lifetime.
int argumentCount = 0;
char programName[] = "app.exe";
char* arguments[] = {programName, nullptr};
} // namespace

PluginApplication::PluginApplication() {
    if (!QApplication::instance()) {
        argumentCount = 0;
        own_ = std::make_unique<QApplication>(argumentCount, arguments);
    }
}

PluginApplication::~PluginApplication() = default;
