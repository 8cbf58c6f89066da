#pragma once

// The combined-promotion selection screen, headless: its state is plain data (fields,
// datasets, control records) and its behaviour is the event handlers and operations
// below. A view draws the control records and forwards touches and keys to the handlers
// (through deliver()); tests call the handlers and read the state.

#include "form.h"
#include "modulevars.h"

#include "dataset.h"
#include "itemrecord.h"
#include "messages.h"

#include <QDir>
#include <QString>

namespace kvp::combinada {

using screen::Control;

// The screen's accent colour: frame, header, price line and the group buttons at rest.
inline constexpr screen::Color corDestaque = 2907084;
// A selected group button.
inline constexpr screen::Color corGrupoSelecionado = screen::clBlack;

inline constexpr int kBotoesGrupo = 10;
inline constexpr int kSlotsProduto = 12;
// Vertical step of the tray: one entry, and one scroll.
inline constexpr int kPassoBandeja = 80;

// The design-time layout: every control with its place, size, caption, font and colour.
class TfrmPromocaoCombinadaLayout : public screen::Form {
protected:
    TfrmPromocaoCombinadaLayout();
};

class TfrmPromocaoCombinada : public TfrmPromocaoCombinadaLayout {
public:
    // Creates the screen and runs FormCreate.
    TfrmPromocaoCombinada();
    ~TfrmPromocaoCombinada() override;

    // ------------------------------------------------------------------ controls
    Control& lblCabecalho = component(QStringLiteral("lblCabecalho"));
    Control& panGrupo = component(QStringLiteral("panGrupo"));
    Control& bbbAcima = component(QStringLiteral("bbbAcima"));
    Control& bbbAbaixo = component(QStringLiteral("bbbAbaixo"));
    Control& lblQuantGrupo = component(QStringLiteral("lblQuantGrupo"));
    Control& lblEscolhaOpcao = component(QStringLiteral("lblEscolhaOpcao"));
    Control& bbbProdAcima = component(QStringLiteral("bbbProdAcima"));
    Control& bbbProdAbaixo = component(QStringLiteral("bbbProdAbaixo"));
    Control& imgSemImagem = component(QStringLiteral("imgSemImagem"));
    Control& Label1 = component(QStringLiteral("Label1"));
    Control& imgBandLaranja = component(QStringLiteral("imgBandLaranja"));
    Control& scbBandeja = component(QStringLiteral("scbBandeja"));
    Control& bbbBandejaUp = component(QStringLiteral("bbbBandejaUp"));
    Control& bbbBandejaDown = component(QStringLiteral("bbbBandejaDown"));
    Control& lblDescExProd = component(QStringLiteral("lblDescExProd"));
    Control& lblDescricao = component(QStringLiteral("lblDescricao"));
    Control& panMenu = component(QStringLiteral("panMenu"));
    Control& dreRoteiro = component(QStringLiteral("dreRoteiro"));
    Control& bldCancelar = component(QStringLiteral("bldCancelar"));
    Control& bldFoto = component(QStringLiteral("bldFoto"));
    Control& blbFiltro = component(QStringLiteral("blbFiltro"));
    Control& spbQtde = component(QStringLiteral("spbQtde"));
    Control& bldConfirmar = component(QStringLiteral("bldConfirmar"));
    Control& lblCodTela = component(QStringLiteral("lblCodTela"));

    // "blbMenu" + two-digit slot (1 to 10), "imgProd"/"lblNmProd"/"lblPreco" + two-digit
    // slot (1 to 12). Raises std::out_of_range outside those ranges.
    Control& blbMenu(int slot);
    Control& imgProd(int slot);
    Control& lblNmProd(int slot);
    Control& lblPreco(int slot);
    // The tray's entries: five controls per item line, in creation order.
    QList<Control*> controlesBandeja() { return children(scbBandeja.name); }

    // The typed-shortcut timer, 400 ms, off until a digit is typed.
    screen::ScreenTimer& tmrDataHora =
        addTimer(QStringLiteral("tmrDataHora"), 400, [this] { tmrDataHoraTimer(); });

    // The screen's message catalogue.
    TMessages msgPadrao = promocaoCombinadaMessages();

