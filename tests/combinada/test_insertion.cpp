// Item insertion through whole product touches: every field of the line, weighing and
// typed weights, the multiplier, per-product discounts and the numbering of lines and
// observations.

#include "selectionfixture.h"

namespace kvp::test {
namespace {

class Insertion : public Selection {
protected:
    void soldBefore(int n)
    {
        for (int i = 1; i <= n; ++i) {
            itensVendidos.append();
            itensVendidos.setValue(S("CDPRODUTO"), S("OLD"));
            itensVendidos.setValue(S("NRSEQ"), QString::number(i));
            itensVendidos.post();
        }
    }
    static DataPacket packet(const FieldDefs& fields, const QList<Row>& rows)
    {
        DataPacket p;
        p.fields = fields;
        p.rows = rows;
        return p;
    }
};

TEST_F(Insertion, AProductBecomesALineWithEveryFieldTheHostReads)
{
    sellable(S("A1"), 12.5);
    addGroup(S("G1"), {S("A1")}, quantity(2));
    soldBefore(2);
    start();
    touch(S("A1"));

    ASSERT_EQ(lineCount(), 1);
    const QList<QPair<const char*, QVariant>> expected = {
        {"VRPRECOCLIE", 12.5},        {"CDPRODUTO", S("A1")}, {"NMPRODUTO", S("Nome A1")},
        {"CDARVPROD", S("A1")},       {"CDFILIAL", S("01")},  {"NRSEQ", S("3")},
        {"CDGRUPROMOC", S("G1")},     {"VRUNVENDAEST", 12.5}, {"CDPRODVENDA", S("PROMO")},
        {"IDPESAPROD", S("N")},       {"SGUNIDADE", S("UN")}, {"QTTARAPROD", 0.0},
        {"VRACRESCIMO", 0.0},         {"VRDESCONTO", 0.0},    {"QTPRODVEND", 1.0},
        {"VRDESITVENDAEST", 0.0},     {"CDCAMPPROMO", S("")}, {"CDGRUPMUTEX", S("")},
        {"IDOBRPRODSELEC", S("")},    {"STOBSPEDIDO", S("")}, {"STOBSDIGITADA", S("")},
        {"NRSEQITEMADD", 0},          {"VRDESCDIA", 0.0},     {"IDIMPGRPROMO", S("N")},
        {"CDCUPOMDESCQMT", S("")},    {"VRPRECOPROD", 12.5},  {"NRSEQITCANC", S("1")},
        {"VRACRITVENDAEST", 0.0},     {"QTPRODVALIDA", 1.0},  {"IDDESCCAMP", S("N")},
        {"CDGRUPROMOCORIG", S("G1")}, {"NRSEQ_ORD", 3},
    };
    for (const auto& [name, value] : expected) {
        const QVariant got = field(1, name);
        if (value.typeId() == QMetaType::Double) {
            EXPECT_DOUBLE_EQ(got.toDouble(), value.toDouble()) << name;
        } else {
            EXPECT_EQ(got.toString(), value.toString()) << name;
        }
    }

    const QList<screen::Control*> tray = screen->controlesBandeja();
    ASSERT_EQ(tray.size(), 5);
    for (const screen::Control* c : tray)
        EXPECT_EQ(c->tag, 3);
    EXPECT_EQ(tray[1]->caption, S("A1"));
    EXPECT_EQ(tray[2]->caption, S("Nome A1"));
    EXPECT_EQ(tray[4]->caption, S("1 X R$12,50"));
    EXPECT_EQ(screen->lblDescricao.caption,
              S("Preço: R$12,50  Desconto: R$0,00 - Preço Final: R$12,50"));
    EXPECT_TRUE(
        log().contains(S(" - AddProduto: A1 - Nome A1 IMPGRP: N GRUPO: G1 GRUPO SELEC. G1\n")));
    EXPECT_TRUE(
        log().contains(S(" - PRODUTO ADICIONADO: A1 - Nome A1 - PREÇO: 12,5 - DESC: 0 - IMP:N\n")));
}

TEST_F(Insertion, WeighedProductsTakeTheScaleOrTheTypedWeight)
{
    weighed(S("W1"), 30.0, 0.032);
    addGroup(S("G1"), {S("W1")}, quantity(0));

    struct Case {
        const char* name;
        QList<double> readings;
        QList<bool> again;             // answers to "bal_zero"
        std::optional<QString> typed;  // keypad, when it is asked
        bool keypad;
        double quantity;  // 0: no line
        const char* warning;
    };
    const Case cases[] = {
        {"reading minus tare", {0.482}, {}, {}, false, 0.45, nullptr},
        {"empty scale, weighed again", {0.032, 0.532}, {true}, {}, false, 0.5, nullptr},
        {"empty scale, typed instead", {0.032}, {false}, S("0,3"), true, 0.3, nullptr},
        {"negative reading, typed", {-0.1}, {}, S("0,25"), true, 0.25, "bal_neg"},
        {"three decimals typed", {-1}, {}, S("0,456"), true, 0.456, "bal_neg"},
        {"four decimals typed", {-1}, {}, S("0,4567"), true, 0, "Frac_Dev"},
        {"keypad cancelled", {-1}, {}, std::nullopt, true, 1, "bal_neg"},
        {"zero typed", {-1}, {}, S("0"), true, 1, "bal_neg"},
    };
    writeParameters({{S("IDTIPOBAL"), S("1")}});
    for (const Case& c : cases) {
        for (double r : c.readings)
            host.answerScale(r);
        for (bool a : c.again)
            host.answerQuestion(a);
        if (c.keypad)
            host.answerKeypad(c.typed);
        host.clearCalls();
        start();
        touch(S("W1"));
        if (c.quantity == 0) {
            EXPECT_EQ(lineCount(), 0) << c.name;
        } else {
            ASSERT_EQ(lineCount(), 1) << c.name;
            EXPECT_DOUBLE_EQ(money(1, "QTPRODVALIDA"), c.quantity) << c.name;
            EXPECT_DOUBLE_EQ(money(1, "QTPRODVEND"), c.quantity) << c.name;
            EXPECT_DOUBLE_EQ(money(1, "QTTARAPROD"), 0.032) << c.name;
        }
        if (c.warning) {
            EXPECT_TRUE(warnings().contains(screen->msgPadrao.Msg(S(c.warning)))) << c.name;
        }
    }
}

TEST_F(Insertion, AWeighedProductIsRefusedForSeveralPromotionsBeforeAnyReading)
{
    weighed(S("W1"), 30.0, 0.032);
    addGroup(S("G1"), {S("W1")});
    writeParameters({{S("IDTIPOBAL"), S("1")}});
    start(S("2"), 2);
    touch(S("W1"));
    EXPECT_EQ(lineCount(), 0);
    EXPECT_TRUE(host.callsOf(S("BuscaPeso")).isEmpty());
    EXPECT_EQ(warnings(),
              QStringList{S("Não é possível selecionar um produto pesado para mais de uma "
                            "quantidade de Promoção Combinada.")});
}

TEST_F(Insertion, TheMultiplierSetsTheQuantityOnceAndTheHeaderReturns)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    auto& s = start(S("2"), 2);
    s.SetdoQtdeMult(3);
    EXPECT_EQ(s.lblCabecalho.caption, S("3X"));
    touch(S("A1"));
    touch(S("A1"));
    EXPECT_EQ(column("QTPRODVALIDA"), (QStringList{S("3"), S("1")}));
    EXPECT_EQ(column("QTPRODVEND"), (QStringList{S("6"), S("2")}));
    EXPECT_EQ(s.nrQtdeMult, 0);
    EXPECT_EQ(s.lblCabecalho.caption, S("1 X COMBO"));
}

TEST_F(Insertion, PerProductDiscountsAndSurcharges)
{
    struct Case {
        const char* kind;
        const char* pv;
        const char* applies;
        double promotions;
        double value;
        const char* field;
        double expected;
    };
    const Case cases[] = {
        // A value discount beyond the price stops one cent short of it.
        {"D", "V", "T", 1, 5.00, "VRDESCONTO", 3.99},
        {"D", "V", "T", 1, 1.50, "VRDESCONTO", 1.50},
        {"D", "V", "T", 2, 1.50, "VRDESCONTO", 3.00},
        {"D", "P", "T", 1, 10, "VRDESCONTO", 0.40},
        {"D", "P", "T", 1, 150, "VRDESCONTO", 3.99},
        {"A", "V", "T", 2, 0.75, "VRACRESCIMO", 1.50},
        {"A", "P", "T", 1, 25, "VRACRESCIMO", 1.00},
        // First unit only: this is the product's first unit in the sale.
        {"D", "V", "I", 1, 1.00, "VRDESCONTO", 1.00},
    };
    sellable(S("A1"), 4.00);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    int row = 0;
    for (const Case& c : cases) {
        db->exec(S("DELETE FROM DESGRUPROMOCPR"));
        productDiscount(S("G1"), S("A1"), S(c.kind), S(c.pv), c.value, S(c.applies));
        start(S("2"), c.promotions);
        touch(S("A1"));
        ++row;
        ASSERT_EQ(lineCount(), 1) << row;
        EXPECT_NEAR(money(1, c.field), c.expected, 1e-9) << "case " << row;
    }
    // The price line shows the discount of the last case: 4,00 less 1,00.
    EXPECT_EQ(screen->lblDescricao.caption,
              S("Preço: R$4,00  Desconto: R$1,00 - Preço Final: R$3,00"));
    EXPECT_EQ(screen->controlesBandeja().at(4)->caption, S("1 X R$3,00"));
}

TEST_F(Insertion, FirstUnitDiscountsSkipAProductAlreadyOnTheSale)
{
    sellable(S("A1"), 4.00);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    productDiscount(S("G1"), S("A1"), S("D"), S("V"), 1.00, S("I"));
    itensVendidos.append();
    itensVendidos.setValue(S("CDPRODUTO"), S("A1"));
    itensVendidos.post();
    start();
    touch(S("A1"));
    EXPECT_DOUBLE_EQ(money(1, "VRDESCONTO"), 0.0);
    EXPECT_FALSE(screen->ValidaProduto(S("A1")));
}

TEST_F(Insertion, ObservationsAreNumberedWithoutRepeatingALineNumber)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    writeParameters({{S("IDSOLOBSPED"), S("S")}});
    db->insert(S("LOJA"), {{"CDFILIAL", S("01")}, {"CDLOJA", S("1")}, {"CDGRPOCORPED", S("01")}});
    db->insert(S("GRUPOCOR"), {{"CDGRPOCOR", S("01")}});
    db->insert(S("OCORRENCIA"),
               {{"CDGRPOCOR", S("01")}, {"CDOCORR", S("01")}, {"DSOCORR", S("SEM SAL")}});
    db->insert(S("PRODOCORRE"),
               {{"CDPRODUTO", S("A1")}, {"CDGRPOCOR", S("01")}, {"CDOCORR", S("01")}});

