#include "dataresult.h"

namespace kvp {

namespace {
[[noreturn]] void wrongKind(const char* wanted, const DataResult& r)
{
    if (r.isError())
        throw DataSetError(r.errorText());
    throw DataSetError(QStringLiteral("The data function returned no %1").arg(QString::fromLatin1(wanted)));
}
}  // namespace

const DataPacket& DataResult::asPacket() const
{
    if (const auto* p = std::get_if<DataPacket>(&m_value))
        return *p;
    wrongKind("data packet", *this);
}

const QList<DataPacket>& DataResult::asPackets() const
{
    if (const auto* p = std::get_if<QList<DataPacket>>(&m_value))
        return *p;
    wrongKind("array of data packets", *this);
}

bool DataResult::asFlag() const
{
    if (const auto* b = std::get_if<bool>(&m_value))
        return *b;
    wrongKind("flag", *this);
}

QString DataResult::errorText() const
{
    if (const auto* e = std::get_if<Error>(&m_value))
        return e->value;
    return {};
}

QString DataResult::toText() const
{
    switch (kind()) {
    case Kind::Text: return std::get<Text>(m_value).value;
    case Kind::Error: return std::get<Error>(m_value).value;
    case Kind::Flag: return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Empty:
    case Kind::Packet:
    case Kind::Packets: break;
    }
    return {};
}

}  // namespace kvp
