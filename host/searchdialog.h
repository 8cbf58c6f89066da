#pragma once

// The search dialog: the rows on offer in a table with the columns' titles and widths,
// narrowed as the operator types (every word, in any shown column, case and accents
// ignored). A tap selects a row; "Selecionar", Enter or a double tap picks it. With
// nothing selected, the first row left by the filter is picked.

#include "dialogdriver.h"
#include "touchdialog.h"

#include <optional>

class QLineEdit;
class QTableView;

namespace kvp::ui {
class PacketModel;
class WordFilterModel;
}  // namespace kvp::ui

namespace kvp::refhost {

class SearchDialog : public kvp::ui::TouchDialog {
    Q_OBJECT
public:
    explicit SearchDialog(const SearchRequest& request, QWidget* parent = nullptr);

    QLineEdit* filterEdit() const { return m_filter; }
    QTableView* view() const { return m_view; }
    int shownRowCount() const;
    // The 0-based row of the request that was picked; nullopt until one is.
    std::optional<int> pickedRow() const { return m_picked; }

    void pick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void filterChanged(const QString& text);
    void moveSelection(int step);

    ui::PacketModel* m_model = nullptr;
    ui::WordFilterModel* m_proxy = nullptr;
    QLineEdit* m_filter = nullptr;
    QTableView* m_view = nullptr;
    std::optional<int> m_picked;
};

}  // namespace kvp::refhost
