// The view mirrors whatever state a screen holds and hands every touch and key to the
// screen's handlers.

#include "blendedbutton.h"
#include "colors.h"
#include "combinadabinding.h"
#include "formview.h"
#include "qtapp.h"
#include "screendialog.h"
#include "screenfixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace kvp;
using kvp::screen::Control;
using kvp::screen::ControlKind;

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// A small screen: a header, a button, a picture and a scroll box with two entries.
class SampleForm : public screen::Form {
public:
    SampleForm() : Form(S("frmSample"))
    {
        frame.bounds = {0, 0, 400, 300};
        frame.borderColor = 2907084;
        frame.borderWidth = 2;
        Control title;
        title.name = S("lblTitulo");
        title.kind = ControlKind::Label;
        title.bounds = {10, 4, 380, 20};
        title.caption = S("Título");
        title.font = {S("Arial"), 13, true, 2907084};
        addControl(title);
        Control ok;
        ok.name = S("bldOk");
        ok.kind = ControlKind::Button;
        ok.bounds = {10, 40, 134, 42};
        ok.caption = S("Confirmar");
        ok.color = 2907084;
        ok.font = {S("Arial"), 9, true, screen::clWhite};
        addControl(ok);
        Control box;
        box.name = S("scbLista");
        box.kind = ControlKind::ScrollBox;
        box.bounds = {150, 40, 200, 160};
        box.transparent = false;
        addControl(box);
        for (int i = 1; i <= 2; ++i) {
            Control entry;
            entry.name = S("entrada") + QString::number(i);
            entry.kind = ControlKind::Picture;
            entry.parent = S("scbLista");
            entry.bounds = {0, 80 * (i - 1), 65, 71};
            entry.tag = i;
            addControl(entry);
        }
        Control notes;
        notes.name = S("dreNotas");
        notes.kind = ControlKind::RichText;
        notes.bounds = {10, 220, 380, 40};
        notes.caption = S("{\\rtf1\\ansi Ol\\'e1 {\\b mundo}}");
        addControl(notes);
    }

    // Changes the records the way a handler does, so the view hears of it.
    void change(const std::function<void()>& what) { deliver(what); }
};

class RecordingBinding : public ui::FormBinding {
public:
    QStringList touches;
    QList<int> keys;
    QString typed;

    std::function<void()> touchHandler(const Control& c) override
    {
        if (c.kind == ControlKind::Label || c.kind == ControlKind::RichText)
            return {};
        return [this, name = c.name] { touches << name; };
    }
    void keyDown(int key) override { keys << key; }
    void keyPress(QChar c) override { typed += c; }
};

class FormViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::qtApp(); }

    SampleForm form;
    RecordingBinding* binding = new RecordingBinding;
    ui::FormView view{form, std::unique_ptr<ui::FormBinding>(binding)};

    template <typename W>
    W* widget(const char* name)
    {
        return qobject_cast<W*>(view.widgetFor(S(name)));
    }
};

}  // namespace

TEST_F(FormViewTest, WidgetsMirrorTheRecordsAndFollowTheirChanges)
{
    EXPECT_EQ(view.size(), QSize(400, 300));
    auto* title = widget<QLabel>("lblTitulo");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->text(), S("Título"));
    EXPECT_EQ(title->palette().color(QPalette::WindowText), ui::colorFromBgr(2907084));
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->font().pixelSize(), 17) << "13 pt at 96 dpi";
    auto* ok = widget<ui::BlendedButton>("bldOk");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->caption(), S("Confirmar"));
    EXPECT_EQ(ok->color(), ui::colorFromBgr(2907084));
    EXPECT_EQ(ok->geometry(), QRect(10, 40, 134, 42));
    auto* notes = widget<QTextEdit>("dreNotas");
    ASSERT_TRUE(notes);
    EXPECT_TRUE(notes->isReadOnly());
    EXPECT_EQ(notes->toPlainText(), S("Olá mundo")) << "stored RTF is shown readably";

    form.change([&] {
        Control& b = form.component(S("bldOk"));
        b.caption = S("Combinar");
        b.color = screen::clBlack;
        b.enabled = false;
        b.down = true;
        form.component(S("lblTitulo")).visible = false;
    });
    EXPECT_EQ(ok->caption(), S("Combinar"));
    EXPECT_EQ(ok->color(), QColor(Qt::black));
    EXPECT_FALSE(ok->isEnabled()) << "a locked control is drawn locked";
    EXPECT_TRUE(ok->isDown());
    EXPECT_TRUE(title->isHidden());
}

