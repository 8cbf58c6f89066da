#pragma once

// The rules that decide whether a product can be sold in a combination, apart from what
// a screen shows about them: the screens warn with the catalogue key these answer, and
// the promotion audit reports the same key's text without any screen. Each rule answers
// the catalogue key of its refusal, or an empty text when the product passes.

#include "combinadadetalhe.h"

#include "dataset.h"
#include "textformat.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <initializer_list>

namespace kvp::combinada::detail {

struct FalhaPreco {
    const char* codigo;
    const char* chave;
    bool sempre;  // also shown under message mode "2", and then the operation stops
};

// The price function's failure codes and the catalogue key each one shows.
inline constexpr FalhaPreco kFalhasPreco[] = {
    {"PRECNCAD", "Preco_deve", false},     {"TABENCAD", "TabePrec", false},
    {"DTCLI", "VigenciaCli", false},       {"DTPAR", "VigenciaPar", false},
    {"DTLOJ", "VigenciaLoj", false},       {"PRECZERO", "Preco_Zero", false},
    {"BLOQUEADO", "Prod_bloqueado", true}, {"FORAHORA", "Prod_Fora_Hora", true},
};

// The failure a price function's error text names, or none for any other text.
inline const FalhaPreco* falhaPreco(const QString& erro)
{
    const QString codigo = erro.trimmed();
    for (const FalhaPreco& f : kFalhasPreco) {
        if (codigo == QLatin1String(f.codigo)) {
            return &f;
        }
    }
    return nullptr;
}

// Whether a failed lookup stops the choice under a message mode: mode "1" (price built
// from the products) stops on every known code, mode "2" (fixed price) only on the
// blocked and out-of-hours ones. Other texts never stop it.
inline bool precoRecusado(const FalhaPreco* f, const QString& modoMensagem)
{
    return f && (modoMensagem == QLatin1String("1") ||
                 (modoMensagem == QLatin1String("2") && f->sempre));
}

// The message mode of a choice's price lookup under a promotion's price mode.
inline QString modoMensagemEscolha(const QString& tipoPrecoPromo)
{
    return tipoPrecoPromo == QLatin1String("2") ? QStringLiteral("1") : QStringLiteral("2");
}

// What a group demands before the selection can be confirmed: its quantity when the
// minimum equals it, a positive minimum below the quantity, else nothing.
inline double quantidadeExigida(double quantidade, double minimo)
{
    if (quantidade == minimo) {
        return quantidade;
    }
    if (quantidade > minimo && minimo > 0) {
        return minimo;
    }
    return 0;
}

// How much of that is still missing with `inserida` chosen; 0 when the group is complete.
inline double quantidadeFaltando(double quantidade, double minimo, double inserida)
{
    const double exigida = quantidadeExigida(quantidade, minimo);
    return exigida > inserida ? exigida - inserida : 0;
}

// Empty or blank: a fiscal field that was never filled in.
inline bool falta(const DataSet& ds, const QString& campo)
{
    return EmptyString(ds.asString(campo).trimmed());
}

struct Exigencia {
    const char* campo;
    const char* chave;
};

inline QString primeiraFalta(const DataSet& ds, std::initializer_list<Exigencia> campos)
{
    for (const Exigencia& x : campos) {
        if (falta(ds, QLatin1String(x.campo))) {
            return QLatin1String(x.chave);
        }
    }
    return {};
}

// The product's tax rates (the answer of getImposto) against the station's fiscal
// settings. Fiscal holds the fields of the same names as the screens: boUtilizaImpFis,
// nrIdTipoImpFis, stIdColetor and the printer's rate table cdsAliqImpFis.
template <class Fiscal>
QString recusaImposto(Fiscal& f, DataSet& aliquota)
{
    const int taxas = aliquota.recordCount();
    if (taxas > 1) {
        return QStringLiteral("IMPOSTO_ERR");
    }
    if (taxas == 0) {
        return QStringLiteral("IMPOS_NCAD");
    }
    aliquota.first();
    const int tipo = f.nrIdTipoImpFis;
    // These printers and the collector mode take any rate.
    const bool semConferencia = tipo == 16 || tipo == 21 || tipo == 26 || tipo == 30 ||
                                f.stIdColetor == QLatin1String("C");
    if (f.boUtilizaImpFis && !semConferencia) {
        const bool cadastrada =
            f.cdsAliqImpFis.isActive() &&
            f.cdsAliqImpFis.locate(QStringLiteral("VRALIQIMPFIS;IDALIQIMPFIS"),
                                   {aliquota.asFloat(QStringLiteral("VRPEALIMPFIS")),
                                    aliquota.asString(QStringLiteral("IDTPIMPOSFIS"))});
        if (!cadastrada) {
            return QStringLiteral("ALIQ_NCAD");
        }
    }
    return {};
}

// The electronic receipt's data of the product. carregaNFCe() loads and answers the
// product's getValidProdNFCe rows, carregaRegra() its getRegraFisPdv rows; each is called
// only where the rule needs it, in the order the rule reads them. Fiscal holds
// boSistemaQmtNfce, boSistemaQmtSat, boUtilizaImpFis, stIdFechaCupom and stIdAdesaoRefTrib.
template <class Fiscal, class CarregaNFCe, class CarregaRegra>
QString recusaDocumentoFiscal(const Fiscal& f, CarregaNFCe&& carregaNFCe,
                              CarregaRegra&& carregaRegra)
{
    QString chave;
    if (f.boSistemaQmtNfce || f.boSistemaQmtSat) {
        const DataSet& nfce = carregaNFCe();
        if (nfce.isEmpty()) {
            return QStringLiteral("IMPOS_NCAD");
        }
        const bool imposto = marcado(nfce, QStringLiteral("IDTPIMPOSFIS"));
        if (!(chave = primeiraFalta(nfce, {{"CDCLASFISC", "NCM_NCAD"}, {"CDCFOPPFIS", "CFOP_NCAD"}}))
                 .isEmpty()) {
            return chave;
        }
        if (!imposto && !(chave = primeiraFalta(nfce, {{"CDCSTICMS", "CSTICMS_NCAD"}})).isEmpty()) {
            return chave;
        }
        if (!(chave = primeiraFalta(nfce, {{"CDCSTPISCOF", "CSTPC_NCAD"},
                                           {"VRALIQPIS", "ALIQPIS_NCAD"},
                                           {"VRALIQCOFINS", "ALIQCOF_NCAD"}}))
                 .isEmpty()) {
            return chave;
        }
        const QString crt = nfce.asString(QStringLiteral("CDSITUCRT")).trimmed();
        const QString cst = nfce.asString(QStringLiteral("CDCSTICMS")).trimmed();
        if (!imposto && crt == QLatin1String("1")) {
            static const QStringList csosn = {QStringLiteral("102"), QStringLiteral("103"),
                                              QStringLiteral("300"), QStringLiteral("400"),
                                              QStringLiteral("500"), QStringLiteral("900")};
            if (!csosn.contains(cst)) {
                return QStringLiteral("CSOSN_INV");
            }
        }
        if (!imposto && (crt == QLatin1String("2") || crt == QLatin1String("3"))) {
            static const QStringList csts = {QStringLiteral("00"), QStringLiteral("20"),
                                             QStringLiteral("40"), QStringLiteral("41"),
                                             QStringLiteral("60"), QStringLiteral("90")};
            if (!csts.contains(cst)) {
                return QStringLiteral("CSTICMS_INV");
            }
        }

        if (f.stIdAdesaoRefTrib == QLatin1String("S") && f.boSistemaQmtNfce) {
            const DataSet& regra = carregaRegra();
            if (regra.isEmpty()) {
                return QStringLiteral("REGRAFISPDV_NCAD");
            }
            if (!(chave = primeiraFalta(regra, {{"CDCSTIBSCBS", "CSTIBSCBS_NCAD"},
                                                {"CDCLATRIBIBSCBS", "CLATRIBIBSCBS_NCAD"},
                                                {"VRALIQIBSUF", "ALIQIBSUF_NCAD"},
                                                {"VRALIQIBSMUN", "ALIQIBSMUN_NCAD"},
                                                {"VRALIQCBS", "ALIQCBS_NCAD"}}))
                     .isEmpty()) {
                return chave;
            }
        }
    }

    // A branch that closes its receipts itself needs the full set, whatever the tax type.
    if (f.boUtilizaImpFis && f.stIdFechaCupom == QLatin1String("S")) {
        const DataSet& nfce = carregaNFCe();
        if (nfce.isEmpty()) {
            return QStringLiteral("IMPOS_NCAD");
        }
        return primeiraFalta(nfce, {{"CDCLASFISC", "NCM_NCAD_FC"},
                                    {"CDCFOPPFIS", "CFOP_NCAD_FC"},
                                    {"CDCSTICMS", "CSTICMS_NCAD_FC"},
                                    {"CDCSTPISCOF", "CSTPC_NCAD_FC"},
                                    {"VRALIQPIS", "ALIQPIS_NCAD_FC"},
                                    {"VRALIQCOFINS", "ALIQCOF_NCAD_FC"}});
    }
    return {};
}

}  // namespace kvp::combinada::detail
