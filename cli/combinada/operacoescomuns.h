#pragma once

// What the two combination screens share, as members of each. Both keep the same field
// names for the same state (telacomum.h), so one template per concern serves both (the
// regras*.h files); each screen derives from OperacoesComuns<itself, its layout>, which
// gives it the controls both have and every shared operation as a member. A screen states
// what sets it apart through its constants: kPesaEMultiplica (weighing, typed quantity
// and multiplier), kCampoGrupoCombinado (the field that ties a combined product's lines
// together), kNumBotoesGrupo, kNumSlotsProduto, kColoreGrupos and kBandeja (tray
// measures), and it hands over its module's variables through modulo().

#include "combinadadetalhe.h"
#include "insercao.h"
#include "regrasarquivos.h"
#include "regrasbandeja.h"
#include "regrascupom.h"
#include "regrasdescontopromo.h"
#include "regrasfiscais.h"
#include "regrasgrupos.h"
#include "regrasinsercao.h"
#include "regrasmenu.h"
#include "regrasobservacoes.h"
#include "regraspreco.h"
#include "telacomum.h"

#include "control.h"
#include "dataset.h"
#include "hostservices.h"
#include "oplog.h"
#include "rdmpromocaocombinada.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>

namespace kvp::combinada::detail {

// "blbMenu01", "imgProd12": a slot's control name; out of range outside 1 to maximo.
inline QString nomeSlot(const char* prefixo, int slot, int maximo)
{
    if (slot < 1 || slot > maximo) {
        throw std::out_of_range(std::string(prefixo) + " has no slot " + std::to_string(slot));
    }
    return QLatin1String(prefixo) + Ajusta(QString::number(slot), 2);
}

// The operations both screens share, as members of each: a screen derives from
// OperacoesComuns<itself, its layout> and gets every one of them, each handing its work
// to the rule of its concern. The rules reach the screen's protected operations as this
// class's friends.
template <class Tela, class Base>
class OperacoesComuns : public Base {
protected:
    using Base::Base;
    using Colocacao = detail::Colocacao;

    friend struct RegrasArquivos<Tela>;
    friend struct RegrasBandeja<Tela>;
    friend struct RegrasCupom<Tela>;
    friend struct RegrasDescontoPromo<Tela>;
    friend struct RegrasFiscais<Tela>;
    friend struct RegrasGrupos<Tela>;
    friend struct RegrasInsercao<Tela>;
    friend struct RegrasMenu<Tela>;
    friend struct RegrasObservacoes<Tela>;
    friend struct RegrasPreco<Tela>;

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
    void SetDown(Control& botao) { RegrasMenu<Tela>::SetDown(tela(), botao); }

    void bbbAbaixoClick()
    {
        const ChangeScope changes(tela());
        RegrasMenu<Tela>::bbbAbaixoClick(tela());
    }

    void bbbAcimaClick()
    {
        const ChangeScope changes(tela());
        RegrasMenu<Tela>::bbbAcimaClick(tela());
    }

    // Sum of QTPRODVALIDA over the item lines the current filter shows.
    double ObterQtdInserida() { return RegrasMenu<Tela>::ObterQtdInserida(tela()); }
    QString ConsultaPreco(const QString& cdProduto, const QString& modoMensagem,
                          const QString& idPreco)
    {
        return RegrasPreco<Tela>::ConsultaPreco(tela(), cdProduto, modoMensagem, idPreco);
    }

    void AtualizaProdCombinado(const QString& cdGrupo)
    {
        const ChangeScope changes(tela());
        RegrasPreco<Tela>::AtualizaProdCombinado(tela(), cdGrupo);
    }

    void AtualizaResumoPreco(double sinal)
    {
        RegrasPreco<Tela>::AtualizaResumoPreco(tela(), sinal);
    }

    void MontaTextoResumoPreco() { RegrasPreco<Tela>::MontaTextoResumoPreco(tela()); }

    // Inserts one item line as the record says (regrasinsercao.h); false when refused.
    bool AddProduto(const InsercaoProduto& insercao)
    {
        const ChangeScope changes(tela());
        return RegrasInsercao<Tela>::AddProduto(tela(), insercao);
    }

    bool ValidaProduto(const QString& stCdProduto)
    {
        return RegrasDescontoPromo<Tela>::ValidaProduto(tela(), stCdProduto);
    }

    void controlaValorCupom(double q, double p, double d, double a, const QString& stCdProduto)
    {
        RegrasCupom<Tela>::controlaValorCupom(tela(), q, p, d, a, stCdProduto);
    }

