// The direct reader of plain 24-bit bitmaps (product pictures from the shop's folder).
// Whatever the bytes, it reads nothing outside them (the sanitizers see to that), and a
// picture it gives is the one Qt's own bitmap reader gives for the same file.

#include "fuzzcheck.h"
#include "picturefile.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

using namespace kvp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QImage ours = ui::readPlainBitmap(file);
    if (ours.isNull())
        return 0;
    QByteArray copy = file;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer, "bmp");
    const QImage qt = reader.read();
    if (qt.isNull())
        return 0;  // Qt refuses some files this reader takes; the screen then shows ours
    const QImage expected = qt.convertToFormat(QImage::Format_RGB32);
    fuzz::check(expected.size() == ours.size(), "the same size as Qt's reader",
                QStringLiteral("%1x%2").arg(ours.width()).arg(ours.height()),
                QStringLiteral("%1x%2").arg(expected.width()).arg(expected.height()));
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x)
            fuzz::check(ours.pixel(x, y) == expected.pixel(x, y), "the same pixels as Qt's reader",
                        QStringLiteral("(%1,%2) %3").arg(x).arg(y).arg(ours.pixel(x, y), 8, 16),
                        QString::number(expected.pixel(x, y), 16));
    return 0;
}
