#include "observationdialog.h"

#include "blendedbutton.h"
#include "colors.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace kvp::refhost {

namespace {
constexpr int kColumns = 3;
}

ObservationDialog::ObservationDialog(const ObservationRequest& request, QWidget* parent)
    : ui::TouchDialog(request.productName.isEmpty()
                          ? QStringLiteral("Observações")
                          : QStringLiteral("Observações - ") + request.productName,
                      parent),
      m_request(request)
{
    setMinimumWidth(640);
    auto* prompt = new QLabel(QStringLiteral("Toque nas observações do pedido:"), this);
    prompt->setFont(bodyFont(this, 12));
    body()->addWidget(prompt);

    auto* area = new QScrollArea(this);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    auto* grid = new QWidget(area);
    auto* layout = new QGridLayout(grid);
    layout->setSpacing(8);
    layout->setContentsMargins(0, 0, 0, 0);
    const int code = m_request.occurrences.fieldIndex(QStringLiteral("CDOCORR"));
    const int description = m_request.occurrences.fieldIndex(QStringLiteral("DSOCORR"));
    for (int r = 0; r < m_request.occurrences.rows.size(); ++r) {
        const Row& row = m_request.occurrences.rows.at(r);
        QString caption =
            description >= 0 ? row.value(description).toString().trimmed() : QString();
        if (caption.isEmpty() && code >= 0)
            caption = row.value(code).toString();
        auto* b = new ui::BlendedButton(caption, grid);
        b->setFont(bodyFont(this, 12, true));
        b->setMinimumSize(190, 54);
        connect(b, &ui::BlendedButton::clicked, this, [this, r] { toggle(r); });
        layout->addWidget(b, r / kColumns, r % kColumns);
        m_buttons.append(b);
    }
    if (m_buttons.isEmpty()) {
        auto* none =
            new QLabel(QStringLiteral("Nenhuma observação cadastrada para este produto."), grid);
        none->setFont(bodyFont(this, 12));
        layout->addWidget(none, 0, 0);
    }
    layout->setRowStretch(layout->rowCount(), 1);
    area->setWidget(grid);
    area->setMinimumHeight(
        std::min(3, static_cast<int>((m_buttons.size() + kColumns - 1) / kColumns)) * 62 + 8);
    body()->addWidget(area, 1);

    m_note = new QLabel(this);
    m_note->setFont(bodyFont(this, 11));
    m_note->setStyleSheet(QStringLiteral("QLabel { color: #B00000; }"));
    m_note->setWordWrap(true);
    m_note->hide();
    body()->addWidget(m_note);

    m_typed = new QLineEdit(this);
    m_typed->setFont(bodyFont(this, 13));
    m_typed->setPlaceholderText(QStringLiteral("Outra observação (opcional)"));
    m_typed->setMaxLength(2000);
    m_typed->setMinimumHeight(44);
    body()->addWidget(m_typed);

    addButton(QStringLiteral("Cancelar"), QDialog::Rejected, false);
    addButton(QStringLiteral("OK"), QDialog::Accepted, true);
    setEnterResult(QDialog::Accepted);
    for (int r = 0; r < m_buttons.size(); ++r)
        paintChoice(r);
}

QString ObservationDialog::groupOf(int row) const
{
    const int group = m_request.occurrences.fieldIndex(QStringLiteral("CDGRPOCOR"));
    return group < 0 ? QString() : m_request.occurrences.rows.at(row).value(group).toString();
}

void ObservationDialog::toggle(int row)
{
    if (row < 0 || row >= m_buttons.size())
        return;
    m_note->hide();
    if (m_chosen.removeOne(row)) {
        paintChoice(row);
        return;
    }
    if (!m_chosen.isEmpty() && groupOf(m_chosen.first()) != groupOf(row)) {
        const QList<int> released = m_chosen;
        m_chosen.clear();
        for (const int r : released)
            paintChoice(r);
        m_note->setText(
            QStringLiteral("Só é possível escolher observações de um mesmo grupo: "
                           "as escolhidas antes foram desmarcadas."));
        m_note->show();
    }
    m_chosen.append(row);
    paintChoice(row);
}

void ObservationDialog::paintChoice(int row)
{
    ui::BlendedButton* b = m_buttons.at(row);
    const bool on = m_chosen.contains(row);
    b->SetDown(on);
    b->setColor(on ? QColor(Qt::black) : ui::colorFromBgr(ui::kAccentBgr));
}

QString ObservationDialog::note() const
{
    return m_note->isHidden() ? QString() : m_note->text();
}

ObservationChoice ObservationDialog::choice() const
{
    ObservationChoice c;
    c.confirmed = result() == QDialog::Accepted;
    if (c.confirmed) {
        c.rows = m_chosen;
        c.typed = m_typed->text();
    }
    return c;
}

}  // namespace kvp::refhost
