#include "receipt.h"

#include "textformat.h"

namespace kvp::refhost {

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '"':
                out += QStringLiteral("\\\"");
                break;
            case '\\':
                out += QStringLiteral("\\\\");
                break;
            case '\n':
                out += QStringLiteral("\\n");
                break;
            case '\r':
                out += QStringLiteral("\\r");
                break;
            case '\t':
                out += QStringLiteral("\\t");
                break;
            default:
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString stableValue(const FieldDef& field, const QVariant& value)
{
    if (field.type == FieldType::String || field.type == FieldType::Blob)
        return quoted(value.isNull() ? QString() : value.toString());
    if (value.isNull())
        return QStringLiteral("null");
    if (field.type == FieldType::Float)
        return QString::number(value.toDouble(), 'g', 15);
    if (field.type == FieldType::Integer)
        return QString::number(value.toLongLong());
    if (field.type == FieldType::DateTime)
        return value.toDateTime().toString(Qt::ISODate);
    return value.toString();
}

QString stableRow(const DataSet& dataset)
{
    QStringList parts;
    for (const FieldDef& f : dataset.fields())
        parts << f.name + QLatin1Char('=') + stableValue(f, dataset.value(f.name));
    return parts.join(QLatin1Char(' '));
}

namespace {

void appendRows(QStringList& out, DataSet& ds, const char* count, const char* each)
{
    const bool active = ds.isActive();
    out << QStringLiteral("%1 %2").arg(QLatin1String(count)).arg(active ? ds.recordCount() : 0);
    if (!active)
        return;
    for (ds.first(); !ds.eof(); ds.next())
        out << QLatin1String(each) + QLatin1Char(' ') + stableRow(ds);
}

QString text(const DataSet& ds, const char* field)
{
    const QString name = QLatin1String(field);
    return ds.hasField(name) ? ds.asString(name) : QString();
}

double amount(const DataSet& ds, const char* field)
{
    const QString name = QLatin1String(field);
    return ds.hasField(name) && !ds.isNullValue(name) ? ds.asFloat(name) : 0.0;
}

}  // namespace

QStringList stableResult(DataSet& items, DataSet& observations, DataSet& controlled, bool result)
{
    QStringList out;
    appendRows(out, items, "items", "item");
    appendRows(out, observations, "observations", "obs");
    appendRows(out, controlled, "controlled", "ctobs");
    out << (result ? QStringLiteral("result true") : QStringLiteral("result false"));
    return out;
}

void appendSold(DataSet& sold, DataSet& items)
{
    if (!items.isActive())
        return;
    if (!sold.isActive())
        sold.emptyOrCreate();
    for (items.first(); !items.eof(); items.next()) {
        sold.append();
        for (const FieldDef& f : items.fields()) {
            if (sold.hasField(f.name))
                sold.setValue(f.name, items.value(f.name));
        }
        sold.post();
    }
}

QStringList receiptLines(const QString& heading, DataSet& items, DataSet& observations,
                         DataSet& controlled)
{
    const FormatSettings fs = FormatSettings::brazil();
    QStringList out{heading};
    if (!items.isActive() || items.isEmpty()) {
        out << QStringLiteral("    (nenhum item)");
        return out;
    }
    double total = 0;
    for (items.first(); !items.eof(); items.next()) {
        const double q = amount(items, "QTPRODVEND");
        const double unit = amount(items, "VRUNVENDAEST");
        const double discount = amount(items, "VRDESCONTO") + amount(items, "VRDESITVENDAEST");
        const double surcharge = amount(items, "VRACRESCIMO");
        const double line = Trunc2(q * unit) - discount + surcharge;
        total += line;
        QString row = QStringLiteral("  %1 x %2").arg(shortestText(q, fs), text(items, "NMPRODUTO"));
        row = row.leftJustified(38, QLatin1Char(' '));
        row += QStringLiteral(" %1%2").arg(fs.currencyString, formatMoney(unit, fs));
        if (discount != 0)
            row += QStringLiteral("  desc. %1%2").arg(fs.currencyString, formatMoney(discount, fs));
        if (surcharge != 0)
            row += QStringLiteral("  acr. %1%2").arg(fs.currencyString, formatMoney(surcharge, fs));
        if (!text(items, "CDCAMPPROMO").isEmpty())
            row += QStringLiteral("  [campanha %1]").arg(text(items, "CDCAMPPROMO"));
        if (!text(items, "CDCUPOMDESCQMT").isEmpty())
            row += QStringLiteral("  [cupom %1]").arg(text(items, "CDCUPOMDESCQMT"));
        out << row;
        if (!text(items, "STOBSPEDIDO").isEmpty())
            out << QStringLiteral("      obs.: ") + text(items, "STOBSPEDIDO");
    }
    if (observations.isActive() && !observations.isEmpty()) {
        QStringList codes;
        for (observations.first(); !observations.eof(); observations.next())
            codes << QStringLiteral("item %1: %2/%3")
                         .arg(text(observations, "NRSEQ"), text(observations, "CDGRPOCOR"),
                              text(observations, "CDOCORR"));
        out << QStringLiteral("    ocorrências: ") + codes.join(QStringLiteral(", "));
    }
    if (controlled.isActive() && !controlled.isEmpty()) {
        for (controlled.first(); !controlled.eof(); controlled.next())
            out << QStringLiteral("    + %1 x %2 (controle do item %3)")
                       .arg(shortestText(amount(controlled, "QTPRODCOMVEN"), fs),
                            text(controlled, "CDPRODUTO"), text(controlled, "NRSEQ"));
    }
    out << QStringLiteral("    total %1%2").arg(fs.currencyString, formatMoney(total, fs));
    return out;
}

}  // namespace kvp::refhost
