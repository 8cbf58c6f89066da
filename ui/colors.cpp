#include "colors.h"

namespace kvp::ui {

QColor colorFromBgr(int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int bgrFromColor(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QColor lockedColor(const QColor& color)
{
    const QColor grey(190, 190, 190);
    const auto mix = [](int a, int b) { return (a * 35 + b * 65) / 100; };
    return QColor(mix(color.red(), grey.red()), mix(color.green(), grey.green()),
                  mix(color.blue(), grey.blue()), color.alpha());
}

}  // namespace kvp::ui
