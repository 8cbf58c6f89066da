// A combined promotion chosen inside another: the selection screen opens the add screen
// modally through its entry, and the lines confirmed there come back as one nested set.

#include "addfixture.h"

#include "kvp510.h"
#include "rdmpromocaocombinada.h"

#include <QSqlQuery>

#include <algorithm>

namespace kvp::test {
namespace {

using combinada::TfrmPromocaoCombinada;

class Nested : public AddScreenTest {
protected:
    void SetUp() override
    {
        AddScreenTest::SetUp();
        sellable(S("INNER"), 20, 0, S("Combo interno"));
        sellable(S("I1"), 7);
        sellable(S("I2"), 9);
        sellable(S("J1"), 4);
        innerGroup(S("GI"), {S("I1"), S("I2")}, 2);
        innerGroup(S("GJ"), {S("J1")});
        sellable(S("A1"), 10);
        addGroup(S("G1"), {S("INNER"), S("A1")}, quantity(0));
    }

    // Queues what the operator does on the add screen once it opens.
    void onAddScreen(std::function<void(add::TfrmPromoCombAdd&)> steps)
    {
        presenter.then([this, steps](screen::Form& f) {
            auto& s = dynamic_cast<add::TfrmPromoCombAdd&>(f);
            EXPECT_EQ(add::frmPromoCombAdd, &s);
            moduleDuringAdd = rdmPromocaoCombinada;
            steps(s);
        });
    }

    void chooseAll(add::TfrmPromoCombAdd& s)
    {
        touchAdd(s, S("I1"));
        touchAdd(s, S("I2"));
        touchAdd(s, S("J1"));
        s.bldConfirmarClick();
    }

