#include "scriptrun.h"

#include "answers.h"
#include "connectionstring.h"
#include "rdmpromocaocombinada.h"
#include "itemrecord.h"
#include "kvp510.h"
#include "observationdialog.h"
#include "qtdialogs.h"
#include "qthostservices.h"
#include "realdisplay.h"
#include "receipt.h"
#include "recorder.h"
#include "screendialog.h"
#include "screenstate.h"
#include "scripthost.h"
#include "searchdialog.h"
#include "station.h"

#include <QApplication>
#include <QCoreApplication>
#include <QWindow>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>

namespace kvp::refhost {

using AKind = ScriptAnswer::Kind;
using SKind = ScriptStep::Kind;

namespace {

const QString kShopConnection = QStringLiteral("kvp-host-script-shop");

QString messageKindName(MessageKind kind)
{
    switch (kind) {
        case MessageKind::Question:
            return QStringLiteral("question");
        case MessageKind::Information:
            return QStringLiteral("information");
        case MessageKind::Warning:
            break;
    }
    return QStringLiteral("warning");
}

bool fitsMessage(AKind answer, MessageKind kind)
{
    switch (answer) {
        case AKind::Question:
            return kind == MessageKind::Question;
        case AKind::Warning:
            return kind == MessageKind::Warning;
        case AKind::Information:
            return kind == MessageKind::Information;
        case AKind::Message:
            return kind != MessageKind::Question;
        default:
            return false;
    }
}

// The dialog as a person would see it, over the screen behind it.
QImage dialogOverScreen(QImage screen, QDialog& dialog)
{
    // Shown for a moment (offscreen) so that wrapped texts take their real height.
    dialog.show();
    if (dialog.layout())
        dialog.layout()->activate();
    // Its own size, not adjustSize()'s, which caps windows at two thirds of the (small,
    // offscreen) screen.
    dialog.resize(dialog.sizeHint().expandedTo(dialog.minimumSizeHint()));
    const QImage front = dialog.grab().toImage();
    dialog.hide();
    QPainter p(&screen);
    p.fillRect(screen.rect(), QColor(0, 0, 0, 70));
    p.drawImage((screen.width() - front.width()) / 2, (screen.height() - front.height()) / 2,
                front);
    return screen;
}

}  // namespace

// --- The dialogs: each takes the next answer of the script ---

class ScriptRun::Driver : public DialogDriver {
public:
    explicit Driver(ScriptRun& run) : m_run(run) {}

    bool message(const MessageRequest& r) override
    {
        const QString shown = messageKindName(r.kind) + QLatin1Char(' ') + quoted(r.text);
        const std::optional<ScriptAnswer> a = take(shown, [&](AKind k) { return fitsMessage(k, r.kind); });
        if (!a)
            return false;
        if (!a->text.isEmpty() && !r.text.contains(a->text)) {
            m_run.fail(a->line, QStringLiteral("the %1 reads %2, without \"%3\"")
                                    .arg(messageKindName(r.kind), quoted(r.text), a->text));
            throw SilentAbort();
        }
        present(*a, [&](QWidget* parent) { return std::make_unique<MessageDialog>(r, parent); });
        if (r.kind == MessageKind::Question) {
            m_run.transcript(QStringLiteral("dialog %1 -> %2").arg(shown, a->yes ? QStringLiteral("yes") : QStringLiteral("no")));
            return a->yes;
        }
        m_run.transcript(QStringLiteral("dialog %1 -> ok").arg(shown));
        return true;
    }

    std::optional<QString> keypad(const KeypadRequest& r) override
    {
        const QString shown = QStringLiteral("keypad ") + quoted(r.prompt.isEmpty() ? r.title : r.prompt);
        const std::optional<ScriptAnswer> a = take(shown, [](AKind k) { return k == AKind::Keypad; });
        if (!a)
            return std::nullopt;
        present(*a, [&](QWidget* parent) { return std::make_unique<KeypadDialog>(r, parent); });
        m_run.transcript(QStringLiteral("dialog %1 -> %2").arg(shown, a->cancel ? QStringLiteral("cancel") : quoted(a->text)));
        if (a->cancel)
            return std::nullopt;
        return a->text;
    }

