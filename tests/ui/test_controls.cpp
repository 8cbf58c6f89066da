#include "blendedbutton.h"
#include "blendedpaint.h"
#include "blendedshape.h"
#include "colors.h"
#include "qtapp.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTest>

using namespace kvp::ui;

namespace {

class Controls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { kvp::test::qtApp(); }

    // What the widget paints over a transparent background.
    static QImage paintOf(QWidget& w)
    {
        QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
};

}  // namespace

TEST_F(Controls, ColoursComeInBlueGreenRedOrder)
{
    EXPECT_EQ(colorFromBgr(kAccentBgr), QColor(204, 91, 44));
    EXPECT_EQ(colorFromBgr(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(bgrFromColor(QColor(204, 91, 44)), kAccentBgr);
}

TEST_F(Controls, ATouchReachesTheHandlerOnPressNotRelease)
{
    QWidget window;
    auto* button = new BlendedButton(QStringLiteral("Bebidas"), &window);
    button->setGeometry(10, 10, 134, 42);
    window.show();
    int presses = 0;
    QObject::connect(button, &BlendedButton::clicked, [&] { ++presses; });

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(presses, 1) << "the handler must run before the finger lifts";
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(presses, 1);
    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(60, 20));
    EXPECT_EQ(presses, 1);

    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(presses, 1) << "a locked button ignores touches";

    // A handler may throw the button away (the tray removes its own entries).
    auto* entry = new BlendedBitBtn(QPixmap(), QString(), &window);
    entry->setGeometry(10, 60, 65, 71);
    entry->show();
    QPointer<BlendedBitBtn> watch(entry);
    QObject::connect(entry, &BlendedButton::clicked, entry, &QObject::deleteLater);
    QTest::mouseClick(entry, Qt::LeftButton, {}, QPoint(30, 30));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

TEST_F(Controls, ButtonsAreRoundedAndShowDownAndLockedStates)
{
    BlendedButton button(QStringLiteral("Lanches"));
    button.resize(134, 42);
    button.setCornerCurvature(20);
    const QImage normal = paintOf(button);
    EXPECT_EQ(normal.pixelColor(0, 0).alpha(), 0) << "corners are rounded off";
    EXPECT_EQ(normal.pixelColor(4, 21), colorFromBgr(kAccentBgr));
    // The caption is drawn in white in the middle.
    bool white = false;
    for (int x = 30; x < 104 && !white; ++x)
        for (int y = 12; y < 30 && !white; ++y)
            white = normal.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_TRUE(white);

    button.SetDown(true);
    EXPECT_TRUE(button.isDown());
    const QColor down = paintOf(button).pixelColor(4, 21);
    EXPECT_LT(down.lightness(), colorFromBgr(kAccentBgr).lightness());
    button.SetDown(false);

    button.setEnabled(false);
    const QImage locked = paintOf(button);
    EXPECT_EQ(locked.pixelColor(4, 21), lockedColor(colorFromBgr(kAccentBgr)));
    EXPECT_NE(locked.pixelColor(4, 21), normal.pixelColor(4, 21));
    // The padlock sits in the top right corner.
    int dark = 0;
    for (int x = 100; x < 134; ++x)
        for (int y = 0; y < 21; ++y)
            dark += locked.pixelColor(x, y).lightness() < 100 ? 1 : 0;
    EXPECT_GT(dark, 10);
}

TEST_F(Controls, ShapesBlendAndPicturesFillTheirButton)
{
    BlendedShape shape;
    shape.resize(100, 60);
    shape.setFillColor(QColor(255, 128, 0));
    shape.setOpacity(128);
    shape.setCornerCurvature(30);
    const QImage img = paintOf(shape);
    EXPECT_NEAR(img.pixelColor(50, 30).alpha(), 128, 2);
    EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0);

    QPixmap red(10, 10);
    red.fill(Qt::red);
    BlendedBitBtn tray(red, QString());
    tray.setLayout(BlendedBitBtn::Layout::PictureOnly);
    tray.setCornerCurvature(20);
    tray.setOutline(Qt::black, 1);
    tray.resize(65, 71);
    const QImage t = paintOf(tray);
    EXPECT_EQ(t.pixelColor(32, 35), QColor(Qt::red));
    EXPECT_EQ(t.pixelColor(0, 0).alpha(), 0);
}

TEST_F(Controls, APictureIsMadeWhenFirstDrawnAndOnlyOnce)
{
    int made = 0;
    const auto green = [&made] {
        ++made;
        QPixmap pm(10, 10);
        pm.fill(Qt::green);
        return pm;
    };
    BlendedBitBtn tray;
    tray.setLayout(BlendedBitBtn::Layout::PictureOnly);
    tray.resize(65, 71);
    tray.setPictureSource(green);
    tray.setPictureSource(green);  // replaced before it was ever drawn
    EXPECT_EQ(made, 0);
    EXPECT_EQ(paintOf(tray).pixelColor(32, 35), QColor(Qt::green));
    paintOf(tray);
    EXPECT_EQ(made, 1);

    // A picture set directly drops one still waiting to be made.
    tray.setPictureSource(green);
    QPixmap red(10, 10);
    red.fill(Qt::red);
    tray.setPicture(red);
    EXPECT_EQ(paintOf(tray).pixelColor(32, 35), QColor(Qt::red));
    EXPECT_EQ(made, 1);
}

TEST_F(Controls, APictureDrawnInBandsHasTheWholeDrawsPixels)
{
    // A picture with detail in every row and column, so a band drawn twice, left out or
    // shifted by a row shows.
    QImage source(174, 106, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * 7 + y * 53) % 256, (x ^ y) * 3 % 256));
    const QPixmap picture = QPixmap::fromImage(source);

    struct Case {
        QRectF target;
        qreal opacity;
        QPointF translation;
    };
    const Case cases[] = {
        {QRectF(0, 0, 65, 71), 1.0, {}},              // the tray's entry, squeezed
        {QRectF(2.5, 3.25, 87.5, 53.4), 0.45, {}},   // a locked button's, between pixels
        {QRectF(0, 0, 300, 230), 1.0, {}},            // enlarged
        {QRectF(4, 6, 120, 97), 0.7, {10.5, 7}},      // a translated painter
    };
    for (const Case& c : cases) {
        const auto draw = [&](int bandRows) {
            QImage out(320, 250, QImage::Format_ARGB32_Premultiplied);
            out.fill(QColor(30, 60, 90, 200));
            QPainter p(&out);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.translate(c.translation);
            p.setClipPath(detail::roundedPath(c.target, 20, 1));
            p.setOpacity(c.opacity);
            detail::drawPicture(p, c.target, picture, bandRows);
            return out;
        };
        const QImage whole = draw(0);
        EXPECT_NE(whole.pixel(int(c.target.center().x() + c.translation.x()), int(c.target.center().y() + c.translation.y())),
                  QColor(30, 60, 90, 200).rgba())
            << "the picture must be drawn";
        for (const int rows : {1, 7, detail::kPictureBandRows})
            EXPECT_EQ(draw(rows), whole) << "target " << c.target.width() << "x" << c.target.height() << ", bands of " << rows;
    }
}