TEST_F(FormViewTest, EntriesOfAScrollBoxMoveAppearAndGo)
{
    QWidget* box = view.widgetFor(S("scbLista"));
    QWidget* second = view.widgetFor(S("entrada2"));
    ASSERT_TRUE(box && second);
    EXPECT_EQ(second->parentWidget(), box);
    EXPECT_EQ(second->geometry(), QRect(0, 80, 65, 71));

    form.change([&] {
        form.removeControl(S("entrada1"));
        form.component(S("entrada2")).bounds.top -= 80;
        Control third;
        third.name = S("entrada3");
        third.kind = ControlKind::Picture;
        third.parent = S("scbLista");
        third.bounds = {0, 80, 65, 71};
        form.addControl(third);
    });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view.widgetFor(S("entrada1")), nullptr);
    EXPECT_EQ(second->geometry(), QRect(0, 0, 65, 71));
    QWidget* third = view.widgetFor(S("entrada3"));
    ASSERT_TRUE(third);
    EXPECT_EQ(third->parentWidget(), box);
    EXPECT_EQ(third->geometry(), QRect(0, 80, 65, 71));
}

TEST_F(FormViewTest, ARenamedOrReplacedRecordGetsTheWidgetOfItsName)
{
    QWidget* second = view.widgetFor(S("entrada2"));
    ASSERT_TRUE(second);

    // Renamed in place: the record is the same object, its widget is not.
    form.change([&] { form.component(S("entrada2")).name = S("entrada9"); });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view.widgetFor(S("entrada2")), nullptr);
    QWidget* renamed = view.widgetFor(S("entrada9"));
    ASSERT_TRUE(renamed);
    EXPECT_EQ(renamed->geometry(), QRect(0, 80, 65, 71));

    // Removed and made again under the same name as another kind, in one change: the new
    // record (which may sit where the old one did) gets a widget of its own kind.
    form.change([&] {
        form.removeControl(S("entrada1"));
        Control label;
        label.name = S("entrada1");
        label.kind = ControlKind::Label;
        label.parent = S("scbLista");
        label.caption = S("de novo");
        label.bounds = {0, 0, 65, 20};
        form.addControl(label);
    });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto* again = qobject_cast<QLabel*>(view.widgetFor(S("entrada1")));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->text(), S("de novo"));
    EXPECT_EQ(again->parentWidget(), view.widgetFor(S("scbLista")));
    EXPECT_TRUE(view.widgetFor(S("entrada9")));
}

// Which widgets paint, by name.
class PaintLog : public QObject {
public:
    QStringList painted;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && !o->objectName().isEmpty())
            painted << o->objectName();
        return false;
    }
};

TEST_F(FormViewTest, AChangeRepaintsOnlyTheWidgetsWhoseLookChanged)
{
    view.show();
    QTest::qWait(30);
    PaintLog log;
    qApp->installEventFilter(&log);
    form.change([&] { form.component(S("bldOk")).caption = S("Combinar"); });
    QTest::qWait(30);
    qApp->removeEventFilter(&log);
    EXPECT_TRUE(log.painted.contains(S("bldOk")));
    for (const char* untouched : {"lblTitulo", "scbLista", "entrada1", "entrada2", "dreNotas"})
        EXPECT_FALSE(log.painted.contains(S(untouched))) << untouched << " was repainted";

    // A record changed back and forth within one handler looks the same: nothing paints.
    log.painted.clear();
    qApp->installEventFilter(&log);
    form.change([&] {
        form.component(S("lblTitulo")).caption = S("Outro");
        form.component(S("lblTitulo")).caption = S("Título");
    });
    QTest::qWait(30);
    qApp->removeEventFilter(&log);
    EXPECT_TRUE(log.painted.isEmpty()) << log.painted.join(S(", ")).toStdString();
}

TEST_F(FormViewTest, APressedStateAloneIsRedrawn)
{
    view.show();
    QTest::qWait(30);
    for (const char* name : {"bldOk", "entrada1"}) {
        auto* b = widget<ui::BlendedButton>(name);
        ASSERT_TRUE(b) << name;
        for (const bool down : {true, false}) {
            PaintLog log;
            qApp->installEventFilter(&log);
            form.change([&] { form.component(S(name)).down = down; });
            QTest::qWait(30);
            qApp->removeEventFilter(&log);
            EXPECT_EQ(b->isDown(), down) << name;
            EXPECT_TRUE(log.painted.contains(S(name))) << name << (down ? " pressed" : " released");
        }
    }
}

