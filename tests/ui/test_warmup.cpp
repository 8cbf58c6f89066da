// What the first screen of a process needs is made ready while the host waits for its
// first sale, and that work gives way to a screen that is already being built.

#include "figurasdapasta.h"
#include "formview.h"
#include "qtapp.h"
#include "selectionfixture.h"
#include "warmup.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>

namespace kvp::test {
namespace {

class WarmUp : public Selection {
protected:
    static void SetUpTestSuite() { qtApp(); }
};

TEST_F(WarmUp, EveryFontOfASaleIsAmongThoseLoadedAhead)
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

// Each of the tests below needs a process of its own (ctest runs every test alone).

TEST_F(WarmUp, RunsOnceTheEventLoopIsFree)
{
    if (ui::warmedUp())
        GTEST_SKIP() << "an earlier test of this process warmed up";
    ui::warmUpWhenIdle();
    EXPECT_FALSE(ui::warmedUp()) << "not while the host is still busy";
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui::warmedUp());
    EXPECT_FALSE(ui::warmUp()) << "once per process";
}

TEST_F(WarmUp, GivesWayToAScreenAlreadyBeingBuilt)
{
    if (ui::warmedUp())
        GTEST_SKIP() << "an earlier test of this process warmed up";
    ui::warmUpWhenIdle();
    screen::Form form(S("frmVazio"));
    form.frame.bounds = {0, 0, 100, 100};
    ui::FormView view(form, nullptr);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ui::warmedUp());
}

TEST_F(WarmUp, ListsThePicturesFolderThatTheFirstScreenUses)
{
    if (ui::warmedUp())
        GTEST_SKIP() << "an earlier test of this process warmed up";
    QDir folder(programFolder());
    ASSERT_TRUE(folder.mkpath(S("dados/img/produto")));
    ASSERT_TRUE(folder.cd(S("dados/img/produto")));
    auto make = [&](const char* name) {
        QFile f(folder.filePath(S(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    // An hour old, as a shop's folder between its changes; the same time each time it
    // is put back.
    struct timespec hourAgo{};
    clock_gettime(CLOCK_REALTIME, &hourAgo);
    hourAgo.tv_sec -= 3600;
    hourAgo.tv_nsec = 0;
    auto age = [&] {
        const struct timespec times[2] = {hourAgo, hourAgo};
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(folder.path()).constData(), times, 0), 0);
    };
    make("P1.BMP");
    age();
    ASSERT_TRUE(ui::warmUp());

    // A file slipped in with the folder's time put back: still the listing made ahead.
    make("P2.BMP");
    age();
    const combinada::detail::FigurasDaPasta figuras(folder);
    EXPECT_EQ(figuras.procura(S("p1.bmp")), folder.filePath(S("P1.BMP")));
    EXPECT_EQ(figuras.procura(S("p2.bmp")), QString()) << "listed again at the screen";
}

TEST_F(WarmUp, LeavesABrokenParameterFileToTheScreen)
{
    if (ui::warmedUp())
        GTEST_SKIP() << "an earlier test of this process warmed up";
    QFile parameters(QDir(programFolder()).filePath(S("PARAMETROSQMT.CDS")));
    ASSERT_TRUE(parameters.open(QIODevice::WriteOnly | QIODevice::Truncate));
    parameters.write("<DATAPACKET><METADATA>");
    parameters.close();
    EXPECT_NO_THROW(ui::warmUp());
    EXPECT_TRUE(ui::warmedUp());
}

}  // namespace
}  // namespace kvp::test
