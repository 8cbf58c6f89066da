#include "screenfixture.h"

#include "connectionstring.h"
#include "rdmpromocaocombinada.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace kvp::test {

void RecordingScreen::bpbProd01Click(screen::Control* sender)
{
    touchedProducts << (sender ? sender->productCode : QString());
    touchedSlots << (sender ? sender->slot : 0);
    if (passOn)
        TfrmPromocaoCombinada::bpbProd01Click(sender);
}

void RecordingScreen::bldConfirmarClick()
{
    ++confirmations;
    if (passOn)
        TfrmPromocaoCombinada::bldConfirmarClick();
}

void ScreenTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    createShopDatabase();
    ASSERT_TRUE(db) << "no shop database";

    host.setProgramFolder(m_dir.path());
    installHost(&host);
    screen::installPresenter(&presenter);
    writeParameters();
}

void ScreenTest::createShopDatabase()
{
    static int serial = 0;
    m_connection = QStringLiteral("screen-fixture-%1").arg(++serial);
    const QString path = m_dir.filePath(S("shop.db"));
    QSqlDatabase conn = QSqlDatabase::addDatabase(S("QSQLITE"), m_connection);
    conn.setDatabaseName(path);
    ASSERT_TRUE(conn.open()) << conn.lastError().text().toStdString();
    db = std::make_unique<DatabaseFixture>(conn);
    // A throw-away database: no need to wait for the disk on every row.
    db->exec(S("PRAGMA synchronous = OFF"));
    db->exec(S("PRAGMA journal_mode = MEMORY"));
    db->createSchema();
    host.setConnectionString(S("driver=QSQLITE;database=") + quoteConnectionValue(path));
}

void ScreenTest::TearDown()
{
    screen.reset();
    freeDataModule();
    combinada::resetModuleVariables();
    screen::installPresenter(nullptr);
    installHost(nullptr);
    db.reset();
    if (!m_connection.isEmpty())
        QSqlDatabase::removeDatabase(m_connection);
}

void ScreenTest::writeParameters(const QMap<QString, QString>& values, const QStringList& omit)
{
    const QList<QPair<QString, QString>> defaults = {
        {S("INCOR1"), S("")},
        {S("INCOR2"), S("")},
        {S("IDESQUEMA"), S("E1")},
        {S("CDFILIAL"), S("01")},
        {S("CDLOJA"), S("1")},
        {S("UTILIZAIMPFIS"), S("N")},
        {S("IDTIPOIMPFIS"), S("0")},
        {S("SISTEMAQMTNFCE"), S("N")},
        {S("SISTEMAQMTSAT"), S("N")},
        {S("IDCOLETOR"), S("N")},
        {S("DSDIRCAD"), m_dir.path() + QLatin1Char('/')},
        {S("IDUTTABPRECLVDC"), S("N")},
        {S("CDCAIXA"), S("001")},
        {S("IDSOLOBSPED"), S("N")},
        {S("NRCONFTELA"), S("7")},
        {S("IDFECHACUPOM"), S("N")},
        {S("IDAPLPREDIFCOMB"), S("N")},
        {S("CTMULTIPLICADOR"), S("12")},
        {S("IDTIPOBAL"), S("0")},
        {S("CDPORTABAL"), S("COM1")},
        {S("NRVELOCBAL"), S("9600")},
        {S("IDADESAOREFTRIB"), S("N")},
    };
    DataPacket p;
    Row row;
    for (const auto& [name, value] : defaults) {
        if (omit.contains(name))
            continue;
        p.fields.append(stringField(name, 255));
        row.append(values.value(name, value));
    }
    p.rows.append(row);
    p.saveToFile(m_dir.filePath(S("PARAMETROSQMT.CDS")));
}

void ScreenTest::product(const QString& code, const QString& name, const QString& tree)
{
    db->insert(S("PRODUTO"), {{"CDPRODUTO", code},
                              {"NMPRODUTO", name},
                              {"CDARVPROD", tree.isEmpty() ? code : tree},
                              {"IDPESAPROD", S("N")},
                              {"SGUNIDADE", S("UN")},
                              {"QTTARAPROD", 0.0}});
}