    // ------------------------------------------------------------------ datasets
    DataSet cdsGrupProdCombo{QStringLiteral("cdsGrupProdCombo")};
    DataSet cdsAuxGrupProdCombo{QStringLiteral("cdsAuxGrupProdCombo")};
    DataSet cdsRoteiro{QStringLiteral("cdsRoteiro"), records::roteiro()};
    DataSet cdsProdutoPromoTodos{QStringLiteral("cdsProdutoPromoTodos")};
    DataSet cdsProdutoPromo{QStringLiteral("cdsProdutoPromo")};
    DataSet cdsProdutoPromoAux{QStringLiteral("cdsProdutoPromoAux")};
    DataSet cdsItemProd{QStringLiteral("cdsItemProd"), records::itemProd()};
    DataSet cdsItemProdAux{QStringLiteral("cdsItemProdAux"), records::itemProdAux()};
    DataSet cdsObsItens{QStringLiteral("cdsObsItens"), records::obsItens()};
    DataSet cdsProdCtObs{QStringLiteral("cdsProdCtObs"), records::prodCtObs()};
    DataSet cdsCupomDescVenda{QStringLiteral("cdsCupomDescVenda"), records::cupomDescVenda()};
    DataSet cdsItemsVendidos{QStringLiteral("cdsItemsVendidos")};
    DataSet cdsRetornaPreco{QStringLiteral("cdsRetornaPreco"), records::retornaPreco()};
    DataSet cdsParametrosQmt{QStringLiteral("cdsParametrosQmt")};
    DataSet cdsAliqImpFis{QStringLiteral("cdsAliqImpFis"), records::aliqImpFis()};
    DataSet cdsDesconto{QStringLiteral("cdsDesconto")};
    DataSet cdsAliquota{QStringLiteral("cdsAliquota")};
    DataSet cdsValidProdNFCe{QStringLiteral("cdsValidProdNFCe")};
    DataSet cdsRegraFisPdv{QStringLiteral("cdsRegraFisPdv")};
    DataSet cdsExisteProd{QStringLiteral("cdsExisteProd")};
    DataSet cdsCuponsValidos{QStringLiteral("cdsCuponsValidos"), records::cuponsValidos()};
    DataSet cdsCampanhaPromo{QStringLiteral("cdsCampanhaPromo")};
    DataSet cdsGrupoMutex{QStringLiteral("cdsGrupoMutex")};
    DataSet cdsGrupoMutexAux{QStringLiteral("cdsGrupoMutexAux")};
    DataSet cdsPreSelecionados{QStringLiteral("cdsPreSelecionados")};
    DataSet cdsObs{QStringLiteral("cdsObs"), records::obs()};
    DataSet cdsOcorrencia{QStringLiteral("cdsOcorrencia"), records::ocorrencia()};
    DataSet cdsControlaObs{QStringLiteral("cdsControlaObs"), records::controlaObs()};
    DataSet cdsProdutosAdd{QStringLiteral("cdsProdutosAdd"), records::itemProdAdd()};
    DataSet cdsItemObsAdd{QStringLiteral("cdsItemObsAdd"), records::obsItensAdd()};
    DataSet cdsPromoCtObsAdd{QStringLiteral("cdsPromoCtObsAdd"), records::prodCtObsAdd()};
    DataSet cdsVazio{QStringLiteral("cdsVazio")};

    // ------------------------------------------------------------------ fields
    QString stCdProdPromo;
    QString stTipoPrecoPromo;  // "1" fixed price divided, "2" price built from the products
    QString stTipoAjuste;
    QString stIdValorPerc;
    QString stTipoChamada;
    QString stTextoDescPromo;
    QString stTextoAjuste;
    QString stCabecalho;
    double vrPrecoPromo = 0;
    double vrPrecoPromoFinal = 0;
    double vrPrecoDividir = 0;
    double vrAjustePromo = 0;
    double vrSomaProdutos = 0;
    double vrAjustePreco = 0;
    QString stIdPercValorPreco;
    double nrQtdePromo = 0;

    // The selected group.
    QString stCdGrupoAtual;
    QString stQtdeGrupoAtual;
    QString stCdGrupMutexAtual;
    QString stIdImpGrPromoAtual;
    QString stNrSeqGrPromoAtual;
    QString stIdCombinaProd;

    int nrPaginaGrupo = 0;
    int nrProxBotaoGrupo = 0;
    int nrBotaoGrupoAtual = 0;
    int nrBotaoGrupoAnterior = 0;
    int nrPaginaProd = 0;
    int nrProxSlotProd = 0;

    int nrSeqItem = 0;
    int nrSeqItCanc = 0;
    int nrSeqItCancObs = 0;
    int nrSeqItCancCtObs = 0;
    int nrSeqBandeja = 0;
    double nrQtdeItemAtual = 0;
    double nrQtdeInserida = 0;
    double nrQtdeMult = 0;

    bool boPreSelVerificado = false;
    bool boProcessandoProd = false;
    bool boProdutoAdd = false;
    QString stAtalhoDigitado;
    QString stCdProdExterno;
    QString stIdExibeProd;
    QString stIdUtCupomDesc;
    QString stCdCupomDesc;
    double vrDescCupom = 0;
    double vrLimiteCupom = 0;
    int nrAcessoAux = 0;
    QString stVerificaAcesso;  // what the host's access control answered; kept, not used

