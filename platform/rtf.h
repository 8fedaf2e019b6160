#pragma once
// Reader of rich-text (RTF 1.x) files into a QTextDocument: paragraphs and
// line breaks, bold, italic, underline, font sizes and faces, paragraph
// alignment, indents and spacing, Windows-1252 and Unicode characters. Pictures, tables of
// colours and styles, document information and unknown destinations are
// skipped. Malformed input never crashes and never loops: it is either read
// as far as it makes sense or refused with a description.

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace korim::platform {

// Replaces the content of doc with the file's text. On failure doc is left
// as it was and *errorDescription (when given) holds a Spanish sentence
// naming the file.
bool loadRtfFile(const QString &path, QTextDocument *doc, QString *errorDescription);
bool loadRtf(const QByteArray &rtf, QTextDocument *doc, QString *errorDescription);

} // namespace korim::platform
