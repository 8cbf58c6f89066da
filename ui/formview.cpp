#include "formview.h"

#include "blendedbutton.h"
#include "blendedshape.h"
#include "colors.h"
#include "picturefile.h"
#include "richtext.h"
#include "warmup.h"

#include <QCache>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QTextEdit>

#include <cmath>
#include <utility>

#include <sys/stat.h>

namespace kvp::ui {

using screen::Control;
using screen::ControlKind;

namespace {

// A label that passes touches through unless the screen binds one to it.
class LabelWidget : public QLabel {
public:
    LabelWidget(std::function<void()> onPress, QWidget* parent)
        : QLabel(parent), m_onPress(std::move(onPress))
    {
        setTextFormat(Qt::PlainText);  // captions come from data; never interpret markup
        if (!m_onPress)
            setAttribute(Qt::WA_TransparentForMouseEvents);
        else
            setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && m_onPress) {
            event->accept();
            m_onPress();
            return;
        }
        QLabel::mousePressEvent(event);
    }

private:
    std::function<void()> m_onPress;
};

QColor qcolor(screen::Color bgr)
{
    return colorFromBgr(static_cast<int>(bgr));
}

Qt::Alignment qalign(screen::Alignment a)
{
    switch (a) {
        case screen::Alignment::Center:
            return Qt::AlignHCenter;
        case screen::Alignment::Right:
            return Qt::AlignRight;
        case screen::Alignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

// What decides how a control looks; records equal on all of it need no redraw.
bool sameLook(const Control& a, const Control& b)
{
    return a.bounds == b.bounds && a.caption == b.caption && a.hint == b.hint &&
           a.font == b.font && a.color == b.color && a.alignment == b.alignment &&
           a.wordWrap == b.wordWrap && a.autoSize == b.autoSize &&
           a.transparent == b.transparent && a.cornerRadius == b.cornerRadius &&
           a.stretch == b.stretch && a.visible == b.visible && a.enabled == b.enabled &&
           a.down == b.down && a.picture == b.picture;
}

}  // namespace

int layoutPixelSize(int pointSize)
{
    return std::max(1, static_cast<int>(std::lround(pointSize * 96.0 / 72.0)));
}

QFont qfont(const screen::Font& f)
{
    QFont font(f.family);
    font.setPixelSize(layoutPixelSize(f.pointSize));
    font.setBold(f.bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

namespace {

QPixmap drawDefaultPicture(const QSize& s)
{
    QPixmap pm(s);
    pm.fill(QColor(238, 238, 238));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(s.width(), s.height());
    const QPointF c(s.width() / 2.0, s.height() / 2.0);
    const qreal r = side * 0.34;
    p.setPen(QPen(QColor(170, 170, 170), std::max(1.0, side / 40.0)));
    p.setBrush(Qt::white);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(205, 205, 205), std::max(1.0, side / 50.0)));
    p.drawEllipse(c, r * 0.62, r * 0.62);
    // Fork on the left, knife on the right.
    p.setPen(QPen(QColor(160, 160, 160), std::max(1.5, side / 30.0), Qt::SolidLine, Qt::RoundCap));
    const qreal top = c.y() - r;
    const qreal bottom = c.y() + r;
    const qreal fork = c.x() - r * 1.45;
    p.drawLine(QPointF(fork, top), QPointF(fork, bottom));
    for (const qreal dx : {-r * 0.16, r * 0.16})
        p.drawLine(QPointF(fork + dx, top), QPointF(fork + dx, top + r * 0.5));
    const qreal knife = c.x() + r * 1.45;
    p.drawLine(QPointF(knife, top), QPointF(knife, bottom));
    return pm;
}

// Pictures are kept as they are drawn, once per file and size: every sale shows the same
// products. Never the decoded file, which a camera makes a hundred times larger than a
// slot; and no more of them than the cache's budget, the least recently used going
// first. A file changed on disk is read again.
struct FittedPicture {
    QPixmap pixmap;       // null when the file could not be read
    qint64 modified = 0;  // the file's modification time, nanoseconds
};

constexpr qsizetype kPictureCacheKiB = 32 * 1024;

struct PictureCaches {
    QCache<QString, FittedPicture> files{kPictureCacheKiB};
    QHash<quint64, QPixmap> defaults;  // the default picture per size
};

// Pixmaps must go before the application does.
PictureCaches& pictureCaches()
{
    static PictureCaches caches;
    static const bool cleared = [] {
        qAddPostRoutine([] {
            pictureCaches().files.clear();
            pictureCaches().defaults.clear();
        });
        return true;
    }();
    Q_UNUSED(cleared);
    return caches;
}

quint64 sizeKey(const QSize& size)
{
    return (static_cast<quint64>(static_cast<quint32>(size.width())) << 32) | static_cast<quint32>(size.height());
}

}  // namespace

QPixmap defaultPicture(const QSize& size)
{
    const QSize s = size.isValid() && !size.isEmpty() ? size : QSize(87, 53);
    QHash<quint64, QPixmap>& drawn = pictureCaches().defaults;
    auto it = drawn.constFind(sizeKey(s));
    if (it == drawn.cend())
        it = drawn.insert(sizeKey(s), drawDefaultPicture(s));
    return *it;
}

namespace {

// The picture of a file as a control draws it, at its size: stretched to it, or kept in
// proportion and centred.
QPixmap fitPicture(const QString& path, bool stretch, const QSize& size)
{
    const QImage image =
        readPictureAt(path, size, stretch ? Qt::IgnoreAspectRatio : Qt::KeepAspectRatio);
    if (image.isNull() || size.isEmpty() || image.size() == size)
        return QPixmap::fromImage(image);
    QPixmap fitted(size);
    fitted.fill(Qt::transparent);
    QPainter p(&fitted);
    p.drawImage((size.width() - image.width()) / 2, (size.height() - image.height()) / 2, image);
    p.end();
    return fitted;
}

// A picture control's pixmap at the given size. A touchable picture without a file (a
// product slot, a tray entry) shows the default picture; any other is a backdrop of its
// colour.
QPixmap pictureOf(const QString& path, bool stretch, bool touchable, const QSize& size)
{
    if (path.isEmpty())
        return touchable ? defaultPicture(size) : QPixmap();
    // A plain stat: a QDateTime of the file's time would ask the time zone on every look-up.
    struct stat st{};
    const qint64 modified = ::stat(QFile::encodeName(path).constData(), &st) == 0
                                ? qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec
                                : -1;
    const QString key = path + QChar(0x1f) + QString::number(sizeKey(size)) +
                        (stretch ? QLatin1Char('s') : QLatin1Char('k'));
    QCache<QString, FittedPicture>& cache = pictureCaches().files;
    QPixmap pixmap;
    if (const FittedPicture* kept = cache.object(key); kept && kept->modified == modified) {
        pixmap = kept->pixmap;
    } else {
        pixmap = fitPicture(path, stretch, size);
        const qint64 bytes = qint64(pixmap.width()) * pixmap.height() * 4;
        cache.insert(key, new FittedPicture{pixmap, modified},
                     std::max<qsizetype>(1, static_cast<qsizetype>(bytes / 1024)));
    }
    if (pixmap.isNull())
        return defaultPicture(size);  // unreadable file: show the default, as for none
    return pixmap;
}

// The width and line height an autosized caption takes in a font. The tray's entries
// show the same names and prices again and again, and measuring shapes the text anew.
std::pair<int, int> captionExtent(const QFont& font, const QString& caption)
{
    static QHash<QString, std::pair<int, int>> measured;
    const QString key = font.key() + QChar(0x1f) + caption;
    if (const auto it = measured.constFind(key); it != measured.cend())
        return *it;
    if (measured.size() > 4096)
        measured.clear();
    const QFontMetrics fm(font);
    return *measured.insert(key, {fm.horizontalAdvance(caption), fm.height()});
}

}  // namespace

FormView::FormView(screen::Form& form, std::unique_ptr<FormBinding> binding, QWidget* parent)
    : QWidget(parent), m_form(form), m_binding(binding ? std::move(binding)
                                                        : std::make_unique<InertBinding>())
{
    const screen::FormFrame& frame = m_form.frame;
    setFixedSize(frame.bounds.width, frame.bounds.height);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    noteScreenBuilt();
    sync();
    m_form.setChangeListener([this](quint64) { sync(); });
}

FormView::~FormView()
{
    m_form.setChangeListener({});
}

QWidget* FormView::widgetFor(const QString& name) const
{
    const auto it = m_entries.constFind(name.toLower());
    return it == m_entries.cend() ? nullptr : (*it)->widget.data();
}

QWidget* FormView::create(const Control& control, QWidget* parent)
{
    const QString name = control.name;
    const bool touchable = static_cast<bool>(m_binding->touchHandler(control));
    auto press = [this, name] { touch(name); };
    QWidget* w = nullptr;
    switch (control.kind) {
        case ControlKind::Panel:
        case ControlKind::ScrollBox:
            w = new BlendedShape(parent);
            break;
        case ControlKind::Label:
            w = new LabelWidget(touchable ? std::function<void()>(press) : nullptr, parent);
            break;
        case ControlKind::Button: {
            auto* b = new BlendedButton(parent);
            connect(b, &BlendedButton::clicked, this, press);
            w = b;
            break;
        }
        case ControlKind::Picture: {
            auto* b = new BlendedBitBtn(parent);
            b->setLayout(BlendedBitBtn::Layout::PictureOnly);
            if (touchable) {
                connect(b, &BlendedButton::clicked, this, press);
            } else {
                // A backdrop: touches go to whatever lies on it.
                b->setAttribute(Qt::WA_TransparentForMouseEvents);
                b->unsetCursor();
            }
            w = b;
            break;
        }
        case ControlKind::RichText: {
            auto* t = new QTextEdit(parent);
            t->setFrameShape(QFrame::NoFrame);
            t->setFocusPolicy(Qt::NoFocus);
            t->setTextInteractionFlags(Qt::NoTextInteraction);
            t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            t->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            t->viewport()->setCursor(Qt::ArrowCursor);
            w = t;
            break;
        }
    }
    w->setObjectName(name);
    // Keys belong to the screen, never to one of its controls.
    if (control.kind != ControlKind::RichText)
        w->setFocusPolicy(Qt::NoFocus);
    return w;
}

void FormView::apply(const Control& c, Entry& entry)
{
    if (entry.shown && sameLook(*entry.shown, c))
        return;
    QWidget* w = entry.widget;
    const QFont font = qfont(c.font);
    QRect geometry(c.bounds.left, c.bounds.top, c.bounds.width, c.bounds.height);

    switch (c.kind) {
        case ControlKind::Panel:
        case ControlKind::ScrollBox: {
            auto* s = static_cast<BlendedShape*>(w);
            s->setFillColor(qcolor(c.color));
            s->setOpacity(c.transparent ? 0 : 255);
            s->setCornerCurvature(c.cornerRadius);
            break;
        }
        case ControlKind::Label: {
            auto* l = static_cast<QLabel*>(w);
            l->setFont(font);
            l->setText(c.caption);
            l->setWordWrap(c.wordWrap);
            l->setAlignment(qalign(c.alignment) | Qt::AlignTop);
            QPalette pal = l->palette();
            pal.setColor(QPalette::WindowText, qcolor(c.font.color));
            pal.setColor(QPalette::Window, qcolor(c.color));
            l->setPalette(pal);
            l->setAutoFillBackground(!c.transparent);
            if (c.autoSize) {
                const auto [width, height] = captionExtent(font, c.caption);
                geometry.setWidth(std::max(1, width + 2));
                geometry.setHeight(std::max(c.bounds.height, height));
            }
            break;
        }
        case ControlKind::Button: {
            auto* b = static_cast<BlendedButton*>(w);
            b->setFont(font);
            b->setCaption(c.caption);
            b->setColor(qcolor(c.color));
            b->setCaptionColor(qcolor(c.font.color));
            b->setCornerCurvature(c.cornerRadius);
            b->SetDown(c.down);
            break;
        }
        case ControlKind::Picture: {
            auto* b = static_cast<BlendedBitBtn*>(w);
            b->setColor(c.transparent && !c.picture.isEmpty() ? QColor(Qt::transparent)
                                                              : qcolor(c.color));
            b->setCornerCurvature(c.cornerRadius);
            // Rounded picture buttons (the tray's) get a thin solid outline.
            b->setOutline(QColor(120, 120, 120), c.cornerRadius > 0 ? 1 : 0);
            b->SetDown(c.down);
            // Decoded when first drawn: most pictures a handler sets are replaced or hidden
            // again before the screen is painted.
            const bool touchable =
                c.picture.isEmpty() && static_cast<bool>(m_binding->touchHandler(c));
            b->setPictureSource([path = c.picture, stretch = c.stretch, touchable,
                                 size = geometry.size()] {
                return pictureOf(path, stretch, touchable, size);
            });
            break;
        }
        case ControlKind::RichText: {
            auto* t = static_cast<QTextEdit*>(w);
            t->setFont(font);
            QPalette pal = t->palette();
            pal.setColor(QPalette::Base, c.transparent ? QColor(Qt::transparent) : qcolor(c.color));
            pal.setColor(QPalette::Text, qcolor(c.font.color));
            t->setPalette(pal);
            if (!entry.shown || entry.shown->caption != c.caption)
                showStoredText(*t, c.caption);
            break;
        }
    }

    w->setGeometry(geometry);
    w->setToolTip(c.hint);
    w->setEnabled(c.enabled);
    w->setHidden(!c.visible);
    entry.shown = c;
}

void FormView::paintChanges()
{
    // Each changed widget has asked its window for an update; the window's pending
    // request paints them all, and only them, when it is handled now.
    QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
}

void FormView::sync()
{
    if (m_syncing)
        return;
    m_syncing = true;
    QList<qsizetype> created;  // record positions of the widgets made now
    const quint64 pass = ++m_pass;
    const QList<const Control*> controls = std::as_const(m_form).controls();
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const Control* c = controls.at(i);
        Entry* entry = m_byControl.value(c);
        // A record seen before keeps its entry; a new one (or another record that took a
        // removed one's place in memory) is looked up by name.
        if (!entry || entry->control != c || entry->name != c->name) {
            std::shared_ptr<Entry>& slot = m_entries[c->name.toLower()];
            if (!slot)
                slot = std::make_shared<Entry>();
            entry = slot.get();
            if (entry->control && entry->control != c)
                m_byControl.remove(entry->control);
            entry->control = c;
            entry->name = c->name;
            m_byControl.insert(c, entry);
        }
        entry->pass = pass;
        if (!entry->widget || entry->kind != c->kind || entry->parent != c->parent) {
            if (entry->widget) {
                // The widget may be running the touch that removed it: let it finish.
                entry->widget->hide();
                entry->widget->deleteLater();
            }
            QWidget* parent = c->parent.isEmpty() ? nullptr : widgetFor(c->parent);
            entry->widget = create(*c, parent ? parent : this);
            entry->kind = c->kind;
            entry->parent = c->parent;
            entry->shown.reset();
            created.append(i);
        }
        apply(*c, *entry);
    }
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        Entry& entry = **it;
        if (entry.pass == pass) {
            ++it;
            continue;
        }
        if (entry.widget) {
            entry.widget->hide();
            entry.widget->deleteLater();
        }
        if (m_byControl.value(entry.control) == &entry)
            m_byControl.remove(entry.control);
        it = m_entries.erase(it);
    }
    // Drawing order is record order: later controls lie on top of earlier ones. A new
    // widget starts on top of its siblings; it goes under the next sibling in record order
    // (placing the last first), and no other widget is restacked or repainted.
    for (auto it = created.crbegin(); it != created.crend(); ++it) {
        QWidget* w = widgetFor(controls.at(*it)->name);
        for (qsizetype k = *it + 1; w && k < controls.size(); ++k) {
            QWidget* next = widgetFor(controls.at(k)->name);
            if (next && next->parentWidget() == w->parentWidget()) {
                w->stackUnder(next);
                break;
            }
        }
    }
    m_syncing = false;
    // No update() of the whole view: each widget whose look changed has asked for its own
    // repaint, and a hidden or removed one for the area it leaves.
}

