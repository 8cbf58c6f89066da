// Product search over the selected group (F6) and the help that says where product
// pictures go.

#include "combinadadetalhe.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"

#include <QDir>

namespace kvp::combinada {

using namespace detail;

void TfrmPromocaoCombinada::bldFiltroClick()
{
    const ChangeScope changes(*this);
    if (!Valida_Quantid() || !cdsProdutoPromo.isActive()) {
        return;
    }
    DataSet busca(QStringLiteral("cdsPesquisa"));
    busca.copyFrom(cdsProdutoPromo);
    try {
        struct Coluna {
            const char* campo;
            const char* titulo;
            int largura;  // 0: as it is
        };
        static const Coluna colunas[] = {{"NMPRODUTO", "Nome", 40},
                                         {"CDARVPROD", "Código", 15},
                                         {"CDATAPRODITM", "Atalho", 15},
                                         {"CDBARPRODUTO", "Código de Barras", 0}};
        for (const FieldDef& f : busca.fields()) {
            busca.fieldDef(f.name).visible = false;
        }
        for (const Coluna& c : colunas) {
            FieldDef& f = busca.fieldDef(QLatin1String(c.campo));
            f.visible = true;
            f.displayLabel = QString::fromUtf8(c.titulo);
            if (c.largura > 0) {
                f.displayWidth = c.largura;
            }
        }
    } catch (const DataSetError&) {
        // A list without one of the columns is still searched.
    }

    if (!host().Pesquisa(busca, {QString(), kN, 0, 0, 0, QString(), QString()}) ||
        busca.isEmpty()) {
        return;
    }
    const QString escolhido = busca.asString(QStringLiteral("CDPRODUTO"));

    DataSet& produtos = cdsProdutoPromo;
    bool achou = false;
    for (produtos.first(); !produtos.eof(); produtos.next()) {
        if (produtos.asString(QStringLiteral("CDPRODUTO")) == escolhido) {
            achou = true;
            break;
        }
    }
    if (achou) {
        MontaMenuProduto(stCdGrupoAtual, false);  // the product lands in the first slot
    }
    for (int k = 1; k <= kSlotsProduto; ++k) {
        Control& img = imgProd(k);
        if (!img.productCode.isEmpty() && img.productCode == escolhido) {
            bpbProd01Click(&img);
            break;
        }
    }
    MontaMenuProduto(stCdGrupoAtual, true);
}

void TfrmPromocaoCombinada::bldFotoClick()
{
    const ChangeScope changes(*this);
    if (!stAtalhoDigitado.isEmpty()) {
        return;
    }
    const QString pasta =
        QDir::toNativeSeparators(stDsDirCad + QStringLiteral("dados/img/produto"));
    host().Mensagem(msgPadrao.Msg(QStringLiteral("Figura_Prod"), {pasta}), QString(), kN, kN,
                    static_cast<int>(MessageKind::Information), QString(), QString(), 0, nullptr);
}

}  // namespace kvp::combinada
