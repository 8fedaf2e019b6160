#include "questionnaire/textwidth.h"

#include <QFontMetricsF>
#include <QList>
#include <QString>

#include <array>
#include <cmath>
#include <map>

namespace korim::questionnaire {

namespace {

// Advances of the Latin-1 characters of one face, filled as they are met.
struct FaceAdvances {
    QFontMetricsF metrics;
    std::array<qreal, 256> latin;
    explicit FaceAdvances(const QFont &font)
        : metrics(font)
    {
        latin.fill(-1);
    }
    qreal advance(QChar c)
    {
        if (c.unicode() >= latin.size())
            return metrics.horizontalAdvance(c);
        qreal &known = latin[c.unicode()];
        if (known < 0)
            known = metrics.horizontalAdvance(c);
        return known;
    }
};

FaceAdvances &facesFor(const QFont &font)
{
    // A handful of faces at most; kept for the program's life.
    static std::map<QString, FaceAdvances> faces;
    return faces.try_emplace(font.key(), font).first->second;
}

qreal exactWidth(FaceAdvances &face, QStringView text)
{
    qreal sum = 0;
    for (QChar c : text)
        sum += face.advance(c);
    return sum;
}

} // namespace

int plainTextWidth(const QFont &font, QStringView text)
{
    return int(std::ceil(exactWidth(facesFor(font), text)));
}

int wrappedLines(const QFont &font, QStringView text, int width)
{
    FaceAdvances &face = facesFor(font);
    const qreal space = face.advance(QLatin1Char(' '));
    int lines = 0;
    qreal line = -1; // width of the current line; -1 before its first word
    for (QStringView word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qreal w = exactWidth(face, word);
        if (w > width)
            return 0;
        if (line >= 0 && line + space + w <= width) {
            line += space + w;
        } else {
            ++lines;
            line = w;
        }
    }
    return qMax(lines, 1);
}

} // namespace korim::questionnaire
