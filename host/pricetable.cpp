#include "pricetable.h"

#include "hostservices.h"
#include "itemrecord.h"
#include "textformat.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>

#include <cmath>

namespace kvp::refhost {

namespace {

const QString kSelectPrices = QStringLiteral(
    "SELECT CDLOJA, CDCLIENTE, VRPRECO, VRDESCONTO, VRACRESCIMO, IDPERCVALOR, IDBLOQUEADO,"
    " HRINIVENDA, HRFIMVENDA, DTINIVIGENCIA, DTFIMVIGENCIA"
    " FROM PRECOHOST"
    " WHERE CDFILIAL = :CDFILIAL AND CDPRODUTO = :CDPRODUTO"
    " AND CDLOJA IN ('', :CDLOJA) AND CDCLIENTE IN ('', :CDCLIENTE)");
const QString kCountBranch =
    QStringLiteral("SELECT COUNT(*) FROM PRECOHOST WHERE CDFILIAL = :CDFILIAL");

// The branch's rows for one store and customer: the rows of kSelectPrices, every product.
const QString kSelectSaleRows = QStringLiteral(
    "SELECT CDPRODUTO, CDLOJA, CDCLIENTE, VRPRECO, VRDESCONTO, VRACRESCIMO, IDPERCVALOR,"
    " IDBLOQUEADO, HRINIVENDA, HRFIMVENDA, DTINIVIGENCIA, DTFIMVIGENCIA"
    " FROM PRECOHOST"
    " WHERE CDFILIAL = :CDFILIAL AND CDLOJA IN ('', :CDLOJA) AND CDCLIENTE IN ('', :CDCLIENTE)");

QString text(const QSqlQuery& q, int column)
{
    return q.value(column).toString().trimmed();
}

// Minutes since midnight of an "HHMM" text; -1 when it is not one.
int minutesOf(const QString& hhmm)
{
    if (hhmm.size() != 4)
        return -1;
    bool okH = false, okM = false;
    const int h = hhmm.left(2).toInt(&okH);
    const int m = hhmm.mid(2).toInt(&okM);
    if (!okH || !okM || h < 0 || h > 23 || m < 0 || m > 59)
        return -1;
    return h * 60 + m;
}

}  // namespace

struct PriceTable::PriceRow {
    QString store, customer;
    double price = 0, discount = 0, surcharge = 0;
    QString percentOrValue, blocked, saleFrom, saleTo, validFrom, validTo;

    // Customer rows win over store rows, store rows over the branch row.
    int precedence() const { return (customer.isEmpty() ? 0 : 2) + (store.isEmpty() ? 0 : 1); }
};

struct PriceTable::SaleRows {
    QHash<QString, QList<PriceRow>> byProduct;  // in the order the database gave them
};

// The row of kSelectPrices whose first column is first.
PriceTable::PriceRow PriceTable::readRow(const QSqlQuery& q, int first)
{
    PriceRow r;
    r.store = text(q, first);
    r.customer = text(q, first + 1);
    r.price = q.value(first + 2).toDouble();
    r.discount = q.value(first + 3).toDouble();
    r.surcharge = q.value(first + 4).toDouble();
    r.percentOrValue = text(q, first + 5).toUpper();
    r.blocked = text(q, first + 6).toUpper();
    r.saleFrom = text(q, first + 7);
    r.saleTo = text(q, first + 8);
    r.validFrom = text(q, first + 9);
    r.validTo = text(q, first + 10);
    return r;
}

// The first row of the highest precedence, as the rows came.
const PriceTable::PriceRow& PriceTable::bestOf(const QList<PriceRow>& rows)
{
    qsizetype best = 0;
    for (qsizetype i = 1; i < rows.size(); ++i)
        if (rows.at(i).precedence() > rows.at(best).precedence())
            best = i;
    return rows.at(best);
}

PriceQuery PriceQuery::fromValues(const QVariantList& nine)
{
    PriceQuery q;
    q.branch = nine.value(0).toString();
    q.customer = nine.value(1).toString();
    q.product = nine.value(2).toString();
    q.store = nine.value(3).toString();
    q.consumer = nine.value(4).toString();
    q.hhmm = nine.value(5).toString();
    q.priceFlag = nine.value(6).toString();
    q.debit = nine.size() > 7 ? nine.value(7).toBool() : true;
    q.callType = nine.value(8).toString();
    return q;
}

PriceTable::PriceTable(QString connectionName) : m_connection(std::move(connectionName)) {}

PriceTable::~PriceTable()
{
    release();
}

void PriceTable::release()
{
    m_prices.reset();
    m_branch.reset();
    m_saleQuery.reset();
    m_sale.reset();
}

QString PriceTable::schemaText()
{
    QFile f(QStringLiteral(":/kvp/host/precohost.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw HostError(
            QStringLiteral("O esquema da tabela PRECOHOST não está embutido no programa"));
    return QString::fromUtf8(f.readAll());
}

void PriceTable::createTable(QSqlDatabase& db)
{
    QStringList lines;
    for (const QString& line : schemaText().split(QLatin1Char('\n')))
        if (!line.trimmed().startsWith(QLatin1String("--")))
            lines << line;
    for (const QString& statement : lines.join(QLatin1Char('\n')).split(QLatin1Char(';'))) {
        if (statement.trimmed().isEmpty())
            continue;
        QSqlQuery q(db);
        if (!q.exec(statement))
            throw HostError(QStringLiteral("PRECOHOST: %1").arg(q.lastError().text()));
    }
}

// Prepared on its first use and kept for the process: a sale prepares only what it runs.
bool PriceTable::prepare(std::optional<QSqlQuery>& kept, const QString& sql, QString& error)
{
    if (kept)
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isValid() || !db.isOpen()) {
        error = QStringLiteral("O banco de preços \"%1\" não está aberto").arg(m_connection);
        return false;
    }
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        error = q.lastError().text();
        return false;
    }
    q.setForwardOnly(true);
    kept = std::move(q);
    return true;
}

