#pragma once

// Number and text helpers and the locale settings that shape every text shown to people.
// Defaults are pt-BR (decimal comma, thousands dot, "R$", dd/mm/yyyy, hh:mm:ss); the host
// may install other settings.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kvp {

struct FormatSettings {
    QChar decimalSeparator = QLatin1Char(',');
    QChar thousandSeparator = QLatin1Char('.');
    QString currencyString = QStringLiteral("R$");
    QString shortDateFormat = QStringLiteral("dd/MM/yyyy");  // QDate::toString pattern
    QString longTimeFormat = QStringLiteral("hh:mm:ss");     // QTime::toString pattern

    static FormatSettings brazil() { return {}; }
};

// --- Host helpers the module calls by name ---
// Left-pads text with "0" to width: Ajusta("1", 2) == "01". Longer text is unchanged.
QString Ajusta(const QString& text, int width);
bool EmptyString(const QString& text);
// Cuts towards zero to two decimals, tolerating binary noise: Trunc2(10.02 - 10.00) == 0.02.
double Trunc2(double value);
// Rounds half away from zero to the given number of decimals.
double RoundDec(double value, int decimals);
template <typename T>
T iif(bool condition, const T& a, const T& b)
{
    return condition ? a : b;
}
inline QString iif(bool condition, const QString& a, const QString& b)
{
    return condition ? a : b;
}

// --- Formatting with the settings ---
// "#,##0.00": thousands grouped, two decimals, half away from zero: 1234.5 -> "1.234,50".
QString formatMoney(double value, const FormatSettings& fs);
// Pattern "000000.00" or "#0.000": fixed decimals, half away from zero, no grouping.
QString formatFixed(double value, int decimals, const FormatSettings& fs);
// Shortest decimal text: 1.5 -> "1,5", 2 -> "2", 0.45 -> "0,45" (up to 15 significant
// digits, the way a host writes a float as text).
QString shortestText(double value, const FormatSettings& fs);
// Reads a typed number; accepts the settings' decimal separator (and "."), no grouping.
// ok is false for anything that is not a number.
double parseNumber(const QString& text, const FormatSettings& fs, bool* ok = nullptr);
QString formatDate(const QDateTime& when, const FormatSettings& fs);
QString formatTime(const QDateTime& when, const FormatSettings& fs);
// Hours and minutes as the price function and the campaigns compare them: the long time
// text with its third character removed, cut to four characters ("09:05:30" -> "0905").
QString hourMinuteText(const QDateTime& when, const FormatSettings& fs);

// Fills "%s" placeholders left to right. Missing arguments leave the rest empty;
// extra arguments are ignored; "%%" is a literal percent; any other "%" is kept as is.
// Never fails, whatever the text holds.
QString fillText(const QString& text, const QStringList& args);

}  // namespace kvp
