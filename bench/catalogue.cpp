#include "catalogue.h"

#include <QDate>

namespace kvp::bench {

QString productCode(int n) { return QStringLiteral("P%1").arg(n, 6, 10, QLatin1Char('0')); }
QString promotionCode(int n) { return QStringLiteral("PR%1").arg(n, 5, 10, QLatin1Char('0')); }
QString groupCode(int promotion, int group)
{
    return QStringLiteral("G%1%2").arg(promotion, 5, 10, QLatin1Char('0')).arg(group);
}

namespace {

QStringList cols(const char* list) { return QString::fromLatin1(list).split(QLatin1Char(' ')); }
QString S(const char* text) { return QString::fromLatin1(text); }

}  // namespace

void buildCatalogue(DatabaseFixture& fx, const CatalogueSize& size)
{
    fx.exec(S("BEGIN"));
    {
        DatabaseFixture::Writer produto(fx, S("PRODUTO"),
                                        cols("CDPRODUTO NMPRODUTO CDARVPROD IDPESAPROD SGUNIDADE QTTARAPROD IDIMPPRODUTO"));
        DatabaseFixture::Writer familia(fx, S("FAMSALDOPROD"), cols("CDPRODUTO CDFILIAL CDFAMILISALD"));
        for (int p = 1; p <= size.products; ++p) {
            const QString code = productCode(p);
            produto.row({code, QStringLiteral("Produto %1").arg(p), QStringLiteral("%1").arg(p % 997, 4, 10, QLatin1Char('0')),
                         S("N"), S("UN"), 0.0, S("S")});
            familia.row({code, S("01"), QStringLiteral("F%1").arg(p % 50)});
        }
    }
    {
        DatabaseFixture::Writer grupo(fx, S("GRUPROMOC"), cols("CDGRUPROMOC NMGRUPROMOC"));
        DatabaseFixture::Writer prodGrupo(fx, S("PRODGRUPROMOC"), cols("CDGRUPROMOC CDPRODUTO"));
        DatabaseFixture::Writer geral(fx, S("GRUPROMOCPROD"),
                                      cols("CDPRODPROMOCAO CDGRUPROMOC NRSEQGRPROMO QTPRGRUPPROMOC QTPRGRUPROMIN "
                                           "NRORDPROMOGRUP CDGRUPMUTEX IDAPLICADESC IDIMPGRPROMO IDCOMBINAPROD "
                                           "DTINIVGGRPROMO DTFINVGGRPROMO"));
        DatabaseFixture::Writer filial(fx, S("GRUPROMOCPRFIL"),
                                       cols("CDFILIAL CDPRODPROMOCAO CDGRUPROMOC NRSEQGRPROMOFIL QTPRGRUPPROMFIL "
                                            "QTPRGRUPROMINFIL NRORDPROMOGRUPFIL CDGRUPMUTEXFIL DTINIVGGRPROFIL DTFINVGGRPROFIL"));
        DatabaseFixture::Writer ajuste(fx, S("DESGRUPROMOCPR"),
                                       cols("CDPRODPROMOCAO CDGRUPROMOC CDPRODUTO NRSEQGRPROMO IDPERVALORDES "
                                            "VRDESPRODPROMOC IDAPLICADESCPR IDDESCACRPROMO NRORDPROMOPR "
                                            "IDOBRPRODSELEC IDPRODPRESELEC"));
        DatabaseFixture::Writer ajusteFil(fx, S("DESGRUPROMPRFIL"),
                                          cols("CDFILIAL CDPRODPROMOCAO CDGRUPROMOC CDPRODUTO NRSEQGRPROMOFIL "
                                               "IDPERVALDESFIL VRDESPRPROMOFIL NRORDPROMOPRFIL IDPRODPRESELFIL"));
        DatabaseFixture::Writer botao(fx, S("ITMENUCONFTE"),
                                      cols("CDFILIAL NRCONFTELA IDTPBUTTON CDIDENTBUTON CDATAPRODITM"));
        DatabaseFixture::Writer roteiro(fx, S("DESCROTEIRO"), cols("CDPRODUTO TXROTFAB"));
        const QDate from(2000, 1, 1);
        const QDate to(2099, 12, 31);
        int next = 1;
        for (int pr = 1; pr <= size.promotions; ++pr) {
            const QString promo = promotionCode(pr);
            const bool branchLayer = pr % 10 == 0;
            roteiro.row({promo, QStringLiteral("Preparo da promocao %1").arg(pr)});
            for (int g = 1; g <= size.groupsPerPromotion; ++g) {
                const QString grp = groupCode(pr, g);
                grupo.row({grp, QStringLiteral("Grupo %1").arg(grp)});
                const QVariant mutex = g <= 2 ? QVariant(QStringLiteral("M%1").arg(pr)) : QVariant();
                geral.row({promo, grp, 1, 1.0, 0.0, g, mutex, S("S"), S("N"), S("N"),
                           g == 4 ? QVariant() : QVariant(from), g == 4 ? QVariant() : QVariant(to)});
                if (branchLayer)
                    filial.row({S("01"), promo, grp, 1, 1.0, 0.0, g, mutex, from, to});
                for (int k = 0; k < size.productsPerGroup; ++k) {
                    const QString prod = productCode((next++ - 1) % size.products + 1);
                    prodGrupo.row({grp, prod});
                    ajuste.row({promo, grp, prod, 1, S("P"), 5.0, S("S"), S("D"), k + 1, S("N"),
                                k == 0 ? S("S") : S("N")});
                    if (branchLayer && k < 2)
                        ajusteFil.row({S("01"), promo, grp, prod, 1, S("V"), 1.0, k + 1, k == 0 ? S("S") : S("N")});
                }
            }
        }
        for (int b = 1; b <= 2000; ++b)
            botao.row({S("01"), 1, S("1"), productCode(b * 37 % size.products + 1), QString::number(b)});
    }
    {
        DatabaseFixture::Writer campanha(fx, S("CAMPANHAPROMO"),
                                         cols("CDCAMPPROMO DTINIVGCAMP DTFINVGCAMP HRINICAMP HRFINCAMP IDDIADOMINGO "
                                              "IDDIASEGUNDA IDDIATERCA IDDIAQUARTA IDDIAQUINTA IDDIASEXTA IDDIASABADO "
                                              "CDTIPOCONS CDCLIENTE"));
        DatabaseFixture::Writer comb(fx, S("COMBINAPROD"),
                                     cols("CDCAMPPROMO CDPRODPRIN CDPRODCOMB CDPRODCOMB2 CDPRODCOMB3 CDPRODCOMBOPC "
                                          "IDPERCVALOR IDDESCACRE VRDESCACRE IDAPLICADESACR HRINICOMB HRFINCOMB "
                                          "IDDIADOMCOMB IDDIASEGCOMB IDDIATERCOMB IDDIAQUACOMB IDDIAQUICOMB "
                                          "IDDIASEXCOMB IDDIASABCOMB"));
        const QString yes = S("S");
        for (int c = 1; c <= size.campaigns; ++c) {
            const QString camp = QStringLiteral("CP%1").arg(c, 4, 10, QLatin1Char('0'));
            campanha.row({camp, QDate(2000, 1, 1), QDate(2099, 12, 31), S("0000"), S("2359"), yes, yes, yes, yes,
                          yes, yes, yes, c % 10 == 0 ? QVariant(S("VIP")) : QVariant(), S("CLI")});
            for (int k = 0; k < size.combinationsPerCampaign; ++k) {
                const int n = c * size.combinationsPerCampaign + k;
                // Main products come from the first thousand, the ones the benchmark sells.
                const QString prin = productCode(n % 1000 + 1);
                const QString other = productCode((n * 7) % 1000 + 1);
                comb.row({camp, prin, other, k % 5 == 0 ? QVariant(productCode((n * 3) % 1000 + 1)) : QVariant(),
                          k % 5 == 1 ? QVariant(productCode((n * 11) % 1000 + 1) + S(";") + productCode(n % 1000 + 2))
                                     : QVariant(),
                          k % 5 == 2 ? QVariant(productCode((n * 13) % 1000 + 1) + S("|") + prin) : QVariant(),
                          S("P"), S("D"), double(k % 20), yes, S("0000"), S("2359"), yes, yes, yes, yes, yes, yes,
                          yes});
            }
        }
    }
    {
        DatabaseFixture::Writer imposto(fx, S("IMPOSTO"), cols("CDIMPOSTO IDTPIMPOSFIS NMIMPOSTO"));
        DatabaseFixture::Writer aliq(fx, S("ALIQIMPFIS"), cols("CDFILIAL CDPRODUTO CDIMPOSTO VRPEALIMPFIS"));
        DatabaseFixture::Writer cupom(fx, S("CUPOMDESCQMT"),
                                      cols("CDCUPOMDESCQMT IDTIPODESC VRDESCCUPOM DTINIVIGENCIA DTFIMVIGENCIA IDUSOUNICO"));
        DatabaseFixture::Writer cupomProd(fx, S("PRODCUPOMDESC"), cols("CDCUPOMDESCQMT CDPRODUTO"));
        DatabaseFixture::Writer ocorr(fx, S("OCORRENCIA"), cols("CDGRPOCOR CDOCORR DSOCORR"));
        DatabaseFixture::Writer prodOcorr(fx, S("PRODOCORRE"), cols("CDPRODUTO CDGRPOCOR CDOCORR"));
        if (size.shopRows) {
            imposto.row({S("ICM"), S("T"), S("ICMS")});
            imposto.row({S("ISS"), S("S"), S("ISS")});
            fx.insert(S("FILIAL"), {{"CDFILIAL", S("01")}, {"CDEMPRESA", S("E1")}});
            fx.insert(S("PARAMEMPRESA"), {{"CDEMPRESA", S("E1")}, {"CDSITUCRT", S("3")}});
            fx.insert(S("GRUPOCOR"), {{"CDGRPOCOR", S("G1")}});
            fx.insert(S("LOJA"), {{"CDFILIAL", S("01")}, {"CDLOJA", S("L1")}, {"CDGRPOCORPED", S("G1")}});
            fx.insert(S("PARAMGERAL"), {{"CDPARAMGERAL", S("1")}, {"IDUTCUPOMDESC", S("S")}});
            fx.insert(S("PARAVEND"), {{"CDFILIAL", S("01")}, {"IDEXIBEPRECZERO", S("N")}});
            for (int o = 1; o <= 20; ++o)
                ocorr.row({S("G1"), QStringLiteral("%1").arg(o, 2, 10, QLatin1Char('0')), QStringLiteral("Ocorrencia %1").arg(o)});
        }
        for (int p = 1; p <= 1000; ++p) {
            const QString prod = productCode(p);
            aliq.row({S("01"), prod, S("ICM"), 18.0});
            for (int o = 1; size.shopRows && o <= 3; ++o)
                prodOcorr.row({prod, S("G1"), QStringLiteral("%1").arg((p + o) % 20 + 1, 2, 10, QLatin1Char('0'))});
            const QString code = QStringLiteral("C%1").arg(p, 6, 10, QLatin1Char('0'));
            cupom.row({code, S("P"), 5.0, QDate(2024, 1, 1), QDate(2099, 1, 1), p % 2 ? S("S") : S("N")});
            cupomProd.row({code, prod});
        }
    }
    fx.exec(S("COMMIT"));
}

}  // namespace kvp::bench
