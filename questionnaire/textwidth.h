#pragma once
// Width of a one-line text from per-character advances remembered per face.
// Laying a whole text out to measure it (what QLabel and QFontMetrics do)
// costs about a hundred times more, and the window measures some hundred
// captions while it is built. Kerning is left out, so the answer is never
// narrower than the text as drawn, give or take a pixel: callers add one.

#include <QFont>
#include <QStringView>

namespace korim::questionnaire {

int plainTextWidth(const QFont &font, QStringView text);

// Lines a word-wrapped caption takes in the given width, breaking only
// between words as Qt does; 0 when a single word is wider than the width.
int wrappedLines(const QFont &font, QStringView text, int width);

} // namespace korim::questionnaire
