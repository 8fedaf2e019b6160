#pragma once
// The RFC's check digit: the last place computed from the first twelve. A
// hint about a mistyped RFC, never a reason to refuse one.

#include <QChar>
#include <QString>

#include <optional>

namespace korim::application {

// The digit the first 12 places of an RFC as the field holds it (13 places,
// a company's with its leading blank) call for: "0"-"9" or "A". None when
// the text is not 13 places long or a place holds a character the rule has
// no value for.
std::optional<QChar> rfcCheckDigit(const QString &rfc13);

// The generic RFCs of the public and of foreigners, which no check digit
// judges.
bool isGenericRfc(const QString &rfc13);

// A well-formed RFC whose last place is not the one its first twelve call
// for: the digit it should have; none when it agrees or the rule does not
// apply.
std::optional<QChar> rfcCheckDigitDisagrees(const QString &rfc13);

} // namespace korim::application
