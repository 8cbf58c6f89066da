// Awkward texts in every code and name a sale reads (promotion, groups, products, coupon,
// campaign, customer, observation): quotes, printf and Qt placeholders, accents, the
// widest the shop's tables and the hand-back allow (a wider name is refused by name, as
// the shop-schema tests show for codes), and empty names. Each sale must go through exactly as
// the same sale with plain codes, every text coming back and stored as it was; an
// observation too long for its line and a database that disappears mid-sale get a clear
// error and lose nothing.

#include "entrysale.h"

#include "oplog.h"

#include <QFile>

namespace kvp::test {
namespace {

using combinada::TfrmPromocaoCombinada;

// The codes and names of one sale.
struct Texts {
    const char* label;
    QString promo, group1, group2, groupName, product1, product2, name1, name2, coupon, campaign,
        customer, observation;
};

Texts plain()
{
    return {"Plain", S("PROMO"), S("G1"), S("G2"), S("Grupo"), S("A"), S("B"), S("Nome A"),
            S("Nome B"), S("CUP"), S("C1"), S("CLI"), S("SEM GELO")};
}

QList<Texts> awkward()
{
    const QString ten = S("ÇÃÕÉÍÓÚÂÊ");  // nine letters of two bytes each
    return {
        {"Quotes", S("PR'O\"1"), S("G'1"), S("G\"2"), S("Grupo d'O \"X\""), S("P'1"), S("P\"2'"),
         S("Pão d'água \"X\""), S("'; DROP TABLE PRODUTO; --"), S("CU'P"), S("CA'M"), S("CL'I"),
         S("sem 'gelo' \"já\"")},
        {"Placeholders", S("%s%s"), S("%1"), S("%s"), S("%1 %s %n"), S("%s%n"), S("%1%2"),
         S("%s %d %1 %n"), S("%%s %L1"), S("%s"), S("%1"), S("%s"), S("%s %1 %%")},
        {"Accents", S("PRÓMÇ"), S("GÇ1"), S("GÃ2"), S("Grupo açaí"), S("PÉ1"), S("PÕ2"),
         S("Açaí com maçã ÂÊÔ"), S("Pão à moda ü"), S("CUPÃO"), S("CAMPÂ"), S("JOSÉ"),
         S("Sem açúcar, pão à parte")},
        {"Widest", ten + S("1"), ten + S("2"), ten + S("3"), QString(40, QChar(0x00C7)),
         ten + S("4"), ten + S("5"), QString(49, QChar(0x00E3)) + S("1"),
         QString(49, QChar(0x00E3)) + S("2"), ten + S("6"), ten + S("7"), ten + S("8"),
         QString(1999, QChar(0x00E7)) + S("!")},
        {"EmptyNames", S("PROMO2"), S("G3"), S("G4"), QString(), S("E1"), S("E2"), QString(),
         QString(), S("CUP2"), S("C2"), QString(), QString()},
    };
}

void PrintTo(const Texts& t, std::ostream* os)
{
    *os << t.label;
}

// A shop whose sale asks for an observation and takes a coupon and a campaign.
class TextsSale : public EntrySale {
protected:
    void SetUp() override
    {
        EntrySale::SetUp();
        writeParameters({{S("IDSOLOBSPED"), S("S")},
                         {S("UTILIZAIMPFIS"), S("S")},
                         {S("IDTIPOIMPFIS"), S("16")}});
        db->insert(S("PARAMGERAL"), {{"CDPARAMGERAL", S("01")}, {"IDUTCUPOMDESC", S("S")}});
        db->insert(S("LOJA"), {{"CDFILIAL", S("01")}, {"CDLOJA", S("1")}, {"CDGRPOCORPED", S("01")}});
        db->insert(S("GRUPOCOR"), {{"CDGRPOCOR", S("01")}});
        db->insert(S("OCORRENCIA"), {{"CDGRPOCOR", S("01")}, {"CDOCORR", S("05")}});
    }

    // Product 1 (12,00) asks for an observation, product 2 (9,00) takes a coupon of 0,50,
    // and the campaign takes 1,00 off product 1 when both are sold.
    void catalogue(const Texts& t)
    {
        sellable(t.product1, 12.00, 0, t.name1);
        sellable(t.product2, 9.00, 0, t.name2);
        if (t.name1.isEmpty())
            db->exec(S("UPDATE PRODUTO SET NMPRODUTO = NULL WHERE CDPRODUTO IN ('E1', 'E2')"));
        promoGroup(t.promo, t.group1, t.groupName, {t.product1}, 1, 1);
        promoGroup(t.promo, t.group2, t.groupName, {t.product2}, 1, 2);
        db->insert(S("PRODOCORRE"),
                   {{"CDPRODUTO", t.product1}, {"CDGRPOCOR", S("01")}, {"CDOCORR", S("05")}});
        db->insert(S("CUPOMDESCQMT"), {{"CDCUPOMDESCQMT", t.coupon},
                                       {"IDTIPODESC", S("V")},
                                       {"VRDESCCUPOM", 0.50},
                                       {"DTINIVIGENCIA", QVariant()},
                                       {"DTFIMVIGENCIA", QVariant()},
                                       {"IDUSOUNICO", S("N")}});
        db->insert(S("PRODCUPOMDESC"), {{"CDCUPOMDESCQMT", t.coupon}, {"CDPRODUTO", t.product2}});
        insertCampaign(*db, t.campaign, t.product1, t.product2);
    }

