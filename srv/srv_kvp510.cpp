#include "srv_kvp510.h"

#include "hostservices.h"
#include "textformat.h"

#include <QHash>
#include <QSqlError>

#include <algorithm>
#include <functional>
#include <vector>

namespace kvp {
namespace {

TrdmPromocaoCombinada& module()
{
    if (!rdmPromocaoCombinada)
        throw DataModuleError(QStringLiteral("The data module has not been created"));
    return *rdmPromocaoCombinada;
}

// The host builds the text a person sees from our message and the connection.
QString errorText(const QString& message)
{
    if (TrdmPromocaoCombinada::queueing())
        return message;  // only reads queued ahead: nobody sees it
    try {
        const QSqlDatabase db =
            rdmPromocaoCombinada ? rdmPromocaoCombinada->adcPromocaoCombinada() : QSqlDatabase();
        const QString text = host().ADOExceptionMessage(message, db, QString());
        return text.isEmpty() ? message : text;
    } catch (...) {
        return message;
    }
}

QString messageOf(const std::exception& e)
{
    if (const auto* d = dynamic_cast<const DataSetError*>(&e))
        return d->message();
    return QString::fromUtf8(e.what());
}

QString g_ultimoErro;

// A data function starts with no error; one called only to queue its reads leaves the
// last real call's error as it was.
void clearError()
{
    if (!TrdmPromocaoCombinada::queueing())
        g_ultimoErro.clear();
}

// A failure inside a unit of work also fails the unit, whatever the function answers.
QString failed(const QString& text)
{
    if (TrdmPromocaoCombinada::queueing())
        return text;
    g_ultimoErro = text.isEmpty() ? QStringLiteral("Unknown database error") : text;
    if (rdmPromocaoCombinada)
        rdmPromocaoCombinada->noteError(text);
    return text;
}

template <typename Body>
DataResult guarded(Body&& body)
{
    clearError();
    try {
        return body(module());
    } catch (const std::exception& e) {
        return DataResult::error(failed(errorText(messageOf(e))));
    } catch (...) {
        return DataResult::error(failed(errorText(QStringLiteral("Unexpected failure"))));
    }
}

template <typename Body>
bool guardedFlag(Body&& body)
{
    clearError();
    try {
        return body(module());
    } catch (const std::exception& e) {
        failed(errorText(messageOf(e)));
        return false;
    } catch (...) {
        failed(errorText(QStringLiteral("Unexpected failure")));
        return false;
    }
}

// SQLite and PostgreSQL: texts of our own may answer in one query what the shops'
// dialects ask in several.
bool ownDialect(const TrdmPromocaoCombinada& m)
{
    return m.dialect() == Dialect::Sqlite || m.dialect() == Dialect::PostgreSql;
}

DataPacket runPacket(SqlStatement& s, const FieldDefs& fields = {})
{
    s.execute();
    return s.takePacket(fields);
}

// The statements of a promotion's groups and pre-selection, bound: what the data functions
// run and what a screen's start looks up among the answers sent ahead.
SqlStatement& branchGroups(TrdmPromocaoCombinada& m, const QString& filial, const QString& promocao)
{
    auto& s = m.statement(Stmt::adqGrupPromoFili);
    s.bindText("P_CDFILIAL", filial);
    s.bindText("P_CDPRODPROMOCAO", promocao);
    s.bind("P_DATA", m.dateParameter());
    return s;
}

SqlStatement& generalGroups(TrdmPromocaoCombinada& m, const QString& promocao)
{
    auto& s = m.statement(Stmt::adqGrupPromo);
    s.bindText("P_CDPRODPROMOCAO", promocao);
    s.bind("P_DATA", m.dateParameter());
    return s;
}

SqlStatement& branchPreSelection(TrdmPromocaoCombinada& m, const QString& filial, const QString& promocao)
{
    auto& s = m.statement(Stmt::adqPreSelecFili);
    s.bindText("P_CDPRODPROMOCAO", promocao);
    s.bindText("P_CDFILIAL", filial);
    return s;
}

// SQLite and PostgreSQL: the general pre-selection when the branch has no groups of its own.
SqlStatement& generalPreSelection(TrdmPromocaoCombinada& m, const QString& filial, const QString& promocao)
{
    auto& s = m.ownStatement(TrdmPromocaoCombinada::Own::PreSelecPadr);
    s.bindText("P_CDPRODPROMOCAO", promocao);
    s.bindText("P_CDFILIAL", filial);
    s.bind("P_DATA", m.dateParameter());
    return s;
}

// Branch groups valid today when the branch has any, else the general ones.
DataPacket groupsOf(TrdmPromocaoCombinada& m, const QString& filial, const QString& promocao)
{
    DataPacket groups = runPacket(branchGroups(m, filial, promocao));
    if (!groups.rows.isEmpty())
        return groups;
    return runPacket(generalGroups(m, promocao));
}

bool branchHasGroups(TrdmPromocaoCombinada& m, const QString& filial, const QString& promocao)
{
    return branchGroups(m, filial, promocao).executeAny();
}

// Whether a step's reads may be sent together here: on a connection that can, and not
// while they are being queued already.
bool sendsTogether(const TrdmPromocaoCombinada& m)
{
    return m.readsAhead() && !TrdmPromocaoCombinada::queueing();
}

QString firstText(SqlStatement& s, const QString& none)
{
    s.execute();
    QString value = none;
    if (s.query().next())
        value = s.query().value(0).toString();
    const QSqlError error = s.query().lastError();
    s.release();
    if (error.isValid())
        throw DataModuleError(error.text());
    return value;
}

// Writes all rows of one call, or none: a combination recorded in part would be taken
// by the host for a whole one. Inside a unit of work the unit's transaction does that.
template <typename Body>
void inTransaction(TrdmPromocaoCombinada& m, Body&& body)
{
    if (m.inWork()) {
        body();
        return;
    }
    m.beginWork();
    try {
        body();
    } catch (...) {
        m.rollbackWork();
        throw;
    }
    m.commitWork();
}

// One row's values for an insert: the names of the statement's single row, suffixed
// with the row's place in a multi-row insert.
class RowBinding {
public:
    RowBinding(SqlStatement& s, const QString& suffix) : m_s(s), m_suffix(suffix) {}
    void bind(const char* name, const QVariant& value) { m_s.bind(QLatin1String(name) + m_suffix, value); }
    void bindText(const char* name, const QString& value) { m_s.bindText(QLatin1String(name) + m_suffix, value); }

private:
    SqlStatement& m_s;
    const QString& m_suffix;
};

// Rows of one multi-row insert: enough to save the round trips of a tray, few enough
// for SQLite's limit of host parameters.
constexpr int kRowsPerInsert = 50;

// Inserts a row per record of items, all or none. The shops' dialects run their one-row
// text per record; SQLite and PostgreSQL take the rows in multi-row inserts, one round
// trip for a whole tray.
void insertRows(TrdmPromocaoCombinada& m, Stmt stmt, DataSet& items,
                const std::function<void(RowBinding&, int number)>& bindRow)
{
    const bool batched = ownDialect(m);
    const int total = items.recordCount();
    const auto run = [&] {
        int number = 1;
        items.first();
        while (!items.eof()) {
            const int rows = batched ? std::min(kRowsPerInsert, total - number + 1) : 1;
            SqlStatement& s = batched ? m.batchStatement(stmt, rows) : m.statement(stmt);
            for (int r = 1; r <= rows; ++r, ++number, items.next()) {
                const QString suffix = batched ? QStringLiteral("_%1").arg(r) : QString();
                RowBinding row(s, suffix);
                bindRow(row, number);
            }
            s.execute();
        }
    };
    // A single statement stands or falls whole by itself.
    if (batched && total <= kRowsPerInsert)
        run();
    else
        inTransaction(m, run);
}

QVariant textOrNull(const DataSet& ds, const QString& field)
{
    if (ds.isNullValue(field))
        return QVariant(QMetaType::fromType<QString>());
    return ds.asString(field);
}

const FieldDefs& ocorPedFields()
{
    static const FieldDefs fields{
        stringField(QStringLiteral("CDGRPOCOR"), 2),  stringField(QStringLiteral("CDOCORR"), 2),
        stringField(QStringLiteral("CDTIPRISCO"), 2), stringField(QStringLiteral("DSOCORR"), 40),
        stringField(QStringLiteral("CDPRODUTO"), 10), stringField(QStringLiteral("IDCONTROLAOBS"), 1),
    };
    return fields;
}

const FieldDefs& cuponsFields()
{
    static const FieldDefs fields{
        stringField(QStringLiteral("CDCUPOMDESCQMT"), 10), stringField(QStringLiteral("IDTIPODESC"), 1),
        floatField(QStringLiteral("VRDESCCUPOM")),         dateTimeField(QStringLiteral("DTINIVIGENCIA")),
        dateTimeField(QStringLiteral("DTFIMVIGENCIA")),    stringField(QStringLiteral("IDUSOUNICO"), 1),
    };
    return fields;
}

// The number of a branch and till's next combination: one above the greatest in use,
// read as a number; past 999 (three digits is what the host reads) the lowest not in
// use, since the host processes and clears these rows. Two tills that share a number
// take theirs one after the other.
QString proximaCombinacao(TrdmPromocaoCombinada& m, const QString& filial, const QString& caixa)
{
    if (!sqltext::reservaCaixa(m.dialect()).isEmpty()) {
        auto& reserva = m.ownStatement(TrdmPromocaoCombinada::Own::ReservaCaixa);
        reserva.bindText("P_CDFILIAL", filial);
        reserva.bindText("P_CDCAIXA", caixa);
        reserva.execute();
        reserva.release();
    }
    auto& emUso = m.ownStatement(TrdmPromocaoCombinada::Own::NumerosCombinacao);
    emUso.bindText("P_CDFILIAL", filial);
    emUso.bindText("P_CDCAIXA", caixa);
    emUso.execute();
    constexpr int kMaior = 999;
    std::vector<bool> usado(kMaior + 1, false);
    int maior = 0;
    while (emUso.query().next()) {
        const QString texto = emUso.query().value(0).toString().trimmed();
        bool ok = false;
        const int valor = texto.toInt(&ok);
        if (!ok || valor < 0) {
            emUso.release();
            throw DataModuleError(
                QStringLiteral("NRSEQPRODCOM \"%1\" is not a whole number").arg(texto));
        }
        maior = std::max(maior, valor);
        if (valor <= kMaior)
            usado[static_cast<size_t>(valor)] = true;
    }
    const QSqlError error = emUso.query().lastError();
    emUso.release();
    if (error.isValid())
        throw DataModuleError(error.text());
    int numero = maior + 1;
    if (numero > kMaior) {
        numero = 1;
        while (numero <= kMaior && usado[static_cast<size_t>(numero)])
            ++numero;
        if (numero > kMaior)
            throw DataModuleError(QStringLiteral("PROMOCAOCOMBAUX holds combinations 001 to 999 of "
                                                 "branch %1, till %2: none is free")
                                      .arg(filial, caixa));
    }
    return Ajusta(QString::number(numero), 3);
}

}  // namespace

// --- Promotion structure ------------------------------------------------------------

DataResult getGrupoPromoComb(const QString& promocao, const QString& filial)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        DataPacket groups = groupsOf(m, filial, promocao);
        if (ownDialect(m)) {
            auto& text = m.ownStatement(TrdmPromocaoCombinada::Own::Roteiro);
            text.bindText("P_CDPRODUTO", promocao);
            text.bindText("P_CDFILIAL", filial);
            return DataResult::packets({std::move(groups), runPacket(text)});
        }
        auto& local = m.statement(Stmt::adqRotLocal);
        local.bindText("P_CDPRODUTO", promocao);
        local.bindText("P_CDFILIAL", filial);
        DataPacket text = runPacket(local);
        if (text.rows.isEmpty()) {
            auto& general = m.statement(Stmt::adqRoteiro);
            general.bindText("P_CDPRODUTO", promocao);
            text = runPacket(general);
        }
        return DataResult::packets({std::move(groups), std::move(text)});
    });
}

