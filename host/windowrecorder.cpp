#include "windowrecorder.h"

#include "formview.h"
#include "screendialog.h"
#include "textformat.h"
#include "tfrmpromocaocombinada.h"

#include <QKeyEvent>

namespace kvp::refhost {

namespace {

// The screen a widget lies on; none for a dialog's window over it (its keys and touches
// are the dialog's answer, recorded as that).
ui::ScreenDialog* screenOf(QObject* o)
{
    for (; o; o = o->parent()) {
        if (auto* d = qobject_cast<ui::ScreenDialog*>(o))
            return d;
        if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow())
            return nullptr;
    }
    return nullptr;
}

// The touchable control whose widget holds w (the innermost one).
const screen::Control* touchedControl(ui::ScreenDialog& d, QWidget* w)
{
    const screen::Control* best = nullptr;
    QWidget* bestWidget = nullptr;
    for (const screen::Control* c : std::as_const(d.form()).controls()) {
        QWidget* cw = d.view()->widgetFor(c->name);
        if (!cw || (cw != w && !cw->isAncestorOf(w)))
            continue;
        if (!d.view()->binding().touchHandler(*c))
            continue;
        if (!bestWidget || bestWidget->isAncestorOf(cw)) {
            best = c;
            bestWidget = cw;
        }
    }
    return best;
}

// The script's name of a key; empty for keys a script does not press.
QString keyName(const QKeyEvent& k)
{
    const int key = k.key();
    if (key == Qt::Key_Escape)
        return QStringLiteral("Esc");
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return QStringLiteral("Enter");
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return QString(QChar(key));
    return {};
}

QString number(double v)
{
    return shortestText(v, FormatSettings::brazil());
}

}  // namespace

void WindowRecorder::beginCall(const Combo& combo, double quantity, const QString& sale,
                               const QDateTime& now, double scale)
{
    if (m_script.size() == 0)
        m_script.line(QStringLiteral("# Recorded at the sale window by kvp_host --record."));
    else
        m_script.line(QString());
    m_script.line(QStringLiteral("combo ") + ScriptRecorder::word(combo.code));
    if (quantity != 1)
        m_script.line(QStringLiteral("quantity ") + number(quantity));
    m_script.line(QStringLiteral("sale ") + ScriptRecorder::word(sale));
    m_script.line(QStringLiteral("clock ") + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    m_script.line(QStringLiteral("scale ") + number(scale));
    m_actions = {Action{{}, QStringLiteral("open"), std::nullopt}};
    m_inCall = true;
}

void WindowRecorder::answer(const QString& line)
{
    if (m_inCall && !m_actions.isEmpty())
        m_actions.last().answers << line;
}

void WindowRecorder::act(const QString& line, std::optional<ShownScreen> seen)
{
    if (m_inCall)
        m_actions.append(Action{{}, line, std::move(seen)});
}

bool WindowRecorder::endCall(DataSet& items, DataSet& observations, DataSet& controlled,
                             bool result, QString& error)
{
    m_inCall = false;
    // The selection screen's last action is the one that closed it.
    qsizetype closing = -1;
    for (qsizetype i = 0; i < m_actions.size(); ++i) {
        if (m_actions.at(i).seen)
            closing = i;
    }
    for (qsizetype i = 0; i < m_actions.size(); ++i) {
        const Action& a = m_actions.at(i);
        // The answers of the screen's opening come before "open"; an action's before it.
        for (const QString& answer : a.answers)
            m_script.line(answer);
        if (i == closing)
            m_script.lastSeen(*a.seen, m_script.size());
        m_script.line(a.line);
    }
    m_actions.clear();
    m_script.handed(handedBack(items, observations, controlled, result));
    return m_script.save(m_path, error);
}

bool WindowRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_inCall)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        ui::ScreenDialog* d = w ? screenOf(w) : nullptr;
        if (d && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (const screen::Control* c = touchedControl(*d, w)) {
                std::optional<ShownScreen> seen;
                if (dynamic_cast<const combinada::TfrmPromocaoCombinada*>(&d->form()))
                    seen = showScreen(d->form());
                act(QStringLiteral("touch ") + c->name, std::move(seen));
            }
        }
    } else if (event->type() == QEvent::KeyPress) {
        // A key an inner widget ignores goes on to its parents: count it once.
        auto* k = static_cast<QKeyEvent*>(event);
        ui::ScreenDialog* d = screenOf(watched);
        if (d && !(k == m_lastKey && k->timestamp() == m_lastKeyTime)) {
            m_lastKey = k;
            m_lastKeyTime = k->timestamp();
            const QString name = keyName(*k);
            if (!name.isEmpty()) {
                std::optional<ShownScreen> seen;
                if (dynamic_cast<const combinada::TfrmPromocaoCombinada*>(&d->form()))
                    seen = showScreen(d->form());
                act(QStringLiteral("key ") + name, std::move(seen));
            }
        }
    }
    return false;
}

bool RecordingDialogs::message(const MessageRequest& request)
{
    const bool yes = m_inner.message(request);
    switch (request.kind) {
        case MessageKind::Question:
            m_recorder.answer(yes ? QStringLiteral("answer question yes")
                                  : QStringLiteral("answer question no"));
            break;
        case MessageKind::Warning:
            m_recorder.answer(QStringLiteral("answer warning"));
            break;
        case MessageKind::Information:
            m_recorder.answer(QStringLiteral("answer information"));
            break;
    }
    return yes;
}

std::optional<QString> RecordingDialogs::keypad(const KeypadRequest& request)
{
    const std::optional<QString> typed = m_inner.keypad(request);
    m_recorder.answer(QStringLiteral("answer keypad ") +
                      (typed ? ScriptRecorder::word(*typed) : QStringLiteral("cancel")));
    return typed;
}

ObservationChoice RecordingDialogs::observation(const ObservationRequest& request)
{
    const ObservationChoice choice = m_inner.observation(request);
    if (!choice.confirmed) {
        m_recorder.answer(QStringLiteral("answer observation cancel"));
        return choice;
    }
    QString line = QStringLiteral("answer observation");
    const int code = request.occurrences.fieldIndex(QStringLiteral("CDOCORR"));
    for (const int row : choice.rows) {
        if (code >= 0 && row >= 0 && row < request.occurrences.rows.size())
            line += QLatin1Char(' ') +
                    ScriptRecorder::word(request.occurrences.rows.at(row).value(code).toString());
    }
    if (!choice.typed.isEmpty())
        line += QStringLiteral(" | ") + ScriptRecorder::word(choice.typed);
    m_recorder.answer(line);
    return choice;
}

std::optional<QString> RecordingDialogs::coupon(const CouponRequest& request)
{
    const std::optional<QString> code = m_inner.coupon(request);
    m_recorder.answer(!code ? QStringLiteral("answer coupon cancel")
                      : code->isEmpty()
                          ? QStringLiteral("answer coupon")
                          : QStringLiteral("answer coupon ") + ScriptRecorder::word(*code));
    return code;
}

std::optional<int> RecordingDialogs::search(const SearchRequest& request)
{
    const std::optional<int> row = m_inner.search(request);
    m_recorder.answer(row ? QStringLiteral("answer search %1").arg(*row + 1)
                          : QStringLiteral("answer search cancel"));
    return row;
}

std::optional<int> RecordingDialogs::fiscalMenu(const FiscalMenuRequest& request)
{
    const std::optional<int> entry = m_inner.fiscalMenu(request);
    m_recorder.answer(entry ? QStringLiteral("answer fiscal %1").arg(*entry + 1)
                            : QStringLiteral("answer fiscal close"));
    return entry;
}

}  // namespace kvp::refhost
