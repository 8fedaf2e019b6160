#include "application/rfcrules.h"

#include "application/rules.h"

namespace korim::application {

namespace {

// Positions count from 1, as the user reads the RFC.
QString at(const QString &text, int position, int length = 1)
{
    return text.mid(position - 1, length);
}

QString stripBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

bool isLetterBlockCharacter(const QString &c)
{
    if (c.size() != 1)
        return false;
    const char16_t u = c[0].unicode();
    return (u >= u'A' && u <= u'Z') || u == u'&';
}

// Two places of the date: neither may be blank (other characters are the
// mask's business and read as before).
bool twoDigits(const QString &places)
{
    return places.size() == 2 && places[0] != QLatin1Char(' ') && places[1] != QLatin1Char(' ');
}

// A place's value in the check-digit rule: digits, A-N, "&", O-Z, blank, Ñ.
int checkValue(QChar c)
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

RfcCheck checkRfc(const QString &text)
{
    RfcCheck result;
    auto fail = [&result](const QString &message) {
        result.messages << message;
        result.valid = false;
    };

    const QString stripped = stripBlanks(text);
    if (stripped.size() < 12) {
        fail(QStringLiteral("El RFC no puede ser menor de 13"));
        return result; // Habilita is left alone
    }

    int blockStart = 1;
    if (stripped.size() == 12) {
        // Company RFC: typed after one leading blank.
        blockStart = 2;
        if (at(text, 1) != QLatin1String(" "))
            fail(QStringLiteral("El primer digito del RFC debe ser un espacio "));
    }

    for (int p = blockStart; p <= 4 && result.valid; ++p) {
        if (!isLetterBlockCharacter(at(text, p)))
            fail(QStringLiteral("El  %1 digito del RFC debe ser letra ").arg(p));
    }

    // A place of the date left blank is no digit, whatever the field let
    // through: " 1" is not month 1 nor "  " month 0.
    if (!twoDigits(at(text, 5, 2)))
        fail(QStringLiteral("El valor del a\u00f1o del RFC es incorrecto"));
    if (!twoDigits(at(text, 7, 2)) || numericValue(at(text, 7, 2)) > 12)
        fail(QStringLiteral("El valor del mes del RFC es incorrecto"));
    if (!twoDigits(at(text, 9, 2)) || numericValue(at(text, 9, 2)) > 31)
        fail(QStringLiteral("El valor del dia del RFC es incorrecto"));

    static const QStringList checkCharacters = {
        QStringLiteral("A"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
        QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
        QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")};
    if (!checkCharacters.contains(at(text, 13)))
        fail(QStringLiteral("El ultimo digito del RFC debe ser A \u00f3 del 0 al 9"));

    result.habilita = result.valid;
    return result;
}

std::optional<QChar> rfcCheckDigit(const QString &text)
{
    if (text.size() < 13)
        return std::nullopt;
    int sum = 0;
    for (int i = 0; i < 12; ++i) {
        const int value = checkValue(text[i]);
        if (value < 0)
            return std::nullopt;
        sum += value * (13 - i);
    }
    const int r = sum % 11;
    if (r == 0)
        return QLatin1Char('0');
    if (r == 1)
        return QLatin1Char('A'); // 11 - 1 is ten
    return QChar(char16_t(u'0' + 11 - r));
}

std::optional<QChar> rfcCheckDigitDisagreement(const QString &text)
{
    // The generic RFCs for the public at large and for foreigners.
    if (text == QLatin1String("XAXX010101000") || text == QLatin1String("XEXX010101000"))
        return std::nullopt;
    if (text.size() != 13 || !checkRfc(text).valid)
        return std::nullopt;
    const std::optional<QChar> expected = rfcCheckDigit(text);
    if (!expected || *expected == text[12])
        return std::nullopt;
    return expected;
}

QString rfcCheckDigitNote(QChar expected)
{
    return QStringLiteral("Revise el RFC: el d\u00edgito verificador no corresponde (deber\u00eda ser \u00ab%1\u00bb).")
        .arg(expected);
}

} // namespace korim::application