bool getVerificaPromo(const QString& filial, const QString& produto)
{
    return guardedFlag([&](TrdmPromocaoCombinada& m) {
        if (ownDialect(m)) {
            auto& s = m.ownStatement(TrdmPromocaoCombinada::Own::VerificaPromo);
            s.bindText("P_CDFILIAL", filial);
            s.bindText("P_CDPRODPROMOCAO", produto);
            s.bind("P_DATA", m.dateParameter());
            return s.executeAny();
        }
        if (branchHasGroups(m, filial, produto))
            return true;
        auto& gen = m.statement(Stmt::adqGrupPromo);
        gen.bindText("P_CDPRODPROMOCAO", produto);
        gen.bind("P_DATA", m.dateParameter());
        return gen.executeAny();
    });
}

DataResult getProdutoPromoComb(const QString& grupo, const QString& promocao,
                               const QString& filial, const QString& confTela,
                               const QString& seqGrupo)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& decision = m.statement(Stmt::adqDescProdFiliComb);
        auto bindDecision = [&] {
            decision.bindText("P_CDFILIAL", filial);
            decision.bindText("P_CDPRODPROMOCAO", promocao);
            decision.bindText("P_CDGRUPROMOC", grupo);
            decision.bindText("P_NRSEQGRPROMO", seqGrupo);
        };
        bindDecision();
        auto bindProducts = [&](SqlStatement& s) {
            s.bindText("P_CDGRUPROMOC", grupo);
            s.bindText("P_CDFILIAL", filial);
            s.bindText("P_CDPRODPROMOCAO", promocao);
            s.bindText("P_NRCONFTELA", confTela);
            s.bindText("P_NRSEQGRPROMO", seqGrupo);
        };
        // Where reads go ahead, both lists go with the decision: one round trip, whichever
        // the decision picks (unless a screen's start sent them already).
        const bool ahead = sendsTogether(m);
        if (ahead && m.aheadRows(decision).isEmpty()) {
            {
                const TrdmPromocaoCombinada::Ahead queue(m);
                decision.execute();
                for (const Stmt list : {Stmt::adqProdutoPromoComboFil, Stmt::adqProdutoPromoCombo}) {
                    auto& s = m.statement(list);
                    bindProducts(s);
                    s.execute();
                }
            }
            m.sendAhead();
            bindDecision();
        }
        const bool branch = decision.executeAny();
        if (TrdmPromocaoCombinada::queueing()) {
            auto& s = m.statement(Stmt::adqProdutoPromoComboFil);
            bindProducts(s);
            s.execute();
        }
        auto& s = m.statement(branch ? Stmt::adqProdutoPromoComboFil : Stmt::adqProdutoPromoCombo);
        bindProducts(s);
        DataPacket products = runPacket(s);
        if (ahead) {
            // The list not picked must not answer a later touch of the group.
            auto& other = m.statement(branch ? Stmt::adqProdutoPromoCombo : Stmt::adqProdutoPromoComboFil);
            bindProducts(other);
            m.forgetAhead(other);
        }
        return DataResult::packet(std::move(products));
    });
}