    TrdmPromocaoCombinada* moduleDuringAdd = nullptr;
};

TEST_F(Nested, ConfirmedLinesComeBackAsOneSetAndLeaveTogether)
{
    combinada::criaPromoCombAdd = add::CriaPromoCombAdd;
    combinada::nrSeqItemAdd = 1;
    auto& s = start();
    TrdmPromocaoCombinada* module = rdmPromocaoCombinada;
    onAddScreen([&](add::TfrmPromoCombAdd& a) {
        EXPECT_EQ(a.lblCabecalho.caption, S("1 X Combo interno"));
        EXPECT_EQ(a.stCdProdPromo, S("INNER"));
        chooseAll(a);
    });
    touch(S("INNER"));
    touch(S("A1"));

    EXPECT_EQ(presenter.runs(), 1);
    EXPECT_EQ(add::frmPromoCombAdd, nullptr);
    // The add run neither opened nor freed a data module of its own.
    EXPECT_EQ(moduleDuringAdd, module);
    ASSERT_EQ(rdmPromocaoCombinada, module);
    EXPECT_TRUE(module->connected());

    EXPECT_EQ(column("CDPRODUTO"), (QStringList{S("I1"), S("I2"), S("J1"), S("A1")}));
    EXPECT_EQ(column("NRSEQITEMADD"), (QStringList{S("1"), S("1"), S("1"), S("0")}));
    EXPECT_EQ(column("CDGRUPROMOCORIG"), (QStringList{S("G1"), S("G1"), S("G1"), S("G1")}));
    EXPECT_EQ(column("VRUNVENDAEST"), (QStringList{S("7"), S("9"), S("4"), S("10")}));
    EXPECT_EQ(s.controlesBandeja().size(), 20);

    // Touching any line of the set removes the whole set from the tray and the items.
    s.BandejaClick(trayPicture(2));
    EXPECT_EQ(column("CDPRODUTO"), QStringList{S("A1")});
    EXPECT_EQ(s.controlesBandeja().size(), 5);
}

TEST_F(Nested, ACancelledAddScreenAddsNothing)
{
    combinada::criaPromoCombAdd = add::CriaPromoCombAdd;
    start();
    onAddScreen([&](add::TfrmPromoCombAdd& a) {
        touchAdd(a, S("I1"));
        host.answerQuestion(true);
        a.bldCancelarClick();
    });
    touch(S("INNER"));
    EXPECT_EQ(presenter.runs(), 1);
    EXPECT_EQ(lineCount(), 0);
    EXPECT_FALSE(add::boPromocaoComb);
}

TEST_F(Nested, TheAddEntryHandsTheItemsBackAndKeepsTheDataModule)
{
    ensureDataModule();
    TrdmPromocaoCombinada* module = rdmPromocaoCombinada;
    DataSet obs{S("cdsItemObsAdd"), records::obsItensAdd()};
    DataSet ctObs{S("cdsPromoCtObsAdd"), records::prodCtObsAdd()};
    onAddScreen([&](add::TfrmPromoCombAdd& a) { chooseAll(a); });
    const bool confirmed = add::CriaPromoCombAdd(
        addItems, obs, ctObs, S("INNER"), S("Combo interno"), QString(), QString(), S("2"), S("V"),
        S("D"), 20, 0, 1, false, false, S("V1"), itensVendidos, S("A"));
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(addItems.recordCount(), 3);
    EXPECT_EQ(rdmPromocaoCombinada, module);
    EXPECT_TRUE(module->connected());
    EXPECT_TRUE(log().contains(S("QUANTIDADE DE PRODUTOS ADICIONADOS: 3")));
}

TEST_F(Nested, AnAddScreenThatEndsWithoutConfirmingAnswersFalse)
{
    add::boPromocaoComb = true;  // as an earlier confirmed run leaves it
    DataSet obs{S("cdsItemObsAdd"), records::obsItensAdd()};
    DataSet ctObs{S("cdsPromoCtObsAdd"), records::prodCtObsAdd()};
    onAddScreen([&](add::TfrmPromoCombAdd& a) { touchAdd(a, S("I1")); });
    const bool confirmed = add::CriaPromoCombAdd(
        addItems, obs, ctObs, S("INNER"), S("Combo interno"), QString(), QString(), S("2"), S("V"),
        S("D"), 20, 0, 1, false, false, S("V1"), itensVendidos, S("A"));
    EXPECT_EQ(presenter.runsLeftOpen(), 1);
    EXPECT_FALSE(confirmed);
}

TEST_F(Nested, TheHostsEntryOpensTheAddScreenForANestedProduct)
{
    DataSet obs{S("cdsObsRet"), records::obsItens()};
    DataSet ctObs{S("cdsCtObsRet"), records::prodCtObs()};
    presenter.then([&](screen::Form& f) {
        auto& main = dynamic_cast<TfrmPromocaoCombinada&>(f);
        onAddScreen([&](add::TfrmPromoCombAdd& a) { chooseAll(a); });
        for (int k = 1; k <= combinada::kSlotsProduto; ++k)
            if (main.imgProd(k).productCode == S("INNER"))
                main.bpbProd01Click(&main.imgProd(k));
        EXPECT_EQ(main.cdsItemProd.recordCount(), 3);
        EXPECT_NE(rdmPromocaoCombinada, nullptr);
        main.bldConfirmarClick();
    });
    const bool confirmed = combinada::CriaPromocaoInteligente(
        itensRet, obs, ctObs, S("PROMO"), S("COMBO"), QString(), QString(), S("2"), S("V"), S("D"),
        20, 0, 1, false, false, S("V1"), itensVendidos, S("A"));
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(presenter.runs(), 2);
    EXPECT_EQ(itensRet.recordCount(), 3);
    // The selection's owner frees the module once the whole call is over.
    EXPECT_EQ(rdmPromocaoCombinada, nullptr);
}

// Call type "B", price from the products: the add screen's record of the nested combo
// belongs to the sale. A cancelled sale, or one whose nested combo left the tray, keeps
// none of it; a confirmed sale keeps both records, the nested one first.
TEST_F(Nested, TheNestedRecordStandsOrFallsWithTheSale)
{
    DataSet obs{S("cdsObsRet"), records::obsItens()};
    DataSet ctObs{S("cdsCtObsRet"), records::prodCtObs()};
    enum class End { Cancel, RemoveNestedThenConfirm, Confirm };
    auto sell = [&](End end) {
        presenter.then([&, end](screen::Form& f) {
            auto& main = dynamic_cast<TfrmPromocaoCombinada&>(f);
            onAddScreen([&](add::TfrmPromoCombAdd& a) { chooseAll(a); });
            for (int k = 1; k <= combinada::kSlotsProduto; ++k)
                if (main.imgProd(k).productCode == S("INNER"))
                    main.bpbProd01Click(&main.imgProd(k));
            if (end == End::RemoveNestedThenConfirm) {
                const QList<screen::Control*> tray = main.controlesBandeja();
                const auto picture = std::find_if(tray.begin(), tray.end(), [](screen::Control* c) {
                    return c->kind == screen::ControlKind::Picture;
                });
                ASSERT_NE(picture, tray.end());
                main.BandejaClick(**picture);
                ASSERT_EQ(main.cdsItemProd.recordCount(), 0);
            }
            if (end == End::Cancel) {
                host.answerQuestion(true);
                main.bldCancelarClick();
            } else {
                main.bldConfirmarClick();
            }
        });
        return combinada::CriaPromocaoInteligente(
            itensRet, obs, ctObs, S("PROMO"), S("COMBO"), QString(), QString(), S("2"), S("V"),
            S("D"), 20, 0, 1, false, false, S("V1"), itensVendidos, S("B"));
    };
    auto records = [&] {
        QSqlQuery q(db->database());
        EXPECT_TRUE(
            q.exec(S("SELECT NRSEQPRODCOM, COUNT(*) FROM PROMOCAOCOMBAUX "
                     "GROUP BY NRSEQPRODCOM ORDER BY NRSEQPRODCOM")));
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + S("x") + q.value(1).toString();
        return out;
    };
    EXPECT_FALSE(sell(End::Cancel));
    EXPECT_EQ(records(), QStringList{});
    sell(End::RemoveNestedThenConfirm);
    EXPECT_EQ(records(), QStringList{});
    EXPECT_TRUE(sell(End::Confirm));
    EXPECT_EQ(records(), (QStringList{S("001x3"), S("002x3")}));
}

}  // namespace
}  // namespace kvp::test
