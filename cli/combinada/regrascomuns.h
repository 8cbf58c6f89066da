#pragma once

// Behaviour the two combination screens share: the price lookup, the fiscal checks of a
// product, item insertion with its observations, discounts and coupon, the exclusive
// groups, the tray's entries and their scrolling. Both screens keep the same field names
// for the same state, so one template serves both: each screen derives from
// OperacoesComuns<itself, its layout> (at the end), which gives it these operations as
// members. A screen states what sets it apart through its constants: kPesaEMultiplica
// (weighing, typed quantity and multiplier), kCampoGrupoCombinado (the field that ties a
// combined product's lines together), kNumBotoesGrupo and kBandeja (tray measures), and it
// hands over its module's variables through modulo().

#include "combinadadetalhe.h"
#include "regrasvenda.h"
#include "telacomum.h"

#include "control.h"
#include "dataset.h"
#include "hostservices.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

namespace kvp::combinada::detail {

using screen::Control;

// The picture file among a folder's entries, matched without regard to case: shops copy
// "P5120102002.BMP" for what the screen asks as "p5120102002.bmp".
inline QString procuraArquivo(const QDir& pasta, const QStringList& entradas, const QString& nome)
{
    for (const QString& e : entradas) {
        if (e.compare(nome, Qt::CaseInsensitive) == 0) {
            return pasta.filePath(e);
        }
    }
    return {};
}

// A flag of the parameter file: the host writes booleans as "S"/"N", "T"/"F",
// "True"/"False" or 1/0.
inline bool comoBooleano(const DataSet& ds, const QString& campo)
{
    const QString v = ds.asString(campo).trimmed().toUpper();
    return v == kS || v == QLatin1String("T") || v == QLatin1String("TRUE") ||
           v == QLatin1String("1") || v == QLatin1String("Y");
}

// "blbMenu01", "imgProd12": a slot's control name; out of range outside 1 to maximo.
inline QString nomeSlot(const char* prefixo, int slot, int maximo)
{
    if (slot < 1 || slot > maximo) {
        throw std::out_of_range(std::string(prefixo) + " has no slot " + std::to_string(slot));
    }
    return QLatin1String(prefixo) + Ajusta(QString::number(slot), 2);
}

// Sets a field the dataset has; the add screen's reduced records leave some out.
inline void gravaSeHouver(DataSet& ds, const QString& campo, const QVariant& valor)
{
    if (ds.hasField(campo)) {
        ds.setValue(campo, valor);
    }
}

// Loads a dataset from one slot of a dialog's answer; anything but a data packet there
// leaves it empty.
inline void carregaResposta(DataSet& ds, const QVariant& valor)
{
    if (valor.canConvert<DataPacket>()) {
        const DataPacket pacote = valor.value<DataPacket>();
        if (pacote.hasStructure()) {
            ds.setData(pacote);
            return;
        }
    }
    ds.emptyOrCreate();
}

inline bool temLinhas(const DataSet& ds)
{
    return ds.isActive() && !ds.isEmpty();
}

// How many decimals a typed number carries after its first comma.
inline qsizetype casasDecimais(const QString& texto)
{
    const qsizetype virgula = texto.indexOf(QLatin1Char(','));
    return virgula < 0 ? 0 : texto.size() - virgula - 1;
}

// Whether a coupon row holds at the given moment. An empty date leaves that side open;
// an end date without a time of day holds for the whole of that day.
inline bool vigente(const DataSet& cupons, const QDateTime& agora)
{
    const QDateTime inicio = cupons.asDateTime(QStringLiteral("DTINIVIGENCIA"));
    const QDateTime fim = cupons.asDateTime(QStringLiteral("DTFIMVIGENCIA"));
    if (inicio.isValid() && agora < inicio) {
        return false;
    }
    if (fim.isValid()) {
        if (fim.time() == QTime(0, 0)) {
            return agora.date() <= fim.date();
        }
        return agora <= fim;
    }
    return true;
}

// stBotaoBloqueado lists locked groups in entries 11 characters wide, as hosts read it:
// the group code padded with blanks to the 10 characters of CDGRUPROMOC, then ";".
inline QString entradaBloqueio(const QString& grupo)
{
    return grupo.leftJustified(10, QLatin1Char(' ')) + QLatin1Char(';');
}

inline QString semEntradasDoGrupo(const QString& lista, const QString& grupo)
{
    const QString propria = grupo.leftJustified(10, QLatin1Char(' '));
    QString resto;
    const QStringList entradas = lista.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& e : entradas) {
        if (e != propria) {
            resto += e + QLatin1Char(';');
        }
    }
    return resto;
}

inline const QString kVerdana = QStringLiteral("Verdana");

inline void rolaConteudo(const QList<Control*>& controles, int passo)
{
    for (Control* c : controles) {
        c->bounds.top += passo;
    }
}

// What an insertion changes, taken before it starts: a failure after its line was
// written takes the whole insertion back, since a line without its observations,
// discount or tray entry would be booked as if the operator had chosen it so.
template <class Tela>
class EstadoInsercao {
public:
    explicit EstadoInsercao(const Tela& t)
        : m_itens(pacote(t.cdsItemProd)), m_obs(pacote(t.cdsObsItens)),
          m_ctObs(pacote(t.cdsProdCtObs)), m_cupons(pacote(t.cdsCupomDescVenda)),
          m_nrSeqItem(t.nrSeqItem), m_nrSeqItCanc(t.nrSeqItCanc),
          m_nrSeqItCancObs(t.nrSeqItCancObs), m_nrSeqItCancCtObs(t.nrSeqItCancCtObs),
          m_nrSeqBandeja(t.nrSeqBandeja), m_nrQtdeInserida(t.nrQtdeInserida),
          m_vrAjustePromo(t.vrAjustePromo), m_vrSomaProdutos(t.vrSomaProdutos),
          m_vrPrecoPromo(t.vrPrecoPromo), m_vrPrecoPromoFinal(t.vrPrecoPromoFinal),
          m_stTextoAjuste(t.stTextoAjuste), m_descricao(t.lblDescricao.caption)
    {
    }

    void restaura(Tela& t) const
    {
        volta(t.cdsItemProd, m_itens);
        volta(t.cdsObsItens, m_obs);
        volta(t.cdsProdCtObs, m_ctObs);
        volta(t.cdsCupomDescVenda, m_cupons);
        t.nrSeqItem = m_nrSeqItem;
        t.nrSeqItCanc = m_nrSeqItCanc;
        t.nrSeqItCancObs = m_nrSeqItCancObs;
        t.nrSeqItCancCtObs = m_nrSeqItCancCtObs;
        t.nrSeqBandeja = m_nrSeqBandeja;
        t.nrQtdeInserida = m_nrQtdeInserida;
        t.vrAjustePromo = m_vrAjustePromo;
        t.vrSomaProdutos = m_vrSomaProdutos;
        t.vrPrecoPromo = m_vrPrecoPromo;
        t.vrPrecoPromoFinal = m_vrPrecoPromoFinal;
        t.stTextoAjuste = m_stTextoAjuste;
        t.lblDescricao.caption = m_descricao;
    }

private:
    static std::optional<DataPacket> pacote(const DataSet& ds)
    {
        return ds.isActive() ? std::optional<DataPacket>(ds.data()) : std::nullopt;
    }
    static void volta(DataSet& ds, const std::optional<DataPacket>& antes)
    {
        if (ds.isActive() && ds.state() != DataSet::State::Browse) {
            ds.cancel();
        }
        if (antes) {
            ds.setData(*antes);
        }
    }

    std::optional<DataPacket> m_itens, m_obs, m_ctObs, m_cupons;
    int m_nrSeqItem, m_nrSeqItCanc, m_nrSeqItCancObs, m_nrSeqItCancCtObs, m_nrSeqBandeja;
    double m_nrQtdeInserida, m_vrAjustePromo, m_vrSomaProdutos, m_vrPrecoPromo,
        m_vrPrecoPromoFinal;
    QString m_stTextoAjuste, m_descricao;
};

template <class Tela>
struct RegrasComuns {
    static QString ConsultaPreco(Tela& t, const QString& cdProduto, const QString& modoMensagem,
                                 const QString& idPreco)
    {
        QString erro;
        try {
            HostServices& h = host();
            // HHMM from the long time text: "13:05:22" -> "1305".
            const QString hora = hourMinuteText(h.now(), h.formatSettings());
            const QVariantList valores{
                t.stCdFilial,
                Tela::modulo().stCdCliDebPadrao,
                cdProduto,
                t.stCdLoja,
                Tela::modulo().stCdConsDebAux,
                hora,
                idPreco,
                t.stIdUtTabPrecLvdc == kS ? Tela::modulo().boDebitoAux : true,
                t.stTipoChamada,
            };
            const DataResult resultado = h.ChamaFuncaoGetRetornaPreco(valores, t.cdsRetornaPreco);
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
            host().Mensagem(texto, QString(), kN, kN, static_cast<int>(MessageKind::Warning),
                            QString(), QString(), 0, nullptr);
        };
        if (const FalhaPreco* f = falhaPreco(erro)) {
            if (precoRecusado(f, modoMensagem)) {
                avisa(t.msgPadrao.Msg(QLatin1String(f->chave)));
                return QStringLiteral("Erro");
            }
            return {};
        }
        if (modo1) {
            avisa(erro);
        }
        return {};
    }

    static void AtualizaProdCombinado(Tela& t, const QString& cdGrupo)
    {
        DataSet& itens = t.cdsItemProd;
        const SemFiltro semFiltro(itens);
        itens.applyFilter(Filter::eq(Tela::kCampoGrupoCombinado, cdGrupo));
        const int n = itens.recordCount();
        if (n == 0) {
            return;
        }
        const double fracao = RoundDec(1.0 / n, 3);
        double resto = RoundDec(1.0 - n * fracao, 3);
        const bool modo2 = t.stTipoPrecoPromo == QLatin1String("2");

        for (itens.first(); !itens.eof(); itens.next()) {
            const QString seqAntigo = itens.asString(QStringLiteral("NRSEQ"));
            t.RemoveProdBandeja(seqAntigo.toInt());
            if (modo2) {
                t.AtualizaResumoPreco(-1);
            }

            ++t.nrSeqItem;
            t.nrSeqBandeja = t.nrSeqItem;
            const QString seqNovo = QString::number(t.nrSeqItem);
            itens.edit();
            itens.setValue(QStringLiteral("QTPRODVEND"), fracao * t.nrQtdePromo + resto);
            resto = 0;
            // The line keeps its invariant NRSEQ_ORD = NRSEQ, and its observations follow it:
            // the host joins them to the line by that number.
            itens.setValue(QStringLiteral("NRSEQ"), seqNovo);
            gravaSeHouver(itens, QStringLiteral("NRSEQ_ORD"), t.nrSeqItem);
            itens.post();
            t.RenumeraObservacoes(seqAntigo, seqNovo);

            t.CriaProdBandeja(itens.asString(QStringLiteral("CDARVPROD")),
                              itens.asString(QStringLiteral("NMPRODUTO")), QString(),
                              itens.asString(QStringLiteral("STOBSPEDIDO")), kS, kS,
                              itens.asFloat(QStringLiteral("QTPRODVEND")),
                              itens.asFloat(QStringLiteral("VRUNVENDAEST")), t.nrSeqItem,
                              static_cast<int>(t.controlesBandeja().size() / 5) + 1, &t.imgProd(1));
            if (modo2) {
                t.AtualizaResumoPreco(+1);
            }
        }
    }

