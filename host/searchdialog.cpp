#include "searchdialog.h"

#include "blendedbutton.h"
#include "packetmodel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace kvp::refhost {

SearchDialog::SearchDialog(const SearchRequest& request, QWidget* parent)
    : ui::TouchDialog(request.title.isEmpty() ? QStringLiteral("Pesquisa") : request.title, parent)
{
    setMinimumHeight(520);
    m_model = new ui::PacketModel(this);
    m_model->setPacket(request.rows);
    m_proxy = new ui::WordFilterModel(this);
    m_proxy->setSourceModel(m_model);

    m_filter = new QLineEdit(this);
    m_filter->setFont(bodyFont(this, 14));
    m_filter->setMinimumHeight(46);
    m_filter->setPlaceholderText(QStringLiteral("Digite para pesquisar"));
    m_filter->setClearButtonEnabled(true);
    m_filter->installEventFilter(this);
    body()->addWidget(m_filter);

    m_view = new QTableView(this);
    m_view->setModel(m_proxy);
    m_view->setFont(bodyFont(this, 12));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(38);
    m_view->horizontalHeader()->setFont(bodyFont(this, 12, true));
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setFocusPolicy(Qt::NoFocus);  // typing always goes to the filter line
    const QFontMetrics fm(m_view->font());
    int total = 0;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int w = m_model->widthInCharacters(c) * fm.averageCharWidth() + 16;
        m_view->setColumnWidth(c, w);
        total += w;
    }
    // As wide as the columns need, within what a point-of-sale screen offers.
    setMinimumWidth(std::clamp(total + 60, 700, 1000));
    body()->addWidget(m_view, 1);

    connect(m_filter, &QLineEdit::textChanged, this, &SearchDialog::filterChanged);
    connect(m_view, &QAbstractItemView::activated, this, [this] { pick(); });
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this] { pick(); });

    addButton(QStringLiteral("Cancelar"), QDialog::Rejected, false);
    connect(addButton(QStringLiteral("Selecionar"), -1, true), &ui::BlendedButton::clicked, this,
            &SearchDialog::pick);
    filterChanged(QString());
    m_filter->setFocus();
}

int SearchDialog::shownRowCount() const
{
    return m_proxy->rowCount();
}

void SearchDialog::filterChanged(const QString& text)
{
    m_proxy->setSearchText(text);
    if (m_proxy->rowCount() > 0)
        m_view->selectRow(0);
    else
        m_view->clearSelection();
}

void SearchDialog::moveSelection(int step)
{
    const int rows = m_proxy->rowCount();
    if (rows == 0)
        return;
    const QModelIndex current = m_view->currentIndex();
    const int row = current.isValid() ? std::clamp(current.row() + step, 0, rows - 1) : 0;
    m_view->selectRow(row);
}

void SearchDialog::pick()
{
    QModelIndexList selected = m_view->selectionModel()->selectedRows();
    QModelIndex at = selected.isEmpty() ? m_proxy->index(0, 0) : selected.first();
    if (!at.isValid())
        return;  // nothing left to pick: stay open
    m_picked = m_proxy->mapToSource(at).row();
    accept();
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int step = 0;
        switch (key->key()) {
            case Qt::Key_Up:
                step = -1;
                break;
            case Qt::Key_Down:
                step = 1;
                break;
            case Qt::Key_PageUp:
                step = -10;
                break;
            case Qt::Key_PageDown:
                step = 10;
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                pick();
                return true;
            default:
                break;
        }
        if (step != 0) {
            moveSelection(step);
            return true;
        }
    }
    return ui::TouchDialog::eventFilter(watched, event);
}

}  // namespace kvp::refhost
