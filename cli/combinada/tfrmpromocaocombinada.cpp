// Start-up, keyboard and cancel of the selection screen.

#include "tfrmpromocaocombinada.h"

#include "hostservices.h"
#include "oplog.h"
#include "srv_kvp510.h"
#include "textformat.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace kvp::combinada {

namespace {

const QString N = QStringLiteral("N");
const QString S = QStringLiteral("S");

}  // namespace

TfrmPromocaoCombinada::TfrmPromocaoCombinada()
{
    FormCreate();
}

TfrmPromocaoCombinada::~TfrmPromocaoCombinada() = default;

detail::VariaveisModulo TfrmPromocaoCombinada::modulo()
{
    return {stNrVendaRest2, boDebitoAux, stCdConsDebAux, stCdCliDebPadrao, stBotaoBloqueado};
}

void TfrmPromocaoCombinada::FormCreate()
{
    translateCaptions();
}

void TfrmPromocaoCombinada::InicializaForm(
    DataSet& /*cdsItensRet*/, const QString& stCdProdPromoArg, const QString& stNmProdPromo,
    const QString& /*stCdCliDebPadrao*/, const QString& /*stTipoPrecoPromo*/,
    const QString& stIdValorPercArg, const QString& /*stTipoAjuste*/, double /*vrPrecoPromo*/,
    double vrAjustePromoArg, double /*nrQtdePromo*/, bool /*boAplicaAjuste*/,
    DataSet& cdsItensVendidos)
{
    const ChangeScope changes(*this);
    IniciaComum(cdsItensVendidos);
    imgBandLaranja.visible = true;
    nrQtdeMult = 0;
    boPreSelVerificado = false;
    boProdutoAdd = false;
    // What the start reads goes to the server in as few round trips as the data allows;
    // the screen's showing takes the answers and then lets the rest go.
    antecipaAbertura(stCdProdPromoArg, stCdFilial, stNrConfTela, stCdLoja);
    ZeraSelecao(stCdProdPromoArg, stNmProdPromo, stIdValorPercArg, vrAjustePromoArg);
    host().ControleAcess(nrCtMultiplicador, QVariant(), stVerificaAcesso);
}

void TfrmPromocaoCombinada::FormShow()
{
    try {
        const DataResult grupos =
            detail::MensagemMetodoLog(getGrupoPromoComb(stCdProdPromo, stCdFilial), true, 0,
                                  QStringLiteral("getGrupoPromoComb"), QStringLiteral("Srv_Kvp510"),
                                  stCdProdPromo + QLatin1Char('-') + stCdFilial, QString());
        const QList<DataPacket>& pacotes = grupos.asPackets();
        if (pacotes.size() < 2) {
            throw DataSetError(QStringLiteral("getGrupoPromoComb: %1 data packet(s) instead of 2")
                                   .arg(pacotes.size()));
        }
        cdsGrupProdCombo.setData(pacotes.at(0));
        cdsAuxGrupProdCombo.setData(pacotes.at(0));
        cdsRoteiro.setData(pacotes.at(1));
        cdsRoteiro.first();
        dreRoteiro.caption = cdsRoteiro.hasField(QStringLiteral("ROTEIRO"))
                                 ? cdsRoteiro.asString(QStringLiteral("ROTEIRO"))
                                 : QString();

        cdsItemProd.emptyOrCreate();
        cdsRetornaPreco.emptyOrCreate();

        nrPaginaGrupo = 0;
        nrPaginaProd = 0;
        cdsGrupProdCombo.first();
        MontaMenuGrupo(true);

        for (int i = 1; i <= kBotoesGrupo; ++i) {
            Control& botao = blbMenu(i);
            if (botao.down) {
                blbMenu01Click(botao);
                nrBotaoGrupoAnterior = nrBotaoGrupoAtual;
                nrBotaoGrupoAtual = i;
                break;
            }
        }
    } catch (const SilentAbort&) {
        // The host has shown the data service's error already.
    } catch (const std::exception& e) {
        MostraErro(QString::fromUtf8(e.what()));
    }
}

void TfrmPromocaoCombinada::FormActivate()
{
    if (!boPreSelVerificado) {
        // The start ends with the pre-selection: what it read ahead and did not use goes.
        const EncerraAntecipacao encerra;
        VerificaPreSelecionados(stCdProdPromo);
    }
}

