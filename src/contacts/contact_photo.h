#pragma once
// Contact photos: where a stored photo path points, how a chosen file is
// stored, and reading the picture.
//
// A stored path is absolute when it is an absolute path of this system;
// otherwise it is relative to the executable's folder (a leading separator
// and backslashes, as older address books wrote them, are accepted). A file
// chosen inside the executable's folder is stored relative to it, so the
// folder can be moved with its photos.

#include <QImage>
#include <QString>

#include "base/app_paths.h"  // resolvePhotoPath, storablePhotoPath

namespace ostrel {

// Reads a picture: JPEG through libjpeg, BMP, ICO and PNG through Qt's
// readers. A missing, damaged, oversized or foreign file gives a null image.
QImage loadPicture(const QString& path);

}  // namespace ostrel

class QLabel;

namespace ostrel {

// Shows a picture in a label scaled to fit (keeping its proportions) and
// centred; a null image clears the label.
void showPicture(QLabel* label, const QImage& image);

}  // namespace ostrel
