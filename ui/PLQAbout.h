#pragma once

#include <QFrame>
#include <QUrl>

// The credit strip at the bottom left of the window. A press anywhere on it opens the
// user manual, a local HTML page shipped inside the library, in the system's browser.
class PLQAbout : public QFrame {
    Q_OBJECT

public:
    PLQAbout(QWidget* parent = nullptr, const char* name = nullptr);

    // Writes the manual out of the library into the user's cache folder (once per content)
    // and returns its address; empty when it cannot be written.
    static QUrl manualUrl();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void launchBrowser();
};
