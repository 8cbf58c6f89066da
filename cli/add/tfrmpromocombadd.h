#pragma once

// The add-to-combination screen, headless: the reduced twin of the selection screen that
// composes a combined promotion chosen inside another one. Fifteen product slots; no
// campaigns, multiplier, search, photo help, typed shortcuts or preparation text. Its
// state is plain data and its behaviour the handlers below, as on the selection screen.

#include "form.h"
#include "modulevarsadd.h"
#include "operacoescomuns.h"
#include "tfrmpromocaocombinada.h"

#include "dataset.h"
#include "itemrecord.h"
#include "messages.h"

#include <QDir>
#include <QString>

namespace kvp::add {

using screen::Control;

inline constexpr int kBotoesGrupo = 10;
inline constexpr int kSlotsProduto = 15;
// Vertical step of the tray: one entry, and one scroll.
inline constexpr int kPassoBandeja = 75;

// The selection screen's layout with fifteen slots and only the cancel and confirm
// buttons in its bar.
class TfrmPromoCombAddLayout : public combinada::TfrmPromocaoCombinadaLayout {
protected:
    TfrmPromoCombAddLayout();
};

class TfrmPromoCombAdd
    : public combinada::detail::OperacoesComuns<TfrmPromoCombAdd, TfrmPromoCombAddLayout>,
      public combinada::detail::EstadoComum {
public:
    // What sets this screen apart in the behaviour it shares with the selection screen.
    static constexpr bool kPesaEMultiplica = false;
    static constexpr int kNumBotoesGrupo = kBotoesGrupo;
    static constexpr int kNumSlotsProduto = kSlotsProduto;
    static constexpr bool kColoreGrupos = false;
    static constexpr combinada::detail::MedidasBandeja kBandeja{
        kPassoBandeja, 5, 59, 65, 68, 10, 118, screen::Alignment::Right};
    // A combined product's lines are found by their own group.
    static inline const QString kCampoGrupoCombinado = QStringLiteral("CDGRUPROMOC");
    static combinada::detail::VariaveisModulo modulo();
    // The tax rates of the product being placed.
    DataSet& aliquotas() { return cdsAliquotaAdd; }

    // Creates the screen and runs FormCreate.
    TfrmPromoCombAdd();
    ~TfrmPromoCombAdd() override;

    // ------------------------------------------------------------------ controls
    // (those both screens have come with OperacoesComuns)
    TMessages msgPadrao = promoCombAddMessages();

    // ------------------------------------------------------------------ datasets
    // (with those of detail::EstadoComum)
    DataSet cdsItemProd{QStringLiteral("cdsItemProd"), records::itemProdAdd()};
    DataSet cdsObsItens{QStringLiteral("cdsObsItens"), records::obsItensAdd()};
    DataSet cdsProdCtObs{QStringLiteral("cdsProdCtObs"), records::prodCtObsAdd()};
    DataSet cdsAliquotaAdd{QStringLiteral("cdsAliquotaAdd")};

    // ------------------------------------------------------------------ start-up, keys
    void FormCreate();
    // Reads the host's parameter and tax-rate files, connects the data module (or keeps
    // the one the selection screen opened) and takes the items already sold.
    void InicializaForm(DataSet& cdsItensRet, const QString& stCdProdPromo,
                        const QString& stNmProdPromo, const QString& stCdCliDebPadrao,
                        const QString& stTipoPrecoPromo, const QString& stIdValorPerc,
                        const QString& stTipoAjuste, double vrPrecoPromo, double vrAjustePromo,
                        double nrQtdePromo, bool boAplicaAjuste, DataSet& cdsItensVendidos);
    void FormShow() override;
    void FormActivate() override;
    // Keys are Qt::Key values.
    void FormKeyDown(int key);
    void bldCancelarClick();

    // ------------------------------------------------------------------ group menu
    void MontaMenuGrupo(bool primeiraVez);
    void LimpaMenuGrupo();
    void blbMenu01Click(Control& sender);

    // ------------------------------------------------------------------ product grid
    void MontaMenuProduto(const QString& cdGrupo, bool recarrega);
    void LimpaMenuProduto();

    // ------------------------------------------------------------------ product choice
    // A touch on a grid picture. A product that is itself a combined promotion is placed
    // here as an ordinary product.
    virtual void bpbProd01Click(Control* sender);

    // True while the selected group has fewer item lines than its quantity.
    bool Valida_Quantid();

    // ------------------------------------------------------------------ confirmation
    virtual void bldConfirmarClick();

    // ------------------------------------------------------------------ pre-selection
    virtual void VerificaPreSelecionados();

protected:
};

}  // namespace kvp::add
