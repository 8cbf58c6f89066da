#include "textformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

using namespace kvp;

namespace {

const FormatSettings kBrazil = FormatSettings::brazil();

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

}  // namespace

TEST(Trunc2, CutsTowardsZeroAndAbsorbsBinaryNoise)
{
    const std::pair<double, double> cases[] = {
        {10.02 - 10.00, 0.02},  // 0.0199999999999996 in binary
        {4.35, 4.35},           // 434.99999999999994 cents
        {0.1 + 0.2, 0.3},
        {-1.239, -1.23},
        {1.999, 1.99},
        {0.019999999, 0.01},  // a real digit a ten-millionth of a cent short stays short
        {99999999999.99, 99999999999.99},  // one double step here is ~1.5e-6 cents
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(Trunc2(in), out) << "Trunc2(" << in << ")";
    }
    // The last item's share of a divided promotion price: (sum - price) x promotions.
    EXPECT_EQ(Trunc2(3.34 * 3 - 10.00) * 2, 0.04);
    EXPECT_FALSE(std::signbit(Trunc2(-0.001)));  // a cut fraction is a plain zero
    EXPECT_TRUE(std::isnan(Trunc2(std::numeric_limits<double>::quiet_NaN())));
}

TEST(RoundDec, HalfAwayFromZeroOnTheDecimalValue)
{
    EXPECT_EQ(RoundDec(2.675, 2), 2.68);  // stored as 2.67499999...
    EXPECT_EQ(RoundDec(1.005, 2), 1.01);  // 100.49999999999999 once scaled
    EXPECT_EQ(RoundDec(-1.005, 2), -1.01);
    EXPECT_EQ(RoundDec(1.0005, 3), 1.001);
    EXPECT_EQ(RoundDec(0.4567 - 0.1, 3), 0.357);
    EXPECT_EQ(RoundDec(0.12349, 3), 0.123);
    EXPECT_EQ(RoundDec(-0.5, 0), -1.0);
    EXPECT_EQ(RoundDec(1.23456, 20), RoundDec(1.23456, 15));  // decimals are capped
}

TEST(FormatMoney, GroupedTwoDecimalsHalfAwayFromZero)
{
    EXPECT_EQ(formatMoney(1234.5, kBrazil), s("1.234,50"));
    EXPECT_EQ(formatMoney(-0.5, kBrazil), s("-0,50"));
    EXPECT_EQ(formatMoney(0, kBrazil), s("0,00"));
    EXPECT_EQ(formatMoney(-0.001, kBrazil), s("0,00"));
    EXPECT_EQ(formatMoney(2.675, kBrazil), s("2,68"));
    EXPECT_EQ(formatMoney(0.285, kBrazil), s("0,29"));
    EXPECT_EQ(formatMoney(999.995, kBrazil), s("1.000,00"));
    EXPECT_EQ(formatMoney(100, kBrazil), s("100,00"));
    EXPECT_EQ(formatMoney(-1000000, kBrazil), s("-1.000.000,00"));
    EXPECT_EQ(formatMoney(std::numeric_limits<double>::quiet_NaN(), kBrazil), s("NAN"));

    FormatSettings us;
    us.decimalSeparator = QLatin1Char('.');
    us.thousandSeparator = QLatin1Char(',');
    EXPECT_EQ(formatMoney(1234.5, us), s("1,234.50"));
}

TEST(FormatFixed, FixedDecimalsWithoutGrouping)
{
    EXPECT_EQ(formatFixed(3.335, 2, kBrazil), s("3,34"));
    EXPECT_EQ(formatFixed(1234.5, 2, kBrazil), s("1234,50"));
    EXPECT_EQ(formatFixed(1.0 / 6.0, 3, kBrazil), s("0,167"));
    EXPECT_EQ(formatFixed(1 - 6 * 0.167, 3, kBrazil), s("-0,002"));
    EXPECT_EQ(formatFixed(2.5, 0, kBrazil), s("3"));
}

TEST(ShortestText, FifteenSignificantDigitsWithoutTrailingZeros)
{
    struct Case {
        double in;
        const char* out;
    };
    const Case cases[] = {
        {1.5, "1,5"},
        {2, "2"},
        {0.45, "0,45"},
        {100, "100"},
        {-1.25, "-1,25"},
        {0.1 + 0.2, "0,3"},
        {2.0 / 3.0, "0,666666666666667"},
        {0.0001, "0,0001"},
        {123456789012345, "123456789012345"},
        {-0.0, "0"},
        // Exponent form below 0,0001 and from sixteen integer digits on.
        {1e-5, "1E-5"},
        {1.5e-7, "1,5E-7"},
        {1e15, "1E15"},
        {-2.5e20, "-2,5E20"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shortestText(c.in, kBrazil), s(c.out)) << c.in;
    }
    FormatSettings dot;
    dot.decimalSeparator = QLatin1Char('.');
    EXPECT_EQ(shortestText(1.5, dot), s("1.5"));
}

