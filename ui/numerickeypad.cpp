#include "numerickeypad.h"

#include "blendedbutton.h"
#include "colors.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace kvp::ui {

namespace {
const QColor kKeyColor(64, 64, 64);   // digit keys
const QColor kEditColor(90, 90, 90);  // keys that edit or leave
constexpr int kKeySize = 64;
}  // namespace

NumericKeypad::NumericKeypad(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    m_display = new QLabel(this);
    m_display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_display->setMinimumHeight(56);
    QFont df = m_display->font();
    df.setPointSize(22);
    df.setBold(true);
    m_display->setFont(df);
    m_display->setStyleSheet(
        QStringLiteral("QLabel { background: white; color: black; border: 2px solid %1;"
                       " border-radius: 6px; padding: 4px 10px; }")
            .arg(colorFromBgr(kAccentBgr).name()));
    column->addWidget(m_display);

    auto* grid = new QGridLayout;
    grid->setSpacing(8);
    const char* rows[4][3] = {
        {"7", "8", "9"}, {"4", "5", "6"}, {"1", "2", "3"}, {",", "0", nullptr}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            if (rows[r][c])
                grid->addWidget(makeKey(QString::fromLatin1(rows[r][c]), kKeyColor), r, c);
    grid->addWidget(makeKey(backspaceCaption(), kEditColor), 3, 2);
    column->addLayout(grid);

    auto* actions = new QGridLayout;
    actions->setSpacing(8);
    actions->addWidget(makeKey(QStringLiteral("Limpar"), kEditColor), 0, 0);
    actions->addWidget(makeKey(QStringLiteral("Cancelar"), kEditColor), 0, 1);
    actions->addWidget(makeKey(QStringLiteral("OK"), colorFromBgr(kAccentBgr)), 0, 2);
    column->addLayout(actions);

    for (int d = 0; d <= 9; ++d)
        connect(key(QString::number(d)), &BlendedButton::clicked, this, [this, d] {
            m_buffer.digit(d);
            refresh();
        });
    connect(key(QStringLiteral(",")), &BlendedButton::clicked, this, [this] {
        m_buffer.comma();
        refresh();
    });
    connect(key(backspaceCaption()), &BlendedButton::clicked, this, [this] {
        m_buffer.backspace();
        refresh();
    });
    connect(key(QStringLiteral("Limpar")), &BlendedButton::clicked, this, [this] {
        m_buffer.clear();
        refresh();
    });
    connect(key(QStringLiteral("Cancelar")), &BlendedButton::clicked, this,
            &NumericKeypad::cancelled);
    connect(key(QStringLiteral("OK")), &BlendedButton::clicked, this, &NumericKeypad::confirmed);
    refresh();
}

BlendedButton* NumericKeypad::makeKey(const QString& caption, const QColor& color)
{
    auto* b = new BlendedButton(caption, this);
    b->setColor(color);
    b->setMinimumSize(kKeySize, kKeySize);
    QFont f = b->font();
    f.setPointSize(caption.size() == 1 ? 20 : 13);
    b->setFont(f);
    m_keys.insert(caption, b);
    return b;
}

void NumericKeypad::start(const QString& initial, int maxLength, bool allowComma, bool masked)
{
    m_buffer = KeypadBuffer(initial, maxLength, allowComma);
    m_masked = masked;
    key(QStringLiteral(","))->setVisible(allowComma);
    refresh();
}

QString NumericKeypad::displayText() const
{
    if (m_masked)
        return QString(m_buffer.text().size(), QChar(0x2022));
    return m_buffer.text();
}

void NumericKeypad::refresh()
{
    m_display->setText(displayText());
    Q_EMIT textChanged(m_buffer.text());
}

bool NumericKeypad::handleKey(int k, const QString& text)
{
    switch (k) {
        case Qt::Key_Backspace:
            m_buffer.backspace();
            break;
        case Qt::Key_Delete:
            m_buffer.clear();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Q_EMIT confirmed();
            return true;
        case Qt::Key_Escape:
            Q_EMIT cancelled();
            return true;
        default:
            if (text.size() != 1 || !m_buffer.type(text.at(0)))
                return false;
    }
    refresh();
    return true;
}

void NumericKeypad::keyPressEvent(QKeyEvent* event)
{
    if (handleKey(event->key(), event->text()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

}  // namespace kvp::ui