    static void RenumeraObservacoes(Tela& t, const QString& seqAntigo, const QString& seqNovo)
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
        renumera(t.cdsObsItens, seqAntigo, seqNovo);
        renumera(t.cdsProdCtObs, Ajusta(seqAntigo, 3), Ajusta(seqNovo, 3));
    }

    static void AtualizaResumoPreco(Tela& t, double sinal)
    {
        const DataSet& itens = t.cdsItemProd;
        const double contribuicao =
            Trunc2(itens.asFloat(QStringLiteral("QTPRODVEND")) *
                   itens.asFloat(QStringLiteral("VRUNVENDAEST")) / t.nrQtdePromo) +
            itens.asFloat(QStringLiteral("VRACRESCIMO")) / t.nrQtdePromo;
        t.vrSomaProdutos += sinal * contribuicao;
        t.vrAjustePromo += sinal * itens.asFloat(QStringLiteral("VRDESCONTO"));
        t.MontaTextoResumoPreco();
    }

    static void MontaTextoResumoPreco(Tela& t)
    {
        const FormatSettings& fs = host().formatSettings();
        const QString& moeda = fs.currencyString;
        t.stTextoAjuste = t.msgPadrao.Msg(QStringLiteral("Desconto")) + moeda +
                          formatMoney(t.vrAjustePromo, fs) + QStringLiteral(" - ") +
                          t.msgPadrao.Msg(QStringLiteral("Preco_final")) + moeda +
                          formatMoney(t.vrSomaProdutos * t.nrQtdePromo - t.vrAjustePromo, fs);
        t.lblDescricao.caption = t.msgPadrao.Msg(QStringLiteral("Preco")) + moeda +
                                 formatMoney(t.vrSomaProdutos * t.nrQtdePromo, fs) +
                                 QStringLiteral("  ") + t.stTextoAjuste;
    }

    static bool AddProduto(Tela& t, const QString& stCdArvProd, const QString& stCdProduto,
                           const QString& stNmProduto, const QString& stCdGrupo,
                           const QString& stCdGrupoOrig, const QString& stCdFamiliSald,
                           const QString& stIdPesaProd, const QString& stSgUnidade,
                           const QString& stIdObrProdSelec, const QString& stObsPedido,
                           const QString& stObsDigitada, double vrTara, double vrPreco,
                           double vrAcrescimo, double vrDesconto, int nrItemAdd, int nrSeqOrigem,
                           const QString& stPedeObs, DataSet& cdsObsOrigem, DataSet& cdsCtObsOrigem,
                           const QString& stIdImpGrupo, const QString& stIdImpItem,
                           const QString& stCdProdPai, const QString& stVrPrecoClie,
                           bool boImpProdPai)
    {
        HostServices& h = host();
        const FormatSettings& fs = h.formatSettings();
        DataSet& itens = t.cdsItemProd;
        const EstadoInsercao<Tela> antes(t);
        bool linhaGravada = false;
        // A refusal before the line is written keeps today's numbering; a failure after it
        // takes the insertion back whole.
        auto desfaz = [&] {
            if (linhaGravada) {
                antes.restaura(t);
            } else if (itens.isActive() && itens.state() != DataSet::State::Browse) {
                itens.cancel();
            }
        };
        try {
            // ---------------------------------------------------------------- start
            t.stTextoAjuste.clear();
            t.nrSeqItem = t.nrSeqItem == 0 ? 1 : t.nrSeqItem + 1;
            t.nrSeqItCanc = t.nrSeqItCanc == 0 ? 1 : t.nrSeqItCanc + 1;
            itens.clearFilter();
            const double m = t.nrQtdePromo;

            // ---------------------------------------------------------------- quantity
            double q = 1;
            // Only the main screen weighs, asks for a typed quantity and multiplies.
            if constexpr (Tela::kPesaEMultiplica) {
                QString peso = QStringLiteral("0");
                const bool pesado =
                    stIdPesaProd == kS && !t.boProdutoAdd && t.stIdCombinaProd != kS;
                if (pesado) {
                    if (m > 1) {
                        t.Avisa(t.msgPadrao.Msg(QStringLiteral("ProdPesa_N_Per")));
                        return false;
                    }
                    if (!t.stIdTipoBal.isEmpty() && t.stIdTipoBal != QLatin1String("0")) {
                        for (;;) {
                            const double leitura =
                                RoundDec(h.BuscaPeso(t.stCdPortaBal, t.stNrVelocBal) - vrTara, 3);
                            if (leitura == 0) {
                                if (t.Pergunta(t.msgPadrao.Msg(QStringLiteral("bal_zero")))) {
                                    continue;
                                }
                            } else if (leitura < 0) {
                                t.Avisa(t.msgPadrao.Msg(QStringLiteral("bal_neg")));
                            } else {
                                peso = shortestText(leitura, fs);
                            }
                            break;
                        }
                    }
                    const double lido = parseNumber(peso, fs);
                    if (lido > 0) {
                        q = lido;
                    } else {
                        QString digitado = peso;
                        if (h.TecladoNumerico(digitado, t.msgPadrao.Msg(QStringLiteral("venda")),
                                              t.msgPadrao.Msg(QStringLiteral("Inf_Quant")),
                                              {QStringLiteral("X"), 10, 0, 1, 0, 0, 0})) {
                            if (casasDecimais(digitado) > 3) {
                                t.Avisa(t.msgPadrao.Msg(QStringLiteral("Frac_Dev")));
                                return false;
                            }
                            digitado = digitado.trimmed();
                            if (!digitado.isEmpty()) {
                                bool ok = false;
                                q = parseNumber(digitado, fs, &ok);
                                if (!ok || q < 0) {
                                    throw HostError(
                                        t.msgPadrao.Msg(QStringLiteral("Peso_Invalido")) + digitado);
                                }
                                if (q == 0) {
                                    q = 1;
                                }
                            }
                        }
                    }
                } else if (t.boProdutoAdd) {
                    q = t.cdsProdutosAdd.asFloat(QStringLiteral("QTPRODVEND"));
                }
                if (t.nrQtdeMult > 0) {
                    q = t.nrQtdeMult;
                }
            }
            t.nrQtdeItemAtual = q;

            // ---------------------------------------------------------------- obligatory flag
            QString obrigatorio = stIdObrProdSelec;
            if (itens.locate(QStringLiteral("CDPRODUTO"), stCdProduto)) {
                obrigatorio = kN;
            }

            // ---------------------------------------------------------------- discount, coupon
            // E is the line's discount for all its units. The coupon's discount is worked out
            // on the whole line (units of every promotion sold, multiplier included) and goes
            // in once.
            const double sinal = m < 0 ? -1.0 : 1.0;
            double descUnitario = Trunc2(vrDesconto);
            double e = m * descUnitario * q;
            QString cupom;
            if (t.stIdUtCupomDesc == kS && !t.boProdutoAdd && t.boUtilizaImpFis) {
                const double unidades = std::fabs(m) * q;
                const double descProprio = Trunc2(unidades * descUnitario);
                t.controlaValorCupom(unidades, vrPreco, descProprio, 0, stCdProduto);
                if (!t.stCdCupomDesc.isEmpty()) {
                    const double descLinha = t.vrDescCupom < t.vrLimiteCupom
                                                 ? descProprio + t.vrDescCupom
                                                 : t.vrLimiteCupom - 0.01;
                    e = sinal * descLinha;
                }
                cupom = t.stCdCupomDesc;
                t.zeraVariaveisCupomDesc();
            }
            if (stCdProduto == t.stCdProdPromo && t.stTipoPrecoPromo == QLatin1String("1")) {
                descUnitario = 0;
                e = 0;
            }
            // No discount reaches the line's value: a line is never free or negative.
            const double teto = std::max(0.0, Trunc2(std::fabs(m) * q * vrPreco) - 0.01);
            if (std::fabs(e) > teto) {
                e = sinal * teto;
            }

            // ---------------------------------------------------------------- the line
            const double a = m * vrAcrescimo * q;
            QString idImp;
            if (!stCdProdPai.isEmpty() && stIdImpGrupo == kS) {
                idImp = stCdProduto == stCdProdPai && boImpProdPai ? kS : stIdImpItem;
            } else {
                idImp = stIdImpItem == kS ? kS : stIdImpGrupo;
            }
            double precoClie = 0;
            if (!stVrPrecoClie.trimmed().isEmpty()) {
                precoClie = parseNumber(stVrPrecoClie.trimmed(), fs);
            } else if (!t.cdsRetornaPreco.isEmpty()) {
                t.cdsRetornaPreco.first();
                precoClie = t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECOCLIE"));
            }

            itens.append();
            itens.setValue(QStringLiteral("CDPRODUTO"), stCdProduto);
            itens.setValue(QStringLiteral("NMPRODUTO"), stNmProduto);
            itens.setValue(QStringLiteral("CDARVPROD"), stCdArvProd);
            itens.setValue(QStringLiteral("CDFILIAL"), t.stCdFilial);
            itens.setValue(QStringLiteral("NRSEQ"), QString::number(t.nrSeqItem));
            gravaSeHouver(itens, QStringLiteral("NRSEQ_ORD"), t.nrSeqItem);
            itens.setValue(QStringLiteral("CDGRUPROMOC"), stCdGrupo);
            gravaSeHouver(itens, QStringLiteral("CDGRUPROMOCORIG"), stCdGrupoOrig);
            itens.setValue(QStringLiteral("CDPRODVENDA"), t.stCdProdPromo);
            itens.setValue(QStringLiteral("VRUNVENDAEST"), vrPreco);
            itens.setValue(QStringLiteral("VRPRECOCLIE"), precoClie);
            itens.setValue(QStringLiteral("CDFAMILISALD"), stCdFamiliSald);
            itens.setValue(QStringLiteral("IDPESAPROD"),
                           t.stIdCombinaProd == kS ? kS : stIdPesaProd);
            itens.setValue(QStringLiteral("SGUNIDADE"), stSgUnidade);
            itens.setValue(QStringLiteral("QTTARAPROD"), vrTara);
            itens.setValue(QStringLiteral("VRACRESCIMO"), Trunc2(a));
            itens.setValue(QStringLiteral("VRDESCONTO"), Trunc2(e));
            gravaSeHouver(itens, QStringLiteral("VRDESCDIA"), Trunc2(e));
            itens.setValue(QStringLiteral("VRDESITVENDAEST"), 0.0);
            gravaSeHouver(itens, QStringLiteral("VRACRITVENDAEST"), 0.0);
            itens.setValue(QStringLiteral("QTPRODVEND"), m * q);
            itens.setValue(QStringLiteral("QTPRODVALIDA"), q);
            itens.setValue(QStringLiteral("CDCAMPPROMO"), QString());
            itens.setValue(QStringLiteral("CDGRUPMUTEX"), t.stCdGrupMutexAtual);
            itens.setValue(QStringLiteral("IDOBRPRODSELEC"), obrigatorio);
            gravaSeHouver(itens, QStringLiteral("NRSEQITEMADD"), nrItemAdd);
            gravaSeHouver(itens, QStringLiteral("IDIMPGRPROMO"), idImp);
            itens.setValue(QStringLiteral("CDCUPOMDESCQMT"), cupom);
            itens.setValue(QStringLiteral("VRPRECOPROD"), Trunc2(vrPreco * q) + a - e);
            itens.setValue(QStringLiteral("STOBSPEDIDO"), stObsPedido);
            itens.setValue(QStringLiteral("STOBSDIGITADA"), stObsDigitada);
            gravaSeHouver(itens, QStringLiteral("NRSEQITCANC"), QString::number(t.nrSeqItCanc));
            gravaSeHouver(itens, QStringLiteral("IDDESCCAMP"), kN);
            itens.post();
            linhaGravada = true;
            if (!cupom.isEmpty()) {
                t.incluiCupomVenda(cupom);
            }
            t.nrSeqBandeja = t.nrSeqItem;
            const QString nrSeqLinha = QString::number(t.nrSeqBandeja);
            auto posicionaLinha = [&] {
                itens.clearFilter();
                itens.locate(QStringLiteral("NRSEQ"), nrSeqLinha);
            };
            const double qtdVendida = itens.asFloat(QStringLiteral("QTPRODVEND"));
            const QString idImpCtObs = t.stTipoPrecoPromo == QLatin1String("1")
                                           ? (stCdProdPai.isEmpty() ? stIdImpGrupo : stIdImpItem)
                                           : kN;

            // The highest running line number this insertion hands out. The line counter never
            // ends below it, so no later line repeats a number already given.
            int maiorItCanc = t.nrSeqItCanc;
            auto incluiCtObs = [&](const QString& produto, const QString& ocorrencia,
                                   const QString& idImpLinha, int nrSeq) {
                t.cdsProdCtObs.append();
                t.cdsProdCtObs.setValue(QStringLiteral("NRSEQ"), Ajusta(QString::number(nrSeq), 3));
                t.cdsProdCtObs.setValue(QStringLiteral("CDPRODUTO"), produto);
                t.cdsProdCtObs.setValue(QStringLiteral("CDOCORR"), ocorrencia);
                t.cdsProdCtObs.setValue(QStringLiteral("QTPRODCOMVEN"), qtdVendida);
                gravaSeHouver(t.cdsProdCtObs, QStringLiteral("NRSEQITCANC"),
                              QString::number(t.nrSeqItCancCtObs));
                gravaSeHouver(t.cdsProdCtObs, QStringLiteral("IDIMPGRPROMO"), idImpLinha);
                t.cdsProdCtObs.post();
                maiorItCanc = std::max(maiorItCanc, t.nrSeqItCancCtObs);
                ++t.nrSeqItCancCtObs;
                ++t.nrSeqItem;
            };
            auto incluiObs = [&](const QString& grupoOcorrencia, const QString& ocorrencia) {
                t.cdsObsItens.append();
                t.cdsObsItens.setValue(QStringLiteral("NRSEQ"), nrSeqLinha);
                t.cdsObsItens.setValue(QStringLiteral("CDPRODUTO"), stCdProduto);
                t.cdsObsItens.setValue(QStringLiteral("CDGRPOCOR"), grupoOcorrencia);
                t.cdsObsItens.setValue(QStringLiteral("CDOCORR"), ocorrencia);
                t.cdsObsItens.setValue(QStringLiteral("NRCOMANDA"), QString());
                gravaSeHouver(t.cdsObsItens, QStringLiteral("NRSEQITCANC"),
                              QString::number(t.nrSeqItCancObs));
                t.cdsObsItens.post();
                maiorItCanc = std::max(maiorItCanc, t.nrSeqItCancObs);
                ++t.nrSeqItCancObs;
            };
            t.cdsObsItens.clearFilter();
            t.cdsProdCtObs.clearFilter();

            // ---------------------------------------------------------------- observations
            if (stPedeObs == kS) {
                const DataResult ocorrencias = detail::MensagemMetodoLog(
                    getOcorPed(t.stCdFilial, t.stCdLoja, stCdProduto), true, 0,
                    QStringLiteral("getOcorPed"), QStringLiteral("Srv_Kvp510"),
                    t.stCdFilial + QLatin1Char('-') + t.stCdLoja + QLatin1Char('-') + stCdProduto,
                    QString());
                t.cdsObs.setData(ocorrencias.asPacket());
                QString texto;
                HostAnswer resposta;
                if (t.stIdSolObsPed == kS && !t.cdsObs.isEmpty()) {
                    texto =
                        h.Observacao({kN, QStringLiteral("P"), stCdProduto, stNmProduto, QString(),
                                      false, QString(), QString(), QString(), QString()},
                                     resposta);
                }
                if (!texto.isEmpty() && texto != QLatin1String("erro")) {
                    posicionaLinha();
                    itens.edit();
                    itens.setValue(QStringLiteral("STOBSPEDIDO"), texto);
                    itens.setValue(QStringLiteral("STOBSDIGITADA"), resposta[3].toString());
                    itens.post();
                    carregaResposta(t.cdsOcorrencia, resposta[2]);
                    ++t.nrSeqItCanc;
                    t.nrSeqItCancObs = t.nrSeqItCanc;
                    const QString grupoOcorrencia = resposta[0].toString();
                    for (t.cdsOcorrencia.first(); !t.cdsOcorrencia.eof(); t.cdsOcorrencia.next()) {
                        const QString ocorrencia =
                            t.cdsOcorrencia.asString(QStringLiteral("CDOCORR"));
                        if (!t.cdsObsItens.locate(
                                QStringLiteral("NRSEQ;CDPRODUTO;CDGRPOCOR;CDOCORR"),
                                {nrSeqLinha, stCdProduto, grupoOcorrencia, ocorrencia})) {
                            incluiObs(grupoOcorrencia, ocorrencia);
                        }
                    }
                } else {
                    t.nrSeqItCancObs = t.nrSeqItCanc;  // nothing numbered: the counter stays put
                }
                carregaResposta(t.cdsControlaObs, resposta[4]);
                const int n = t.nrSeqItem;
                t.nrSeqItCancCtObs = t.nrSeqItCanc;
                for (t.cdsControlaObs.first(); !t.cdsControlaObs.eof(); t.cdsControlaObs.next()) {
                    const QString produto = t.cdsControlaObs.asString(QStringLiteral("CDPRODUTO"));
                    if (t.cdsControlaObs.asString(QStringLiteral("IDCONTROLAOBS")) ==
                            QLatin1String("A") &&
                        !produto.isEmpty()) {
                        incluiCtObs(produto, t.cdsControlaObs.asString(QStringLiteral("CDOCORR")),
                                    idImpCtObs, n);
                    }
                }
                t.nrSeqItCanc = std::max(t.nrSeqItCancObs, maiorItCanc);
            } else {
                if (temLinhas(cdsObsOrigem)) {
                    ++t.nrSeqItCanc;
                    const SemFiltro semFiltro(cdsObsOrigem);
                    cdsObsOrigem.applyFilter(
                        Filter::eq(QStringLiteral("NRSEQ"), QString::number(nrSeqOrigem)));
                    t.nrSeqItCancObs = t.nrSeqItCanc;
                    for (cdsObsOrigem.first(); !cdsObsOrigem.eof(); cdsObsOrigem.next()) {
                        incluiObs(cdsObsOrigem.asString(QStringLiteral("CDGRPOCOR")),
                                  cdsObsOrigem.asString(QStringLiteral("CDOCORR")));
                    }
                }
                if (temLinhas(cdsCtObsOrigem)) {
                    const SemFiltro semFiltro(cdsCtObsOrigem);
                    cdsCtObsOrigem.applyFilter(Filter::eq(QStringLiteral("NRSEQ"),
                                                          Ajusta(QString::number(nrSeqOrigem), 3)));
                    const int n = t.nrSeqItem;
                    t.nrSeqItCancCtObs = t.nrSeqItCanc;
                    const QString idImpOrigem =
                        t.stTipoPrecoPromo == QLatin1String("1") ? idImp : kN;
                    for (cdsCtObsOrigem.first(); !cdsCtObsOrigem.eof(); cdsCtObsOrigem.next()) {
                        incluiCtObs(cdsCtObsOrigem.asString(QStringLiteral("CDPRODUTO")),
                                    cdsCtObsOrigem.asString(QStringLiteral("CDOCORR")), idImpOrigem,
                                    n);
                    }
                    t.nrSeqItCanc = t.nrSeqItCancCtObs;
                }
                t.nrSeqItCanc = std::max(t.nrSeqItCanc, maiorItCanc);
            }

            // ---------------------------------------------------------------- promotion discount
            posicionaLinha();
            double p = vrPreco;
            if (t.stTipoPrecoPromo == QLatin1String("2") ||
                marcado(itens, QStringLiteral("IDIMPGRPROMO"))) {
                const QString detalhe = QStringList{t.stCdFilial, t.stCdProdPromo, stCdGrupo,
                                                    stCdProduto, t.stNrSeqGrPromoAtual}
                                            .join(QLatin1Char('-'));
                const DataResult desconto =
                    detail::MensagemMetodoLog(getDescontoPromocao(t.stCdFilial, t.stCdProdPromo, stCdGrupo,
                                                         stCdProduto, t.stNrSeqGrPromoAtual),
                                     true, 0, QStringLiteral("getDescontoPromocao"),
                                     QStringLiteral("Srv_Kvp510"), detalhe, QString());
                t.cdsDesconto.setData(desconto.asPacket());
                t.cdsDesconto.first();
                posicionaLinha();

                auto grava = [&](const char* campo, double valor) {
                    posicionaLinha();
                    itens.edit();
                    itens.setValue(QLatin1String(campo), valor);
                    itens.post();
                };

                if (t.cdsDesconto.isEmpty()) {
                    if (e > 0) {
                        grava("VRDESCONTO", Trunc2(e));
                    }
                } else {
                    const bool primeiraUnidade = t.ValidaProduto(stCdProduto);
                    posicionaLinha();
                    double v = t.cdsDesconto.asFloat(QStringLiteral("VRDESCONTO"));
                    const QString tipo = t.cdsDesconto.asString(QStringLiteral("IDDESCACRPROMO"));
                    const QString percValor = t.cdsDesconto.asString(QStringLiteral("IDPERCVALOR"));
                    const QString aplica =
                        t.cdsDesconto.asString(QStringLiteral("IDAPLICADESCONTO"));
                    const bool escreve = aplica == QLatin1String("T") || primeiraUnidade;
                    const bool porUnidade = aplica == QLatin1String("I") && m > 1;
                    // The amount written over what the line has (E or A): for the first unit
                    // only when several promotions are sold, else for all of them.
                    auto valorDaTabela = [&](double ja, bool ehDesconto) -> std::optional<double> {
                        posicionaLinha();
                        const double u = itens.asFloat(QStringLiteral("VRUNVENDAEST"));
                        const bool valor = percValor == QLatin1String("V");
                        if (!valor && percValor != QLatin1String("P")) {
                            return std::nullopt;
                        }
                        if (porUnidade) {
                            if (valor) {
                                return Trunc2(ja) + Trunc2(v * q);
                            }
                            const double x = Trunc2(ja) + Trunc2(v * u * q / 100);
                            return x >= p * q ? p * q - 0.01 : x;
                        }
                        if (valor) {
                            const double y = std::max(0.0, Trunc2(v * q));
                            const double x = Trunc2(ja) + y * m;
                            return ehDesconto && x < 0 ? y : x;
                        }
                        const double x = Trunc2(ja) + Trunc2(v * u * q / 100 * m);
                        if (ehDesconto) {
                            const double limite = p * q * m - 0.01 * m;
                            return x >= limite ? limite : x;
                        }
                        return x >= p * q ? p * q - 0.01 : x;
                    };

                    if (tipo == QLatin1String("D")) {
                        if (t.stIdAplPreDifComb == kN) {
                            // The promotion's own price of the product; a failed lookup keeps
                            // the price the line has rather than another product's.
                            t.cdsRetornaPreco.emptyOrCreate();
                            t.ConsultaPreco(stCdProduto, QString(), kS);
                            if (!t.cdsRetornaPreco.isEmpty()) {
                                t.cdsRetornaPreco.first();
                                p = t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
                                grava("VRUNVENDAEST", p);
                            }
                            e = 0;
                        }
                        posicionaLinha();
                        const double u = itens.asFloat(QStringLiteral("VRUNVENDAEST"));
                        if (percValor == QLatin1String("V")) {
                            const double l = Trunc2(u * q);
                            if (Trunc2(e) + v >= l) {
                                v = (l - 0.01) - Trunc2(e);
                                if (v < 0) {
                                    v = l - 0.01;
                                    e = 0;
                                }
                                t.cdsDesconto.edit();
                                t.cdsDesconto.setValue(QStringLiteral("VRDESCONTO"), v);
                                t.cdsDesconto.post();
                            }
                        }
                        if (escreve) {
                            if (const auto x = valorDaTabela(e, true)) {
                                grava("VRDESCONTO", *x);
                            }
                        }
                    } else if (tipo == QLatin1String("A") && escreve) {
                        if (const auto x = valorDaTabela(a, false)) {
                            grava("VRACRESCIMO", *x);
                        }
                    }
                }
                posicionaLinha();
                t.LimitaDesconto();

                t.vrAjustePromo += itens.asFloat(QStringLiteral("VRDESCONTO"));
                if (t.stTipoPrecoPromo == QLatin1String("2")) {
                    t.vrSomaProdutos +=
                        Trunc2(p * q) + itens.asFloat(QStringLiteral("VRACRESCIMO")) / m;
                    t.MontaTextoResumoPreco();
                } else {
                    const double desc = itens.asFloat(QStringLiteral("VRDESCONTO"));
                    const double acr = itens.asFloat(QStringLiteral("VRACRESCIMO"));
                    const double precoLinha = Trunc2(p * q) + acr / m - desc / m;
                    itens.edit();
                    itens.setValue(QStringLiteral("VRDESITVENDAEST"), desc);
                    gravaSeHouver(itens, QStringLiteral("VRACRITVENDAEST"), acr);
                    itens.setValue(QStringLiteral("VRPRECOPROD"), precoLinha);
                    itens.post();
                    t.vrPrecoPromo += precoLinha;
                    t.vrPrecoPromoFinal += precoLinha;
                    t.MontaTextoPrecoPromo();
                }
            }

            // ---------------------------------------------------------------- end
            posicionaLinha();
            LogKvp510(QStringLiteral("PRODUTO ADICIONADO: ") + stCdProduto + QStringLiteral(" - ") +
                      stNmProduto + QStringLiteral(" - PREÇO: ") + shortestText(p, fs) +
                      QStringLiteral(" - DESC: ") +
                      shortestText(itens.asFloat(QStringLiteral("VRDESCONTO")), fs) +
                      QStringLiteral(" - IMP:") + itens.asString(QStringLiteral("IDIMPGRPROMO")));
            t.nrQtdeInserida = itens.recordCount();
            if constexpr (Tela::kPesaEMultiplica) {
                if (!t.boProdutoAdd) {
                    t.SetdoQtdeMult(0);
                }
            }
            posicionaLinha();
            return true;
        } catch (const SilentAbort&) {
            // The host has shown why.
            desfaz();
        } catch (const std::exception& e) {
            desfaz();
            t.MostraErro(textoErro(e));
        }
        return false;
    }

    static void LimitaDesconto(Tela& t)
    {
        DataSet& itens = t.cdsItemProd;
        const double bruto = Trunc2(std::fabs(itens.asFloat(QStringLiteral("QTPRODVEND")) *
                                              itens.asFloat(QStringLiteral("VRUNVENDAEST"))));
        const double teto = std::max(0.0, bruto - 0.01);
        const double desconto = itens.asFloat(QStringLiteral("VRDESCONTO"));
        if (std::fabs(desconto) > teto + 0.0001) {
            itens.edit();
            itens.setValue(QStringLiteral("VRDESCONTO"), desconto < 0 ? -teto : teto);
            itens.post();
        }
    }

    static void MontaTextoPrecoPromo(Tela& t)
    {
        const FormatSettings& fs = host().formatSettings();
        const QString& moeda = fs.currencyString;
        if (!t.stTextoDescPromo.isEmpty()) {
            t.stTextoAjuste = t.stTextoDescPromo + t.msgPadrao.Msg(QStringLiteral("PRECO_FINAL")) +
                              moeda + formatMoney(t.vrPrecoPromoFinal * t.nrQtdePromo, fs);
        }
        t.lblDescricao.caption = t.msgPadrao.Msg(QStringLiteral("PRECO")) + moeda +
                                 formatMoney(t.vrPrecoPromo * t.nrQtdePromo, fs) +
                                 QStringLiteral("  ") + t.stTextoAjuste;
    }

    static bool ValidaProduto(Tela& t, const QString& stCdProduto)
    {
        bool resultado = false;
        if (!t.cdsDesconto.isActive() ||
            !t.cdsDesconto.hasField(QStringLiteral("IDAPLICADESCONTO")) ||
            t.cdsDesconto.asString(QStringLiteral("IDAPLICADESCONTO")) != QLatin1String("I")) {
            return false;
        }
        const SemFiltro semFiltroItens(t.cdsItemProd);
        const SemFiltro semFiltroVendidos(t.cdsItemsVendidos);
        try {
            const Filter doProduto = Filter::eq(QStringLiteral("CDPRODUTO"), stCdProduto);
            t.cdsItemProd.applyFilter(doProduto);
            const bool vendidosComProduto =
                t.cdsItemsVendidos.hasField(QStringLiteral("CDPRODUTO"));
            if (vendidosComProduto) {
                t.cdsItemsVendidos.applyFilter(doProduto);
            }
            const DataResult existe = detail::MensagemMetodoLog(
                getExisteProd(t.stCdFilial, stCdProduto, Tela::modulo().stNrVendaRest2), true, 0,
                QStringLiteral("getExisteProd"), QStringLiteral("Srv_Kvp510"),
                t.stCdFilial + QLatin1Char('-') + stCdProduto + QLatin1Char('-') +
                    Tela::modulo().stNrVendaRest2,
                QString());
            t.cdsExisteProd.setData(existe.asPacket());
            resultado = t.cdsItemProd.recordCount() == 1 && t.cdsExisteProd.isEmpty() &&
                        (!vendidosComProduto || t.cdsItemsVendidos.isEmpty());
        } catch (const SilentAbort&) {
            resultado = false;
        } catch (const std::exception& e) {
            resultado = false;
            t.MostraErro(textoErro(e));
        }
        return resultado;
    }

    static void controlaValorCupom(Tela& t, double q, double p, double d, double a,
                                   const QString& stCdProduto)
    {
        if (t.stIdUtCupomDesc != kS || !t.boUtilizaImpFis) {
            return;
        }
        t.zeraVariaveisCupomDesc();

        HostServices& h = host();
        HostAnswer resposta;
        h.CriaInfAdicional({QString(), QString(), QString(), QString(), QString(), QString(),
                            t.stIdEsquema, QString(), kS},
                           resposta);
        const QVariant codigo = resposta[4];
        t.stCdCupomDesc = codigo.canConvert<QString>() ? codigo.toString() : QString();

        t.vrLimiteCupom = Trunc2(Trunc2(Trunc2(p) * q) - d + a);
        if (t.stCdCupomDesc.isEmpty()) {
            t.vrDescCupom = 0;
            return;
        }

        const DataResult validos =
            detail::MensagemMetodoLog(getCuponsValidos(t.stCdFilial, stCdProduto), true, 0,
                             QStringLiteral("getCuponsValidos"), QStringLiteral("Srv_Kvp510"),
                             t.stCdFilial + QLatin1Char('-') + stCdProduto, QString());
        t.cdsCuponsValidos.setData(validos.asPacket());

        // The data service leaves the validity dates to the screen: a coupon outside them is
        // as unavailable as one the product does not take.
        bool achou = false;
        const QDateTime agora = h.now();
        for (t.cdsCuponsValidos.first(); !t.cdsCuponsValidos.eof(); t.cdsCuponsValidos.next()) {
            if (t.cdsCuponsValidos.asString(QStringLiteral("CDCUPOMDESCQMT")) == t.stCdCupomDesc &&
                vigente(t.cdsCuponsValidos, agora)) {
                achou = true;
                break;
            }
        }
        if (!achou) {
            t.Avisa(t.msgPadrao.Msg(QStringLiteral("CUPOM_IND")));
            t.stCdCupomDesc.clear();
            t.vrDescCupom = 0;
            return;
        }
        if (marcado(t.cdsCuponsValidos, QStringLiteral("IDUSOUNICO")) &&
            t.cdsCupomDescVenda.isActive() &&
            t.cdsCupomDescVenda.locate(QStringLiteral("CDCUPOMDESCQMT"), t.stCdCupomDesc)) {
            t.Avisa(t.msgPadrao.Msg(QStringLiteral("CUPOMUNICO_JA")));
            t.stCdCupomDesc.clear();
            t.vrDescCupom = 0;
            return;
        }

        const double valor = t.cdsCuponsValidos.asFloat(QStringLiteral("VRDESCCUPOM"));
        if (t.cdsCuponsValidos.asString(QStringLiteral("IDTIPODESC")) == QLatin1String("P")) {
            t.vrDescCupom = Trunc2(valor * t.vrLimiteCupom / 100);
        } else {
            t.vrDescCupom = Trunc2(valor);
            if (t.vrDescCupom >= t.vrLimiteCupom) {
                t.vrDescCupom = t.vrLimiteCupom - 0.01;
            }
        }
    }

    static void zeraVariaveisCupomDesc(Tela& t)
    {
        t.stCdCupomDesc.clear();
        t.vrDescCupom = 0;
        t.vrLimiteCupom = 0;
    }

    static void incluiCupomVenda(Tela& t, const QString& stCdCupom)
    {
        if (!t.cdsCupomDescVenda.isActive()) {
            t.cdsCupomDescVenda.createDataSet();
        }
        t.cdsCupomDescVenda.append();
        t.cdsCupomDescVenda.setValue(QStringLiteral("CDCUPOMDESCQMT"), stCdCupom);
        t.cdsCupomDescVenda.post();
    }

    static void removeCupomVenda(Tela& t, const QString& stCdCupom)
    {
        if (stCdCupom.isEmpty() || !t.cdsCupomDescVenda.isActive()) {
            return;
        }
        t.cdsCupomDescVenda.clearFilter();
        if (t.cdsCupomDescVenda.locate(QStringLiteral("CDCUPOMDESCQMT"), stCdCupom)) {
            t.cdsCupomDescVenda.remove();
        }
    }

    static bool RecusaGrupoExclusivo(Tela& t, const QString& cdGrupoProduto)
    {
        if (t.stCdGrupMutexAtual.isEmpty()) {
            return false;
        }
        const SemFiltro semFiltro(t.cdsItemProd);
        t.cdsItemProd.clearFilter();
        if (!t.cdsItemProd.locate(QStringLiteral("CDGRUPMUTEX"), t.stCdGrupMutexAtual)) {
            return false;
        }
        if (t.cdsItemProd.asString(QStringLiteral("CDGRUPROMOC")) == cdGrupoProduto) {
            return false;
        }
        t.Avisa(t.msgPadrao.Msg(QStringLiteral("GRUPO_EXCLUSIVO"), {QString(QChar(13))}));
        return true;
    }

    static void BloqueiaGrupo(Tela& t)
    {
        if (t.stCdGrupMutexAtual.isEmpty()) {
            return;
        }
        for (int i = 1; i <= Tela::kNumBotoesGrupo; ++i) {
            Control& botao = t.blbMenu(i);
            if (botao.groupCode.isEmpty() || botao.groupCode == t.stCdGrupoAtual) {
                continue;
            }
            if (t.cdsAuxGrupProdCombo.locate(QStringLiteral("CDGRUPROMOC;CDGRUPMUTEX"),
                                             {botao.groupCode, t.stCdGrupMutexAtual})) {
                botao.enabled = false;
                Tela::modulo().stBotaoBloqueado += entradaBloqueio(botao.groupCode);
            }
        }
    }

    static void DesbloqueiaGrupo(Tela& t, const QString& stCdGrupo, const QString& stCdGrupMutex)
    {
        if (stCdGrupMutex.isEmpty()) {
            return;  // a group outside any set locked nothing
        }
        try {
            const DataResult grupos = detail::MensagemMetodoLog(
                getGrupoMutex(t.stCdFilial, t.stCdProdPromo, stCdGrupMutex), true, 0,
                QStringLiteral("getGrupoMutex"), QStringLiteral("Srv_Kvp510"),
                t.stCdFilial + QLatin1Char('-') + t.stCdProdPromo + QLatin1Char('-') +
                    stCdGrupMutex,
                QString());
            t.cdsGrupoMutex.setData(grupos.asPacket());
            t.cdsGrupoMutexAux.copyFrom(t.cdsGrupoMutex);
        } catch (const SilentAbort&) {
            return;  // the host has shown why; the buttons stay as they are
        }
        if (t.cdsGrupoMutexAux.isEmpty()) {
            return;
        }
        for (int i = 1; i <= Tela::kNumBotoesGrupo; ++i) {
            Control& botao = t.blbMenu(i);
            if (botao.groupCode.isEmpty() || botao.groupCode == stCdGrupo) {
                continue;
            }
            if (t.cdsGrupoMutexAux.locate(QStringLiteral("CDGRUPROMOC;CDGRUPMUTEX"),
                                          {botao.groupCode, stCdGrupMutex})) {
                botao.enabled = true;
                // Whole entries only: a code that is part of another one ("G1" in "G10;")
                // must not take the other's entry with it.
                Tela::modulo().stBotaoBloqueado =
                    semEntradasDoGrupo(Tela::modulo().stBotaoBloqueado, botao.groupCode);
            }
        }
    }

    static void CriaProdBandeja(Tela& t, const QString& stCodigo, const QString& stNome,
                                const QString& /*ignorado*/, const QString& stObs,
                                const QString& stIdPesa, const QString& stQtdeReal, double nrQtde,
                                double vrUnitario, int /*ignoradoNr*/, int nrPosicao,
                                const Control* fonte)
    {
        const MedidasBandeja& m = Tela::kBandeja;
        const QList<Control*> antes = t.controlesBandeja();
        int y = m.passo * (nrPosicao - 1);
        // Once the tray has scrolled, new entries line up with the scrolled content.
        if (antes.size() > m.controlesAntesDeslocar) {
            y += antes.first()->bounds.top;
        }

        const QString prefixo = QStringLiteral("bandeja%1").arg(++t.m_serialBandeja);
        auto novo = [&](const char* parte, screen::ControlKind kind, screen::Bounds bounds) {
            Control c;
            c.name = prefixo + QLatin1String(parte);
            c.kind = kind;
            c.parent = t.scbBandeja.name;
            c.bounds = bounds;
            c.tag = t.nrSeqBandeja;
            return c;
        };

        Control foto =
            novo("Foto", screen::ControlKind::Picture, {0, y, m.larguraFoto, m.alturaFoto});
        foto.picture = fonte && !fonte->picture.isEmpty() ? fonte->picture : t.imgSemImagem.picture;
        foto.cornerRadius = 20;
        foto.stretch = true;
        foto.transparent = false;
        t.addControl(foto);

        Control codigo = novo("Codigo", screen::ControlKind::Label, {m.esquerdaTexto, y, 0, 16});
        codigo.autoSize = true;
        codigo.caption = stCodigo;
        codigo.font = screen::Font{kVerdana, 10, true, screen::clBlack};
        t.addControl(codigo);

        Control nome = novo("Nome", screen::ControlKind::Label, {m.esquerdaTexto, y + 15, 190, 42});
        nome.caption = stNome;
        nome.font = screen::Font{kVerdana, 8, true, screen::clBlack};
        t.addControl(nome);

        Control obs = novo("Obs", screen::ControlKind::Label, {m.esquerdaTexto, y + 30, 180, 42});
        obs.caption = stObs;
        obs.wordWrap = true;
        obs.font = screen::Font{kVerdana, 7, false, screen::clBlack};
        t.addControl(obs);

        Control preco = novo("Preco", screen::ControlKind::Label,
                             {m.esquerdaTexto, y + 53, m.larguraPreco, 18});
        preco.font = screen::Font{kVerdana, m.fontePreco, true, screen::clBlack};
        preco.alignment = m.alinhamentoPreco;
        if (t.stTipoPrecoPromo == QLatin1String("2")) {
            const FormatSettings& fs = host().formatSettings();
            const double q = stQtdeReal == QLatin1String("S") ? nrQtde : nrQtde * t.nrQtdePromo;
            const bool pesado = stIdPesa == QLatin1String("S");
            const double d = pesado ? 0.0 : t.cdsItemProd.asFloat(QStringLiteral("VRDESCONTO"));
            const double a = pesado ? 0.0 : t.cdsItemProd.asFloat(QStringLiteral("VRACRESCIMO"));
            const double unitario = (Trunc2(q) * vrUnitario - d + a) / q;
            preco.caption = shortestText(q, fs) + QStringLiteral(" X ") + fs.currencyString +
                            formatMoney(unitario, fs);
        }
        t.addControl(preco);

        if (t.controlesBandeja().size() / 5 > 4) {
            rolaConteudo(t.controlesBandeja(), -m.passo);
            t.bbbBandejaUp.visible = true;
        }
    }

    static void RemoveObservacoes(Tela& t, const QString& nrSeq)
    {
        auto apaga = [](DataSet& ds, const QString& valor) {
            if (!ds.isActive() || ds.isEmpty()) {
                return;
            }
            const SemFiltro semFiltro(ds);
            ds.applyFilter(Filter::eq(QStringLiteral("NRSEQ"), valor));
            while (!ds.isEmpty()) {
                ds.first();
                ds.remove();
            }
        };
        apaga(t.cdsObsItens, nrSeq);
        apaga(t.cdsProdCtObs, Ajusta(nrSeq, 3));
    }

    static void RemoveProdBandeja(Tela& t, int nrTag)
    {
        for (Control* c : t.controlesBandeja()) {
            if (c->tag == nrTag) {
                t.removeControl(c->name);
            } else if (c->tag > nrTag) {
                c->bounds.top -= Tela::kBandeja.passo;
            }
        }
        t.AjustaSetasBandeja();
    }

    static void AjustaSetasBandeja(Tela& t)
    {
        t.bbbBandejaUpClick();
        const QList<Control*> controles = t.controlesBandeja();
        if (!controles.isEmpty() && controles.first()->bounds.top == 0) {
            t.bbbBandejaUp.visible = false;
        }
        if (!controles.isEmpty() &&
            controles.last()->bounds.bottom() <= t.scbBandeja.bounds.height) {
            t.bbbBandejaDown.visible = false;
        }
    }

    static void bbbBandejaUpClick(Tela& t)
    {
        const QList<Control*> controles = t.controlesBandeja();
        if (!controles.isEmpty() && controles.first()->bounds.top < 0) {
            rolaConteudo(controles, Tela::kBandeja.passo);
            t.bbbBandejaDown.visible = true;
        }
        if (controles.isEmpty() || controles.first()->bounds.top == 0) {
            t.bbbBandejaUp.visible = false;
        }
    }

    static void bbbBandejaDownClick(Tela& t)
    {
        const QList<Control*> controles = t.controlesBandeja();
        if (!controles.isEmpty() &&
            controles.last()->bounds.bottom() > t.scbBandeja.bounds.height) {
            rolaConteudo(controles, -Tela::kBandeja.passo);
            t.bbbBandejaUp.visible = true;
        }
        if (controles.isEmpty() ||
            controles.last()->bounds.bottom() <= t.scbBandeja.bounds.height) {
            t.bbbBandejaDown.visible = false;
        }
    }

    static bool ValidaImpostos(Tela& t, DataSet& aliquota, const QString& cdProduto)
    {
        const DataResult aliquotas = getImposto(t.stCdFilial, cdProduto, QString());
        if (aliquotas.isError()) {
            LogKvp510(aliquotas.errorText());
        }
        try {
            aliquota.setData(
                host()
                    .MensagemMetodo(aliquotas, true, 0, QStringLiteral("getImposto"),
                                    QStringLiteral("Cli_Kvp510"),
                                    t.stCdFilial + QLatin1Char('-') + cdProduto + QLatin1Char('-'),
                                    QString())
                    .asPacket());
        } catch (const SilentAbort&) {
            // Shown by the host. The rates of the product touched before are no rates of
            // this one: without its own it cannot pass.
            if (aliquota.isActive()) {
                aliquota.emptyDataSet();
            }
        }

        const QString chave = recusaImposto(t, aliquota);
        if (!chave.isEmpty()) {
            t.Avisa(t.msgPadrao.Msg(chave));
            return false;
        }
        return true;
    }

    static bool ValidaDocumentoFiscal(Tela& t, const QString& cdProduto)
    {
        auto carregaNFCe = [&]() -> const DataSet& {
            const DataResult dados = detail::MensagemMetodoLog(
                getValidProdNFCe(t.stCdFilial, cdProduto), true, 0,
                QStringLiteral("getValidaProdNFCe"), QStringLiteral("Cli_Kvp510"),
                t.stCdFilial + QLatin1Char('-') + cdProduto, QString());
            t.cdsValidProdNFCe.setData(dados.asPacket());
            t.cdsValidProdNFCe.first();
            return t.cdsValidProdNFCe;
        };
        auto carregaRegra = [&]() -> const DataSet& {
            const DataResult regra = detail::MensagemMetodoLog(
                getRegraFisPdv(cdProduto), true, 0, QStringLiteral("getRegraFisPdv"),
                QStringLiteral("Cli_Kvp510"), cdProduto, QString());
            t.cdsRegraFisPdv.setData(regra.asPacket());
            t.cdsRegraFisPdv.first();
            return t.cdsRegraFisPdv;
        };
        const QString chave = recusaDocumentoFiscal(t, carregaNFCe, carregaRegra);
        if (!chave.isEmpty()) {
            t.Avisa(t.msgPadrao.Msg(chave));
            return false;
        }
        return true;
    }

    static Colocacao ColocaProduto(Tela& t, const QString& cdProduto, const Control* fonte,
                                   bool preSelecao)
    {
        DataSet vazio{QStringLiteral("cdsVazio")};
        const bool modo2 = t.stTipoPrecoPromo == QLatin1String("2");
        // A lookup that fails quietly must not leave another product's price behind.
        t.cdsRetornaPreco.emptyOrCreate();
        if (t.ConsultaPreco(cdProduto, modo2 ? QStringLiteral("1") : QStringLiteral("2"),
                            QString()) == QLatin1String("Erro")) {
            return Colocacao::Abandonado;
        }
        if (modo2 && (!t.ValidaImpostos(cdProduto) || !t.ValidaDocumentoFiscal(cdProduto))) {
            return Colocacao::Recusado;
        }

        DataSet& produtos = t.cdsProdutoPromoAux;
        produtos.locate(QStringLiteral("CDPRODUTO"), cdProduto);
        const QString grupoProduto = produtos.asString(QStringLiteral("CDGRUPROMOC"));
        if (t.RecusaGrupoExclusivo(grupoProduto)) {
            return Colocacao::Recusado;
        }

        t.cdsAuxGrupProdCombo.locate(QStringLiteral("CDGRUPROMOC"), t.stCdGrupoAtual);
        const QString impGrupo = t.cdsAuxGrupProdCombo.asString(QStringLiteral("IDIMPGRPROMO"));
        const QString codigo = produtos.asString(QStringLiteral("CDPRODUTO"));
        const QString nome = produtos.asString(QStringLiteral("NMPRODUTO"));
        LogKvp510(
            (preSelecao ? QStringLiteral("AddProduto pre: ") : QStringLiteral("AddProduto: ")) +
            codigo + QStringLiteral(" - ") + nome + QStringLiteral(" IMPGRP: ") + impGrupo +
            QStringLiteral(" GRUPO: ") + (preSelecao ? t.stCdGrupoAtual : grupoProduto) +
            QStringLiteral(" GRUPO SELEC. ") + t.stCdGrupoAtual);

        double preco = 0;
        double acrescimo = 0;
        double desconto = 0;
        if (!t.cdsRetornaPreco.isEmpty()) {
            t.cdsRetornaPreco.first();
            preco = t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
            acrescimo = t.cdsRetornaPreco.asFloat(QStringLiteral("VRACRESCIMO"));
            desconto = t.cdsRetornaPreco.asFloat(QStringLiteral("VRDESCONTO"));
        }
        const QString arvore = produtos.asString(QStringLiteral("CDARVPROD"));
        const QString pesa = produtos.asString(QStringLiteral("IDPESAPROD"));
        if (!t.AddProduto(arvore, codigo, nome, grupoProduto, grupoProduto,
                          produtos.asString(QStringLiteral("CDFAMILISALD")), pesa,
                          produtos.asString(QStringLiteral("SGUNIDADE")),
                          produtos.asString(QStringLiteral("IDOBRPRODSELEC")), QString(), QString(),
                          produtos.asFloat(QStringLiteral("QTTARAPROD")), preco, acrescimo,
                          desconto, 0, 0, kS, vazio, vazio, t.stIdImpGrPromoAtual, kN, QString(),
                          QString(), false)) {
            return Colocacao::Recusado;
        }

        // A pre-selected product has no touched picture: its own picture goes to the tray.
        Control figura;
        if (!fonte) {
            const QDir pasta = t.PastaFiguras();
            figura.picture = t.FiguraProduto(
                arvore, pasta.exists() ? pasta.entryList(QDir::Files) : QStringList());
            fonte = &figura;
        }
        if (!t.cdsRetornaPreco.isEmpty()) {
            t.cdsRetornaPreco.first();
            preco = t.cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
        }
        t.CriaProdBandeja(
            arvore, nome, QString(), t.cdsItemProd.asString(QStringLiteral("STOBSPEDIDO")), pesa,
            kN, t.nrQtdeItemAtual, preco, t.nrSeqItem, t.cdsItemProd.recordCount(), fonte);
        if (!t.bbbAbaixo.visible && !t.bbbAcima.visible) {
            t.BloqueiaGrupo();
        }
        return Colocacao::Inserido;
    }

    static void ConcluiGrupo(Tela& t)
    {
        const SemFiltro semFiltro(t.cdsItemProd);
        t.cdsItemProd.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOC"), t.stCdGrupoAtual));
        const int linhas = t.cdsItemProd.recordCount();
        t.cdsItemProd.clearFilter();
        // A group of quantity 0 takes extras without end and never completes.
        if (linhas == t.QtdeGrupoAtual()) {
            t.AvancaGrupo(true);
        }
    }

    static void AvancaGrupo(Tela& t, bool recolore)
    {
        auto podeSelecionar = [&t](int i) {
            const Control& b = t.blbMenu(i);
            return b.visible && b.enabled;
        };
        auto seleciona = [&t](int i) {
            Control& b = t.blbMenu(i);
            t.blbMenu01Click(b);
            t.SetDown(b);
        };
        // Paging on from the last page would leave the menu without a single button.
        auto paginaAbaixo = [&t] {
            if (!t.cdsGrupProdCombo.eof()) {
                t.bbbAbaixoClick();
            }
        };

        if (t.nrBotaoGrupoAtual >= Tela::kNumBotoesGrupo) {
            paginaAbaixo();
            return;
        }
        t.nrBotaoGrupoAnterior = t.nrBotaoGrupoAtual;
        const int n = ++t.nrBotaoGrupoAtual;
        if (podeSelecionar(n)) {
            if constexpr (Tela::kColoreGrupos) {
                if (recolore && t.nrBotaoGrupoAnterior != 0) {
                    t.blbMenu(t.nrBotaoGrupoAnterior).color = Tela::kCorGrupo;
                }
            }
            seleciona(n);
            return;
        }
        for (int i = n; i <= Tela::kNumBotoesGrupo; ++i) {
            if (podeSelecionar(i)) {
                seleciona(i);
                return;
            }
            if (i == Tela::kNumBotoesGrupo && !t.blbMenu(Tela::kNumBotoesGrupo).enabled) {
                paginaAbaixo();
            } else if (i > 1) {
                t.SetDown(t.blbMenu(i - 1));
            }
        }
    }

    static QDir PastaFiguras(const Tela& t)
    {
        // The parameter's folder ends with a separator; QDir does not mind when it does not.
        return QDir(QDir(t.stDsDirCad).filePath(QStringLiteral("dados/img/produto")));
    }

    static QString FiguraProduto(const Tela& t, const QString& cdArvProd,
                                 const QStringList& entradas)
    {
        const QDir pasta = t.PastaFiguras();
        if (!entradas.isEmpty()) {
            const QString candidatos[] = {QStringLiteral("p") + cdArvProd + QStringLiteral(".bmp"),
                                          QStringLiteral("Produto.bmp"),
                                          QStringLiteral("Producto.bmp"),
                                          QStringLiteral("Product.bmp")};
            for (const QString& nome : candidatos) {
                const QString caminho = procuraArquivo(pasta, entradas, nome);
                if (!caminho.isEmpty()) {
                    return caminho;
                }
            }
        }
        return t.imgSemImagem.picture;
    }

    static void LeParametros(Tela& t)
    {
        const QString arquivo =
            QDir(host().programFolder()).filePath(QStringLiteral("PARAMETROSQMT.CDS"));
        if (!QFileInfo::exists(arquivo)) {
            return;  // no host parameters: empty branch, store and till codes
        }
        t.cdsParametrosQmt.setData(DataPacket::loadFromFile(arquivo));
        // A file without its record would open the screen on a blank branch with zero
        // prices: refuse it by name instead.
        if (t.cdsParametrosQmt.isEmpty()) {
            throw DataSetError(QStringLiteral("%1: the file holds no record").arg(arquivo));
        }
        t.cdsParametrosQmt.first();

        static const char* const campos[] = {
            "INCOR1",        "INCOR2",          "IDESQUEMA",      "CDFILIAL",      "CDLOJA",
            "UTILIZAIMPFIS", "IDTIPOIMPFIS",    "SISTEMAQMTNFCE", "SISTEMAQMTSAT", "IDCOLETOR",
            "DSDIRCAD",      "IDUTTABPRECLVDC", "CDCAIXA",        "IDSOLOBSPED",   "NRCONFTELA",
            "IDFECHACUPOM",  "IDAPLPREDIFCOMB", "IDADESAOREFTRIB"};
        // The multiplier and the scale are the main screen's alone.
        static const char* const camposPesagem[] = {"CTMULTIPLICADOR", "IDTIPOBAL", "CDPORTABAL",
                                                    "NRVELOCBAL"};
        auto exige = [&](const char* campo) {
            if (!t.cdsParametrosQmt.hasField(QLatin1String(campo))) {
                throw DataSetError(
                    QStringLiteral("%1: field '%2' not found").arg(arquivo, QLatin1String(campo)));
            }
        };
        for (const char* campo : campos) {
            exige(campo);
        }
        if constexpr (Tela::kPesaEMultiplica) {
            for (const char* campo : camposPesagem) {
                exige(campo);
            }
        }

        const DataSet& p = t.cdsParametrosQmt;
        t.stIdEsquema = p.asString(QStringLiteral("IDESQUEMA"));
        t.stCdFilial = p.asString(QStringLiteral("CDFILIAL"));
        t.stCdLoja = p.asString(QStringLiteral("CDLOJA"));
        t.boUtilizaImpFis = comoBooleano(p, QStringLiteral("UTILIZAIMPFIS"));
        t.nrIdTipoImpFis = p.asInteger(QStringLiteral("IDTIPOIMPFIS"));
        t.boSistemaQmtNfce = comoBooleano(p, QStringLiteral("SISTEMAQMTNFCE"));
        t.boSistemaQmtSat = comoBooleano(p, QStringLiteral("SISTEMAQMTSAT"));
        t.stIdColetor = p.asString(QStringLiteral("IDCOLETOR"));
        t.stDsDirCad = p.asString(QStringLiteral("DSDIRCAD"));
        t.stIdUtTabPrecLvdc = p.asString(QStringLiteral("IDUTTABPRECLVDC"));
        t.stCdCaixa = p.asString(QStringLiteral("CDCAIXA"));
        t.stIdSolObsPed = p.asString(QStringLiteral("IDSOLOBSPED"));
        t.stNrConfTela = p.asString(QStringLiteral("NRCONFTELA"));
        t.stIdFechaCupom = p.asString(QStringLiteral("IDFECHACUPOM"));
        t.stIdAplPreDifComb = p.asString(QStringLiteral("IDAPLPREDIFCOMB"));
        t.stIdAdesaoRefTrib = p.asString(QStringLiteral("IDADESAOREFTRIB"));
        if constexpr (Tela::kPesaEMultiplica) {
            t.nrCtMultiplicador = p.asInteger(QStringLiteral("CTMULTIPLICADOR"));
            t.stIdTipoBal = p.asString(QStringLiteral("IDTIPOBAL"));
            t.stCdPortaBal = p.asString(QStringLiteral("CDPORTABAL"));
            t.stNrVelocBal = p.asString(QStringLiteral("NRVELOCBAL"));
        }
    }

    static void LeAliquotas(Tela& t)
    {
        const QString arquivo =
            QDir(host().programFolder()).filePath(QStringLiteral("Dados/Cadastros/AliqImpFis.cds"));
        if (!QFileInfo::exists(arquivo)) {
            return;
        }
        t.cdsAliqImpFis.setData(DataPacket::loadFromFile(arquivo));
        t.cdsAliqImpFis.addIndex(QStringLiteral("idxIdAliqVrAliq"),
                                 QStringLiteral("IDALIQIMPFIS;VRALIQIMPFIS"));
    }

    // Every group holds its quantity (or another group of its exclusive set does); else
    // the groups still missing products are listed and the answer is false.
    static bool SelecaoCompleta(Tela& t)
    {
        DataSet& itens = t.cdsItemProd;
        DataSet& grupos = t.cdsAuxGrupProdCombo;
        const FormatSettings& fs = host().formatSettings();
        const int linhaGrupos = grupos.recNo();

        // ------------------------------------------------------------ quantity check
        QString faltas;
        bool falta = false;
        const int nGrupos = grupos.isActive() ? grupos.recordCount() : 0;
        for (int g = 1; g <= nGrupos; ++g) {
            grupos.setRecNo(g);
            const QString codigo = grupos.asString(QStringLiteral("CDGRUPROMOC"));
            const QString mutex = grupos.asString(QStringLiteral("CDGRUPMUTEX"));
            const double q = grupos.asFloat(QStringLiteral("QUANTIDADE"));
            const double m = grupos.asFloat(QStringLiteral("QUANTMIN"));
            itens.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOC"), codigo));
            const double inserida = t.ObterQtdInserida();
            double faltando = quantidadeFaltando(q, m, inserida);
            if (faltando > 0 && !mutex.isEmpty()) {
                itens.applyFilter(Filter::ne(QStringLiteral("CDGRUPROMOC"), codigo)
                                      .and_(Filter::eq(QStringLiteral("CDGRUPMUTEX"), mutex)));
                if (!itens.isEmpty()) {
                    faltando = 0;  // another group of its set has been chosen instead
                }
            }
            if (faltando > 0) {
                falta = true;
                faltas += grupos.asString(QStringLiteral("NMGRUPROMOC")) +
                          QStringLiteral(" - Falta(m) ") + shortestText(faltando, fs) +
                          QStringLiteral(" produto(s)") + QLatin1Char('\n');
            }
        }
        itens.clearFilter();
        if (nGrupos == 0 || falta) {
            host().Mensagem(
                t.msgPadrao.Msg(QStringLiteral("qtda_Menor"), {QString(2, QChar(13)) + faltas}),
                QString(), kN, kN, static_cast<int>(MessageKind::Warning), QString(), QString(), 0,
                nullptr);
            if (linhaGrupos >= 1 && linhaGrupos <= grupos.recordCount()) {
                grupos.setRecNo(linhaGrupos);
            }
            return false;
        }
        return true;
    }
    static void LeGrupoAtual(Tela& t)
    {
        const DataSet& aux = t.cdsAuxGrupProdCombo;
        t.stCdGrupoAtual = aux.asString(QStringLiteral("CDGRUPROMOC"));
        t.stQtdeGrupoAtual = t.textoCampo(aux, QStringLiteral("QUANTIDADE"));
        t.stCdGrupMutexAtual = aux.asString(QStringLiteral("CDGRUPMUTEX"));
        t.stIdImpGrPromoAtual = aux.asString(QStringLiteral("IDIMPGRPROMO"));
        t.stNrSeqGrPromoAtual = t.textoCampo(aux, QStringLiteral("NRSEQGRPROMO"));
        t.stIdCombinaProd = aux.asString(QStringLiteral("IDCOMBINAPROD"));
    }

    static void SetDown(Tela& t, Control& botao)
    {
        for (int i = 1; i <= Tela::kNumBotoesGrupo; ++i) {
            t.blbMenu(i).down = false;
        }
        botao.down = true;
    }

    static void bbbAbaixoClick(Tela& t)
    {
        if (!t.cdsGrupProdCombo.eof()) {
            ++t.nrPaginaGrupo;
        }
        t.MontaMenuGrupo(false);
        Control& primeiro = t.blbMenu(1);
        t.blbMenu01Click(primeiro);
        t.SetDown(primeiro);
        t.nrBotaoGrupoAtual = 1;
        t.nrBotaoGrupoAnterior = 1;
    }

    static void bbbAcimaClick(Tela& t)
    {
        if (t.nrPaginaGrupo > 1) {
            --t.nrPaginaGrupo;
        }
        // Pages start every five rows here, not every ten: paging up from the third page
        // shows groups 6 to 15.
        if (t.nrPaginaGrupo >= 1 && t.nrPaginaGrupo <= 20) {
            const int linha = 5 * (t.nrPaginaGrupo - 1) + 1;
            if (linha <= t.cdsGrupProdCombo.recordCount()) {
                t.cdsGrupProdCombo.setRecNo(linha);
            }
        }
        t.MontaMenuGrupo(false);
        Control& primeiro = t.blbMenu(1);
        t.blbMenu01Click(primeiro);
        t.SetDown(primeiro);
        t.nrBotaoGrupoAtual = 1;
        t.nrBotaoGrupoAnterior = 1;
    }

    static double ObterQtdInserida(Tela& t)
    {
        double soma = 0;
        for (t.cdsItemProd.first(); !t.cdsItemProd.eof(); t.cdsItemProd.next()) {
            soma += t.cdsItemProd.asFloat(QStringLiteral("QTPRODVALIDA"));
        }
        t.cdsItemProd.first();
        return soma;
    }

    static double QtdeGrupoAtual(const Tela& t)
    {
        return parseNumber(t.stQtdeGrupoAtual, host().formatSettings());
    }

    // A field as the operator reads it: numbers in their shortest decimal text.
    static QString textoCampo(const DataSet& ds, const QString& campo)
    {
        const QVariant v = ds.value(campo);
        if (v.typeId() == QMetaType::Double) {
            return shortestText(v.toDouble(), host().formatSettings());
        }
        return ds.asString(campo);
    }

    // The group's quantity in words, for the group the groups' copy stands on.
    static void TextoQuantidadeGrupo(Tela& t)
    {
        const DataSet& aux = t.cdsAuxGrupProdCombo;
        const double q = aux.asFloat(QStringLiteral("QUANTIDADE"));
        const double m = aux.asFloat(QStringLiteral("QUANTMIN"));
        const QString textoQ = t.textoCampo(aux, QStringLiteral("QUANTIDADE"));
        const QString textoM = t.textoCampo(aux, QStringLiteral("QUANTMIN"));
        if (q == 0) {
            t.lblQuantGrupo.caption = t.msgPadrao.Msg(QStringLiteral("Adic_Grup"));
        } else if (q == m && q > 1) {
            t.lblQuantGrupo.caption = t.msgPadrao.Msg(QStringLiteral("Qtda_Grupo2"), {textoQ});
        } else if (q == m) {
            t.lblQuantGrupo.caption = t.msgPadrao.Msg(QStringLiteral("Qtda_Grup"), {textoQ});
        } else if (m == 0 && q > 0) {
            t.lblQuantGrupo.caption = t.msgPadrao.Msg(QStringLiteral("Ate_Grup"), {textoQ});
        } else if (m > 0 && q > m) {
            t.lblQuantGrupo.caption =
                t.msgPadrao.Msg(QStringLiteral("deAte_Grup"), {textoM, textoQ});
        }
    }

    // Fills product slot k with the product the list stands on: price, name, picture.
    static void MostraSlot(Tela& t, int k, const DataSet& produtos, double preco,
                           const QString& nome, const QStringList& figuras)
    {
        Control& lblP = t.lblPreco(k);
        lblP.caption = QStringLiteral("R$ ") + formatMoney(Trunc2(preco), host().formatSettings());
        if (t.stTipoPrecoPromo == QLatin1String("2")) {
            lblP.visible = true;
        }

        Control& lblN = t.lblNmProd(k);
        lblN.caption = nome;
        lblN.font.color = screen::clBlack;
        lblN.font.pointSize = 6;
        lblN.visible = true;

        Control& img = t.imgProd(k);
        img.productCode = produtos.asString(QStringLiteral("CDPRODUTO"));
        img.slot = k;
        img.visible = true;
        img.picture = t.FiguraProduto(produtos.asString(QStringLiteral("CDARVPROD")), figuras);
    }

    // Takes the share of the item line the items stand on out of the price line.
    static void DesfazPrecoLinha(Tela& t)
    {
        DataSet& itens = t.cdsItemProd;
        if (t.stTipoPrecoPromo == QLatin1String("2")) {
            t.AtualizaResumoPreco(-1);
        } else if (marcado(itens, QStringLiteral("IDIMPGRPROMO"))) {
            const double preco = itens.asFloat(QStringLiteral("VRPRECOPROD"));
            t.vrPrecoPromo -= preco;
            t.vrPrecoPromoFinal -= preco;
            t.MontaTextoPrecoPromo();
        }
    }

    // After a removal: the exclusive set opens again only once the group has no line left.
    static void DesbloqueiaSeVazio(Tela& t, const QString& grupo, const QString& mutex)
    {
        DataSet& itens = t.cdsItemProd;
        itens.applyFilter(Filter::eq(QStringLiteral("CDGRUPMUTEX"), mutex)
                              .and_(Filter::eq(QStringLiteral("CDGRUPROMOC"), grupo)));
        const bool grupoVazio = itens.isEmpty();
        itens.clearFilter();
        if (grupoVazio) {
            t.DesbloqueiaGrupo(grupo, mutex);
        }
    }
};

