#pragma once

// The promotion audit: which combined promotions of a shop no operator can complete, found
// before a customer asks for one. It reads the shop through the data service, prices
// through the installed host's price function and judges with the rules the selection
// screens apply, at the host's clock ("now"), for one branch or every branch.

#include "dataset.h"

#include <QList>
#include <QString>

#include <functional>

namespace kvp::auditoria {

enum class Gravidade {
    NaoVende,     // no operator can confirm it
    VendeEmParte, // it can be confirmed, but part of what is configured can never be chosen
    Suspeita,     // it sells, but the configuration says something it does not do
};

// "não pode ser vendida", "só pode ser vendida em parte", "suspeita".
QString textoGravidade(Gravidade g);
// "nao-vende", "vende-em-parte", "suspeita": the report's keys for tools.
QString chaveGravidade(Gravidade g);

struct Achado {
    QString filial;
    QString promocao;  // empty for a coupon's finding
    QString nomePromocao;
    QString grupo;
    QString nomeGrupo;
    QString produto;  // the product or coupon it concerns, when one does
    QString nomeProduto;
    Gravidade gravidade = Gravidade::Suspeita;
    QString motivo;  // plain Portuguese
};

// The station the audit stands at: what the screens read from the host's parameter file
// and rate file at start-up, under the same names.
struct Estacao {
    QString stIdEsquema, stCdFilial, stCdLoja, stCdCaixa, stNrConfTela, stDsDirCad;
    QString stIdColetor, stIdUtTabPrecLvdc, stIdSolObsPed, stIdFechaCupom, stIdAplPreDifComb,
        stIdAdesaoRefTrib;
    bool boUtilizaImpFis = false;
    bool boSistemaQmtNfce = false;
    bool boSistemaQmtSat = false;
    int nrIdTipoImpFis = 0;
    DataSet cdsParametrosQmt{QStringLiteral("cdsParametrosQmt")};
    DataSet cdsAliqImpFis{QStringLiteral("cdsAliqImpFis")};
    static constexpr bool kPesaEMultiplica = false;

    // Reads both files from the host's program folder as the screens do; a damaged file
    // raises DataSetError with its text.
    void leArquivosDoHost();
};

struct OpcoesAuditoria {
    QString filial;  // empty: every branch of the shop
    // The caller type the price function receives; the reference host sells as "A".
    QString tipoChamada = QStringLiteral("A");
    // The price mode ("1" fixed price, "2" built from the products) the host sells a
    // promotion with; empty for a promotion the host does not sell, which is then judged
    // under modoPadrao. Mode "2" is the stricter: every price failure and the fiscal
    // checks refuse a product.
    std::function<QString(const QString& promocao)> modoPreco;
    QString modoPadrao = QStringLiteral("2");
};

struct ResultadoAuditoria {
    QList<Achado> achados;
    QStringList filiais;  // the branches audited
    int promocoes = 0;    // promotions audited, summed over the branches
    QString momento;      // the moment audited, dd/mm/yyyy hh:mm

    bool algumaNaoVende() const;
};

// Audits every combined promotion of the shop at the station (database connected through
// the installed host). A data service failure raises std::runtime_error with its text.
ResultadoAuditoria auditaPromocoes(const Estacao& estacao, const OpcoesAuditoria& opcoes);

// The report for people, grouped by promotion, and the same as JSON for tools.
QString relatorioTexto(const ResultadoAuditoria& r);
QByteArray relatorioJson(const ResultadoAuditoria& r);

}  // namespace kvp::auditoria