TEST(ParseNumber, AcceptsCommaOrDotDecimalAndNothingElse)
{
    struct Good {
        const char* in;
        double out;
    };
    const Good good[] = {
        {"1,5", 1.5}, {"1.5", 1.5}, {"-2,25", -2.25}, {"+3", 3},     {" 7 ", 7},
        {"10", 10},   {",5", 0.5},  {"5,", 5},        {"-,5", -0.5}, {"0,167", 0.167},
    };
    for (const Good& g : good) {
        bool ok = false;
        EXPECT_EQ(parseNumber(s(g.in), kBrazil, &ok), g.out) << g.in;
        EXPECT_TRUE(ok) << g.in;
    }
    const char* bad[] = {"",  " ",   "abc", "1,2,3", "1.234,5", "1 000", "1e5", "-",
                         ",", "12a", "--1", "0x10",  "1-",      "nan",   "inf"};
    for (const char* b : bad) {
        bool ok = true;
        EXPECT_EQ(parseNumber(s(b), kBrazil, &ok), 0.0) << b;
        EXPECT_FALSE(ok) << b;
    }
    bool ok = true;
    parseNumber(QStringLiteral("1") + QString(400, QLatin1Char('0')), kBrazil, &ok);
    EXPECT_FALSE(ok) << "out of range";

    FormatSettings us;
    us.decimalSeparator = QLatin1Char('.');
    us.thousandSeparator = QLatin1Char(',');
    parseNumber(s("1,5"), us, &ok);
    EXPECT_FALSE(ok) << "a comma is no decimal separator with these settings";
}

TEST(ParseNumber, ReadsBackWhatFormatFixedWrites)
{
    // Shares are rounded by writing them with fixed decimals and reading the text back.
    const double share = 10.0 / 3.0 + 0.005;
    EXPECT_EQ(parseNumber(formatFixed(share, 2, kBrazil), kBrazil), 3.34);
    EXPECT_EQ(parseNumber(formatFixed(1 - 3 * 0.333, 3, kBrazil), kBrazil), 0.001);
}

TEST(FormatDateTime, UsesTheSettingsPatterns)
{
    const QDateTime sunday(QDate(2026, 1, 4), QTime(9, 5, 30));
    EXPECT_EQ(formatDate(sunday, kBrazil), s("04/01/2026"));
    EXPECT_EQ(formatTime(sunday, kBrazil), s("09:05:30"));
    FormatSettings iso;
    iso.shortDateFormat = QStringLiteral("yyyy-MM-dd");
    iso.longTimeFormat = QStringLiteral("HH.mm");
    EXPECT_EQ(formatDate(sunday, iso), s("2026-01-04"));
    EXPECT_EQ(formatTime(sunday, iso), s("09.05"));

    // Hours and minutes come from the host's own time text, whatever its separator.
    EXPECT_EQ(hourMinuteText(sunday, kBrazil), s("0905"));
    EXPECT_EQ(hourMinuteText(sunday, iso), s("0905"));
    FormatSettings dotted;
    dotted.longTimeFormat = QStringLiteral("hh.mm.ss");
    EXPECT_EQ(hourMinuteText(QDateTime(QDate(2026, 1, 4), QTime(23, 59, 59)), dotted), s("2359"));
    FormatSettings shortHour;
    shortHour.longTimeFormat = QStringLiteral("h:mm:ss");
    EXPECT_EQ(hourMinuteText(sunday, shortHour), s("9:5:"));  // the rule, not a reformat
}

TEST(FillText, FillsPlaceholdersAndNeverFails)
{
    struct Case {
        const char* text;
        QStringList args;
        const char* out;
    };
    const Case cases[] = {
        {"Escolha de %s até %s produtos.", {s("1"), s("3")}, "Escolha de 1 até 3 produtos."},
        {"Escolha %s produto.", {}, "Escolha  produto."},  // too few
        {"%sX", {s("3"), s("extra")}, "3X"},               // too many
        {"100%", {s("a")}, "100%"},                        // trailing "%"
        {"%", {}, "%"},
        {"%d %i %1", {s("a")}, "%d %i %1"},  // other "%" kept
        {"50%% de %s", {s("desconto")}, "50% de desconto"},
        {"%%s", {s("a")}, "%s"},
        {"%s%s", {s("%s"), s("b")}, "%sb"},  // an argument is never filled again
        {"", {s("a")}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fillText(s(c.text), c.args), s(c.out)) << c.text;
    }
}

TEST(Ajusta, LeftPadsWithZeros)
{
    EXPECT_EQ(Ajusta(s("7"), 3), s("007"));
    EXPECT_EQ(Ajusta(s("123"), 2), s("123"));
}
