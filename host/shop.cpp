#include "shop.h"

#include "connectionstring.h"
#include "itemrecord.h"
#include "pricetable.h"
#include "schema.h"
#include "rdmpromocaocombinada.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace kvp::refhost {

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

QString resourceText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw HostError(QStringLiteral("The program lacks its resource %1").arg(path));
    return QString::fromUtf8(f.readAll());
}

void run(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        throw HostError(QStringLiteral("%1\nin: %2")
                            .arg(q.lastError().text(), sql.left(300).simplified()));
    }
}

// A picture tile for a product: its colour, a soft highlight and its name in white.
QImage productPicture(const QString& name, const QColor& colour)
{
    QImage image(174, 106, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, image.height());
    g.setColorAt(0, colour.lighter(125));
    g.setColorAt(1, colour.darker(115));
    p.fillRect(image.rect(), g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 45));
    p.drawEllipse(QPointF(image.width() * 0.78, image.height() * 0.2), 46, 46);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(21);
    f.setBold(true);
    p.setFont(f);
    const bool light = colour.lightness() > 170;
    const QRect box = image.rect().adjusted(8, 6, -8, -6);
    p.setPen(light ? QColor(60, 40, 20) : QColor(0, 0, 0, 90));
    p.drawText(box.translated(1, 1), Qt::AlignCenter | Qt::TextWordWrap, name);
    p.setPen(light ? QColor(60, 40, 20) : Qt::white);
    p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, name);
    return image;
}

// The shop's default picture: what every product without its own shows.
QImage defaultShopPicture()
{
    QImage image(174, 106, QImage::Format_RGB32);
    image.fill(QColor(250, 246, 238));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(204, 91, 44), 4));
    p.drawRoundedRect(image.rect().adjusted(3, 3, -4, -4), 14, 14);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.drawText(image.rect().adjusted(0, 0, 0, -22), Qt::AlignCenter, QStringLiteral("Boa Praça"));
    f.setPixelSize(14);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(120, 110, 100));
    p.drawText(image.rect().adjusted(0, 34, 0, 0), Qt::AlignCenter, QStringLiteral("foto em breve"));
    return image;
}

void writePictures(QSqlDatabase& db, const RunFolder& folder)
{
    const QDir dir(folder.picturesPath());
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(S("SELECT P.CDARVPROD, P.NMPRODUTO, F.CDCOR FROM FOTOHOST F "
                  "JOIN PRODUTO P ON P.CDPRODUTO = F.CDPRODUTO ORDER BY P.CDARVPROD")))
        throw HostError(q.lastError().text());
    while (q.next()) {
        const QString file = dir.filePath(QStringLiteral("p%1.bmp").arg(q.value(0).toString()));
        const QColor colour(q.value(2).toString());
        if (!productPicture(q.value(1).toString(), colour.isValid() ? colour : QColor(Qt::gray))
                 .save(file, "BMP"))
            throw HostError(QStringLiteral("Cannot write the picture %1").arg(file));
    }
    const QString fallback = dir.filePath(QStringLiteral("Produto.bmp"));
    if (!defaultShopPicture().save(fallback, "BMP"))
        throw HostError(QStringLiteral("Cannot write the picture %1").arg(fallback));
}

}  // namespace

QString RunFolder::databasePath() const
{
    return QDir(root).filePath(QStringLiteral("loja.db"));
}

QString RunFolder::connectionString() const
{
    ConnectionSettings c;
    c.driver = QStringLiteral("QSQLITE");
    c.database = databasePath();
    return c.toString();
}

QString RunFolder::parametersPath() const
{
    return QDir(root).filePath(QStringLiteral("PARAMETROSQMT.CDS"));
}

QString RunFolder::taxRatesPath() const
{
    return QDir(root).filePath(QStringLiteral("Dados/Cadastros/AliqImpFis.cds"));
}

QString RunFolder::picturesPath() const
{
    return QDir(root).filePath(QStringLiteral("dados/img/produto"));
}

QStringList splitSqlStatements(const QString& text)
{
    QStringList out;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            current += c;
            if (c == QLatin1Char('\'')) {
                // '' inside a literal is a quote, not its end.
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\'')) {
                    current += text.at(++i);
                } else {
                    quoted = false;
                }
            }
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('-')) {
            while (i < text.size() && text.at(i) != QLatin1Char('\n'))
                ++i;
            current += QLatin1Char('\n');
            continue;
        }
        if (c == QLatin1Char(';')) {
            if (!current.trimmed().isEmpty())
                out.append(current.trimmed());
            current.clear();
            continue;
        }
        if (c == QLatin1Char('\''))
            quoted = true;
        current += c;
    }
    if (quoted)
        throw HostError(QStringLiteral("SQL text ends inside a quoted literal"));
    if (!current.trimmed().isEmpty())
        out.append(current.trimmed());
    return out;
}