    ObservationChoice observation(const ObservationRequest& r) override
    {
        const QString shown = QStringLiteral("observation ") + quoted(r.productName);
        const std::optional<ScriptAnswer> a = take(shown, [](AKind k) { return k == AKind::Observation; });
        ObservationChoice choice;
        if (!a)
            return choice;
        present(*a, [&](QWidget* parent) { return std::make_unique<ObservationDialog>(r, parent); });
        if (a->cancel) {
            m_run.transcript(QStringLiteral("dialog %1 -> cancel").arg(shown));
            return choice;
        }
        const int code = r.occurrences.fieldIndex(QStringLiteral("CDOCORR"));
        const int desc = r.occurrences.fieldIndex(QStringLiteral("DSOCORR"));
        for (const QString& wanted : a->codes) {
            int found = -1;
            for (int i = 0; code >= 0 && i < r.occurrences.rows.size(); ++i) {
                if (r.occurrences.rows.at(i).value(code).toString() == wanted)
                    found = i;
            }
            if (found < 0) {
                QStringList offered;
                for (const Row& row : r.occurrences.rows)
                    offered << row.value(code).toString() + QLatin1Char(' ') + row.value(desc).toString();
                m_run.fail(a->line, QStringLiteral("no occurrence %1 is offered for %2 (offered: %3)")
                                        .arg(wanted, r.productName,
                                             offered.isEmpty() ? QStringLiteral("none") : offered.join(QStringLiteral(", "))));
                throw SilentAbort();
            }
            choice.rows.append(found);
        }
        choice.confirmed = true;
        choice.typed = a->text;
        QString told = a->codes.isEmpty() ? QStringLiteral("none") : a->codes.join(QLatin1Char(' '));
        if (!a->text.isEmpty())
            told += QStringLiteral(" | ") + quoted(a->text);
        m_run.transcript(QStringLiteral("dialog %1 -> %2").arg(shown, told));
        return choice;
    }

    std::optional<QString> coupon(const CouponRequest& r) override
    {
        const QString shown = QStringLiteral("coupon");
        const std::optional<ScriptAnswer> a = take(shown, [](AKind k) { return k == AKind::Coupon; });
        if (!a)
            return std::nullopt;
        present(*a, [&](QWidget* parent) { return std::make_unique<CouponDialog>(r, parent); });
        m_run.transcript(QStringLiteral("dialog %1 -> %2").arg(shown, a->cancel ? QStringLiteral("cancel") : quoted(a->text)));
        if (a->cancel)
            return std::nullopt;
        return a->text;
    }

    std::optional<int> search(const SearchRequest& r) override
    {
        const QString shown = QStringLiteral("search ") + quoted(r.title);
        const std::optional<ScriptAnswer> a = take(shown, [](AKind k) { return k == AKind::Search; });
        if (!a)
            return std::nullopt;
        present(*a, [&](QWidget* parent) { return std::make_unique<SearchDialog>(r, parent); });
        if (!a->cancel && a->row > r.rows.rows.size()) {
            m_run.fail(a->line, QStringLiteral("the search offers %1 row(s), not %2")
                                    .arg(r.rows.rows.size()).arg(a->row));
            throw SilentAbort();
        }
        m_run.transcript(QStringLiteral("dialog %1 -> %2").arg(shown, a->cancel ? QStringLiteral("cancel") : QString::number(a->row)));
        if (a->cancel)
            return std::nullopt;
        return a->row - 1;
    }