// The operations both screens share, as members of each: a screen derives from
// OperacoesComuns<itself, its layout> and gets every one of them, each handing its work
// to the rule above.
template <class Tela, class Base>
class OperacoesComuns : public Base {
protected:
    using Base::Base;
    using Regras = RegrasComuns<Tela>;
    using Colocacao = detail::Colocacao;

    Tela& tela() { return static_cast<Tela&>(*this); }
    const Tela& tela() const { return static_cast<const Tela&>(*this); }
    using typename Base::ChangeScope;

public:
    // The controls both screens have.
    Control& lblCabecalho = this->component(QStringLiteral("lblCabecalho"));
    Control& panGrupo = this->component(QStringLiteral("panGrupo"));
    Control& bbbAcima = this->component(QStringLiteral("bbbAcima"));
    Control& bbbAbaixo = this->component(QStringLiteral("bbbAbaixo"));
    Control& lblQuantGrupo = this->component(QStringLiteral("lblQuantGrupo"));
    Control& lblEscolhaOpcao = this->component(QStringLiteral("lblEscolhaOpcao"));
    Control& bbbProdAcima = this->component(QStringLiteral("bbbProdAcima"));
    Control& bbbProdAbaixo = this->component(QStringLiteral("bbbProdAbaixo"));
    Control& imgSemImagem = this->component(QStringLiteral("imgSemImagem"));
    Control& Label1 = this->component(QStringLiteral("Label1"));
    Control& scbBandeja = this->component(QStringLiteral("scbBandeja"));
    Control& bbbBandejaUp = this->component(QStringLiteral("bbbBandejaUp"));
    Control& bbbBandejaDown = this->component(QStringLiteral("bbbBandejaDown"));
    Control& lblDescExProd = this->component(QStringLiteral("lblDescExProd"));
    Control& lblDescricao = this->component(QStringLiteral("lblDescricao"));
    Control& panMenu = this->component(QStringLiteral("panMenu"));
    Control& bldCancelar = this->component(QStringLiteral("bldCancelar"));
    Control& bldConfirmar = this->component(QStringLiteral("bldConfirmar"));
    Control& lblCodTela = this->component(QStringLiteral("lblCodTela"));
    // "blbMenu" + two-digit slot (1 to 10), "imgProd"/"lblNmProd"/"lblPreco" + two-digit
    // slot (1 to the screen's slot count). Raises std::out_of_range outside those ranges.
    Control& blbMenu(int slot)
    {
        return this->component(nomeSlot("blbMenu", slot, Tela::kNumBotoesGrupo));
    }
    Control& imgProd(int slot)
    {
        return this->component(nomeSlot("imgProd", slot, Tela::kNumSlotsProduto));
    }
    Control& lblNmProd(int slot)
    {
        return this->component(nomeSlot("lblNmProd", slot, Tela::kNumSlotsProduto));
    }
    Control& lblPreco(int slot)
    {
        return this->component(nomeSlot("lblPreco", slot, Tela::kNumSlotsProduto));
    }

