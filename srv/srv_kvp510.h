#pragma once

// The twenty data functions of the combined-promotion service. Each works on the shared
// data module rdmPromocaoCombinada and never raises: a failure comes back as the host's
// error text in place of the data (DataResult::error), as false for getVerificaPromo
// and getVdCombinacoes, as the error text itself for getIDUTCUPOMDESC and as "S" for
// getExibeProd. Arguments are codes and numbers as text, in the order given.

#include "rdmpromocaocombinada.h"

#include "dataresult.h"
#include "dataset.h"

#include <QString>

namespace kvp {

// --- Promotion structure ---
// Packets: [0] groups, [1] preparation text.
DataResult getGrupoPromoComb(const QString& promocao, const QString& filial);
bool getVerificaPromo(const QString& filial, const QString& produto);
DataResult getProdutoPromoComb(const QString& grupo, const QString& promocao,
                               const QString& filial, const QString& confTela,
                               const QString& seqGrupo);
DataResult getDescontoPromocao(const QString& filial, const QString& promocao,
                               const QString& grupo, const QString& produto,
                               const QString& seqGrupo);
DataResult getGrupoMutex(const QString& filial, const QString& promocao, const QString& mutex);
DataResult getPreSelecionados(const QString& filial, const QString& promocao);
// Text: the product of the shortcut, or empty.
DataResult getCodigoAtalho(const QString& filial, const QString& confTela, const QString& atalho);

// --- Combination scratch tables and campaigns ---
// Empty on success. All rows of one call are written, or none.
DataResult setItemPromoComb(const QString& filial, const QString& caixa, const DataPacket& itens);
DataResult ApagaItemPromoComb(const QString& filial, const QString& caixa);
DataResult getCampanhaPromo(const QString& filial, const QString& caixa, const QString& cliente,
                            const QString& consumidor);
bool getVdCombinacoes(const QString& campanha, const QString& produtoPrincipal,
                      const QString& produtoCombinado, const QString& filial,
                      const QString& caixa);
DataResult setPromoCombAux(const QString& filial, const QString& caixa, const DataPacket& itens);

// --- Units of work ---
// A confirmation's data calls stand or fall together. IniciaTransacao opens one
// transaction around the data functions that follow; ConcluiTransacao commits it, or
// answers the first error any of them met (also one a function answered with false)
// and rolls back; DesfazTransacao rolls back and never fails. Empty on success.
DataResult IniciaTransacao();
DataResult ConcluiTransacao();
void DesfazTransacao();

// --- Fiscal, occurrence, coupon and display lookups ---
DataResult getImposto(const QString& filial, const QString& produto, const QString& ignorado);
DataResult getValidProdNFCe(const QString& filial, const QString& produto);
DataResult getRegraFisPdv(const QString& produto);
DataResult getOcorPed(const QString& filial, const QString& loja, const QString& produto);
DataResult getExisteProd(const QString& filial, const QString& produto, const QString& nrVenda);
DataResult getCuponsValidos(const QString& filial, const QString& produto);
QString getIDUTCUPOMDESC();
QString getExibeProd(const QString& filial);

// --- Reads sent ahead (PostgreSQL) ---
// A step's reads that need no answer of the step's own go to the server together before
// the step asks for them, and the step's calls then take the answers without round trips
// of their own: what a screen's start reads (the switches, the groups and their text, the
// pre-selection, then every group's products and the pre-selected products' checks), or
// what a product's touch reads. Nothing changes for the other databases. The step calls
// encerraAntecipacao() when it is done, so that a later step reads the data anew.
void antecipaAbertura(const QString& promocao, const QString& filial, const QString& confTela,
                      const QString& loja);
void antecipaProduto(const QString& filial, const QString& loja, const QString& produto);
void encerraAntecipacao();
// Calls encerraAntecipacao() as the step it lives in ends, whichever way it ends.
class EncerraAntecipacao {
public:
    EncerraAntecipacao() = default;
    ~EncerraAntecipacao() { encerraAntecipacao(); }
    EncerraAntecipacao(const EncerraAntecipacao&) = delete;
    EncerraAntecipacao& operator=(const EncerraAntecipacao&) = delete;
};

// The error text the last data function met; empty when it succeeded. The functions
// whose answer has no room for an error (getVerificaPromo, getVdCombinacoes,
// getIDUTCUPOMDESC, getExibeProd) are checked through it.
QString ultimoErroDados();

}  // namespace kvp