    void zeraVariaveisCupomDesc() { RegrasCupom<Tela>::zeraVariaveisCupomDesc(tela()); }

    void incluiCupomVenda(const QString& stCdCupom)
    {
        RegrasCupom<Tela>::incluiCupomVenda(tela(), stCdCupom);
    }

    void BloqueiaGrupo()
    {
        const ChangeScope changes(tela());
        RegrasGrupos<Tela>::BloqueiaGrupo(tela());
    }

    void DesbloqueiaGrupo(const QString& stCdGrupo, const QString& stCdGrupMutex)
    {
        const ChangeScope changes(tela());
        RegrasGrupos<Tela>::DesbloqueiaGrupo(tela(), stCdGrupo, stCdGrupMutex);
    }

    // The tray's entries: five controls per item line, in creation order.
    QList<Control*> controlesBandeja() { return this->children(scbBandeja.name); }

    // Removal of the entry's item line (or of the set a nested promotion added with it);
    // bound to every entry's picture.
    void BandejaClick(Control& sender)
    {
        const ChangeScope changes(tela());
        RegrasBandeja<Tela>::BandejaClick(tela(), sender);
    }

    void CriaProdBandeja(const QString& stCodigo, const QString& stNome, const QString& ignorado,
                         const QString& stObs, const QString& stIdPesa, const QString& stQtdeReal,
                         double nrQtde, double vrUnitario, int ignoradoNr, int nrPosicao,
                         const Control* fonte)
    {
        const ChangeScope changes(tela());
        RegrasBandeja<Tela>::CriaProdBandeja(tela(), stCodigo, stNome, ignorado, stObs, stIdPesa,
                                             stQtdeReal, nrQtde, vrUnitario, ignoradoNr, nrPosicao,
                                             fonte);
    }

    void RemoveProdBandeja(int nrTag)
    {
        const ChangeScope changes(tela());
        RegrasBandeja<Tela>::RemoveProdBandeja(tela(), nrTag);
    }

    void AjustaSetasBandeja() { RegrasBandeja<Tela>::AjustaSetasBandeja(tela()); }

    void bbbBandejaUpClick()
    {
        const ChangeScope changes(tela());
        RegrasBandeja<Tela>::bbbBandejaUpClick(tela());
    }

    void bbbBandejaDownClick()
    {
        const ChangeScope changes(tela());
        RegrasBandeja<Tela>::bbbBandejaDownClick(tela());
    }

protected:
    // The start-up both screens run first: the items already sold, the data module, and
    // the host's parameter and tax-rate files.
    void IniciaComum(DataSet& cdsItensVendidos)
    {
        Tela& t = tela();
        t.cdsItemsVendidos.copyFrom(cdsItensVendidos);
        t.nrSeqItem = t.cdsItemsVendidos.recordCount();
        ensureDataModule();
        LeParametros();
        LeAliquotas();
    }

    // The rest of the start-up both share: the running totals and numbers at zero, the
    // branch's switches, empty observations and coupons.
    void ZeraSelecao(const QString& stCdProdPromo, const QString& stNmProdPromo,
                     const QString& stIdValorPerc, double vrAjustePromo)
    {
        Tela& t = tela();
        t.vrSomaProdutos = 0;
        t.vrAjustePromo = 0;
        t.nrQtdeItemAtual = 0;
        t.nrSeqItCanc = 0;
        t.nrSeqItCancObs = 0;
        t.nrSeqItCancCtObs = 0;
        t.nrSeqBandeja = 0;
        t.vrDescCupom = 0;
        t.vrLimiteCupom = 0;
        t.stCdCupomDesc.clear();
        t.vrAjustePreco = vrAjustePromo;
        t.stIdPercValorPreco = stIdValorPerc;
        LeChavesFilial(t.stCdFilial, t.stIdExibeProd, t.stIdUtCupomDesc);
        t.cdsCupomDescVenda.emptyOrCreate();
        t.cdsObsItens.emptyOrCreate();
        t.cdsProdCtObs.emptyOrCreate();
        LogKvp510(QStringLiteral("FILIAL: ") + t.stCdFilial);
        LogKvp510(QStringLiteral("PROMOÇÃO: ") + stCdProdPromo + QStringLiteral(" - ") +
                  stNmProdPromo);
        t.nrQtdeInserida = 0;
    }

