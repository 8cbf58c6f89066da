// The group menu: ten buttons over the promotion's groups, paged five rows at a time.

#include "tfrmpromocaocombinada.h"

#include "hostservices.h"

namespace kvp::combinada {

void TfrmPromocaoCombinada::MontaMenuGrupo(bool /*primeiraVez*/)
{
    DataSet& grupos = cdsGrupProdCombo;
    if (grupos.isEmpty()) {
        return;
    }
    bbbAcima.visible = grupos.recordCount() > 10 && nrPaginaGrupo > 0 && grupos.recNo() > 5;

    nrProxBotaoGrupo = 1;
    while (nrProxBotaoGrupo <= kBotoesGrupo && !grupos.eof()) {
        Control& botao = blbMenu(nrProxBotaoGrupo);
        botao.caption = grupos.asString(QStringLiteral("NMGRUPROMOC"));
        botao.groupCode = grupos.asString(QStringLiteral("CDGRUPROMOC"));
        botao.slot = nrProxBotaoGrupo;
        botao.visible = true;
        botao.color = corDestaque;
        ++nrProxBotaoGrupo;
        grupos.next();
    }
    LimpaMenuGrupo();

    bbbAbaixo.visible = grupos.recordCount() > 10 && !grupos.eof();
}

void TfrmPromocaoCombinada::LimpaMenuGrupo()
{
    for (int i = std::max(1, nrProxBotaoGrupo); i <= kBotoesGrupo; ++i) {
        blbMenu(i).visible = false;
    }
}

void TfrmPromocaoCombinada::blbMenu01Click(Control& sender)
{
    const ChangeScope changes(*this);
    if (sender.groupCode.isEmpty()) {
        return;
    }
    // A code missing from the copy leaves the lookup where it stands.
    DataSet& aux = cdsAuxGrupProdCombo;
    aux.locate(QStringLiteral("CDGRUPROMOC"), sender.groupCode);
    LeGrupoAtual();

    MontaMenuProduto(stCdGrupoAtual, true);

    TextoQuantidadeGrupo();

    const QString& nome = sender.name;
    nrBotaoGrupoAtual = (nome.size() < 9 ? nome.right(1) : nome.right(2)).toInt();
    if (nrBotaoGrupoAnterior != 0) {
        blbMenu(nrBotaoGrupoAnterior).color = corDestaque;
    }
    nrBotaoGrupoAnterior = nrBotaoGrupoAtual;
    sender.color = corGrupoSelecionado;

    Repaint();
}

}  // namespace kvp::combinada
