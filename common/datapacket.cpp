// XML form of a data packet:
//   <DATAPACKET Version="2.0">
//     <METADATA><FIELDS><FIELD attrname="CDPRODUTO" fieldtype="string" WIDTH="20"/>...</FIELDS></METADATA>
//     <ROWDATA><ROW CDPRODUTO="X-1" VRPRECO="12.5"/>...</ROWDATA>
//   </DATAPACKET>
// Null values are left out of their ROW. Numbers use "." and dates "yyyyMMddTHH:mm:sszzz",
// so files do not depend on the locale that wrote them.

#include "dataset.h"

#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace kvp {

namespace {

const QString kDateFormat = QStringLiteral("yyyyMMdd'T'HH:mm:sszzz");

QString typeName(FieldType t)
{
    switch (t) {
    case FieldType::String: return QStringLiteral("string");
    case FieldType::Float: return QStringLiteral("r8");
    case FieldType::Integer: return QStringLiteral("i4");
    case FieldType::DateTime: return QStringLiteral("dateTime");
    case FieldType::Blob: return QStringLiteral("bin.hex");
    case FieldType::Boolean: return QStringLiteral("boolean");
    }
    return {};
}

QString valueToXml(const FieldDef& f, const QVariant& v)
{
    switch (f.type) {
    case FieldType::Float: return QString::number(v.toDouble(), 'g', 17);
    case FieldType::Integer: return QString::number(v.toInt());
    // The format has no offset, so a time read with one is written as the local time it is.
    case FieldType::DateTime: return v.toDateTime().toLocalTime().toString(kDateFormat);
    case FieldType::Boolean: return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case FieldType::String:
    case FieldType::Blob: return v.toString();
    }
    return {};
}

class PacketReader {
public:
    PacketReader(const QByteArray& xml, const QString& source)
        : m_xml(xml), m_source(source), m_empty(xml.trimmed().isEmpty())
    {
    }

    DataPacket read()
    {
        if (m_empty)
            fail(QStringLiteral("the file is empty"));
        if (!nextStart())
            fail(QStringLiteral("the file is empty or not XML"));
        if (m_xml.name() != QLatin1String("DATAPACKET"))
            fail(QStringLiteral("the root element is <%1>, not <DATAPACKET>").arg(m_xml.name().toString()));
        bool haveFields = false, haveRows = false;
        while (nextStartWithin(QStringLiteral("DATAPACKET"))) {
            if (m_xml.name() == QLatin1String("METADATA")) {
                readMetadata();
                haveFields = true;
            } else if (m_xml.name() == QLatin1String("ROWDATA")) {
                if (!haveFields)
                    fail(QStringLiteral("<ROWDATA> comes before the field definitions"));
                readRows();
                haveRows = true;
            } else {
                m_xml.skipCurrentElement();
            }
        }
        checkStream();
        if (!haveFields || m_packet.fields.isEmpty())
            fail(QStringLiteral("the field definitions are missing"));
        if (!haveRows)
            fail(QStringLiteral("<ROWDATA> is missing"));
        return std::move(m_packet);
    }

private:
    [[noreturn]] void fail(const QString& why) const
    {
        const QString where = m_source.isEmpty() ? QStringLiteral("data packet") : m_source;
        throw DataSetError(QStringLiteral("%1: invalid data packet (line %2): %3")
                               .arg(where)
                               .arg(m_xml.lineNumber())
                               .arg(why));
    }

    void checkStream() const
    {
        if (m_xml.hasError()) {
            if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                fail(QStringLiteral("the file ends before the packet is complete"));
            fail(m_xml.errorString());
        }
    }

