#pragma once

// Reading the pictures of products and screens from their files. Shops keep them as
// uncompressed 24-bit Windows bitmaps; those are read directly, anything else by Qt's
// image readers.

#include <QImage>
#include <QPixmap>
#include <QString>

namespace kvp::ui {

// The picture in the file; a null pixmap when it cannot be read.
QPixmap readPictureFile(const QString& path);

// The picture in the file at the size it is drawn: scaled to size as QImage::scaled does
// in the mode, smoothly. A plain bitmap is reduced while its rows are read and JPEG is
// decoded reduced, so a camera-sized picture is never held whole; other formats are
// decoded whole, then reduced. A null image when the file cannot be read.
QImage readPictureAt(const QString& path, const QSize& size, Qt::AspectRatioMode mode);

// The picture of an uncompressed 24-bit bitmap file's bytes, exactly as Qt's reader makes
// it; a null image for any other kind of file (which then needs that reader).
QImage readPlainBitmap(const QByteArray& file);

}  // namespace kvp::ui
