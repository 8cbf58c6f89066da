#include "qtdialogs.h"

#include "blendedbutton.h"
#include "colors.h"
#include "numerickeypad.h"
#include "observationdialog.h"
#include "searchdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace kvp::refhost {

namespace {

// A round badge with "?", "i" or "!" that tells the kinds of message apart at a glance.
QPixmap kindBadge(MessageKind kind, const QFont& base)
{
    const int side = 48;
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QColor colour;
    QString mark;
    switch (kind) {
        case MessageKind::Question:
            colour = ui::colorFromBgr(ui::kAccentBgr);
            mark = QStringLiteral("?");
            break;
        case MessageKind::Information:
            colour = QColor(40, 110, 200);
            mark = QStringLiteral("i");
            break;
        case MessageKind::Warning:
            colour = QColor(200, 40, 40);
            mark = QStringLiteral("!");
            break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    QFont f = base;
    f.setPixelSize(30);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, side, side), Qt::AlignCenter, mark);
    return pm;
}

}  // namespace

// --- MessageDialog ---

MessageDialog::MessageDialog(const MessageRequest& request, QWidget* parent)
    : ui::TouchDialog(titleFor(request.kind), parent)
{
    setMinimumWidth(480);
    setMaximumWidth(760);
    auto* row = new QHBoxLayout;
    row->setSpacing(14);
    auto* badge = new QLabel(this);
    badge->setPixmap(kindBadge(request.kind, font()));
    badge->setAlignment(Qt::AlignTop);
    row->addWidget(badge, 0, Qt::AlignTop);
    // The module breaks lines with a carriage return alone, as the shops' message boxes
    // read it; a label breaks only on line feeds.
    QString shown = request.text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_text = new QLabel(shown, this);
    m_text->setTextFormat(Qt::PlainText);  // texts come from data; never interpret markup
    m_text->setWordWrap(true);
    m_text->setFont(bodyFont(this, 14));
    m_text->setMinimumHeight(60);
    // Short messages stay on one line; long ones wrap at a readable width.
    m_text->setMinimumWidth(
        std::min(QFontMetrics(m_text->font()).horizontalAdvance(shown) + 8, 600));
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    row->addWidget(m_text, 1);
    body()->addLayout(row);

    if (request.kind == MessageKind::Question) {
        addButton(QStringLiteral("Sim"), 1, true);
        addButton(QStringLiteral("Não"), 0, false);
    } else {
        addButton(QStringLiteral("OK"), 1, true);
        setEnterResult(1);
    }
}

QString MessageDialog::titleFor(MessageKind kind)
{
    switch (kind) {
        case MessageKind::Question:
            return QStringLiteral("Confirmação");
        case MessageKind::Information:
            return QStringLiteral("Informação");
        case MessageKind::Warning:
            break;
    }
    return QStringLiteral("Atenção");
}

QString MessageDialog::text() const
{
    return m_text->text();
}

// --- KeypadDialog ---

KeypadDialog::KeypadDialog(const KeypadRequest& request, QWidget* parent)
    : ui::TouchDialog(request.title.isEmpty() ? QStringLiteral("Teclado numérico") : request.title,
                      parent)
{
    setFixedWidth(360);
    if (!request.prompt.isEmpty()) {
        auto* prompt = new QLabel(request.prompt, this);
        prompt->setTextFormat(Qt::PlainText);
        prompt->setWordWrap(true);
        prompt->setFont(bodyFont(this, 13, true));
        body()->addWidget(prompt);
    }
    if (!request.hint.isEmpty()) {
        auto* hint = new QLabel(request.hint, this);
        hint->setTextFormat(Qt::PlainText);
        hint->setWordWrap(true);
        hint->setFont(bodyFont(this, 11));
        body()->addWidget(hint);
    }
    m_keypad = new ui::NumericKeypad(this);
    m_keypad->start(request.initial, request.maxLength, request.allowComma, request.masked);
    body()->addWidget(m_keypad);
    connect(m_keypad, &ui::NumericKeypad::confirmed, this, &QDialog::accept);
    connect(m_keypad, &ui::NumericKeypad::cancelled, this, &QDialog::reject);
    setFocusProxy(m_keypad);
    m_keypad->setFocus();
}

std::optional<QString> KeypadDialog::typed() const
{
    if (result() != QDialog::Accepted)
        return std::nullopt;
    return m_keypad->result();
}

// --- CouponDialog ---

CouponDialog::CouponDialog(const CouponRequest& request, QWidget* parent)
    : ui::TouchDialog(request.title.isEmpty() ? QStringLiteral("Cupom de desconto") : request.title,
                      parent)
{
    setMinimumWidth(460);
    auto* prompt = new QLabel(request.prompt.isEmpty()
                                  ? QStringLiteral("Código do cupom (deixe vazio se não houver):")
                                  : request.prompt,
                              this);
    prompt->setTextFormat(Qt::PlainText);
    prompt->setWordWrap(true);
    prompt->setFont(bodyFont(this, 13));
    body()->addWidget(prompt);
    m_code = new QLineEdit(this);
    m_code->setFont(bodyFont(this, 18, true));
    m_code->setMinimumHeight(52);
    if (request.maxLength > 0)
        m_code->setMaxLength(request.maxLength);
    body()->addWidget(m_code);
    addButton(QStringLiteral("Cancelar"), QDialog::Rejected, false);
    addButton(QStringLiteral("OK"), QDialog::Accepted, true);
    setEnterResult(QDialog::Accepted);
    m_code->setFocus();
}

std::optional<QString> CouponDialog::code() const
{
    if (result() != QDialog::Accepted)
        return std::nullopt;
    return m_code->text().trimmed();
}

// --- FiscalMenuDialog ---

FiscalMenuDialog::FiscalMenuDialog(const FiscalMenuRequest& request, QWidget* parent)
    : ui::TouchDialog(QStringLiteral("Menu Fiscal"), parent)
{
    setMinimumWidth(420);
    for (int i = 0; i < request.entries.size(); ++i) {
        auto* b = new ui::BlendedButton(request.entries.at(i), this);
        b->setFont(bodyFont(this, 13, true));
        b->setMinimumHeight(50);
        connect(b, &ui::BlendedButton::clicked, this, [this, i] {
            m_chosen = i;
            accept();
        });
        body()->addWidget(b);
        m_entries.append(b);
    }
    addButton(QStringLiteral("Fechar"), QDialog::Rejected, false);
}

// --- QtDialogDriver ---

bool QtDialogDriver::message(const MessageRequest& request)
{
    MessageDialog dialog(request, m_parent);
    const int r = dialog.exec();
    return request.kind == MessageKind::Question ? r == 1 : true;
}

std::optional<QString> QtDialogDriver::keypad(const KeypadRequest& request)
{
    KeypadDialog dialog(request, m_parent);
    dialog.exec();
    return dialog.typed();
}

ObservationChoice QtDialogDriver::observation(const ObservationRequest& request)
{
    ObservationDialog dialog(request, m_parent);
    dialog.exec();
    return dialog.choice();
}

std::optional<QString> QtDialogDriver::coupon(const CouponRequest& request)
{
    CouponDialog dialog(request, m_parent);
    dialog.exec();
    return dialog.code();
}

std::optional<int> QtDialogDriver::search(const SearchRequest& request)
{
    SearchDialog dialog(request, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.pickedRow();
}

std::optional<int> QtDialogDriver::fiscalMenu(const FiscalMenuRequest& request)
{
    FiscalMenuDialog dialog(request, m_parent);
    dialog.exec();
    return dialog.chosen();
}

}  // namespace kvp::refhost
