#include "textformat.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kvp {

namespace {

constexpr int kMaxDecimals = 15;

double powerOfTen(int n)
{
    static constexpr std::array<double, kMaxDecimals + 1> table{
        1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    return table[static_cast<std::size_t>(std::clamp(n, 0, kMaxDecimals))];
}

// How far a scaled value (cents, thousandths...) may sit from a whole unit and still be
// taken as that unit. The error left by a handful of sums and products of money is around
// 1e-13 of a unit; a real digit beyond the kept ones is at least a thousandth of a unit
// for any amount typed or priced here. A billionth of a unit lies safely between the two.
// Beyond about 10^6 units one step of a double already exceeds that, so there the
// tolerance becomes a few such steps.
double noiseTolerance(double scaled)
{
    const double magnitude = std::fabs(scaled);
    const double step =
        std::nextafter(magnitude, std::numeric_limits<double>::infinity()) - magnitude;
    return std::max(1e-9, 32.0 * step);
}

// value * 10^decimals cut towards zero to a whole number, noise absorbed.
double cutScaled(double value, int decimals)
{
    const double scaled = value * powerOfTen(decimals);
    const double nearest = std::round(scaled);
    if (std::fabs(scaled - nearest) <= noiseTolerance(scaled)) {
        return nearest;
    }
    return std::trunc(scaled);
}

// value * 10^decimals rounded half away from zero to a whole number. A half that binary
// storage pushed just below .5 (2.675 is stored as 2.67499999...) still counts as a half.
double roundScaled(double value, int decimals)
{
    const double scaled = value * powerOfTen(decimals);
    const double whole = std::trunc(scaled);
    const double fraction = std::fabs(scaled - whole);
    if (fraction >= 0.5 - noiseTolerance(scaled)) {
        return whole + std::copysign(1.0, scaled);
    }
    return whole;
}

QString nonFiniteText(double value)
{
    if (std::isnan(value)) {
        return QStringLiteral("NAN");
    }
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// Writes a value held as a whole number of 10^-decimals units: sign, integer digits
// (grouped when asked), separator, exactly `decimals` digits.
QString scaledToText(double units, int decimals, bool grouped, const FormatSettings& fs)
{
    QString digits = QString::number(std::fabs(units), 'f', 0);
    if (digits.size() <= decimals) {
        digits = digits.rightJustified(decimals + 1, QLatin1Char('0'));
    }
    const qsizetype integerLength = digits.size() - decimals;
    QString integerPart = digits.left(integerLength);
    if (grouped) {
        for (qsizetype at = integerPart.size() - 3; at > 0; at -= 3) {
            integerPart.insert(at, fs.thousandSeparator);
        }
    }
    QString text;
    if (units != 0 && std::signbit(units)) {
        text += QLatin1Char('-');
    }
    text += integerPart;
    if (decimals > 0) {
        text += fs.decimalSeparator;
        text += digits.mid(integerLength);
    }
    return text;
}

}  // namespace

QString Ajusta(const QString& text, int width)
{
    return text.rightJustified(width, QLatin1Char('0'));
}

bool EmptyString(const QString& text)
{
    return text.isEmpty();
}

double Trunc2(double value)
{
    if (!std::isfinite(value)) {
        return value;
    }
    // "+ 0.0" turns a cut negative fraction (-0.001 -> -0.0) into a plain zero.
    return cutScaled(value, 2) / 100.0 + 0.0;
}

double RoundDec(double value, int decimals)
{
    if (!std::isfinite(value)) {
        return value;
    }
    const int kept = std::clamp(decimals, 0, kMaxDecimals);
    return roundScaled(value, kept) / powerOfTen(kept) + 0.0;
}

QString formatMoney(double value, const FormatSettings& fs)
{
    if (!std::isfinite(value)) {
        return nonFiniteText(value);
    }
    return scaledToText(roundScaled(value, 2), 2, true, fs);
}

QString formatFixed(double value, int decimals, const FormatSettings& fs)
{
    if (!std::isfinite(value)) {
        return nonFiniteText(value);
    }
    const int kept = std::clamp(decimals, 0, kMaxDecimals);
    return scaledToText(roundScaled(value, kept), kept, false, fs);
}

QString shortestText(double value, const FormatSettings& fs)
{
    if (!std::isfinite(value)) {
        return nonFiniteText(value);
    }
    if (value == 0) {
        return QStringLiteral("0");
    }
    // Fifteen significant digits, correctly rounded from the binary value: "d.dddde+XX".
    std::array<char, 40> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific, 14);
    const std::string scientific(buffer.data(), written.ptr);
    const std::size_t ePos = scientific.find('e');
    const int exponent = std::stoi(scientific.substr(ePos + 1));
    std::string digits;
    for (std::size_t i = 0; i < ePos; ++i) {
        if (scientific[i] >= '0' && scientific[i] <= '9') {
            digits += scientific[i];
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const QString d = QString::fromLatin1(digits);

    // Outside 0,0001 .. 10^15 the fixed form would only add zeros; write an exponent
    // ("1E-5", "1,5E20") the way a host's float-to-text does.
    if (exponent < -4 || exponent >= 15) {
        QString mantissa = d.left(1);
        if (d.size() > 1) {
            mantissa += fs.decimalSeparator + d.mid(1);
        }
        return sign + mantissa + QLatin1Char('E') + QString::number(exponent);
    }
    if (exponent < 0) {
        return sign + QLatin1Char('0') + fs.decimalSeparator +
               QString(-exponent - 1, QLatin1Char('0')) + d;
    }
    const qsizetype integerDigits = exponent + 1;
    if (d.size() <= integerDigits) {
        return sign + d + QString(integerDigits - d.size(), QLatin1Char('0'));
    }
    return sign + d.left(integerDigits) + fs.decimalSeparator + d.mid(integerDigits);
}

double parseNumber(const QString& text, const FormatSettings& fs, bool* ok)
{
    if (ok) {
        *ok = false;
    }
    const QString trimmed = text.trimmed();
    // Rebuilt in the one form from_chars reads: optional "-", digits, optional "." digits.
    std::string plain;
    plain.reserve(static_cast<std::size_t>(trimmed.size()));
    bool seenSeparator = false;
    bool seenDigit = false;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+'))) {
            if (c == QLatin1Char('-')) {
                plain += '-';
            }
            continue;
        }
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            plain += static_cast<char>(c.unicode());
            seenDigit = true;
            continue;
        }
        if ((c == fs.decimalSeparator || c == QLatin1Char('.')) && !seenSeparator) {
            plain += '.';
            seenSeparator = true;
            continue;
        }
        return 0;  // a second separator, a grouping mark, a blank inside, a letter...
    }
    if (!seenDigit) {
        return 0;
    }
    // from_chars reads neither "5." nor ".5" as written; complete them.
    if (plain.back() == '.') {
        plain += '0';
    }
    const std::size_t dot = plain.find('.');
    if (dot != std::string::npos && (dot == 0 || plain[dot - 1] == '-')) {
        plain.insert(dot, 1, '0');
    }
    double value = 0;
    const auto result =
        std::from_chars(plain.data(), plain.data() + plain.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) {
        return 0;
    }
    if (ok) {
        *ok = true;
    }
    return value + 0.0;
}

QString formatDate(const QDateTime& when, const FormatSettings& fs)
{
    return when.date().toString(fs.shortDateFormat);
}

QString formatTime(const QDateTime& when, const FormatSettings& fs)
{
    return when.time().toString(fs.longTimeFormat);
}

QString hourMinuteText(const QDateTime& when, const FormatSettings& fs)
{
    QString text = formatTime(when, fs);
    text.remove(2, 1);
    return text.left(4);
}

QString fillText(const QString& text, const QStringList& args)
{
    QString result;
    result.reserve(text.size());
    qsizetype nextArg = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('%') || i + 1 >= text.size()) {
            result += c;
            continue;
        }
        const QChar next = text.at(i + 1);
        if (next == QLatin1Char('s')) {
            if (nextArg < args.size()) {
                result += args.at(nextArg);
            }
            ++nextArg;
            ++i;
        } else if (next == QLatin1Char('%')) {
            result += QLatin1Char('%');
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace kvp