    // First line: two occurrences, one chosen twice, and controlled observations of which
    // one adds a product.
    HostAnswer first;
    first[0] = S("01");
    first[2] =
        QVariant::fromValue(packet(records::ocorrencia(), {{S("01")}, {S("01")}, {S("02")}}));
    first[3] = S("bem passado");
    first[4] = QVariant::fromValue(
        packet(records::controlaObs(),
               {{S("A"), S("X9"), S("02")}, {S("N"), S("X8"), S("03")}, {S("A"), S(""), S("04")}}));
    host.answerObservation(S("SEM SAL, SEM CEBOLA"), first);
    // Second line: no text, yet two controlled observations.
    HostAnswer second;
    second[4] = QVariant::fromValue(
        packet(records::controlaObs(), {{S("A"), S("X7"), S("05")}, {S("A"), S("X6"), S("06")}}));
    host.answerObservation(QString(), second);
    // Third line: the operator closed the screen.
    host.answerObservation(S("erro"), HostAnswer{});

    auto& s = start(S("1"));
    touch(S("A1"));
    touch(S("A1"));
    touch(S("A1"));

    EXPECT_EQ(column("NRSEQ"), (QStringList{S("1"), S("3"), S("6")}));
    EXPECT_EQ(column("NRSEQITCANC"), (QStringList{S("1"), S("5"), S("7")}));
    EXPECT_EQ(column("STOBSPEDIDO"), (QStringList{S("SEM SAL, SEM CEBOLA"), S(""), S("")}));
    EXPECT_EQ(text(1, "STOBSDIGITADA"), S("bem passado"));

