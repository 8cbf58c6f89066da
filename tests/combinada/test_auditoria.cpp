// The promotion audit on purpose-built promotions: each broken one found with its reason,
// a sound one reported clean, on SQLite and on PostgreSQL.

#include "backendselection.h"

#include "auditoria.h"

#include <QSqlQuery>

namespace kvp::test {
namespace {

using auditoria::Achado;
using auditoria::Gravidade;

class Audit : public BackendSelection, public ::testing::WithParamInterface<Backend> {
protected:
    Backend backend() const override { return GetParam(); }
    void SetUp() override
    {
        BackendSelection::SetUp();
        db->insert(S("FILIAL"), {{"CDFILIAL", S("01")}, {"CDEMPRESA", S("01")}, {"NMFILIAL", S("F")}});
        estacao.stCdFilial = S("01");
        estacao.stNrConfTela = S("1");
        estacao.boUtilizaImpFis = true;
        estacao.boSistemaQmtNfce = false;
        estacao.nrIdTipoImpFis = 16;  // a printer that takes any rate
    }
    // Modes: the menu's price mode of each promotion the host sells; the others take modo.
    QList<Achado> audita(const QString& modo = S("2"), const QHash<QString, QString>& modos = {})
    {
        auditoria::OpcoesAuditoria o;
        o.filial = S("01");
        o.modoPadrao = modo;
        o.modoPreco = [modos](const QString& promocao) { return modos.value(promocao); };
        return auditoria::auditaPromocoes(estacao, o).achados;
    }
    static QStringList naoVendem(const QList<Achado>& achados)
    {
        QStringList r;
        for (const Achado& a : achados)
            if (a.gravidade == Gravidade::NaoVende)
                r << a.promocao;
        return r;
    }
    static std::string motivos(const QList<Achado>& achados)
    {
        std::string r;
        for (const Achado& a : achados)
            r += a.promocao.toStdString() + ": " + a.motivo.toStdString() + "\n";
        return r;
    }
    // A promotion of one group holding the products, besides PROMO.
    void promocao(const QString& codigo, const QString& grupo, const QStringList& produtos)
    {
        product(codigo, S("Promoção ") + codigo);
        group(grupo, S("Grupo ") + grupo, produtos);
        db->insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", codigo}, {"CDGRUPROMOC", grupo},
                                        {"NRSEQGRPROMO", 1}, {"QTPRGRUPPROMOC", 1},
                                        {"QTPRGRUPROMIN", 1}});
    }
    // The one finding about PROMO whose reason holds the text, or a failure.
    static Achado um(const QList<Achado>& achados, const QString& parte)
    {
        for (const Achado& a : achados)
            if (a.motivo.contains(parte))
                return a;
        std::string todos;
        for (const Achado& a : achados)
            todos += a.motivo.toStdString() + "\n";
        ADD_FAILURE() << "no finding says \"" << parte.toStdString() << "\"; found:\n" << todos;
        return {};
    }
    void exec(const QString& sql)
    {
        QSqlQuery q(db->database());
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
    }
    auditoria::Estacao estacao;
};

TEST_P(Audit, SoundPromotionIsClean)
{
    sellable(S("A1"), 10);
    sellable(S("A2"), 11);
    sellable(S("B1"), 5);
    addGroup(S("G1"), {S("A1"), S("A2")}, quantity(2, 2));
    addGroup(S("G2"), {S("B1")}, quantity(1, 1));
    for (const Achado& a : audita())
        ADD_FAILURE() << a.motivo.toStdString();
}

TEST_P(Audit, GroupsThatCannotFill)
{
    // Blocked, out of hours, unpriced: under mode "2" none of them can be chosen.
    sellable(S("A1"), 10);
    sellable(S("B1"), 5);
    sellable(S("B2"), 5);
    product(S("B3"), S("Sem preço"));
    host.setPriceFailure(S("B1"), S("BLOQUEADO"));
    host.setPriceFailure(S("B2"), S("FORAHORA"));
    addGroup(S("G1"), {S("A1")}, quantity(1, 1));
    addGroup(S("G2"), {S("B1"), S("B2"), S("B3")}, quantity(1, 1));
    const QList<Achado> r = audita();
    const Achado a = um(r, S("não oferece nenhum"));
    EXPECT_EQ(a.gravidade, Gravidade::NaoVende);
    EXPECT_EQ(a.grupo, S("G2"));
    EXPECT_TRUE(a.motivo.contains(S("Operação bloqueada. Produto indisponivel no momento.")));
    EXPECT_TRUE(a.motivo.contains(S("Preço do produto deve ser cadastrado.")));
    // Under a fixed price only the blocked and out-of-hours codes refuse: B3 sells.
    EXPECT_TRUE(audita(S("1")).isEmpty());
}

