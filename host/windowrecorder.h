#pragma once

// kvp_host --record FILE in window mode: the script that replays what the operator does
// at the sale window (format in SCRIPTS.md), written after every call. Touches and keys
// on the combination screens are seen by an event filter, the dialogs' answers by a
// dialog driver in front of the real one; each action is written after the answers its
// dialogs took, as a script queues them.

#include "dialogdriver.h"
#include "recorder.h"
#include "shop.h"

#include <QDateTime>
#include <QObject>

#include <optional>

namespace kvp::refhost {

class WindowRecorder : public QObject {
public:
    explicit WindowRecorder(QString path) : m_path(std::move(path)) {}

    // A call is about to be made with these arguments.
    void beginCall(const Combo& combo, double quantity, const QString& sale, const QDateTime& now,
                   double scale);
    void answer(const QString& line);
    // The call returned: its lines and what it handed back are added and the file written;
    // false with the reason when it cannot be written.
    bool endCall(DataSet& items, DataSet& observations, DataSet& controlled, bool result,
                 QString& error);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Action {
        QStringList answers;
        QString line;
        std::optional<ShownScreen> seen;  // the selection screen before the action
    };
    void act(const QString& line, std::optional<ShownScreen> seen);

    QString m_path;
    ScriptRecorder m_script;
    bool m_inCall = false;
    QList<Action> m_actions;  // the first is "open", with the answers given while it opens
    const QEvent* m_lastKey = nullptr;
    quint64 m_lastKeyTime = 0;
};

// The dialogs the operator answers, each answer also given to the recorder.
class RecordingDialogs : public DialogDriver {
public:
    RecordingDialogs(DialogDriver& inner, WindowRecorder& recorder)
        : m_inner(inner), m_recorder(recorder)
    {
    }
    bool message(const MessageRequest& request) override;
    std::optional<QString> keypad(const KeypadRequest& request) override;
    ObservationChoice observation(const ObservationRequest& request) override;
    std::optional<QString> coupon(const CouponRequest& request) override;
    std::optional<int> search(const SearchRequest& request) override;
    std::optional<int> fiscalMenu(const FiscalMenuRequest& request) override;

private:
    DialogDriver& m_inner;
    WindowRecorder& m_recorder;
};

}  // namespace kvp::refhost
