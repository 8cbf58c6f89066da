#pragma once

// The headless mode of the reference host: plays a Script against the real selection
// screen and view (offscreen), answers the host's dialogs from the script, writes each
// dialog and the result handed back in the stable format, and stops with the script's
// line at the first thing that did not go as written.

#include "dataset.h"
#include "dialogdriver.h"
#include "script.h"
#include "shop.h"

#include <QImage>
#include <QTextStream>

#include <deque>
#include <optional>

class QWidget;

namespace kvp::ui {
class ScreenDialog;
}

namespace kvp::refhost {

struct ScriptRunOptions {
    RunFolder folder;            // program folder of the module
    QString connectionString;    // empty: the folder's SQLite database
    QString finalScreenshot;     // PNG of the screen as the run ends; none when empty
    bool logCalls = false;       // print every call to the host's services from the start
    // On a real display: after every step, what the server shows of each window must be
    // what its widgets draw.
    bool compareDisplay = false;
    QString recordPath;          // write the script that replays this run; none when empty
};

class ScriptHost;
class ScriptRecorder;
class QtHostServices;

class ScriptRun {
public:
    // Lines of the transcript and the result go to out.
    ScriptRun(Script script, QTextStream& out);
    ~ScriptRun();
    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    // Sells the script's combo. True when everything went as the script says; otherwise
    // failure() tells where and why.
    bool run(const ScriptRunOptions& options);
    const std::optional<ScriptError>& failure() const { return m_failure; }
    // "file:line: message" (or "file: message" for the whole script).
    QString failureText() const;

    // --- Used by the driver and presenter of the run ---
    // Records the first failure; later ones are consequences and are dropped.
    void fail(int line, const QString& message);
    bool failed() const { return m_failure.has_value(); }
    int currentLine() const { return m_currentLine; }
    void setCurrentLine(int line) { m_currentLine = line; }
    void transcript(const QString& line);
    std::deque<ScriptAnswer>& answers() { return m_answers; }
    // The screen on top as drawn now; a blank screen-sized image when none is up.
    QImage screenNow() const;
    // Saves an image, failing the run at the line when it cannot be written.
    void saveImage(const QImage& image, const QString& path, int line);
    ScriptHost& scriptHost() { return *m_host; }

    // --- On a real display (xcb, wayland) rather than offscreen ---
    bool realDisplay() const { return m_realDisplay; }
    // The screen on top, nullptr when none is open.
    QWidget* topScreen() const;
    // The screen's picture: read back from the display server on a real display, the
    // widgets' rendering offscreen.
    QImage screenOf(ui::ScreenDialog& dialog);
    // Waits until the server shows the window / gives it the keyboard; otherwise the
    // run fails at the line and false comes back.
    bool onDisplay(QWidget& window, const QString& what, int line);
    bool hasKeyboard(QWidget& window, const QString& what, int line);
    // With compareDisplay: fails the run when the server shows the window otherwise
    // than its widgets draw it, and keeps both pictures.
    void displayMatches(QWidget& window, const QString& what, int line);
    static constexpr int kDisplayWaitMs = 10000;

private:
    class Driver;
    class Presenter;

    // "show module" and "expect module" lines before the call; false when one failed.
    bool lookBefore(const ScriptSale& sale);
    // One call of the entry; false when it did not go as the script says.
    bool sell(const ScriptSale& sale, bool last, const ScriptRunOptions& options,
              QtHostServices& services, const ShopCatalogue& catalogue, DataSet& sold);

    Script m_script;
    QTextStream& m_out;
    std::optional<ScriptError> m_failure;
    int m_currentLine = 0;
    std::deque<ScriptAnswer> m_answers;
    std::unique_ptr<Driver> m_driver;
    std::unique_ptr<Presenter> m_presenter;
    ScriptHost* m_host = nullptr;
    QDateTime m_clock;  // "now" of the call being made
    bool m_realDisplay = false;
    bool m_compareDisplay = false;
    std::unique_ptr<ScriptRecorder> m_recorder;  // with --record
    QString m_printed;                           // the printout, kept for a recording
};

}  // namespace kvp::refhost
