#include "application/rules.h"

#include <QLocale>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace korim::application {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// |value| rounded half away from zero to `decimals` places, as decimal digit
// strings. The value is first taken to 15 significant digits so that binary
// noise (0.1 + 0.2, 2.675) does not decide the rounding.
struct FixedDigits {
    std::string integer; // no leading zeros; empty when the integer part is 0
    std::string fraction; // exactly `decimals` digits
    bool isZero = true;
};

FixedDigits fixedDigits(double value, int decimals)
{
    FixedDigits out;
    const double magnitude = std::fabs(value);
    if (!std::isfinite(magnitude) || magnitude == 0.0) {
        out.fraction.assign(std::size_t(decimals), '0');
        return out;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", magnitude);
    // buf is "d.dddddddddddddde[+-]xx"
    std::string mantissa;
    const char *p = buf;
    for (; *p && *p != 'e'; ++p) {
        if (*p != '.')
            mantissa.push_back(*p);
    }
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;

    // Digit with place value 10^place, from the 15 significant ones.
    auto digitAt = [&](int place) -> int {
        const int index = exponent - place;
        if (index < 0 || index >= int(mantissa.size()))
            return 0;
        return mantissa[std::size_t(index)] - '0';
    };

    const int top = exponent > 0 ? exponent : 0;
    // Places top .. -decimals, most significant first.
    std::string digits;
    for (int place = top; place >= -decimals; --place)
        digits.push_back(char('0' + digitAt(place)));
    if (digitAt(-decimals - 1) >= 5) {
        int i = int(digits.size()) - 1;
        while (i >= 0 && digits[std::size_t(i)] == '9') {
            digits[std::size_t(i)] = '0';
            --i;
        }
        if (i >= 0)
            ++digits[std::size_t(i)];
        else
            digits.insert(digits.begin(), '1');
    }
    const std::size_t intLength = digits.size() - std::size_t(decimals);
    out.integer = digits.substr(0, intLength);
    out.fraction = digits.substr(intLength);
    const std::size_t firstNonZero = out.integer.find_first_not_of('0');
    out.integer = firstNonZero == std::string::npos ? std::string() : out.integer.substr(firstNonZero);
    out.isZero = out.integer.empty() && out.fraction.find_first_not_of('0') == std::string::npos;
    return out;
}

QString grouped(const std::string &integer, const QString &separator)
{
    QString text;
    const int n = int(integer.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            text += separator;
        text += QLatin1Char(integer[std::size_t(i)]);
    }
    return text;
}

// The leading number of text from position i on, as plain ASCII, skipping
// blanks anywhere in it; empty when it holds no digit. i ends after it.
std::string leadingNumber(const QString &text, int &i)
{
    std::string number;
    const int n = int(text.size());
    while (i < n && isBlank(text[i]))
        ++i;
    if (i < n && text[i] == QLatin1Char('-')) {
        number.push_back('-');
        ++i;
    }
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isBlank(c))
            continue;
        if (isDigit(c)) {
            number.push_back(char(c.unicode()));
            sawDigit = true;
        } else if (c == QLatin1Char('.') && !sawPoint) {
            number.push_back('.');
            sawPoint = true;
        } else {
            break;
        }
    }
    return sawDigit ? number : std::string();
}

// An exponent at position i ("e-3", blanks allowed), or empty: it counts only
// when digits follow it, so "12E" stays 12; it lets a number Qt printed in
// scientific form ("2e+06") read back whole.
std::string exponentAt(const QString &text, int i)
{
    const int n = int(text.size());
    if (i >= n || (text[i] != QLatin1Char('e') && text[i] != QLatin1Char('E')))
        return {};
    std::string exponent = "e";
    int j = i + 1;
    while (j < n && isBlank(text[j]))
        ++j;
    if (j < n && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+'))) {
        exponent.push_back(char(text[j].unicode()));
        ++j;
    }
    bool expDigit = false;
    for (; j < n; ++j) {
        if (isBlank(text[j]))
            continue;
        if (!isDigit(text[j]))
            break;
        exponent.push_back(char(text[j].unicode()));
        expDigit = true;
    }
    return expDigit ? exponent : std::string();
}

} // namespace

