#pragma once

// The add screen on the selection screen's test shop: an inner promotion INNER with its
// own groups, the add screen opened alone as its entry would open it, and the data
// module it shares.

#include "selectionfixture.h"

#include "modulevarsadd.h"
#include "tfrmpromocombadd.h"

#include <memory>

namespace kvp::test {

class AddScreenTest : public Selection {
protected:
    void TearDown() override
    {
        addScreen.reset();
        add::resetModuleVariables();
        Selection::TearDown();
    }

    // A group of the inner promotion, with the given quantity; without products, a group
    // that products() has filled already.
    void innerGroup(const QString& group, const QStringList& products, double quantity = 1,
                    double minimum = 0, const QString& promo = S("INNER"),
                    const QString& mutex = {})
    {
        if (!products.isEmpty())
            ScreenTest::group(group, S("Grupo ") + group, products);
        db->insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", promo},
                                        {"CDGRUPROMOC", group},
                                        {"NRSEQGRPROMO", 1},
                                        {"QTPRGRUPPROMOC", quantity},
                                        {"QTPRGRUPROMIN", minimum},
                                        {"NRORDPROMOGRUP", ++m_innerOrder},
                                        {"CDGRUPMUTEX", mutex.isEmpty() ? QVariant() : mutex},
                                        {"IDAPLICADESC", S("S")},
                                        {"IDIMPGRPROMO", S("N")},
                                        {"IDCOMBINAPROD", S("N")},
                                        {"DTINIVGGRPROMO", QVariant()},
                                        {"DTFINVGGRPROMO", QVariant()}});
    }

    // The add screen created, initialised and shown as its entry does, without a modal run.
    add::TfrmPromoCombAdd& openAdd(const QString& priceMode = S("2"), double promotions = 1)
    {
        addScreen = std::make_unique<add::TfrmPromoCombAdd>();
        add::TfrmPromoCombAdd& s = *addScreen;
        s.InicializaForm(addItems, S("INNER"), S("Interno"), QString(), priceMode, S("V"), S("D"),
                         20.0, 0.0, promotions, false, itensVendidos);
        s.stTipoPrecoPromo = priceMode;
        s.stCdProdPromo = S("INNER");
        s.nrQtdePromo = promotions;
        s.shown();
        return s;
    }

    QStringList addGrid()
    {
        QStringList out;
        for (int k = 1; k <= add::kSlotsProduto; ++k)
            if (addScreen->imgProd(k).visible)
                out << addScreen->imgProd(k).productCode;
        return out;
    }

    void touchAdd(add::TfrmPromoCombAdd& s, const QString& product)
    {
        for (int k = 1; k <= add::kSlotsProduto; ++k) {
            screen::Control& img = s.imgProd(k);
            if (img.visible && img.productCode == product) {
                s.bpbProd01Click(&img);
                return;
            }
        }
        ADD_FAILURE() << "no add-screen slot shows " << product.toStdString();
    }

    std::unique_ptr<add::TfrmPromoCombAdd> addScreen;
    DataSet addItems{S("cdsProdutosAdd"), records::itemProdAdd()};

private:
    int m_innerOrder = 0;
};

}  // namespace kvp::test
