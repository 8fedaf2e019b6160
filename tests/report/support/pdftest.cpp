#include "report/support/pdftest.h"

#include <QProcess>
#include <QRegularExpression>

namespace korim::test {

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

QString pdfText(const QString &file)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
}

QStringList pdfPages(const QString &file)
{
    QStringList pages = pdfText(file).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

int firstPageWith(const QStringList &pages, const QString &text)
{
    for (int i = 0; i < pages.size(); ++i) {
        if (pages[i].contains(text))
            return i;
    }
    return -1;
}

QStringList pdfFonts(const QString &file)
{
    // name type encoding emb sub uni object ID
    QStringList fonts;
    const QStringList lines = run(QStringLiteral("pdffonts"), {file}).split(QLatin1Char('\n'));
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (cols.size() >= 7)
            fonts.append(cols.first() + QLatin1Char(' ') + cols[cols.size() - 5]);
    }
    return fonts;
}

QSizeF pdfPageSize(const QString &file)
{
    const QString info = run(QStringLiteral("pdfinfo"), {file});
    const QRegularExpression size(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"));
    const auto m = size.match(info);
    if (!m.hasMatch())
        return {};
    return {m.captured(1).toDouble(), m.captured(2).toDouble()};
}

QString pdfInfo(const QString &file, const QString &key)
{
    // UTF-8 whatever the locale, so that accents and blanks come back as set.
    const QStringList lines =
        run(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file}).split(QLatin1Char('\n'));
    const QString prefix = key + QLatin1Char(':');
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    }
    return {};
}

} // namespace korim::test