TEST_P(Audit, QuantitiesAndValidity)
{
    sellable(S("A1"), 10);
    sellable(S("A2"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(3, 3));
    addGroup(S("G2"), {S("A2")}, quantity(1, 2));
    const QList<Achado> r = audita();
    EXPECT_EQ(um(r, S("oferece só 1")).gravidade, Gravidade::Suspeita);
    EXPECT_EQ(um(r, S("mínimo do grupo (2) é maior")).grupo, S("G2"));

    // A promotion whose only group has expired.
    db->insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", S("VELHA")}, {"CDGRUPROMOC", S("G1")},
                                    {"NRSEQGRPROMO", 1}, {"QTPRGRUPPROMOC", 1},
                                    {"QTPRGRUPROMIN", 1},
                                    {"DTINIVGGRPROMO", QDateTime(QDate(2020, 1, 1), QTime(0, 0))},
                                    {"DTFINVGGRPROMO", QDateTime(QDate(2020, 2, 1), QTime(0, 0))}});
    const Achado velha = um(audita(), S("nenhum grupo válido"));
    EXPECT_EQ(velha.promocao, S("VELHA"));
    EXPECT_EQ(velha.gravidade, Gravidade::NaoVende);
}

TEST_P(Audit, ExclusiveSets)
{
    sellable(S("A1"), 10);
    sellable(S("B1"), 10);
    sellable(S("C1"), 10);
    host.setPriceFailure(S("A1"), S("BLOQUEADO"));
    host.setPriceFailure(S("B1"), S("BLOQUEADO"));
    addGroup(S("GA"), {S("A1")}, quantity(1, 1, S("M1")));
    addGroup(S("GB"), {S("B1")}, quantity(1, 1, S("M1")));
    addGroup(S("GC"), {S("C1")}, quantity(1, 1));
    const Achado a = um(audita(), S("mutuamente exclusivos M1"));
    EXPECT_EQ(a.gravidade, Gravidade::NaoVende);

    // With one group of the set that fills, the other is only a lost alternative.
    host.setPrice(S("B1"), 10);
    const QList<Achado> r = audita();
    EXPECT_EQ(um(r, S("grupo exclusivo Grupo GB")).gravidade, Gravidade::VendeEmParte);
    for (const Achado& x : r)
        EXPECT_NE(x.gravidade, Gravidade::NaoVende) << x.motivo.toStdString();
}

TEST_P(Audit, PreSelectedAndObligatory)
{
    sellable(S("A1"), 10);
    sellable(S("A2"), 10);
    sellable(S("B1"), 10);
    addGroup(S("G1"), {S("A1"), S("A2")}, quantity(1, 1));
    addGroup(S("G2"), {S("B1")}, quantity(1, 1));
    obligatory(S("G1"), S("A1"));
    obligatory(S("G1"), S("A2"));
    // B1 pre-selected in G1, where it is not a product.
    db->insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", S("PROMO")}, {"CDGRUPROMOC", S("G1")},
                                     {"CDPRODUTO", S("B1")}, {"NRSEQGRPROMO", 1},
                                     {"IDOBRPRODSELEC", S("S")}, {"IDPRODPRESELEC", S("S")}});
    const QList<Achado> r = audita();
    EXPECT_EQ(um(r, S("2 produtos pré-selecionados ou obrigatórios e quantidade 1")).grupo, S("G1"));
    EXPECT_EQ(um(r, S("não está entre os produtos do grupo")).produto, S("B1"));
    EXPECT_EQ(um(r, S("marcado como obrigatório no grupo G1")).produto, S("B1"));
}

TEST_P(Audit, FiscalChecksOfPriceModeTwo)
{
    sellable(S("A1"), 10);
    product(S("B1"), S("Sem imposto"));
    host.setPrice(S("B1"), 5);
    addGroup(S("G1"), {S("A1")}, quantity(1, 1));
    addGroup(S("G2"), {S("B1")}, quantity(1, 1));
    const Achado a = um(audita(S("2")), S("não possui um imposto parametrizado"));
    EXPECT_EQ(a.gravidade, Gravidade::NaoVende);
    EXPECT_TRUE(audita(S("1")).isEmpty());
}

