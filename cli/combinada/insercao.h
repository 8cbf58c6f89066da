#pragma once

// What one insertion of an item line takes and gives back: its inputs as one record
// (the product, its group, its observations, its price and how the insertion runs), the
// values its steps hand on to each other, and the state a failed insertion goes back to.
// The steps themselves are in regrasinsercao.h.

#include "combinadadetalhe.h"

#include "control.h"
#include "dataset.h"

#include <QString>

#include <optional>

namespace kvp::combinada::detail {

// One product to insert as an item line.
struct InsercaoProduto {
    struct Produto {
        QString cdArvProd;
        QString cdProduto;
        QString nmProduto;
        QString cdFamiliSald;
        QString idPesaProd;  // "S": sold by weight
        QString sgUnidade;
        QString idObrProdSelec;  // "S": obligatory in its group
        double vrTara = 0;
    } produto;
    struct Grupo {
        QString cdGrupo;      // the group the line counts in
        QString cdGrupoOrig;  // the group it was chosen in
        QString idImpGrupo;   // the group's print flag
        QString idImpItem;    // the product's own print flag
    } grupo;
    struct Observacoes {
        QString pedeObs;  // "S": ask the operator; else copy those of the origin line
        QString obsPedido;
        QString obsDigitada;
        // A nested promotion's observations and controlled observations, and the number
        // of its line they belong to; none for a product chosen here.
        DataSet* obsOrigem = nullptr;
        DataSet* ctObsOrigem = nullptr;
        int nrSeqOrigem = 0;
    } observacoes;
    struct Preco {
        double vrPreco = 0;  // unit price, surcharge and discount, per unit
        double vrAcrescimo = 0;
        double vrDesconto = 0;
        QString vrPrecoClie;  // the client's price as a number text; empty: the lookup's
    } preco;
    struct Opcoes {
        int nrItemAdd = 0;        // the set of a nested promotion's lines; 0 for none
        QString cdProdPai;        // the nested promotion the line comes from
        bool impProdPai = false;  // that promotion prints as one product
        // The tray entry: made only when asked, with the picture of `figura` (none: the
        // "no picture" one). Its price is the price lookup's when `precoDaConsulta` and the
        // lookup answered, else the product's.
        bool entradaBandeja = false;
        const screen::Control* figura = nullptr;
        bool precoDaConsulta = false;
        // The group hand-on: the exclusive set locked (unless the menu pages), and the
        // menu moved on once the group holds its quantity.
        bool bloqueiaGrupo = false;
        bool concluiGrupo = false;
    } opcoes;
};

// The product a row of a product list or of the add screen's items describes, under the
// field names both share.
inline InsercaoProduto::Produto produtoDaLinha(const DataSet& ds)
{
    return {
        ds.asString(QStringLiteral("CDARVPROD")),      ds.asString(QStringLiteral("CDPRODUTO")),
        ds.asString(QStringLiteral("NMPRODUTO")),      ds.asString(QStringLiteral("CDFAMILISALD")),
        ds.asString(QStringLiteral("IDPESAPROD")),     ds.asString(QStringLiteral("SGUNIDADE")),
        ds.asString(QStringLiteral("IDOBRPRODSELEC")), ds.asFloat(QStringLiteral("QTTARAPROD"))};
}

// The discount of a new line for all its units, and the coupon it carries.
struct DescontoLinha {
    double desconto = 0;
    QString cupom;
};

// A line once written: its number, the quantity sold and its surcharge.
struct LinhaInserida {
    QString nrSeq;
    double qtdVendida = 0;
    double acrescimo = 0;
};

// Puts the items' cursor on the line of that number, all lines in view.
inline void posicionaLinha(DataSet& itens, const QString& nrSeq)
{
    itens.clearFilter();
    itens.locate(QStringLiteral("NRSEQ"), nrSeq);
}

// The print flag of a new line: within a nested promotion the group's choice goes by the
// product (the promotion itself prints when it says so), else either flag prints it.
inline QString idImpLinha(const InsercaoProduto& ins)
{
    const InsercaoProduto::Grupo& g = ins.grupo;
    if (!ins.opcoes.cdProdPai.isEmpty() && g.idImpGrupo == kS) {
        return ins.produto.cdProduto == ins.opcoes.cdProdPai && ins.opcoes.impProdPai ? kS
                                                                                      : g.idImpItem;
    }
    return g.idImpItem == kS ? kS : g.idImpGrupo;
}

// What an insertion changes, taken before it starts: a failure after its line was
// written takes the whole insertion back, since a line without its observations,
// discount or tray entry would be booked as if the operator had chosen it so. The rows it
// added all carry the new line's number and are removed by it (nothing is copied away on
// every touch); this keeps the counters and the price line to put back.
template <class Tela>
class EstadoInsercao {
public:
    explicit EstadoInsercao(const Tela& t)
        : m_nrSeqItem(t.nrSeqItem),
          m_nrSeqItCanc(t.nrSeqItCanc),
          m_nrSeqItCancObs(t.nrSeqItCancObs),
          m_nrSeqItCancCtObs(t.nrSeqItCancCtObs),
          m_nrSeqBandeja(t.nrSeqBandeja),
          m_nrQtdeInserida(t.nrQtdeInserida),
          m_vrAjustePromo(t.vrAjustePromo),
          m_vrSomaProdutos(t.vrSomaProdutos),
          m_vrPrecoPromo(t.vrPrecoPromo),
          m_vrPrecoPromoFinal(t.vrPrecoPromoFinal),
          m_stTextoAjuste(t.stTextoAjuste),
          m_descricao(t.lblDescricao.caption)
    {
    }

    // The counters and the price line as they were; the caller removes the rows.
    void restaura(Tela& t) const
    {
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
    int m_nrSeqItem, m_nrSeqItCanc, m_nrSeqItCancObs, m_nrSeqItCancCtObs, m_nrSeqBandeja;
    double m_nrQtdeInserida, m_vrAjustePromo, m_vrSomaProdutos, m_vrPrecoPromo, m_vrPrecoPromoFinal;
    QString m_stTextoAjuste, m_descricao;
};

}  // namespace kvp::combinada::detail
