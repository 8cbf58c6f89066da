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

    const double q = aux.asFloat(QStringLiteral("QUANTIDADE"));
    const double m = aux.asFloat(QStringLiteral("QUANTMIN"));
    const QString textoQ = textoCampo(aux, QStringLiteral("QUANTIDADE"));
    const QString textoM = textoCampo(aux, QStringLiteral("QUANTMIN"));
    if (q == 0) {
        lblQuantGrupo.caption = msgPadrao.Msg(QStringLiteral("Adic_Grup"));
    } else if (q == m && q > 1) {
        lblQuantGrupo.caption = msgPadrao.Msg(QStringLiteral("Qtda_Grupo2"), {textoQ});
    } else if (q == m) {
        lblQuantGrupo.caption = msgPadrao.Msg(QStringLiteral("Qtda_Grup"), {textoQ});
    } else if (m == 0 && q > 0) {
        lblQuantGrupo.caption = msgPadrao.Msg(QStringLiteral("Ate_Grup"), {textoQ});
    } else if (m > 0 && q > m) {
        lblQuantGrupo.caption = msgPadrao.Msg(QStringLiteral("deAte_Grup"), {textoM, textoQ});
    }

    const QString& nome = sender.name;
    nrBotaoGrupoAtual = (nome.size() < 9 ? nome.right(1) : nome.right(2)).toInt();
    if (nrBotaoGrupoAnterior != 0) {
        blbMenu(nrBotaoGrupoAnterior).color = corDestaque;
    }
    nrBotaoGrupoAnterior = nrBotaoGrupoAtual;
    sender.color = corGrupoSelecionado;

    Repaint();
}

void TfrmPromocaoCombinada::LeGrupoAtual()
{
    const DataSet& aux = cdsAuxGrupProdCombo;
    stCdGrupoAtual = aux.asString(QStringLiteral("CDGRUPROMOC"));
    stQtdeGrupoAtual = textoCampo(aux, QStringLiteral("QUANTIDADE"));
    stCdGrupMutexAtual = aux.asString(QStringLiteral("CDGRUPMUTEX"));
    stIdImpGrPromoAtual = aux.asString(QStringLiteral("IDIMPGRPROMO"));
    stNrSeqGrPromoAtual = textoCampo(aux, QStringLiteral("NRSEQGRPROMO"));
    stIdCombinaProd = aux.asString(QStringLiteral("IDCOMBINAPROD"));
}

void TfrmPromocaoCombinada::SetDown(Control& botao)
{
    for (int i = 1; i <= kBotoesGrupo; ++i) {
        blbMenu(i).down = false;
    }
    botao.down = true;
}

void TfrmPromocaoCombinada::bbbAbaixoClick()
{
    const ChangeScope changes(*this);
    if (!cdsGrupProdCombo.eof()) {
        ++nrPaginaGrupo;
    }
    MontaMenuGrupo(false);
    Control& primeiro = blbMenu(1);
    blbMenu01Click(primeiro);
    SetDown(primeiro);
    nrBotaoGrupoAtual = 1;
    nrBotaoGrupoAnterior = 1;
}

void TfrmPromocaoCombinada::bbbAcimaClick()
{
    const ChangeScope changes(*this);
    if (nrPaginaGrupo > 1) {
        --nrPaginaGrupo;
    }
    // Pages start every five rows here, not every ten: paging up from the third page
    // shows groups 6 to 15.
    if (nrPaginaGrupo >= 1 && nrPaginaGrupo <= 20) {
        const int linha = 5 * (nrPaginaGrupo - 1) + 1;
        if (linha <= cdsGrupProdCombo.recordCount()) {
            cdsGrupProdCombo.setRecNo(linha);
        }
    }
    MontaMenuGrupo(false);
    Control& primeiro = blbMenu(1);
    blbMenu01Click(primeiro);
    SetDown(primeiro);
    nrBotaoGrupoAtual = 1;
    nrBotaoGrupoAnterior = 1;
}

}  // namespace kvp::combinada