    void bbbProdAbaixoClick()
    {
        const ChangeScope changes(tela());
        Tela& t = tela();
        if (!t.cdsProdutoPromo.eof()) {
            ++t.nrPaginaProd;
        }
        t.MontaMenuProduto(t.stCdGrupoAtual, false);
    }

    // Pages start every slot count of rows.
    void bbbProdAcimaClick()
    {
        const ChangeScope changes(tela());
        Tela& t = tela();
        if (t.nrPaginaProd > 1) {
            --t.nrPaginaProd;
        }
        if (t.nrPaginaProd >= 1 && t.nrPaginaProd <= 20) {
            const int linha = Tela::kNumSlotsProduto * (t.nrPaginaProd - 1) + 1;
            if (linha <= t.cdsProdutoPromo.recordCount()) {
                t.cdsProdutoPromo.setRecNo(linha);
            }
        }
        t.MontaMenuProduto(t.stCdGrupoAtual, false);
    }
    void SetDown(Control& botao) { Regras::SetDown(tela(), botao); }

    void bbbAbaixoClick()
    {
        const ChangeScope changes(tela());
        Regras::bbbAbaixoClick(tela());
    }

    void bbbAcimaClick()
    {
        const ChangeScope changes(tela());
        Regras::bbbAcimaClick(tela());
    }

