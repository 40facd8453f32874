#pragma once

#include <memory>

class QApplication;

// The Qt application object of one selector call: created for the about box or a session and
// destroyed with it, so that every session builds its user interface anew. When the process
// already has one (a host that is itself a Qt program), that one is used and left alone.
class PluginApplication {
public:
    PluginApplication();
    ~PluginApplication();
    PluginApplication(const PluginApplication&) = delete;
    PluginApplication& operator=(const PluginApplication&) = delete;

private:
    std::unique_ptr<QApplication> own_;
};
