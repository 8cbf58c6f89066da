#include "answers.h"
#include "fakedriver.h"
#include "itemrecord.h"
#include "qtapp.h"
#include "qthostservices.h"

#include <gtest/gtest.h>

using namespace kvp;
using namespace kvp::refhost;

namespace {

QString S(const char* t)
{
    return QString::fromUtf8(t);
}

DataPacket occurrences()
{
    // CDGRPOCOR, CDOCORR, CDTIPRISCO, DSOCORR, CDPRODUTO, IDCONTROLAOBS
    DataPacket p{records::obs(), {}};
    p.rows.append(Row{S("01"), S("10"), QString(), S("Sem cebola"), QString(), S("N")});
    p.rows.append(Row{S("01"), S("11"), QString(), S("Bem passado"), QString(), QString()});
    p.rows.append(Row{S("01"), S("12"), QString(), S("Bacon extra"), S("P900"), S("A")});
    p.rows.append(Row{S("02"), S("20"), QString(), S("Sem gelo"), QString(), S("N")});
    return p;
}

QList<QStringList> rowsOf(const QVariant& slot)
{
    // Loaded the way the screen loads it: into a dataset.
    DataSet ds(QStringLiteral("slot"));
    ds.setData(slot.value<DataPacket>());
    QList<QStringList> out;
    for (ds.first(); !ds.eof(); ds.next()) {
        QStringList r;
        for (const FieldDef& f : ds.fields())
            r << ds.asString(f.name);
        out << r;
    }
    return out;
}

class Services : public ::testing::Test {
protected:
    static void SetUpTestSuite() { kvp::test::qtApp(); }

    Services()
    {
        m_config.connectionString = QStringLiteral("sqlite:/tmp/shop.db");
        m_config.programFolder = QStringLiteral("/opt/pdv");
        m_config.clock = [] { return QDateTime(QDate(2026, 12, 6), QTime(9, 5, 30)); };
        m_config.occurrences = [this](const QString& product) {
            m_askedFor << product;
            return occurrences();
        };
    }

    QtHostServices& host()
    {
        if (!m_host)
            m_host = std::make_unique<QtHostServices>(m_config, m_dialogs);
        return *m_host;
    }

    QString observe(ObservationChoice choice, HostAnswer& answer)
    {
        m_dialogs.observationAnswers.push_back(std::move(choice));
        const QVariantList inputs{S("N"), S("P"),    S("P100"), S("X-Búrguer"), QString(),
                                  false,  QString(), QString(), QString(),      QString()};
        return host().Observacao(inputs, answer);
    }

    test::FakeDriver m_dialogs;
    QtHostConfig m_config;
    QStringList m_askedFor;
    std::unique_ptr<QtHostServices> m_host;
};

}  // namespace

TEST_F(Services, ObservationFillsTheSlotsTheScreenReads)
{
    HostAnswer answer;
    answer[7] = S("left over");
    const QString text = observe({true, {2, 0}, S("  cortar ao meio ")}, answer);

    EXPECT_EQ(text.toStdString(), "Bacon extra, Sem cebola, cortar ao meio");
    EXPECT_EQ(answer[0].toString().toStdString(), "01");
    EXPECT_EQ(rowsOf(answer[2]), (QList<QStringList>{{S("12")}, {S("10")}}));
    EXPECT_EQ(answer[2].value<DataPacket>().fields, records::ocorrencia());
    EXPECT_EQ(answer[3].toString().toStdString(), "cortar ao meio");
    EXPECT_EQ(rowsOf(answer[4]),
              (QList<QStringList>{{S("A"), S("P900"), S("12")}, {S("N"), QString(), S("10")}}));
    EXPECT_EQ(answer[4].value<DataPacket>().fields, records::controlaObs());
    EXPECT_FALSE(answer[7].isValid()) << "slots are cleared before they are filled";

    ASSERT_EQ(m_dialogs.observations.size(), 1);
    EXPECT_EQ(m_dialogs.observations[0].productName.toStdString(), "X-Búrguer");
    EXPECT_EQ(m_dialogs.observations[0].occurrences.rows.size(), 4);
    EXPECT_EQ(m_askedFor, QStringList{S("P100")});
}