QStringList sampleSeedStatements()
{
    return splitSqlStatements(resourceText(QStringLiteral(":/kvp/host/sample/host.sql"))) +
           splitSqlStatements(resourceText(QStringLiteral(":/kvp/host/sample/shop.sql")));
}

void loadSampleShop(QSqlDatabase& db)
{
    const Dialect dialect = detectDialect(db);
    if (!db.transaction())
        throw HostError(db.lastError().text());
    try {
        for (const QString& sql : schemaStatements(dialect))
            run(db, sql);
        PriceTable::createTable(db);
        for (const QString& sql : sampleSeedStatements())
            run(db, sql);
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit())
        throw HostError(db.lastError().text());
}

DataPacket sampleParameters(const QString& dsDirCad)
{
    const QList<QPair<const char*, QString>> values = {
        {"INCOR1", QString()},
        {"INCOR2", QString()},
        {"IDESQUEMA", S("1")},
        {"CDFILIAL", S(kShopBranch)},
        {"CDLOJA", S(kShopStore)},
        // Fiscal printing and electronic receipts are on, so coupons and invoice data
        // are checked; the printer type is an ordinary one.
        {"UTILIZAIMPFIS", S("S")},
        {"IDTIPOIMPFIS", S("1")},
        {"SISTEMAQMTNFCE", S("S")},
        {"SISTEMAQMTSAT", S("N")},
        {"IDCOLETOR", S("N")},
        {"DSDIRCAD", dsDirCad},
        {"IDUTTABPRECLVDC", S("N")},
        {"CDCAIXA", S(kShopTill)},
        {"IDSOLOBSPED", S("S")},
        {"NRCONFTELA", S("1")},
        {"IDFECHACUPOM", S("N")},
        {"IDAPLPREDIFCOMB", S("S")},
        {"CTMULTIPLICADOR", S("12")},
        {"IDTIPOBAL", S("1")},
        {"CDPORTABAL", S("/dev/ttyS0")},
        {"NRVELOCBAL", S("9600")},
        {"IDADESAOREFTRIB", S("N")},
    };
    DataPacket p;
    Row row;
    for (const auto& [name, value] : values) {
        p.fields.append(stringField(QLatin1String(name), 255));
        row.append(value);
    }
    p.rows.append(row);
    return p;
}

void buildRunFolder(const RunFolder& folder)
{
    QDir root(folder.root);
    if (!root.mkpath(QStringLiteral(".")) || !root.mkpath(QStringLiteral("Dados/Cadastros")) ||
        !root.mkpath(QStringLiteral("dados/img/produto")))
        throw HostError(QStringLiteral("Cannot create the run folder %1").arg(folder.root));

    // Built aside and moved in place, so a failure never leaves half a database behind.
    const QString target = folder.databasePath();
    const QString building = target + QStringLiteral(".building");
    QFile::remove(building);
    const QString name = QStringLiteral("kvp-shop-build-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(building);
        try {
            if (!db.open())
                throw HostError(QStringLiteral("Cannot create %1: %2")
                                    .arg(building, db.lastError().text()));
            loadSampleShop(db);
            writePictures(db, folder);
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            QFile::remove(building);
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    QFile::remove(target);
    if (!QFile::rename(building, target))
        throw HostError(QStringLiteral("Cannot move the new database to %1").arg(target));

    QString dsDirCad = QDir(folder.root).absolutePath();
    if (!dsDirCad.endsWith(QLatin1Char('/')))
        dsDirCad += QLatin1Char('/');
    sampleParameters(dsDirCad).saveToFile(folder.parametersPath());

    DataPacket rates;
    rates.fields = records::aliqImpFis();
    rates.rows.append(Row{S("T18"), 18.0, S("T")});
    rates.saveToFile(folder.taxRatesPath());
}

RunFolderState prepareRunFolder(const RunFolder& folder, bool rebuild)
{
    RunFolderState state;
    const QDir root(folder.root);
    const bool empty =
        !root.exists() || root.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (rebuild || empty) {
        buildRunFolder(folder);
        state.built = true;
        return state;
    }
    if (!QFileInfo::exists(folder.databasePath()))
        throw HostError(QStringLiteral("%1 holds no shop database (%2); nothing is built over "
                                       "its files: --rebuild builds the sample shop there")
                            .arg(folder.root, folder.databasePath()));
    for (const QString& file : {folder.parametersPath(), folder.taxRatesPath()})
        if (!QFileInfo::exists(file))
            state.missing.append(file);
    if (!QFileInfo(folder.picturesPath()).isDir())
        state.missing.append(folder.picturesPath());
    return state;
}

struct ShopCatalogue::Statements {
    std::unique_ptr<QSqlQuery> menu, occurrences, productName;
};

ShopCatalogue::ShopCatalogue(QString connectionName)
    : m_connection(std::move(connectionName)), m_statements(std::make_shared<Statements>())
{
}

void ShopCatalogue::release()
{
    m_statements->menu.reset();
    m_statements->occurrences.reset();
    m_statements->productName.reset();
}

QSqlQuery* ShopCatalogue::execute(std::unique_ptr<QSqlQuery>& kept, const QString& sql,
                                  const QVariantList& values, QString& error) const
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!kept) {
            auto q = std::make_unique<QSqlQuery>(QSqlDatabase::database(m_connection, false));
            q->setForwardOnly(true);
            if (!q->prepare(sql)) {
                error = q->lastError().text();
                continue;
            }
            kept = std::move(q);
        }
        for (qsizetype i = 0; i < values.size(); ++i)
            kept->bindValue(int(i), values.at(i));
        if (kept->exec())
            return kept.get();
        error = kept->lastError().text();
        kept.reset();
    }
    return nullptr;
}