    EXPECT_EQ(column(s.cdsObsItens, "NRSEQ"), (QStringList{S("1"), S("1")}));
    EXPECT_EQ(column(s.cdsObsItens, "CDOCORR"), (QStringList{S("01"), S("02")}));
    EXPECT_EQ(column(s.cdsObsItens, "CDGRPOCOR"), (QStringList{S("01"), S("01")}));
    EXPECT_EQ(column(s.cdsObsItens, "NRSEQITCANC"), (QStringList{S("2"), S("3")}));

    EXPECT_EQ(column(s.cdsProdCtObs, "NRSEQ"), (QStringList{S("001"), S("003"), S("003")}));
    EXPECT_EQ(column(s.cdsProdCtObs, "CDPRODUTO"), (QStringList{S("X9"), S("X7"), S("X6")}));
    EXPECT_EQ(column(s.cdsProdCtObs, "NRSEQITCANC"), (QStringList{S("2"), S("5"), S("6")}));
    EXPECT_EQ(column(s.cdsProdCtObs, "IDIMPGRPROMO"), (QStringList{S("N"), S("N"), S("N")}));
    EXPECT_EQ(column(s.cdsProdCtObs, "QTPRODCOMVEN"), (QStringList{S("1"), S("1"), S("1")}));

    // The tray shows the observation text of the line.
    EXPECT_EQ(trayPicture(1).tag, 1);
    EXPECT_EQ(s.controlesBandeja().at(3)->caption, S("SEM SAL, SEM CEBOLA"));
}

