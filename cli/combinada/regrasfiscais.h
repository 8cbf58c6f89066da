#pragma once

// The fiscal checks of a product before it is placed under a price built from the
// products: its tax rate against the station's printer, and the electronic receipt's data.
// The rules themselves are in regrasvenda.h, shared with the promotion audit; here a
// screen loads what they read and warns with what they answer.

#include "combinadadetalhe.h"
#include "regrasvenda.h"

#include "dataset.h"
#include "hostservices.h"
#include "oplog.h"
#include "srv_kvp510.h"

#include <QString>

namespace kvp::combinada::detail {

template <class Tela>
struct RegrasFiscais {
    static bool ValidaImpostos(Tela& t, DataSet& aliquota, const QString& cdProduto)
    {
        const DataResult aliquotas = getImposto(t.stCdFilial, cdProduto, QString());
        if (aliquotas.isError()) {
            LogKvp510(aliquotas.errorText());
        }
        try {
            const DataResult resposta = host().MensagemMetodo(
                aliquotas, true, 0, QStringLiteral("getImposto"), QStringLiteral("Cli_Kvp510"),
                t.stCdFilial + QLatin1Char('-') + cdProduto + QLatin1Char('-'), QString());
            if (aliquotas.isError()) {
                throw SilentAbort();  // shown, whatever the host does after showing it
            }
            aliquota.setData(resposta.asPacket());
        } catch (const SilentAbort&) {
            // Shown by the host. The rates of the product touched before are no rates of
            // this one: without its own it cannot pass.
            if (aliquota.isActive()) {
                aliquota.emptyDataSet();
            }
        }

        const QString chave = recusaImposto(t, aliquota);
        if (!chave.isEmpty()) {
            t.Avisa(t.msgPadrao.Msg(chave));
            return false;
        }
        return true;
    }

    static bool ValidaDocumentoFiscal(Tela& t, const QString& cdProduto)
    {
        auto carregaNFCe = [&]() -> const DataSet& {
            const DataResult dados =
                MensagemMetodoLog(getValidProdNFCe(t.stCdFilial, cdProduto), true, 0,
                                  QStringLiteral("getValidaProdNFCe"), QStringLiteral("Cli_Kvp510"),
                                  t.stCdFilial + QLatin1Char('-') + cdProduto, QString());
            t.cdsValidProdNFCe.setData(dados.asPacket());
            t.cdsValidProdNFCe.first();
            return t.cdsValidProdNFCe;
        };
        auto carregaRegra = [&]() -> const DataSet& {
            const DataResult regra = MensagemMetodoLog(
                getRegraFisPdv(cdProduto), true, 0, QStringLiteral("getRegraFisPdv"),
                QStringLiteral("Cli_Kvp510"), cdProduto, QString());
            t.cdsRegraFisPdv.setData(regra.asPacket());
            t.cdsRegraFisPdv.first();
            return t.cdsRegraFisPdv;
        };
        const QString chave = recusaDocumentoFiscal(t, carregaNFCe, carregaRegra);
        if (!chave.isEmpty()) {
            t.Avisa(t.msgPadrao.Msg(chave));
            return false;
        }
        return true;
    }
};

}  // namespace kvp::combinada::detail
