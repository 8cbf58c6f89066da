// The data-packet reader (the host's parameter and tax-rate files, the screens' working
// tables): a text either reads or raises DataSetError, and what is read, written again,
// reads back equal and writes the same bytes.

#include "dataset.h"
#include "fuzzcheck.h"

using namespace kvp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    DataPacket packet;
    try {
        packet = DataPacket::fromXml(xml);
    } catch (const DataSetError&) {
        return 0;
    }
    const QByteArray written = packet.toXml();
    DataPacket again;
    try {
        again = DataPacket::fromXml(written);
    } catch (const DataSetError& e) {
        fuzz::broken("a written packet reads back", QString::fromUtf8(written), QString::fromUtf8(e.what()));
    }
    fuzz::check(again == packet, "a written packet reads back equal", QString::fromUtf8(xml),
                QString::fromUtf8(written));
    fuzz::check(again.toXml() == written, "a packet writes the same twice", QString::fromUtf8(written),
                QString::fromUtf8(again.toXml()));
    return 0;
}
