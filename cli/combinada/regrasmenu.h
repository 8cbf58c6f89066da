#pragma once

// The group menu and the product grid as both screens run them: the selected group's
// fields and quantity text, paging, the hand-on to the next group, a product slot, and
// the completeness check of confirmation.

#include "combinadadetalhe.h"
#include "regrasvenda.h"
#include "telacomum.h"

#include "control.h"
#include "dataset.h"
#include "hostservices.h"
#include "textformat.h"

#include <QString>
#include <QStringList>

namespace kvp::combinada::detail {

template <class Tela>
struct RegrasMenu {
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

    // The menu rebuilt on the page the groups stand on, its first group selected.
    static void MostraPaginaGrupos(Tela& t)
    {
        t.MontaMenuGrupo(false);
        Control& primeiro = t.blbMenu(1);
        t.blbMenu01Click(primeiro);
        t.SetDown(primeiro);
        t.nrBotaoGrupoAtual = 1;
        t.nrBotaoGrupoAnterior = 1;
    }

    static void bbbAbaixoClick(Tela& t)
    {
        if (!t.cdsGrupProdCombo.eof()) {
            ++t.nrPaginaGrupo;
        }
        MostraPaginaGrupos(t);
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
        MostraPaginaGrupos(t);
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
                           const QString& nome, const FigurasDaPasta& figuras)
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
};

}  // namespace kvp::combinada::detail
