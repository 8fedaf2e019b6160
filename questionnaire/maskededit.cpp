#include "questionnaire/maskededit.h"

namespace korim::questionnaire {

MaskedEdit::MaskedEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

QString MaskedEdit::qtMask(const QString &mask, QChar prompt)
{
    if (mask.isEmpty())
        return {};
    QString out;
    out.reserve(mask.size() + 2);
    for (QChar c : mask) {
        switch (c.unicode()) {
        case '&': out += QLatin1Char('x'); break;
        case '9':
        case '#': out += QLatin1Char('0'); break;
        case 'a': out += QLatin1Char('n'); break;
        default:
            // Literal characters are escaped so Qt does not read them as places.
            out += QLatin1Char('\\');
            out += c;
            break;
        }
    }
    out += QLatin1Char(';');
    out += prompt;
    return out;
}

bool MaskedEdit::accepts(QChar place, QChar c)
{
    switch (place.unicode()) {
    case '&': return !c.isSpace() && c.isPrint();
    case '9':
    case '#': return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    case 'a': return c.isLetterOrNumber();
    default: return c == place;
    }
}

void MaskedEdit::setMask(const QString &mask)
{
    mask_ = mask;
    applyMask();
}

void MaskedEdit::setMask(const QString &mask, QChar prompt)
{
    mask_ = mask;
    prompt_ = prompt;
    applyMask();
}

void MaskedEdit::setPromptChar(QChar prompt)
{
    prompt_ = prompt;
    applyMask();
}

void MaskedEdit::applyMask()
{
    setInputMask(qtMask(mask_, prompt_));
    if (!mask_.isEmpty())
        setMaxLength(mask_.size());
}

QString MaskedEdit::maskedText() const
{
    return mask_.isEmpty() ? text() : displayText();
}

void MaskedEdit::setMaskedText(const QString &value)
{
    if (mask_.isEmpty()) {
        setText(value);
        return;
    }
    // Qt slides a character that does not fit its place to the next place
    // that takes it, which would shift a stored RFC; keep places aligned.
    QString placed;
    placed.reserve(mask_.size());
    for (int i = 0; i < mask_.size(); ++i) {
        const QChar c = i < value.size() ? value.at(i) : prompt_;
        placed += (c != QLatin1Char(' ') && c != prompt_ && accepts(mask_.at(i), c)) ? c : prompt_;
    }
    setText(placed);
}

} // namespace korim::questionnaire
