#pragma once
// Reading PDF files back with poppler-utils, the independent reader.

#include <QSizeF>
#include <QString>
#include <QStringList>

namespace korim::test {

// pdftotext -layout; pages are separated by form feeds.
QString pdfText(const QString &file);
QStringList pdfPages(const QString &file);
int firstPageWith(const QStringList &pages, const QString &text);
// pdffonts: one entry per font, "name emb" where emb is yes or no.
QStringList pdfFonts(const QString &file);
// pdfinfo: size of page 1 in points.
QSizeF pdfPageSize(const QString &file);
// pdfinfo: one entry of the document's information ("Title", "Creator",
// "Pages"), empty when it has none.
QString pdfInfo(const QString &file, const QString &key);

} // namespace korim::test