TEST_F(FormViewTest, PaintingTheChangesAtOnceLeavesTheViewAsAWholeRepaintWould)
{
    view.show();
    QTest::qWait(30);
    PaintLog log;
    qApp->installEventFilter(&log);
    form.change([&] {
        form.component(S("bldOk")).caption = S("Combinar");
        form.component(S("entrada2")).visible = false;
    });
    view.paintChanges();  // within the handler, before any event loop runs
    qApp->removeEventFilter(&log);
    EXPECT_TRUE(log.painted.contains(S("bldOk")));
    EXPECT_TRUE(log.painted.contains(S("scbLista"))) << "under the entry hidden";
    for (const char* untouched : {"lblTitulo", "entrada1", "dreNotas"})
        EXPECT_FALSE(log.painted.contains(S(untouched))) << untouched << " was repainted";

    // What the window shows now is what drawing the whole view afresh gives.
    const QImage shown =
        view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), whole.size());
    EXPECT_TRUE(shown == whole);
}

TEST_F(FormViewTest, TouchesAndKeysReachTheBindingOnPress)
{
    view.show();
    int handled = 0;
    QObject::connect(&view, &ui::FormView::handled, [&] { ++handled; });

    QTest::mousePress(view.widgetFor(S("bldOk")), Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(binding->touches, QStringList{S("bldOk")}) << "the press alone runs the handler";
    QTest::mouseRelease(view.widgetFor(S("bldOk")), Qt::LeftButton, {}, QPoint(60, 20));
    QTest::mousePress(view.widgetFor(S("entrada2")), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(binding->touches, (QStringList{S("bldOk"), S("entrada2")}));
    // A label takes no touch; a locked button ignores the finger.
    QTest::mousePress(view.widgetFor(S("lblTitulo")), Qt::LeftButton, {}, QPoint(5, 5));
    form.change([&] { form.component(S("bldOk")).enabled = false; });
    QTest::mousePress(view.widgetFor(S("bldOk")), Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(binding->touches.size(), 2);

    QTest::keyClick(&view, Qt::Key_F7);
    QTest::keyClicks(&view, S("12"));
    EXPECT_EQ(binding->keys, (QList<int>{Qt::Key_F7, Qt::Key_1, Qt::Key_2}));
    EXPECT_EQ(binding->typed, S("12"));
    EXPECT_GE(handled, 2 + 3);
}

TEST_F(FormViewTest, TheFrameIsDrawnInTheScreensBorderColour)
{
    const QImage image = view.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 150), ui::colorFromBgr(2907084));
    EXPECT_EQ(image.pixelColor(1, 150), ui::colorFromBgr(2907084));
    EXPECT_EQ(image.pixelColor(5, 295), QColor(Qt::white));
}

TEST_F(FormViewTest, PicturesComeFromTheirFilesWhateverTheFileIsNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const char* name, Qt::GlobalColor colour, const char* format) {
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir.filePath(S(name));
        EXPECT_TRUE(image.save(path, format));
        return path;
    };
    const QString bitmap = write("vermelho.bmp", Qt::red, "BMP");
    const QString misnamed = write("azul.bmp", Qt::blue, "PNG");  // a PNG under a .bmp name
    const QString broken = dir.filePath(S("quebrado.bmp"));
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM not a picture");
    }
    form.change([&] {
        form.component(S("entrada1")).picture = bitmap;
        form.component(S("entrada1")).stretch = true;
        form.component(S("entrada2")).picture = misnamed;
        form.component(S("entrada2")).stretch = true;
    });
    const auto colourOf = [&](const char* name) {
        auto* b = widget<ui::BlendedBitBtn>(name);
        return b ? b->picture().toImage().pixelColor(10, 10) : QColor();
    };
    EXPECT_EQ(colourOf("entrada1"), QColor(Qt::red));
    EXPECT_EQ(colourOf("entrada2"), QColor(Qt::blue));

    // An unreadable file shows the default picture, as a slot without one does.
    form.change([&] { form.component(S("entrada2")).picture = broken; });
    auto* second = widget<ui::BlendedBitBtn>("entrada2");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->picture().toImage(), ui::defaultPicture(QSize(65, 71)).toImage());
}