bool isPriceCode(const QString& text)
{
    static const QStringList codes{
        QStringLiteral("TABENCAD"), QStringLiteral("PRECNCAD"), QStringLiteral("DTCLI"),
        QStringLiteral("DTLOJ"),    QStringLiteral("DTPAR"),    QStringLiteral("BLOQUEADO"),
        QStringLiteral("FORAHORA"), QStringLiteral("PRECZERO"),
    };
    return codes.contains(text);
}

DataResult PriceTable::lookup(const PriceQuery& query, const QDateTime& now, DataSet& price)
{
    // A NUL would end the text early on its way to the database: refused before asking.
    for (const QString* value : {&query.branch, &query.customer, &query.product, &query.store,
                                 &query.consumer, &query.hhmm, &query.priceFlag, &query.callType})
        if (value->contains(QChar(0)))
            return DataResult::error(QStringLiteral(
                "PRECOHOST: um dos valores da consulta de preço contém um caractere nulo"));

    QString error;
    if (m_inSale) {
        const SaleRows* rows = saleRows(query, error);
        if (!error.isEmpty())
            return DataResult::error(error);
        // A product the sale's rows lack is left to the database, which alone says
        // whether the branch has prices at all and compares codes by its own rules.
        if (rows) {
            const auto it = rows->byProduct.constFind(query.product);
            if (it != rows->byProduct.cend())
                return decide(bestOf(*it), query, now, price);
        }
    }

    if (!prepare(m_prices, kSelectPrices, error))
        return DataResult::error(error);
    QSqlQuery& q = *m_prices;
    q.bindValue(QStringLiteral(":CDFILIAL"), query.branch);
    q.bindValue(QStringLiteral(":CDPRODUTO"), query.product);
    q.bindValue(QStringLiteral(":CDLOJA"), query.store);
    q.bindValue(QStringLiteral(":CDCLIENTE"), query.customer);
    ++m_requests;
    if (!q.exec())
        return DataResult::error(q.lastError().text());
    QList<PriceRow> found;
    while (q.next())
        found.append(readRow(q, 0));
    q.finish();

    if (found.isEmpty()) {
        if (!prepare(m_branch, kCountBranch, error))
            return DataResult::error(error);
        QSqlQuery& b = *m_branch;
        b.bindValue(QStringLiteral(":CDFILIAL"), query.branch);
        ++m_requests;
        if (!b.exec() || !b.next())
            return DataResult::error(b.lastError().text());
        const bool branchHasPrices = b.value(0).toInt() > 0;
        b.finish();
        return DataResult::error(branchHasPrices ? QStringLiteral("PRECNCAD")
                                                 : QStringLiteral("TABENCAD"));
    }
    return decide(bestOf(found), query, now, price);
}

void PriceTable::beginSale()
{
    m_inSale = true;
    m_sale.reset();
}

void PriceTable::endSale()
{
    m_inSale = false;
    m_sale.reset();
}

