#pragma once

#include <QtGlobal>

// While it lives, the image readers' own complaints stay off the terminal: the toolkit's
// messages and whatever its libraries write straight to stderr ("libpng error: Read Error").
// The loader's warnings say the same more plainly, so the caller collects them and prints them
// afterwards. For the command-line program only: it redirects the whole process's stderr.
class QuietReaders {
public:
    QuietReaders();
    ~QuietReaders();
    QuietReaders(const QuietReaders&) = delete;
    QuietReaders& operator=(const QuietReaders&) = delete;

private:
    QtMessageHandler previousHandler_;
    int savedStderr_ = -1;
};
