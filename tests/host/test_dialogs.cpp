#include "blendedbutton.h"
#include "itemrecord.h"
#include "numerickeypad.h"
#include "observationdialog.h"
#include "qtapp.h"
#include "qtdialogs.h"
#include "searchdialog.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace kvp;
using namespace kvp::refhost;

namespace {

QString S(const char* t)
{
    return QString::fromUtf8(t);
}

void touch(QWidget* w)
{
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

SearchRequest products()
{
    FieldDefs f = {stringField(S("CDPRODUTO"), 10), stringField(S("NMPRODUTO"), 50),
                   stringField(S("CDARVPROD"), 20), stringField(S("CDATAPRODITM"), 10)};
    f[0].visible = false;
    f[1].displayLabel = S("Nome");
    f[1].displayWidth = 40;
    f[2].displayLabel = S("Código");
    f[2].displayWidth = 15;
    f[3].displayLabel = S("Atalho");
    f[3].displayWidth = 15;
    SearchRequest r;
    r.rows.fields = f;
    r.rows.rows = {Row{S("P1"), S("X-Búrguer"), S("1.01"), S("11")},
                   Row{S("P2"), S("Açaí 300 ml"), S("2.01"), S("21")},
                   Row{S("P3"), S("Suco de laranja"), S("3.01"), S("31")},
                   Row{S("P4"), S("X-Bacon"), S("1.02"), S("12")}};
    return r;
}

class Dialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { kvp::test::qtApp(); }
};

}  // namespace

TEST_F(Dialogs, SearchShowsTheGivenColumnsAndPicksByTypedFilter)
{
    SearchDialog d(products());
    d.show();
    QTableView* view = d.view();
    ASSERT_EQ(view->model()->columnCount(), 3) << "hidden fields are not shown";
    EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString().toStdString(), "Nome");
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString().toStdString(), "Código");
    EXPECT_GT(view->columnWidth(0), 2 * view->columnWidth(1) - 40)
        << "widths follow the display widths";

    // Accents and case do not matter; Enter picks the only row left.
    QTest::keyClicks(d.filterEdit(), S("acai"));
    EXPECT_EQ(d.shownRowCount(), 1);
    QTest::keyClick(d.filterEdit(), Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.pickedRow(), 1);
}

TEST_F(Dialogs, SearchMovesWithArrowsAndKeepsOpenWithNothingToPick)
{
    SearchDialog d(products());
    d.show();
    QTest::keyClicks(d.filterEdit(), S("x b"));  // every word, in any column
    ASSERT_EQ(d.shownRowCount(), 2);
    QTest::keyClick(d.filterEdit(), Qt::Key_Down);
    QTest::keyClick(d.filterEdit(), Qt::Key_Return);
    EXPECT_EQ(d.pickedRow(), 3);

    SearchDialog none(products());
    none.show();
    QTest::keyClicks(none.filterEdit(), S("pizza"));
    EXPECT_EQ(none.shownRowCount(), 0);
    QTest::keyClick(none.filterEdit(), Qt::Key_Return);
    EXPECT_FALSE(none.pickedRow().has_value());
    EXPECT_TRUE(none.isVisible()) << "nothing to pick: the dialog stays";

    // A tap on a row, then "Selecionar"; the shortcut column is searched as well.
    SearchDialog tap(products());
    tap.show();
    QTest::keyClicks(tap.filterEdit(), S("31"));
    ASSERT_EQ(tap.shownRowCount(), 1);
    tap.filterEdit()->clear();
    const QRect row2 = tap.view()->visualRect(tap.view()->model()->index(2, 0));
    QTest::mouseClick(tap.view()->viewport(), Qt::LeftButton, {}, row2.center());
    touch(tap.button(S("Selecionar")));
    EXPECT_EQ(tap.pickedRow(), 2);
}

