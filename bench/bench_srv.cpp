// Data-service benchmark: the data functions on a generated shop of 100,000 products,
// 2,000 promotions and 10,000 campaign combinations, on SQLite and, when
// KVP_BENCH_PG names a PostgreSQL connection ("driver=QPSQL;host=...;port=...;
// database=...;user=..."), on PostgreSQL. bench/run_srv_bench.sh starts a server itself.

#include "auditoria.h"
#include "catalogue.h"
#include "itemrecord.h"
#include "schema.h"
#include "srv_kvp510.h"

#include "hostservices.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

using namespace kvp;

QString S(const char* text) { return QString::fromLatin1(text); }

// Only the clock and the database session are asked for here.
class BenchHost : public HostServices {
public:
    QString connection;
    bool Mensagem(const QString&, const QString&, const QString&, const QString&, int, const QString&,
                  const QString&, int, DataSet*) override { return false; }
    DataResult MensagemMetodo(const DataResult& r, bool, int, const QString&, const QString&, const QString&,
                              const QString&) override { return r; }
    void CheckResultServ(const DataResult&, bool, int) override {}
    double BuscaPeso(const QString&, const QString&) override { return 0; }
    bool TecladoNumerico(QString&, const QString&, const QString&, const QVariantList&) override { return false; }
    QString Observacao(const QVariantList&, HostAnswer&) override { return {}; }
    void CriaInfAdicional(const QVariantList&, HostAnswer&) override {}
    bool Pesquisa(DataSet&, const QVariantList&) override { return false; }
    // Every product costs R$ 10,00 (the promotion audit prices each one it judges).
    DataResult ChamaFuncaoGetRetornaPreco(const QVariantList&, DataSet& price) override
    {
        price.close();
        price.setFieldDefs(records::retornaPreco());
        price.createDataSet();
        price.append();
        price.setValue(QStringLiteral("VRPRECO"), 10.0);
        price.post();
        return {};
    }
    void ControleAcess(int, const QVariant&, QString&) override {}
    bool VerificaAcesso(int, const QVariant&, QString&) override { return true; }
    void RelFiscais() override {}
    QString GetStringConexQmt(const QString&) override { return connection; }
    // What a shop's host would do with the embedded database: a write-ahead log, so that
    // a commit does not wait for the disk twice.
    void SetADODBSession(QSqlDatabase& db) override
    {
        if (db.driverName() == QLatin1String("QSQLITE")) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        }
    }
    QString ADOExceptionMessage(const QString& error, const QSqlDatabase& db, const QString&) override
    {
        return error.isEmpty() ? db.lastError().text() : error;
    }
    void Trad(QHash<QString, QString>&) override {}
    QDateTime now() const override { return QDateTime(QDate(2024, 3, 10), QTime(9, 5, 30)); }
    QString programFolder() const override { return QDir::currentPath(); }
    const FormatSettings& formatSettings() const override { return m_format; }

private:
    FormatSettings m_format;
};

BenchHost g_host;

// Makes the named database current: connects a fresh data module to it.
void useDatabase(const QString& connection)
{
    freeDataModule();
    g_host.connection = connection;
    ensureDataModule();
}

void require(const DataResult& r)
{
    if (r.isError())
        throw std::runtime_error(r.errorText().toStdString());
}

DataPacket itemPacket(int first, int count)
{
    DataPacket p;
    p.fields = {stringField(S("CDPRODVENDA"), 10), stringField(S("CDPRODUTO"), 10),
                floatField(S("VRUNVENDAEST")), floatField(S("QTPRODVEND")), floatField(S("VRDESCONTO"))};
    for (int i = 0; i < count; ++i)
        p.rows.append({bench::promotionCode(1), bench::productCode(first + i), 10.0, 1.0, 0.0});
    return p;
}