TEST_P(Audit, NestedPromotions)
{
    sellable(S("A1"), 10);
    sellable(S("X1"), 10);
    host.setPriceFailure(S("X1"), S("BLOQUEADO"));
    product(S("INNER"), S("Combo de dentro"));
    host.setPrice(S("INNER"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(1, 1));
    addGroup(S("G2"), {S("INNER")}, quantity(1, 1));
    group(S("GI"), S("Grupo de dentro"), {S("X1"), S("PROMO")});
    product(S("PROMO"), S("A promoção"));
    db->insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", S("INNER")}, {"CDGRUPROMOC", S("GI")},
                                    {"NRSEQGRPROMO", 1}, {"QTPRGRUPPROMOC", 1},
                                    {"QTPRGRUPROMIN", 1}});
    const QList<Achado> r = audita();
    // Inside PROMO the nested combo cannot be completed once PROMO is priced out too.
    EXPECT_EQ(um(r, S("aninhada INNER aninha a si mesma")).promocao, S("PROMO"));
    host.setPriceFailure(S("PROMO"), S("BLOQUEADO"));
    const Achado a = um(audita(), S("promoção aninhada INNER não pode ser vendida"));
    EXPECT_EQ(a.gravidade, Gravidade::NaoVende);
    EXPECT_EQ(a.promocao, S("PROMO"));
}

TEST_P(Audit, CampaignsAndCoupons)
{
    sellable(S("A1"), 10);
    sellable(S("A2"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(1, 1));
    exec(S("INSERT INTO CAMPANHAPROMO (CDCAMPPROMO, NMCAMPPROMO, DTINIVGCAMP, DTFINVGCAMP) "
           "VALUES ('C1', 'Par', '2020-01-01 00:00:00', '2099-12-31 23:59:59')"));
    exec(S("INSERT INTO COMBINAPROD (CDCAMPPROMO, CDPRODPRIN, CDPRODCOMB) VALUES ('C1', 'A1', 'A2')"));
    exec(S("INSERT INTO CUPOMDESCQMT (CDCUPOMDESCQMT, IDTIPODESC, VRDESCCUPOM, DTINIVIGENCIA, "
           "DTFIMVIGENCIA, IDUSOUNICO) VALUES ('VELHO', 'P', 10, '2020-01-01 00:00:00', "
           "'2020-12-31 23:59:59', 'N'), ('ORFAO', 'P', 10, NULL, NULL, 'N'), "
           "('BOM', 'P', 10, NULL, NULL, 'N')"));
    exec(S("INSERT INTO PRODCUPOMDESC (CDCUPOMDESCQMT, CDPRODUTO) VALUES ('VELHO', 'A1'), "
           "('ORFAO', 'A2'), ('BOM', 'A1')"));
    exec(S("INSERT INTO PARAMGERAL (CDPARAMGERAL, IDUTCUPOMDESC) VALUES ('01', 'S')"));
    const QList<Achado> r = audita();
    EXPECT_EQ(um(r, S("campanha C1 (Par) nunca se completa")).promocao, S("PROMO"));
    EXPECT_EQ(um(r, S("vigência até 31/12/2020")).produto, S("VELHO"));
    EXPECT_EQ(um(r, S("nenhuma promoção oferece")).produto, S("ORFAO"));
    for (const Achado& a : r)
        EXPECT_NE(a.produto, S("BOM"));
}

TEST_P(Audit, BranchLayerOverridingTheGeneral)
{
    sellable(S("A1"), 10);
    sellable(S("B1"), 10);
    host.setPriceFailure(S("B1"), S("BLOQUEADO"));
    addGroup(S("G1"), {S("A1")}, quantity(1, 1));
    group(S("GF"), S("Grupo da filial"), {S("B1")});
    EXPECT_TRUE(audita().isEmpty());
    db->insert(S("GRUPROMOCPRFIL"), {{"CDFILIAL", S("01")}, {"CDPRODPROMOCAO", S("PROMO")},
                                     {"CDGRUPROMOC", S("GF")}, {"NRSEQGRPROMOFIL", 1},
                                     {"QTPRGRUPPROMFIL", 1}, {"QTPRGRUPROMINFIL", 1}});
    const Achado a = um(audita(), S("configuração própria da filial 01"));
    EXPECT_EQ(a.gravidade, Gravidade::NaoVende);
    EXPECT_EQ(a.grupo, S("GF"));
}

TEST_P(Audit, NestedComboJudgedUnderTheModeItIsSoldIn)
{
    // INNER's own menu mode is "2", where its unpriced product is refused; the add screen
    // runs it under the outer combo's mode, so it sells inside FIXA and not inside SOMA.
    showZeroPrices(S("S"));  // as the sample shop: the add screen lists the unpriced product
    sellable(S("A1"), 10);
    product(S("SEMPRECO"), S("Sem preço próprio"));
    host.setPriceFailure(S("SEMPRECO"), S("PRECNCAD"));
    promocao(S("INNER"), S("GI"), {S("SEMPRECO")});
    host.setPrice(S("INNER"), 10);
    promocao(S("FIXA"), S("GF"), {S("INNER")});
    promocao(S("SOMA"), S("GS"), {S("INNER")});
    addGroup(S("G1"), {S("A1")}, quantity(1, 1));
    struct Case {
        QString innerMode;     // INNER's own, when sold alone
        QStringList unsellable;
    } cases[] = {{S("2"), {S("INNER"), S("SOMA")}}, {S("1"), {S("SOMA")}}};
    for (const Case& c : cases) {
        const QList<Achado> achados = audita(
            S("2"), {{S("FIXA"), S("1")}, {S("SOMA"), S("2")}, {S("INNER"), c.innerMode}});
        QStringList r = naoVendem(achados);
        r.removeDuplicates();
        EXPECT_EQ(r.join(S(" ")), c.unsellable.join(S(" ")))
            << "INNER's own mode " << c.innerMode.toStdString() << "\n" << motivos(achados);
    }
}

TEST_P(Audit, PreSelectedGiftHiddenFromTheGridIsPlaced)
{
    // The free gift has a zero price, which the grid hides (it is not the list's last);
    // the other toy is blocked. The pre-selection places the gift without the grid.
    sellable(S("A1"), 10);
    sellable(S("BRINDE"), 0);
    sellable(S("TOY"), 5);
    host.setPriceFailure(S("TOY"), S("BLOQUEADO"));
    addGroup(S("G1"), {S("A1")}, quantity(1, 1));
    addGroup(S("G2"), {S("BRINDE"), S("TOY")}, quantity(1, 1));
    db->insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", S("PROMO")}, {"CDGRUPROMOC", S("G2")},
                                     {"CDPRODUTO", S("BRINDE")}, {"NRSEQGRPROMO", 1},
                                     {"IDOBRPRODSELEC", S("S")}, {"IDPRODPRESELEC", S("S")}});
    for (const Achado& a : audita(S("1"), {{S("PROMO"), S("1")}}))
        EXPECT_NE(a.gravidade, Gravidade::NaoVende) << a.motivo.toStdString();
    // The screen sells it the same way: the gift placed, A1 touched, confirmed.
    auto& s = start(S("1"));
    s.activated();
    touch(S("A1"));
    confirm();
    EXPECT_EQ(column("CDPRODUTO"), (QStringList{S("BRINDE"), S("A1")}));
}

