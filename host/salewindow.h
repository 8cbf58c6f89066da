#pragma once

// The reference host's window for a person: an open sale, the shop's combos as touch
// buttons, how many to sell, and the receipt of what the module handed back.

#include "shop.h"

#include <QWidget>

class QLabel;
class QTextEdit;

namespace kvp::refhost {

class SaleWindow : public QWidget {
    Q_OBJECT
public:
    // sell runs the module for a combo and quantity and returns the receipt lines; the
    // window shows them and counts the sale on.
    using Sell = std::function<QStringList(const Combo& combo, double quantity)>;

    SaleWindow(const QList<Combo>& combos, const QString& shopName, Sell sell,
               QWidget* parent = nullptr);

    void setSaleNumber(const QString& number);

private:
    void changeQuantity(int step);
    void sell(const Combo& combo);

    Sell m_sell;
    int m_quantity = 1;
    QLabel* m_quantityLabel = nullptr;
    QLabel* m_sale = nullptr;
    QTextEdit* m_receipt = nullptr;
};

}  // namespace kvp::refhost