void registerAll(const QString& backend, const QString& connection)
{
    using Body = std::function<void(int)>;
    auto add = [&](const char* name, Body body) {
        benchmark::RegisterBenchmark(QString(backend + S("/") + S(name)).toStdString().c_str(),
                                     [connection, body](benchmark::State& state) {
                                         useDatabase(connection);
                                         int i = 0;
                                         for (auto _ : state)
                                             body(i++);
                                     })
            ->Unit(benchmark::kMicrosecond);
    };
    // Arguments walk through the catalogue so that no call repeats the one before.
    auto promo = [](int i) { return bench::promotionCode(i % 2000 + 1); };
    add("getGrupoPromoComb", [=](int i) { require(getGrupoPromoComb(promo(i), S("01"))); });
    add("getVerificaPromo", [=](int i) { benchmark::DoNotOptimize(getVerificaPromo(S("01"), promo(i))); });
    add("getProdutoPromoComb", [=](int i) {
        const int pr = i % 2000 + 1;
        require(getProdutoPromoComb(bench::groupCode(pr, i % 4 + 1), promo(i), S("01"), S("1"), S("1")));
    });
    add("getDescontoPromocao", [=](int i) {
        const int pr = i % 2000 + 1;
        require(getDescontoPromocao(S("01"), promo(i), bench::groupCode(pr, 1), bench::productCode(((pr - 1) * 24) % 100000 + 1), S("1")));
    });
    add("getGrupoMutex", [=](int i) { require(getGrupoMutex(S("01"), promo(i), QStringLiteral("M%1").arg(i % 2000 + 1))); });
    add("getPreSelecionados", [=](int i) { require(getPreSelecionados(S("01"), promo(i))); });
    add("getCodigoAtalho", [=](int i) { require(getCodigoAtalho(S("01"), S("1"), QString::number(i % 2000 + 1))); });
    add("getImposto", [=](int i) { require(getImposto(S("01"), bench::productCode(i % 1000 + 1), S(""))); });
    add("getValidProdNFCe", [=](int i) { require(getValidProdNFCe(S("01"), bench::productCode(i % 1000 + 1))); });
    add("getRegraFisPdv", [=](int i) { require(getRegraFisPdv(bench::productCode(i % 1000 + 1))); });
    add("getOcorPed", [=](int i) { require(getOcorPed(S("01"), S("L1"), bench::productCode(i % 1000 + 1))); });
    add("getExisteProd", [=](int i) { require(getExisteProd(S("01"), bench::productCode(i % 1000 + 1), S("V1"))); });
    add("getCuponsValidos", [=](int i) { require(getCuponsValidos(S("01"), bench::productCode(i % 1000 + 1))); });
    add("getIDUTCUPOMDESC", [=](int) { benchmark::DoNotOptimize(getIDUTCUPOMDESC()); });
    add("getExibeProd", [=](int) { benchmark::DoNotOptimize(getExibeProd(S("01"))); });
    add("setItemPromoComb10+ApagaItemPromoComb", [=](int i) {
        require(setItemPromoComb(S("01"), S("001"), itemPacket(i % 900 + 1, 10)));
        require(ApagaItemPromoComb(S("01"), S("001")));
    });
    // A campaign check as the confirmation runs it: register six items, look the
    // campaigns up, count-check the first one, remove the items.
    add("getCampanhaPromo", [=](int i) {
        require(setItemPromoComb(S("01"), S("002"), itemPacket(i % 900 + 1, 6)));
        const DataResult r = getCampanhaPromo(S("01"), S("002"), S("CLI"), S("C1"));
        require(r);
        require(ApagaItemPromoComb(S("01"), S("002")));
    });
    add("getVdCombinacoes", [=](int i) {
        const int n = 100 + i % 9900;
        benchmark::DoNotOptimize(getVdCombinacoes(QStringLiteral("CP%1").arg(n / 100, 4, 10, QLatin1Char('0')),
                                                  bench::productCode(n % 1000 + 1),
                                                  bench::productCode((n * 7) % 1000 + 1), S("01"), S("003")));
    });
    // The promotion audit of the whole shop: every promotion of branch 01, its groups,
    // products, prices, fiscal checks, pre-selections, campaigns and coupons.
    benchmark::RegisterBenchmark(QString(backend + S("/auditaPromocoes")).toStdString().c_str(),
                                 [connection](benchmark::State& state) {
                                     useDatabase(connection);
                                     auditoria::Estacao estacao;
                                     estacao.stCdFilial = S("01");
                                     estacao.stNrConfTela = S("1");
                                     estacao.boUtilizaImpFis = true;
                                     estacao.boSistemaQmtNfce = true;
                                     auditoria::OpcoesAuditoria opcoes;
                                     opcoes.filial = S("01");
                                     for (auto _ : state) {
                                         const auto r = auditoria::auditaPromocoes(estacao, opcoes);
                                         state.counters["promocoes"] = r.promocoes;
                                         state.counters["achados"] = static_cast<double>(r.achados.size());
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    add("setPromoCombAux10", [=](int i) { require(setPromoCombAux(S("01"), QString::number(i % 500), itemPacket(1, 10))); });
}

// SQLite: the generated shop is kept next to the program and built only once.
QString sqliteShop()
{
    // The file name follows the schema, so a changed schema builds a new shop.
    const QString path = QCoreApplication::applicationDirPath()
        + QStringLiteral("/bench_shop-%1.db").arg(qHash(schemaDdl(Dialect::Sqlite)), 0, 16);
    if (!QFile::exists(path)) {
        std::fprintf(stderr, "building %s ...\n", qPrintable(path));
        const QString tmp = path + S(".tmp");
        QFile::remove(tmp);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(S("QSQLITE"), S("bench-build"));
            db.setDatabaseName(tmp);
            if (!db.open())
                throw std::runtime_error(db.lastError().text().toStdString());
            DatabaseFixture fx(db);
            fx.createSchema();
            bench::buildCatalogue(fx);
            fx.exec(S("ANALYZE"));
            db.close();
        }
        QSqlDatabase::removeDatabase(S("bench-build"));
        QFile::rename(tmp, path);
    }
    return S("driver=QSQLITE;database=") + quoteConnectionValue(path);
}

// PostgreSQL: built fresh in the database the connection names.
QString postgresShop(const QString& connection)
{
    const ConnectionSettings s = ConnectionSettings::parse(connection);
    {
        QSqlDatabase db = addDatabase(s, S("bench-build"));
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        DatabaseFixture fx(db);
        fx.exec(S("DROP SCHEMA IF EXISTS public CASCADE"));
        fx.exec(S("CREATE SCHEMA public"));
        std::fprintf(stderr, "building the PostgreSQL shop ...\n");
        fx.createSchema();
        bench::buildCatalogue(fx);
        fx.exec(S("ANALYZE"));
        db.close();
    }
    QSqlDatabase::removeDatabase(S("bench-build"));
    return connection;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    installHost(&g_host);
    try {
        registerAll(S("sqlite"), sqliteShop());
        const QString pg = qEnvironmentVariable("KVP_BENCH_PG");
        if (!pg.isEmpty())
            registerAll(S("postgresql"), postgresShop(pg));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark set-up failed: %s\n", e.what());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    freeDataModule();
    installHost(nullptr);
    return 0;
}
