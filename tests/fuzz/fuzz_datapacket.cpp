// The data-packet reader (the host's parameter and tax-rate files, the screens' working
// tables): a text either reads or raises DataSetError, and what is read, written again,
// reads back equal and writes the same bytes. A short input is also tried as the value
// of a field of every type, where whole-file mutations seldom land.

#include "dataset.h"
#include "fuzzcheck.h"

#include <QXmlStreamWriter>

#include <functional>

using namespace kvp;

namespace {

void checkRoundTrip(const QByteArray& xml)
{
    fuzz::checkRoundTrip<DataSetError>(
        xml, [](const QByteArray& x) { return DataPacket::fromXml(x); },
        [](const DataPacket& p) { return p.toXml(); }, std::equal_to<DataPacket>());
}

QByteArray oneValue(const char* fieldType, const QString& value)
{
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.writeStartElement(QStringLiteral("DATAPACKET"));
    w.writeStartElement(QStringLiteral("METADATA"));
    w.writeStartElement(QStringLiteral("FIELDS"));
    w.writeEmptyElement(QStringLiteral("FIELD"));
    w.writeAttribute(QStringLiteral("attrname"), QStringLiteral("V"));
    w.writeAttribute(QStringLiteral("fieldtype"), QString::fromLatin1(fieldType));
    w.writeEndElement();
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("ROWDATA"));
    w.writeEmptyElement(QStringLiteral("ROW"));
    w.writeAttribute(QStringLiteral("V"), value);
    w.writeEndDocument();
    return xml;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkRoundTrip(input);
    if (size <= 64) {
        const QString value = fuzz::inputText(data, size);
        for (const char* type : {"string", "string.uni", "r8", "fixed", "i4", "i8", "dateTime", "date", "boolean",
                                 "bin.hex"})
            checkRoundTrip(oneValue(type, value));
    }
    return 0;
}