    std::optional<int> fiscalMenu(const FiscalMenuRequest& r) override
    {
        const QString shown = QStringLiteral("fiscal");
        const std::optional<ScriptAnswer> a = take(shown, [](AKind k) { return k == AKind::Fiscal; });
        if (!a)
            return std::nullopt;
        present(*a, [&](QWidget* parent) { return std::make_unique<FiscalMenuDialog>(r, parent); });
        if (!a->cancel && a->row > r.entries.size()) {
            m_run.fail(a->line, QStringLiteral("the fiscal menu has %1 entries, not %2")
                                    .arg(r.entries.size()).arg(a->row));
            throw SilentAbort();
        }
        m_run.transcript(QStringLiteral("dialog %1 -> %2").arg(shown, a->cancel ? QStringLiteral("close") : QString::number(a->row)));
        if (a->cancel)
            return std::nullopt;
        return a->row - 1;
    }

private:
    // The next answer when it fits the dialog; otherwise the run fails and the handler
    // that opened the dialog stops quietly. After a failure every dialog is refused.
    template <typename Fits>
    std::optional<ScriptAnswer> take(const QString& shown, Fits fits)
    {
        if (m_run.failed())
            throw SilentAbort();
        std::deque<ScriptAnswer>& queue = m_run.answers();
        if (queue.empty()) {
            m_run.fail(m_run.currentLine(),
                       QStringLiteral("unexpected dialog: %1 (queue an answer before this line)").arg(shown));
            throw SilentAbort();
        }
        ScriptAnswer a = queue.front();
        if (!fits(a.kind)) {
            m_run.fail(a.line, QStringLiteral("this line answers a %1, but the dialog that came up is: %2")
                                   .arg(ScriptAnswer::kindName(a.kind), shown));
            throw SilentAbort();
        }
        queue.pop_front();
        return a;
    }

    // Offscreen the dialog is only drawn, when the script asks for its picture. On a real
    // display it opens over the screen as it would for an operator, and the run goes on
    // once the server has shown it and it holds the keyboard.
    template <typename Make>
    void present(const ScriptAnswer& a, Make make)
    {
        if (!m_run.realDisplay()) {
            if (!a.picture.isEmpty()) {
                auto dialog = make(nullptr);
                m_run.saveImage(dialogOverScreen(m_run.screenNow(), *dialog), a.picture, a.line);
            }
            return;
        }
        QWidget* screen = m_run.topScreen();
        auto dialog = make(screen);
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
        const QString what = QStringLiteral("the %1 dialog").arg(dialog->windowTitle());
        bool ok = m_run.onDisplay(*dialog, what, a.line) &&
                  m_run.hasKeyboard(*dialog, what, a.line);
        if (ok)
            m_run.displayMatches(*dialog, what, a.line);
        if (ok && !m_run.failed() && !a.picture.isEmpty())
            m_run.saveImage(ui::shownOnDisplay(screen ? screen : dialog.get()), a.picture, a.line);
        dialog->hide();
        if (!ok || m_run.failed())
            throw SilentAbort();
    }

    ScriptRun& m_run;
};

// --- The screens: each modal run plays the script's steps on the real view ---

class ScriptRun::Presenter : public screen::ModalPresenter {
public:
    Presenter(ScriptRun& run, QtHostServices*& services) : m_run(run), m_services(services) {}

    std::deque<ScriptStep> steps;
    QString finalScreenshot;
    bool leftOpen = false;
    ScriptRecorder* recorder = nullptr;  // with --record

    ui::ScreenDialog* current() const { return m_stack.isEmpty() ? nullptr : m_stack.last(); }

