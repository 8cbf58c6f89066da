#pragma once

// Small pieces the two combination screens share in their sources; installed only
// because the shared rules (regras*.h) use them.

#include "dataresult.h"
#include "dataset.h"
#include "hostservices.h"
#include "oplog.h"
#include "srv_kvp510.h"

#include <QString>

#include <exception>
#include <utility>

namespace kvp::combinada::detail {

inline const QString kS = QStringLiteral("S");
inline const QString kN = QStringLiteral("N");

// Switches a dataset's filter off when the scope ends, however it ends: a filter left
// on would hide lines from whatever runs next.
class SemFiltro {
public:
    explicit SemFiltro(DataSet& ds) : m_ds(ds) {}
    SemFiltro(const SemFiltro&) = delete;
    SemFiltro& operator=(const SemFiltro&) = delete;
    ~SemFiltro()
    {
        if (m_ds.isActive()) {
            m_ds.clearFilter();
        }
    }

private:
    DataSet& m_ds;
};

// True while a confirmation's unit of work is open (one at a time: the module is not
// re-entrant).
inline bool unidadeAberta = false;

// A data call that failed inside a confirmation's unit. It is shown only once the unit has
// rolled back, so that no message box waits on the operator while the unit holds its
// locks.
class FalhaNaUnidade : public std::exception {
public:
    FalhaNaUnidade(DataResult result, int code, QString method, QString module, QString detail1,
                   QString detail2)
        : m_result(std::move(result)),
          m_code(code),
          m_method(std::move(method)),
          m_module(std::move(module)),
          m_detail1(std::move(detail1)),
          m_detail2(std::move(detail2))
    {
    }
    const char* what() const noexcept override { return "Data call failed inside a unit of work"; }
    // Shows and logs the failure as MensagemMetodoLog does outside a unit.
    void mostra() const;

private:
    DataResult m_result;
    int m_code;
    QString m_method, m_module, m_detail1, m_detail2;
};

// The host's MensagemMetodo, with an error it is about to show written to the operation
// log first: every error the screens show is logged, the data service's too. A failure
// stops the caller (SilentAbort) whatever the host does after showing it: the host's
// services leave that to the host, and a caller that went on would use a result that is
// none (a confirmation would close as confirmed). Inside a unit the failure is carried out
// of it first (FalhaNaUnidade).
inline DataResult MensagemMetodoLog(const DataResult& result, bool show, int code,
                                    const QString& method, const QString& module,
                                    const QString& detail1, const QString& detail2)
{
    const bool falha = show && result.isError();
    if (falha) {
        if (unidadeAberta) {
            throw FalhaNaUnidade(result, code, method, module, detail1, detail2);
        }
        LogKvp510(method + QStringLiteral(": ") + result.errorText());
    }
    DataResult resposta =
        host().MensagemMetodo(result, show, code, method, module, detail1, detail2);
    if (falha) {
        throw SilentAbort();
    }
    return resposta;
}

inline void FalhaNaUnidade::mostra() const
{
    try {
        MensagemMetodoLog(m_result, true, m_code, m_method, m_module, m_detail1, m_detail2);
    } catch (const SilentAbort&) {
        // Shown; the operation stops here.
    }
}

// A data function whose answer has no room for an error failed: shown and logged as the
// others' failures are, and the caller stops (SilentAbort).
inline void VerificaFalhaDados(const QString& method, const QString& detail1)
{
    const QString erro = ultimoErroDados();
    if (!erro.isEmpty()) {
        MensagemMetodoLog(DataResult::error(erro), true, 0, method, QStringLiteral("Srv_Kvp510"),
                          detail1, QString());
    }
}

// getVerificaPromo, with a failed lookup shown rather than taken for "not a promotion"
// (which would sell a nested combo as a plain product).
inline bool VerificaPromo(const QString& filial, const QString& produto)
{
    const bool promocao = getVerificaPromo(filial, produto);
    VerificaFalhaDados(QStringLiteral("getVerificaPromo"), filial + QLatin1Char('-') + produto);
    return promocao;
}

// True when the last data function failed; the failure has been shown and logged.
inline bool FalhouDados(const QString& method, const QString& detail1)
{
    try {
        VerificaFalhaDados(method, detail1);
    } catch (const SilentAbort&) {
        return true;
    }
    return false;
}

// The branch's display and coupon switches. A failed lookup is shown and logged, and the
// start-up goes on with the switch's fallback (zero-priced products shown, coupons off):
// a broken settings table must not stop every sale of a combo.
inline void LeChavesFilial(const QString& filial, QString& exibeProd, QString& utCupomDesc)
{
    exibeProd = getExibeProd(filial);
    if (FalhouDados(QStringLiteral("getExibeProd"), filial)) {
        exibeProd = kS;
    }
    utCupomDesc = getIDUTCUPOMDESC();
    if (FalhouDados(QStringLiteral("getIDUTCUPOMDESC"), QString())) {
        utCupomDesc = kN;
    }
}

// The data calls of a confirmation as one unit: whatever they write is kept only when
// conclui() is reached and the commit succeeds; any other way out rolls it all back, so a
// confirmation that failed leaves no rows behind. A failed call inside it raises
// FalhaNaUnidade (see MensagemMetodoLog), shown by the caller after the rollback.
class UnidadeConfirmacao {
public:
    explicit UnidadeConfirmacao(const QString& contexto) : m_contexto(contexto)
    {
        MensagemMetodoLog(IniciaTransacao(), true, 0, QStringLiteral("IniciaTransacao"),
                          QStringLiteral("Cli_Kvp510"), m_contexto, QString());
        m_aberta = true;
        unidadeAberta = true;
    }
    UnidadeConfirmacao(const UnidadeConfirmacao&) = delete;
    UnidadeConfirmacao& operator=(const UnidadeConfirmacao&) = delete;
    ~UnidadeConfirmacao()
    {
        if (m_aberta) {
            unidadeAberta = false;
            DesfazTransacao();
        }
    }
    // Commits; a failed commit has rolled back and stops the caller like any failure.
    void conclui()
    {
        m_aberta = false;
        unidadeAberta = false;
        MensagemMetodoLog(ConcluiTransacao(), true, 0, QStringLiteral("ConcluiTransacao"),
                          QStringLiteral("Cli_Kvp510"), m_contexto, QString());
    }

private:
    QString m_contexto;
    bool m_aberta = false;
};

// A dataset's rows, its indexes and the one in use. A failed operation puts them back
// exactly, so that nothing it did (a price order, say) changes what a later one does.
class RetratoDataSet {
public:
    explicit RetratoDataSet(const DataSet& ds)
        : m_ativo(ds.isActive()),
          m_dados(ds.data()),
          m_indices(ds.indexes()),
          m_indice(ds.indexName())
    {
    }
    void restaura(DataSet& ds) const
    {
        if (!m_ativo) {
            ds.close();
            return;
        }
        ds.setData(m_dados);
        ds.clearIndexes();
        for (const IndexDef& indice : m_indices) {
            ds.addIndex(indice);
        }
        ds.setIndexName(m_indice);
    }

private:
    bool m_ativo;
    DataPacket m_dados;
    QList<IndexDef> m_indices;
    QString m_indice;
};

// The text of an error as the operator and the log see it.
inline QString textoErro(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

// A flag field read the way every screen compares it.
inline bool marcado(const DataSet& ds, const QString& campo)
{
    return ds.asString(campo) == kS;
}

// Sets a field the dataset has; the add screen's reduced records leave some out.
inline void gravaSeHouver(DataSet& ds, const QString& campo, const QVariant& valor)
{
    if (ds.hasField(campo)) {
        ds.setValue(campo, valor);
    }
}

// Loads a dataset from one slot of a dialog's answer; anything but a data packet there
// leaves it empty.
inline void carregaResposta(DataSet& ds, const QVariant& valor)
{
    if (valor.canConvert<DataPacket>()) {
        const DataPacket pacote = valor.value<DataPacket>();
        if (pacote.hasStructure()) {
            ds.setData(pacote);
            return;
        }
    }
    ds.emptyOrCreate();
}

inline bool temLinhas(const DataSet* ds)
{
    return ds && ds->isActive() && !ds->isEmpty();
}

}  // namespace kvp::combinada::detail
