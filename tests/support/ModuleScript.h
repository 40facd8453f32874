#pragma once

#include <functional>

#include <QStringList>

// Drives the windows the loaded module opens, as a user would: `step` runs on the module's GUI
// thread every 20 ms while its event loop runs, until it returns true. The module and the
// tests share one Qt, so the hook is set up whenever the module creates its application.
class ModuleScript {
public:
    static void set(std::function<bool()> step);
    // Clicks the main window's buttons labelled `labels` in turn, each once it is enabled;
    // counts in `windows` (when given) the windows that got the first click.
    static void pressInTurn(const QStringList& labels, int* windows = nullptr);
};
