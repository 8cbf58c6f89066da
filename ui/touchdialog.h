#pragma once

// The frame every host dialog shares: borderless like the screens, white with the accent
// frame, a title strip, a body the dialog fills and a bottom row of touch buttons that
// each end the dialog with their own result.

#include <QDialog>
#include <QHash>

class QLabel;
class QHBoxLayout;
class QVBoxLayout;

namespace kvp::ui {

class BlendedButton;

class TouchDialog : public QDialog {
    Q_OBJECT
public:
    explicit TouchDialog(const QString& title, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const;
    QVBoxLayout* body() const { return m_body; }

    // A button of the bottom row; a press ends the dialog with result (a negative result
    // leaves the press to the caller's own handler). The accent colour marks the button
    // that goes ahead, grey the one that goes back.
    BlendedButton* addButton(const QString& caption, int result, bool primary = true);
    BlendedButton* button(const QString& caption) const { return m_buttons.value(caption); }
    // The result Enter gives; -1 (the default) lets Enter do nothing.
    void setEnterResult(int result) { m_enterResult = result; }

    // Font sizes of the dialogs, large enough to read at arm's length.
    static QFont bodyFont(const QWidget* base, int pointSize = 13, bool bold = false);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_title = nullptr;
    QVBoxLayout* m_body = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
    QHash<QString, BlendedButton*> m_buttons;
    int m_enterResult = -1;
};

}  // namespace kvp::ui
