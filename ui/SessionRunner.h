#pragma once

#include <cstdint>

#include <QRect>
#include <QSize>
#include <QStringList>

class QWidget;

// Runs one filter session: the window over the host's pixels, modal, until the user applies
// or cancels. The plug-in's entry point and `patchloom edit` both call it.
class SessionRunner {
public:
    // Opens the window over width x height 32-bit ARGB pixels (not copied; they receive the
    // output, and must outlive the call) and returns whether the user applied. Creates the
    // application object when there is none (and destroys it again), installs the window's
    // style, and loads `inputs` as input images once the window shows. `parent` (may be
    // null) is the host window the dialog belongs to. Smaller than 2 x 2 opens nothing and
    // returns false; so does a session that cannot be built, after telling the user.
    static bool run(uint32_t* pixels, int width, int height, QWidget* parent = nullptr,
                    const QStringList& inputs = {});

    // Where the window goes for an image of `image` pixels on a screen whose free area is
    // `available`: the image plus room for the panels, at least 750 x 550, within the free
    // area less 10 pixels on the left, top and right and 40 at the bottom, centred there.
    static QRect windowGeometry(QSize image, const QRect& available);
};
