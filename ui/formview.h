#pragma once

// The Qt view of any headless screen: one widget per control record, placed and painted
// from the record (bounds, caption, font, colours, visible, enabled, down, picture), and
// redrawn whenever the form's change notification fires. Touches, keys and timer ticks
// go to the screen's handlers through Form::deliver(); which handler a control's touch
// runs is the business of a FormBinding, so the view itself knows nothing of any screen.

#include "form.h"

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;

namespace kvp::ui {

// What a concrete screen adds to the view: the handler behind each touchable control and
// the screen's key handlers.
class FormBinding {
public:
    virtual ~FormBinding() = default;
    // The handler a touch of the control runs; empty when the control takes no touches.
    virtual std::function<void()> touchHandler(const screen::Control& control) = 0;
    // A key went down (Qt::Key value).
    virtual void keyDown(int key) = 0;
    // A character was typed (after keyDown of its key).
    virtual void keyPress(QChar character) = 0;
};

// A binding with no handlers: the view shows the screen and nothing reacts.
class InertBinding : public FormBinding {
public:
    std::function<void()> touchHandler(const screen::Control&) override { return {}; }
    void keyDown(int) override {}
    void keyPress(QChar) override {}
};

// The picture a slot shows when the screen gives it none (the default picture of the
// screen's picture holder): a grey tile with a plate and cutlery.
QPixmap defaultPicture(const QSize& size);

// Point size of the layouts (drawn at 96 dots per inch) as a pixel size, so the screens
// keep their proportions whatever the display's resolution.
int layoutPixelSize(int pointSize);

// The Qt font a control's font is drawn with.
QFont qfont(const screen::Font& f);

class FormView : public QWidget {
    Q_OBJECT
public:
    FormView(screen::Form& form, std::unique_ptr<FormBinding> binding, QWidget* parent = nullptr);
    ~FormView() override;

    screen::Form& form() const { return m_form; }
    FormBinding& binding() const { return *m_binding; }

    // The widget that draws a control (case-insensitive name); nullptr when the form has
    // no such control.
    QWidget* widgetFor(const QString& name) const;
    // Brings every widget in line with the control records.
    void sync();
    // Draws at once what is waiting to be drawn: the widgets whose look changed and the
    // areas hidden ones left. The rest of the view stays as it was drawn.
    void paintChanges();

    // Runs a control's touch handler as a press on its widget does. False when the
    // control takes no touches (or does not exist).
    bool touch(const QString& name);
    // Hands a key to the screen: keyDown, then keyPress for each character it types.
    void deliverKey(int key, const QString& text);
    // Runs any handler of the screen the way the event loop runs a touch.
    void deliver(const std::function<void()>& handler);
    // A handler is running (touches that arrive now wait for it).
    bool busy() const { return m_depth > 0; }

Q_SIGNALS:
    // A touch, key or tick has been handled; the form may have asked to close.
    void handled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Entry {
        QPointer<QWidget> widget;
        screen::ControlKind kind = screen::ControlKind::Label;
        QString parent;                        // the record's parent name, as written
        std::optional<screen::Control> shown;  // the record as last drawn
        const screen::Control* control = nullptr;  // the record drawn, while it is present
        QString name;                          // its name, as written
        quint64 pass = 0;                      // the last sync that found it
    };

    QWidget* create(const screen::Control& control, QWidget* parent);
    void apply(const screen::Control& control, Entry& entry);

    screen::Form& m_form;
    std::unique_ptr<FormBinding> m_binding;
    // Key: control name in lower case. Entries stay where they are while the hash grows,
    // so the records' index below can point at them.
    QHash<QString, std::shared_ptr<Entry>> m_entries;
    // Record -> its entry: a sync finds each known control without lower-casing its name.
    QHash<const screen::Control*, Entry*> m_byControl;
    quint64 m_pass = 0;
    bool m_syncing = false;
    int m_depth = 0;
};

}  // namespace kvp::ui