    void answerObservation(const QString& text)
    {
        HostAnswer obs;
        obs[0] = S("01");
        obs[2] = QVariant::fromValue(packet(records::ocorrencia(), {{S("05")}}));
        obs[4] = QVariant::fromValue(packet(records::controlaObs(), {}));
        host.answerObservation(text, obs);
    }

    // Product 1 with its observation, product 2 with its coupon; `between` runs between
    // the two touches.
    Outcome sell(const Texts& t, std::function<void(TfrmPromocaoCombinada&)> between = {})
    {
        host.clearCalls();
        Sale sale(S("2"), 0, S("B"), [this, t, between] {
            onMain([this, t, between](TfrmPromocaoCombinada& s) {
                answerObservation(t.observation);
                host.answerCoupon(QString());
                tap(s, t.product1, combinada::kSlotsProduto);
                if (between)
                    between(s);
                host.answerCoupon(t.coupon);
                tap(s, t.product2, combinada::kSlotsProduto);
                confirmOrLeave(s);
            });
        });
        sale.promo = t.promo;
        sale.name = t.groupName;
        sale.customer = t.customer;
        return call(sale);
    }

    static QStringList columnOf(const DataPacket& p, const char* name)
    {
        DataSet ds(S("copy"));
        ds.setData(p);
        QStringList out;
        for (ds.first(); !ds.eof(); ds.next())
            out << ds.asString(S(name));
        return out;
    }