TEST_F(Insertion, DataServiceErrorsAreLoggedAsWellAsShownAndLeaveNoHalfLine)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(2));
    // The line gets its observations before the discount lookup fails: they go too.
    writeParameters({{S("IDSOLOBSPED"), S("S")}});
    db->insert(S("LOJA"), {{"CDFILIAL", S("01")}, {"CDLOJA", S("1")}, {"CDGRPOCORPED", S("01")}});
    db->insert(S("GRUPOCOR"), {{"CDGRPOCOR", S("01")}});
    db->insert(S("OCORRENCIA"),
               {{"CDGRPOCOR", S("01")}, {"CDOCORR", S("01")}, {"DSOCORR", S("SEM SAL")}});
    db->insert(S("PRODOCORRE"),
               {{"CDPRODUTO", S("A1")}, {"CDGRPOCOR", S("01")}, {"CDOCORR", S("01")}});
    HostAnswer chosen;
    chosen[0] = S("01");
    chosen[2] = QVariant::fromValue(packet(records::ocorrencia(), {{S("01")}}));
    chosen[4] = QVariant::fromValue(packet(records::controlaObs(), {{S("A"), S("X9"), S("01")}}));
    host.answerObservation(S("SEM SAL"), chosen);
    start();
    // The per-product discount lookup fails after the line was written.
    db->exec(S("DROP TABLE DESGRUPROMOCPR"));
    touch(S("A1"));
    ASSERT_EQ(warnings().size(), 1);
    EXPECT_TRUE(warnings().first().startsWith(S("getDescontoPromocao: ")))
        << warnings().first().toStdString();
    EXPECT_TRUE(log().contains(warnings().first())) << log().toStdString();
    EXPECT_EQ(lineCount(), 0);
    EXPECT_EQ(screen->cdsObsItens.recordCount(), 0);
    EXPECT_EQ(screen->cdsProdCtObs.recordCount(), 0);
    EXPECT_TRUE(screen->controlesBandeja().isEmpty());
    EXPECT_EQ(screen->nrSeqItem, 0);  // the next line still gets number 1
}

TEST_F(Insertion, AnOwnDiscountStopsACentUnderTheLineWithoutACoupon)
{
    // The price lookup's discount is larger than the line: the line keeps one cent, for
    // every promotion sold.
    sellable(S("A1"), 10.00, 15.00);
    addGroup(S("G1"), {S("A1")}, quantity(2));
    start(S("2"), 2);
    touch(S("A1"));
    ASSERT_EQ(lineCount(), 1);
    EXPECT_DOUBLE_EQ(money(1, "VRDESCONTO"), 19.99);
    EXPECT_TRUE(text(1, "CDCUPOMDESCQMT").isEmpty());
}

using ShowErrors = Selection;

TEST_F(ShowErrors, AFailedGroupLoadIsLoggedAsWellAsShown)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")});
    db->exec(S("DROP TABLE GRUPROMOCPROD"));
    start();
    ASSERT_EQ(warnings().size(), 1);
    EXPECT_TRUE(warnings().first().startsWith(S("getGrupoPromoComb: ")))
        << warnings().first().toStdString();
    EXPECT_TRUE(log().contains(warnings().first())) << log().toStdString();
}

}  // namespace
}  // namespace kvp::test