    void runModal(screen::Form& form) override
    {
        ui::ScreenDialog dialog(form, current());
        m_stack.append(&dialog);
        for (screen::ScreenTimer* t : form.timers())
            m_clock.attach(*t);
        dialog.show();
        const bool outermost = m_stack.size() == 1;
        const QString what = QStringLiteral("the screen %1").arg(form.name());
        if (m_run.realDisplay())
            m_run.onDisplay(dialog, what, m_run.currentLine());

        dialog.start();
        checkAnswersUsed(QStringLiteral("while the screen opened"));
        m_run.displayMatches(dialog, what, m_run.currentLine());
        // On a real display a closed screen shows nothing: the run's last picture is the
        // one the display showed before the screen closed.
        QImage lastShown;
        const auto keepShown = [&] {
            if (outermost && m_run.realDisplay() && !finalScreenshot.isEmpty() &&
                dialog.isVisible() && !m_run.failed())
                lastShown = m_run.screenOf(dialog);
        };
        keepShown();
        while (!form.closeRequested() && !m_run.failed() && !steps.empty()) {
            const ScriptStep step = steps.front();
            steps.pop_front();
            // What the operator sees before each action: the last of it is recorded
            // before the line that closes the screen.
            // (The line goes in first: the screen a touch opens records its own lines.)
            std::optional<ShownScreen> seen;
            const qsizetype at = recorder ? recorder->size() : 0;
            if (recorder) {
                if (outermost && step.isAction())
                    seen = showScreen(form);
                recorder->line(step.raw);
            }
            play(step, dialog);
            dialog.finishIfClosing();
            if (step.isAction())
                checkAnswersUsed(QStringLiteral("by line %1").arg(step.line));
            if (!form.closeRequested()) {
                m_run.displayMatches(dialog, what, step.line);
                keepShown();
            }
            if (seen && form.closeRequested())
                recorder->lastSeen(*seen, at);
        }
        if (!form.closeRequested() && !m_run.failed())
            leftOpen = true;
        if (outermost && !finalScreenshot.isEmpty() && !m_run.failed())
            m_run.saveImage(m_run.realDisplay() && !dialog.isVisible() ? lastShown
                                                                        : m_run.screenOf(dialog),
                            finalScreenshot, m_run.currentLine());
        for (screen::ScreenTimer* t : form.timers())
            t->attach(nullptr);
        m_stack.removeAll(&dialog);
    }

    void closeRequested(screen::Form&) override {}

    void repaint(screen::Form& form) override
    {
        for (ui::ScreenDialog* d : m_stack) {
            if (&d->form() == &form)
                d->view()->sync();
        }
    }

private:
    void checkAnswersUsed(const QString& when)
    {
        if (m_run.failed() || m_run.answers().empty())
            return;
        const ScriptAnswer& a = m_run.answers().front();
        m_run.fail(a.line, QStringLiteral("no %1 came up %2; nothing used this answer")
                               .arg(ScriptAnswer::kindName(a.kind), when));
    }

    void press(QWidget* widget)
    {
        // The handler may take the control away (a tray entry removes itself).
        const QPointer<QWidget> w(widget);
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        const QPointF global = w->mapToGlobal(at);
        QMouseEvent down(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(w, &down);
        if (!w)
            return;
        QMouseEvent up(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                       Qt::NoModifier);
        QCoreApplication::sendEvent(w, &up);
    }

    void key(ui::ScreenDialog& dialog, int key, const QString& text)
    {
        // On a real display a key reaches what holds the keyboard, as the operator's would.
        QWidget* target = &dialog;
        if (m_run.realDisplay()) {
            if (!m_run.hasKeyboard(dialog, QStringLiteral("the screen %1").arg(dialog.form().name()),
                                   m_run.currentLine()))
                return;
            if (QWidget* focus = QApplication::focusWidget(); focus && focus->window() == &dialog)
                target = focus;
        }
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &up);
    }

