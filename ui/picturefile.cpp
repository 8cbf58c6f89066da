#include "picturefile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cstring>
#include <limits>
#include <utility>

namespace kvp::ui {

namespace {

quint32 le32(const char* p)
{
    quint32 v = 0;
    std::memcpy(&v, p, 4);
    return qFromLittleEndian(v);
}

quint16 le16(const char* p)
{
    quint16 v = 0;
    std::memcpy(&v, p, 2);
    return qFromLittleEndian(v);
}

}  // namespace

QImage readPlainBitmap(const QByteArray& file)
{
    // File header (14 bytes) and the classic 40-byte information header; every other
    // layout (palettes, bit fields, compression, newer headers) is left to Qt's reader.
    constexpr qsizetype kHeaders = 14 + 40;
    if (file.size() < kHeaders || !file.startsWith("BM"))
        return {};
    const char* h = file.constData();
    const quint32 offset = le32(h + 10);
    const quint32 infoSize = le32(h + 14);
    const qint32 width = static_cast<qint32>(le32(h + 18));
    const qint32 height = static_cast<qint32>(le32(h + 22));
    const quint16 planes = le16(h + 26);
    const quint16 bits = le16(h + 28);
    const quint32 compression = le32(h + 30);
    if (infoSize != 40 || planes != 1 || bits != 24 || compression != 0 || width <= 0 ||
        height == 0 || height == std::numeric_limits<qint32>::min() || width > 16384)
        return {};
    const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
    if (rows > 16384)
        return {};
    const qint64 stride = (qint64(width) * 3 + 3) / 4 * 4;
    if (offset < kHeaders || offset + stride * rows > file.size())
        return {};
    QImage image(width, static_cast<int>(rows), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(h + offset);
    for (qint64 r = 0; r < rows; ++r) {
        // Rows are stored bottom-up unless the height is negative.
        const qint64 y = height > 0 ? rows - 1 - r : r;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        const uchar* in = bytes + r * stride;
        for (qint32 x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
    image.setDotsPerMeterX(static_cast<qint32>(le32(h + 38)));  // 0 keeps the default
    image.setDotsPerMeterY(static_cast<qint32>(le32(h + 42)));
    return image;
}

QPixmap readPictureFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024 * 1024)
        return QPixmap(path);  // Qt's own reading tells what can be made of it
    const QByteArray bytes = file.readAll();
    const QImage plain = readPlainBitmap(bytes);
    if (!plain.isNull())
        return QPixmap::fromImage(plain);
    // The bytes already read, by the reader the suffix names, without asking every image
    // plugin first (the first such question loads them all); what that reader cannot read
    // gets full detection.
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer, QFileInfo(path).suffix().toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull())
        image = QImage::fromData(bytes);
    return QPixmap::fromImage(std::move(image));
}

}  // namespace kvp::ui
