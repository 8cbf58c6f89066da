#include "warmup.h"

#include "blendedbutton.h"
#include "formview.h"

#include "regrasarquivos.h"
#include "regrasbandeja.h"
#include "tfrmpromocaocombinada.h"
#include "tfrmpromocombadd.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTimer>

namespace kvp::ui {

namespace {

// The layouts alone, as designed: no screen state, no data.
struct MainLayout : combinada::TfrmPromocaoCombinadaLayout {};
struct AddLayout : add::TfrmPromoCombAddLayout {};

bool g_warmedUp = false;
bool g_screenBuilt = false;

void addFont(QList<QFont>& fonts, QSet<QString>& keys, const QFont& font)
{
    if (!keys.contains(font.key())) {
        keys.insert(font.key());
        fonts.append(font);
    }
}

}  // namespace

QList<QFont> screenFonts()
{
    QList<QFont> fonts;
    QSet<QString> keys;
    const MainLayout main;
    const AddLayout added;
    for (const screen::Form* form :
         {static_cast<const screen::Form*>(&main), static_cast<const screen::Form*>(&added)}) {
        for (const screen::Control* c : form->controls()) {
            const QFont font = qfont(c->font);
            addFont(fonts, keys, font);
            // A button's long caption (a group's name) is drawn in a smaller size.
            if (c->kind != screen::ControlKind::Button)
                continue;
            QFont smaller = font;
            for (int px = smaller.pixelSize() - 1; px >= BlendedButton::kSmallestFittedPixelSize; --px) {
                smaller.setPixelSize(px);
                addFont(fonts, keys, smaller);
            }
        }
    }
    for (const combinada::detail::MedidasBandeja& m :
         {combinada::TfrmPromocaoCombinada::kBandeja, add::TfrmPromoCombAdd::kBandeja}) {
        const combinada::detail::FontesBandeja tray = combinada::detail::fontesBandeja(m);
        for (const screen::Font& f : {tray.codigo, tray.nome, tray.obs, tray.preco})
            addFont(fonts, keys, qfont(f));
    }
    return fonts;
}

bool warmUp()
{
    if (g_warmedUp)
        return false;
    g_warmedUp = true;
    // Drawing, not only measuring: the engine, its shaping and the glyph cache the
    // widgets paint from are all made here.
    QImage scratch(64, 32, QImage::Format_ARGB32_Premultiplied);
    scratch.fill(Qt::transparent);
    QPainter painter(&scratch);
    for (const QFont& font : screenFonts()) {
        painter.setFont(font);
        painter.drawText(QPointF(0, 24), QStringLiteral("R$ 0123456789,"));
    }
    combinada::detail::preparaFigurasDaPasta();
    return true;
}

bool warmedUp()
{
    return g_warmedUp;
}

void warmUpWhenIdle()
{
    QTimer::singleShot(0, [] {
        if (!g_screenBuilt)
            warmUp();
    });
}

void noteScreenBuilt()
{
    g_screenBuilt = true;
}

}  // namespace kvp::ui
