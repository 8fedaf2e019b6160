// The record sources the windows set: a table name or one of a few fixed
// select texts. Nothing else is a query language here.
#include "data/query.h"
#include "data/dbf.h"

#include <QLatin1String>
#include <QStringView>

namespace korim::data {

namespace {

bool identifierStart(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
           || c == QLatin1Char('_');
}

// End of the identifier starting at `at`, or `at` when there is none.
qsizetype identifierEnd(QStringView s, qsizetype at)
{
    if (at >= s.size() || !identifierStart(s[at]))
        return at;
    ++at;
    while (at < s.size() && (identifierStart(s[at]) || (s[at] >= QLatin1Char('0') && s[at] <= QLatin1Char('9'))))
        ++at;
    return at;
}

qsizetype digitsEnd(QStringView s, qsizetype at)
{
    while (at < s.size() && s[at] >= QLatin1Char('0') && s[at] <= QLatin1Char('9'))
        ++at;
    return at;
}

qsizetype blanksEnd(QStringView s, qsizetype at)
{
    while (at < s.size() && s[at] == QLatin1Char(' '))
        ++at;
    return at;
}

bool onlyBlanksFrom(QStringView s, qsizetype at)
{
    return blanksEnd(s, at) == s.size();
}

} // namespace

// Read by hand: the two patterns are fixed, and a regular expression costs
// its compilation at every start of the program.
RecordSource parseRecordSource(const QString &text)
{
    // Words are separated by one blank, as the program writes them; blanks
    // around "=" are optional and blanks at the end are allowed.
    const QStringView s(text);
    RecordSource source;
    const qsizetype nameEnd = identifierEnd(s, 0);
    if (nameEnd > 0 && onlyBlanksFrom(s, nameEnd)) {
        source.table = text.left(nameEnd);
        return source;
    }
    const QLatin1String select("select * from ");
    const QLatin1String where(" where ");
    if (s.startsWith(select, Qt::CaseInsensitive)) {
        const qsizetype tableAt = select.size();
        const qsizetype tableEnd = identifierEnd(s, tableAt);
        if (tableEnd > tableAt) {
            source.table = s.sliced(tableAt, tableEnd - tableAt).toString();
            if (onlyBlanksFrom(s, tableEnd))
                return source;
            if (s.sliced(tableEnd).startsWith(where, Qt::CaseInsensitive)) {
                const qsizetype fieldAt = tableEnd + where.size();
                const qsizetype fieldEnd = identifierEnd(s, fieldAt);
                qsizetype at = blanksEnd(s, fieldEnd);
                if (fieldEnd > fieldAt && at < s.size() && s[at] == QLatin1Char('=')) {
                    const qsizetype numberAt = blanksEnd(s, at + 1);
                    at = numberAt;
                    if (at < s.size() && s[at] == QLatin1Char('-'))
                        ++at;
                    qsizetype end = digitsEnd(s, at);
                    bool number = end > at;
                    if (number && end < s.size() && s[end] == QLatin1Char('.')) {
                        const qsizetype fractionEnd = digitsEnd(s, end + 1);
                        number = fractionEnd > end + 1;
                        end = fractionEnd;
                    }
                    if (number && onlyBlanksFrom(s, end)) {
                        source.filter = RecordSource::Filter{
                            s.sliced(fieldAt, fieldEnd - fieldAt).toString(),
                            s.sliced(numberAt, end - numberAt).toString().toDouble()};
                        return source;
                    }
                }
            }
        }
    }
    throw DbfError(QString(), QStringLiteral("No se reconoce el origen de registros «%1».").arg(text));
}

} // namespace korim::data
