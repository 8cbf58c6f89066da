// Product choice: the tax, printer-rate and electronic-receipt refusals, the price lookup's
// refusals, the move to the next group, combined products and nested promotions.

#include "selectionfixture.h"

#include <QDir>
#include <QSqlQuery>

namespace kvp::test {
namespace {

class Choice : public Selection {
protected:
    void SetUp() override
    {
        Selection::SetUp();
        db->insert(S("FILIAL"), {{"CDFILIAL", S("01")}, {"CDEMPRESA", S("E1")}});
        db->insert(S("PARAMEMPRESA"), {{"CDEMPRESA", S("E1")}, {"CDSITUCRT", S("1")}});
    }
    void run(const QString& sql, const QVariantList& values)
    {
        QSqlQuery q(db->database());
        ASSERT_TRUE(q.prepare(sql));
        for (const QVariant& v : values)
            q.addBindValue(v);
        ASSERT_TRUE(q.exec()) << sql.toStdString();
    }
    // The fiscal data of a product's tax row; an empty text stands for a missing value.
    struct Fiscal {
        const char* crt = "1";
        const char* cst = "102";
        const char* taxType = "T";
        const char* ncm = "21069090";
        const char* cfop = "5102";
        const char* pisCofins = "01";
        const char* pis = "1,65";
        const char* cofins = "7,6";
    };
    void fiscal(const QString& product, const Fiscal& f)
    {
        auto value = [](const char* t) { return *t ? QVariant(S(t)) : QVariant(); };
        auto number = [](const char* t) {
            return *t ? QVariant(S(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble())
                      : QVariant();
        };
        run(S("UPDATE PARAMEMPRESA SET CDSITUCRT = ?"), {value(f.crt)});
        run(S("UPDATE PRODUTO SET CDCLASFISC = ? WHERE CDPRODUTO = ?"), {value(f.ncm), product});
        run(S("UPDATE ALIQIMPFIS SET CDCSTICMS = ?, IDTPIMPOSFIS = ?, CDCFOPPFIS = ?, "
              "CDCSTPISCOF = ?, VRALIQPIS = ?, VRALIQCOFINS = ? WHERE CDPRODUTO = ?"),
            {value(f.cst), value(f.taxType), value(f.cfop), value(f.pisCofins), number(f.pis),
             number(f.cofins), product});
    }
    // Opens a fresh screen, touches the product and tells what was refused ("" = taken).
    QString refusal(const QString& product, const QString& priceMode = S("2"))
    {
        host.clearCalls();
        start(priceMode);
        touch(product);
        const QStringList w = warnings();
        if (lineCount() == 1 && w.isEmpty())
            return {};
        return w.isEmpty() ? S("nothing added, nothing shown") : w.join(S(" | "));
    }
    static QString text(const char* key) { return promocaoCombinadaMessages().Msg(S(key)); }
    void writeRates(double rate, const char* type)
    {
        QDir(programFolder()).mkpath(S("Dados/Cadastros"));
        DataPacket p;
        p.fields = records::aliqImpFis();
        p.rows.append(Row{S("T1"), rate, S(type)});
        p.saveToFile(QDir(programFolder()).filePath(S("Dados/Cadastros/AliqImpFis.cds")));
    }
    // A product that is itself a combined promotion, with one group of its own.
    void nestedPromotion(const QString& code)
    {
        sellable(code, 20);
        product(S("NX"), S("Interno"));
        ScreenTest::group(S("GX"), S("Interno"), {S("NX")});
        db->insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", code},
                                        {"CDGRUPROMOC", S("GX")},
                                        {"NRSEQGRPROMO", 1},
                                        {"QTPRGRUPPROMOC", 1}});
    }
};

TEST_F(Choice, TaxRowsMustBeExactlyOneInPriceModeTwoOnly)
{
    sellable(S("A1"), 10);
    product(S("NOTAX"), S("Sem imposto"));
    host.setPrice(S("NOTAX"), 10);
    sellable(S("TWO"), 10);
    db->insert(S("IMPOSTO"), {{"CDIMPOSTO", S("T2")}});
    db->insert(S("ALIQIMPFIS"), {{"CDFILIAL", S("01")},
                                 {"CDPRODUTO", S("TWO")},
                                 {"CDIMPOSTO", S("T2")},
                                 {"VRPEALIMPFIS", 7.0}});
    addGroup(S("G1"), {S("A1"), S("NOTAX"), S("TWO")}, quantity(0));

    EXPECT_EQ(refusal(S("A1")), QString());
    EXPECT_EQ(refusal(S("NOTAX")), text("IMPOS_NCAD"));
    EXPECT_EQ(refusal(S("TWO")), text("IMPOSTO_ERR"));
    EXPECT_EQ(refusal(S("NOTAX"), S("1")), QString());
    EXPECT_EQ(refusal(S("TWO"), S("1")), QString());
}

TEST_F(Choice, AFailedTaxLookupDoesNotPassOnThePreviousProductsRate)
{
    sellable(S("A1"), 10);
    sellable(S("B1"), 10);
    addGroup(S("G1"), {S("A1"), S("B1")}, quantity(0));
    start();
    touch(S("A1"));
    db->exec(S("DROP TABLE IMPOSTO"));
    touch(S("B1"));
    EXPECT_EQ(column("CDPRODUTO"), QStringList{S("A1")});
    ASSERT_EQ(warnings().size(), 2);
    EXPECT_TRUE(warnings()[0].startsWith(S("getImposto: ")));
    EXPECT_TRUE(warnings()[0].contains(S("IMPOSTO")));
    EXPECT_EQ(warnings()[1], text("IMPOS_NCAD"));
    EXPECT_TRUE(log().contains(warnings()[0].mid(12)));  // the error itself is logged
}

TEST_F(Choice, ThePrinterRateIsCheckedExceptForPrintersThatTakeAnyRate)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    struct Case {
        const char* printer;
        const char* collector;
        bool rateFile;
        bool taken;
    };
    const Case cases[] = {
        {"0", "N", false, false}, {"2", "N", false, false}, {"16", "N", false, true},
        {"21", "N", false, true}, {"26", "N", false, true}, {"30", "N", false, true},
        {"2", "C", false, true},  {"2", "N", true, true},
    };
    for (const Case& c : cases) {
        QFile::remove(QDir(programFolder()).filePath(S("Dados/Cadastros/AliqImpFis.cds")));
        if (c.rateFile)
            writeRates(18, "T");
        writeParameters({{S("UTILIZAIMPFIS"), S("S")},
                         {S("IDTIPOIMPFIS"), S(c.printer)},
                         {S("IDCOLETOR"), S(c.collector)}});
        EXPECT_EQ(refusal(S("A1")), c.taken ? QString() : text("ALIQ_NCAD"))
            << "printer " << c.printer << " collector " << c.collector;
    }
    // A rate of another tax type is no rate of this product.
    writeRates(18, "I");
    writeParameters({{S("UTILIZAIMPFIS"), S("S")}, {S("IDTIPOIMPFIS"), S("2")}});
    EXPECT_EQ(refusal(S("A1")), text("ALIQ_NCAD"));
}

