#include "selectionfixture.h"

#include "oplog.h"

#include <QFile>
#include <QSqlQuery>

namespace kvp::test {

void Selection::SetUp()
{
    ScreenTest::SetUp();
    db->insert(S("IMPOSTO"), {{"CDIMPOSTO", S("T1")}, {"IDTPIMPOSFIS", S("T")}});
}

void Selection::TearDown()
{
    combinada::criaPromoCombAdd = nullptr;
    ScreenTest::TearDown();
}

void Selection::sellable(const QString& code, double price, double discount, const QString& name)
{
    product(code, name.isEmpty() ? S("Nome ") + code : name);
    host.setPrice(code, price, discount);
    db->insert(S("ALIQIMPFIS"), {{"CDFILIAL", S("01")},
                                 {"CDPRODUTO", code},
                                 {"CDIMPOSTO", S("T1")},
                                 {"VRPEALIMPFIS", 18.0},
                                 {"IDTPIMPOSFIS", S("T")}});
}

void Selection::weighed(const QString& code, double price, double tare)
{
    sellable(code, price);
    QSqlQuery q(db->database());
    q.prepare(S("UPDATE PRODUTO SET IDPESAPROD = 'S', QTTARAPROD = :T WHERE CDPRODUTO = :P"));
    q.bindValue(S(":T"), tare);
    q.bindValue(S(":P"), code);
    ASSERT_TRUE(q.exec());
}

void Selection::addGroup(const QString& group, const QStringList& products, const GroupSpec& setup)
{
    ScreenTest::group(group, S("Grupo ") + group, products);
    db->insert(S("GRUPROMOCPROD"), {{"CDPRODPROMOCAO", S("PROMO")},
                                    {"CDGRUPROMOC", group},
                                    {"NRSEQGRPROMO", 1},
                                    {"QTPRGRUPPROMOC", setup.quantity},
                                    {"QTPRGRUPROMIN", setup.minimum},
                                    {"NRORDPROMOGRUP", ++m_order},
                                    {"CDGRUPMUTEX", setup.mutex.isEmpty() ? QVariant() : setup.mutex},
                                    {"IDAPLICADESC", setup.appliesDiscount},
                                    {"IDIMPGRPROMO", setup.printsAlone},
                                    {"IDCOMBINAPROD", setup.combines},
                                    {"DTINIVGGRPROMO", QVariant()},
                                    {"DTFINVGGRPROMO", QVariant()}});
}

void Selection::productDiscount(const QString& group, const QString& product, const QString& kind,
                                const QString& percentOrValue, double value, const QString& applies)
{
    db->insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", S("PROMO")},
                                     {"CDGRUPROMOC", group},
                                     {"CDPRODUTO", product},
                                     {"NRSEQGRPROMO", 1},
                                     {"IDPERVALORDES", percentOrValue},
                                     {"VRDESPRODPROMOC", value},
                                     {"IDAPLICADESCPR", applies},
                                     {"IDDESCACRPROMO", kind},
                                     {"IDOBRPRODSELEC", S("N")},
                                     {"IDPRODPRESELEC", S("N")}});
}

void Selection::obligatory(const QString& group, const QString& product)
{
    db->insert(S("DESGRUPROMOCPR"), {{"CDPRODPROMOCAO", S("PROMO")},
                                     {"CDGRUPROMOC", group},
                                     {"CDPRODUTO", product},
                                     {"NRSEQGRPROMO", 1},
                                     {"IDOBRPRODSELEC", S("S")},
                                     {"IDPRODPRESELEC", S("N")}});
}

RecordingScreen& Selection::start(const QString& priceMode, double promotions)
{
    RecordingScreen& s = open(priceMode, promotions);
    s.passOn = true;
    s.stCabecalho = S("1 X COMBO");
    return s;
}

void Selection::touch(const QString& product)
{
    for (int k = 1; k <= combinada::kSlotsProduto; ++k) {
        screen::Control& img = screen->imgProd(k);
        if (img.visible && img.productCode == product) {
            screen->bpbProd01Click(&img);
            return;
        }
    }
    ADD_FAILURE() << "no grid slot shows " << product.toStdString();
}

screen::Control& Selection::trayPicture(int nrSeq)
{
    for (screen::Control* c : screen->controlesBandeja())
        if (c->tag == nrSeq && c->kind == screen::ControlKind::Picture)
            return *c;
    throw std::out_of_range("no tray entry tagged " + std::to_string(nrSeq));
}

int Selection::lineCount()
{
    return screen->cdsItemProd.data().rows.size();
}

QVariant Selection::field(int line, const char* name)
{
    DataSet copy(S("copy"));
    copy.setData(screen->cdsItemProd.data());
    copy.setIndexFieldNames(S("NRSEQ_ORD"));
    copy.setRecNo(line);
    return copy.value(S(name));
}

QStringList Selection::column(const char* name)
{
    DataSet copy(S("copy"));
    copy.setData(screen->cdsItemProd.data());
    copy.setIndexFieldNames(S("NRSEQ_ORD"));
    return column(copy, name);
}

QStringList Selection::column(DataSet& ds, const char* name)
{
    QStringList out;
    ds.clearFilter();
    for (ds.first(); !ds.eof(); ds.next())
        out << ds.asString(S(name));
    return out;
}

QStringList Selection::warnings()
{
    QStringList out;
    for (const HostCall& c : host.callsOf(S("Mensagem")))
        if (c.args.value(4).toInt() == static_cast<int>(MessageKind::Warning))
            out << c.args.value(0).toString();
    return out;
}

QString Selection::log()
{
    QFile f(operationLogFile(programFolder(), host.now().date()));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace kvp::test
