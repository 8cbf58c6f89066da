// Item insertion: one chosen product becomes an item line with its quantity, discount,
// coupon, observations and per-product promotion discount, and the running totals follow.

#include "combinada_p.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kvp::combinada {

using namespace detail;

namespace {

// Loads a dataset from one slot of a dialog's answer; anything but a data packet there
// leaves it empty.
void carregaResposta(DataSet& ds, const QVariant& valor)
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

bool temLinhas(const DataSet& ds)
{
    return ds.isActive() && !ds.isEmpty();
}

// How many decimals a typed number carries after its first comma.
qsizetype casasDecimais(const QString& texto)
{
    const qsizetype virgula = texto.indexOf(QLatin1Char(','));
    return virgula < 0 ? 0 : texto.size() - virgula - 1;
}

}  // namespace

bool TfrmPromocaoCombinada::AddProduto(
    const QString& stCdArvProd, const QString& stCdProduto, const QString& stNmProduto,
    const QString& stCdGrupo, const QString& stCdGrupoOrig, const QString& stCdFamiliSald,
    const QString& stIdPesaProd, const QString& stSgUnidade, const QString& stIdObrProdSelec,
    const QString& stObsPedido, const QString& stObsDigitada, double vrTara, double vrPreco,
    double vrAcrescimo, double vrDesconto, int nrItemAdd, int nrSeqOrigem, const QString& stPedeObs,
    DataSet& cdsObsOrigem, DataSet& cdsCtObsOrigem, const QString& stIdImpGrupo,
    const QString& stIdImpItem, const QString& stCdProdPai, const QString& stVrPrecoClie,
    bool boImpProdPai)
{
    const ChangeScope changes(*this);
    HostServices& h = host();
    const FormatSettings& fs = h.formatSettings();
    DataSet& itens = cdsItemProd;
    try {
        // ---------------------------------------------------------------- start
        stTextoAjuste.clear();
        QString peso = QStringLiteral("0");
        nrSeqItem = nrSeqItem == 0 ? 1 : nrSeqItem + 1;
        nrSeqItCanc = nrSeqItCanc == 0 ? 1 : nrSeqItCanc + 1;
        itens.clearFilter();
        const double m = nrQtdePromo;

        // ---------------------------------------------------------------- quantity
        double q = 1;
        const bool pesado = stIdPesaProd == kS && !boProdutoAdd && stIdCombinaProd != kS;
        if (pesado) {
            if (m > 1) {
                Avisa(msgPadrao.Msg(QStringLiteral("ProdPesa_N_Per")));
                return false;
            }
            if (!stIdTipoBal.isEmpty() && stIdTipoBal != QLatin1String("0")) {
                for (;;) {
                    const double leitura =
                        RoundDec(h.BuscaPeso(stCdPortaBal, stNrVelocBal) - vrTara, 3);
                    if (leitura == 0) {
                        if (Pergunta(msgPadrao.Msg(QStringLiteral("bal_zero")))) {
                            continue;
                        }
                    } else if (leitura < 0) {
                        Avisa(msgPadrao.Msg(QStringLiteral("bal_neg")));
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
                if (h.TecladoNumerico(digitado, msgPadrao.Msg(QStringLiteral("venda")),
                                      msgPadrao.Msg(QStringLiteral("Inf_Quant")),
                                      {QStringLiteral("X"), 10, 0, 1, 0, 0, 0})) {
                    if (casasDecimais(digitado) > 3) {
                        Avisa(msgPadrao.Msg(QStringLiteral("Frac_Dev")));
                        return false;
                    }
                    digitado = digitado.trimmed();
                    if (!digitado.isEmpty()) {
                        bool ok = false;
                        q = parseNumber(digitado, fs, &ok);
                        if (!ok || q < 0) {
                            throw HostError(QStringLiteral("Peso inválido: ") + digitado);
                        }
                        if (q == 0) {
                            q = 1;
                        }
                    }
                }
            }
        } else if (boProdutoAdd) {
            q = cdsProdutosAdd.asFloat(QStringLiteral("QTPRODVEND"));
        }
        if (nrQtdeMult > 0) {
            q = nrQtdeMult;
        }
        nrQtdeItemAtual = q;

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
        if (stIdUtCupomDesc == kS && !boProdutoAdd && boUtilizaImpFis) {
            const double unidades = std::fabs(m) * q;
            const double descProprio = Trunc2(unidades * descUnitario);
            controlaValorCupom(unidades, vrPreco, descProprio, 0, stCdProduto);
            if (!stCdCupomDesc.isEmpty()) {
                const double descLinha =
                    vrDescCupom < vrLimiteCupom ? descProprio + vrDescCupom : vrLimiteCupom - 0.01;
                e = sinal * descLinha;
            }
            cupom = stCdCupomDesc;
            zeraVariaveisCupomDesc();
        }
        if (stCdProduto == stCdProdPromo && stTipoPrecoPromo == QLatin1String("1")) {
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
        } else if (!cdsRetornaPreco.isEmpty()) {
            cdsRetornaPreco.first();
            precoClie = cdsRetornaPreco.asFloat(QStringLiteral("VRPRECOCLIE"));
        }

        itens.append();
        itens.setValue(QStringLiteral("CDPRODUTO"), stCdProduto);
        itens.setValue(QStringLiteral("NMPRODUTO"), stNmProduto);
        itens.setValue(QStringLiteral("CDARVPROD"), stCdArvProd);
        itens.setValue(QStringLiteral("CDFILIAL"), stCdFilial);
        itens.setValue(QStringLiteral("NRSEQ"), QString::number(nrSeqItem));
        itens.setValue(QStringLiteral("NRSEQ_ORD"), nrSeqItem);
        itens.setValue(QStringLiteral("CDGRUPROMOC"), stCdGrupo);
        itens.setValue(QStringLiteral("CDGRUPROMOCORIG"), stCdGrupoOrig);
        itens.setValue(QStringLiteral("CDPRODVENDA"), stCdProdPromo);
        itens.setValue(QStringLiteral("VRUNVENDAEST"), vrPreco);
        itens.setValue(QStringLiteral("VRPRECOCLIE"), precoClie);
        itens.setValue(QStringLiteral("CDFAMILISALD"), stCdFamiliSald);
        itens.setValue(QStringLiteral("IDPESAPROD"), stIdCombinaProd == kS ? kS : stIdPesaProd);
        itens.setValue(QStringLiteral("SGUNIDADE"), stSgUnidade);
        itens.setValue(QStringLiteral("QTTARAPROD"), vrTara);
        itens.setValue(QStringLiteral("VRACRESCIMO"), Trunc2(a));
        itens.setValue(QStringLiteral("VRDESCONTO"), Trunc2(e));
        itens.setValue(QStringLiteral("VRDESCDIA"), Trunc2(e));
        itens.setValue(QStringLiteral("VRDESITVENDAEST"), 0.0);
        itens.setValue(QStringLiteral("VRACRITVENDAEST"), 0.0);
        itens.setValue(QStringLiteral("QTPRODVEND"), m * q);
        itens.setValue(QStringLiteral("QTPRODVALIDA"), q);
        itens.setValue(QStringLiteral("CDCAMPPROMO"), QString());
        itens.setValue(QStringLiteral("CDGRUPMUTEX"), stCdGrupMutexAtual);
        itens.setValue(QStringLiteral("IDOBRPRODSELEC"), obrigatorio);
        itens.setValue(QStringLiteral("NRSEQITEMADD"), nrItemAdd);
        itens.setValue(QStringLiteral("IDIMPGRPROMO"), idImp);
        itens.setValue(QStringLiteral("CDCUPOMDESCQMT"), cupom);
        itens.setValue(QStringLiteral("VRPRECOPROD"), Trunc2(vrPreco * q) + a - e);
        itens.setValue(QStringLiteral("STOBSPEDIDO"), stObsPedido);
        itens.setValue(QStringLiteral("STOBSDIGITADA"), stObsDigitada);
        itens.setValue(QStringLiteral("NRSEQITCANC"), QString::number(nrSeqItCanc));
        itens.setValue(QStringLiteral("IDDESCCAMP"), kN);
        itens.post();
        if (!cupom.isEmpty()) {
            incluiCupomVenda(cupom);
        }
        nrSeqBandeja = nrSeqItem;
        const QString nrSeqLinha = QString::number(nrSeqBandeja);
        auto posicionaLinha = [&] {
            itens.clearFilter();
            itens.locate(QStringLiteral("NRSEQ"), nrSeqLinha);
        };
        const double qtdVendida = itens.asFloat(QStringLiteral("QTPRODVEND"));
        const QString idImpCtObs = stTipoPrecoPromo == QLatin1String("1")
                                       ? (stCdProdPai.isEmpty() ? stIdImpGrupo : stIdImpItem)
                                       : kN;

        // The highest running line number this insertion hands out. The line counter never
        // ends below it, so no later line repeats a number already given.
        int maiorItCanc = nrSeqItCanc;
        auto incluiCtObs = [&](const QString& produto, const QString& ocorrencia,
                               const QString& idImpLinha, int nrSeq) {
            cdsProdCtObs.append();
            cdsProdCtObs.setValue(QStringLiteral("NRSEQ"), Ajusta(QString::number(nrSeq), 3));
            cdsProdCtObs.setValue(QStringLiteral("CDPRODUTO"), produto);
            cdsProdCtObs.setValue(QStringLiteral("CDOCORR"), ocorrencia);
            cdsProdCtObs.setValue(QStringLiteral("QTPRODCOMVEN"), qtdVendida);
            cdsProdCtObs.setValue(QStringLiteral("NRSEQITCANC"), QString::number(nrSeqItCancCtObs));
            cdsProdCtObs.setValue(QStringLiteral("IDIMPGRPROMO"), idImpLinha);
            cdsProdCtObs.post();
            maiorItCanc = std::max(maiorItCanc, nrSeqItCancCtObs);
            ++nrSeqItCancCtObs;
            ++nrSeqItem;
        };
        auto incluiObs = [&](const QString& grupoOcorrencia, const QString& ocorrencia) {
            cdsObsItens.append();
            cdsObsItens.setValue(QStringLiteral("NRSEQ"), nrSeqLinha);
            cdsObsItens.setValue(QStringLiteral("CDPRODUTO"), stCdProduto);
            cdsObsItens.setValue(QStringLiteral("CDGRPOCOR"), grupoOcorrencia);
            cdsObsItens.setValue(QStringLiteral("CDOCORR"), ocorrencia);
            cdsObsItens.setValue(QStringLiteral("NRCOMANDA"), QString());
            cdsObsItens.setValue(QStringLiteral("NRSEQITCANC"), QString::number(nrSeqItCancObs));
            cdsObsItens.post();
            maiorItCanc = std::max(maiorItCanc, nrSeqItCancObs);
            ++nrSeqItCancObs;
        };
        cdsObsItens.clearFilter();
        cdsProdCtObs.clearFilter();

        // ---------------------------------------------------------------- observations
        if (stPedeObs == kS) {
            const DataResult ocorrencias = h.MensagemMetodo(
                getOcorPed(stCdFilial, stCdLoja, stCdProduto), true, 0,
                QStringLiteral("getOcorPed"), QStringLiteral("Srv_Kvp510"),
                stCdFilial + QLatin1Char('-') + stCdLoja + QLatin1Char('-') + stCdProduto,
                QString());
            cdsObs.setData(ocorrencias.asPacket());
            QString texto;
            HostAnswer resposta;
            if (stIdSolObsPed == kS && !cdsObs.isEmpty()) {
                texto = h.Observacao({kN, QStringLiteral("P"), stCdProduto, stNmProduto, QString(),
                                      false, QString(), QString(), QString(), QString()},
                                     resposta);
            }
            if (!texto.isEmpty() && texto != QLatin1String("erro")) {
                posicionaLinha();
                itens.edit();
                itens.setValue(QStringLiteral("STOBSPEDIDO"), texto);
                itens.setValue(QStringLiteral("STOBSDIGITADA"), resposta[3].toString());
                itens.post();
                carregaResposta(cdsOcorrencia, resposta[2]);
                ++nrSeqItCanc;
                nrSeqItCancObs = nrSeqItCanc;
                const QString grupoOcorrencia = resposta[0].toString();
                for (cdsOcorrencia.first(); !cdsOcorrencia.eof(); cdsOcorrencia.next()) {
                    const QString ocorrencia = cdsOcorrencia.asString(QStringLiteral("CDOCORR"));
                    if (!cdsObsItens.locate(
                            QStringLiteral("NRSEQ;CDPRODUTO;CDGRPOCOR;CDOCORR"),
                            {nrSeqLinha, stCdProduto, grupoOcorrencia, ocorrencia})) {
                        incluiObs(grupoOcorrencia, ocorrencia);
                    }
                }
            } else {
                nrSeqItCancObs = nrSeqItCanc;  // nothing numbered: the counter stays put
            }
            carregaResposta(cdsControlaObs, resposta[4]);
            const int n = nrSeqItem;
            nrSeqItCancCtObs = nrSeqItCanc;
            for (cdsControlaObs.first(); !cdsControlaObs.eof(); cdsControlaObs.next()) {
                const QString produto = cdsControlaObs.asString(QStringLiteral("CDPRODUTO"));
                if (cdsControlaObs.asString(QStringLiteral("IDCONTROLAOBS")) ==
                        QLatin1String("A") &&
                    !produto.isEmpty()) {
                    incluiCtObs(produto, cdsControlaObs.asString(QStringLiteral("CDOCORR")),
                                idImpCtObs, n);
                }
            }
            nrSeqItCanc = std::max(nrSeqItCancObs, maiorItCanc);
        } else {
            if (temLinhas(cdsObsOrigem)) {
                ++nrSeqItCanc;
                const SemFiltro semFiltro(cdsObsOrigem);
                cdsObsOrigem.applyFilter(
                    Filter::eq(QStringLiteral("NRSEQ"), QString::number(nrSeqOrigem)));
                nrSeqItCancObs = nrSeqItCanc;
                for (cdsObsOrigem.first(); !cdsObsOrigem.eof(); cdsObsOrigem.next()) {
                    incluiObs(cdsObsOrigem.asString(QStringLiteral("CDGRPOCOR")),
                              cdsObsOrigem.asString(QStringLiteral("CDOCORR")));
                }
            }
            if (temLinhas(cdsCtObsOrigem)) {
                const SemFiltro semFiltro(cdsCtObsOrigem);
                cdsCtObsOrigem.applyFilter(
                    Filter::eq(QStringLiteral("NRSEQ"), Ajusta(QString::number(nrSeqOrigem), 3)));
                const int n = nrSeqItem;
                nrSeqItCancCtObs = nrSeqItCanc;
                const QString idImpOrigem = stTipoPrecoPromo == QLatin1String("1") ? idImp : kN;
                for (cdsCtObsOrigem.first(); !cdsCtObsOrigem.eof(); cdsCtObsOrigem.next()) {
                    incluiCtObs(cdsCtObsOrigem.asString(QStringLiteral("CDPRODUTO")),
                                cdsCtObsOrigem.asString(QStringLiteral("CDOCORR")), idImpOrigem, n);
                }
                nrSeqItCanc = nrSeqItCancCtObs;
            }
            nrSeqItCanc = std::max(nrSeqItCanc, maiorItCanc);
        }

        // ---------------------------------------------------------------- promotion discount
        posicionaLinha();
        double p = vrPreco;
        if (stTipoPrecoPromo == QLatin1String("2") ||
            marcado(itens, QStringLiteral("IDIMPGRPROMO"))) {
            const QString detalhe =
                QStringList{stCdFilial, stCdProdPromo, stCdGrupo, stCdProduto, stNrSeqGrPromoAtual}
                    .join(QLatin1Char('-'));
            const DataResult desconto =
                h.MensagemMetodo(getDescontoPromocao(stCdFilial, stCdProdPromo, stCdGrupo,
                                                     stCdProduto, stNrSeqGrPromoAtual),
                                 true, 0, QStringLiteral("getDescontoPromocao"),
                                 QStringLiteral("Srv_Kvp510"), detalhe, QString());
            cdsDesconto.setData(desconto.asPacket());
            cdsDesconto.first();
            posicionaLinha();

            auto grava = [&](const char* campo, double valor) {
                posicionaLinha();
                itens.edit();
                itens.setValue(QLatin1String(campo), valor);
                itens.post();
            };

            if (cdsDesconto.isEmpty()) {
                if (e > 0) {
                    grava("VRDESCONTO", Trunc2(e));
                }
            } else {
                const bool primeiraUnidade = ValidaProduto(stCdProduto);
                posicionaLinha();
                double v = cdsDesconto.asFloat(QStringLiteral("VRDESCONTO"));
                const QString tipo = cdsDesconto.asString(QStringLiteral("IDDESCACRPROMO"));
                const QString percValor = cdsDesconto.asString(QStringLiteral("IDPERCVALOR"));
                const QString aplica = cdsDesconto.asString(QStringLiteral("IDAPLICADESCONTO"));
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
                    if (stIdAplPreDifComb == kN) {
                        // The promotion's own price of the product; a failed lookup keeps
                        // the price the line has rather than another product's.
                        cdsRetornaPreco.emptyOrCreate();
                        ConsultaPreco(stCdProduto, QString(), kS);
                        if (!cdsRetornaPreco.isEmpty()) {
                            cdsRetornaPreco.first();
                            p = cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
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
                            cdsDesconto.edit();
                            cdsDesconto.setValue(QStringLiteral("VRDESCONTO"), v);
                            cdsDesconto.post();
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
            LimitaDesconto();

            vrAjustePromo += itens.asFloat(QStringLiteral("VRDESCONTO"));
            if (stTipoPrecoPromo == QLatin1String("2")) {
                vrSomaProdutos += Trunc2(p * q) + itens.asFloat(QStringLiteral("VRACRESCIMO")) / m;
                MontaTextoResumoPreco();
            } else {
                const double desc = itens.asFloat(QStringLiteral("VRDESCONTO"));
                const double acr = itens.asFloat(QStringLiteral("VRACRESCIMO"));
                const double precoLinha = Trunc2(p * q) + acr / m - desc / m;
                itens.edit();
                itens.setValue(QStringLiteral("VRDESITVENDAEST"), desc);
                itens.setValue(QStringLiteral("VRACRITVENDAEST"), acr);
                itens.setValue(QStringLiteral("VRPRECOPROD"), precoLinha);
                itens.post();
                vrPrecoPromo += precoLinha;
                vrPrecoPromoFinal += precoLinha;
                MontaTextoPrecoPromo();
            }
        }

        // ---------------------------------------------------------------- end
        posicionaLinha();
        LogKvp510(QStringLiteral("PRODUTO ADICIONADO: ") + stCdProduto + QStringLiteral(" - ") +
                  stNmProduto + QStringLiteral(" - PREÇO: ") + shortestText(p, fs) +
                  QStringLiteral(" - DESC: ") +
                  shortestText(itens.asFloat(QStringLiteral("VRDESCONTO")), fs) +
                  QStringLiteral(" - IMP:") + itens.asString(QStringLiteral("IDIMPGRPROMO")));
        nrQtdeInserida = itens.recordCount();
        if (!boProdutoAdd) {
            SetdoQtdeMult(0);
        }
        posicionaLinha();
        return true;
    } catch (const SilentAbort&) {
        // The host has shown why.
    } catch (const std::exception& e) {
        MostraErro(textoErro(e));
    }
    return false;
}

void TfrmPromocaoCombinada::LimitaDesconto()
{
    DataSet& itens = cdsItemProd;
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

void TfrmPromocaoCombinada::MontaTextoPrecoPromo()
{
    const FormatSettings& fs = host().formatSettings();
    const QString& moeda = fs.currencyString;
    if (!stTextoDescPromo.isEmpty()) {
        stTextoAjuste = stTextoDescPromo + msgPadrao.Msg(QStringLiteral("PRECO_FINAL")) + moeda +
                        formatMoney(vrPrecoPromoFinal * nrQtdePromo, fs);
    }
    lblDescricao.caption = msgPadrao.Msg(QStringLiteral("PRECO")) + moeda +
                           formatMoney(vrPrecoPromo * nrQtdePromo, fs) + QStringLiteral("  ") +
                           stTextoAjuste;
}

}  // namespace kvp::combinada