TEST_F(Choice, ElectronicReceiptFieldsAreRequiredInTheirOrder)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    writeParameters({{S("SISTEMAQMTNFCE"), S("S")}});
    struct Case {
        Fiscal fiscal;
        const char* key;  // nullptr: taken
    };
    auto with = [](auto change) {
        Fiscal f;
        change(f);
        return f;
    };
    const Case cases[] = {
        {Fiscal{}, nullptr},
        {with([](Fiscal& f) { f.cst = "101"; }), "CSOSN_INV"},
        {with([](Fiscal& f) {
             f.cst = "101";
             f.taxType = "S";
         }),
         nullptr},
        {with([](Fiscal& f) {
             f.cst = "";
             f.taxType = "S";
         }),
         nullptr},
        {with([](Fiscal& f) { f.cst = ""; }), "CSTICMS_NCAD"},
        {with([](Fiscal& f) {
             f.crt = "3";
             f.cst = "10";
         }),
         "CSTICMS_INV"},
        {with([](Fiscal& f) {
             f.crt = "3";
             f.cst = "00";
         }),
         nullptr},
        {with([](Fiscal& f) {
             f.crt = "2";
             f.cst = "102";
         }),
         "CSTICMS_INV"},
        {with([](Fiscal& f) {
             f.ncm = " ";
             f.cfop = "";
         }),
         "NCM_NCAD"},
        {with([](Fiscal& f) {
             f.cfop = "";
             f.pis = "";
         }),
         "CFOP_NCAD"},
        {with([](Fiscal& f) { f.pisCofins = ""; }), "CSTPC_NCAD"},
        {with([](Fiscal& f) { f.pis = ""; }), "ALIQPIS_NCAD"},
        {with([](Fiscal& f) { f.cofins = ""; }), "ALIQCOF_NCAD"},
    };
    int n = 0;
    for (const Case& c : cases) {
        fiscal(S("A1"), c.fiscal);
        EXPECT_EQ(refusal(S("A1")), c.key ? text(c.key) : QString()) << "case " << n;
        ++n;
    }
}

