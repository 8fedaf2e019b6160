#include "application/checkdigit.h"

namespace korim::application {

namespace {

// 0-9, A-N 10-23, & 24, O-Z 25-36, blank 37, Ñ 38; -1 for anything else.
int placeValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'N')
        return 10 + (u - u'A');
    if (u == u'&')
        return 24;
    if (u >= u'O' && u <= u'Z')
        return 25 + (u - u'O');
    if (u == u' ')
        return 37;
    if (u == u'\u00d1')
        return 38;
    return -1;
}

} // namespace

std::optional<QChar> rfcCheckDigit(const QString &rfc13)
{
    if (rfc13.size() != 13)
        return std::nullopt;
    int sum = 0;
    for (int i = 0; i < 12; ++i) {
        const int value = placeValue(rfc13.at(i));
        if (value < 0)
            return std::nullopt;
        sum += value * (13 - i);
    }
    const int r = sum % 11;
    if (r == 0)
        return QLatin1Char('0');
    const int digit = 11 - r;
    return digit == 10 ? QLatin1Char('A') : QChar(u'0' + digit);
}

bool isGenericRfc(const QString &rfc13)
{
    return rfc13 == QLatin1String("XAXX010101000") || rfc13 == QLatin1String("XEXX010101000");
}

std::optional<QChar> rfcCheckDigitDisagrees(const QString &rfc13)
{
    if (isGenericRfc(rfc13))
        return std::nullopt;
    const std::optional<QChar> digit = rfcCheckDigit(rfc13);
    if (!digit || rfc13.at(12) == *digit)
        return std::nullopt;
    return digit;
}

} // namespace korim::application