DataResult getDescontoPromocao(const QString& filial, const QString& promocao,
                               const QString& grupo, const QString& produto,
                               const QString& seqGrupo)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& fil = m.statement(Stmt::adqDescProdFili);
        fil.bindText("P_CDFILIAL", filial);
        fil.bindText("P_CDPRODPROMOCAO", promocao);
        fil.bindText("P_CDGRUPROMOC", grupo);
        fil.bindText("P_CDPRODUTO", produto);
        fil.bindText("P_NRSEQGRPROMO", seqGrupo);
        DataPacket own = runPacket(fil);
        if (!own.rows.isEmpty())
            return DataResult::packet(std::move(own));
        // A branch with its own valid groups governs: no row of its own means no discount.
        auto& groups = m.statement(Stmt::adqGrupoFili);
        groups.bindText("P_CDFILIAL", filial);
        groups.bindText("P_CDPRODPROMOCAO", promocao);
        groups.bind("P_DATA", m.dateParameter());
        if (groups.executeAny())
            return DataResult::packet(std::move(own));
        auto& gen = m.statement(Stmt::adqDescProd);
        gen.bindText("P_CDPRODPROMOCAO", promocao);
        gen.bindText("P_CDGRUPROMOC", grupo);
        gen.bindText("P_CDPRODUTO", produto);
        gen.bindText("P_NRSEQGRPROMO", seqGrupo);
        return DataResult::packet(runPacket(gen));
    });
}

