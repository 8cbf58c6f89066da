// Fiscal, occurrence, coupon and display lookups.

#include "srv_suite.h"

namespace kvp::test {
namespace {

using L = QStringList;

class Lookups : public SrvTest {};

TEST_P(Lookups, TaxesAndFiscalDataPerProduct)
{
    product("A1");
    product("B1");
    db().insert(S("IMPOSTO"), {{"CDIMPOSTO", V("ICM")}, {"IDTPIMPOSFIS", V("T")}, {"CDINTIMPOSTO", V("01")},
                               {"NMIMPOSTO", V("ICMS")}, {"SGIMPOSTO", V("ICMS")}});
    db().insert(S("IMPOSTO"), {{"CDIMPOSTO", V("ISS")}, {"IDTPIMPOSFIS", V("S")}, {"CDINTIMPOSTO", V("02")},
                               {"NMIMPOSTO", V("ISS")}, {"SGIMPOSTO", V("ISS")}});
    db().insert(S("ALIQIMPFIS"), {{"CDFILIAL", V("01")}, {"CDPRODUTO", V("A1")}, {"CDIMPOSTO", V("ICM")},
                                  {"VRPEALIMPFIS", 18.0}, {"CDCSTICMS", V("00")}, {"VRALIQPIS", 0.65}});
    db().insert(S("ALIQIMPFIS"), {{"CDFILIAL", V("01")}, {"CDPRODUTO", V("B1")}, {"CDIMPOSTO", V("ISS")},
                                  {"VRPEALIMPFIS", 5.0}});
    const DataPacket a = getImposto(S("01"), S("A1"), S("")).asPacket();
    EXPECT_EQ(names(a), (L{S("VRPEALIMPFIS"), S("CDIMPOSTO"), S("IDTPIMPOSFIS"), S("CDINTIMPOSTO"),
                           S("NMIMPOSTO"), S("SGIMPOSTO")}));
    EXPECT_EQ(column(a, "VRPEALIMPFIS"), L{S("18")});
    EXPECT_EQ(column(getImposto(S("01"), S("B1"), S("")).asPacket(), "CDIMPOSTO"), L{S("ISS")});

    db().insert(S("FILIAL"), {{"CDFILIAL", V("01")}, {"CDEMPRESA", V("E1")}});
    db().insert(S("PARAMEMPRESA"), {{"CDEMPRESA", V("E1")}, {"CDSITUCRT", V("3")}});
    const DataPacket nfce = getValidProdNFCe(S("01"), S("A1")).asPacket();
    EXPECT_EQ(names(nfce), (L{S("NMPRODUTO"), S("CDPRODUTO"), S("CDEMPRESA"), S("CDSITUCRT"), S("CDFILIAL"),
                              S("CDCLASFISC"), S("CDCSTICMS"), S("CDCSTPISCOF"), S("CDCFOPPFIS"),
                              S("VRALIQPIS"), S("VRALIQCOFINS"), S("IDTPIMPOSFIS")}));
    ASSERT_EQ(nfce.rows.size(), 1);
    EXPECT_EQ(column(nfce, "CDSITUCRT"), L{S("3")});
    EXPECT_DOUBLE_EQ(nfce.rows.at(0).at(9).toDouble(), 0.65);
    EXPECT_TRUE(getValidProdNFCe(S("02"), S("A1")).asPacket().rows.isEmpty());

    db().insert(S("REGRAFISPDV"), {{"CDREGRAFISPDV", V("R1")}, {"CDCSTIBSCBS", V("000")}, {"VRALIQCBS", 0.9}});
    db().insert(S("PRODUTO"), {{"CDPRODUTO", V("A2")}, {"CDREGRAFISPDV", V("R1")}});
    const DataPacket rule = getRegraFisPdv(S("A2")).asPacket();
    EXPECT_EQ(names(rule), (L{S("CDREGRAFISPDV"), S("CDCSTIBSCBS"), S("CDCLATRIBIBSCBS"), S("VRALIQIBSUF"),
                              S("VRALIQIBSMUN"), S("VRALIQCBS")}));
    EXPECT_EQ(column(rule, "CDREGRAFISPDV"), L{S("R1")});
    EXPECT_TRUE(getRegraFisPdv(S("B1")).asPacket().rows.isEmpty());
}

TEST_P(Lookups, OccurrencesOfTheStoreGroupWithFixedFields)
{
    db().insert(S("GRUPOCOR"), {{"CDGRPOCOR", V("G1")}});
    db().insert(S("GRUPOCOR"), {{"CDGRPOCOR", V("G2")}});
    db().insert(S("LOJA"), {{"CDFILIAL", V("01")}, {"CDLOJA", V("L1")}, {"CDGRPOCORPED", V("G1")}});
    for (const auto& [grp, occ, text] : {std::tuple{"G1", "02", "Sem cebola"}, std::tuple{"G1", "01", "Bem passado"},
                                         std::tuple{"G2", "03", "Outro grupo"}}) {
        db().insert(S("OCORRENCIA"), {{"CDGRPOCOR", V(grp)}, {"CDOCORR", V(occ)}, {"DSOCORR", V(text)},
                                      {"IDCONTROLAOBS", V("N")}});
        db().insert(S("PRODOCORRE"), {{"CDPRODUTO", V("A1")}, {"CDGRPOCOR", V(grp)}, {"CDOCORR", V(occ)}});
    }
    const DataPacket p = getOcorPed(S("01"), S("L1"), S("A1")).asPacket();
    EXPECT_EQ(p.fields, (FieldDefs{stringField(S("CDGRPOCOR"), 2), stringField(S("CDOCORR"), 2),
                                   stringField(S("CDTIPRISCO"), 2), stringField(S("DSOCORR"), 40),
                                   stringField(S("CDPRODUTO"), 10), stringField(S("IDCONTROLAOBS"), 1)}));
    EXPECT_EQ(column(p, "DSOCORR"), (L{S("Bem passado"), S("Sem cebola")}));
    EXPECT_TRUE(getOcorPed(S("01"), S("L2"), S("A1")).asPacket().rows.isEmpty());
}

// A shop's columns may be wider than the fields the lookups name: their texts come whole.
TEST_P(Lookups, OccurrencesAndCouponsAsWideAsTheShopsColumns)
{
    // A new connection: the SQLite ODBC driver keeps the column sizes it read.
    freeDataModule();
    closeKeptSession();
    for (const char* ddl :
         {"DROP TABLE OCORRENCIA",
          "CREATE TABLE OCORRENCIA (CDGRPOCOR VARCHAR(2) NOT NULL, CDOCORR VARCHAR(2) NOT NULL, "
          "CDTIPRISCO VARCHAR(2), DSOCORR VARCHAR(60), CDPRODUTO VARCHAR(10), IDCONTROLAOBS "
          "VARCHAR(1))",
          "DROP TABLE CUPOMDESCQMT",
          "CREATE TABLE CUPOMDESCQMT (CDCUPOMDESCQMT VARCHAR(20) NOT NULL, IDTIPODESC VARCHAR(1), "
          "VRDESCCUPOM NUMERIC(15,4), DTINIVIGENCIA TIMESTAMP, DTFIMVIGENCIA TIMESTAMP, IDUSOUNICO "
          "VARCHAR(1))",
          "DROP TABLE PRODCUPOMDESC",
          "CREATE TABLE PRODCUPOMDESC (CDCUPOMDESCQMT VARCHAR(20) NOT NULL, CDPRODUTO VARCHAR(10) "
          "NOT NULL)"})
        db().exec(S(ddl));
    const QString longText = QString(51, QLatin1Char('x'));
    db().insert(S("GRUPOCOR"), {{"CDGRPOCOR", V("G1")}});
    db().insert(S("LOJA"), {{"CDFILIAL", V("01")}, {"CDLOJA", V("L1")}, {"CDGRPOCORPED", V("G1")}});
    db().insert(S("OCORRENCIA"), {{"CDGRPOCOR", V("G1")},
                                  {"CDOCORR", V("01")},
                                  {"DSOCORR", longText},
                                  {"IDCONTROLAOBS", V("N")}});
    db().insert(S("PRODOCORRE"),
                {{"CDPRODUTO", V("A1")}, {"CDGRPOCOR", V("G1")}, {"CDOCORR", V("01")}});
    for (const char* code : {"CUPOMDEZPC", "CUPOMDEZPC50"}) {
        db().insert(S("CUPOMDESCQMT"), {{"CDCUPOMDESCQMT", V(code)},
                                        {"IDTIPODESC", V("P")},
                                        {"VRDESCCUPOM", 10.0},
                                        {"IDUSOUNICO", V("N")}});
        db().insert(S("PRODCUPOMDESC"), {{"CDCUPOMDESCQMT", V(code)}, {"CDPRODUTO", V("A1")}});
    }
    ensureDataModule();

    const DataResult occurrences = getOcorPed(S("01"), S("L1"), S("A1"));
    ASSERT_FALSE(occurrences.isError()) << occurrences.errorText().toStdString();
    EXPECT_EQ(column(occurrences.asPacket(), "DSOCORR"), L{longText});
    const DataResult coupons = getCuponsValidos(S("01"), S("A1"));
    ASSERT_FALSE(coupons.isError()) << coupons.errorText().toStdString();
    QStringList codes = column(coupons.asPacket(), "CDCUPOMDESCQMT");
    codes.sort();
    EXPECT_EQ(codes, (L{S("CUPOMDEZPC"), S("CUPOMDEZPC50")}));
}

TEST_P(Lookups, ProductOnAnOpenSale)
{
    db().insert(S("VENDAREST"), {{"CDFILIAL", V("01")}, {"NRVENDAREST", V("V1")}});
    db().insert(S("COMANDAVEN"), {{"CDFILIAL", V("01")}, {"NRVENDAREST", V("V1")}, {"NRCOMANDA", V("C1")}});
    db().insert(S("ITCOMANDAVEN"), {{"CDFILIAL", V("01")}, {"NRVENDAREST", V("V1")}, {"NRCOMANDA", V("C1")},
                                    {"NRPRODCOMVEN", V("001")}, {"CDPRODUTO", V("A1")}});
    const DataPacket p = getExisteProd(S("01"), S("A1"), S("V1")).asPacket();
    EXPECT_EQ(names(p), (L{S("CDFILIAL"), S("NRVENDAREST"), S("NRCOMANDA"), S("CDPRODUTO")}));
    EXPECT_EQ(p.rows.size(), 1);
    EXPECT_TRUE(getExisteProd(S("01"), S("B1"), S("V1")).asPacket().rows.isEmpty());
    EXPECT_TRUE(getExisteProd(S("01"), S("A1"), S("V2")).asPacket().rows.isEmpty());
}

TEST_P(Lookups, CouponsInTheirFourGroupsWithoutSpentSingleUseOnes)
{
    auto coupon = [&](const char* code, const char* single, std::initializer_list<const char*> branches) {
        db().insert(S("CUPOMDESCQMT"), {{"CDCUPOMDESCQMT", V(code)}, {"IDTIPODESC", V("P")},
                                        {"VRDESCCUPOM", 10.0}, {"DTINIVIGENCIA", QDate(2024, 1, 1)},
                                        {"DTFIMVIGENCIA", QDate(2024, 12, 31)}, {"IDUSOUNICO", V(single)}});
        db().insert(S("PRODCUPOMDESC"), {{"CDCUPOMDESCQMT", V(code)}, {"CDPRODUTO", V("A1")}});
        for (const char* b : branches)
            db().insert(S("FILIALCUPOMDESC"), {{"CDCUPOMDESCQMT", V(code)}, {"CDFILIAL", V(b)}});
    };
    auto use = [&](const char* code) {
        db().insert(S("USOCUPOMDESCQMT"), {{"CDCUPOMDESCQMT", V(code)}, {"NRSEQUSOCUPOM", V("1")}});
    };
    coupon("S_ALL", "S", {});
    coupon("S_HERE", "S", {"01"});
    coupon("M_ALL", "N", {});
    coupon("M_HERE", "N", {"01", "02"});
    coupon("M_THERE", "N", {"02"});
    coupon("S_SPENT", "S", {"01"});
    use("S_SPENT");
    use("M_HERE");  // uses do not matter for multi-use coupons

    const DataPacket p = getCuponsValidos(S("01"), S("A1")).asPacket();
    EXPECT_EQ(p.fields, (FieldDefs{stringField(S("CDCUPOMDESCQMT"), 10), stringField(S("IDTIPODESC"), 1),
                                   floatField(S("VRDESCCUPOM")), dateTimeField(S("DTINIVIGENCIA")),
                                   dateTimeField(S("DTFIMVIGENCIA")), stringField(S("IDUSOUNICO"), 1)}));
    EXPECT_EQ(column(p, "CDCUPOMDESCQMT"), (L{S("M_HERE"), S("M_ALL"), S("S_HERE"), S("S_ALL")}));
    EXPECT_EQ(p.rows.at(0).at(3).toDateTime(), QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
    EXPECT_EQ(p.rows.at(0).at(4).toDateTime(), QDateTime(QDate(2024, 12, 31), QTime(0, 0)));
    EXPECT_EQ(column(getCuponsValidos(S("03"), S("A1")).asPacket(), "CDCUPOMDESCQMT"),
              (L{S("M_ALL"), S("S_ALL")}));
}

TEST_P(Lookups, SwitchesAreTextsAndEmptyWhenUnset)
{
    EXPECT_EQ(getIDUTCUPOMDESC(), S(""));
    EXPECT_EQ(getExibeProd(S("01")), S(""));
    db().insert(S("PARAMGERAL"), {{"CDPARAMGERAL", V("1")}, {"IDUTCUPOMDESC", V("S")}});
    db().insert(S("PARAVEND"), {{"CDFILIAL", V("01")}, {"IDEXIBEPRECZERO", V("N")}});
    EXPECT_EQ(getIDUTCUPOMDESC(), S("S"));
    EXPECT_EQ(getExibeProd(S("01")), S("N"));
    EXPECT_EQ(getExibeProd(S("02")), S(""));
}

INSTANTIATE_TEST_SUITE_P(Backends, Lookups,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres, Backend::OdbcSqlite,
                                           Backend::OdbcPostgres),
                         backendParamName);

}  // namespace
}  // namespace kvp::test
