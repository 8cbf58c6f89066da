#pragma once

// A whole selection sold from a shop database on one of the test backends (SQLite, or
// the PostgreSQL server the run starts), with the screen tests' helpers.

#include "backends.h"
#include "selectionfixture.h"

#include "rdmpromocaocombinada.h"

#include <memory>

namespace kvp::test {

class BackendSelection : public Selection {
protected:
    virtual Backend backend() const = 0;

    void createShopDatabase() override
    {
        shop = std::make_unique<TestDatabase>(backend());
        db = std::make_unique<DatabaseFixture>(shop->fixture().database());
        host.setConnectionString(shop->connectionString());
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
