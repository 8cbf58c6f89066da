#pragma once

// The combined-promotion selection screen, headless: its state is plain data (fields,
// datasets, control records) and its behaviour is the event handlers and operations
// below. A view draws the control records and forwards touches and keys to the handlers
// (through deliver()); tests call the handlers and read the state.

#include "form.h"
#include "modulevars.h"
#include "operacoescomuns.h"

#include "dataset.h"
#include "itemrecord.h"
#include "messages.h"

#include <QDir>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

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

// Where the product slots sit: column lefts and image-row tops, filled row by row.
struct GradeProdutos {
    QList<int> colunas;
    QList<int> linhas;
};

// The design-time layout: every control with its place, size, caption, font and colour.
// The add screen starts from it with its own name and grid.
class TfrmPromocaoCombinadaLayout : public screen::Form {
protected:
    TfrmPromocaoCombinadaLayout();
    TfrmPromocaoCombinadaLayout(const QString& nomeTela, const GradeProdutos& grade);
};

class TfrmPromocaoCombinada
    : public detail::OperacoesComuns<TfrmPromocaoCombinada, TfrmPromocaoCombinadaLayout>,
      public detail::EstadoComum {
public:
    // What sets this screen apart in the behaviour it shares with the add screen.
    static constexpr bool kPesaEMultiplica = true;
    static constexpr int kNumBotoesGrupo = kBotoesGrupo;
    static constexpr int kNumSlotsProduto = kSlotsProduto;
    static constexpr bool kColoreGrupos = true;
    static constexpr screen::Color kCorGrupo = corDestaque;
    static constexpr detail::MedidasBandeja kBandeja{kPassoBandeja,          4, 65, 71, 74, 12, 140,
                                                     screen::Alignment::Left};
    // A combined product's lines are those that came from the same group.
    static inline const QString kCampoGrupoCombinado = QStringLiteral("CDGRUPROMOCORIG");
    static detail::VariaveisModulo modulo();
    // The tax rates of the product being placed.
    DataSet& aliquotas() { return cdsAliquota; }

    // Creates the screen and runs FormCreate.
    TfrmPromocaoCombinada();
    ~TfrmPromocaoCombinada() override;

    // ------------------------------------------------------------------ controls
    // (those both screens have come with detail::OperacoesComuns)
    Control& imgBandLaranja = component(QStringLiteral("imgBandLaranja"));
    Control& dreRoteiro = component(QStringLiteral("dreRoteiro"));
    Control& bldFoto = component(QStringLiteral("bldFoto"));
    Control& blbFiltro = component(QStringLiteral("blbFiltro"));
    Control& spbQtde = component(QStringLiteral("spbQtde"));

    // The typed-shortcut timer, 400 ms, off until a digit is typed.
    screen::ScreenTimer& tmrDataHora =
        addTimer(QStringLiteral("tmrDataHora"), 400, [this] { tmrDataHoraTimer(); });

    // The screen's message catalogue.
    TMessages msgPadrao = promocaoCombinadaMessages();

    // ------------------------------------------------------------------ datasets
    // (with those of detail::EstadoComum)
    DataSet cdsRoteiro{QStringLiteral("cdsRoteiro"), records::roteiro()};
    DataSet cdsItemProd{QStringLiteral("cdsItemProd"), records::itemProd()};
    DataSet cdsItemProdAux{QStringLiteral("cdsItemProdAux"), records::itemProdAux()};
    DataSet cdsObsItens{QStringLiteral("cdsObsItens"), records::obsItens()};
    DataSet cdsProdCtObs{QStringLiteral("cdsProdCtObs"), records::prodCtObs()};
    DataSet cdsAliquota{QStringLiteral("cdsAliquota")};
    DataSet cdsCampanhaPromo{QStringLiteral("cdsCampanhaPromo")};
    DataSet cdsProdutosAdd{QStringLiteral("cdsProdutosAdd"), records::itemProdAdd()};
    DataSet cdsItemObsAdd{QStringLiteral("cdsItemObsAdd"), records::obsItensAdd()};
    DataSet cdsPromoCtObsAdd{QStringLiteral("cdsPromoCtObsAdd"), records::prodCtObsAdd()};
    DataSet cdsVazio{QStringLiteral("cdsVazio")};

    // ------------------------------------------------------------------ fields
    QString stCabecalho;

    double nrQtdeMult = 0;

    bool boProcessandoProd = false;
    QString stAtalhoDigitado;
    QString stCdProdExterno;
    int nrAcessoAux = 0;
    QString stVerificaAcesso;  // what the host's access control answered; kept, not used

    // From the host's parameter file.
    int nrCtMultiplicador = 0;
    QString stIdTipoBal;
    QString stCdPortaBal;
    QString stNrVelocBal;

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
    // The typed shortcut's lookup; true when it ended by offering a product.
    bool ProcuraAtalho();
    void bldCancelarClick();

    // ------------------------------------------------------------------ group menu
    void MontaMenuGrupo(bool primeiraVez);
    void LimpaMenuGrupo();
    void blbMenu01Click(Control& sender);

    // ------------------------------------------------------------------ product grid
    void MontaMenuProduto(const QString& cdGrupo, bool recarrega);
    void LimpaMenuProduto();

    void DividePrecoProduto();
    bool RetornaFrac(double valor) const;

    // ------------------------------------------------------------------ product choice
    // A touch on a grid picture, or (sender nullptr) the product in stCdProdExterno.
    // Virtual so that tests can watch the hand-off from shortcuts and the search.
    virtual void bpbProd01Click(Control* sender);
    // Runs the add-to-combination screen for a product that is itself a combined
    // promotion; its chosen lines come back in the first three datasets. Calls the entry
    // installed in criaPromoCombAdd (the one place tests replace it); without one it adds
    // nothing and answers false.
    bool CriaPromoCombAdd(DataSet& cdsItensRet, DataSet& cdsObsRet, DataSet& cdsCtObsRet,
                                  const QString& stCdProdPromo, const QString& stNmProdPromo,
                                  const QString& stCdCliDebPadrao, const QString& stCdConsDebAux,
                                  const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
                                  const QString& stTipoAjuste, double vrPrecoPromo,
                                  double vrAjustePromo, double nrQtdePromo, bool boAplicaAjuste,
                                  bool boDebitoAux, const QString& stNrVendaRest2,
                                  DataSet& cdsItensVendidos, const QString& stTipoChamada);

    // ------------------------------------------------------------------ quantities
    // The quantity key (F7): how many units the next product counts for.
    virtual void spbQtdeClick();
    void SetdoQtdeMult(double valor);
    // True when the selected group can take the next product.
    bool Valida_Quantid();

    // ------------------------------------------------------------------ campaigns
    void ValidaCampanhaPromocional();
    bool Vd_Combinacoes();
    // During a confirmation, the price of every line's product as the host gave it before
    // the unit opened (none where the lookup failed); the campaigns reprice from it rather
    // than call the host while the unit holds its locks. Empty otherwise: the campaigns
    // then ask the host themselves.
    std::optional<QHash<QString, std::optional<double>>> precosCampanha;

    // ------------------------------------------------------------------ confirmation
    // Virtual so that key tests can count confirmations.
    virtual void bldConfirmarClick();
    // After the completeness check: redistribution, call-type "B" record, campaigns and
    // division, all or nothing. Raises on any failure.
    void ConcluiConfirmacao();
    void RedistribuiDesconto();

    // ------------------------------------------------------------------ pre-selection
    virtual void VerificaPreSelecionados(const QString& cdProdPromo);
    // False when a failed price lookup abandons the whole pre-selection.
    bool RegistraPreSelecionados(const QString& stCdGrupo, const QString& stCdProduto);

    // ------------------------------------------------------------------ search, photo
    virtual void bldFiltroClick();
    virtual void bldFotoClick();

protected:
private:
    // The lines of a nested promotion; false when one of them was refused.
    bool PromocaoAninhada(const QString& cdProduto, const Control* fonte, bool preSelecao);
    // The insertion of the nested promotion's line that cdsProdutosAdd stands on.
    detail::InsercaoProduto InsercaoAninhada(const QString& grupo, const QString& grupoOrigem,
                                             const QString& cdProdPai, bool paiImprime);
    void AplicaCampanha();
    void ConsultaPrecosCampanha();
    void GravaRegistrosAninhados(const QString& chaveCaixa);

    // The add screen's record ("B") of a nested promotion, kept until this sale is
    // confirmed: written in the confirmation's unit while the promotion's lines (its
    // NRSEQITEMADD) are still in the sale, and never for a sale that is cancelled.
    struct RegistroAninhadoPendente {
        int conjunto = 0;
        DataPacket itens;
    };
    QList<RegistroAninhadoPendente> registrosAninhados;
};

}  // namespace kvp::combinada
