#pragma once

// A generated shop for the data-service benchmark: 100,000 products, 2,000 combined
// promotions and 10,000 campaign combinations, with the branch layer, settings,
// shortcuts, taxes, occurrences and coupons the lookups read.

#include "fixture.h"

namespace kvp::bench {

struct CatalogueSize {
    int products = 100000;
    int promotions = 2000;
    int groupsPerPromotion = 4;
    int productsPerGroup = 6;
    int campaigns = 100;
    int combinationsPerCampaign = 100;
    // The branch's settings, taxes and occurrence groups; off when the rows go into a
    // shop that has its own (the reference host's sample shop).
    bool shopRows = true;
};

// Fills an empty database that already has the schema. Deterministic: the same size
// always gives the same rows.
void buildCatalogue(DatabaseFixture& fixture, const CatalogueSize& size = {});

QString productCode(int n);    // "P000001"
QString promotionCode(int n);  // "PR00001"
QString groupCode(int promotion, int group);

}  // namespace kvp::bench