TEST_F(Choice, ABranchThatClosesItsReceiptsAndTheFiscalRuleNeedTheirOwnFields)
{
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    writeParameters(
        {{S("UTILIZAIMPFIS"), S("S")}, {S("IDTIPOIMPFIS"), S("16")}, {S("IDFECHACUPOM"), S("S")}});
    Fiscal f;
    f.taxType = "S";
    f.cst = "";
    fiscal(S("A1"), f);
    EXPECT_EQ(refusal(S("A1")), text("CSTICMS_NCAD_FC"));
    f.cst = "102";
    f.cofins = "";
    fiscal(S("A1"), f);
    EXPECT_EQ(refusal(S("A1")), text("ALIQCOF_NCAD_FC"));

    writeParameters({{S("SISTEMAQMTNFCE"), S("S")}, {S("IDADESAOREFTRIB"), S("S")}});
    fiscal(S("A1"), Fiscal{});
    EXPECT_EQ(refusal(S("A1")), text("REGRAFISPDV_NCAD"));
    db->insert(S("REGRAFISPDV"), {{"CDREGRAFISPDV", S("R1")},
                                  {"CDCSTIBSCBS", S("000")},
                                  {"CDCLATRIBIBSCBS", S("000001")},
                                  {"VRALIQIBSUF", 0.1},
                                  {"VRALIQIBSMUN", 0.0}});
    run(S("UPDATE PRODUTO SET CDREGRAFISPDV = 'R1'"), {});
    EXPECT_EQ(refusal(S("A1")), text("ALIQCBS_NCAD"));
    run(S("UPDATE REGRAFISPDV SET VRALIQCBS = 0.9"), {});
    EXPECT_EQ(refusal(S("A1")), QString());
}

TEST_F(Choice, PriceRefusalsAndQuietFailures)
{
    sellable(S("A1"), 10);
    sellable(S("B1"), 7);
    sellable(S("C1"), 5);
    addGroup(S("G1"), {S("A1"), S("B1"), S("C1")}, quantity(0));
    showZeroPrices(S("S"));
    host.setPriceFailure(S("B1"), S("BLOQUEADO"));
    EXPECT_EQ(refusal(S("B1")), S("Operação bloqueada. Produto indisponivel no momento."));

    // Price mode "1": a product without a price is added, at no price of another product.
    host.setPriceFailure(S("C1"), S("PRECNCAD"));
    host.clearCalls();
    start(S("1"));
    touch(S("A1"));
    touch(S("C1"));
    EXPECT_EQ(column("VRUNVENDAEST"), (QStringList{S("10"), S("0")}));
    EXPECT_TRUE(warnings().isEmpty());
}

