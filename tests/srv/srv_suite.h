#pragma once

// One suite, run against every backend: each test gets a fresh database with the schema,
// a scripted host whose clock stands at Sunday 2024-03-10 09:05:30, and a connected data
// module. Helpers fill the tables the way the shop's back office would.

#include "backends.h"
#include "scriptedhost.h"
#include "srv_kvp510.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QStringList>

#include <memory>

namespace kvp::test {

inline QString S(const char* text) { return QString::fromUtf8(text); }
inline QVariant V(const char* text) { return QString::fromUtf8(text); }
inline const QVariant kNull{};

class SrvTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override;
    void TearDown() override;

    DatabaseFixture& db() { return m_db->fixture(); }
    QDate today() const { return m_host.now().date(); }

    // --- Catalogue ---
    void product(const char* code, const char* name = "Produto", const char* tree = nullptr,
                 const char* fiscalName = nullptr);
    // A group and the products it offers.
    void group(const char* code, std::initializer_list<const char*> products);
    // A group of a promotion, general layer; dates null when invalid QDate.
    void generalGroup(const char* promo, const char* grp, int seq, const QVariant& order = {},
                      const QVariant& from = {}, const QVariant& to = {},
                      const QVariant& mutex = {});
    void branchGroup(const char* branch, const char* promo, const char* grp, int seq,
                     const QVariant& order = {}, const QVariant& from = {},
                     const QVariant& to = {}, const QVariant& mutex = {});

    // Item packet as the screens pass it to the writing functions.
    static DataPacket items(std::initializer_list<const char*> products);

    static QStringList names(const DataPacket& p);
    // The values of one column of a packet, as text.
    static QStringList column(const DataPacket& p, const char* name);

    ScriptedHost m_host;
    std::unique_ptr<TestDatabase> m_db;
};

std::string backendParamName(const ::testing::TestParamInfo<Backend>& info);

}  // namespace kvp::test
