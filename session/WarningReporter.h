#pragma once

#include <QString>

// Where the loader and other session code send texts for the user. The user interface shows
// each as a warning box captioned "Patchloom"; the command-line program prints them; tests
// collect them. A warning never stops the operation that reports it.
class WarningReporter {
public:
    virtual ~WarningReporter();
    // One warning, in the exact text to show (it may hold <br> line breaks).
    virtual void warning(const QString& text) = 0;
};
