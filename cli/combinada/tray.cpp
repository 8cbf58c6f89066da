// The tray of chosen items: entries of five controls each inside scbBandeja, tagged with
// their item line's NRSEQ, the removal of a line (or of the set added with it) and the
// two arrows that scroll it one entry at a time.

#include "combinada_p.h"
#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "oplog.h"
#include "textformat.h"

namespace kvp::combinada {

using namespace detail;

using screen::Bounds;
using screen::ControlKind;
using screen::Font;

namespace {

const QString kVerdana = QStringLiteral("Verdana");

void rolaConteudo(const QList<Control*>& controles, int passo)
{
    for (Control* c : controles) {
        c->bounds.top += passo;
    }
}

}  // namespace

void TfrmPromocaoCombinada::CriaProdBandeja(const QString& stCodigo, const QString& stNome,
                                            const QString& /*ignorado*/, const QString& stObs,
                                            const QString& stIdPesa, const QString& stQtdeReal,
                                            double nrQtde, double vrUnitario, int /*ignoradoNr*/,
                                            int nrPosicao, const Control* fonte)
{
    const ChangeScope changes(*this);
    const QList<Control*> antes = controlesBandeja();
    int y = kPassoBandeja * (nrPosicao - 1);
    // Once the tray has scrolled, new entries line up with the scrolled content.
    if (antes.size() > 4) {
        y += antes.first()->bounds.top;
    }

    const QString prefixo = QStringLiteral("bandeja%1").arg(++m_serialBandeja);
    auto novo = [&](const char* parte, ControlKind kind, Bounds bounds) {
        Control c;
        c.name = prefixo + QLatin1String(parte);
        c.kind = kind;
        c.parent = scbBandeja.name;
        c.bounds = bounds;
        c.tag = nrSeqBandeja;
        return c;
    };

    Control foto = novo("Foto", ControlKind::Picture, {0, y, 65, 71});
    foto.picture = fonte && !fonte->picture.isEmpty() ? fonte->picture : imgSemImagem.picture;
    foto.cornerRadius = 20;
    foto.stretch = true;
    foto.transparent = false;
    addControl(foto);

    Control codigo = novo("Codigo", ControlKind::Label, {74, y, 0, 16});
    codigo.autoSize = true;
    codigo.caption = stCodigo;
    codigo.font = Font{kVerdana, 10, true, screen::clBlack};
    addControl(codigo);

    Control nome = novo("Nome", ControlKind::Label, {74, y + 15, 190, 42});
    nome.caption = stNome;
    nome.font = Font{kVerdana, 8, true, screen::clBlack};
    addControl(nome);

    Control obs = novo("Obs", ControlKind::Label, {74, y + 30, 180, 42});
    obs.caption = stObs;
    obs.wordWrap = true;
    obs.font = Font{kVerdana, 7, false, screen::clBlack};
    addControl(obs);

    Control preco = novo("Preco", ControlKind::Label, {74, y + 53, 140, 18});
    preco.font = Font{kVerdana, 12, true, screen::clBlack};
    if (stTipoPrecoPromo == QLatin1String("2")) {
        const FormatSettings& fs = host().formatSettings();
        const double q = stQtdeReal == QLatin1String("S") ? nrQtde : nrQtde * nrQtdePromo;
        const bool pesado = stIdPesa == QLatin1String("S");
        const double d = pesado ? 0.0 : cdsItemProd.asFloat(QStringLiteral("VRDESCONTO"));
        const double a = pesado ? 0.0 : cdsItemProd.asFloat(QStringLiteral("VRACRESCIMO"));
        const double unitario = (Trunc2(q) * vrUnitario - d + a) / q;
        preco.caption = shortestText(q, fs) + QStringLiteral(" X ") + fs.currencyString +
                        formatMoney(unitario, fs);
    }
    addControl(preco);

    if (controlesBandeja().size() / 5 > 4) {
        rolaConteudo(controlesBandeja(), -kPassoBandeja);
        bbbBandejaUp.visible = true;
    }
}

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
    const bool modo2 = stTipoPrecoPromo == QLatin1String("2");