void ScreenTest::group(const QString& code, const QString& name, const QStringList& products)
{
    db->insert(S("GRUPROMOC"), {{"CDGRUPROMOC", code}, {"NMGRUPROMOC", name}});
    for (const QString& p : products) {
        db->insert(S("PRODGRUPROMOC"), {{"CDGRUPROMOC", code}, {"CDPRODUTO", p}});
    }
}

void ScreenTest::promoGroup(const QString& group, double quantity, double minimum,
                            const QString& combine)
{
    db->insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", S("PROMO")},
                                    {"CDGRUPROMOC", group},
                                    {"NRSEQGRPROMO", 1},
                                    {"QTPRGRUPPROMOC", quantity},
                                    {"QTPRGRUPROMIN", minimum},
                                    {"NRORDPROMOGRUP", ++m_groupOrder},
                                    {"CDGRUPMUTEX", QVariant()},
                                    {"IDAPLICADESC", S("S")},
                                    {"IDIMPGRPROMO", S("N")},
                                    {"IDCOMBINAPROD", combine},
                                    {"DTINIVGGRPROMO", QVariant()},
                                    {"DTFINVGGRPROMO", QVariant()}});
}

void ScreenTest::groups(int n)
{
    for (int i = 1; i <= n; ++i) {
        const QString g = S("G") + Ajusta(QString::number(i), 2);
        const QString p = S("X") + Ajusta(QString::number(i), 2);
        product(p, S("Item ") + QString::number(i));
        host.setPrice(p, 10.0);
        group(g, S("Grupo ") + QString::number(i), {p});
        promoGroup(g);
    }
}

void ScreenTest::products(const QString& grp, int n)
{
    QStringList codes;
    for (int i = 1; i <= n; ++i) {
        const QString p = S("P") + Ajusta(QString::number(i), 3);
        product(p, S("Produto ") + QString::number(i), S("ARV") + Ajusta(QString::number(i), 3));
        host.setPrice(p, 10.0);
        codes << p;
    }
    group(grp, S("Grupo ") + grp, codes);
}

void ScreenTest::shortcut(const QString& product, const QString& code)
{
    db->insert(S("ITMENUCONFTE"), {{"CDFILIAL", S("01")},
                                   {"NRCONFTELA", 7},
                                   {"IDTPBUTTON", S("1")},
                                   {"CDIDENTBUTON", product},
                                   {"CDATAPRODITM", code}});
}

void ScreenTest::showZeroPrices(const QString& flag)
{
    db->insert(S("PARAVEND"), {{"CDFILIAL", S("01")}, {"IDEXIBEPRECZERO", flag}});
}

RecordingScreen& ScreenTest::open(const QString& priceMode, double quantity)
{
    screen = std::make_unique<RecordingScreen>();
    screen->InicializaForm(itensRet, S("PROMO"), S("COMBO"), QString(), priceMode, S("V"), S("D"),
                           20.0, 0.0, quantity, false, itensVendidos);
    screen->stTipoPrecoPromo = priceMode;
    screen->cdsItemProd.setData(itensRet.data());
    screen->stCdProdPromo = S("PROMO");
    screen->nrQtdePromo = quantity;
    screen->shown();
    return *screen;
}

QStringList ScreenTest::gridProducts()
{
    QStringList out;
    for (int k = 1; k <= combinada::kSlotsProduto; ++k) {
        const screen::Control& img = screen->imgProd(k);
        if (img.visible)
            out << img.productCode;
    }
    return out;
}

QStringList ScreenTest::menuCaptions()
{
    QStringList out;
    for (int i = 1; i <= combinada::kBotoesGrupo; ++i) {
        const screen::Control& b = screen->blbMenu(i);
        if (b.visible)
            out << b.caption;
    }
    return out;
}

int ScreenTest::lookups(const QString& method)
{
    int n = 0;
    for (const HostCall& c : host.callsOf(S("MensagemMetodo")))
        if (c.args.value(3).toString() == method)
            ++n;
    return n;
}

}  // namespace kvp::test
