#include "keypadbuffer.h"

namespace kvp::ui {

KeypadBuffer::KeypadBuffer(const QString& initial, int maxLength, bool allowComma)
    : m_text(initial.trimmed()), m_max(maxLength < 0 ? 0 : maxLength), m_allowComma(allowComma)
{
    m_text.replace(QLatin1Char('.'), QLatin1Char(','));
    if (m_max > 0 && m_text.size() > m_max)
        m_text.truncate(m_max);
    m_fresh = !m_text.isEmpty();
}

void KeypadBuffer::takeOverInitial()
{
    if (m_fresh)
        m_text.clear();
    m_fresh = false;
}

void KeypadBuffer::digit(int d)
{
    if (d < 0 || d > 9)
        return;
    takeOverInitial();
    // A lone leading zero is replaced, so "0" then "5" reads 5, not 05.
    if (m_text == QLatin1String("0")) {
        m_text = QString::number(d);
        return;
    }
    if (full())
        return;
    m_text += QChar(u'0' + d);
}

void KeypadBuffer::comma()
{
    if (!m_allowComma)
        return;
    takeOverInitial();
    if (m_text.contains(QLatin1Char(',')))
        return;
    if (m_text.isEmpty()) {
        if (m_max > 0 && m_max < 2)
            return;
        m_text = QStringLiteral("0,");
        return;
    }
    if (full())
        return;
    m_text += QLatin1Char(',');
}

void KeypadBuffer::backspace()
{
    m_fresh = false;
    m_text.chop(1);
}

void KeypadBuffer::clear()
{
    m_fresh = false;
    m_text.clear();
}

bool KeypadBuffer::type(QChar c)
{
    if (c >= u'0' && c <= u'9') {
        digit(c.unicode() - u'0');
        return true;
    }
    if (c == u',' || c == u'.') {
        comma();
        return true;
    }
    return false;
}

QString KeypadBuffer::result() const
{
    QString out = m_text;
    if (out.endsWith(QLatin1Char(',')))
        out.chop(1);
    return out;
}

}  // namespace kvp::ui