    // A touch on a product: when the group can take one, the product `produto()` names is
    // placed by `coloca` (false when it was not) if the group's list offers it; then a
    // group whose products share one portion shares it again.
    template <class Produto, class Coloca>
    void EscolheProduto(Produto&& produto, Coloca&& coloca)
    {
        Tela& t = tela();
        try {
            if (!t.cdsProdutoPromo.isActive()) {
                return;  // no group has been loaded: nothing to choose from
            }
            t.cdsProdutoPromoAux.copyFrom(t.cdsProdutoPromo);
            t.cdsProdutoPromoAux.first();
            const QString combinaAntes = t.stIdCombinaProd;
            if (t.Valida_Quantid()) {
                const QString codigo = produto();
                // Only a product of the group's list can be placed; an empty slot or an
                // outside code would otherwise place the list's first product.
                if (codigo.isEmpty() ||
                    !t.cdsProdutoPromoAux.locate(QStringLiteral("CDPRODUTO"), codigo) ||
                    !coloca(codigo)) {
                    return;
                }
            }
            if (combinaAntes == kS) {
                AtualizaProdCombinado(t.cdsProdutoPromoAux.asString(QStringLiteral("CDGRUPROMOC")));
            }
        } catch (const SilentAbort&) {
            // Told already.
        } catch (const std::exception& e) {
            MostraErro(textoErro(e));
        }
    }

    void DesfazPrecoLinha() { RegrasPreco<Tela>::DesfazPrecoLinha(tela()); }
    void DesbloqueiaSeVazio(const QString& grupo, const QString& mutex)
    {
        RegrasGrupos<Tela>::DesbloqueiaSeVazio(tela(), grupo, mutex);
    }
    void MostraSlot(int k, const DataSet& produtos, double preco, const QString& nome,
                    const FigurasDaPasta& figuras)
    {
        RegrasMenu<Tela>::MostraSlot(tela(), k, produtos, preco, nome, figuras);
    }
    void LeGrupoAtual() { RegrasMenu<Tela>::LeGrupoAtual(tela()); }
    void TextoQuantidadeGrupo() { RegrasMenu<Tela>::TextoQuantidadeGrupo(tela()); }
    double QtdeGrupoAtual() const { return RegrasMenu<Tela>::QtdeGrupoAtual(tela()); }
    QString textoCampo(const DataSet& ds, const QString& campo) const
    {
        return RegrasMenu<Tela>::textoCampo(ds, campo);
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
        RegrasObservacoes<Tela>::RenumeraObservacoes(tela(), seqAntigo, seqNovo);
    }

    void LimitaDesconto() { RegrasPreco<Tela>::LimitaDesconto(tela()); }

    void MontaTextoPrecoPromo() { RegrasPreco<Tela>::MontaTextoPrecoPromo(tela()); }

    void removeCupomVenda(const QString& stCdCupom)
    {
        RegrasCupom<Tela>::removeCupomVenda(tela(), stCdCupom);
    }

    bool RecusaGrupoExclusivo(const QString& cdGrupoProduto)
    {
        return RegrasGrupos<Tela>::RecusaGrupoExclusivo(tela(), cdGrupoProduto);
    }

    void RemoveObservacoes(const QString& nrSeq)
    {
        RegrasObservacoes<Tela>::RemoveObservacoes(tela(), nrSeq);
    }

    bool ValidaImpostos(const QString& cdProduto)
    {
        return RegrasFiscais<Tela>::ValidaImpostos(tela(), tela().aliquotas(), cdProduto);
    }

    bool ValidaDocumentoFiscal(const QString& cdProduto)
    {
        return RegrasFiscais<Tela>::ValidaDocumentoFiscal(tela(), cdProduto);
    }

    Colocacao ColocaProduto(const QString& cdProduto, const Control* fonte, bool preSelecao)
    {
        return RegrasInsercao<Tela>::ColocaProduto(tela(), cdProduto, fonte, preSelecao);
    }

    // Every group holds its quantity (or another of its exclusive set does); else the
    // groups still missing products are listed and the answer is false.
    bool SelecaoCompleta() { return RegrasMenu<Tela>::SelecaoCompleta(tela()); }

    void ConcluiGrupo() { RegrasMenu<Tela>::ConcluiGrupo(tela()); }

    void AvancaGrupo(bool recolore) { RegrasMenu<Tela>::AvancaGrupo(tela(), recolore); }

    QDir PastaFiguras() const { return RegrasArquivos<Tela>::PastaFiguras(tela()); }

    QString FiguraProduto(const QString& cdArvProd, const FigurasDaPasta& figuras) const
    {
        return RegrasArquivos<Tela>::FiguraProduto(tela(), cdArvProd, figuras);
    }

    void LeParametros() { RegrasArquivos<Tela>::LeParametros(tela()); }

    void LeAliquotas() { RegrasArquivos<Tela>::LeAliquotas(tela()); }
};

}  // namespace kvp::combinada::detail
