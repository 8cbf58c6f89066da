#pragma once

// The reference host's price function: prices from the PRECOHOST table of the host's
// database (schema/precohost.sql). It fills the price record with one row, or fails with
// one of the codes the module knows:
//   TABENCAD   the branch has no prices at all
//   PRECNCAD   no price for the product at this branch, store and customer
//   DTCLI      the customer's price is outside its validity dates
//   DTLOJ      the store's price is outside its validity dates
//   DTPAR      the branch price is outside its validity dates
//   BLOQUEADO  the price is blocked
//   FORAHORA   the time of the sale lies outside the product's sale hours
//   PRECZERO   the price is zero
// A database failure, a damaged row or a value holding a NUL gives its own readable
// text instead.

#include "dataresult.h"
#include "dataset.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>

class QSqlDatabase;

namespace kvp::refhost {

// The nine values the module hands the price function, by meaning.
struct PriceQuery {
    QString branch;    // CDFILIAL
    QString customer;  // customer code of debit sales
    QString product;
    QString store;  // CDLOJA
    QString consumer;
    QString hhmm;  // time of the sale, "1305"
    QString priceFlag;
    bool debit = true;
    QString callType;

    static PriceQuery fromValues(const QVariantList& nine);
};

class PriceTable {
public:
    // connectionName names an open QSqlDatabase that holds PRECOHOST.
    explicit PriceTable(QString connectionName);
    ~PriceTable();
    PriceTable(const PriceTable&) = delete;
    PriceTable& operator=(const PriceTable&) = delete;

    // The text of schema/precohost.sql.
    static QString schemaText();
    // Creates PRECOHOST; raises HostError with the database's text on failure.
    static void createTable(QSqlDatabase& db);

    // now gives the date for the validity check, and the time when the query has none.
    DataResult lookup(const PriceQuery& query, const QDateTime& now, DataSet& price);

    // One call of the module is one sale. Its first price reads the branch's price rows
    // for the sale's store and customer in one request, and every later price of the sale
    // is answered from them; the next sale reads them again, so a price changed between
    // two sales is seen by the second. A product the rows do not hold is asked of the
    // database on its own, as outside a sale, where every price is read on its own.
    void beginSale();
    void endSale();
    class Sale {
    public:
        explicit Sale(PriceTable& table) : m_table(table) { m_table.beginSale(); }
        ~Sale() { m_table.endSale(); }
        Sale(const Sale&) = delete;
        Sale& operator=(const Sale&) = delete;

    private:
        PriceTable& m_table;
    };

    // Statements run against the database so far: each one is a round trip.
    long requests() const { return m_requests; }

    // Drops the prepared statements (before the database closes).
    void release();

    // A branch with more price rows than this for one store and customer is priced
    // product by product, so that a large shop's sale never waits for its whole table.
    static constexpr int kMaxSaleRows = 2000;

private:
    struct PriceRow;
    struct SaleRows;

    static PriceRow readRow(const QSqlQuery& q, int first);
    static const PriceRow& bestOf(const QList<PriceRow>& rows);
    // The price function's rules applied to the row that applies.
    static DataResult decide(const PriceRow& r, const PriceQuery& query, const QDateTime& now,
                             DataSet& price);

    bool prepare(std::optional<QSqlQuery>& kept, const QString& sql, QString& error);
    // The sale's rows for the query's branch, store and customer, read on first use;
    // nullptr when the branch is priced product by product (or error is set).
    const SaleRows* saleRows(const PriceQuery& query, QString& error);

    QString m_connection;
    std::optional<QSqlQuery> m_prices;
    std::optional<QSqlQuery> m_branch;
    std::optional<QSqlQuery> m_saleQuery;
    bool m_inSale = false;
    std::unique_ptr<QHash<QString, SaleRows>> m_sale;
    QSet<QString> m_tooLarge;  // keys of branch, store and customer priced one by one
    long m_requests = 0;
};

// Whether a failure text is one of the codes above (a decision of the price function)
// rather than a failure to decide.
bool isPriceCode(const QString& text);

// Fills the price record with the one row a successful lookup gives: the price, its
// discount and surcharge in money (percent only tells how they were set).
void fillPriceRecord(DataSet& record, double price, double discount, double surcharge,
                     bool percent);

}  // namespace kvp::refhost