    // Sum of QTPRODVALIDA over the item lines the current filter shows.
    double ObterQtdInserida() { return Regras::ObterQtdInserida(tela()); }
    QString ConsultaPreco(const QString& cdProduto, const QString& modoMensagem,
                          const QString& idPreco)
    {
        return Regras::ConsultaPreco(tela(), cdProduto, modoMensagem, idPreco);
    }

    void AtualizaProdCombinado(const QString& cdGrupo)
    {
        const ChangeScope changes(tela());
        Regras::AtualizaProdCombinado(tela(), cdGrupo);
    }

    void AtualizaResumoPreco(double sinal) { Regras::AtualizaResumoPreco(tela(), sinal); }

    void MontaTextoResumoPreco() { Regras::MontaTextoResumoPreco(tela()); }

    bool AddProduto(const QString& stCdArvProd, const QString& stCdProduto,
                    const QString& stNmProduto, const QString& stCdGrupo,
                    const QString& stCdGrupoOrig, const QString& stCdFamiliSald,
                    const QString& stIdPesaProd, const QString& stSgUnidade,
                    const QString& stIdObrProdSelec, const QString& stObsPedido,
                    const QString& stObsDigitada, double vrTara, double vrPreco, double vrAcrescimo,
                    double vrDesconto, int nrItemAdd, int nrSeqOrigem, const QString& stPedeObs,
                    DataSet& cdsObsOrigem, DataSet& cdsCtObsOrigem, const QString& stIdImpGrupo,
                    const QString& stIdImpItem, const QString& stCdProdPai,
                    const QString& stVrPrecoClie, bool boImpProdPai)
    {
        const ChangeScope changes(tela());
        return Regras::AddProduto(
            tela(), stCdArvProd, stCdProduto, stNmProduto, stCdGrupo, stCdGrupoOrig, stCdFamiliSald,
            stIdPesaProd, stSgUnidade, stIdObrProdSelec, stObsPedido, stObsDigitada, vrTara,
            vrPreco, vrAcrescimo, vrDesconto, nrItemAdd, nrSeqOrigem, stPedeObs, cdsObsOrigem,
            cdsCtObsOrigem, stIdImpGrupo, stIdImpItem, stCdProdPai, stVrPrecoClie, boImpProdPai);
    }