DataResult getGrupoMutex(const QString& filial, const QString& promocao, const QString& mutex)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& fil = m.statement(Stmt::adqGrupMutexFil);
        fil.bindText("P_CDFILIAL", filial);
        fil.bindText("P_CDGRUPMUTEX", mutex);
        fil.bindText("P_CDPRODPROMOCAO", promocao);
        DataPacket own = runPacket(fil);
        if (!own.rows.isEmpty())
            return DataResult::packet(std::move(own));
        auto& gen = m.statement(Stmt::adqGrupMutex);
        gen.bindText("P_CDGRUPMUTEX", mutex);
        gen.bindText("P_CDPRODPROMOCAO", promocao);
        return DataResult::packet(runPacket(gen));
    });
}

DataResult getPreSelecionados(const QString& filial, const QString& promocao)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        DataPacket own = runPacket(branchPreSelection(m, filial, promocao));
        if (!own.rows.isEmpty())
            return DataResult::packet(std::move(own));
        if (ownDialect(m))
            return DataResult::packet(runPacket(generalPreSelection(m, filial, promocao)));
        if (branchHasGroups(m, filial, promocao))
            return DataResult::packet(std::move(own));
        auto& gen = m.statement(Stmt::adqPreSelecPadr);
        gen.bindText("P_CDPRODPROMOCAO", promocao);
        return DataResult::packet(runPacket(gen));
    });
}

