// The run folder a host sells from: the sample shop is built only where no shop is, or
// on an explicit rebuild. A shop's rows survive any of its other files going missing.

#include "qtapp.h"
#include "shop.h"

#include "hostservices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace kvp;
using namespace kvp::refhost;

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

class RunFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::qtApp();
        ASSERT_TRUE(m_dir.isValid());
        folder.root = m_dir.filePath(S("run"));
    }

    // Runs sql on the folder's database; answers the first value of the first row.
    QVariant onShop(const QString& sql)
    {
        QVariant value;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(S("QSQLITE"), S("run-folder-test"));
            db.setDatabaseName(folder.databasePath());
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
            if (q.next())
                value = q.value(0);
        }
        QSqlDatabase::removeDatabase(S("run-folder-test"));
        return value;
    }

    int shopRows() { return onShop(S("SELECT COUNT(*) FROM PRODUTO WHERE CDPRODUTO = 'LOJA'")).toInt(); }

    QTemporaryDir m_dir;
    RunFolder folder;
};

TEST_F(RunFolderTest, AShopIsNeverReplacedWhateverElseIsMissing)
{
    const RunFolderState first = prepareRunFolder(folder, false);
    EXPECT_TRUE(first.built);
    EXPECT_TRUE(first.missing.isEmpty());
    onShop(S("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO) VALUES ('LOJA', 'Linha da loja')"));
    ASSERT_EQ(shopRows(), 1);

    const QString aside = m_dir.filePath(S("aside"));
    for (const QString& path : {folder.parametersPath(), folder.taxRatesPath(), folder.picturesPath()}) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(QDir().rename(path, aside));
        const RunFolderState state = prepareRunFolder(folder, false);
        EXPECT_FALSE(state.built);
        EXPECT_EQ(state.missing, QStringList{path});
        EXPECT_FALSE(QFileInfo::exists(path)) << "a missing file is reported, not written";
        EXPECT_EQ(shopRows(), 1);
        ASSERT_TRUE(QDir().rename(aside, path));
    }

    // All of them at once: still the same shop.
    QFile::remove(folder.parametersPath());
    QFile::remove(folder.taxRatesPath());
    QDir(folder.picturesPath()).removeRecursively();
    EXPECT_EQ(prepareRunFolder(folder, false).missing.size(), 3);
    EXPECT_EQ(shopRows(), 1);

    // Only an explicit rebuild starts again from the sample.
    EXPECT_TRUE(prepareRunFolder(folder, true).built);
    EXPECT_EQ(shopRows(), 0);
    EXPECT_TRUE(QFileInfo::exists(folder.parametersPath()));
}

TEST_F(RunFolderTest, AFolderWithFilesButNoDatabaseIsRefusedUntouched)
{
    ASSERT_TRUE(QDir().mkpath(folder.root));
    {
        QFile own(folder.parametersPath());
        ASSERT_TRUE(own.open(QIODevice::WriteOnly));
        own.write("the shop's own parameters");
    }
    try {
        prepareRunFolder(folder, false);
        ADD_FAILURE() << "a sample shop was built over a shop's files";
    } catch (const HostError& e) {
        EXPECT_TRUE(e.message().contains(folder.databasePath())) << e.what();
    }
    EXPECT_FALSE(QFileInfo::exists(folder.databasePath()));
    QFile own(folder.parametersPath());
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    EXPECT_EQ(own.readAll(), QByteArray("the shop's own parameters"));
}

}  // namespace

// The occurrence query is kept prepared across touches; the shop's connection closed and
// opened again (a host reconnecting) must not leave it answering from a dead statement.
TEST_F(RunFolderTest, OccurrencesSurviveTheShopConnectionBeingReopened)
{
    ASSERT_TRUE(prepareRunFolder(folder, false).built);
    const QString name = S("occurrences-test");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(S("QSQLITE"), name);
        db.setDatabaseName(folder.databasePath());
        ASSERT_TRUE(db.open());
        const ShopCatalogue catalogue(name);
        const auto descriptions = [](const DataPacket& p) {
            QStringList out;
            for (const Row& r : p.rows)
                out << r.value(3).toString();
            return out;
        };
        const QStringList burger{S("Sem cebola"), S("Sem tomate"), S("Bem passado"),
                                 S("Com bacon extra")};
        EXPECT_EQ(descriptions(catalogue.occurrences(S("1001"))), burger);
        EXPECT_EQ(descriptions(catalogue.occurrences(S("1003"))),
                  QStringList({S("Sem cebola"), S("Bem passado")}));
        EXPECT_TRUE(catalogue.occurrences(S("10'01")).rows.isEmpty());

        db.close();
        EXPECT_THROW(catalogue.occurrences(S("1001")), HostError);
        ASSERT_TRUE(db.open());
        const ShopCatalogue copy = catalogue;  // copies share the kept statement
        EXPECT_EQ(descriptions(copy.occurrences(S("1001"))), burger);
        EXPECT_EQ(descriptions(catalogue.occurrences(S("1001"))), burger);
    }
    QSqlDatabase::removeDatabase(name);
}
