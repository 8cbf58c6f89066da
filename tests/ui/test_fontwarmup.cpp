// The screens' fonts are loaded while the host waits for its first sale, and the load
// gives way to a screen that is already being built.

#include "fontwarmup.h"
#include "formview.h"
#include "qtapp.h"
#include "selectionfixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSet>

namespace kvp::test {
namespace {

class FontWarmUp : public Selection {
protected:
    static void SetUpTestSuite() { qtApp(); }
};

TEST_F(FontWarmUp, EveryFontOfASaleIsAmongThoseLoadedAhead)
{
    QSet<QString> loaded;
    for (const QFont& f : ui::screenFonts())
        loaded.insert(f.key());
    EXPECT_EQ(loaded.size(), ui::screenFonts().size()) << "each font once";

    sellable(S("A1"), 10);
    addGroup(S("G1"), {S("A1")}, quantity(2));
    RecordingScreen& s = start();
    touch(S("A1"));
    ASSERT_EQ(s.controlesBandeja().size(), 5) << "a tray entry was made";
    for (const screen::Control* c : std::as_const(s).controls())
        EXPECT_TRUE(loaded.contains(ui::qfont(c->font).key()))
            << qPrintable(c->name) << " draws with " << qPrintable(ui::qfont(c->font).key());
}

// Each of the next two needs a process of its own (ctest runs every test alone).
TEST_F(FontWarmUp, TheLoadRunsOnceTheEventLoopIsFree)
{
    if (ui::screenFontsLoaded())
        GTEST_SKIP() << "an earlier test of this process loaded the fonts";
    ui::loadScreenFontsWhenIdle();
    EXPECT_FALSE(ui::screenFontsLoaded()) << "not while the host is still busy";
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui::screenFontsLoaded());
    EXPECT_FALSE(ui::loadScreenFonts()) << "once per process";
}

TEST_F(FontWarmUp, TheLoadGivesWayToAScreenAlreadyBeingBuilt)
{
    if (ui::screenFontsLoaded())
        GTEST_SKIP() << "an earlier test of this process loaded the fonts";
    ui::loadScreenFontsWhenIdle();
    screen::Form form(S("frmVazio"));
    form.frame.bounds = {0, 0, 100, 100};
    ui::FormView view(form, nullptr);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ui::screenFontsLoaded());
}

}  // namespace
}  // namespace kvp::test