    bool ValidaProduto(const QString& stCdProduto)
    {
        return Regras::ValidaProduto(tela(), stCdProduto);
    }

    void controlaValorCupom(double q, double p, double d, double a, const QString& stCdProduto)
    {
        Regras::controlaValorCupom(tela(), q, p, d, a, stCdProduto);
    }

    void zeraVariaveisCupomDesc() { Regras::zeraVariaveisCupomDesc(tela()); }

    void incluiCupomVenda(const QString& stCdCupom) { Regras::incluiCupomVenda(tela(), stCdCupom); }

    void BloqueiaGrupo()
    {
        const ChangeScope changes(tela());
        Regras::BloqueiaGrupo(tela());
    }

    void DesbloqueiaGrupo(const QString& stCdGrupo, const QString& stCdGrupMutex)
    {
        const ChangeScope changes(tela());
        Regras::DesbloqueiaGrupo(tela(), stCdGrupo, stCdGrupMutex);
    }

    void CriaProdBandeja(const QString& stCodigo, const QString& stNome, const QString& ignorado,
                         const QString& stObs, const QString& stIdPesa, const QString& stQtdeReal,
                         double nrQtde, double vrUnitario, int ignoradoNr, int nrPosicao,
                         const Control* fonte)
    {
        const ChangeScope changes(tela());
        Regras::CriaProdBandeja(tela(), stCodigo, stNome, ignorado, stObs, stIdPesa, stQtdeReal,
                                nrQtde, vrUnitario, ignoradoNr, nrPosicao, fonte);
    }

