#pragma once

// A whole selection sold from a shop database on one of the test backends (SQLite, or
// the PostgreSQL server the run starts), with the screen tests' helpers.

#include "backends.h"
#include "selectionfixture.h"

#include "rdmpromocaocombinada.h"

#include <QSqlQuery>

#include <memory>

namespace kvp::test {

// A campaign taking `discount` off `principal` when `combined` is sold with it, every
// day and hour, valid whatever the clock says.
inline void insertCampaign(DatabaseFixture& db, const QString& code, const QString& principal,
                           const QString& combined, double discount = 1.0)
{
    const QDate today = QDate::currentDate();
    db.insert(S("CAMPANHAPROMO"),
              {{"CDCAMPPROMO", code},         {"DTINIVGCAMP", today.addYears(-2)},
               {"DTFINVGCAMP", today.addYears(2)}, {"HRINICAMP", S("0000")},
               {"HRFINCAMP", S("2359")},     {"IDDIADOMINGO", S("S")},
               {"IDDIASEGUNDA", S("S")},     {"IDDIATERCA", S("S")},
               {"IDDIAQUARTA", S("S")},      {"IDDIAQUINTA", S("S")},
               {"IDDIASEXTA", S("S")},       {"IDDIASABADO", S("S")},
               {"CDCLIENTE", QVariant()}});
    db.insert(S("COMBINAPROD"),
              {{"CDCAMPPROMO", code},        {"CDPRODPRIN", principal}, {"CDPRODCOMB", combined},
               {"IDPERCVALOR", S("V")},      {"IDDESCACRE", S("D")},    {"VRDESCACRE", discount},
               {"IDAPLICADESACR", S("1")},   {"HRINICOMB", S("0000")},  {"HRFINCOMB", S("2359")},
               {"IDDIADOMCOMB", S("S")},     {"IDDIASEGCOMB", S("S")},  {"IDDIATERCOMB", S("S")},
               {"IDDIAQUACOMB", S("S")},     {"IDDIAQUICOMB", S("S")},  {"IDDIASEXCOMB", S("S")},
               {"IDDIASABCOMB", S("S")}});
}

class BackendSelection : public Selection {
protected:
    virtual Backend backend() const = 0;

    void createShopDatabase() override
    {
        shop = std::make_unique<TestDatabase>(backend());
        db = std::make_unique<DatabaseFixture>(shop->fixture().database());
        host.setConnectionString(shop->connectionString());
    }

    // Rows of branch 01, till 001 in a table.
    int rowsOfTill(const char* table)
    {
        QSqlQuery q(db->database());
        q.prepare(S("SELECT COUNT(*) FROM ") + S(table) + S(" WHERE CDFILIAL = ? AND CDCAIXA = ?"));
        q.addBindValue(S("01"));
        q.addBindValue(S("001"));
        EXPECT_TRUE(q.exec());
        return q.next() ? q.value(0).toInt() : -1;
    }

    void TearDown() override
    {
        setDataCallHook({});
        Selection::TearDown();
        shop.reset();
    }

    std::unique_ptr<TestDatabase> shop;
};

}  // namespace kvp::test
