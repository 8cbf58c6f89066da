// Steps of an insertion on their own: the quantity (weighing, keypad, multiplier, a
// nested promotion's own) and the discount with its coupon, each run without writing a
// line, as the insertion runs them before the line is written.

#include "selectionfixture.h"

#include "regrasinsercao.h"

namespace kvp::test {
namespace {

using combinada::TfrmPromocaoCombinada;
using combinada::detail::InsercaoProduto;
using Passos = combinada::detail::RegrasInsercao<TfrmPromocaoCombinada>;

class InsertionSteps : public Selection {
protected:
    static InsercaoProduto produto(const QString& codigo, double preco, double desconto = 0,
                                   const QString& pesa = S("N"), double tara = 0)
    {
        InsercaoProduto ins;
        ins.produto.cdProduto = codigo;
        ins.produto.idPesaProd = pesa;
        ins.produto.vrTara = tara;
        ins.preco.vrPreco = preco;
        ins.preco.vrDesconto = desconto;
        return ins;
    }
    // The screen opened on a group of one product, nothing chosen yet.
    TfrmPromocaoCombinada& opened(const QString& priceMode = S("2"), double promotions = 1)
    {
        sellable(S("A1"), 10);
        addGroup(S("G1"), {S("A1")}, quantity(0));
        return start(priceMode, promotions);
    }
};

TEST_F(InsertionSteps, QuantityIsOneTheMultiplierOrANestedPromotionsOwn)
{
    TfrmPromocaoCombinada& s = opened();
    const InsercaoProduto ins = produto(S("A1"), 10);
    EXPECT_EQ(Passos::Quantidade(s, ins), 1.0);

    s.SetdoQtdeMult(3);
    EXPECT_EQ(Passos::Quantidade(s, ins), 3.0);
    EXPECT_EQ(s.nrQtdeMult, 3) << "the step reads the multiplier; the insertion spends it";
    s.SetdoQtdeMult(0);

    s.cdsProdutosAdd.emptyOrCreate();
    s.cdsProdutosAdd.append();
    s.cdsProdutosAdd.setValue(S("QTPRODVEND"), 0.25);
    s.cdsProdutosAdd.post();
    s.boProdutoAdd = true;
    EXPECT_EQ(Passos::Quantidade(s, produto(S("A1"), 10, 0, S("S"))), 0.25)
        << "a nested line is never weighed again";
    s.boProdutoAdd = false;

    EXPECT_EQ(lineCount(), 0);
    EXPECT_TRUE(host.callsOf(S("BuscaPeso")).isEmpty());
}

TEST_F(InsertionSteps, QuantityOfAWeighedProductComesFromTheScaleOrTheKeypad)
{
    writeParameters({{S("IDTIPOBAL"), S("1")}});
    TfrmPromocaoCombinada& s = opened();
    const InsercaoProduto pesado = produto(S("W1"), 30, 0, S("S"), 0.032);

    host.answerScale(0.482);
    EXPECT_DOUBLE_EQ(Passos::Quantidade(s, pesado).value(), 0.45);

    host.answerScale(-0.1);
    host.answerKeypad(S("0,4567"));
    EXPECT_FALSE(Passos::Quantidade(s, pesado).has_value()) << "four decimals are refused";
    EXPECT_EQ(warnings().last(), s.msgPadrao.Msg(S("Frac_Dev")));

    host.answerScale(-0.1);
    host.answerKeypad(S("1,2x"));
    EXPECT_THROW(Passos::Quantidade(s, pesado), HostError) << "a typed text that is no number";

    // A group whose products make one portion shares the quantity: nothing is weighed.
    s.stIdCombinaProd = S("S");
    host.clearCalls();
    EXPECT_EQ(Passos::Quantidade(s, pesado), 1.0);
    EXPECT_TRUE(host.callsOf(S("BuscaPeso")).isEmpty());
    EXPECT_EQ(lineCount(), 0);
}

TEST_F(InsertionSteps, AWeighedProductIsRefusedForSeveralPromotions)
{
    writeParameters({{S("IDTIPOBAL"), S("1")}});
    TfrmPromocaoCombinada& s = opened(S("2"), 2);
    EXPECT_FALSE(Passos::Quantidade(s, produto(S("W1"), 30, 0, S("S"))).has_value());
    EXPECT_TRUE(host.callsOf(S("BuscaPeso")).isEmpty());
}

// Without coupons in use: the product's own discount for every unit of the line, never
// the whole line's value, and nothing for the promotion's own product at a fixed price.
TEST_F(InsertionSteps, DiscountIsTheOwnOneForEveryUnitBelowTheLineValue)
{
    TfrmPromocaoCombinada& s = opened(S("2"), 2);
    auto d = Passos::DescontoECupom(s, produto(S("A1"), 10, 0.555), 3);
    EXPECT_NEAR(d.desconto, 2 * 0.55 * 3, 1e-9);
    EXPECT_TRUE(d.cupom.isEmpty());

    d = Passos::DescontoECupom(s, produto(S("A1"), 10, 12), 1);
    EXPECT_NEAR(d.desconto, 19.99, 1e-9) << "capped a cent below the line's 20,00";

    s.nrQtdePromo = -2;  // a promotion given back
    d = Passos::DescontoECupom(s, produto(S("A1"), 10, 12), 1);
    EXPECT_NEAR(d.desconto, -19.99, 1e-9);

    s.stTipoPrecoPromo = S("1");
    EXPECT_EQ(Passos::DescontoECupom(s, produto(s.stCdProdPromo, 10, 1), 1).desconto, 0.0);
    EXPECT_TRUE(host.callsOf(S("CriaInfAdicional")).isEmpty());
}

TEST_F(InsertionSteps, TheCouponIsWorkedOutOnTheWholeLineAndLeavesNothingBehind)
{
    db->insert(S("PARAMGERAL"), {{"CDPARAMGERAL", S("01")}, {"IDUTCUPOMDESC", S("S")}});
    writeParameters({{S("UTILIZAIMPFIS"), S("S")}, {S("IDTIPOIMPFIS"), S("16")}});
    db->insert(S("CUPOMDESCQMT"), {{"CDCUPOMDESCQMT", S("P10")},
                                   {"IDTIPODESC", S("P")},
                                   {"VRDESCCUPOM", 10},
                                   {"DTINIVIGENCIA", QVariant()},
                                   {"DTFIMVIGENCIA", QVariant()},
                                   {"IDUSOUNICO", S("S")}});
    db->insert(S("PRODCUPOMDESC"), {{"CDCUPOMDESCQMT", S("P10")}, {"CDPRODUTO", S("A1")}});
    TfrmPromocaoCombinada& s = opened();

    // 12,50 with 0,50 off each, two units: 10 % of 24,00 on top of the own 1,00.
    host.answerCoupon(S("P10"));
    const auto d = Passos::DescontoECupom(s, produto(S("A1"), 12.50, 0.50), 2);
    EXPECT_NEAR(d.desconto, 3.40, 1e-9);
    EXPECT_EQ(d.cupom, S("P10"));
    EXPECT_TRUE(s.stCdCupomDesc.isEmpty());
    EXPECT_EQ(s.vrDescCupom, 0);
    EXPECT_EQ(s.vrLimiteCupom, 0);
    // The sale's coupons take it only once its line is written.
    EXPECT_FALSE(s.cdsCupomDescVenda.locate(S("CDCUPOMDESCQMT"), S("P10")));

    // A nested promotion's line asks for no coupon.
    host.clearCalls();
    s.boProdutoAdd = true;
    EXPECT_TRUE(Passos::DescontoECupom(s, produto(S("A1"), 12.50, 0.50), 2).cupom.isEmpty());
    EXPECT_TRUE(host.callsOf(S("CriaInfAdicional")).isEmpty());
}

}  // namespace
}  // namespace kvp::test