    bool nextStart()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement())
                return true;
        }
        checkStream();
        return false;
    }

    // Next child start element of the element named parent; false at its end.
    bool nextStartWithin(const QString& parent)
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement())
                return true;
            if (m_xml.isEndElement() && m_xml.name() == parent)
                return false;
        }
        checkStream();
        fail(QStringLiteral("<%1> is not closed").arg(parent));
    }

    void readMetadata()
    {
        while (nextStartWithin(QStringLiteral("METADATA"))) {
            if (m_xml.name() == QLatin1String("FIELDS")) {
                while (nextStartWithin(QStringLiteral("FIELDS"))) {
                    if (m_xml.name() != QLatin1String("FIELD"))
                        fail(QStringLiteral("unexpected <%1> among the fields").arg(m_xml.name().toString()));
                    readField();
                }
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    void readField()
    {
        const QXmlStreamAttributes a = m_xml.attributes();
        FieldDef f;
        f.name = a.value(QStringLiteral("attrname")).toString();
        if (f.name.isEmpty())
            fail(QStringLiteral("a FIELD has no attrname"));
        if (m_packet.fieldIndex(f.name) >= 0)
            fail(QStringLiteral("field '%1' is defined twice").arg(f.name));
        const QString type = a.value(QStringLiteral("fieldtype")).toString().toLower();
        const QString subtype = a.value(QStringLiteral("SUBTYPE")).toString();
        bool widthOk = true;
        const int width = a.hasAttribute(QStringLiteral("WIDTH"))
                              ? a.value(QStringLiteral("WIDTH")).toInt(&widthOk)
                              : 0;
        if (!widthOk || width < 0)
            fail(QStringLiteral("field '%1' has an invalid WIDTH").arg(f.name));
        if (type == QLatin1String("string")) {
            f.type = FieldType::String;
            f.size = width;
        } else if (type == QLatin1String("string.uni")) {
            f.type = FieldType::String;
            f.size = width / 2;  // wide strings state their width in bytes
        } else if (type == QLatin1String("r8") || type == QLatin1String("fixed") ||
                   type == QLatin1String("fixedfmt") || type == QLatin1String("r4")) {
            f.type = FieldType::Float;
        } else if (type == QLatin1String("i4") || type == QLatin1String("i2") ||
                   type == QLatin1String("i1") || type == QLatin1String("ui1") ||
                   type == QLatin1String("ui2") || type == QLatin1String("ui4") ||
                   type == QLatin1String("i8")) {
            f.type = FieldType::Integer;
        } else if (type == QLatin1String("datetime") || type == QLatin1String("date") ||
                   type == QLatin1String("sqldatetime")) {
            f.type = FieldType::DateTime;
        } else if (type == QLatin1String("boolean")) {
            f.type = FieldType::Boolean;
        } else if (type == QLatin1String("bin.hex") &&
                   (subtype.isEmpty() || subtype.compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0 ||
                    subtype.compare(QLatin1String("WideText"), Qt::CaseInsensitive) == 0)) {
            f.type = FieldType::Blob;
        } else {
            fail(QStringLiteral("field '%1' has an unsupported type '%2'").arg(f.name, type));
        }
        m_packet.fields.append(f);
        m_xml.skipCurrentElement();
    }

    void readRows()
    {
        while (nextStartWithin(QStringLiteral("ROWDATA"))) {
            if (m_xml.name() != QLatin1String("ROW"))
                fail(QStringLiteral("unexpected <%1> among the rows").arg(m_xml.name().toString()));
            Row row(m_packet.fields.size());
            for (const QXmlStreamAttribute& attr : m_xml.attributes()) {
                const QString name = attr.name().toString();
                if (name == QLatin1String("RowState"))
                    continue;
                const int i = m_packet.fieldIndex(name);
                if (i < 0)
                    fail(QStringLiteral("a row has a value for unknown field '%1'").arg(name));
                row[i] = parseValue(m_packet.fields[i], attr.value().toString());
            }
            m_packet.rows.append(std::move(row));
            m_xml.skipCurrentElement();
        }
    }

    QVariant parseValue(const FieldDef& f, const QString& text)
    {
        switch (f.type) {
        case FieldType::String:
        case FieldType::Blob:
            return text;
        case FieldType::Float: {
            bool ok = false;
            const double v = text.toDouble(&ok);
            // toDouble also reads "nan" and "inf", which no price or rate can be.
            if (!ok || !std::isfinite(v))
                fail(QStringLiteral("'%1' is not a number (field %2)").arg(text, f.name));
            return v;
        }
        case FieldType::Integer: {
            bool ok = false;
            const int v = text.toInt(&ok);
            if (!ok)
                fail(QStringLiteral("'%1' is not an integer (field %2)").arg(text, f.name));
            return v;
        }
        case FieldType::Boolean: {
            const QString t = text.trimmed().toUpper();
            if (t == QLatin1String("TRUE") || t == QLatin1String("1"))
                return true;
            if (t == QLatin1String("FALSE") || t == QLatin1String("0"))
                return false;
            fail(QStringLiteral("'%1' is not TRUE or FALSE (field %2)").arg(text, f.name));
        }
        case FieldType::DateTime: {
            QDateTime dt = QDateTime::fromString(text, kDateFormat);
            if (!dt.isValid())
                dt = QDateTime::fromString(text, QStringLiteral("yyyyMMdd"));
            if (!dt.isValid())
                dt = QDateTime::fromString(text, Qt::ISODateWithMs);
            if (!dt.isValid())
                fail(QStringLiteral("'%1' is not a date (field %2)").arg(text, f.name));
            return dt;
        }
        }
        return {};
    }

    QXmlStreamReader m_xml;
    QString m_source;
    bool m_empty;
    DataPacket m_packet;
};

}  // namespace

QByteArray DataPacket::toXml() const
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(1);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("DATAPACKET"));
    w.writeAttribute(QStringLiteral("Version"), QStringLiteral("2.0"));
    w.writeStartElement(QStringLiteral("METADATA"));
    w.writeStartElement(QStringLiteral("FIELDS"));
    for (const FieldDef& f : fields) {
        w.writeEmptyElement(QStringLiteral("FIELD"));
        w.writeAttribute(QStringLiteral("attrname"), f.name);
        w.writeAttribute(QStringLiteral("fieldtype"), typeName(f.type));
        if (f.type == FieldType::String)
            w.writeAttribute(QStringLiteral("WIDTH"), QString::number(f.size));
        if (f.type == FieldType::Blob)
            w.writeAttribute(QStringLiteral("SUBTYPE"), QStringLiteral("Text"));
    }
    w.writeEndElement();  // FIELDS
    w.writeEmptyElement(QStringLiteral("PARAMS"));
    w.writeEndElement();  // METADATA
    w.writeStartElement(QStringLiteral("ROWDATA"));
    for (const Row& r : rows) {
        w.writeEmptyElement(QStringLiteral("ROW"));
        for (int i = 0; i < fields.size() && i < r.size(); ++i)
            if (!r[i].isNull())
                w.writeAttribute(fields[i].name, valueToXml(fields[i], r[i]));
    }
    w.writeEndElement();  // ROWDATA
    w.writeEndElement();  // DATAPACKET
    w.writeEndDocument();
    return out;
}

DataPacket DataPacket::fromXml(const QByteArray& xml, const QString& sourceName)
{
    return PacketReader(xml, sourceName).read();
}

void DataPacket::saveToFile(const QString& path) const
{
    // Write to a temporary file and rename, so a failed save never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DataSetError(QStringLiteral("%1: cannot write the data packet: %2").arg(path, file.errorString()));
    const QByteArray xml = toXml();
    if (file.write(xml) != xml.size() || !file.commit())
        throw DataSetError(QStringLiteral("%1: cannot write the data packet: %2").arg(path, file.errorString()));
}

DataPacket DataPacket::loadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DataSetError(QStringLiteral("%1: cannot read the data packet: %2").arg(path, file.errorString()));
    return fromXml(file.readAll(), path);
}

}  // namespace kvp
