#include "srv_suite.h"

namespace kvp::test {

void SrvTest::SetUp()
{
    const Backend backend = GetParam();
    if (usesPostgres(backend) && !postgresPort())
        GTEST_SKIP() << "No PostgreSQL test server was started (ctest starts one)";
    m_db = std::make_unique<TestDatabase>(backend);
    m_host.setNow(QDateTime(QDate(2024, 3, 10), QTime(9, 5, 30)));
    m_host.setConnectionString(m_db->connectionString());
    installHost(&m_host);
    ensureDataModule();
}

void SrvTest::TearDown()
{
    freeDataModule();
    // Every test starts on a connection of its own, as a new process would.
    closeKeptSession();
    installHost(nullptr);
    m_db.reset();
}

void SrvTest::product(const char* code, const char* name, const char* tree, const char* fiscalName)
{
    db().insert(S("PRODUTO"), {{"CDPRODUTO", V(code)},
                               {"NMPRODUTO", V(name)},
                               {"NMPRODIMPFIS", fiscalName ? V(fiscalName) : kNull},
                               {"CDARVPROD", tree ? V(tree) : V(code)},
                               {"IDPESAPROD", V("N")},
                               {"SGUNIDADE", V("UN")},
                               {"QTTARAPROD", 0.0}});
}

void SrvTest::group(const char* code, std::initializer_list<const char*> products)
{
    db().insert(S("GRUPROMOC"), {{"CDGRUPROMOC", V(code)}, {"NMGRUPROMOC", QString(S("Grupo ") + S(code))}});
    for (const char* p : products)
        db().insert(S("PRODGRUPROMOC"), {{"CDGRUPROMOC", V(code)}, {"CDPRODUTO", V(p)}});
}

void SrvTest::generalGroup(const char* promo, const char* grp, int seq, const QVariant& order,
                           const QVariant& from, const QVariant& to, const QVariant& mutex)
{
    db().insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", V(promo)},
                                     {"CDGRUPROMOC", V(grp)},
                                     {"NRSEQGRPROMO", seq},
                                     {"QTPRGRUPPROMOC", 1.0},
                                     {"QTPRGRUPROMIN", 0.0},
                                     {"NRORDPROMOGRUP", order},
                                     {"CDGRUPMUTEX", mutex},
                                     {"IDAPLICADESC", V("S")},
                                     {"IDIMPGRPROMO", V("N")},
                                     {"IDCOMBINAPROD", V("N")},
                                     {"DTINIVGGRPROMO", from},
                                     {"DTFINVGGRPROMO", to}});
}

void SrvTest::branchGroup(const char* branch, const char* promo, const char* grp, int seq,
                          const QVariant& order, const QVariant& from, const QVariant& to,
                          const QVariant& mutex)
{
    db().insert(S("GRUPROMOCPRFIL"), {{"CDFILIAL", V(branch)},
                                      {"CDPRODPROMOCAO", V(promo)},
                                      {"CDGRUPROMOC", V(grp)},
                                      {"NRSEQGRPROMOFIL", seq},
                                      {"QTPRGRUPPROMFIL", 2.0},
                                      {"QTPRGRUPROMINFIL", 1.0},
                                      {"NRORDPROMOGRUPFIL", order},
                                      {"CDGRUPMUTEXFIL", mutex},
                                      {"IDAPLICADESCFIL", V("N")},
                                      {"IDIMPGRPROMOFIL", V("S")},
                                      {"IDCOMBINAPRODFIL", V("S")},
                                      {"DTINIVGGRPROFIL", from},
                                      {"DTFINVGGRPROFIL", to}});
}

DataPacket SrvTest::items(std::initializer_list<const char*> products)
{
    DataPacket p;
    p.fields = {stringField(S("CDPRODVENDA"), 10), stringField(S("CDPRODUTO"), 10),
                floatField(S("VRUNVENDAEST")), floatField(S("QTPRODVEND")),
                floatField(S("VRDESCONTO"))};
    double price = 10.0;
    for (const char* code : products) {
        p.rows.append({V("PROMO"), code ? V(code) : kNull, price, 1.5, 0.25});
        price += 1.0;
    }
    return p;
}

QStringList SrvTest::names(const DataPacket& p)
{
    QStringList n;
    for (const FieldDef& f : p.fields)
        n.append(f.name);
    return n;
}

QStringList SrvTest::column(const DataPacket& p, const char* name)
{
    const int i = p.fieldIndex(S(name));
    QStringList values;
    if (i < 0)
        return {S("<no column ") + S(name) + S(">")};
    for (const Row& r : p.rows)
        values.append(r.at(i).toString());
    return values;
}

std::string backendParamName(const ::testing::TestParamInfo<Backend>& info)
{
    return backendName(info.param).toStdString();
}

}  // namespace kvp::test
