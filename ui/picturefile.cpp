#include "picturefile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

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

namespace {

// The layout of an uncompressed 24-bit bitmap: the file header (14 bytes) and the classic
// 40-byte information header. Every other layout (palettes, bit fields, compression,
// newer headers) is left to Qt's reader.
struct PlainBitmap {
    qint64 offset = 0;  // of the first stored row
    qint32 width = 0;
    qint64 rows = 0;
    bool bottomUp = true;
    qint64 stride = 0;  // bytes per stored row, padded to four
    qint32 dpmX = 0;
    qint32 dpmY = 0;
};

constexpr qsizetype kHeaders = 14 + 40;

std::optional<PlainBitmap> plainBitmapLayout(const char* h, qint64 fileSize)
{
    if (fileSize < kHeaders || h[0] != 'B' || h[1] != 'M')
        return std::nullopt;
    const quint32 offset = le32(h + 10);
    const quint32 infoSize = le32(h + 14);
    const qint32 width = static_cast<qint32>(le32(h + 18));
    const qint32 height = static_cast<qint32>(le32(h + 22));
    const quint16 planes = le16(h + 26);
    const quint16 bits = le16(h + 28);
    const quint32 compression = le32(h + 30);
    if (infoSize != 40 || planes != 1 || bits != 24 || compression != 0 || width <= 0 ||
        height == 0 || height == std::numeric_limits<qint32>::min() || width > 16384)
        return std::nullopt;
    PlainBitmap b;
    b.rows = height < 0 ? -qint64(height) : qint64(height);
    if (b.rows > 16384)
        return std::nullopt;
    b.offset = offset;
    b.width = width;
    b.bottomUp = height > 0;
    b.stride = (qint64(width) * 3 + 3) / 4 * 4;
    if (offset < kHeaders || offset + b.stride * b.rows > fileSize)
        return std::nullopt;
    b.dpmX = static_cast<qint32>(le32(h + 38));
    b.dpmY = static_cast<qint32>(le32(h + 42));
    return b;
}

// A plain bitmap reduced by a whole factor while its rows are read: each pixel is the mean
// of a factor x factor block (fewer at the right and bottom edges). Only one stored row
// and one row of sums are held, never the whole picture.
QImage readReducedBitmap(QIODevice& file, const PlainBitmap& b, int factor)
{
    const int outWidth = static_cast<int>((b.width + factor - 1) / factor);
    const int outHeight = static_cast<int>((b.rows + factor - 1) / factor);
    QImage image(outWidth, outHeight, QImage::Format_RGB32);
    if (image.isNull() || !file.seek(b.offset))
        return {};
    QByteArray row(b.stride, Qt::Uninitialized);
    std::vector<quint64> sums(static_cast<size_t>(outWidth) * 3);
    int rowsSummed = 0;
    const auto flush = [&](int y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < outWidth; ++x) {
            const int columns = std::min<int>(factor, b.width - x * factor);
            const quint64 count = static_cast<quint64>(columns) * static_cast<quint64>(rowsSummed);
            const quint64* s = &sums[static_cast<size_t>(x) * 3];
            out[x] = qRgb(static_cast<int>((s[0] + count / 2) / count),
                          static_cast<int>((s[1] + count / 2) / count),
                          static_cast<int>((s[2] + count / 2) / count));
        }
        std::fill(sums.begin(), sums.end(), 0);
        rowsSummed = 0;
    };
    for (qint64 r = 0; r < b.rows; ++r) {
        if (file.read(row.data(), b.stride) != b.stride)
            return {};
        const qint64 y = b.bottomUp ? b.rows - 1 - r : r;
        const auto* in = reinterpret_cast<const uchar*>(row.constData());
        quint64* s = sums.data();
        for (int x = 0; x < outWidth; ++x, s += 3) {
            const int columns = std::min<int>(factor, b.width - x * factor);
            quint32 red = 0, green = 0, blue = 0;
            for (int i = 0; i < columns; ++i, in += 3) {
                blue += in[0];
                green += in[1];
                red += in[2];
            }
            s[0] += red;
            s[1] += green;
            s[2] += blue;
        }
        ++rowsSummed;
        // The last stored row of a block: its rows are stored one after another.
        const bool blockEnds =
            b.bottomUp ? y % factor == 0 : (y + 1) % factor == 0 || y + 1 == b.rows;
        if (blockEnds)
            flush(static_cast<int>(y / factor));
    }
    return image;
}

// Scaled as QImage::scaled does, smoothly; a picture already at that size is kept as is.
QImage scaledTo(QImage image, const QSize& size, Qt::AspectRatioMode mode)
{
    if (image.isNull() || size.isEmpty())
        return image;
    const QSize target = image.size().scaled(size, mode).expandedTo(QSize(1, 1));
    if (target == image.size())
        return image;
    return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// What Qt's readers make of the file: by the reader the suffix names, without asking every
// image plugin first (the first such question loads them all), then by full detection.
// Formats that can decode at a smaller size (JPEG) are asked to.
QImage readWithQt(QFile& file, const QSize& size, Qt::AspectRatioMode mode)
{
    const QByteArray suffix = QFileInfo(file.fileName()).suffix().toLower().toLatin1();
    for (const bool detect : {false, true}) {
        if (!file.seek(0))
            return {};
        QImageReader reader(&file, detect ? QByteArray() : suffix);
        reader.setAutoDetectImageFormat(detect);
        if (!size.isEmpty() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
            const QSize full = reader.size();
            if (full.isValid()) {
                const QSize target = full.scaled(size, mode).expandedTo(QSize(1, 1));
                if (target.width() < full.width() || target.height() < full.height())
                    reader.setScaledSize(target);
            }
        }
        QImage image = reader.read();
        if (!image.isNull())
            return image;
    }
    return {};
}

}  // namespace

QImage readPlainBitmap(const QByteArray& file)
{
    const std::optional<PlainBitmap> b = plainBitmapLayout(file.constData(), file.size());
    if (!b)
        return {};
    QImage image(b->width, static_cast<int>(b->rows), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData() + b->offset);
    for (qint64 r = 0; r < b->rows; ++r) {
        const qint64 y = b->bottomUp ? b->rows - 1 - r : r;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        const uchar* in = bytes + r * b->stride;
        for (qint32 x = 0; x < b->width; ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
    image.setDotsPerMeterX(b->dpmX);  // 0 keeps the default
    image.setDotsPerMeterY(b->dpmY);
    return image;
}

QImage readPictureAt(const QString& path, const QSize& size, Qt::AspectRatioMode mode)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    char header[kHeaders] = {};
    const qint64 got = file.read(header, kHeaders);
    if (got == kHeaders && !size.isEmpty()) {
        if (const std::optional<PlainBitmap> b = plainBitmapLayout(header, file.size())) {
            const QSize full(b->width, static_cast<int>(b->rows));
            const QSize target = full.scaled(size, mode).expandedTo(QSize(1, 1));
            // A whole reduction that keeps twice the size drawn, so that the blocks cut
            // short at the edges weigh little; the rest of the way is smooth scaling of a
            // picture already small.
            const int factor = static_cast<int>(
                std::max<qint64>(1, std::min<qint64>(full.width() / (2 * target.width()),
                                                     full.height() / (2 * target.height()))));
            QImage reduced = readReducedBitmap(file, *b, factor);
            if (!reduced.isNull())
                return scaledTo(std::move(reduced), size, mode);
        }
    }
    return scaledTo(readWithQt(file, size, mode), size, mode);
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