    QStringList stored(const QString& column, const QString& promo)
    {
        QSqlQuery q(db->database());
        q.prepare(S("SELECT ") + column + S(" FROM PROMOCAOCOMBAUX WHERE CDPRODPROMOCAO = ? ORDER BY CDPRODUTO"));
        q.addBindValue(promo);
        EXPECT_TRUE(q.exec());
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
};

class BadInput : public TextsSale, public ::testing::WithParamInterface<std::tuple<Backend, Texts>> {
protected:
    Backend backend() const override { return std::get<0>(GetParam()); }
};

TEST_P(BadInput, TheSaleGoesThroughAsWithPlainCodesAndEveryTextComesBackAsItWas)
{
    const Texts t = std::get<1>(GetParam());
    catalogue(plain());
    catalogue(t);
    const Outcome base = sell(plain());
    ASSERT_TRUE(base.confirmed) << warnings().join(S(" | ")).toStdString();

    const Outcome out = sell(t);
    ASSERT_TRUE(out.confirmed) << warnings().join(S(" | ")).toStdString();
    EXPECT_TRUE(warnings().isEmpty()) << warnings().join(S(" | ")).toStdString();

    // Priced as the plain sale: campaign, coupon and the products' own prices.
    for (const char* money : {"VRUNVENDAEST", "VRDESCONTO", "VRDESITVENDAEST", "VRPRECOCLIE"})
        EXPECT_EQ(columnOf(out.items, money), columnOf(base.items, money)) << money;
    // Every text as the shop wrote it.
    EXPECT_EQ(columnOf(out.items, "CDPRODUTO"), (QStringList{t.product1, t.product2}));
    EXPECT_EQ(columnOf(out.items, "NMPRODUTO"), (QStringList{t.name1, t.name2}));
    EXPECT_EQ(columnOf(out.items, "CDGRUPROMOC"), (QStringList{t.group1, t.group2}));
    EXPECT_EQ(columnOf(out.items, "CDPRODVENDA"), (QStringList{t.promo, t.promo}));
    EXPECT_EQ(columnOf(out.items, "CDCAMPPROMO"), (QStringList{t.campaign, t.campaign}));
    EXPECT_EQ(columnOf(out.items, "CDCUPOMDESCQMT"), (QStringList{QString(), t.coupon}));
    EXPECT_EQ(columnOf(out.items, "STOBSPEDIDO"), (QStringList{t.observation, QString()}));
    EXPECT_EQ(columnOf(out.obs, "CDPRODUTO"), t.observation.isEmpty() ? QStringList() : QStringList{t.product1});

    // Stored for the host under the promotion's own code.
    QStringList products{t.product1, t.product2};
    products.sort();
    EXPECT_EQ(stored(S("CDPRODUTO"), t.promo), products);
    EXPECT_EQ(rowsOfTill("PROMOCAOCOMBTMP"), 0);

    // The log holds the texts, placeholders untouched.
    EXPECT_TRUE(log().contains(S("PRODUTO ADICIONADO: ") + t.product1 + S(" - ") + t.name1 + S(" - ")))
        << log().right(2000).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Texts, BadInput,
                         ::testing::Combine(::testing::Values(Backend::Sqlite, Backend::Postgres,
                                                              Backend::OdbcPostgres),
                                            ::testing::ValuesIn(awkward())),
                         [](const auto& param) {
                             return backendName(std::get<0>(param.param)).toStdString()
                                 + std::get<1>(param.param).label;
                         });

class Trouble : public TextsSale, public ::testing::WithParamInterface<Backend> {
protected:
    Backend backend() const override { return GetParam(); }
};

// An observation longer than its line holds is refused with a clear message; the line
// goes with it (never with a cut text), and the operator sells the product again.
TEST_P(Trouble, AnObservationTooLongForItsLineIsRefusedAndTheSaleGoesOn)
{
    const Texts t = plain();
    catalogue(t);
    const QString longText = QString(5000, QLatin1Char('x'));
    QStringList linesAfterRefusal;
    QStringList shownAfterRefusal;
    Sale sale(S("2"), 0, S("B"), [&] {
        onMain([&](TfrmPromocaoCombinada& s) {
            answerObservation(longText);
            host.answerCoupon(QString());
            tap(s, t.product1, combinada::kSlotsProduto);
            linesAfterRefusal = columnOf(s.cdsItemProd.data(), "STOBSPEDIDO");
            shownAfterRefusal = warnings();
            host.clearCalls();
            answerObservation(t.observation);
            host.answerCoupon(QString());
            tap(s, t.product1, combinada::kSlotsProduto);
            host.answerCoupon(t.coupon);
            tap(s, t.product2, combinada::kSlotsProduto);
            confirmOrLeave(s);
        });
    });
    host.clearCalls();
    const Outcome out = call(sale);

    ASSERT_EQ(shownAfterRefusal.size(), 1);
    EXPECT_TRUE(shownAfterRefusal.first().contains(S("STOBSPEDIDO"))) << shownAfterRefusal.first().toStdString();
    EXPECT_TRUE(log().contains(S("STOBSPEDIDO"))) << log().toStdString();
    EXPECT_TRUE(linesAfterRefusal.isEmpty()) << linesAfterRefusal.join(S(",")).left(200).toStdString();
    ASSERT_TRUE(out.confirmed) << warnings().join(S(" | ")).toStdString();
    EXPECT_EQ(columnOf(out.items, "CDPRODUTO"), (QStringList{t.product1, t.product2}));
    EXPECT_EQ(columnOf(out.items, "STOBSPEDIDO"), (QStringList{t.observation, QString()}));
    EXPECT_EQ(columnOf(out.obs, "NRSEQ").size(), 1);
}

// The database goes away while a sale is open (SQLite: its file is removed; PostgreSQL:
// the till's sessions end and new ones are refused, as when the server stops). The
// operator is told, the host gets nothing half-made, no empty database is left in the
// shop's place, and once the database is back the next sale goes through whole.
TEST_P(Trouble, ADatabaseThatDisappearsMidSaleLosesNothing)
{
    const Texts t = plain();
    catalogue(t);
    const bool sqlite = GetParam() == Backend::Sqlite;
    const QString file = db->database().databaseName();
    const QString aside = file + S(".aside");

    const Outcome during = sell(t, [&](TfrmPromocaoCombinada&) {
        if (sqlite) {
            ASSERT_TRUE(QFile::rename(file, aside));
        } else {
            shop->refuseSessions(true);
            shop->dropSessions();
        }
    });
    if (!during.confirmed) {
        EXPECT_FALSE(warnings().isEmpty());
        EXPECT_TRUE(during.items.rows.isEmpty());
    }

    // The next sale, with the database still away: refused clearly, nothing created.
    const QString logBefore = log();
    const Outcome next = sell(t);
    EXPECT_FALSE(next.confirmed);
    EXPECT_TRUE(next.items.rows.isEmpty());
    const QStringList shown = host.messages();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(log().mid(logBefore.size()).contains(shown.first().section(S(": "), -1)))
        << shown.first().toStdString();
    if (sqlite) {
        EXPECT_FALSE(QFile::exists(file)) << "an empty database was made in the shop's place";
    }

    // Back again: nothing of the broken sales was left behind, and a sale goes through.
    if (sqlite) {
        ASSERT_TRUE(QFile::rename(aside, file));
    } else {
        shop->refuseSessions(false);
    }
    const int stored = rowsOfTill("PROMOCAOCOMBAUX");
    EXPECT_EQ(rowsOfTill("PROMOCAOCOMBTMP"), 0);
    const Outcome after = sell(t);
    ASSERT_TRUE(after.confirmed) << warnings().join(S(" | ")).toStdString();
    EXPECT_EQ(columnOf(after.items, "CDPRODUTO"), (QStringList{t.product1, t.product2}));
    EXPECT_EQ(rowsOfTill("PROMOCAOCOMBAUX"), stored + 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, Trouble, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const ::testing::TestParamInfo<Backend>& param) {
                             return backendName(param.param).toStdString();
                         });

}  // namespace
}  // namespace kvp::test
