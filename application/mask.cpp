#include "application/mask.h"

namespace korim::application {

bool maskAccepts(QChar place, QChar c)
{
    switch (place.unicode()) {
    case '&': return !c.isSpace() && c.isPrint();
    case '9':
    case '#': return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    case 'a': return c.isLetterOrNumber();
    default: return c == place;
    }
}

QString placeInMask(const QString &mask, QChar prompt, const QString &value)
{
    QString placed;
    placed.reserve(mask.size());
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = i < value.size() ? value.at(i) : prompt;
        placed += (c != QLatin1Char(' ') && c != prompt && maskAccepts(mask.at(i), c)) ? c : prompt;
    }
    return placed;
}

} // namespace korim::application
