#pragma once

// What every selection-screen test stands on: a temporary program folder with the host's
// parameter file, an SQLite shop database with the service's schema, the scripted host
// and a script presenter installed, and helpers that fill the catalogue the way the
// shop's back office would.

#include "scriptedhost.h"
#include "scriptpresenter.h"
#include "tfrmpromocaocombinada.h"

#include "fixture.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QTemporaryDir>

#include <memory>

namespace kvp::test {

inline QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// The screen with product choice and confirmation recorded; with passOn they also run.
class RecordingScreen : public combinada::TfrmPromocaoCombinada {
public:
    QStringList touchedProducts;  // productCode of every picture handed to product choice
    QList<int> touchedSlots;
    int confirmations = 0;
    bool passOn = false;

    void bpbProd01Click(screen::Control* sender) override;
    void bldConfirmarClick() override;
};

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the shop database with the service's schema, sets db and the host's
    // connection string. The default is an SQLite file in the program folder.
    virtual void createShopDatabase();

    // --- Host files ---
    // PARAMETROSQMT.CDS with every field (branch "01", store "1", screen configuration
    // "7", pictures under the program folder), the given fields replaced and the omitted
    // ones left out.
    void writeParameters(const QMap<QString, QString>& values = {}, const QStringList& omit = {});
    QString programFolder() const { return m_dir.path(); }

    // --- Catalogue ---
    void product(const QString& code, const QString& name, const QString& tree = {});
    // A group offering the given products (created as products too, priced 10,00 unless
    // priced otherwise).
    void group(const QString& code, const QString& name, const QStringList& products);
    // The group in promotion PROMO, display order = position of the call.
    void promoGroup(const QString& group, double quantity = 1, double minimum = 0,
                    const QString& combine = S("N"));
    // n groups G01.. each with one product, all in PROMO.
    void groups(int n);
    // n products P001.. (names "Produto 1"..) in group code, priced 10,00 each.
    void products(const QString& group, int n);
    void shortcut(const QString& product, const QString& code);
    void showZeroPrices(const QString& flag);

    // Creates the screen, initialises it as the entry does and shows it.
    RecordingScreen& open(const QString& priceMode = S("2"), double quantity = 1);

    // Product codes in the visible grid slots, in slot order.
    QStringList gridProducts();
    // Captions of the visible group buttons, in slot order.
    QStringList menuCaptions();
    int lookups(const QString& method);

    ScriptedHost host;
    screen::ScriptPresenter presenter;
    std::unique_ptr<DatabaseFixture> db;
    std::unique_ptr<RecordingScreen> screen;
    DataSet itensRet{S("cdsItensRet"), records::itemProd()};
    DataSet itensVendidos{S("cdsItensVendidos"), records::itemProd()};

private:
    QTemporaryDir m_dir;
    QString m_connection;
    int m_groupOrder = 0;
};

}  // namespace kvp::test
