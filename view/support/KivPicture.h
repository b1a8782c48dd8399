#pragma once

#include <QPixmap>
#include <QString>

// A skin picture for the screen it is shown on: where the screen has more
// than one device pixel per point, the twice-as-large "name@2x.png" beside
// the picture is taken (drawn as large, not enlarged), else the picture.
class KivPicture {
public:
    static QPixmap Load(const QString& path);
    // The "@2x" sibling's path of `path`.
    static QString DoubleSizePath(const QString& path);
    // The size the picture covers on screen, in points.
    static QSize ShownSize(const QPixmap& picture);
};
