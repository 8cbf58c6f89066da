#pragma once

// Control records of a headless screen: what a view needs to draw a control and what the
// screen's behaviour reads and writes on it. Plain data; the view never decides anything.

#include <QString>
#include <QtGlobal>

namespace kvp::screen {

// 24-bit colours as the layouts give them: blue in the high byte, red in the low byte
// (0x00BBGGRR). A view converts with red = c & 0xFF, green = (c >> 8) & 0xFF,
// blue = (c >> 16) & 0xFF.
using Color = quint32;
inline constexpr Color clBlack = 0x000000;
inline constexpr Color clWhite = 0xFFFFFF;
inline constexpr Color clRed = 0x0000FF;
inline constexpr Color clGray = 0x808080;

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

struct Font {
    QString family = QStringLiteral("Arial");
    int pointSize = 8;
    bool bold = false;
    Color color = clBlack;

    friend bool operator==(const Font&, const Font&) = default;
};

enum class ControlKind {
    Panel,      // plain container
    Label,      // text
    Button,     // touch button with caption, colour and a pressed (down) state
    Picture,    // picture from a file, touchable
    ScrollBox,  // container whose children move when it scrolls
    RichText,   // read-only rich text (caption holds the document)
};

enum class Alignment { Left, Center, Right };

struct Control {
    QString name;
    ControlKind kind = ControlKind::Label;
    // Name of the containing control; empty for the screen itself. Bounds are relative
    // to the parent's client area.
    QString parent;
    Bounds bounds;

    QString caption;
    QString hint;
    Font font;
    Color color = clWhite;  // background, or the brush of a button
    Alignment alignment = Alignment::Left;
    bool wordWrap = false;
    bool autoSize = false;
    bool transparent = true;  // labels draw no background
    int cornerRadius = 0;     // rounded buttons and pictures
    bool stretch = false;     // picture scaled to the bounds

    bool visible = true;
    bool enabled = true;
    bool down = false;  // pressed state of a touch button

    QString picture;      // file path of the picture shown; empty = none
    QString productCode;  // product a grid picture shows
    QString groupCode;    // group a menu button holds
    int slot = 0;         // slot number of a menu button or a grid picture
    int tag = 0;          // link to an item line (tray entries)
};

}  // namespace kvp::screen
