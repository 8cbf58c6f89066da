// Product pictures read directly from plain bitmaps must come out exactly as Qt's own
// reader makes them; every other file is left to that reader.

#include "picturefile.h"
#include "qtapp.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

using kvp::ui::readPictureAt;
using kvp::ui::readPictureFile;
using kvp::ui::readPlainBitmap;

namespace {

QImage noise(int w, int h, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(random.bounded(256), random.bounded(256), random.bounded(256)));
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

QImage qtRead(const QByteArray& bytes)
{
    return QImage::fromData(bytes, "BMP");
}

void put32(QByteArray& bytes, int at, qint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

class PictureFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() { kvp::test::qtApp(); }

    // Writes bytes to a file of the test's folder and gives its path.
    QString file(const char* name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(PictureFile, PlainBitmapsReadAsQtReadsThem)
{
    // Odd widths have padded rows; the shops' pictures are 174 x 106.
    for (const QSize size : {QSize(1, 1), QSize(3, 2), QSize(5, 7), QSize(174, 106)}) {
        const QByteArray bmp = encoded(noise(size.width(), size.height(), size.width()), "BMP");
        const QImage direct = readPlainBitmap(bmp);
        ASSERT_FALSE(direct.isNull()) << size.width();
        EXPECT_EQ(direct, qtRead(bmp)) << size.width();
        EXPECT_EQ(direct.format(), qtRead(bmp).format());
        EXPECT_EQ(direct.dotsPerMeterX(), qtRead(bmp).dotsPerMeterX());
    }

    // Stored top-down: a negative height, the rows in reading order.
    const QImage picture = noise(6, 4, 7);
    QByteArray topDown = encoded(picture, "BMP");
    put32(topDown, 22, -4);
    const int stride = 20, offset = 54;
    for (int r = 0; r < 2; ++r) {
        const QByteArray a = topDown.mid(offset + r * stride, stride);
        topDown.replace(offset + r * stride, stride, topDown.mid(offset + (3 - r) * stride, stride));
        topDown.replace(offset + (3 - r) * stride, stride, a);
    }
    EXPECT_EQ(readPlainBitmap(topDown), picture);
    EXPECT_EQ(readPlainBitmap(topDown), qtRead(topDown));
}

TEST_F(PictureFile, AnythingElseIsLeftToQtsReaders)
{
    const QImage picture = noise(9, 5, 3);
    const QByteArray bmp = encoded(picture, "BMP");
    EXPECT_TRUE(readPlainBitmap(bmp.left(bmp.size() - 1)).isNull()) << "truncated";
    EXPECT_TRUE(readPlainBitmap(encoded(picture.convertToFormat(QImage::Format_Indexed8), "BMP")).isNull());
    EXPECT_TRUE(readPlainBitmap(encoded(picture, "PNG")).isNull());
    QByteArray huge = bmp;
    put32(huge, 18, 0x7fffffff);
    EXPECT_TRUE(readPlainBitmap(huge).isNull());
    QByteArray early = bmp;
    put32(early, 10, 20);  // pixels said to start inside the headers
    EXPECT_TRUE(readPlainBitmap(early).isNull());

    ASSERT_TRUE(dir.isValid());
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    EXPECT_EQ(readPictureFile(file("indexado.bmp", encoded(indexed, "BMP"))).toImage(),
              QPixmap::fromImage(qtRead(encoded(indexed, "BMP"))).toImage());
    EXPECT_EQ(readPictureFile(file("png.bmp", encoded(picture, "PNG"))).toImage(),
              QPixmap::fromImage(picture).toImage());
    EXPECT_EQ(readPictureFile(file("plano.bmp", bmp)).toImage(), QPixmap::fromImage(picture).toImage());
    EXPECT_TRUE(readPictureFile(file("vazio.bmp", QByteArray())).isNull());
    EXPECT_TRUE(readPictureFile(dir.filePath(QStringLiteral("nenhum.bmp"))).isNull());
}

namespace {

// The mean difference of a channel between two pictures of the same size.
double meanDifference(const QImage& a, const QImage& b)
{
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return double(sum) / (3.0 * a.width() * a.height());
}

}  // namespace

TEST_F(PictureFile, APictureIsReadAtTheSizeItIsDrawn)
{
    // Smooth colour changes with sharp edges, the way a photograph of a dish has them.
    QImage picture(1000, 700, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 255 / 999, y * 255 / 699, (x / 100 + y / 100) % 2 ? 200 : 40));
    ASSERT_TRUE(dir.isValid());
    QByteArray topDown = encoded(picture.mirrored(), "BMP");
    put32(topDown, 22, -700);
    const QString paths[] = {file("foto.bmp", encoded(picture, "BMP")), file("topo.bmp", topDown),
                             file("foto.png", encoded(picture, "PNG"))};
    const struct {
        QSize size;
        Qt::AspectRatioMode mode;
        QSize read;
    } cases[] = {
        {{87, 53}, Qt::IgnoreAspectRatio, {87, 53}},    // a whole reduction of 11, then smooth
        {{500, 350}, Qt::IgnoreAspectRatio, {500, 350}}, // exactly half
        {{87, 53}, Qt::KeepAspectRatio, {75, 53}},
        {{65, 71}, Qt::KeepAspectRatio, {65, 45}},
        {{10, 7}, Qt::IgnoreAspectRatio, {10, 7}},
    };
    for (const auto& c : cases) {
        const QImage expected = picture.scaled(c.size, c.mode, Qt::SmoothTransformation);
        for (const QString& path : paths) {
            const QImage read = readPictureAt(path, c.size, c.mode);
            ASSERT_EQ(read.size(), c.read) << path.toStdString() << " " << c.size.width();
            EXPECT_LE(meanDifference(read.convertToFormat(QImage::Format_RGB32), expected), 2.0)
                << path.toStdString() << " at " << c.size.width() << " x " << c.size.height();
        }
    }
    // At its own size a plain bitmap reads exactly as Qt's reader reads it; a picture
    // smaller than its control is enlarged as Qt enlarges it.
    EXPECT_EQ(readPictureAt(paths[0], picture.size(), Qt::IgnoreAspectRatio), picture);
    const QImage small = noise(9, 5, 3);
    const QString smallPath = file("pequena.bmp", encoded(small, "BMP"));
    EXPECT_EQ(readPictureAt(smallPath, QSize(18, 10), Qt::IgnoreAspectRatio),
              small.scaled(18, 10, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    // What cannot be read is a null picture, as before.
    EXPECT_TRUE(readPictureAt(dir.filePath(QStringLiteral("nenhuma.bmp")), QSize(87, 53),
                              Qt::IgnoreAspectRatio)
                    .isNull());
}