    void play(const ScriptStep& step, ui::ScreenDialog& dialog)
    {
        m_run.setCurrentLine(step.line);
        screen::Form& form = dialog.form();
        switch (step.kind) {
            case SKind::Answer:
                m_run.answers().push_back(step.answer);
                return;
            case SKind::Scale:
                m_services->scale().setReading(step.kg);
                return;
            case SKind::Screenshot:
                m_run.saveImage(m_run.screenOf(dialog), step.text, step.line);
                return;
            case SKind::Touch: {
                const screen::Control* c = std::as_const(form).findComponent(step.text);
                QWidget* w = dialog.view()->widgetFor(step.text);
                if (!c || !w) {
                    m_run.fail(step.line, QStringLiteral("touch: %1 has no control named %2")
                                              .arg(form.name(), step.text));
                    return;
                }
                if (!w->isVisibleTo(&dialog)) {
                    m_run.fail(step.line, QStringLiteral("touch: %1 is not on the screen now").arg(c->name));
                    return;
                }
                if (!dialog.view()->binding().touchHandler(*c)) {
                    m_run.fail(step.line, QStringLiteral("touch: %1 takes no touches").arg(c->name));
                    return;
                }
                // A locked control ignores the finger, as on the touch screen.
                press(w);
                return;
            }
            case SKind::Key: {
                QString text;
                if (step.text.size() == 1 && step.text.at(0).isLetterOrNumber())
                    text = step.text;
                else if (step.key == Qt::Key_Escape)
                    text = QString(QChar(27));
                else if (step.key == Qt::Key_Enter || step.key == Qt::Key_Return)
                    text = QString(QChar(13));
                key(dialog, step.key, text);
                return;
            }
            case SKind::Type:
                for (const QChar ch : step.text) {
                    if (form.closeRequested() || m_run.failed())
                        return;
                    const int k = ch.isDigit() ? Qt::Key_0 + ch.digitValue() : ch.toUpper().unicode();
                    key(dialog, k, QString(ch));
                }
                return;
            case SKind::Tick: {
                for (screen::ScreenTimer* t : form.timers()) {
                    if (t->name().compare(step.text, Qt::CaseInsensitive) == 0) {
                        t->fire();
                        return;
                    }
                }
                QStringList names;
                for (screen::ScreenTimer* t : form.timers())
                    names << t->name();
                m_run.fail(step.line, QStringLiteral("tick: %1 has no timer %2 (timers: %3)")
                                          .arg(form.name(), step.text,
                                               names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));
                return;
            }
            case SKind::Wait:
                m_clock.advance(step.ms);
                return;
            case SKind::Show:
                show(step, form);
                return;
            case SKind::Expect: {
                const QString wrong = checkExpect(showScreen(form), step.expect);
                if (!wrong.isEmpty())
                    m_run.fail(step.line, QStringLiteral("expect %1: %2").arg(step.expect.text, wrong));
                return;
            }
            case SKind::Calls:
                m_run.scriptHost().setLogging(step.on);
                return;
            case SKind::Price:
                m_run.scriptHost().setPrice(step.price);
                return;
            case SKind::Reactivate:
                reactivate(step, dialog);
                return;
        }
    }

    void show(const ScriptStep& step, const screen::Form& form)
    {
        const ShownScreen shown = showScreen(form);
        if (step.text.isEmpty()) {
            for (const QString& line : shown.lines())
                m_run.transcript(line);
            return;
        }
        const ShownEntry* e = shown.find(step.text);
        if (!e) {
            m_run.fail(step.line, QStringLiteral("show: %1 shows no %2").arg(form.name(), step.text));
            return;
        }
        m_run.transcript(e->line());
    }