    void RemoveProdBandeja(int nrTag)
    {
        const ChangeScope changes(tela());
        Regras::RemoveProdBandeja(tela(), nrTag);
    }

    void AjustaSetasBandeja() { Regras::AjustaSetasBandeja(tela()); }

    void bbbBandejaUpClick()
    {
        const ChangeScope changes(tela());
        Regras::bbbBandejaUpClick(tela());
    }

    void bbbBandejaDownClick()
    {
        const ChangeScope changes(tela());
        Regras::bbbBandejaDownClick(tela());
    }

protected:
    void DesfazPrecoLinha() { Regras::DesfazPrecoLinha(tela()); }
    void DesbloqueiaSeVazio(const QString& grupo, const QString& mutex)
    {
        Regras::DesbloqueiaSeVazio(tela(), grupo, mutex);
    }
    void MostraSlot(int k, const DataSet& produtos, double preco, const QString& nome,
                    const QStringList& figuras)
    {
        Regras::MostraSlot(tela(), k, produtos, preco, nome, figuras);
    }
    void LeGrupoAtual() { Regras::LeGrupoAtual(tela()); }
    void TextoQuantidadeGrupo() { Regras::TextoQuantidadeGrupo(tela()); }
    double QtdeGrupoAtual() const { return Regras::QtdeGrupoAtual(tela()); }
    QString textoCampo(const DataSet& ds, const QString& campo) const
    {
        return Regras::textoCampo(ds, campo);
    }

