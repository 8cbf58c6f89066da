// The product grid: twelve slots over the selected group's products, priced through the
// host and paged twelve at a time.

#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <QDir>

namespace kvp::combinada {

void TfrmPromocaoCombinada::MontaMenuProduto(const QString& cdGrupo, bool recarrega)
{
    const ChangeScope changes(*this);
    try {
        DataSet& produtos = cdsProdutoPromo;
        if (recarrega) {
            const DataResult pacote =
                detail::MensagemMetodoLog(getProdutoPromoComb(cdGrupo, stCdProdPromo, stCdFilial,
                                                          stNrConfTela, stNrSeqGrPromoAtual),
                                      true, 0, QStringLiteral("getProdutoPromoComb"),
                                      QStringLiteral("Srv_Kvp510"), cdGrupo, QString());
            cdsProdutoPromoTodos.setData(pacote.asPacket());
            cdsProdutoPromoTodos.first();
            produtos.copyFrom(cdsProdutoPromoTodos);
            produtos.first();
        }
        if (produtos.isEmpty()) {
            return;  // the slots keep what they showed
        }
        bbbProdAcima.visible =
            produtos.recordCount() > 10 && nrPaginaProd >= 1 && produtos.recNo() > 12;

        const detail::FigurasDaPasta figuras(PastaFiguras());
        const bool temAtalho = produtos.hasField(QStringLiteral("CDATAPRODITM"));

        auto precoAtual = [&] {
            cdsRetornaPreco.emptyOrCreate();
            ConsultaPreco(produtos.asString(QStringLiteral("CDPRODUTO")), QString(), QString());
            cdsRetornaPreco.first();
            return cdsRetornaPreco.isEmpty() ? 0.0
                                             : cdsRetornaPreco.asFloat(QStringLiteral("VRPRECO"));
        };

        nrProxSlotProd = 1;
        while (nrProxSlotProd <= kSlotsProduto && !produtos.eof()) {
            const int k = nrProxSlotProd;
            double preco = precoAtual();
            // Products without a price are skipped, except the list's last one.
            while (stIdExibeProd != QLatin1String("S") && preco == 0 && !produtos.eof()) {
                produtos.next();
                preco = precoAtual();
            }

            const QString nome = produtos.asString(QStringLiteral("NMPRODUTO"));
            const QString atalho =
                temAtalho ? produtos.asString(QStringLiteral("CDATAPRODITM")) : QString();
            MostraSlot(
                k, produtos, preco,
                atalho.isEmpty() ? nome : nome + QStringLiteral(" - (") + atalho + QLatin1Char(')'),
                figuras);

            ++nrProxSlotProd;
            produtos.next();
        }
        LimpaMenuProduto();

        bbbProdAbaixo.visible = produtos.recordCount() > 12 && !produtos.eof();

        Repaint();
        boProcessandoProd = false;
    } catch (const SilentAbort&) {
        // The host has shown the data service's error already.
    } catch (const std::exception& e) {
        MostraErro(QString::fromUtf8(e.what()));
    }
}

void TfrmPromocaoCombinada::LimpaMenuProduto()
{
    for (int k = std::max(1, nrProxSlotProd); k <= kSlotsProduto; ++k) {
        lblPreco(k).visible = false;
        lblNmProd(k).visible = false;
        Control& img = imgProd(k);
        img.visible = false;
        img.productCode.clear();
        img.slot = k;
    }
}

}  // namespace kvp::combinada
