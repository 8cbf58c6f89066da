// Removal from the selection screen's tray: a line, or the whole set added with it from a
// nested promotion. Building and scrolling the entries is shared (regrasbandeja.h).

#include "combinadadetalhe.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"

namespace kvp::combinada {

using namespace detail;

void TfrmPromocaoCombinada::BandejaClick(Control& sender)
{
    const ChangeScope changes(*this);
    DataSet& itens = cdsItemProd;
    const SemFiltro semFiltro(itens);
    const int tag = sender.tag;
    const QString nrSeq = QString::number(tag);
    itens.applyFilter(Filter::eq(QStringLiteral("NRSEQ"), nrSeq));
    if (itens.isEmpty()) {
        RemoveProdBandeja(tag);  // an entry whose line is gone already
        return;
    }
    const int conjunto = itens.asInteger(QStringLiteral("NRSEQITEMADD"));

    QString mutex;
    QString grupo;
    if (conjunto < 1) {
        if (marcado(itens, QStringLiteral("IDOBRPRODSELEC"))) {
            Avisa(msgPadrao.Msg(QStringLiteral("PROD_OBR")));
            return;
        }
        RemoveProdBandeja(tag);
        itens.applyFilter(Filter::eq(QStringLiteral("NRSEQ"), nrSeq));
        RemoveObservacoes(nrSeq);
        DesfazPrecoLinha();
        LogKvp510(QStringLiteral("PRODUTO EXCLUÍDO: ") +
                  itens.asString(QStringLiteral("CDPRODUTO")) + QStringLiteral(" - ") +
                  itens.asString(QStringLiteral("NMPRODUTO")));
        mutex = itens.asString(QStringLiteral("CDGRUPMUTEX"));
        grupo = itens.asString(QStringLiteral("CDGRUPROMOC"));
        removeCupomVenda(itens.asString(QStringLiteral("CDCUPOMDESCQMT")));
        itens.remove();
    } else {
        // Lines added together go together, observations included.
        itens.applyFilter(Filter::eq(QStringLiteral("NRSEQITEMADD"), conjunto));
        itens.first();
        mutex = itens.asString(QStringLiteral("CDGRUPMUTEX"));
        grupo = itens.asString(QStringLiteral("CDGRUPROMOC"));
        while (!itens.isEmpty()) {
            itens.first();
            const QString seqLinha = itens.asString(QStringLiteral("NRSEQ"));
            DesfazPrecoLinha();
            RemoveProdBandeja(seqLinha.toInt());
            RemoveObservacoes(seqLinha);
            removeCupomVenda(itens.asString(QStringLiteral("CDCUPOMDESCQMT")));
            itens.remove();
        }
    }
    itens.clearFilter();

    DesbloqueiaSeVazio(grupo, mutex);
    if (stIdCombinaProd == kS) {
        AtualizaProdCombinado(grupo);
    }
}

}  // namespace kvp::combinada