TEST_P(Audit, CampaignProductLists)
{
    // C1 names its required products in one text (all must be there), C2 its alternatives
    // (one must be); a code counts when it is part of the text.
    sellable(S("A1"), 10);
    sellable(S("A2"), 10);
    sellable(S("A3"), 10);
    sellable(S("B9"), 10);
    addGroup(S("G1"), {S("A1"), S("A2")}, quantity(1, 1));
    struct Case {
        const char* lista;
        const char* opcionais;
        const char* achado;  // nullptr: the campaign can complete
    } cases[] = {
        {"A2;A3", nullptr, "mas A3 não está em nenhum grupo"},
        {"A2", nullptr, nullptr},
        {nullptr, "B9,A3", "nenhum dos produtos de \"B9,A3\""},
        {nullptr, "B9/A2", nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString codigo = S("C") + QString::number(++n);
        insertCampaign(*db, codigo, S("A1"), S("A2"));
        exec(S("UPDATE COMBINAPROD SET CDPRODCOMB3 = %1, CDPRODCOMBOPC = %2 WHERE CDCAMPPROMO = '%3'")
                 .arg(c.lista ? S("'%1'").arg(S(c.lista)) : S("NULL"),
                      c.opcionais ? S("'%1'").arg(S(c.opcionais)) : S("NULL"), codigo));
        QStringList motivos;
        for (const Achado& a : audita())
            if (a.produto == codigo)
                motivos << a.motivo;
        if (c.achado) {
            ASSERT_EQ(motivos.size(), 1) << codigo.toStdString();
            EXPECT_TRUE(motivos[0].contains(S(c.achado))) << motivos[0].toStdString();
        } else {
            EXPECT_TRUE(motivos.isEmpty()) << motivos.join(S(" | ")).toStdString();
        }
        exec(S("DELETE FROM COMBINAPROD"));
        exec(S("DELETE FROM CAMPANHAPROMO"));
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, Audit, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const ::testing::TestParamInfo<Backend>& p) {
                             return backendName(p.param).toStdString();
                         });

}  // namespace
}  // namespace kvp::test