DataResult getCodigoAtalho(const QString& filial, const QString& confTela, const QString& atalho)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqAtaProd);
        s.bindText("P_CDATAPRODITM", atalho);
        s.bindText("P_CDFILIAL", filial);
        s.bindText("P_NRCONFTELA", confTela);
        return DataResult::text(firstText(s, QStringLiteral("")));
    });
}

// --- Combination scratch tables and campaigns ----------------------------------------

DataResult setItemPromoComb(const QString& filial, const QString& caixa, const DataPacket& itens)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        if (!itens.hasStructure())
            return DataResult::empty();
        DataSet& items = m.cdsItemPromoComb;
        items.setData(itens);
        insertRows(m, Stmt::acmInsPromoCombTmp, items, [&](RowBinding& row, int number) {
            row.bindText("CDFILIAL", filial);
            row.bindText("CDCAIXA", caixa);
            row.bind("CDPRODUTO", textOrNull(items, QStringLiteral("CDPRODUTO")));
            row.bindText("NRSEQPROMOCOMB", Ajusta(QString::number(number), 5));
        });
        return DataResult::empty();
    });
}

DataResult ApagaItemPromoComb(const QString& filial, const QString& caixa)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::acmDelPromoCombTmp);
        s.bindText("CDFILIAL", filial);
        s.bindText("CDCAIXA", caixa);
        s.execute();
        return DataResult::empty();
    });
}