TEST_F(FormViewTest, ACameraSizedPictureIsKeptAtTheSizeItIsDrawn)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Red on the left, blue on the right, in the proportions of a camera.
    QImage photo(1600, 1200, QImage::Format_RGB32);
    photo.fill(Qt::red);
    for (int y = 0; y < photo.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(photo.scanLine(y)) + 800, 800, qRgb(0, 0, 255));
    const struct {
        const char* file;
        const char* format;
    } files[] = {{"foto.bmp", "BMP"}, {"foto.jpg", "JPEG"}, {"foto.png", "PNG"}};
    for (const auto& f : files) {
        const QString path = dir.filePath(S(f.file));
        ASSERT_TRUE(photo.save(path, f.format));
        form.change([&] {
            Control& stretched = form.component(S("entrada1"));
            stretched.picture = path;
            stretched.stretch = true;
            Control& kept = form.component(S("entrada2"));
            kept.picture = path;
            kept.stretch = false;
        });
        for (const char* name : {"entrada1", "entrada2"}) {
            auto* b = widget<ui::BlendedBitBtn>(name);
            ASSERT_TRUE(b);
            const QImage shown = b->picture().toImage();
            EXPECT_EQ(shown.size(), QSize(65, 71)) << f.file << " " << name;
            const auto near = [](QColor a, QColor e) {
                return std::abs(a.red() - e.red()) + std::abs(a.green() - e.green()) +
                           std::abs(a.blue() - e.blue()) <
                       24;
            };
            EXPECT_TRUE(near(shown.pixelColor(8, 35), Qt::red)) << f.file << " " << name;
            EXPECT_TRUE(near(shown.pixelColor(56, 35), Qt::blue)) << f.file << " " << name;
        }
        // Kept in proportion, the picture is centred: 65 x 48 between clear bands.
        const QImage kept = widget<ui::BlendedBitBtn>("entrada2")->picture().toImage();
        EXPECT_EQ(kept.pixelColor(30, 5).alpha(), 0) << f.file;
        EXPECT_EQ(kept.pixelColor(30, 65).alpha(), 0) << f.file;
    }
}

// --- The selection screen itself, over an SQLite shop ---

namespace {

class CombinadaViewTest : public test::ScreenTest {
protected:
    static void SetUpTestSuite() { test::qtApp(); }

    // 3 groups; the first with 14 products, so the grid pages.
    test::RecordingScreen& openShop()
    {
        groups(3);
        db->exec(S("DELETE FROM PRODGRUPROMOC WHERE CDGRUPROMOC = 'G01'"));
        products(S("G01X"), 14);
        db->exec(S("UPDATE PRODGRUPROMOC SET CDGRUPROMOC = 'G01' WHERE CDGRUPROMOC = 'G01X'"));
        return open();
    }
};

}  // namespace