    // From the host's parameter file.
    QString stIdEsquema;
    QString stCdFilial;
    QString stCdLoja;
    bool boUtilizaImpFis = false;
    int nrIdTipoImpFis = 0;
    bool boSistemaQmtNfce = false;
    bool boSistemaQmtSat = false;
    QString stIdColetor;
    QString stDsDirCad;
    QString stIdUtTabPrecLvdc;
    QString stCdCaixa;
    QString stIdSolObsPed;
    QString stNrConfTela;
    QString stIdFechaCupom;
    QString stIdAplPreDifComb;
    int nrCtMultiplicador = 0;
    QString stIdTipoBal;
    QString stCdPortaBal;
    QString stNrVelocBal;
    QString stIdAdesaoRefTrib;

    // ------------------------------------------------------------------ start-up, keys
    void FormCreate();
    // Reads the host's parameter and tax-rate files, connects the data module and takes
    // the items already sold. A parameter file that lacks one of its fields, or cannot
    // be read, raises DataSetError; nothing is caught here.
    void InicializaForm(DataSet& cdsItensRet, const QString& stCdProdPromo,
                        const QString& stNmProdPromo, const QString& stCdCliDebPadrao,
                        const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
                        const QString& stTipoAjuste, double vrPrecoPromo, double vrAjustePromo,
                        double nrQtdePromo, bool boAplicaAjuste, DataSet& cdsItensVendidos);
    void FormShow() override;
    void FormActivate() override;
    // Keys are Qt::Key values.
    void FormKeyDown(int key);
    void FormKeyPress(QChar key);
    void tmrDataHoraTimer();
    void bldCancelarClick();

    // ------------------------------------------------------------------ group menu
    void MontaMenuGrupo(bool primeiraVez);
    void LimpaMenuGrupo();
    void blbMenu01Click(Control& sender);
    void bbbAbaixoClick();
    void bbbAcimaClick();
    // Presses one group button and releases the others, as a grouped touch button does.
    void SetDown(Control& botao);

    // ------------------------------------------------------------------ product grid
    void MontaMenuProduto(const QString& cdGrupo, bool recarrega);
    void LimpaMenuProduto();
    void bbbProdAbaixoClick();
    void bbbProdAcimaClick();

    // ------------------------------------------------------------------ pricing
    // "Erro" when a failure was reported under message mode "1" or "2"; else empty.
    QString ConsultaPreco(const QString& cdProduto, const QString& modoMensagem,
                          const QString& idPreco);
    void DividePrecoProduto();
    bool RetornaFrac(double valor) const;
    void AtualizaProdCombinado(const QString& cdGrupo);
    // Running price summary of price mode "2": take the current item line's contribution
    // out (sinal -1) or put it in (+1), then rewrite the price line.
    void AtualizaResumoPreco(double sinal);
    void MontaTextoResumoPreco();

    // ------------------------------------------------------------------ tray
    // Adds one entry (five controls tagged nrSeqBandeja) for the current item line.
    void CriaProdBandeja(const QString& stCodigo, const QString& stNome, const QString& ignorado,
                         const QString& stObs, const QString& stIdPesa, const QString& stQtdeReal,
                         double nrQtde, double vrUnitario, int ignoradoNr, int nrPosicao,
                         const Control* fonte);
    // Frees the entry tagged nrTag and moves the entries below it up one step.
    void RemoveProdBandeja(int nrTag);
    void AjustaSetasBandeja();
    void bbbBandejaUpClick();
    void bbbBandejaDownClick();

    // Removal of the entry's item line (or of the whole set added with it); bound to
    // every entry's picture.
    void BandejaClick(Control& sender);

    // ------------------------------------------------------------------ product choice
    // A touch on a grid picture, or (sender nullptr) the product in stCdProdExterno.
    // Virtual so that tests can watch the hand-off from shortcuts and the search.
    virtual void bpbProd01Click(Control* sender);
    // Runs the add-to-combination screen for a product that is itself a combined
    // promotion; its chosen lines come back in the first three datasets. Calls the entry
    // installed in criaPromoCombAdd; without one it adds nothing and answers false.
    virtual bool CriaPromoCombAdd(DataSet& cdsItensRet, DataSet& cdsObsRet, DataSet& cdsCtObsRet,
                                  const QString& stCdProdPromo, const QString& stNmProdPromo,
                                  const QString& stCdCliDebPadrao, const QString& stCdConsDebAux,
                                  const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
                                  const QString& stTipoAjuste, double vrPrecoPromo,
                                  double vrAjustePromo, double nrQtdePromo, bool boAplicaAjuste,
                                  bool boDebitoAux, const QString& stNrVendaRest2,
                                  DataSet& cdsItensVendidos, const QString& stTipoChamada);