DataResult getCampanhaPromo(const QString& filial, const QString& caixa, const QString& cliente,
                            const QString& consumidor)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        const QDateTime now = stepNow();
        // 1 = Sunday ... 7 = Saturday; Qt counts Monday = 1 ... Sunday = 7.
        const QString weekday = QString::number(now.date().dayOfWeek() % 7 + 1);
        // Hours and minutes from the host's time text: 09:05:30 gives 0905.
        const QString time = hourMinuteText(now, host().formatSettings());

        auto& tipo = m.statement(Stmt::adqTipoCons);
        auto& typed = m.statement(Stmt::adqCampPromoTCons);
        auto& untyped = m.statement(Stmt::adqCampPromo);
        auto bindCommon = [&](SqlStatement& s) {
            s.bindText("P_NRDIASEMANA", weekday);
            s.bindText("P_HORARIO", time);
            s.bindText("P_CDFILIAL", filial);
            s.bindText("P_CDCAIXA", caixa);
        };
        auto bindTipo = [&] {
            tipo.bindText("P_CDCLIENTE", cliente);
            tipo.bindText("P_CDCONSUMIDOR", consumidor);
        };
        auto bindTyped = [&](const QString& type) {
            bindCommon(typed);
            typed.bindText("P_CDTIPOCONS", type);
        };
        const QString usual = QStringLiteral("T");
        if (sendsTogether(m)) {
            // The three lookups go together, the typed one for the usual type: one round
            // trip unless the consumer's type is another.
            const TrdmPromocaoCombinada::Ahead ahead(m);
            bindTipo();
            tipo.execute();
            bindTyped(usual);
            typed.execute();
            bindCommon(untyped);
            untyped.execute();
        }
        bindTipo();
        tipo.execute();
        QString type = usual;
        if (tipo.query().next())
            type = tipo.query().value(0).toString();
        tipo.release();

        bindTyped(type);
        DataPacket rows = runPacket(typed);
        bindCommon(untyped);
        if (!rows.rows.isEmpty()) {
            m.forgetAhead(untyped);
            return DataResult::packet(std::move(rows));
        }
        return DataResult::packet(runPacket(untyped));
    });
}

bool getVdCombinacoes(const QString& campanha, const QString& produtoPrincipal,
                      const QString& produtoCombinado, const QString& filial,
                      const QString& caixa)
{
    return guardedFlag([&](TrdmPromocaoCombinada& m) {
        auto& required = m.statement(Stmt::adqCombinaProd);
        auto& present = m.statement(Stmt::adqPromocaoComb);
        auto bind = [&] {
            required.bindText("P_CDCAMPPROMO", campanha);
            required.bindText("P_CDPRODPRIN", produtoPrincipal);
            required.bindText("P_CDPRODCOMB", produtoCombinado);
            present.bindText("P_CDFILIAL", filial);
            present.bindText("P_CDCAIXA", caixa);
        };
        if (sendsTogether(m)) {
            // What the campaign needs and what the tray holds: one round trip.
            const TrdmPromocaoCombinada::Ahead ahead(m);
            bind();
            required.execute();
            present.execute();
        }
        bind();
        required.execute();
        QList<std::pair<QString, int>> needed;
        while (required.query().next())
            needed.append({required.query().value(1).toString(), required.query().value(0).toInt()});
        if (required.query().lastError().isValid())
            throw DataModuleError(required.query().lastError().text());
        required.release();

        present.execute();
        QHash<QString, int> counts;
        while (present.query().next())
            counts.insert(present.query().value(1).toString(), present.query().value(0).toInt());
        if (present.query().lastError().isValid())
            throw DataModuleError(present.query().lastError().text());
        present.release();

        bool answer = false;
        for (const auto& [product, count] : needed) {
            const auto it = counts.constFind(product);
            if (it == counts.constEnd() || count > *it)
                return false;
            answer = true;
        }
        return answer;
    });
}

