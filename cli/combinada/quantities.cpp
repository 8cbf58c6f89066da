// Quantities: the multiplier key, the group check before every product touch, the
// quantity already in a group and the first-unit test of per-product discounts.

#include "combinadadetalhe.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "modulevars.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <cmath>

namespace kvp::combinada {

using namespace detail;

void TfrmPromocaoCombinada::spbQtdeClick()
{
    const ChangeScope changes(*this);
    SetdoQtdeMult(0);
    if (stTipoChamada == QLatin1String("B") && stIdColetor == QLatin1String("C")) {
        Avisa(msgPadrao.Msg(QStringLiteral("Ope_Col")));
        return;
    }
    HostServices& h = host();
    if (!h.VerificaAcesso(nrCtMultiplicador, nrAcessoAux, stVerificaAcesso)) {
        return;
    }
    QString digitado;
    if (!h.TecladoNumerico(digitado, msgPadrao.Msg(QStringLiteral("venda")),
                           msgPadrao.Msg(QStringLiteral("Inf_Quant_2")),
                           {msgPadrao.Msg(QStringLiteral("Qtde_Deve")), 10, 0, 1, 0, 0, 1})) {
        return;
    }
    digitado = digitado.trimmed();
    if (digitado.isEmpty()) {
        return;  // nothing typed: no multiplier, as for 0
    }
    bool ok = false;
    const double valor = parseNumber(digitado, h.formatSettings(), &ok);
    if (!ok) {
        Avisa(msgPadrao.Msg(QStringLiteral("Qtde_Invalida")) + digitado);
        return;
    }
    const QString inteiro = QString::number(static_cast<qint64>(std::trunc(valor)));
    const qsizetype virgula = digitado.indexOf(QLatin1Char(','));
    const QString fracao = virgula < 0 ? QString() : digitado.mid(virgula + 1);

    // The fiscal printer of type 9 takes at most two integer digits, the others four.
    if (nrIdTipoImpFis == 9) {
        if (inteiro.size() > 2) {
            Avisa(msgPadrao.Msg(QStringLiteral("Qtde_Dev1")));
            return;
        }
    } else if (inteiro.size() > 4) {
        Avisa(msgPadrao.Msg(QStringLiteral("Qtde_Dev2")));
        return;
    }
    if (fracao.size() > 3) {
        Avisa(msgPadrao.Msg(QStringLiteral("Frac_Dev")));
        return;
    }
    if (valor > 0) {
        SetdoQtdeMult(valor);
    }
}

void TfrmPromocaoCombinada::SetdoQtdeMult(double valor)
{
    const ChangeScope changes(*this);
    nrQtdeMult = valor;
    lblCabecalho.caption =
        valor > 0 ? shortestText(valor, host().formatSettings()) + QLatin1Char('X') : stCabecalho;
}

bool TfrmPromocaoCombinada::Valida_Quantid()
{
    bool resultado = true;
    const SemFiltro semFiltro(cdsItemProd);
    try {
        cdsItemProd.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOC"), stCdGrupoAtual));
        nrQtdeInserida = ObterQtdInserida();
        const double total = nrQtdeMult == 0 ? nrQtdeInserida : nrQtdeInserida + nrQtdeMult - 1;
        const double quantidade = QtdeGrupoAtual();
        // A group without a limit (quantity 0) takes any number of products.
        if (!(quantidade > total || quantidade == 0)) {
            Avisa(msgPadrao.Msg(QStringLiteral("Quan_Exce")));
            resultado = false;
            SetdoQtdeMult(0);
        }
    } catch (const SilentAbort&) {
        // Told already.
    } catch (const std::exception& e) {
        MostraErro(textoErro(e));
    }
    return resultado;
}

}  // namespace kvp::combinada
