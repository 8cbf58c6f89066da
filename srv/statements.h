#pragma once

// The data module's statements and their texts in each SQL dialect.
//
// The shops run SQL Server or Oracle; the embedded default is SQLite and the tests also
// run PostgreSQL. Every statement has one text per dialect, and every text of a
// statement uses the same parameter names, so a function binds the same names whatever
// database it talks to.

#include <QString>
#include <QStringList>

#include <array>
#include <utility>

namespace kvp {

enum class Dialect { MsSql, Oracle, Sqlite, PostgreSql };
inline constexpr std::array kAllDialects{Dialect::MsSql, Dialect::Oracle, Dialect::Sqlite,
                                         Dialect::PostgreSql};
QString dialectName(Dialect dialect);  // "mssql", "oracle", "sqlite", "postgresql"

// Queries (adq) and commands (acm) of the data module, under their component names.
enum class Stmt {
    adqProdutoPromoCombo,
    adqProdutoPromoComboFil,
    adqDescProdFiliComb,
    adqDescProdFili,
    adqGrupoFili,
    adqDescProd,
    adqGrupPromoFili,
    adqGrupPromo,
    adqRotLocal,
    adqRoteiro,
    adqGrupMutexFil,
    adqGrupMutex,
    adqPreSelecFili,
    adqPreSelecPadr,
    adqAtaProd,
    adqTipoCons,
    adqCampPromoTCons,
    adqCampPromo,
    adqPromocaoCombAux,
    adqPromocaoComb,
    adqCombinaProd,
    adqAliqImpFis,
    adqValidProdNFCe,
    adqRegraFisPdv,
    adqOcorPed,
    adqExisteProd,
    adqCuponsValidos,
    adqParamGeral,
    adqExibeProd,
    acmInsPromoCombTmp,
    acmDelPromoCombTmp,
    acmInsPromocaoCombAux,
};
inline constexpr int kStmtCount = static_cast<int>(Stmt::acmInsPromocaoCombAux) + 1;

QString statementName(Stmt stmt);
QString statementText(Stmt stmt, Dialect dialect);

// Each ":NAME" of a statement text, in order: the name without the colon, where the
// colon stands and how long the whole is. Quoted literals are skipped, so ':' inside a
// string is no parameter.
struct Placeholder {
    QString name;
    qsizetype at = 0;
    qsizetype length = 0;
};
QList<Placeholder> placeholders(const QString& sql);

// The distinct placeholder names of a statement text (without the colon), in order of
// first occurrence. Quoted literals are skipped, so ':' inside a string is no parameter.
QStringList placeholderNames(const QString& sql);

// An error text in which each value (its name, its text) a server quoted ("...", (...),
// '...'), whole or, when long, cut short, stands as "the value of NAME": a value may be
// anything a host passed, and a message is shown and logged.
QString withoutValues(const QString& text, const QList<std::pair<QString, QString>>& values);

// The texts behind statementText(): the shops' texts (statements_host.cpp) and the ones
// written for SQLite and PostgreSQL (statements_portable.cpp).
namespace sqltext {
const char* mssql(Stmt stmt);
const char* oracle(Stmt stmt);
// The text written for SQLite or PostgreSQL; empty when the shared host text runs
// unchanged there.
QString portable(Stmt stmt, Dialect dialect);
// SQLite and PostgreSQL: whether a product is a combined promotion (valid groups with
// products at the branch or in general), in one keyed query.
QString verificaPromo(Dialect dialect);
// SQLite and PostgreSQL: adqRotLocal, else adqRoteiro, in one query.
QString roteiro(Dialect dialect);
// SQLite and PostgreSQL: adqPreSelecPadr, empty when adqGrupPromoFili finds a group.
QString preSelecPadr(Dialect dialect);
// Every dialect: the combination numbers in use at a branch and till (adqPromocaoCombAux
// reads only the greatest, as text, which orders "999" above "1000").
QString combinacoesEmUso();
// Makes a second till with the same number wait until this transaction ends, before
// the numbers in use are read; empty for the dialects that have no text for it.
QString reservaCaixa(Dialect dialect);
// SQLite and PostgreSQL: an insert statement's rows rows in one INSERT, the placeholders
// of row n (from 1) named with the suffix _n (CDPRODUTO_2).
QString insertRows(Stmt stmt, int rows);
}  // namespace sqltext

}  // namespace kvp
