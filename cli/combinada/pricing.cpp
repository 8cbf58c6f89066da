// Pricing: the host's price lookup, the division of a fixed promotion price among the
// items, the shared portion of combined products and the running price summary.

#include "combinada_p.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"

#include <cmath>

namespace kvp::combinada {

namespace {

const QString N = QStringLiteral("N");
const QString S = QStringLiteral("S");

struct FalhaPreco {
    const char* codigo;
    const char* chave;
    bool sempre;  // also shown under message mode "2", and then the operation stops
};

// The price function's failure codes and the catalogue key each one shows.
constexpr FalhaPreco kFalhasPreco[] = {
    {"PRECNCAD", "Preco_deve", false},     {"TABENCAD", "TabePrec", false},
    {"DTCLI", "VigenciaCli", false},       {"DTPAR", "VigenciaPar", false},
    {"DTLOJ", "VigenciaLoj", false},       {"PRECZERO", "Preco_Zero", false},
    {"BLOQUEADO", "Prod_bloqueado", true}, {"FORAHORA", "Prod_Fora_Hora", true},
};

}  // namespace

QString TfrmPromocaoCombinada::ConsultaPreco(const QString& cdProduto, const QString& modoMensagem,
                                             const QString& idPreco)
{
    QString erro;
    try {
        HostServices& h = host();
        // HHMM from the long time text: "13:05:22" -> "1305".
        QString hora = formatTime(h.now(), h.formatSettings());
        hora.remove(2, 1);
        hora = hora.left(4);
        const QVariantList valores{
            stCdFilial,     stCdCliDebPadrao,
            cdProduto,      stCdLoja,
            stCdConsDebAux, hora,
            idPreco,        stIdUtTabPrecLvdc == S ? boDebitoAux : true,
            stTipoChamada,
        };
        const DataResult resultado = h.ChamaFuncaoGetRetornaPreco(valores, cdsRetornaPreco);
        h.CheckResultServ(resultado, true, 0);
        return {};
    } catch (const SilentAbort& e) {
        // The host has told the operator already; only the log hears of it.
        LogKvp510(QString::fromUtf8(e.what()));
        return {};
    } catch (const HostError& e) {
        erro = e.message();
    } catch (const std::exception& e) {
        erro = QString::fromUtf8(e.what());
    }
    LogKvp510(erro);

    const bool modo1 = modoMensagem == QLatin1String("1");
    const bool modo2 = modoMensagem == QLatin1String("2");
    if (!modo1 && !modo2) {
        return {};
    }
    auto avisa = [&](const QString& texto) {
        host().Mensagem(texto, QString(), N, N, static_cast<int>(MessageKind::Warning), QString(),
                        QString(), 0, nullptr);
    };
    const QString codigo = erro.trimmed();
    for (const FalhaPreco& f : kFalhasPreco) {
        if (codigo != QLatin1String(f.codigo)) {
            continue;
        }
        if (modo1 || f.sempre) {
            avisa(msgPadrao.Msg(QLatin1String(f.chave)));
            return QStringLiteral("Erro");
        }
        return {};
    }
    if (modo1) {
        avisa(erro);
    }
    return {};
}

bool TfrmPromocaoCombinada::RetornaFrac(double valor) const
{
    const FormatSettings& fs = host().formatSettings();
    const QString texto = shortestText(valor - std::trunc(valor), fs);
    const qsizetype virgula = texto.indexOf(fs.decimalSeparator);
    if (virgula < 0) {
        return false;
    }
    const qsizetype terceira = virgula + 3;
    if (terceira >= texto.size()) {
        return false;
    }
    // A share below a ten-thousandth is written with an exponent ("1,23E-5"); its
    // character here is no digit and the share is rounded the ordinary way.
    const QChar c = texto.at(terceira);
    return c.isDigit() && c.digitValue() < 5;
}

void TfrmPromocaoCombinada::DividePrecoProduto()
{
    DataSet& itens = cdsItemProd;
    const detail::SemFiltro semFiltro(itens);
    // Groups priced on their own keep the price item insertion gave them.
    itens.applyFilter(Filter::ne(QStringLiteral("IDIMPGRPROMO"), S));

    if (itens.locate(QStringLiteral("CDPRODUTO"), stCdProdPromo)) {
        itens.edit();
        itens.setValue(QStringLiteral("VRUNVENDAEST"), vrPrecoDividir);
        itens.post();
        for (itens.first(); !itens.eof(); itens.next()) {
            if (itens.asString(QStringLiteral("CDPRODUTO")) != stCdProdPromo) {
                itens.edit();
                itens.setValue(QStringLiteral("VRUNVENDAEST"), 0.0);
                itens.post();
            }
        }
        return;
    }

    const int n = itens.recordCount();
    double parte = n > 0 ? vrPrecoDividir / n : 0.0;
    // Rounded up to the cent: no item is priced below its exact share.
    parte = RetornaFrac(parte) ? RoundDec(parte + 0.005, 2) : RoundDec(parte, 2);

    double soma = 0;
    for (itens.first(); !itens.eof(); itens.next()) {
        itens.edit();
        itens.setValue(QStringLiteral("VRUNVENDAEST"), parte);
        itens.post();
        soma += parte;
    }
    if (n > 0 && soma > vrPrecoDividir) {
        itens.last();
        itens.edit();
        itens.setValue(QStringLiteral("VRDESITVENDAEST"),
                       Trunc2(soma - vrPrecoDividir) * nrQtdePromo);
        itens.post();
    }
}

void TfrmPromocaoCombinada::AtualizaProdCombinado(const QString& cdGrupo)
{
    const ChangeScope changes(*this);
    DataSet& itens = cdsItemProd;
    const detail::SemFiltro semFiltro(itens);
    itens.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOCORIG"), cdGrupo));
    const int n = itens.recordCount();
    if (n == 0) {
        return;
    }
    const double fracao = RoundDec(1.0 / n, 3);
    double resto = RoundDec(1.0 - n * fracao, 3);
    const bool modo2 = stTipoPrecoPromo == QLatin1String("2");

    for (itens.first(); !itens.eof(); itens.next()) {
        const QString seqAntigo = itens.asString(QStringLiteral("NRSEQ"));
        RemoveProdBandeja(seqAntigo.toInt());
        if (modo2) {
            AtualizaResumoPreco(-1);
        }

        ++nrSeqItem;
        nrSeqBandeja = nrSeqItem;
        const QString seqNovo = QString::number(nrSeqItem);
        itens.edit();
        itens.setValue(QStringLiteral("QTPRODVEND"), fracao * nrQtdePromo + resto);
        resto = 0;
        // The line keeps its invariant NRSEQ_ORD = NRSEQ, and its observations follow it:
        // the host joins them to the line by that number.
        itens.setValue(QStringLiteral("NRSEQ"), seqNovo);
        itens.setValue(QStringLiteral("NRSEQ_ORD"), nrSeqItem);
        itens.post();
        RenumeraObservacoes(seqAntigo, seqNovo);

        CriaProdBandeja(itens.asString(QStringLiteral("CDARVPROD")),
                        itens.asString(QStringLiteral("NMPRODUTO")), QString(),
                        itens.asString(QStringLiteral("STOBSPEDIDO")), S, S,
                        itens.asFloat(QStringLiteral("QTPRODVEND")),
                        itens.asFloat(QStringLiteral("VRUNVENDAEST")), nrSeqItem,
                        static_cast<int>(controlesBandeja().size() / 5) + 1, &imgProd(1));
        if (modo2) {
            AtualizaResumoPreco(+1);
        }
    }
}

void TfrmPromocaoCombinada::RenumeraObservacoes(const QString& seqAntigo, const QString& seqNovo)
{
    auto renumera = [](DataSet& ds, const QString& de, const QString& para) {
        if (!ds.isActive()) {
            return;
        }
        ds.clearFilter();
        for (ds.first(); !ds.eof(); ds.next()) {
            if (ds.asString(QStringLiteral("NRSEQ")) == de) {
                ds.edit();
                ds.setValue(QStringLiteral("NRSEQ"), para);
                ds.post();
            }
        }
    };
    renumera(cdsObsItens, seqAntigo, seqNovo);
    renumera(cdsProdCtObs, Ajusta(seqAntigo, 3), Ajusta(seqNovo, 3));
}

void TfrmPromocaoCombinada::AtualizaResumoPreco(double sinal)
{
    const DataSet& itens = cdsItemProd;
    const double contribuicao =
        Trunc2(itens.asFloat(QStringLiteral("QTPRODVEND")) *
               itens.asFloat(QStringLiteral("VRUNVENDAEST")) / nrQtdePromo) +
        itens.asFloat(QStringLiteral("VRACRESCIMO")) / nrQtdePromo;
    vrSomaProdutos += sinal * contribuicao;
    vrAjustePromo += sinal * itens.asFloat(QStringLiteral("VRDESCONTO"));
    MontaTextoResumoPreco();
}

void TfrmPromocaoCombinada::MontaTextoResumoPreco()
{
    const FormatSettings& fs = host().formatSettings();
    const QString& moeda = fs.currencyString;
    stTextoAjuste = msgPadrao.Msg(QStringLiteral("Desconto")) + moeda +
                    formatMoney(vrAjustePromo, fs) + QStringLiteral(" - ") +
                    msgPadrao.Msg(QStringLiteral("Preco_final")) + moeda +
                    formatMoney(vrSomaProdutos * nrQtdePromo - vrAjustePromo, fs);
    lblDescricao.caption = msgPadrao.Msg(QStringLiteral("Preco")) + moeda +
                           formatMoney(vrSomaProdutos * nrQtdePromo, fs) + QStringLiteral("  ") +
                           stTextoAjuste;
}

}  // namespace kvp::combinada