TEST_F(Services, ObservationWithoutAChoiceStillHandsBackLoadablePackets)
{
    HostAnswer answer;
    EXPECT_EQ(observe({false, {1}, S("ignored")}, answer).toStdString(), "erro");
    EXPECT_TRUE(rowsOf(answer[4]).isEmpty());
    EXPECT_EQ(answer[4].value<DataPacket>().fields, records::controlaObs());
    EXPECT_TRUE(rowsOf(answer[2]).isEmpty());

    EXPECT_EQ(observe({true, {}, QString()}, answer).toStdString(), "");
    EXPECT_EQ(answer[0].toString().toStdString(), "");

    // Only a typed text: it is the observation.
    EXPECT_EQ(observe({true, {}, S("sem sal")}, answer).toStdString(), "sem sal");
    EXPECT_EQ(answer[3].toString().toStdString(), "sem sal");

    // The same occurrence twice gives one row.
    EXPECT_EQ(observe({true, {1, 1}, QString()}, answer).toStdString(), "Bem passado");
    EXPECT_EQ(rowsOf(answer[2]).size(), 1);
}

TEST_F(Services, ObservationRefusesWhatOneAnswerCannotCarry)
{
    HostAnswer answer;
    try {
        observe({true, {0, 3}, QString()}, answer);
        FAIL() << "two occurrence groups in one answer";
    } catch (const HostError& e) {
        EXPECT_TRUE(e.message().contains(S("grupos diferentes"))) << e.message().toStdString();
    }
    EXPECT_THROW(observe({true, {4}, QString()}, answer), HostError);
}

TEST_F(Services, CouponSearchAndKeypadAnswers)
{
    HostAnswer answer;
    answer[2] = S("stale");
    m_dialogs.couponAnswers = {S("  CUP10  "), std::nullopt, S("ABCDEFGHIJKLMN")};
    const QVariantList nine{QString(), QString(), QString(), QString(), QString(),
                            QString(), S("1"),    QString(), S("S")};
    host().CriaInfAdicional(nine, answer);
    EXPECT_EQ(answer[4].toString().toStdString(), "CUP10");
    EXPECT_FALSE(answer[2].isValid());
    host().CriaInfAdicional(nine, answer);
    EXPECT_EQ(answer[4].toString().toStdString(), "");
    host().CriaInfAdicional(nine, answer);
    EXPECT_EQ(answer[4].toString().toStdString(), "ABCDEFGHIJKLMN")
        << "a code cut to ten characters may be another coupon";

    // The search offers the rows the dataset shows and leaves the cursor on the one picked.
    DataSet products(QStringLiteral("products"),
                     {stringField(S("CDPRODUTO"), 10), stringField(S("NMPRODUTO"), 40)});
    products.fieldDef(S("NMPRODUTO")).displayLabel = S("Nome");
    products.fieldDef(S("CDPRODUTO")).visible = false;
    for (const char* p : {"A", "B", "C", "D"}) {
        products.append();
        products.setValue(S("CDPRODUTO"), S(p));
        products.setValue(S("NMPRODUTO"), QString(S("Produto ") + S(p)));
        products.post();
    }
    products.applyFilter(Filter::ne(S("CDPRODUTO"), S("B")));
    products.setRecNo(3);
    m_dialogs.searchAnswers = {1, std::nullopt, 7};
    EXPECT_TRUE(host().Pesquisa(products, {QString(), S("N"), 0, 0, 0, 0, 0}));
    EXPECT_EQ(products.asString(S("CDPRODUTO")).toStdString(), "C");
    const SearchRequest& offered = m_dialogs.searches.first();
    EXPECT_EQ(offered.rows.rows.size(), 3);
    EXPECT_EQ(offered.rows.fields[1].displayLabel.toStdString(), "Nome");
    EXPECT_FALSE(offered.rows.fields[0].visible);
    products.setRecNo(3);
    EXPECT_FALSE(host().Pesquisa(products, {}));
    EXPECT_EQ(products.asString(S("CDPRODUTO")).toStdString(), "D")
        << "a cancelled search moves nothing";
    EXPECT_THROW(host().Pesquisa(products, {}), HostError);

    // The keypad: the first further value is a note (a lone "X" is not), the second the
    // display's length; cancelling leaves the value alone.
    QString value = S("0");
    m_dialogs.keypadAnswers = {S("0,45"), std::nullopt};
    EXPECT_TRUE(host().TecladoNumerico(value, S("Venda"), S("Informe a quantidade"),
                                       {S("X"), 10, 0, 1, 0, 0, 0}));
    EXPECT_EQ(value.toStdString(), "0,45");
    EXPECT_EQ(m_dialogs.keypads[0].initial.toStdString(), "0");
    EXPECT_EQ(m_dialogs.keypads[0].maxLength, 10);
    EXPECT_TRUE(m_dialogs.keypads[0].hint.isEmpty());
    EXPECT_FALSE(
        host().TecladoNumerico(value, S("Venda"), S("Quantidade"), {S("Até 4 dígitos"), 10}));
    EXPECT_EQ(value.toStdString(), "0,45");
    EXPECT_EQ(m_dialogs.keypads[1].hint.toStdString(), "Até 4 dígitos");
}

