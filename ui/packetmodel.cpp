#include "packetmodel.h"

#include <algorithm>

namespace kvp::ui {

PacketModel::PacketModel(QObject* parent) : QAbstractTableModel(parent) {}

void PacketModel::setPacket(const DataPacket& packet, const FormatSettings& format)
{
    beginResetModel();
    m_packet = packet;
    m_format = format;
    m_columns.clear();
    for (int i = 0; i < m_packet.fields.size(); ++i)
        if (m_packet.fields.at(i).visible)
            m_columns.append(i);
    endResetModel();
}

int PacketModel::widthInCharacters(int column) const
{
    const int f = fieldOfColumn(column);
    if (f < 0)
        return 0;
    const FieldDef& def = m_packet.fields.at(f);
    if (def.displayWidth > 0)
        return def.displayWidth;
    if (def.type == FieldType::String && def.size > 0)
        return std::min(def.size, 40);
    return 12;
}

QString PacketModel::cellText(int row, int column) const
{
    const int f = fieldOfColumn(column);
    if (f < 0 || row < 0 || row >= m_packet.rows.size())
        return {};
    const QVariant v = m_packet.rows.at(row).value(f);
    if (v.isNull() || !v.isValid())
        return {};
    switch (m_packet.fields.at(f).type) {
        case FieldType::Float:
            return shortestText(v.toDouble(), m_format);
        case FieldType::Integer:
            return QString::number(v.toLongLong());
        case FieldType::DateTime: {
            const QDateTime when = v.toDateTime();
            if (when.time() == QTime(0, 0))
                return formatDate(when, m_format);
            return formatDate(when, m_format) + QLatin1Char(' ') + formatTime(when, m_format);
        }
        case FieldType::Boolean:
            return v.toBool() ? QStringLiteral("Sim") : QStringLiteral("Não");
        case FieldType::Blob:
            return v.toString().section(QLatin1Char('\n'), 0, 0);
        case FieldType::String:
            break;
    }
    return v.toString();
}

int PacketModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_packet.rows.size());
}

int PacketModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant PacketModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const int f = fieldOfColumn(index.column());
        const FieldType t = f >= 0 ? m_packet.fields.at(f).type : FieldType::String;
        const bool number = t == FieldType::Float || t == FieldType::Integer;
        return QVariant::fromValue(
            Qt::Alignment(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft)));
    }
    return {};
}

QVariant PacketModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const int f = fieldOfColumn(section);
    if (f < 0)
        return {};
    const FieldDef& def = m_packet.fields.at(f);
    return def.displayLabel.isEmpty() ? def.name : def.displayLabel;
}

QString foldForSearch(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const auto cat = c.category();
        if (cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining ||
            cat == QChar::Mark_Enclosing)
            continue;
        out.append(c.toCaseFolded());
    }
    return out;
}

WordFilterModel::WordFilterModel(QObject* parent) : QSortFilterProxyModel(parent) {}

void WordFilterModel::setSearchText(const QString& text)
{
    m_text = text;
    m_words = foldForSearch(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    invalidateFilter();
}

bool WordFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (m_words.isEmpty())
        return true;
    const QAbstractItemModel* src = sourceModel();
    QString haystack;
    for (int c = 0; c < src->columnCount(sourceParent); ++c) {
        haystack += foldForSearch(src->index(sourceRow, c, sourceParent).data().toString());
        haystack += QLatin1Char('\x1f');  // keeps words of neighbouring columns apart
    }
    return std::all_of(m_words.begin(), m_words.end(),
                       [&](const QString& w) { return haystack.contains(w); });
}

}  // namespace kvp::ui
