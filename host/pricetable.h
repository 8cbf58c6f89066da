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
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

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

    // Drops the prepared statements (before the database closes).
    void release();

private:
    bool prepare(QString& error);

    QString m_connection;
    std::optional<QSqlQuery> m_prices;
    std::optional<QSqlQuery> m_branch;
};

// Whether a failure text is one of the codes above (a decision of the price function)
// rather than a failure to decide.
bool isPriceCode(const QString& text);

// Fills the price record with the one row a successful lookup gives: the price, its
// discount and surcharge in money (percent only tells how they were set).
void fillPriceRecord(DataSet& record, double price, double discount, double surcharge,
                     bool percent);

}  // namespace kvp::refhost
