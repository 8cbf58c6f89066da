#pragma once

// Whole selections driven headless: a shop whose products carry a tax (so price mode "2"
// sells them), helpers to touch, confirm and read the item lines the host would receive.

#include "screenfixture.h"

#include "modulevars.h"

namespace kvp::test {

struct GroupSpec {
    double quantity = 1;
    double minimum = 0;
    QString mutex;
    QString appliesDiscount = S("S");
    QString printsAlone = S("N");
    QString combines = S("N");
};

inline GroupSpec quantity(double q, double minimum = 0, const QString& mutex = {},
                          const QString& appliesDiscount = S("S"))
{
    GroupSpec g;
    g.quantity = q;
    g.minimum = minimum;
    g.mutex = mutex;
    g.appliesDiscount = appliesDiscount;
    return g;
}

class Selection : public ScreenTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A product priced through the host, with one 18 % tax in branch 01.
    void sellable(const QString& code, double price, double discount = 0, const QString& name = {});
    // A weighed product with its tare.
    void weighed(const QString& code, double price, double tare);
    // A group of the promotion PROMO with every setting the screen reads.
    void addGroup(const QString& group, const QStringList& products, const GroupSpec& setup = {});
    // The product's own discount or surcharge inside the promotion.
    void productDiscount(const QString& group, const QString& product, const QString& kind,
                         const QString& percentOrValue, double value,
                         const QString& applies = S("T"));
    void obligatory(const QString& group, const QString& product);

    // Opens the screen with product choice and confirmation running for real.
    RecordingScreen& start(const QString& priceMode = S("2"), double promotions = 1);
    // Touches the visible grid picture of the product.
    void touch(const QString& product);
    void confirm() { screen->bldConfirmarClick(); }
    // The tray entry's picture of the line with that NRSEQ.
    screen::Control& trayPicture(int nrSeq);

    // The item lines in NRSEQ order, as the host receives them.
    int lineCount();
    QVariant field(int line, const char* name);
    double money(int line, const char* name) { return field(line, name).toDouble(); }
    QString text(int line, const char* name) { return field(line, name).toString(); }
    QStringList column(const char* name);
    QStringList column(DataSet& ds, const char* name);
    QStringList warnings();  // texts of the warning boxes shown
    QString log();

private:
    int m_order = 100;
};

}  // namespace kvp::test
