#include "questionnaire/maskededit.h"

#include "application/mask.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace korim::questionnaire {

using korim::application::maskAccepts;
using korim::application::placeInMask;

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
    return maskAccepts(place, c);
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
    const QString placed = placeInMask(mask_, prompt_, value);
    setText(placed);
}

bool MaskedEdit::fits(int place, QChar c) const
{
    if (place < 0 || place >= mask_.size())
        return false;
    return c == prompt_ || accepts(mask_.at(place), c);
}

void MaskedEdit::insertPlaced(const QString &text)
{
    if (mask_.isEmpty()) {
        insert(text);
        return;
    }
    if (isReadOnly())
        return;
    QString shown = maskedText();
    const int from = hasSelectedText() ? selectionStart() : cursorPosition();
    int place = from;
    for (QChar c : text) {
        if (!fits(place, c))
            break;
        ++place;
    }
    if (place == from)
        return; // nothing fits: nothing changes, the caret stays
    if (hasSelectedText()) {
        const int end = qMin(int(shown.size()), selectionStart() + int(selectedText().size()));
        for (int i = selectionStart(); i < end; ++i)
            shown[i] = prompt_;
    }
    for (int i = from; i < place; ++i)
        shown[i] = text.at(i - from);
    setMaskedText(shown);
    setCursorPosition(place);
}

void MaskedEdit::keyPressEvent(QKeyEvent *event)
{
    if (!mask_.isEmpty() && !isReadOnly()) {
        if (event->matches(QKeySequence::Paste)) {
            insertPlaced(QGuiApplication::clipboard()->text());
            event->accept();
            return;
        }
        const QString typed = event->text();
        const Qt::KeyboardModifiers m = event->modifiers();
        const bool shortcut = (m & (Qt::ControlModifier | Qt::MetaModifier))
                              && !((m & Qt::ControlModifier) && (m & Qt::AltModifier));
        if (!shortcut && typed.size() == 1 && typed.at(0).isPrint()) {
            const int place = hasSelectedText() ? selectionStart() : cursorPosition();
            if (!fits(place, typed.at(0))) {
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void MaskedEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (!mask_.isEmpty() && !event->commitString().isEmpty()) {
        insertPlaced(event->commitString());
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void MaskedEdit::dropEvent(QDropEvent *event)
{
    if (mask_.isEmpty() || !event->mimeData()->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    insertPlaced(event->mimeData()->text());
    event->acceptProposedAction();
}

void MaskedEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the selection of other programs.
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!mask_.isEmpty() && event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        deselect();
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        insertPlaced(clipboard->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void MaskedEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!mask_.isEmpty()) {
        // The menu's paste action is the one wired to QLineEdit::paste (by
        // name in this Qt).
        for (QAction *action : menu->actions()) {
            const bool wired = disconnect(action, &QAction::triggered, this, &QLineEdit::paste)
                               || disconnect(action, SIGNAL(triggered()), this, SLOT(paste()));
            if (wired) {
                connect(action, &QAction::triggered, this,
                        [this] { insertPlaced(QGuiApplication::clipboard()->text()); });
            }
        }
    }
    menu->popup(event->globalPos());
}

} // namespace korim::questionnaire