double numericValue(const QString &text)
{
    int i = 0;
    std::string number = leadingNumber(text, i);
    if (number.empty())
        return 0.0;
    number += exponentAt(text, i);
    errno = 0;
    double value = std::strtod(number.c_str(), nullptr);
    // Absurdly long inputs must not turn into infinity and poison the totals.
    if (std::isinf(value))
        value = value > 0 ? DBL_MAX : -DBL_MAX;
    if (value == 0.0)
        value = 0.0; // no -0
    return value;
}

QString plainNumber(double value)
{
    if (!std::isfinite(value) || value == 0.0)
        return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    const char *e = std::strchr(buf, 'e');
    const int exponent = e ? std::atoi(e + 1) : 0;
    // 15 significant digits: enough decimals to keep them all.
    const int decimals = exponent >= 14 ? 0 : 14 - exponent;
    FixedDigits d = fixedDigits(value, decimals);
    if (d.isZero)
        return QStringLiteral("0");
    const std::size_t last = d.fraction.find_last_not_of('0');
    d.fraction = last == std::string::npos ? std::string() : d.fraction.substr(0, last + 1);
    QString text = value < 0 ? QStringLiteral("-") : QString();
    text += d.integer.empty() ? QStringLiteral("0") : QString::fromStdString(d.integer);
    if (!d.fraction.empty())
        text += QLatin1Char('.') + QString::fromStdString(d.fraction);
    return text;
}

int SoloNumeros(int keyAscii)
{
    if (keyAscii >= '0' && keyAscii <= '9')
        return keyAscii;
    switch (keyAscii) {
    case 8:  // Backspace
    case 9:  // Tab
    case 27: // Escape
    case 46: // "."
        return keyAscii;
    default:
        return 0;
    }
}

QString formatWithPattern(double value, const QString &pattern, const QLocale &locale)
{
    const int point = int(pattern.indexOf(QLatin1Char('.')));
    const QString integerPattern = point < 0 ? pattern : pattern.left(point);
    const QString fractionPattern = point < 0 ? QString() : pattern.mid(point + 1);
    const bool grouping = integerPattern.contains(QLatin1Char(','));
    const int minIntegerDigits = int(integerPattern.count(QLatin1Char('0')));
    const int decimals = int(fractionPattern.count(QLatin1Char('0')) + fractionPattern.count(QLatin1Char('#')));

    if (!std::isfinite(value))
        value = 0.0;
    const FixedDigits d = fixedDigits(value, decimals);
    std::string integer = d.integer;
    while (int(integer.size()) < minIntegerDigits)
        integer.insert(integer.begin(), '0');

    QString text = grouping ? grouped(integer, locale.groupSeparator())
                            : QString::fromStdString(integer);
    if (decimals > 0)
        text += locale.decimalPoint() + QString::fromStdString(d.fraction);
    // A figure that rounds to zero shows no sign.
    if (value < 0 && !d.isZero)
        text.prepend(locale.negativeSign());
    return text;
}

QString reportAmount(const QVariant &value, const QLocale &locale, int width)
{
    constexpr int column = 16;
    QString formatted;
    if (value.isValid() && !value.isNull())
        formatted = formatWithPattern(numericValueOf(value), QStringLiteral("###,###,###.#0"), locale).trimmed();
    // A figure wider than the column is printed whole: cutting its leading
    // digits would print a different amount on a signed form.
    if (formatted.size() > column)
        return formatted;
    return (QString(qMax(width - 2, 0), QLatin1Char(' ')) + formatted).right(column);
}

double numericValueOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0.0;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        return numericValue(value.toString());
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return numericValue(value.toString());
    return number;
}

} // namespace korim::application
