#pragma once
// Rules of the questionnaire kept as plain functions, testable without widgets.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace korim::application {

// Numeric value of a text: its leading decimal number, blanks skipped, a
// leading minus allowed, 0 when there is none ("12abc" -> 12, "" -> 0).
// An exponent is taken only when digits follow it ("2e+06" -> 2000000,
// "12E" -> 12), so numbers Qt prints in scientific form read back whole.
// Never returns infinity or NaN: an overlong number gives the largest double.
double numericValue(const QString &text);

// The same for a stored value: a number as it is, a text by the rule above,
// nothing (or a value that is no number) as 0.
double numericValueOf(const QVariant &value);

// A number written back into a text field: plain decimal notation without
// grouping and without trailing zeros ("15", "12.5"), rounded to 15
// significant digits (0.1 + 0.2 -> "0.3"), never in exponent form; -0 and
// non-finite values give "0".
QString plainNumber(double value);

// The one digit filter of the numeric fields and grids: returns the character
// code when it is a digit, "." (46), Backspace (8), Tab (9) or Escape (27),
// else 0 (the key is discarded).
int SoloNumeros(int keyAscii);

// Formats value with a numeric picture such as "###,###,###,###.00":
// a "," in the integer part groups thousands with the locale's separator,
// each "0" before the point is a digit always shown ("#" only when
// significant, so 0.5 with "###.00" gives ".50"), and every "0" or "#" after
// the point is one decimal, always shown. Rounds half away from zero; a
// figure that rounds to zero has no sign.
QString formatWithPattern(double value, const QString &pattern, const QLocale &locale);

// One amount column of the printed application: the value formatted with
// "###,###,###.#0" after width - 2 blanks, of which the last 16 characters
// are printed (the sales tables give 30: right-aligned in 16). A null value
// prints as blanks; other values count by numericValueOf. A figure wider than
// 16 characters is returned whole rather than losing its leading digits.
QString reportAmount(const QVariant &value, const QLocale &locale, int width = 30);

} // namespace korim::application