    void Avisa(const QString& texto)
    {
        host().Mensagem(texto, QString(), kN, kN, static_cast<int>(MessageKind::Warning), QString(),
                        QString(), 0, nullptr);
    }

    bool Pergunta(const QString& texto)
    {
        return host().Mensagem(texto, QString(), kN, kS, static_cast<int>(MessageKind::Question),
                               QString(), QString(), 0, nullptr);
    }

    // An error a screen caught: logged, then shown with its own text.
    void MostraErro(const QString& texto)
    {
        LogKvp510(texto);
        Avisa(texto);
    }

    void reportError(const QString& text) override
    {
        // An error that reached the event loop is logged like the screen's own, then shown.
        try {
            LogKvp510(text);
        } catch (const std::exception&) {
            // The operator still gets the original error below.
        }
        Base::reportError(text);
    }
    void RenumeraObservacoes(const QString& seqAntigo, const QString& seqNovo)
    {
        Regras::RenumeraObservacoes(tela(), seqAntigo, seqNovo);
    }

    void LimitaDesconto() { Regras::LimitaDesconto(tela()); }

    void MontaTextoPrecoPromo() { Regras::MontaTextoPrecoPromo(tela()); }

    void removeCupomVenda(const QString& stCdCupom) { Regras::removeCupomVenda(tela(), stCdCupom); }

    bool RecusaGrupoExclusivo(const QString& cdGrupoProduto)
    {
        return Regras::RecusaGrupoExclusivo(tela(), cdGrupoProduto);
    }

    void RemoveObservacoes(const QString& nrSeq) { Regras::RemoveObservacoes(tela(), nrSeq); }

    bool ValidaImpostos(const QString& cdProduto)
    {
        return Regras::ValidaImpostos(tela(), tela().aliquotas(), cdProduto);
    }

    bool ValidaDocumentoFiscal(const QString& cdProduto)
    {
        return Regras::ValidaDocumentoFiscal(tela(), cdProduto);
    }

    Colocacao ColocaProduto(const QString& cdProduto, const Control* fonte, bool preSelecao)
    {
        return Regras::ColocaProduto(tela(), cdProduto, fonte, preSelecao);
    }

    void ConcluiGrupo() { Regras::ConcluiGrupo(tela()); }

    void AvancaGrupo(bool recolore) { Regras::AvancaGrupo(tela(), recolore); }

    QDir PastaFiguras() const { return Regras::PastaFiguras(tela()); }

    QString FiguraProduto(const QString& cdArvProd, const QStringList& entradas) const
    {
        return Regras::FiguraProduto(tela(), cdArvProd, entradas);
    }

    void LeParametros() { Regras::LeParametros(tela()); }

    void LeAliquotas() { Regras::LeAliquotas(tela()); }
};

}  // namespace kvp::combinada::detail