void TfrmPromocaoCombinada::FormKeyDown(int key)
{
    const ChangeScope changes(*this);
    switch (key) {
        case Qt::Key_Escape:
            bldCancelarClick();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter confirms only once a typed shortcut has been looked up.
            if (stAtalhoDigitado.isEmpty()) {
                bldConfirmarClick();
            }
            break;
        case Qt::Key_F1:
            host().RelFiscais();
            break;
        case Qt::Key_F6:
            bldFiltroClick();
            break;
        case Qt::Key_F7:
            spbQtdeClick();
            break;
        default:
            break;
    }
}

void TfrmPromocaoCombinada::FormKeyPress(QChar key)
{
    const ChangeScope changes(*this);
    if (key < QLatin1Char('0') || key > QLatin1Char('9')) {
        return;
    }
    stAtalhoDigitado += key;
    // Restarted on every digit, so the lookup runs once, 400 ms after the last one.
    tmrDataHora.setEnabled(false);
    tmrDataHora.setEnabled(true);
}

void TfrmPromocaoCombinada::tmrDataHoraTimer()
{
    try {
        if (ProcuraAtalho()) {
            return;  // the timer stays on; its next tick finds no digits and switches it off
        }
    } catch (...) {
        tmrDataHora.setEnabled(false);
        throw;
    }
    tmrDataHora.setEnabled(false);
}

bool TfrmPromocaoCombinada::ProcuraAtalho()
{
    if (!stAtalhoDigitado.isEmpty()) {
        const QString codigo = stAtalhoDigitado;
        stAtalhoDigitado.clear();

        const QString cdProduto =
            host()
                .MensagemMetodo(getCodigoAtalho(stCdFilial, stNrConfTela, codigo), false, 0,
                                QStringLiteral("GetCodigoAtalho"), QStringLiteral("Cli_Kvp210"),
                                codigo, stIdEsquema)
                .toText();

        if (!cdProduto.isEmpty()) {
            bool achou = false;
            // No group's products loaded yet (a promotion without groups): nothing to find.
            if (cdsProdutoPromo.isActive()) {
                for (cdsProdutoPromo.first(); !cdsProdutoPromo.eof(); cdsProdutoPromo.next()) {
                    if (cdsProdutoPromo.asString(QStringLiteral("CDPRODUTO")) == cdProduto) {
                        achou = true;
                        break;
                    }
                }
            }
            if (achou) {
                MontaMenuProduto(stCdGrupoAtual, false);
            }
            for (int k = 1; k <= 10; ++k) {
                Control& img = imgProd(k);
                if (img.productCode.isEmpty()) {
                    break;
                }
                if (img.productCode != cdProduto) {
                    continue;
                }
                QString nome = lblNmProd(k).caption;
                const qsizetype atalho = nome.indexOf(QStringLiteral(" - ("));
                if (atalho >= 0) {
                    nome = nome.left(atalho + 1);
                }
                const bool sim = host().Mensagem(
                    QStringLiteral("Deseja selecionar o produto  ") + nome + QLatin1Char('?'),
                    QString(), N, S, static_cast<int>(MessageKind::Question), QString(), QString(),
                    0, nullptr);
                if (sim) {
                    bpbProd01Click(&img);
                } else {
                    MontaMenuProduto(stCdGrupoAtual, true);
                }
                return true;
            }
        }
        host().Mensagem(
            QStringLiteral("Não foi encontrado produto correspondente ao atalho: ") + codigo,
            QString(), N, N, static_cast<int>(MessageKind::Warning), QString(), QString(), 0,
            nullptr);
    }
    return false;
}

void TfrmPromocaoCombinada::bldCancelarClick()
{
    const ChangeScope changes(*this);
    if (!stAtalhoDigitado.isEmpty()) {
        return;
    }
    if (!host().Mensagem(msgPadrao.Msg(QStringLiteral("sair")), QString(), N, S,
                         static_cast<int>(MessageKind::Question), QString(), QString(), 0,
                         nullptr)) {
        return;
    }
    boPromocaoComb = false;
    cdsItemProd.emptyDataSet();
    Close();
}
}  // namespace kvp::combinada