    // ------------------------------------------------------------------ item insertion
    // Turns one chosen product into an item line with its observations, discounts and
    // coupon. True when the line was inserted; a refusal has been shown.
    bool AddProduto(const QString& stCdArvProd, const QString& stCdProduto,
                    const QString& stNmProduto, const QString& stCdGrupo,
                    const QString& stCdGrupoOrig, const QString& stCdFamiliSald,
                    const QString& stIdPesaProd, const QString& stSgUnidade,
                    const QString& stIdObrProdSelec, const QString& stObsPedido,
                    const QString& stObsDigitada, double vrTara, double vrPreco, double vrAcrescimo,
                    double vrDesconto, int nrItemAdd, int nrSeqOrigem, const QString& stPedeObs,
                    DataSet& cdsObsOrigem, DataSet& cdsCtObsOrigem, const QString& stIdImpGrupo,
                    const QString& stIdImpItem, const QString& stCdProdPai,
                    const QString& stVrPrecoClie, bool boImpProdPai);

    // ------------------------------------------------------------------ quantities
    // The quantity key (F7): how many units the next product counts for.
    virtual void spbQtdeClick();
    void SetdoQtdeMult(double valor);
    // Sum of QTPRODVALIDA over the item lines the current filter shows.
    double ObterQtdInserida();
    // True when the selected group can take the next product.
    bool Valida_Quantid();
    // True when the product's per-product discount is meant for its first unit and this
    // is that unit in the whole sale.
    bool ValidaProduto(const QString& stCdProduto);

    // ------------------------------------------------------------------ exclusive groups
    void BloqueiaGrupo();
    void DesbloqueiaGrupo(const QString& stCdGrupo, const QString& stCdGrupMutex);

    // ------------------------------------------------------------------ coupons
    // Asks for a coupon code and works out its discount on a line of q units at price p
    // with its own discount d and surcharge a: sets stCdCupomDesc, vrDescCupom and
    // vrLimiteCupom.
    void controlaValorCupom(double q, double p, double d, double a, const QString& stCdProduto);
    void zeraVariaveisCupomDesc();
    void incluiCupomVenda(const QString& stCdCupom);

    // ------------------------------------------------------------------ campaigns
    void ValidaCampanhaPromocional();
    bool Vd_Combinacoes();

    // ------------------------------------------------------------------ confirmation
    // Virtual so that key tests can count confirmations.
    virtual void bldConfirmarClick();

    // ------------------------------------------------------------------ pre-selection
    virtual void VerificaPreSelecionados(const QString& cdProdPromo);
    // False when a failed price lookup abandons the whole pre-selection.
    bool RegistraPreSelecionados(const QString& stCdGrupo, const QString& stCdProduto);

    // ------------------------------------------------------------------ search, photo
    virtual void bldFiltroClick();
    virtual void bldFotoClick();

protected:
    void reportError(const QString& text) override;

private:
    // How placing one chosen product ended.
    enum class Colocacao { Inserido, Recusado, Abandonado };
    Colocacao ColocaProduto(const QString& cdProduto, const Control* fonte, bool preSelecao);
    bool ValidaImpostos(const QString& cdProduto);
    bool ValidaDocumentoFiscal(const QString& cdProduto);
    // The exclusive-group refusal for a product of the given group; true when refused.
    bool RecusaGrupoExclusivo(const QString& cdGrupoProduto);
    // The lines of a nested promotion; false when one of them was refused.
    bool PromocaoAninhada(const QString& cdProduto, const Control* fonte, bool preSelecao);
    void ConcluiGrupo();
    void AvancaGrupo(bool recolore);
    // Copies the settings of the group the groups' copy stands on into the selected-group
    // fields.
    void LeGrupoAtual();
    double QtdeGrupoAtual() const;
    // Caps the current line's discount one cent under its gross value.
    void LimitaDesconto();
    void MontaTextoPrecoPromo();
    void RemoveObservacoes(const QString& nrSeq);
    void removeCupomVenda(const QString& stCdCupom);
    void AplicaCampanha();
    void Avisa(const QString& texto);
    bool Pergunta(const QString& texto);

    // Moves a line's observation and controlled-observation rows to its new number.
    void RenumeraObservacoes(const QString& seqAntigo, const QString& seqNovo);
    void LeParametros();
    void LeAliquotas();
    QDir PastaFiguras() const;
    // The slot picture: the product's own, then the folder's defaults, then imgSemImagem.
    QString FiguraProduto(const QString& cdArvProd, const QStringList& entradas) const;
    QString textoCampo(const DataSet& ds, const QString& campo) const;
    void MostraErro(const QString& texto);
    int m_serialBandeja = 0;
};

}  // namespace kvp::combinada
