#pragma once

// Operator-facing texts. Each screen carries its own ordered catalogue of "key|text"
// lines; code asks for a key (in any case) and never writes a message inline.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace kvp {

// A catalogue line that cannot be read as "key|text".
class MessageCatalogueError : public std::invalid_argument {
public:
    explicit MessageCatalogueError(const QString& message);
};

class TMessages {
public:
    TMessages() = default;
    // Lines "key|text": the key is everything before the first "|", the text everything
    // after it, trailing blanks included. Raises MessageCatalogueError for a line without
    // "|" or with an empty key, naming the line; nothing is kept from a bad list.
    explicit TMessages(const QStringList& lines);

    // The text stored under key, matched without regard to case; with duplicate keys the
    // first line wins. A key this catalogue lacks is looked up in hostMessages(); a key
    // no catalogue holds yields the key itself, so the operator still sees what failed.
    QString Msg(const QString& key) const;
    // Msg(key) with its "%s" placeholders filled left to right (see fillText).
    QString Msg(const QString& key, const QStringList& args) const;

    // This catalogue only, without the host-wide fallback.
    std::optional<QString> find(const QString& key) const;
    bool contains(const QString& key) const { return find(key).has_value(); }

    qsizetype count() const { return m_keys.size(); }
    // The catalogue as given, in order.
    QStringList lines() const;
    QStringList keys() const { return m_keys; }

private:
    QStringList m_keys;
    QStringList m_texts;
    QHash<QString, qsizetype> m_firstByFoldedKey;
};

// The combined-promotion selection screen's catalogue: 57 lines.
TMessages promocaoCombinadaMessages();
// The add-to-combination screen's catalogue: 50 lines, those of the main screen without
// the weighing and typed-quantity texts, "GRUPO_EXCLUSIVO" moved to the end.
TMessages promoCombAddMessages();
// Texts the host supplies for keys the screens ask for but do not carry.
const TMessages& hostMessages();

}  // namespace kvp
