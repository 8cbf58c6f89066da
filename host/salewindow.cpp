#include "salewindow.h"

#include "blendedbutton.h"
#include "colors.h"
#include "textformat.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextEdit>
#include <QVBoxLayout>

namespace kvp::refhost {

SaleWindow::SaleWindow(const QList<Combo>& combos, const QString& shopName, Sell sell,
                       QWidget* parent)
    : QWidget(parent), m_sell(std::move(sell))
{
    setWindowTitle(QStringLiteral("Kvp510 - ponto de venda de referência"));
    resize(980, 680);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    const QColor accent = ui::colorFromBgr(ui::kAccentBgr);

    auto* outer = new QVBoxLayout(this);
    auto* title = new QLabel(shopName, this);
    QFont big = font();
    big.setPixelSize(22);
    big.setBold(true);
    title->setFont(big);
    title->setStyleSheet(QStringLiteral("color: %1;").arg(accent.name()));
    m_sale = new QLabel(this);
    auto* top = new QHBoxLayout;
    top->addWidget(title, 1);
    top->addWidget(m_sale);
    outer->addLayout(top);

    auto* grid = new QGridLayout;
    grid->setSpacing(10);
    const FormatSettings fs = FormatSettings::brazil();
    for (int i = 0; i < combos.size(); ++i) {
        const Combo& c = combos.at(i);
        QString caption = c.name + QLatin1Char('\n');
        caption += c.priceMode == QLatin1String("2")
                       ? QStringLiteral("preço pelos produtos")
                       : fs.currencyString + formatMoney(c.price, fs);
        auto* b = new ui::BlendedButton(caption, this);
        QFont f = font();
        f.setPixelSize(17);
        f.setBold(true);
        b->setFont(f);
        b->setMinimumSize(220, 86);
        b->setToolTip(c.description);
        connect(b, &ui::BlendedButton::clicked, this, [this, c] { this->sell(c); });
        grid->addWidget(b, i / 4, i % 4);
    }
    outer->addLayout(grid);

    auto* qty = new QHBoxLayout;
    auto* minus = new ui::BlendedButton(QStringLiteral("-"), this);
    auto* plus = new ui::BlendedButton(QStringLiteral("+"), this);
    for (ui::BlendedButton* b : {minus, plus})
        b->setFixedSize(56, 48);
    m_quantityLabel = new QLabel(this);
    QFont qf = font();
    qf.setPixelSize(18);
    m_quantityLabel->setFont(qf);
    connect(minus, &ui::BlendedButton::clicked, this, [this] { changeQuantity(-1); });
    connect(plus, &ui::BlendedButton::clicked, this, [this] { changeQuantity(1); });
    qty->addWidget(minus);
    qty->addWidget(m_quantityLabel);
    qty->addWidget(plus);
    qty->addStretch(1);
    outer->addLayout(qty);
    changeQuantity(0);

    m_receipt = new QTextEdit(this);
    m_receipt->setReadOnly(true);
    m_receipt->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_receipt->setPlaceholderText(QStringLiteral("Toque um combo para vendê-lo."));
    outer->addWidget(m_receipt, 1);
}

void SaleWindow::setSaleNumber(const QString& number)
{
    m_sale->setText(QStringLiteral("Venda %1").arg(number));
}

void SaleWindow::changeQuantity(int step)
{
    m_quantity = std::max(1, m_quantity + step);
    m_quantityLabel->setText(QStringLiteral("Quantidade: %1").arg(m_quantity));
}

void SaleWindow::sell(const Combo& combo)
{
    const QStringList lines = m_sell(combo, m_quantity);
    m_receipt->append(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    m_quantity = 1;
    changeQuantity(0);
}

}  // namespace kvp::refhost
