// The host's entry: runs the selection screen for one promotion sold and hands the
// chosen items back.

#include "kvp510.h"

#include "hostservices.h"
#include "oplog.h"
#include "rdmpromocaocombinada.h"
#include "textformat.h"
#include "tfrmpromocaocombinada.h"

#include <memory>

namespace {

namespace m = kvp::combinada;

// An error stopped the call: the log and the operator hear of it, and nothing more may
// fail on the way out to the host.
void relataErro(const QString& texto) noexcept
{
    try {
        kvp::LogKvp510(texto);
    } catch (...) {
        // The log is unreachable; the message below still reaches the operator.
    }
    try {
        kvp::host().Mensagem(texto, QString(), QStringLiteral("N"), QStringLiteral("N"),
                             static_cast<int>(kvp::MessageKind::Warning), QString(), QString(), 0,
                             nullptr);
    } catch (...) {
        // No host to show it with; the result tells the caller.
    }
}

}  // namespace

extern "C" bool CriaPromocaoInteligente(
    kvp::DataSet& cdsItensRet, kvp::DataSet& cdsObsRet, kvp::DataSet& cdsCtObsRet,
    const QString& stCdProdPromo, const QString& stNmProdPromo, const QString& stCdCliDebPadrao,
    const QString& stCdConsDebAux, const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
    const QString& stTipoAjuste, double vrPrecoPromo, double vrAjustePromo, double nrQtdePromo,
    bool boAplicaAjuste, bool boDebitoAux, const QString& stNrVendaRest2,
    kvp::DataSet& cdsItensVendidos, const QString& stTipoChamada) noexcept
{
    using kvp::formatMoney;
    bool resultado = true;
    // Until the screen's answer has been read, a failure means nothing was confirmed.
    bool resultadoLido = false;
    std::unique_ptr<m::TfrmPromocaoCombinada> tela;
    try {
        m::stNrVendaRest2 = stNrVendaRest2;
        m::boDebitoAux = boDebitoAux;
        m::stCdConsDebAux = stCdConsDebAux;
        m::stBotaoBloqueado.clear();
        double precoFinal = 0;
        m::nrSeqItemAdd = 1;

        tela = std::make_unique<m::TfrmPromocaoCombinada>();
        m::frmPromocaoCombinada = tela.get();
        m::TfrmPromocaoCombinada& frm = *tela;
        frm.InicializaForm(cdsItensRet, stCdProdPromo, stNmProdPromo, stCdCliDebPadrao,
                           stTipoPrecoPromo, stIdValorPerc, stTipoAjuste, vrPrecoPromo,
                           vrAjustePromo, nrQtdePromo, boAplicaAjuste, cdsItensVendidos);

        m::stCdCliDebPadrao = stCdCliDebPadrao;
        frm.stTipoPrecoPromo = stTipoPrecoPromo;
        frm.cdsItemProd.setData(cdsItensRet.data());
        frm.stCdProdPromo = stCdProdPromo;
        frm.stTipoChamada = stTipoChamada;

        const kvp::FormatSettings& fs = kvp::host().formatSettings();
        const QString& moeda = fs.currencyString;
        if (stTipoPrecoPromo == QLatin1String("1")) {
            const double p = vrPrecoPromo;
            const double a = vrAjustePromo;
            const double q = nrQtdePromo;
            const bool valor = stIdValorPerc == QLatin1String("V");
            const QString precoFinalTexto = frm.msgPadrao.Msg(QStringLiteral("PRECO_FINAL"));
            QString texto;
            if (boAplicaAjuste) {
                if (stTipoAjuste == QLatin1String("D")) {
                    precoFinal = valor ? p - a : p - p * a / 100;
                    texto = frm.msgPadrao.Msg(QStringLiteral("Desconto")) + QLatin1Char(' ') +
                            moeda + formatMoney((valor ? a : p * a / 100) * q, fs) +
                            QStringLiteral(" - ") + precoFinalTexto + QLatin1Char(' ') + moeda +
                            formatMoney(precoFinal * q, fs);
                } else if (stTipoAjuste == QLatin1String("A")) {
                    precoFinal = valor ? p + a : p + p * a / 100;
                    // The percentage surcharge has never had a blank before the currency.
                    texto = frm.msgPadrao.Msg(QStringLiteral("Acrescimo")) + QLatin1Char(' ') +
                            moeda + formatMoney((valor ? a : p * a / 100) * q, fs) +
                            QStringLiteral(" - ") + precoFinalTexto +
                            (valor ? QStringLiteral(" ") : QString()) + moeda +
                            formatMoney(precoFinal * q, fs);
                }
            }
            frm.lblDescricao.caption = frm.msgPadrao.Msg(QStringLiteral("PRECO")) +
                                       QLatin1Char(' ') + moeda + formatMoney(p * q, fs) +
                                       QStringLiteral("  ") + texto;
            frm.vrAjustePromo = vrAjustePromo;
            frm.stTipoAjuste = stTipoAjuste;
            frm.stIdValorPerc = stIdValorPerc;
            frm.vrPrecoPromo = vrPrecoPromo;
            // Up to the "- " that precedes the final-price caption.
            const qsizetype traco = texto.indexOf(QLatin1Char('-'));
            frm.stTextoDescPromo = traco < 0 ? QString() : texto.left(traco + 2);
        }

        frm.stCabecalho =
            kvp::shortestText(nrQtdePromo, fs) + QStringLiteral(" X ") + stNmProdPromo;
        frm.lblCabecalho.caption = frm.stCabecalho;
        frm.nrQtdePromo = nrQtdePromo;
        frm.vrPrecoDividir = precoFinal != 0 ? precoFinal : vrPrecoPromo;
        frm.vrPrecoPromoFinal = frm.vrPrecoDividir;

        frm.ShowModal();

        cdsItensRet.disableControls();
        cdsItensRet.setIndexName(QString());
        cdsItensRet.clearIndexes();
        cdsItensRet.addIndex(QStringLiteral("NRSEQ_ORD"), QStringLiteral("NRSEQ_ORD"), true);
        cdsItensRet.setIndexName(QStringLiteral("NRSEQ_ORD"));
        cdsItensRet.setData(frm.cdsItemProd.data());
        cdsObsRet.setData(frm.cdsObsItens.data());
        cdsCtObsRet.setData(frm.cdsProdCtObs.data());

        resultado = m::boPromocaoComb;
        resultadoLido = true;

        kvp::LogKvp510(QStringLiteral("QUANTIDADE DE PRODUTOS ADICIONADOS: ") +
                       QString::number(cdsItensRet.recordCount()));
        kvp::LogKvp510(QString(64, QLatin1Char('-')));
    } catch (const kvp::SilentAbort&) {
        // The operator has been told already.
        if (!resultadoLido) {
            resultado = false;
        }
    } catch (const std::exception& e) {
        relataErro(QString::fromUtf8(e.what()));
        if (!resultadoLido) {
            resultado = false;
        }
    } catch (...) {
        relataErro(QStringLiteral("Unexpected error in the combined-promotion screen"));
        if (!resultadoLido) {
            resultado = false;
        }
    }

    try {
        kvp::freeDataModule();
    } catch (...) {
        // Freeing closes the connection; a failure there must not reach the host.
    }
    m::frmPromocaoCombinada = nullptr;
    tela.reset();
    return resultado;
}

namespace kvp::combinada {

bool CriaPromocaoInteligente(DataSet& a1, DataSet& a2, DataSet& a3, const QString& a4,
                             const QString& a5, const QString& a6, const QString& a7,
                             const QString& a8, const QString& a9, const QString& a10, double a11,
                             double a12, double a13, bool a14, bool a15, const QString& a16,
                             DataSet& a17, const QString& a18) noexcept
{
    return ::CriaPromocaoInteligente(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14,
                                     a15, a16, a17, a18);
}

}  // namespace kvp::combinada