QList<Combo> ShopCatalogue::combos() const
{
    QString error;
    QSqlQuery* q =
        execute(m_statements->menu,
                S("SELECT C.CDPRODUTO, P.NMPRODUTO, C.DSCOMBO, C.IDTIPOPRECO, C.VRPRECO, "
                  "C.IDTIPOAJUSTE, C.IDVALORPERC, C.VRAJUSTE, C.IDAPLICAAJUSTE "
                  "FROM COMBOHOST C JOIN PRODUTO P ON P.CDPRODUTO = C.CDPRODUTO "
                  "ORDER BY C.NRORDEM, C.CDPRODUTO"),
                {}, error);
    if (!q)
        throw HostError(QStringLiteral("The shop's menu cannot be read: %1").arg(error));
    QList<Combo> out;
    while (q->next()) {
        Combo c;
        c.code = q->value(0).toString();
        c.name = q->value(1).toString();
        c.description = q->value(2).toString();
        c.priceMode = q->value(3).toString();
        c.price = q->value(4).toDouble();
        c.adjustType = q->value(5).toString();
        c.valueOrPerc = q->value(6).toString();
        c.adjust = q->value(7).toDouble();
        c.applyAdjust = q->value(8).toString() == QLatin1String("S");
        out.append(c);
    }
    q->finish();
    return out;
}

Combo ShopCatalogue::combo(const QString& code) const
{
    QStringList known;
    for (const Combo& c : combos()) {
        if (c.code == code)
            return c;
        known << c.code;
    }
    throw HostError(QStringLiteral("The shop sells no combo %1 (its combos: %2)")
                        .arg(code, known.join(QStringLiteral(", "))));
}

DataPacket ShopCatalogue::occurrences(const QString& product) const
{
    DataPacket p;
    p.fields = records::obs();
    QString error;
    QSqlQuery* q = execute(m_statements->occurrences,
                           S("SELECT DISTINCT OC.CDGRPOCOR, OC.CDOCORR, OC.CDTIPRISCO, "
                             "OC.DSOCORR, OC.CDPRODUTO, OC.IDCONTROLAOBS "
                             "FROM OCORRENCIA OC JOIN PRODOCORRE PR ON PR.CDGRPOCOR = "
                             "OC.CDGRPOCOR AND PR.CDOCORR = OC.CDOCORR JOIN LOJA LJ ON "
                             "LJ.CDGRPOCORPED = OC.CDGRPOCOR WHERE LJ.CDFILIAL = ? AND "
                             "LJ.CDLOJA = ? AND PR.CDPRODUTO = ? "
                             "ORDER BY OC.CDOCORR"),
                           {S(kShopBranch), S(kShopStore), product}, error);
    if (!q)
        throw HostError(
            QStringLiteral("The occurrences of %1 cannot be read: %2").arg(product, error));
    while (q->next()) {
        Row r;
        for (int i = 0; i < p.fields.size(); ++i)
            r.append(coerceToField(p.fields.at(i), q->value(i)));
        p.rows.append(r);
    }
    q->finish();
    return p;
}

QString ShopCatalogue::productName(const QString& product) const
{
    QString error;
    QSqlQuery* q =
        execute(m_statements->productName, S("SELECT NMPRODUTO FROM PRODUTO WHERE CDPRODUTO = ?"),
                {product}, error);
    if (!q)
        return {};
    const QString name = q->next() ? q->value(0).toString() : QString();
    q->finish();
    return name;
}

}  // namespace kvp::refhost
