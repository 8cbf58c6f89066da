#pragma once

// What a data function hands back: a packet, an array of packets, a text, a flag,
// nothing (a write that succeeded), or the database's error text in place of any of
// those. Keeping the error apart from a plain text lets MensagemMetodo tell a
// failure from a shortcut code that happens to be text.

#include "dataset.h"

#include <QString>

#include <variant>

namespace kvp {

class DataResult {
public:
    enum class Kind { Empty, Packet, Packets, Text, Flag, Error };

    DataResult() = default;
    static DataResult empty() { return {}; }
    static DataResult packet(DataPacket p) { return DataResult(std::move(p)); }
    static DataResult packets(QList<DataPacket> ps) { return DataResult(std::move(ps)); }
    static DataResult text(QString t) { return DataResult(Text{std::move(t)}); }
    static DataResult flag(bool b) { return DataResult(b); }
    static DataResult error(QString message) { return DataResult(Error{std::move(message)}); }

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isError() const { return kind() == Kind::Error; }
    bool isEmpty() const { return kind() == Kind::Empty; }

    // Accessors raise DataSetError when the result holds something else, so a caller
    // that expected a packet and got an error text fails loudly with that text.
    const DataPacket& asPacket() const;
    const QList<DataPacket>& asPackets() const;
    bool asFlag() const;
    QString errorText() const;  // empty unless isError()
    // The value read as text, the way a host reads a variant: Text and Error give their
    // text, Empty gives "", Flag gives "True"/"False".
    QString toText() const;

private:
    struct Text { QString value; };
    struct Error { QString value; };
    using Value = std::variant<std::monostate, DataPacket, QList<DataPacket>, Text, bool, Error>;
    explicit DataResult(Value v) : m_value(std::move(v)) {}
    Value m_value;
};

}  // namespace kvp
