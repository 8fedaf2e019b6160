#pragma once
// The structural check of the RFC field, without the window: what it shows,
// what it concludes and what it asks of Habilita.

#include <QString>
#include <QStringList>

#include <optional>

namespace korim::application {

// The RFC field's input mask, in the masked edit's notation: the name's four
// places, the date's six digits, the three of the homoclave.
inline QString rfcMask()
{
    return QStringLiteral("&&&&999999aaa");
}

struct RfcCheck {
    QStringList messages;          // in the order they are shown; each moves the focus back
    bool valid = true;             // the new RFCValido
    std::optional<bool> habilita;  // argument of Habilita, or none when it is not called
};

// The decisions of ValidaRFC on the RFC field's text as the mask reads it
// (13 positions, blanks where nothing was typed); the window shows the
// messages, refocuses the field and calls Habilita. Positions past the end of
// a shorter text read as empty.
RfcCheck checkRfc(const QString &text);

// The check character that the first twelve places of text call for (13
// places, a company's RFC with its leading blank); none when text is shorter
// or one of those places has no value in the rule (lower case, accents).
std::optional<QChar> rfcCheckDigit(const QString &text);

// What the clerk is told when an RFC that passes checkRfc ends in another
// character than its first twelve places call for: the character it should
// end in. None when it agrees, when the structure fails, and for the generic
// RFCs, which follow no rule.
std::optional<QChar> rfcCheckDigitDisagreement(const QString &text);

// The note shown beside the field for that disagreement.
QString rfcCheckDigitNote(QChar expected);

} // namespace korim::application
