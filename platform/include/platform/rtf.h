#pragma once
// Reader of rich-text (RTF 1.x) files into a QTextDocument, for documents
// written by word processors: paragraphs, line and page breaks, tabs and tab
// stops, bold, italic, underline, strike, raised and lowered text, font faces
// and sizes, colours, alignment, indents and spacing, lists (QTextList where
// the writer's marker can be drawn as such, else the writer's own marker
// text), tables (QTextTable, merged cells included), the Windows code pages,
// Unicode characters and the Symbol and Wingdings bullets. Pictures, field
// instructions, footnotes, comments, headers and footers, styles, document
// information and unknown destinations are skipped.
//
// Malformed input never crashes and never loops: it is either read as far as
// it makes sense or refused with a description. Nesting is followed with an
// explicit stack and capped, numbers are clamped, the time taken is linear in
// the size of the input.

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