    // The window loses and regains activation, as when a host window on top of it closes:
    // the screen runs its activation handler again.
    void reactivate(const ScriptStep& step, ui::ScreenDialog& dialog)
    {
        const quint64 before = dialog.form().revision();
        QEvent away(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(&dialog, &away);
        QEvent back(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&dialog, &back);
        // The dialog runs the handler from its event queue, as after a message box.
        QCoreApplication::sendPostedEvents(&dialog, QEvent::MetaCall);
        if (!m_run.failed() && dialog.form().revision() == before)
            m_run.fail(step.line, QStringLiteral("reactivate: %1 did not run its activation")
                                      .arg(dialog.form().name()));
    }

    ScriptRun& m_run;
    QtHostServices*& m_services;
    screen::ManualClock m_clock;
    QList<ui::ScreenDialog*> m_stack;
};

// --- The run ---

ScriptRun::ScriptRun(Script script, QTextStream& out) : m_script(std::move(script)), m_out(out) {}

ScriptRun::~ScriptRun() = default;

void ScriptRun::fail(int line, const QString& message)
{
    if (!m_failure)
        m_failure.emplace(line, message);
}

QString ScriptRun::failureText() const
{
    if (!m_failure)
        return {};
    if (m_failure->line() <= 0)
        return m_script.file + QStringLiteral(": ") + m_failure->message();
    return QStringLiteral("%1:%2: %3").arg(m_script.file).arg(m_failure->line()).arg(m_failure->message());
}

void ScriptRun::transcript(const QString& line)
{
    m_out << line << '\n';
    m_out.flush();
    if (m_recorder)
        m_printed += line + QLatin1Char('\n');
}

QWidget* ScriptRun::topScreen() const
{
    return m_presenter ? m_presenter->current() : nullptr;
}

QImage ScriptRun::screenOf(ui::ScreenDialog& dialog)
{
    if (!m_realDisplay)
        return dialog.screenshot();
    ui::settle();
    return ui::shownOnDisplay(&dialog);
}

bool ScriptRun::onDisplay(QWidget& window, const QString& what, int line)
{
    if (ui::waitUntilExposed(&window, kDisplayWaitMs))
        return true;
    fail(line, QStringLiteral("the display did not show %1 within %2 s")
                   .arg(what)
                   .arg(kDisplayWaitMs / 1000));
    return false;
}

bool ScriptRun::hasKeyboard(QWidget& window, const QString& what, int line)
{
    if (ui::waitUntilFocused(&window, kDisplayWaitMs))
        return true;
    const QWindow* focus = QGuiApplication::focusWindow();
    fail(line, QStringLiteral("the keyboard is not on %1 (it is on %2)")
                   .arg(what, focus ? QStringLiteral("\"%1\"").arg(focus->title())
                                    : QStringLiteral("no window of the program")));
    return false;
}

void ScriptRun::displayMatches(QWidget& window, const QString& what, int line)
{
    if (!m_compareDisplay || failed())
        return;
    QImage shown;
    QImage drawn;
    const qsizetype differing = ui::waitUntilShownAsDrawn(&window, kDisplayWaitMs, &shown, &drawn);
    if (differing == 0)
        return;
    const QDir dir(QDir::temp().filePath(
        QStringLiteral("kvp-display-%1").arg(QCoreApplication::applicationPid())));
    dir.mkpath(QStringLiteral("."));
    const QString shownFile = dir.filePath(QStringLiteral("line%1-display.png").arg(line));
    const QString drawnFile = dir.filePath(QStringLiteral("line%1-rendering.png").arg(line));
    shown.save(shownFile);
    drawn.save(drawnFile);
    fail(line, QStringLiteral("the display shows %1 otherwise than its widgets draw it: %2 "
                              "pixel(s) still differ after %5 s (%3, %4)")
                   .arg(what)
                   .arg(differing)
                   .arg(shownFile, drawnFile)
                   .arg(kDisplayWaitMs / 1000));
}

QImage ScriptRun::screenNow() const
{
    if (m_presenter) {
        if (ui::ScreenDialog* d = m_presenter->current())
            return d->screenshot();
    }
    QImage blank(803, 607, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
}

void ScriptRun::saveImage(const QImage& image, const QString& path, int line)
{
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (!image.save(path, "PNG"))
        fail(line, QStringLiteral("cannot write the picture %1").arg(path));
}

bool ScriptRun::run(const ScriptRunOptions& options)
{
    const QString connection = options.connectionString.isEmpty()
                                   ? options.folder.connectionString()
                                   : options.connectionString;
    m_currentLine = m_script.sales.first().openLine;

    // The host's own connection: menu, occurrences and prices.
    ConnectionSettings settings;
    try {
        settings = ConnectionSettings::parse(connection);
    } catch (const ConnectionStringError& e) {
        fail(0, QStringLiteral("bad connection string: %1").arg(e.message()));
        return false;
    }
    if (settings.driver.compare(QLatin1String("QSQLITE"), Qt::CaseInsensitive) == 0 &&
        !QFileInfo::exists(settings.database)) {
        fail(0, QStringLiteral("the shop database %1 does not exist").arg(settings.database));
        return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = addDatabase(settings, kShopConnection);
        if (!db.open()) {
            fail(0, QStringLiteral("cannot open the shop database: %1").arg(db.lastError().text()));
        } else {
            ok = true;
        }
    }
    if (ok) {
        ShopCatalogue catalogue(kShopConnection);
        QtHostConfig config;
        config.connectionString = connection;
        config.programFolder = options.folder.root;
        config.priceConnection = kShopConnection;
        config.clock = [this] { return m_clock; };
        config.occurrences = [catalogue](const QString& product) {
            return catalogue.occurrences(product);
        };

        m_realDisplay = ui::onRealDisplay();
        m_compareDisplay = m_realDisplay && options.compareDisplay;
        if (m_realDisplay)
            ui::installFocusReturn();
        m_driver = std::make_unique<Driver>(*this);
        QtHostServices services(config, *m_driver);
        QtHostServices* servicesPtr = &services;
        ScriptHost host(services, *this);
        m_host = &host;
        host.setLogging(options.logCalls);
        m_presenter = std::make_unique<Presenter>(*this, servicesPtr);
        if (!options.recordPath.isEmpty()) {
            m_recorder = std::make_unique<ScriptRecorder>();
            m_recorder->line(QStringLiteral("# Recorded from %1 by kvp_host --record.")
                                 .arg(QFileInfo(m_script.file).fileName()));
            m_presenter->recorder = m_recorder.get();
        }
        installHost(&host);
        screen::installPresenter(m_presenter.get());

        // The sale the calls are made in: what earlier calls handed back is on it.
        DataSet sold(QStringLiteral("cdsItensVendidos"), records::itemProd());
        sold.emptyOrCreate();
        for (qsizetype i = 0; i < m_script.sales.size() && !failed(); ++i) {
            const ScriptSale& sale = m_script.sales.at(i);
            if (i > 0)
                transcript(QStringLiteral("open %1 %2").arg(i + 1).arg(quoted(sale.call.combo)));
            sell(sale, i + 1 == m_script.sales.size(), options, services, catalogue, sold);
        }

        screen::installPresenter(nullptr);
        installHost(nullptr);
        m_host = nullptr;
        services.prices().release();
        catalogue.release();
        // A recording is written only of a run that went as its script says.
        // Its printout goes beside it, for --check.
        QString error;
        if (m_recorder && !failed() &&
            (!m_recorder->save(options.recordPath, error) ||
             !ScriptRecorder::write(expectedPathFor(options.recordPath), m_printed, error)))
            fail(0, error);
    }
    m_presenter.reset();
    m_driver.reset();
    QSqlDatabase::removeDatabase(kShopConnection);
    return !failed();
}

namespace {

// The rows of a packet a script handed in, on a dataset of the host's.
void handIn(DataSet& ds, const DataPacket& rows)
{
    if (!rows.hasStructure()) {
        ds.emptyOrCreate();
        return;
    }
    ds.setData(rows);
}

}  // namespace

bool ScriptRun::lookBefore(const ScriptSale& sale)
{
    ShownScreen module;
    module.form = QStringLiteral("module");
    module.entries = {moduleEntry()};
    for (const ScriptStep& step : sale.before) {
        m_currentLine = step.line;
        if (step.kind == ScriptStep::Kind::Show) {
            transcript(module.entries.first().line());
        } else {
            const QString wrong = checkExpect(module, step.expect);
            if (!wrong.isEmpty())
                fail(step.line, QStringLiteral("expect %1: %2").arg(step.expect.text, wrong));
        }
    }
    m_currentLine = sale.openLine;
    return !failed();
}

bool ScriptRun::sell(const ScriptSale& sale, bool last, const ScriptRunOptions& options,
                     QtHostServices& services, const ShopCatalogue& catalogue, DataSet& sold)
{
    const ScriptCall& call = sale.call;
    m_currentLine = sale.openLine;
    try {
        Combo combo;
        try {
            combo = catalogue.combo(call.combo);
        } catch (const HostError&) {
            // A shop's own database need not hold the reference host's menu: the script
            // then says how the combo is sold.
            if (!call.priceMode || !call.price)
                throw;
            combo.code = call.combo;
            combo.name = catalogue.productName(call.combo);
            combo.priceMode = *call.priceMode;
            combo.price = *call.price;
        }

        m_clock = call.clock;
        services.scale().setReading(call.scale);
        if (call.calls)
            m_host->setLogging(*call.calls);
        for (const ScriptPrice& p : call.prices)
            m_host->setPrice(p);
        if (call.sold.hasStructure()) {
            for (const Row& row : call.sold.rows) {
                sold.append();
                for (qsizetype f = 0; f < call.sold.fields.size(); ++f) {
                    if (!row.value(f).isNull())
                        sold.setValue(call.sold.fields.at(f).name, row.value(f));
                }
                sold.post();
            }
        }
        if (!lookBefore(sale))
            return false;
        if (m_recorder) {
            if (&sale != &m_script.sales.first())
                m_recorder->line(QString());
            for (const QString& line : sale.setUpLines)
                m_recorder->line(line);
        }
        std::optional<StationFile> station;
        if (call.station) {
            try {
                station.emplace(call, options.folder.parametersPath(),
                                QFileInfo(m_script.file).absolutePath());
            } catch (const ScriptError& e) {
                fail(e.line(), e.message());
                return false;
            }
        }
        m_presenter->steps.assign(sale.steps.cbegin(), sale.steps.cend());
        m_presenter->finalScreenshot = last ? options.finalScreenshot : QString();
        m_presenter->leftOpen = false;
        m_answers.clear();
        for (const ScriptStep& s : sale.opening)
            m_answers.push_back(s.answer);

        DataSet itens(QStringLiteral("cdsItensRet"), records::itemProd());
        DataSet obs(QStringLiteral("cdsObsRet"), records::obsItens());
        DataSet ctObs(QStringLiteral("cdsCtObsRet"), records::prodCtObs());
        handIn(itens, call.items);
        handIn(obs, call.observations);
        handIn(ctObs, call.controlled);
        const QString priceMode = call.priceMode.value_or(combo.priceMode);
        const PriceTable::Sale priced(services.prices());
        const bool result = kvp::combinada::CriaPromocaoInteligente(
            itens, obs, ctObs, combo.code, call.name.value_or(combo.name), call.customer,
            call.consumer, priceMode, call.valueOrPerc.value_or(combo.valueOrPerc),
            call.adjustType.value_or(combo.adjustType), call.price.value_or(combo.price),
            call.adjust.value_or(combo.adjust), call.quantity,
            call.applyAdjust.value_or(combo.applyAdjust), call.debit, call.sale, sold,
            call.callType);

        if (station) {
            QString error;
            if (!station->restore(error))
                fail(call.stationLine, error);
        }
        if (!failed() && !m_answers.empty())
            fail(m_answers.front().line,
                 QStringLiteral("no %1 came up; nothing used this answer")
                     .arg(ScriptAnswer::kindName(m_answers.front().kind)));
        if (!failed() && m_presenter->leftOpen)
            fail(sale.steps.isEmpty() ? sale.openLine : sale.steps.last().line,
                 QStringLiteral("the script ended with the screen still open (close it, "
                                "e.g. key Esc and answer question yes)"));
        // What the module handed back is asserted after the screen has closed.
        QList<ScriptStep> after;
        while (!m_presenter->steps.empty() &&
               m_presenter->steps.front().kind == ScriptStep::Kind::Expect &&
               aboutHandedBack(m_presenter->steps.front().expect.entry)) {
            after.append(m_presenter->steps.front());
            m_presenter->steps.pop_front();
        }
        if (!failed() && !m_presenter->steps.empty())
            fail(m_presenter->steps.front().line,
                 QStringLiteral("the screen had closed; this line and the ones after it "
                                "were not played"));
        if (failed())
            return false;
        const ShownScreen handed = handedBack(itens, obs, ctObs, result);
        for (const ScriptStep& step : after) {
            const QString wrong = checkExpect(handed, step.expect);
            if (!wrong.isEmpty()) {
                fail(step.line, QStringLiteral("expect %1: %2").arg(step.expect.text, wrong));
                return false;
            }
        }
        if (m_recorder) {
            if (after.isEmpty())
                m_recorder->handed(handed);
            for (const ScriptStep& step : after)
                m_recorder->line(step.raw);
        }
        for (const QString& line : stableResult(itens, obs, ctObs, result))
            transcript(line);
        if (result)
            appendSold(sold, itens);
    } catch (const HostError& e) {
        fail(call.comboLine > 0 ? call.comboLine : sale.openLine, e.message());
    }
    return !failed();
}

}  // namespace kvp::refhost
