#pragma once

// The sample shop the reference host sells from, and the run folder it works in: the
// folder the host hands the module as its program folder, holding the shop database
// (SQLite, built from the seed SQL in sample/), the parameter file PARAMETROSQMT.CDS,
// the tax-rate file Dados/Cadastros/AliqImpFis.cds and the product pictures under
// dados/img/produto. Also what the host reads from the shop for itself: its menu of
// combos and the occurrences offered for a product.

#include "dataset.h"
#include "hostservices.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

class QSqlQuery;

namespace kvp::refhost {

// Branch, store and till of the sample shop; the parameter file carries them.
inline constexpr const char* kShopBranch = "01";
inline constexpr const char* kShopStore = "01";
inline constexpr const char* kShopTill = "001";

struct RunFolder {
    QString root;

    QString databasePath() const;    // root/loja.db
    QString connectionString() const;  // for the module: driver=QSQLITE;database=...
    QString parametersPath() const;  // root/PARAMETROSQMT.CDS
    QString taxRatesPath() const;    // root/Dados/Cadastros/AliqImpFis.cds
    QString picturesPath() const;    // root/dados/img/produto
};

// Splits SQL text into statements at the semicolons outside quotes; "--" comments go.
QStringList splitSqlStatements(const QString& text);

// The seed: host.sql and shop.sql as compiled into the program.
QStringList sampleSeedStatements();

// Loads the module's schema, PRECOHOST, the host's tables and the seed into an open,
// empty database of the SQLite or PostgreSQL dialect, in one transaction. Raises
// HostError with the statement and the database's text on failure.
void loadSampleShop(QSqlDatabase& db);

// (Re)builds the run folder from scratch: database, parameter file, tax-rate file and
// pictures. Raises HostError on failure; a failed build leaves no half-built database.
void buildRunFolder(const RunFolder& folder);

// What a run found in its folder before selling.
struct RunFolderState {
    bool built = false;      // the sample shop was built (an empty folder, or a rebuild)
    QStringList missing;     // the host's files a shop's folder lacks, by path
};

// Makes a run folder ready to sell from without ever replacing a shop: the sample shop is
// built only in an empty or absent folder, or when rebuild asks for it. A folder that
// holds a database keeps it whatever else is missing; the missing host files are only
// reported, and the module's own rule for them applies. A folder with other things but
// no database raises HostError (nothing is built over a shop's files).
RunFolderState prepareRunFolder(const RunFolder& folder, bool rebuild);

// The parameter file the sample shop's point of sale writes; dsDirCad is the folder the
// pictures live under (ending in a separator).
DataPacket sampleParameters(const QString& dsDirCad);

// One combo of the point of sale's menu and how it is priced when sold.
struct Combo {
    QString code;
    QString name;
    QString description;
    QString priceMode;  // "1" fixed price, "2" built from the products
    double price = 0;
    QString adjustType;   // "D", "A" or empty
    QString valueOrPerc;  // "V" value, else percentage
    double adjust = 0;
    bool applyAdjust = false;
};

// What the host reads from the shop database over its own connection.
class ShopCatalogue {
public:
    // connectionName names an open QSqlDatabase holding the shop.
    explicit ShopCatalogue(QString connectionName);

    // The menu in its order. Raises HostError on a database failure.
    QList<Combo> combos() const;
    // One combo by code; raises HostError naming the code when the menu has none.
    Combo combo(const QString& code) const;
    // The occurrences offered for a product at the shop's branch and store (the fields
    // of records::obs()).
    DataPacket occurrences(const QString& product) const;
    // Product code -> name, for the receipt.
    QString productName(const QString& product) const;

    // Drops the prepared statements (before the database closes).
    void release();

private:
    struct Statements;

    // Runs a kept statement, prepared on its first run; one that fails (its connection
    // closed and opened again) is prepared anew once. nullptr with error set on failure.
    QSqlQuery* execute(std::unique_ptr<QSqlQuery>& kept, const QString& sql,
                       const QVariantList& values, QString& error) const;

    QString m_connection;
    // Prepared once and shared by the copies of the catalogue: the occurrences run on
    // every product touch, the menu on every sale.
    std::shared_ptr<Statements> m_statements;
};

}  // namespace kvp::refhost
