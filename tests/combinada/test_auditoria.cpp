// The promotion audit on purpose-built promotions: each broken one found with its reason,
// a sound one reported clean.

#include "selectionfixture.h"

#include "auditoria.h"

#include <QSqlQuery>

namespace kvp::test {
namespace {

using auditoria::Achado;
using auditoria::Gravidade;

class Audit : public Selection {
protected:
    void SetUp() override
    {
        Selection::SetUp();
        db->insert(S("FILIAL"), {{"CDFILIAL", S("01")}, {"CDEMPRESA", S("01")}, {"NMFILIAL", S("F")}});
        estacao.stCdFilial = S("01");
        estacao.stNrConfTela = S("1");
        estacao.boUtilizaImpFis = true;
        estacao.boSistemaQmtNfce = false;
        estacao.nrIdTipoImpFis = 16;  // a printer that takes any rate
    }
    QList<Achado> audita(const QString& modo = S("2"))
    {
        auditoria::OpcoesAuditoria o;
        o.filial = S("01");
        o.modoPadrao = modo;
        return auditoria::auditaPromocoes(estacao, o).achados;
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

TEST_F(Audit, SoundPromotionIsClean)
{
    sellable(S("A1"), 10);
    sellable(S("A2"), 11);
    sellable(S("B1"), 5);
    addGroup(S("G1"), {S("A1"), S("A2")}, quantity(2, 2));
    addGroup(S("G2"), {S("B1")}, quantity(1, 1));
    for (const Achado& a : audita())
        ADD_FAILURE() << a.motivo.toStdString();
}

TEST_F(Audit, GroupsThatCannotFill)
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

TEST_F(Audit, QuantitiesAndValidity)
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

TEST_F(Audit, ExclusiveSets)
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

TEST_F(Audit, PreSelectedAndObligatory)
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

TEST_F(Audit, FiscalChecksOfPriceModeTwo)
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

TEST_F(Audit, NestedPromotions)
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

TEST_F(Audit, CampaignsAndCoupons)
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

TEST_F(Audit, BranchLayerOverridingTheGeneral)
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

}  // namespace
}  // namespace kvp::test
