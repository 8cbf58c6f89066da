// Start-up from the host's files, function keys, typed shortcuts and cancel.

#include "screenfixture.h"

#include "oplog.h"
#include "rdmpromocaocombinada.h"

#include <QFile>

namespace kvp::test {
namespace {

QString logText(const ScriptedHost& host)
{
    QFile f(operationLogFile(host.programFolder(), host.now().date()));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

class Startup : public ScreenTest {};

TEST_F(Startup, InitialisationReadsTheHostFilesAndTheBranchSwitches)
{
    writeParameters({{S("CDFILIAL"), S("01")},
                     {S("UTILIZAIMPFIS"), S("T")},
                     {S("IDTIPOIMPFIS"), S("16")},
                     {S("CTMULTIPLICADOR"), S("33")},
                     {S("IDADESAOREFTRIB"), S("S")}});
    DataPacket rates;
    rates.fields = records::aliqImpFis();
    rates.rows = {{S("T1"), 18.0, S("T")}, {S("T2"), 7.0, S("T")}};
    ASSERT_TRUE(QDir(programFolder()).mkpath(S("Dados/Cadastros")));
    rates.saveToFile(QDir(programFolder()).filePath(S("Dados/Cadastros/AliqImpFis.cds")));
    showZeroPrices(S("S"));
    for (const char* p : {"V1", "V2"}) {
        itensVendidos.append();
        itensVendidos.setValue(S("CDPRODUTO"), S(p));
        itensVendidos.post();
    }

    auto& s = open();

    EXPECT_EQ(s.stCdFilial, S("01"));
    EXPECT_EQ(s.stCdLoja, S("1"));
    EXPECT_EQ(s.stNrConfTela, S("7"));
    EXPECT_EQ(s.stIdEsquema, S("E1"));
    EXPECT_TRUE(s.boUtilizaImpFis);
    EXPECT_FALSE(s.boSistemaQmtNfce);
    EXPECT_EQ(s.nrIdTipoImpFis, 16);
    EXPECT_EQ(s.nrCtMultiplicador, 33);
    EXPECT_EQ(s.stIdAdesaoRefTrib, S("S"));
    EXPECT_EQ(s.cdsAliqImpFis.recordCount(), 2);
    EXPECT_TRUE(s.cdsAliqImpFis.locate(S("VRALIQIMPFIS;IDALIQIMPFIS"), {7.0, S("T")}));
    EXPECT_EQ(s.nrSeqItem, 2);
    EXPECT_EQ(s.stIdExibeProd, S("S"));
    EXPECT_TRUE(s.imgBandLaranja.visible);

    const QList<HostCall> access = host.callsOf(S("ControleAcess"));
    ASSERT_EQ(access.size(), 1);
    EXPECT_EQ(access[0].args.value(0).toInt(), 33);
    const QString log = logText(host);
    EXPECT_TRUE(log.contains(S(" - FILIAL: 01\n")));
    EXPECT_TRUE(log.contains(S(" - PROMOÇÃO: PROMO - COMBO\n")));
}

// A broken settings table: the switch's failed lookup is shown by name and logged, and
// the screen starts with the switch's fallback (zero-priced products shown, coupons off).
TEST_F(Startup, AFailedBranchSwitchWarnsThenStartsWithItsFallback)
{
    showZeroPrices(S("N"));
    db->insert(S("PARAMGERAL"), {{"CDPARAMGERAL", S("01")}, {"IDUTCUPOMDESC", S("S")}});
    groups(1);
    struct Case {
        const char* statement;
        const char* function;
        const char* exibeProd;
        const char* cupom;
    };
    for (const Case c : {Case{"adqExibeProd", "getExibeProd", "S", "S"},
                         Case{"adqParamGeral", "getIDUTCUPOMDESC", "N", "N"}}) {
        SCOPED_TRACE(c.function);
        host.clearCalls();
        const struct Unhook {
            ~Unhook() { setDataCallHook({}); }
        } unhook;
        setDataCallHook([&](const QString& call) {
            if (call == S(c.statement))
                throw DataModuleError(S("injected failure"));
        });
        auto& s = open();
        EXPECT_EQ(s.stIdExibeProd, S(c.exibeProd));
        EXPECT_EQ(s.stIdUtCupomDesc, S(c.cupom));
        ASSERT_EQ(host.messages().size(), 1);
        EXPECT_TRUE(host.messages().first().startsWith(S(c.function) + S(": ")));
        EXPECT_TRUE(logText(host).contains(S(c.function) + S(": "))) << logText(host).toStdString();
        EXPECT_EQ(menuCaptions().size(), 1);
    }
}

TEST_F(Startup, AParameterFileWithoutOneOfItsFieldsIsRefusedByName)
{
    writeParameters({}, {S("NRCONFTELA")});
    RecordingScreen s;
    try {
        s.InicializaForm(itensRet, S("PROMO"), S("COMBO"), QString(), S("1"), S("V"), S("D"), 10, 0,
                         1, false, itensVendidos);
        FAIL() << "no error for a parameter file without NRCONFTELA";
    } catch (const DataSetError& e) {
        EXPECT_TRUE(e.message().contains(S("NRCONFTELA"))) << e.message().toStdString();
    }
}

TEST_F(Startup, ACorruptParameterFileIsAClearError)
{
    QFile f(QDir(programFolder()).filePath(S("PARAMETROSQMT.CDS")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("<DATAPACKET><METADATA><FIELDS><FIELD attrname=");
    f.close();
    RecordingScreen s;
    EXPECT_THROW(s.InicializaForm(itensRet, S("PROMO"), S("COMBO"), QString(), S("1"), S("V"),
                                  S("D"), 10, 0, 1, false, itensVendidos),
                 DataSetError);
}

TEST_F(Startup, AParameterFileWithoutARecordIsRefusedByName)
{
    const QString path = QDir(programFolder()).filePath(S("PARAMETROSQMT.CDS"));
    DataPacket empty = DataPacket::loadFromFile(path);
    empty.rows.clear();
    empty.saveToFile(path);
    RecordingScreen s;
    try {
        s.InicializaForm(itensRet, S("PROMO"), S("COMBO"), QString(), S("1"), S("V"), S("D"), 10, 0,
                         1, false, itensVendidos);
        FAIL() << "a parameter file without its record opened the screen";
    } catch (const DataSetError& e) {
        EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
    }
}

TEST_F(Startup, WithoutAParameterFileTheCodesStayEmpty)
{
    ASSERT_TRUE(QFile::remove(QDir(programFolder()).filePath(S("PARAMETROSQMT.CDS"))));
    auto& s = open();
    EXPECT_TRUE(s.stCdFilial.isEmpty());
    EXPECT_TRUE(s.stNrConfTela.isEmpty());
    EXPECT_EQ(s.nrCtMultiplicador, 0);
}

class Keys : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        products(S("GA"), 13);
        promoGroup(S("GA"), 2, 2);
    }
    RecordingScreen& openWithClock()
    {
        auto& s = open();
        clock.attach(s.tmrDataHora);
        return s;
    }
    void type(const char* digits)
    {
        for (const char* c = digits; *c; ++c)
            screen->FormKeyPress(QLatin1Char(*c));
    }
    QStringList shortcutLookups()
    {
        QStringList out;
        for (const HostCall& c : host.callsOf(S("MensagemMetodo")))
            if (c.args.value(3).toString() == S("GetCodigoAtalho"))
                out << c.args.value(5).toString();
        return out;
    }
    void addItem()
    {
        screen->cdsItemProd.append();
        screen->cdsItemProd.setValue(S("CDPRODUTO"), S("P001"));
        screen->cdsItemProd.setValue(S("NRSEQ"), S("1"));
        screen->cdsItemProd.post();
    }
    screen::ManualClock clock;
};

TEST_F(Keys, DigitsTypedInOneBurstAreLookedUpOnce)
{
    openWithClock();
    type("1");
    clock.advance(150);
    type("2");
    clock.advance(399);
    EXPECT_TRUE(shortcutLookups().isEmpty());
    clock.advance(1);
    EXPECT_EQ(shortcutLookups(), QStringList{S("12")});
    EXPECT_EQ(host.messages().last(), S("Não foi encontrado produto correspondente ao atalho: 12"));
    EXPECT_FALSE(screen->tmrDataHora.enabled());
    clock.advance(2000);
    EXPECT_EQ(shortcutLookups().size(), 1);
}

using KeysWithoutGroups = ScreenTest;

TEST_F(KeysWithoutGroups, AShortcutBeforeAnyGroupIsNotFoundAndTheTimerStops)
{
    // A promotion without groups has no product list yet: the shortcut is simply not found.
    product(S("P1"), S("Produto 1"));
    shortcut(S("P1"), S("11"));
    auto& s = open();
    screen::ManualClock clock;
    clock.attach(s.tmrDataHora);
    s.FormKeyPress(QLatin1Char('1'));
    s.FormKeyPress(QLatin1Char('1'));
    clock.advance(400);
    EXPECT_EQ(host.messages().last(), S("Não foi encontrado produto correspondente ao atalho: 11"));
    EXPECT_FALSE(s.tmrDataHora.enabled());
}

TEST_F(Keys, DigitsApartAreTwoLookups)
{
    openWithClock();
    type("1");
    clock.advance(400);
    type("2");
    clock.advance(400);
    EXPECT_EQ(shortcutLookups(), (QStringList{S("1"), S("2")}));
}

TEST_F(Keys, LettersAreNoShortcut)
{
    openWithClock();
    type("a");
    screen->FormKeyPress(QChar(0x00E7));
    EXPECT_TRUE(screen->stAtalhoDigitado.isEmpty());
    EXPECT_FALSE(screen->tmrDataHora.enabled());
}

TEST_F(Keys, AShortcutOnAnotherPageIsOfferedFromTheFirstSlot)
{
    shortcut(S("P013"), S("13"));
    auto& s = openWithClock();
    host.answerQuestion(true);
    type("13");
    clock.advance(400);

    EXPECT_EQ(gridProducts().value(0), S("P013"));
    EXPECT_EQ(host.messages().last(), S("Deseja selecionar o produto  Produto 13 ?"));
    EXPECT_EQ(s.touchedProducts, QStringList{S("P013")});
    EXPECT_EQ(s.touchedSlots, QList<int>{1});

    host.answerQuestion(false);
    type("13");
    clock.advance(400);
    EXPECT_EQ(s.touchedProducts.size(), 1);
    EXPECT_EQ(gridProducts(),
              QStringList({S("P001"), S("P002"), S("P003"), S("P004"), S("P005"), S("P006"),
                           S("P007"), S("P008"), S("P009"), S("P010"), S("P011"), S("P012")}));
}

TEST_F(Keys, AShortcutOfAProductOutsideTheGroupIsNotFound)
{
    product(S("OTHER"), S("Outro"));
    shortcut(S("OTHER"), S("77"));
    openWithClock();
    type("77");
    clock.advance(400);
    EXPECT_EQ(host.messages().last(), S("Não foi encontrado produto correspondente ao atalho: 77"));
    EXPECT_TRUE(screen->touchedProducts.isEmpty());
}

TEST_F(Keys, EnterAndEscWaitForPendingDigits)
{
    openWithClock();
    type("5");
    screen->FormKeyDown(Qt::Key_Escape);  // no question: the host would refuse one
    screen->FormKeyDown(Qt::Key_Return);
    EXPECT_EQ(screen->confirmations, 0);

    clock.advance(400);
    screen->FormKeyDown(Qt::Key_Return);
    EXPECT_EQ(screen->confirmations, 1);
    host.answerQuestion(false);
    screen->FormKeyDown(Qt::Key_Escape);
    EXPECT_EQ(host.messages().last(), S("Deseja sair da tela de promoção combinada?"));
}

TEST_F(Keys, F1OpensTheFiscalMenu)
{
    open();
    screen->FormKeyDown(Qt::Key_F1);
    EXPECT_EQ(host.callsOf(S("RelFiscais")).size(), 1);
}

TEST_F(Keys, CancelAnsweredYesEmptiesTheItemsAndCloses)
{
    auto& s = open();
    addItem();
    combinada::boPromocaoComb = true;
    host.answerQuestion(true);
    s.bldCancelarClick();

    const HostCall question = host.callsOf(S("Mensagem")).last();
    EXPECT_EQ(question.args, (QVariantList{S("Deseja sair da tela de promoção combinada?"), S(""),
                                           S("N"), S("S"), 1, S(""), S(""), 0}));
    EXPECT_FALSE(combinada::boPromocaoComb);
    EXPECT_TRUE(s.cdsItemProd.isEmpty());
    EXPECT_TRUE(s.closeRequested());
}

TEST_F(Keys, CancelAnsweredNoChangesNothing)
{
    auto& s = open();
    addItem();
    combinada::boPromocaoComb = true;
    host.answerQuestion(false);
    s.bldCancelarClick();

    EXPECT_TRUE(combinada::boPromocaoComb);
    EXPECT_EQ(s.cdsItemProd.recordCount(), 1);
    EXPECT_FALSE(s.closeRequested());
}

}  // namespace
}  // namespace kvp::test
