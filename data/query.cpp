// The record sources the windows set: a table name or one of a few fixed
// select texts. Nothing else is a query language here.
#include "data/query.h"
#include "data/dbf.h"

#include <QRegularExpression>

namespace korim::data {

RecordSource parseRecordSource(const QString &text)
{
    // Words are separated by one blank, as the program writes them; blanks
    // around "=" are optional and blanks at the end are allowed.
    static const QRegularExpression plain(QStringLiteral(R"(^([A-Za-z_][A-Za-z0-9_]*) *$)"));
    static const QRegularExpression select(
        QStringLiteral(R"(^select \* from ([A-Za-z_][A-Za-z0-9_]*)(?: where ([A-Za-z_][A-Za-z0-9_]*) *= *(-?[0-9]+(?:\.[0-9]+)?))? *$)"),
        QRegularExpression::CaseInsensitiveOption);

    RecordSource source;
    QRegularExpressionMatch m = plain.match(text);
    if (m.hasMatch()) {
        source.table = m.captured(1);
        return source;
    }
    m = select.match(text);
    if (m.hasMatch()) {
        source.table = m.captured(1);
        if (m.capturedLength(2) > 0)
            source.filter = RecordSource::Filter{m.captured(2), m.captured(3).toDouble()};
        return source;
    }
    throw DbfError(QString(), QStringLiteral("No se reconoce el origen de registros «%1».").arg(text));
}

} // namespace korim::data