void FormView::deliver(const std::function<void()>& handler)
{
    ++m_depth;
    m_form.deliver(handler);
    --m_depth;
    Q_EMIT handled();
}

bool FormView::touch(const QString& name)
{
    const Control* control = std::as_const(m_form).findComponent(name);
    if (!control)
        return false;
    std::function<void()> handler = m_binding->touchHandler(*control);
    if (!handler)
        return false;
    deliver(handler);
    return true;
}

void FormView::deliverKey(int key, const QString& text)
{
    deliver([this, key] { m_binding->keyDown(key); });
    for (const QChar ch : text) {
        if (m_form.closeRequested())
            return;
        deliver([this, ch] { m_binding->keyPress(ch); });
    }
}

void FormView::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    deliverKey(event->key(), event->text());
}

void FormView::paintEvent(QPaintEvent*)
{
    const screen::FormFrame& frame = m_form.frame;
    QPainter p(this);
    p.fillRect(rect(), qcolor(frame.color));
    if (frame.borderWidth > 0) {
        const int w = frame.borderWidth;
        const QColor border = qcolor(frame.borderColor);
        p.fillRect(0, 0, width(), w, border);
        p.fillRect(0, height() - w, width(), w, border);
        p.fillRect(0, 0, w, height(), border);
        p.fillRect(width() - w, 0, w, height(), border);
    }
}

}  // namespace kvp::ui
