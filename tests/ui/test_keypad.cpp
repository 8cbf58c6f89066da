#include "blendedbutton.h"
#include "keypadbuffer.h"
#include "numerickeypad.h"
#include "qtapp.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

using namespace kvp::ui;

namespace {

std::string typed(KeypadBuffer b, const char* keys)
{
    for (const char* k = keys; *k; ++k) {
        if (*k == '<')
            b.backspace();
        else if (*k == '#')
            b.clear();
        else
            b.type(QLatin1Char(*k));
    }
    return b.text().toStdString();
}

}  // namespace

TEST(KeypadBuffer, TypesNumbersWithADecimalComma)
{
    EXPECT_EQ(typed(KeypadBuffer(), "12,5"), "12,5");
    EXPECT_EQ(typed(KeypadBuffer(), "1.5"), "1,5") << "a point types the comma";
    EXPECT_EQ(typed(KeypadBuffer(), ",5"), "0,5");
    EXPECT_EQ(typed(KeypadBuffer(), "1,2,3"), "1,23") << "one comma only";
    EXPECT_EQ(typed(KeypadBuffer(), "007"), "7") << "no leading zeros";
    EXPECT_EQ(typed(KeypadBuffer(), "0,05"), "0,05");
    // How many decimals a quantity may have is for the screen to judge.
    EXPECT_EQ(typed(KeypadBuffer(), "1,2345"), "1,2345");
    EXPECT_EQ(typed(KeypadBuffer(), "12<3"), "13");
    EXPECT_EQ(typed(KeypadBuffer(), "12#4"), "4");
    EXPECT_EQ(typed(KeypadBuffer(), "<<<"), "");
    EXPECT_EQ(typed(KeypadBuffer({}, 0, false), "1,5"), "15");
    EXPECT_EQ(typed(KeypadBuffer({}, 3), "12345"), "123");
    EXPECT_EQ(typed(KeypadBuffer({}, 3), "12,5"), "12,");

    KeypadBuffer dangling;
    dangling.type(QLatin1Char('3'));
    dangling.comma();
    EXPECT_EQ(dangling.text().toStdString(), "3,");
    EXPECT_EQ(dangling.result().toStdString(), "3");
}

TEST(KeypadBuffer, TheInitialTextIsReplacedByTypingButEditedByBackspace)
{
    EXPECT_EQ(typed(KeypadBuffer(QStringLiteral("0")), "5"), "5");
    EXPECT_EQ(typed(KeypadBuffer(QStringLiteral("0,482")), "1"), "1");
    EXPECT_EQ(typed(KeypadBuffer(QStringLiteral("0,482")), ",2"), "0,2");
    EXPECT_EQ(typed(KeypadBuffer(QStringLiteral("0,482")), "<"), "0,48");
    EXPECT_EQ(typed(KeypadBuffer(QStringLiteral("0.45")), ""), "0,45");
    EXPECT_EQ(KeypadBuffer(QStringLiteral("2,5")).result().toStdString(), "2,5")
        << "untouched text comes back";
}

TEST(NumericKeypad, TouchesAndKeysTypeAndConfirm)
{
    kvp::test::qtApp();
    NumericKeypad pad;
    pad.start(QStringLiteral("0"), 10);
    pad.show();
    QSignalSpy confirmed(&pad, &NumericKeypad::confirmed);
    QSignalSpy cancelled(&pad, &NumericKeypad::cancelled);
    for (const char* k : {"1", ",", "7", "5"})
        QTest::mouseClick(pad.key(QString::fromLatin1(k)), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(pad.text().toStdString(), "1,75");
    QTest::mouseClick(pad.key(NumericKeypad::backspaceCaption()), Qt::LeftButton, {},
                      QPoint(20, 20));
    EXPECT_EQ(pad.displayText().toStdString(), "1,7");
    QTest::keyClicks(&pad, QStringLiteral(".9"));
    EXPECT_EQ(pad.text().toStdString(), "1,79");
    QTest::keyClick(&pad, Qt::Key_Delete);
    EXPECT_EQ(pad.text().toStdString(), "");
    QTest::keyClicks(&pad, QStringLiteral("3"));
    QTest::keyClick(&pad, Qt::Key_Return);
    EXPECT_EQ(confirmed.count(), 1);
    EXPECT_EQ(pad.result().toStdString(), "3");
    QTest::mouseClick(pad.key(QStringLiteral("Cancelar")), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(cancelled.count(), 1);

    pad.start(QString(), 4, false, true);
    QTest::keyClicks(&pad, QStringLiteral("12,34"));
    EXPECT_EQ(pad.result().toStdString(), "1234");
    EXPECT_EQ(pad.displayText(), QString(4, QChar(0x2022))) << "a PIN is never shown";
    EXPECT_TRUE(pad.key(QStringLiteral(","))->isHidden());
}