TEST_F(Choice, OnlyOneTouchAtATimeAndOnlyProductsOfTheGroup)
{
    sellable(S("A1"), 10);
    sellable(S("OUT"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(0));
    auto& s = start();
    s.boProcessandoProd = true;
    touch(S("A1"));
    EXPECT_EQ(lineCount(), 0);

    s.boProcessandoProd = false;
    s.stCdProdExterno = S("OUT");
    s.bpbProd01Click(nullptr);
    EXPECT_EQ(lineCount(), 0);
    s.stCdProdExterno = S("A1");
    s.bpbProd01Click(nullptr);
    EXPECT_EQ(column("CDPRODUTO"), QStringList{S("A1")});
    EXPECT_FALSE(s.boProcessandoProd);
    EXPECT_TRUE(s.stCdProdExterno.isEmpty());
}

TEST_F(Choice, ACompleteGroupHandsOnToTheNextButtonThatCanTakeIt)
{
    for (const char* p : {"A1", "B1", "C1", "D1"})
        sellable(S(p), 10);
    addGroup(S("G1"), {S("A1")}, quantity(2));
    addGroup(S("G2"), {S("B1")}, quantity(1));
    addGroup(S("G3"), {S("C1")}, quantity(1));
    addGroup(S("G4"), {S("D1")}, quantity(0));
    auto& s = start();
    s.blbMenu(3).enabled = false;  // as if locked by an exclusive group

    touch(S("A1"));
    EXPECT_EQ(s.stCdGrupoAtual, S("G1"));
    touch(S("A1"));
    EXPECT_EQ(s.stCdGrupoAtual, S("G2"));
    EXPECT_EQ(s.blbMenu(1).color, combinada::corDestaque);
    EXPECT_EQ(s.blbMenu(2).color, combinada::corGrupoSelecionado);
    EXPECT_TRUE(s.blbMenu(2).down);

    touch(S("B1"));
    EXPECT_EQ(s.stCdGrupoAtual, S("G4"));
    EXPECT_TRUE(s.blbMenu(4).down);
    for (int i = 0; i < 3; ++i)
        touch(S("D1"));
    EXPECT_EQ(s.stCdGrupoAtual, S("G4"));  // a group of quantity 0 never completes
    EXPECT_EQ(lineCount(), 6);
}

TEST_F(Choice, ALockedLastButtonOnTheLastPageKeepsTheMenu)
{
    for (int i = 1; i <= 10; ++i) {
        const QString n = QString::number(i);
        sellable(S("P") + n, 10);
        addGroup(S("G") + n, {S("P") + n}, quantity(1));
    }
    auto& s = start();
    s.blbMenu01Click(s.blbMenu(9));
    s.blbMenu(10).enabled = false;
    touch(S("P9"));
    EXPECT_EQ(lineCount(), 1);
    EXPECT_EQ(menuCaptions().size(), 10);
    EXPECT_EQ(s.stCdGrupoAtual, S("G9"));
}

TEST_F(Choice, CombinedProductsShareThePortionEvenWhenTheGroupIsFull)
{
    sellable(S("A1"), 10);
    sellable(S("A2"), 12);
    GroupSpec setup = quantity(2);
    setup.combines = S("S");
    addGroup(S("G1"), {S("A1"), S("A2")}, setup);
    auto& s = start();
    touch(S("A1"));
    touch(S("A2"));
    EXPECT_EQ(column("QTPRODVEND"), (QStringList{S("0.5"), S("0.5")}));
    EXPECT_EQ(column("IDPESAPROD"), (QStringList{S("S"), S("S")}));
    EXPECT_EQ(column("NRSEQ"), (QStringList{S("4"), S("5")}));

    touch(S("A1"));  // refused, the portion is shared again
    EXPECT_EQ(warnings(), QStringList{S("Quantidade de produtos não pode ser excedida.")});
    EXPECT_EQ(column("NRSEQ"), (QStringList{S("6"), S("7")}));
    EXPECT_EQ(s.controlesBandeja().size(), 10);
}

// A touch that places nothing leaves the shares of a combined group as they were.
TEST_F(Choice, ARefusedProductDoesNotShareACombinedGroupAgain)
{
    sellable(S("A1"), 10);
    sellable(S("B1"), 7);
    GroupSpec setup = quantity(3);
    setup.combines = S("S");
    addGroup(S("G1"), {S("A1"), S("B1")}, setup);
    host.setPriceFailure(S("B1"), S("BLOQUEADO"));
    start();
    touch(S("A1"));
    const QStringList antes = column("NRSEQ");
    touch(S("B1"));
    EXPECT_EQ(lineCount(), 1);
    EXPECT_EQ(column("NRSEQ"), antes);
}

TEST_F(Choice, WithoutTheAddScreenANestedPromotionAddsNothing)
{
    nestedPromotion(S("N1"));
    addGroup(S("G1"), {S("N1")}, quantity(0));
    start();
    touch(S("N1"));
    EXPECT_EQ(lineCount(), 0);
    EXPECT_TRUE(log().contains(S("PROMOÇÃO ANINHADA SEM TELA DE ADIÇÃO: N1")));
}

TEST_F(Choice, ANestedPromotionAddsItsLinesAsOneSet)
{
    nestedPromotion(S("N1"));
    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("N1"), S("A1")}, quantity(0));
    QList<QVariantList> calls;
    combinada::criaPromoCombAdd =
        [&](DataSet& itens, DataSet& obs, DataSet& ctObs, const QString& promo, const QString& nome,
            const QString&, const QString&, const QString& tipo, const QString&, const QString&,
            double preco, double, double quantidade, bool aplica, bool, const QString&,
            DataSet& vendidos, const QString&) {
            calls.append({promo, nome, tipo, preco, quantidade, aplica, vendidos.name()});
            const QList<QPair<QString, QString>> rows = {
                {S("NX"), S("GX")}, {S("N1"), S("GX")}, {S("NY"), S("GY")}};
            int seq = 0;
            for (const auto& [code, grp] : rows) {
                itens.append();
                itens.setValue(S("CDPRODUTO"), code);
                itens.setValue(S("NMPRODUTO"), QString(S("Nome ") + code));
                itens.setValue(S("CDARVPROD"), code);
                itens.setValue(S("CDGRUPROMOC"), grp);
                itens.setValue(S("NRSEQ"), QString::number(++seq));
                itens.setValue(S("VRUNVENDAEST"), 5.0);
                itens.setValue(S("VRPRECOCLIE"), 6.0);
                itens.setValue(S("QTPRODVEND"), 1.0);
                itens.setValue(S("IDIMPGRPROMO"), S("N"));
                itens.post();
            }
            obs.append();
            obs.setValue(S("NRSEQ"), S("2"));
            obs.setValue(S("CDPRODUTO"), S("N1"));
            obs.setValue(S("CDGRPOCOR"), S("01"));
            obs.setValue(S("CDOCORR"), S("07"));
            obs.post();
            ctObs.append();
            ctObs.setValue(S("NRSEQ"), S("002"));
            ctObs.setValue(S("CDPRODUTO"), S("X9"));
            ctObs.setValue(S("CDOCORR"), S("08"));
            ctObs.post();
            return true;
        };
    combinada::nrSeqItemAdd = 1;  // as the entry starts it
    auto& s = start();
    touch(S("N1"));
    touch(S("A1"));
    touch(S("N1"));

    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0],
              (QVariantList{S("N1"), S("Nome N1"), S("2"), 20.0, 1.0, false, S("cdsItemProd")}));
    EXPECT_EQ(column("CDPRODUTO"),
              (QStringList{S("NX"), S("N1"), S("NY"), S("A1"), S("NX"), S("N1"), S("NY")}));
    EXPECT_EQ(column("NRSEQITEMADD"),
              (QStringList{S("1"), S("1"), S("1"), S("0"), S("2"), S("2"), S("2")}));
    // The nested product's own line stays in the group it was chosen in; the others
    // keep theirs, and all remember where they came from.
    EXPECT_EQ(column("CDGRUPROMOC"),
              (QStringList{S("GX"), S("G1"), S("GY"), S("G1"), S("GX"), S("G1"), S("GY")}));
    EXPECT_EQ(column("CDGRUPROMOCORIG").mid(0, 3), (QStringList{S("G1"), S("G1"), S("G1")}));
    EXPECT_DOUBLE_EQ(money(1, "VRPRECOCLIE"), 6.0);
    // The controlled observation of a line takes a number of its own.
    EXPECT_EQ(column("NRSEQ"),
              (QStringList{S("1"), S("2"), S("4"), S("5"), S("6"), S("7"), S("9")}));
    EXPECT_EQ(column(s.cdsObsItens, "NRSEQ"), (QStringList{S("2"), S("7")}));
    EXPECT_EQ(column(s.cdsProdCtObs, "NRSEQ"), (QStringList{S("002"), S("007")}));
    EXPECT_EQ(combinada::nrSeqItemAdd, 3);

    // One line of a set takes the whole set with it, observations included.
    s.BandejaClick(trayPicture(2));
    EXPECT_EQ(column("CDPRODUTO"), (QStringList{S("A1"), S("NX"), S("N1"), S("NY")}));
    EXPECT_EQ(column(s.cdsObsItens, "NRSEQ"), QStringList{S("7")});
    EXPECT_EQ(column(s.cdsProdCtObs, "NRSEQ"), QStringList{S("007")});
    EXPECT_EQ(s.controlesBandeja().size(), 20);
    EXPECT_EQ(s.controlesBandeja().first()->tag, 5);
    EXPECT_EQ(s.controlesBandeja().first()->bounds.top, 0);

    // A row that fails halfway leaves no half line behind (no tray entry, no line), and
    // the set's number is used up all the same: the next nested promotion starts afresh.
    db->exec(S("DROP TABLE DESGRUPROMOCPR"));
    const QStringList linhas = column("CDPRODUTO");
    touch(S("N1"));
    EXPECT_EQ(column("CDPRODUTO"), linhas);
    EXPECT_EQ(s.controlesBandeja().size(), 20);
    EXPECT_EQ(column("NRSEQITEMADD").last(), S("2"));
    EXPECT_EQ(combinada::nrSeqItemAdd, 4);
}

}  // namespace
}  // namespace kvp::test
