#pragma once

// What the two combination screens declare to share their behaviour (regras*.h):
// the module variables an operation reaches, the measures of a tray entry, and the
// state both keep under the same names.

#include "control.h"
#include "dataset.h"
#include "itemrecord.h"

#include <QString>

namespace kvp::combinada::detail {

using screen::Control;

// The module-wide variables one screen's operations read and write.
struct VariaveisModulo {
    QString& stNrVendaRest2;
    bool& boDebitoAux;
    QString& stCdConsDebAux;
    QString& stCdCliDebPadrao;
    QString& stBotaoBloqueado;
};

// Measures of a tray entry.
struct MedidasBandeja {
    int passo;                   // vertical step between entries, and one scroll
    int controlesAntesDeslocar;  // tray controls above which a new entry follows the scroll
    int larguraFoto;
    int alturaFoto;
    int esquerdaTexto;  // left edge of the entry's labels
    int fontePreco;
    int larguraPreco;
    screen::Alignment alinhamentoPreco;
};

// The state both screens keep under the same names: the working datasets whose records
// agree, the promotion being composed, the selected group, the paging, the running line
// numbers and the host's parameters. Each screen adds what is its own.
struct EstadoComum {
    DataSet cdsGrupProdCombo{QStringLiteral("cdsGrupProdCombo")};
    DataSet cdsAuxGrupProdCombo{QStringLiteral("cdsAuxGrupProdCombo")};
    DataSet cdsProdutoPromoTodos{QStringLiteral("cdsProdutoPromoTodos")};
    DataSet cdsProdutoPromo{QStringLiteral("cdsProdutoPromo")};
    DataSet cdsProdutoPromoAux{QStringLiteral("cdsProdutoPromoAux")};
    DataSet cdsCupomDescVenda{QStringLiteral("cdsCupomDescVenda"), records::cupomDescVenda()};
    DataSet cdsItemsVendidos{QStringLiteral("cdsItemsVendidos")};
    DataSet cdsRetornaPreco{QStringLiteral("cdsRetornaPreco"), records::retornaPreco()};
    DataSet cdsParametrosQmt{QStringLiteral("cdsParametrosQmt")};
    DataSet cdsAliqImpFis{QStringLiteral("cdsAliqImpFis"), records::aliqImpFis()};
    DataSet cdsDesconto{QStringLiteral("cdsDesconto")};
    DataSet cdsValidProdNFCe{QStringLiteral("cdsValidProdNFCe")};
    DataSet cdsRegraFisPdv{QStringLiteral("cdsRegraFisPdv")};
    DataSet cdsExisteProd{QStringLiteral("cdsExisteProd")};
    DataSet cdsCuponsValidos{QStringLiteral("cdsCuponsValidos"), records::cuponsValidos()};
    DataSet cdsGrupoMutex{QStringLiteral("cdsGrupoMutex")};
    DataSet cdsGrupoMutexAux{QStringLiteral("cdsGrupoMutexAux")};
    DataSet cdsPreSelecionados{QStringLiteral("cdsPreSelecionados")};
    DataSet cdsObs{QStringLiteral("cdsObs"), records::obs()};
    DataSet cdsOcorrencia{QStringLiteral("cdsOcorrencia"), records::ocorrencia()};
    DataSet cdsControlaObs{QStringLiteral("cdsControlaObs"), records::controlaObs()};
    QString stCdProdPromo;
    QString stTipoPrecoPromo;  // "1" fixed price, "2" price built from the products
    QString stTipoAjuste;
    QString stIdValorPerc;
    QString stTipoChamada;
    QString stTextoDescPromo;
    QString stTextoAjuste;
    double vrPrecoPromo = 0;
    double vrPrecoPromoFinal = 0;
    double vrPrecoDividir = 0;
    double vrAjustePromo = 0;
    double vrSomaProdutos = 0;
    double vrAjustePreco = 0;
    QString stIdPercValorPreco;
    double nrQtdePromo = 0;
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
    int nrSerialBandeja = 0;  // names the tray's controls, each name once
    double nrQtdeItemAtual = 0;
    double nrQtdeInserida = 0;
    bool boPreSelVerificado = false;
    bool boProdutoAdd = false;
    QString stIdExibeProd;
    QString stIdUtCupomDesc;
    QString stCdCupomDesc;
    double vrDescCupom = 0;
    double vrLimiteCupom = 0;
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
    QString stIdAdesaoRefTrib;
};

// How placing one chosen product ended.
enum class Colocacao { Inserido, Recusado, Abandonado };

}  // namespace kvp::combinada::detail
