#pragma once

// Rows of a data packet as a table for the host's dialogs: only the fields marked
// visible, titled with their display label and sized by their display width. A filter
// model on top narrows the rows to those holding every word typed, ignoring case and
// accents ("acai" finds "Açaí").

#include "dataset.h"
#include "textformat.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

namespace kvp::ui {

class PacketModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PacketModel(QObject* parent = nullptr);

    void setPacket(const DataPacket& packet,
                   const FormatSettings& format = FormatSettings::brazil());
    const DataPacket& packet() const { return m_packet; }

    // Index of the packet field shown in a column.
    int fieldOfColumn(int column) const { return m_columns.value(column, -1); }
    // Width of a column in characters: the field's display width, else its size (at most
    // 40), else 12.
    int widthInCharacters(int column) const;
    // The text a cell shows.
    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    DataPacket m_packet;
    FormatSettings m_format;
    QList<int> m_columns;
};

// Lower case without accents or other combining marks, for searching.
QString foldForSearch(const QString& text);

class WordFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit WordFilterModel(QObject* parent = nullptr);
    void setSearchText(const QString& text);
    QString searchText() const { return m_text; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_text;
    QStringList m_words;  // folded
};

}  // namespace kvp::ui