TEST_F(CombinadaViewTest, TheViewShowsTheScreensStateAndTouchesRunItsHandlers)
{
    test::RecordingScreen& s = openShop();
    ui::FormView view(s, ui::bindingFor(s));
    view.show();
    auto button = [&](int slot) {
        return qobject_cast<ui::BlendedButton*>(view.widgetFor(S("blbMenu%1").arg(slot, 2, 10, QLatin1Char('0'))));
    };
    ASSERT_TRUE(button(1));
    EXPECT_EQ(button(1)->caption(), S("Grupo 1"));
    EXPECT_EQ(button(1)->color(), QColor(Qt::black)) << "the selected group is black";
    EXPECT_EQ(button(2)->color(), ui::colorFromBgr(2907084));
    EXPECT_TRUE(button(4)->isHidden()) << "buttons without a group are hidden";
    EXPECT_FALSE(view.widgetFor(S("bbbProdAbaixo"))->isHidden()) << "14 products page";
    EXPECT_EQ(qobject_cast<QLabel*>(view.widgetFor(S("lblNmProd01")))->text(), S("Produto 1"));
    EXPECT_EQ(qobject_cast<QLabel*>(view.widgetFor(S("lblPreco01")))->text(), S("R$ 10,00"));
    EXPECT_FALSE(view.widgetFor(S("imgBandLaranja"))->isHidden()) << "the tray's backdrop";

    // Touching group 2 latches its button and selects the group.
    QTest::mousePress(button(2), Qt::LeftButton, {}, QPoint(50, 20));
    EXPECT_EQ(s.stCdGrupoAtual, S("G02"));
    EXPECT_EQ(button(2)->color(), QColor(Qt::black));
    EXPECT_EQ(button(1)->color(), ui::colorFromBgr(2907084));
    EXPECT_TRUE(button(2)->isDown());
    EXPECT_FALSE(button(1)->isDown());
    EXPECT_TRUE(view.widgetFor(S("bbbProdAbaixo"))->isHidden());

    // Back to the first group, a page down, and a product picture.
    QTest::mousePress(button(1), Qt::LeftButton, {}, QPoint(50, 20));
    QTest::mousePress(view.widgetFor(S("bbbProdAbaixo")), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(qobject_cast<QLabel*>(view.widgetFor(S("lblNmProd01")))->text(), S("Produto 13"));
    EXPECT_TRUE(view.widgetFor(S("imgProd03"))->isHidden());
    QTest::mousePress(view.widgetFor(S("imgProd02")), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(s.touchedProducts, QStringList{S("P014")});
    EXPECT_EQ(s.touchedSlots, QList<int>{2});

    // Keys: typed digits start the shortcut timer; Esc asks before leaving.
    QTest::keyClicks(&view, S("7"));
    EXPECT_EQ(s.stAtalhoDigitado, S("7"));
    EXPECT_TRUE(s.tmrDataHora.enabled());
    s.stAtalhoDigitado.clear();
    host.answerQuestion(true);
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_TRUE(s.closeRequested());
}

TEST_F(CombinadaViewTest, TheScreenDialogRunsShowAndActivationAndClosesWhenAsked)
{
    groups(2);
    screen = std::make_unique<test::RecordingScreen>();
    screen->InicializaForm(itensRet, S("PROMO"), S("COMBO"), QString(), S("2"), S("V"), S("D"),
                           20.0, 0.0, 1, false, itensVendidos);
    screen->stCdProdPromo = S("PROMO");
    screen->stTipoPrecoPromo = S("2");
    screen->nrQtdePromo = 1;
    ui::ScreenDialog dialog(*screen);
    EXPECT_EQ(dialog.size(), QSize(803, 607));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    dialog.show();
    dialog.start();
    EXPECT_EQ(screen->stCdGrupoAtual, S("G01")) << "show selected the first group";
    EXPECT_TRUE(screen->boPreSelVerificado) << "activation ran";
    EXPECT_TRUE(dialog.isVisible());
    host.answerQuestion(true);
    dialog.view()->touch(S("bldCancelar"));
    EXPECT_FALSE(dialog.isVisible()) << "the dialog ends once the screen asks to close";
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// A till's touch screen sends touch events, not mouse clicks: a tap on a group, a paging
// arrow, a product, a tray entry and the confirm button must do what a click does, once.
TEST_F(CombinadaViewTest, TapsOnATouchScreenDoWhatClicksDo)
{
    // The product tapped carries the tax an electronic receipt asks for.
    db->insert(S("IMPOSTO"), {{"CDIMPOSTO", S("T1")}, {"IDTPIMPOSFIS", S("T")}});
    db->insert(S("ALIQIMPFIS"), {{"CDFILIAL", S("01")}, {"CDPRODUTO", S("P014")},
                                 {"CDIMPOSTO", S("T1")}, {"VRPEALIMPFIS", 18.0},
                                 {"IDTPIMPOSFIS", S("T")}});
    test::RecordingScreen& s = openShop();
    s.passOn = true;
    ui::FormView view(s, ui::bindingFor(s));
    view.show();
    const std::unique_ptr<QPointingDevice> finger(QTest::createTouchDevice());
    auto tap = [&](const QString& name) {
        QWidget* w = view.widgetFor(name);
        ASSERT_TRUE(w && w->isVisible()) << qPrintable(name);
        const QPoint at = w->mapTo(&view, w->rect().center());
        QTest::touchEvent(&view, finger.get()).press(0, at);
        QTest::touchEvent(&view, finger.get()).release(0, at);
    };
    auto caption = [&](const char* name) {
        return qobject_cast<QLabel*>(view.widgetFor(S(name)))->text();
    };

    tap(S("blbMenu02"));
    EXPECT_EQ(s.stCdGrupoAtual, S("G02"));
    tap(S("blbMenu01"));
    tap(S("bbbProdAbaixo"));
    EXPECT_EQ(caption("lblNmProd01"), S("Produto 13"));
    tap(S("imgProd02"));
    EXPECT_EQ(s.touchedProducts, QStringList{S("P014")}) << "one tap, one product";
    ASSERT_EQ(s.cdsItemProd.recordCount(), 1) << host.messages().join(QLatin1Char('|')).toStdString();
    QString entry;
    for (const screen::Control* c : s.controlesBandeja()) {
        if (c->kind == ControlKind::Picture)
            entry = c->name;
    }
    tap(entry);
    EXPECT_EQ(s.cdsItemProd.recordCount(), 0) << "a tap on the tray entry takes the line out";
    tap(S("bldConfirmar"));
    EXPECT_EQ(s.confirmations, 1);
}
