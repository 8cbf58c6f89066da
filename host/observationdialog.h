#pragma once

// The observation chooser: the occurrences on offer as touch buttons that toggle, and a
// line for a typed observation. One answer carries one occurrence group, so choosing an
// occurrence of another group releases the ones chosen before and says so.

#include "dialogdriver.h"
#include "touchdialog.h"

#include <QList>

class QLabel;
class QLineEdit;

namespace kvp::ui {
class BlendedButton;
}

namespace kvp::refhost {

class ObservationDialog : public kvp::ui::TouchDialog {
    Q_OBJECT
public:
    explicit ObservationDialog(const ObservationRequest& request, QWidget* parent = nullptr);

    // What the operator decided; confirmed only after "OK".
    ObservationChoice choice() const;

    ui::BlendedButton* occurrenceButton(int row) const { return m_buttons.value(row); }
    QLineEdit* typedEdit() const { return m_typed; }
    QList<int> chosenRows() const { return m_chosen; }
    QString note() const;

    void toggle(int row);

private:
    QString groupOf(int row) const;
    void paintChoice(int row);

    ObservationRequest m_request;
    QList<ui::BlendedButton*> m_buttons;
    QList<int> m_chosen;
    QLineEdit* m_typed = nullptr;
    QLabel* m_note = nullptr;
};

}  // namespace kvp::refhost