DataResult setPromoCombAux(const QString& filial, const QString& caixa, const DataPacket& itens)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        if (!itens.hasStructure())
            return DataResult::empty();
        DataSet& items = m.cdsPromoComb;
        items.setData(itens);
        inTransaction(m, [&] {
            const QString number = proximaCombinacao(m, filial, caixa);
            insertRows(m, Stmt::acmInsPromocaoCombAux, items, [&](RowBinding& row, int) {
                row.bindText("CDFILIAL", filial);
                row.bindText("CDCAIXA", caixa);
                row.bind("CDPRODPROMOCAO", textOrNull(items, QStringLiteral("CDPRODVENDA")));
                row.bind("CDPRODUTO", textOrNull(items, QStringLiteral("CDPRODUTO")));
                row.bind("VRUNITVEND", items.asFloat(QStringLiteral("VRUNVENDAEST")));
                row.bind("QTPRODVEND", items.asFloat(QStringLiteral("QTPRODVEND")));
                row.bind("VRDESITVEND", items.asFloat(QStringLiteral("VRDESCONTO")));
                row.bindText("NRSEQPRODCOM", number);
            });
        });
        return DataResult::empty();
    });
}

// --- Units of work --------------------------------------------------------------------

DataResult IniciaTransacao()
{
    return guarded([](TrdmPromocaoCombinada& m) {
        // A unit is the screen's next attempt at a sale: one that failed on a connection
        // the server ended would fail again on it, on every attempt, until the screen
        // closed.
        m.reconnectIfLost();
        m.beginWork();
        return DataResult::empty();
    });
}

DataResult ConcluiTransacao()
{
    try {
        module().commitWork();
        return DataResult::empty();
    } catch (const WorkFailedError& e) {
        return DataResult::error(e.message());
    } catch (const std::exception& e) {
        // The unit is closed: this error must not be remembered for the next one (noting
        // it now only keeps the connection from outliving the module).
        const QString text = errorText(messageOf(e));
        if (rdmPromocaoCombinada)
            rdmPromocaoCombinada->noteError(text);
        return DataResult::error(text);
    }
}

void DesfazTransacao()
{
    if (rdmPromocaoCombinada)
        rdmPromocaoCombinada->rollbackWork();
}

// --- Fiscal, occurrence, coupon and display lookups ------------------------------------

DataResult getImposto(const QString& filial, const QString& produto, const QString& /*ignorado*/)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqAliqImpFis);
        s.bindText("P_CDFILIAL", filial);
        s.bindText("P_CDPRODUTO", produto);
        return DataResult::packet(runPacket(s));
    });
}

DataResult getValidProdNFCe(const QString& filial, const QString& produto)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqValidProdNFCe);
        s.bindText("P_CDFILIAL", filial);
        s.bindText("P_CDPRODUTO", produto);
        return DataResult::packet(runPacket(s));
    });
}

DataResult getRegraFisPdv(const QString& produto)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqRegraFisPdv);
        s.bindText("P_CDPRODUTO", produto);
        return DataResult::packet(runPacket(s));
    });
}

DataResult getOcorPed(const QString& filial, const QString& loja, const QString& produto)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqOcorPed);
        s.bindText("P_CDFILIAL", filial);
        s.bindText("P_CDLOJA", loja);
        s.bindText("P_CDPRODUTO", produto);
        return DataResult::packet(runPacket(s, ocorPedFields()));
    });
}

DataResult getExisteProd(const QString& filial, const QString& produto, const QString& nrVenda)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqExisteProd);
        s.bindText("P_CDFILIAL", filial);
        s.bindText("P_CDPRODUTO", produto);
        s.bindText("P_NRVENDAREST", nrVenda);
        return DataResult::packet(runPacket(s));
    });
}

DataResult getCuponsValidos(const QString& filial, const QString& produto)
{
    return guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqCuponsValidos);
        s.bindText("P_CDFILIAL", filial);
        s.bindText("P_CDPRODUTO", produto);
        return DataResult::packet(runPacket(s, cuponsFields()));
    });
}

QString getIDUTCUPOMDESC()
{
    const DataResult r = guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqParamGeral);
        const FieldDef field = stringField(QStringLiteral("IDUTCUPOMDESC"), 1);
        return DataResult::text(coerceToField(field, firstText(s, QStringLiteral(""))).toString());
    });
    return r.toText();
}