TEST_F(Services, AccessChecksAskOnlyForProtectedFunctions)
{
    m_config.protectedFunctions = {{7, S("1234")}, {8, QString()}};
    QString text;
    host().ControleAcess(7, {}, text);
    EXPECT_EQ(text.toStdString(), "S");
    host().ControleAcess(3, {}, text);
    EXPECT_EQ(text.toStdString(), "N");

    EXPECT_TRUE(host().VerificaAcesso(3, {}, text));
    EXPECT_TRUE(m_dialogs.keypads.isEmpty());

    m_dialogs.keypadAnswers = {S("9999"), S("1234"), std::nullopt};
    EXPECT_FALSE(host().VerificaAcesso(7, {}, text));
    EXPECT_EQ(text.toStdString(), "Senha incorreta.");
    ASSERT_EQ(m_dialogs.messages.size(), 1);
    EXPECT_EQ(m_dialogs.messages[0].kind, MessageKind::Warning);
    EXPECT_TRUE(m_dialogs.keypads[0].masked);
    EXPECT_FALSE(m_dialogs.keypads[0].allowComma);
    EXPECT_TRUE(host().VerificaAcesso(7, {}, text));
    EXPECT_FALSE(host().VerificaAcesso(7, {}, text));

    m_dialogs.messageAnswers = {true, false};
    EXPECT_TRUE(host().VerificaAcesso(8, {}, text));
    EXPECT_FALSE(host().VerificaAcesso(8, {}, text));
}

TEST_F(Services, MessagesReportsScaleAndEnvironment)
{
    QStringList printed;
    m_config.runFiscalReport = [&](const QString& r) { printed << r; };
    m_dialogs.messageAnswers = {true, false};
    EXPECT_TRUE(host().Mensagem(S("Deseja sair?"), {}, S("N"), S("S"), 1, {}, S("2"), 0, nullptr));
    EXPECT_FALSE(host().Mensagem(S("Deseja sair?"), {}, S("N"), S("S"), 1, {}, {}, 0, nullptr));
    EXPECT_TRUE(host().Mensagem(S("Aviso"), {}, S("N"), S("N"), 2, {}, {}, 0, nullptr));
    EXPECT_EQ(m_dialogs.messages[0].scheme.toStdString(), "2");
    EXPECT_EQ(m_dialogs.messages[2].kind, MessageKind::Information);

    // A failed data function is shown as a warning and stops the caller.
    const DataResult failed = DataResult::error(S("tabela inexistente"));
    EXPECT_THROW(
        host().MensagemMetodo(failed, true, 0, S("getGrupoPromoComb"), S("Srv_Kvp510"), {}, {}),
        SilentAbort);
    EXPECT_EQ(m_dialogs.messages.last().kind, MessageKind::Warning);
    EXPECT_TRUE(m_dialogs.messages.last().text.contains(S("tabela inexistente")));
    EXPECT_TRUE(host().MensagemMetodo(failed, false, 0, {}, {}, {}, {}).isEmpty());
    EXPECT_EQ(host()
                  .MensagemMetodo(DataResult::text(S("P1")), true, 0, {}, {}, {}, {})
                  .toText()
                  .toStdString(),
              "P1");

    m_dialogs.fiscalAnswers = {1, std::nullopt};
    host().RelFiscais();
    host().RelFiscais();
    EXPECT_EQ(printed, QStringList{S("Redução Z")});

    host().scale().setReading(0.482);
    EXPECT_DOUBLE_EQ(host().BuscaPeso(S("COM1"), S("9600")), 0.482);
    EXPECT_EQ(host().scale().readingsTaken(), 1);

    EXPECT_EQ(host().GetStringConexQmt({}).toStdString(), "sqlite:/tmp/shop.db");
    EXPECT_EQ(host().programFolder().toStdString(), "/opt/pdv");
    EXPECT_EQ(host().now(), QDateTime(QDate(2026, 12, 6), QTime(9, 5, 30)));
    EXPECT_EQ(host().formatSettings().decimalSeparator, QLatin1Char(','));
}

TEST(ServicesDefaults, FiscalMenuWithoutAPrinterSaysSo)
{
    kvp::test::qtApp();
    test::FakeDriver dialogs;
    QtHostServices host(QtHostConfig{}, dialogs);
    dialogs.fiscalAnswers = {0};
    host.RelFiscais();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("Leitura X")));
}
