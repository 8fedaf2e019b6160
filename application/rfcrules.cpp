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

} // namespace korim::application