QString getExibeProd(const QString& filial)
{
    const DataResult r = guarded([&](TrdmPromocaoCombinada& m) {
        auto& s = m.statement(Stmt::adqExibeProd);
        s.bindText("P_CDFILIAL", filial);
        return DataResult::text(firstText(s, QStringLiteral("")));
    });
    // A failed lookup shows products without a price rather than hiding them.
    return r.isError() ? QStringLiteral("S") : r.toText();
}

// --- Reads sent ahead ---------------------------------------------------------------

namespace {

// The values of one column of the answer kept for s, by name; empty when none is kept.
QStringList aheadColumn(const TrdmPromocaoCombinada& m, const SqlStatement& s, const QString& name)
{
    const QList<QStringList> rows = m.aheadRows(s);
    QStringList values;
    const qsizetype at = rows.isEmpty() ? -1 : rows.first().indexOf(name);
    for (qsizetype i = 1; at >= 0 && i < rows.size(); ++i)
        values.append(rows.at(i).value(at));
    return values;
}

}  // namespace

void antecipaAbertura(const QString& promocao, const QString& filial, const QString& confTela,
                      const QString& loja)
{
    if (!rdmPromocaoCombinada || !rdmPromocaoCombinada->readsAhead())
        return;
    TrdmPromocaoCombinada& m = *rdmPromocaoCombinada;
    m.dropAhead();
    try {
        {
            // Everything the screen's start reads that needs no other answer.
            const TrdmPromocaoCombinada::Ahead ahead(m);
            getExibeProd(filial);
            getIDUTCUPOMDESC();
            getGrupoPromoComb(promocao, filial);
            getPreSelecionados(filial, promocao);
        }
        if (!m.sendAhead())
            return;
        // Then what needs those answers: each group's products, the pre-selected products'
        // own checks.
        SqlStatement* groups = &branchGroups(m, filial, promocao);
        if (m.aheadRows(*groups).size() <= 1)
            groups = &generalGroups(m, promocao);
        const QStringList codes = aheadColumn(m, *groups, QStringLiteral("CDGRUPROMOC"));
        const QStringList seqs = aheadColumn(m, *groups, QStringLiteral("NRSEQGRPROMO"));
        QStringList chosen =
            aheadColumn(m, branchPreSelection(m, filial, promocao), QStringLiteral("CDPRODUTO"));
        if (chosen.isEmpty() && ownDialect(m))
            chosen = aheadColumn(m, generalPreSelection(m, filial, promocao), QStringLiteral("CDPRODUTO"));
        const TrdmPromocaoCombinada::Ahead ahead(m);
        for (qsizetype i = 0; i < codes.size() && i < seqs.size(); ++i)
            getProdutoPromoComb(codes.at(i), promocao, filial, confTela, seqs.at(i));
        for (const QString& produto : std::as_const(chosen)) {
            getVerificaPromo(filial, produto);
            getCuponsValidos(filial, produto);
            getOcorPed(filial, loja, produto);
        }
        m.sendAhead();
    } catch (...) {
        // Sending ahead only saves round trips: the step's own runs report any failure.
    }
}

void antecipaProduto(const QString& filial, const QString& loja, const QString& produto)
{
    if (!rdmPromocaoCombinada || !rdmPromocaoCombinada->readsAhead())
        return;
    rdmPromocaoCombinada->dropAhead();
    try {
        const TrdmPromocaoCombinada::Ahead ahead(*rdmPromocaoCombinada);
        getVerificaPromo(filial, produto);
        getCuponsValidos(filial, produto);
        getOcorPed(filial, loja, produto);
    } catch (...) {
    }
}

void encerraAntecipacao()
{
    if (rdmPromocaoCombinada)
        rdmPromocaoCombinada->dropAhead();
}

QString ultimoErroDados()
{
    return g_ultimoErro;
}

}  // namespace kvp