TEST_F(Dialogs, ObservationChooserTogglesWithinOneGroup)
{
    ObservationRequest r;
    r.productName = S("X-Búrguer");
    r.occurrences.fields = records::obs();
    r.occurrences.rows = {Row{S("01"), S("10"), QString(), S("Sem cebola"), QString(), S("N")},
                          Row{S("01"), S("11"), QString(), S("Bem passado"), QString(), QString()},
                          Row{S("02"), S("20"), QString(), S("Sem gelo"), QString(), S("N")}};
    ObservationDialog d(r);
    d.show();
    EXPECT_EQ(d.title().toStdString(), "Observações - X-Búrguer");
    touch(d.occurrenceButton(1));
    touch(d.occurrenceButton(0));
    EXPECT_EQ(d.chosenRows(), (QList<int>{1, 0}));
    EXPECT_TRUE(d.occurrenceButton(0)->isDown());
    touch(d.occurrenceButton(1));
    EXPECT_EQ(d.chosenRows(), QList<int>{0});
    EXPECT_FALSE(d.occurrenceButton(1)->isDown());

    touch(d.occurrenceButton(2));
    EXPECT_EQ(d.chosenRows(), QList<int>{2}) << "another group releases the earlier choice";
    EXPECT_FALSE(d.note().isEmpty());
    EXPECT_FALSE(d.occurrenceButton(0)->isDown());

    QTest::keyClicks(d.typedEdit(), S("sem canudo"));
    touch(d.button(S("OK")));
    const ObservationChoice c = d.choice();
    EXPECT_TRUE(c.confirmed);
    EXPECT_EQ(c.rows, QList<int>{2});
    EXPECT_EQ(c.typed.toStdString(), "sem canudo");

    ObservationDialog cancelled(r);
    cancelled.show();
    touch(cancelled.occurrenceButton(0));
    touch(cancelled.button(S("Cancelar")));
    EXPECT_FALSE(cancelled.choice().confirmed);
    EXPECT_TRUE(cancelled.choice().rows.isEmpty());
}

TEST_F(Dialogs, MessagesKeypadCouponAndFiscalMenuAnswerByTouch)
{
    MessageDialog question({S("Deseja sair?"), MessageKind::Question, {}});
    question.show();
    ASSERT_NE(question.button(S("Sim")), nullptr);
    EXPECT_EQ(question.button(S("OK")), nullptr);
    touch(question.button(S("Não")));
    EXPECT_EQ(question.result(), 0);
    EXPECT_EQ(question.title().toStdString(), "Confirmação");

    MessageDialog warning({S("Operação bloqueada! <b>x</b>"), MessageKind::Warning, {}});
    warning.show();
    EXPECT_EQ(warning.button(S("Sim")), nullptr);
    EXPECT_EQ(warning.text().toStdString(), "Operação bloqueada! <b>x</b>");
    QTest::keyClick(&warning, Qt::Key_Return);
    EXPECT_EQ(warning.result(), 1);

    KeypadRequest k;
    k.initial = S("0");
    k.prompt = S("Informe o peso");
    KeypadDialog keypad(k);
    keypad.show();
    for (const char* key : {"2", ",", "5"})
        touch(keypad.keypad()->key(S(key)));
    touch(keypad.keypad()->key(S("OK")));
    EXPECT_EQ(keypad.typed(), S("2,5"));

    KeypadDialog escaped(k);
    escaped.show();
    QTest::keyClick(escaped.keypad(), Qt::Key_Escape);
    EXPECT_FALSE(escaped.typed().has_value());

    CouponDialog coupon({});
    coupon.show();
    EXPECT_EQ(coupon.codeEdit()->maxLength(), 10);
    QTest::keyClicks(coupon.codeEdit(), S("CUPOM5"));
    QTest::keyClick(coupon.codeEdit(), Qt::Key_Return);
    EXPECT_EQ(coupon.code(), S("CUPOM5"));

    FiscalMenuDialog menu({{S("Leitura X"), S("Redução Z")}});
    menu.show();
    touch(menu.entryButton(1));
    EXPECT_EQ(menu.chosen(), 1);
}

namespace {

// Runs once the next modal dialog is up; exec() shows the dialog before its loop runs
// the posted call.
void whenModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr) << "no dialog opened";
        act(modal);
    });
}

}  // namespace

TEST_F(Dialogs, TheQtDriverRunsEachDialogModally)
{
    QtDialogDriver driver;
    whenModal([](QWidget* w) { touch(static_cast<ui::TouchDialog*>(w)->button(S("Não"))); });
    EXPECT_FALSE(driver.message({S("Deseja sair?"), MessageKind::Question, {}}));
    whenModal([](QWidget* w) { touch(static_cast<ui::TouchDialog*>(w)->button(S("OK"))); });
    EXPECT_TRUE(driver.message({S("Aviso"), MessageKind::Warning, {}}));

    whenModal([](QWidget* w) {
        auto* d = static_cast<KeypadDialog*>(w);
        touch(d->keypad()->key(S("7")));
        touch(d->keypad()->key(S("OK")));
    });
    EXPECT_EQ(driver.keypad({}), S("7"));
    whenModal(
        [](QWidget* w) { touch(static_cast<KeypadDialog*>(w)->keypad()->key(S("Cancelar"))); });
    EXPECT_FALSE(driver.keypad({}).has_value());

    whenModal([](QWidget* w) {
        auto* d = static_cast<SearchDialog*>(w);
        QTest::keyClicks(d->filterEdit(), S("laranja"));
        QTest::keyClick(d->filterEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(driver.search(products()), 2);
    whenModal([](QWidget* w) { touch(static_cast<ui::TouchDialog*>(w)->button(S("Cancelar"))); });
    EXPECT_FALSE(driver.search(products()).has_value());
}
