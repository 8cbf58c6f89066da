#include "touchdialog.h"

#include "blendedbutton.h"
#include "colors.h"
#include "realdisplay.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace kvp::ui {

namespace {
constexpr int kFrame = 2;
}

TouchDialog::TouchDialog(const QString& title, QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setWindowTitle(title);
    setAutoFillBackground(false);
    // White behind every child (scroll areas, tables), as on the screens.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(kFrame, kFrame, kFrame, kFrame);
    outer->setSpacing(0);

    m_title = new QLabel(title, this);
    m_title->setFont(bodyFont(this, 14, true));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setMinimumHeight(40);
    m_title->setStyleSheet(
        QStringLiteral("QLabel { background: %1; color: white; padding: 4px 12px; }")
            .arg(colorFromBgr(kAccentBgr).name()));
    outer->addWidget(m_title);

    auto* content = new QVBoxLayout;
    content->setContentsMargins(16, 14, 16, 14);
    content->setSpacing(12);
    m_body = new QVBoxLayout;
    m_body->setSpacing(10);
    content->addLayout(m_body, 1);
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->setSpacing(12);
    m_buttonRow->addStretch(1);
    content->addLayout(m_buttonRow);
    outer->addLayout(content, 1);
}

void TouchDialog::setTitle(const QString& title)
{
    m_title->setText(title);
    setWindowTitle(title);
}

QString TouchDialog::title() const
{
    return m_title->text();
}

QFont TouchDialog::bodyFont(const QWidget* base, int pointSize, bool bold)
{
    QFont f = base ? base->font() : QFont();
    f.setPointSize(pointSize);
    f.setBold(bold);
    return f;
}

BlendedButton* TouchDialog::addButton(const QString& caption, int result, bool primary)
{
    auto* b = new BlendedButton(caption, this);
    b->setColor(primary ? colorFromBgr(kAccentBgr) : QColor(90, 90, 90));
    b->setFont(bodyFont(this, 13, true));
    b->setMinimumSize(130, 52);
    m_buttonRow->addWidget(b);
    m_buttons.insert(caption, b);
    if (result >= 0)
        connect(b, &BlendedButton::clicked, this, [this, result] { done(result); });
    return b;
}

void TouchDialog::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(colorFromBgr(kAccentBgr), kFrame));
    p.drawRect(QRectF(rect()).adjusted(kFrame / 2.0, kFrame / 2.0, -kFrame / 2.0, -kFrame / 2.0));
}

void TouchDialog::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        if (m_enterResult >= 0)
            done(m_enterResult);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);  // Esc rejects
}

void TouchDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Borderless dialogs get no placement from a window manager: centre them ourselves,
    // over the screen that opened them, and never off the display.
    const QString notice = placeOnDisplay(this, parentWidget());
    if (!notice.isEmpty())
        noticeDisplay(notice);
}

}  // namespace kvp::ui