    // Takes the current line's share out of the price line.
    auto desfazPreco = [&] {
        if (modo2) {
            AtualizaResumoPreco(-1);
        } else if (marcado(itens, QStringLiteral("IDIMPGRPROMO"))) {
            const double preco = itens.asFloat(QStringLiteral("VRPRECOPROD"));
            vrPrecoPromo -= preco;
            vrPrecoPromoFinal -= preco;
            MontaTextoPrecoPromo();
        }
    };

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
        desfazPreco();
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
            desfazPreco();
            RemoveProdBandeja(seqLinha.toInt());
            RemoveObservacoes(seqLinha);
            removeCupomVenda(itens.asString(QStringLiteral("CDCUPOMDESCQMT")));
            itens.remove();
        }
    }
    itens.clearFilter();

    itens.applyFilter(Filter::eq(QStringLiteral("CDGRUPMUTEX"), mutex)
                          .and_(Filter::eq(QStringLiteral("CDGRUPROMOC"), grupo)));
    const bool grupoVazio = itens.isEmpty();
    itens.clearFilter();
    if (grupoVazio) {
        DesbloqueiaGrupo(grupo, mutex);
    }
    if (stIdCombinaProd == kS) {
        AtualizaProdCombinado(grupo);
    }
}

void TfrmPromocaoCombinada::RemoveObservacoes(const QString& nrSeq)
{
    auto apaga = [](DataSet& ds, const QString& valor) {
        if (!ds.isActive() || ds.isEmpty()) {
            return;
        }
        const SemFiltro semFiltro(ds);
        ds.applyFilter(Filter::eq(QStringLiteral("NRSEQ"), valor));
        while (!ds.isEmpty()) {
            ds.first();
            ds.remove();
        }
    };
    apaga(cdsObsItens, nrSeq);
    apaga(cdsProdCtObs, Ajusta(nrSeq, 3));
}

void TfrmPromocaoCombinada::RemoveProdBandeja(int nrTag)
{
    const ChangeScope changes(*this);
    for (Control* c : controlesBandeja()) {
        if (c->tag == nrTag) {
            removeControl(c->name);
        } else if (c->tag > nrTag) {
            c->bounds.top -= kPassoBandeja;
        }
    }
    AjustaSetasBandeja();
}

void TfrmPromocaoCombinada::AjustaSetasBandeja()
{
    bbbBandejaUpClick();
    const QList<Control*> controles = controlesBandeja();
    if (!controles.isEmpty() && controles.first()->bounds.top == 0) {
        bbbBandejaUp.visible = false;
    }
    if (!controles.isEmpty() && controles.last()->bounds.bottom() <= scbBandeja.bounds.height) {
        bbbBandejaDown.visible = false;
    }
}

void TfrmPromocaoCombinada::bbbBandejaUpClick()
{
    const ChangeScope changes(*this);
    const QList<Control*> controles = controlesBandeja();
    if (!controles.isEmpty() && controles.first()->bounds.top < 0) {
        rolaConteudo(controles, kPassoBandeja);
        bbbBandejaDown.visible = true;
    }
    if (controles.isEmpty() || controles.first()->bounds.top == 0) {
        bbbBandejaUp.visible = false;
    }
}

void TfrmPromocaoCombinada::bbbBandejaDownClick()
{
    const ChangeScope changes(*this);
    const QList<Control*> controles = controlesBandeja();
    if (!controles.isEmpty() && controles.last()->bounds.bottom() > scbBandeja.bounds.height) {
        rolaConteudo(controles, -kPassoBandeja);
        bbbBandejaUp.visible = true;
    }
    if (controles.isEmpty() || controles.last()->bounds.bottom() <= scbBandeja.bounds.height) {
        bbbBandejaDown.visible = false;
    }
}

}  // namespace kvp::combinada
