#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

// The interface's own pictures, embedded in the library: spin box pieces, window and about
// marks, the dock bullet and the input-area tool icons. `name` is the picture's name without
// extension ("spinbox_line"); an unknown name gives a null result.
QImage embeddedImage(const QString& name);
// The same as a pixmap, cached after the first request (GUI thread only).
QPixmap embeddedPixmap(const QString& name);
// Path of an embedded file in the resource system (":/..."), e.g. the user manual.
QString embeddedPath(const QString& fileName);