const PriceTable::SaleRows* PriceTable::saleRows(const PriceQuery& query, QString& error)
{
    // Null and empty texts select the same rows ('' IN ('', NULL) holds either way).
    const QString key = query.branch + QChar(0) + query.store + QChar(0) + query.customer;
    if (m_tooLarge.contains(key))
        return nullptr;
    if (!m_sale)
        m_sale = std::make_unique<QHash<QString, SaleRows>>();
    const auto kept = m_sale->constFind(key);
    if (kept != m_sale->cend())
        return &*kept;
    if (!prepare(m_saleQuery, kSelectSaleRows, error))
        return nullptr;
    QSqlQuery& q = *m_saleQuery;
    q.bindValue(QStringLiteral(":CDFILIAL"), query.branch);
    q.bindValue(QStringLiteral(":CDLOJA"), query.store);
    q.bindValue(QStringLiteral(":CDCLIENTE"), query.customer);
    ++m_requests;
    if (!q.exec()) {
        error = q.lastError().text();
        return nullptr;
    }
    SaleRows rows;
    int count = 0;
    while (q.next()) {
        if (++count > kMaxSaleRows) {
            q.finish();
            m_tooLarge.insert(key);
            return nullptr;
        }
        rows.byProduct[q.value(0).toString()].append(readRow(q, 1));
    }
    q.finish();
    return &*m_sale->insert(key, std::move(rows));
}

DataResult PriceTable::decide(const PriceRow& r, const PriceQuery& query, const QDateTime& now,
                              DataSet& price)
{
    // Infinity and NaN (a spreadsheet's "NaN" read as a number) pass every test below.
    if (!std::isfinite(r.price) || !std::isfinite(r.discount) || !std::isfinite(r.surcharge))
        return DataResult::error(
            QStringLiteral("PRECOHOST: valor não finito no preço do produto %1")
                .arg(query.product));

    const QDate today = now.date();
    const QDate from =
        r.validFrom.isEmpty() ? QDate() : QDate::fromString(r.validFrom, Qt::ISODate);
    const QDate to = r.validTo.isEmpty() ? QDate() : QDate::fromString(r.validTo, Qt::ISODate);
    if ((!r.validFrom.isEmpty() && !from.isValid()) || (!r.validTo.isEmpty() && !to.isValid()))
        return DataResult::error(
            QStringLiteral("PRECOHOST: vigência inválida (\"%1\" a \"%2\") no preço do produto %3")
                .arg(r.validFrom, r.validTo, query.product));
    if ((from.isValid() && today < from) || (to.isValid() && today > to)) {
        if (!r.customer.isEmpty())
            return DataResult::error(QStringLiteral("DTCLI"));
        if (!r.store.isEmpty())
            return DataResult::error(QStringLiteral("DTLOJ"));
        return DataResult::error(QStringLiteral("DTPAR"));
    }

    if (r.blocked == QLatin1String("S"))
        return DataResult::error(QStringLiteral("BLOQUEADO"));

    if (!r.saleFrom.isEmpty() || !r.saleTo.isEmpty()) {
        const int start = r.saleFrom.isEmpty() ? 0 : minutesOf(r.saleFrom);
        const int end = r.saleTo.isEmpty() ? 23 * 60 + 59 : minutesOf(r.saleTo);
        if (start < 0 || end < 0)
            return DataResult::error(
                QStringLiteral(
                    "PRECOHOST: horário de venda inválido (\"%1\" a \"%2\") no preço do produto %3")
                    .arg(r.saleFrom, r.saleTo, query.product));
        int t = minutesOf(query.hhmm);
        if (t < 0)
            t = now.time().hour() * 60 + now.time().minute();
        // A window whose end comes before its start runs across midnight.
        const bool inside = start <= end ? (t >= start && t <= end) : (t >= start || t <= end);
        if (!inside)
            return DataResult::error(QStringLiteral("FORAHORA"));
    }

    if (r.price <= 0)
        return DataResult::error(QStringLiteral("PRECZERO"));

    const bool percent = r.percentOrValue == QLatin1String("P");
    const double discount = Trunc2(percent ? r.price * r.discount / 100.0 : r.discount);
    const double surcharge = Trunc2(percent ? r.price * r.surcharge / 100.0 : r.surcharge);

    fillPriceRecord(price, r.price, discount, surcharge, percent);
    return DataResult::empty();
}

void fillPriceRecord(DataSet& record, double price, double discount, double surcharge,
                     bool percent)
{
    if (record.fieldCount() == 0)
        record.setFieldDefs(records::retornaPreco());
    record.emptyOrCreate();
    record.append();
    record.setValue(QStringLiteral("VRPRECO"), price);
    record.setValue(QStringLiteral("VRDESCONTO"), discount);
    record.setValue(QStringLiteral("VRACRESCIMO"), surcharge);
    record.setValue(QStringLiteral("VRPRECOCLIE"), Trunc2(price - discount + surcharge));
    record.setValue(QStringLiteral("IDPRECVARIA"), QStringLiteral("N"));
    record.setValue(QStringLiteral("IDPERCVALOR"),
                    percent ? QStringLiteral("P") : QStringLiteral("V"));
    record.setValue(QStringLiteral("IDACREDESC"),
                    surcharge > 0 && discount <= 0 ? QStringLiteral("A") : QStringLiteral("D"));
    record.setValue(QStringLiteral("VRPRECODIA"), price);
    record.post();
}

}  // namespace kvp::refhost
