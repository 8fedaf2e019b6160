#include "questionnaire/keypipeline.h"

#include "data/dbf.h"
#include "application/rules.h"

#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QValidator>

namespace korim::questionnaire {

using namespace korim::application;

namespace {

const char *const kModeProperty = "korimKeyMode";
const char *const kNormaliserProperty = "korimKeyNormaliser";
// Set while a stored value is being put into the field.
const char *const kStoredProperty = "korimShowingStored";

// Filters by widget; QObject properties cannot hold a std::function.
QHash<const QObject *, KeyFilter> &filters()
{
    static QHash<const QObject *, KeyFilter> table;
    return table;
}

// Characters a field's key filter sees: printable ones and the few control
// characters a key press carries (Backspace, Tab, Enter, Escape). Navigation
// keys carry none of these and pass untouched.
bool isFilteredCharacter(int code)
{
    return (code >= 32 && code != 127) || code == 8 || code == 9 || code == 13 || code == 27;
}

// The key of a control character a filter may return in place of another
// (Tab for Enter in the sales grids); 0 for any other code.
int controlKey(int code)
{
    switch (code) {
    case 8: return Qt::Key_Backspace;
    case 9: return Qt::Key_Tab;
    case 13: return Qt::Key_Return;
    case 27: return Qt::Key_Escape;
    default: return 0;
    }
}

bool isPrintable(int code)
{
    return code >= 32 && code != 127;
}

bool representable(QChar c)
{
    return korim::data::representableInWindows1252(QString(c));
}

// The platform's upper-casing of one character; a capital the tables cannot
// store (the capital of the micro sign, for one) keeps the typed character.
QChar upper(QChar c)
{
    const QChar u = c.toUpper();
    return representable(u) ? u : c;
}

QChar lower(QChar c)
{
    const QChar l = c.toLower();
    return representable(l) ? l : c;
}

// Normalises what a change puts into a plain field, leaving what was there
// alone: a stored value keeps its case and signs until the clerk edits it,
// and then only the edited stretch follows the field's mode.
class ModeValidator : public QValidator {
public:
    explicit ModeValidator(QLineEdit *edit)
        : QValidator(edit)
        , edit_(edit)
    {
    }

    State validate(QString &input, int &pos) const override
    {
        const QString before = last_;
        last_ = input;
        const KeyMode mode = KeyPipeline::modeOf(edit_);
        if (mode == KeyMode::Untouched || edit_->property(kStoredProperty).toBool())
            return Acceptable;
        // The stretch that changed: what lies between the common start and
        // the common end of the text before and after.
        const qsizetype shorter = qMin(before.size(), input.size());
        qsizetype head = 0;
        while (head < shorter && before.at(head) == input.at(head))
            ++head;
        // Text put in ends at the caret: "aa" with "a" pasted in front is
        // "aaa" too, and the new "a" is the first one.
        const qsizetype grown = input.size() - before.size();
        if (grown > 0 && pos - grown >= 0)
            head = qMin(head, qsizetype(pos) - grown);
        qsizetype tail = 0;
        while (tail < shorter - head && before.at(before.size() - 1 - tail) == input.at(input.size() - 1 - tail))
            ++tail;
        const QString changed = input.mid(head, input.size() - head - tail);
        if (changed.isEmpty())
            return Acceptable;
        QString fixed;
        if (!edit_->inputMask().isEmpty()) {
            // The mask already decides which characters fit where; only the
            // case changes, so no place moves.
            fixed = changed;
            for (QChar &c : fixed) {
                if (!representable(c))
                    c = QLatin1Char(' ');
                else if (mode == KeyMode::Lower)
                    c = lower(c);
                else
                    c = upper(c);
            }
        } else {
            fixed = KeyPipeline::normalise(changed, mode);
        }
        if (fixed == changed)
            return Acceptable;
        if (pos > head) {
            if (pos >= input.size() - tail)
                pos += int(fixed.size() - changed.size());
            else if (edit_->inputMask().isEmpty())
                pos = int(head + KeyPipeline::normalise(changed.left(pos - head), mode).size());
        }
        input = input.left(head) + fixed + input.right(tail);
        pos = qMin(pos, int(input.size()));
        last_ = input;
        return Acceptable;
    }

private:
    QLineEdit *edit_;
    // The text as the last change left it.
    mutable QString last_;
};

} // namespace

void KeyPipeline::showStored(QWidget *field, const std::function<void()> &put)
{
    const QVariant before = field->property(kStoredProperty);
    field->setProperty(kStoredProperty, true);
    struct Restore {
        QWidget *field;
        QVariant before;
        ~Restore() { field->setProperty(kStoredProperty, before); }
    } restore{field, before};
    put();
}

KeyPipeline::KeyPipeline()
{
    qApp->installEventFilter(this);
}

KeyPipeline &KeyPipeline::instance()
{
    // Owned by the application object, so it goes with it.
    static QPointer<KeyPipeline> pipeline;
    if (!pipeline) {
        pipeline = new KeyPipeline;
        pipeline->setParent(qApp);
    }
    return *pipeline;
}

void KeyPipeline::addWindow(QWidget *window)
{
    if (!window || windows_.contains(window))
        return;
    windows_.insert(window);
    connect(window, &QObject::destroyed, this, [this, window] { windows_.remove(window); });
    // Fields that already exist get their paste normalisation now; the
    // rest (cell editors) when they are polished.
    for (QLineEdit *edit : window->findChildren<QLineEdit *>())
        attachNormaliser(edit, false);
}

void KeyPipeline::removeWindow(QWidget *window)
{
    windows_.remove(window);
}

bool KeyPipeline::handles(const QWidget *widget) const
{
    return widget && windows_.contains(widget->window());
}

void KeyPipeline::setMode(QWidget *field, KeyMode mode)
{
    field->setProperty(kModeProperty, int(mode));
    if (auto *combo = qobject_cast<QComboBox *>(field)) {
        if (combo->lineEdit())
            attachNormaliser(combo->lineEdit(), false);
    } else if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        attachNormaliser(edit, true);
    }
}

void KeyPipeline::setKeyFilter(QWidget *field, KeyFilter filter)
{
    if (!filter) {
        filters().remove(field);
        return;
    }
    const bool known = filters().contains(field);
    filters().insert(field, std::move(filter));
    if (!known)
        QObject::connect(field, &QObject::destroyed, [field] { filters().remove(field); });
}

KeyMode KeyPipeline::modeOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        const QVariant v = w->property(kModeProperty);
        if (v.isValid())
            return KeyMode(v.toInt());
    }
    return KeyMode::Upper;
}

KeyFilter KeyPipeline::keyFilterOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        auto it = filters().constFind(w);
        if (it != filters().constEnd())
            return it.value();
    }
    return {};
}

int KeyPipeline::processKey(const QWidget *widget, int keyAscii)
{
    int code = keyAscii;
    const KeyMode mode = modeOf(widget);
    if (mode != KeyMode::Untouched && code > 0 && code <= 0xFFFF) {
        if (isPrintable(code)) {
            const QChar c{char16_t(code)};
            code = (mode == KeyMode::Lower ? lower(upper(c)) : upper(c)).unicode();
            // A character the tables cannot store would only fail the save.
            if (!representable(QChar(char16_t(code))))
                code = 0;
        }
        if (mode == KeyMode::Digits && code)
            code = SoloNumeros(code);
    }
    if (code) {
        if (const KeyFilter filter = keyFilterOf(widget))
            code = filter(code);
    }
    return code;
}

QString KeyPipeline::normalise(const QString &text, KeyMode mode)
{
    if (mode == KeyMode::Untouched)
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!isPrintable(c.unicode()) || !representable(c))
            continue;
        switch (mode) {
        case KeyMode::Upper: out += upper(c); break;
        case KeyMode::Lower: out += lower(c); break;
        case KeyMode::Digits:
            if (SoloNumeros(c.unicode()))
                out += c;
            break;
        case KeyMode::Untouched: break;
        }
    }
    return out;
}

void KeyPipeline::attachNormaliser(QLineEdit *edit, bool useValidator)
{
    if (edit->property(kNormaliserProperty).toBool())
        return;
    edit->setProperty(kNormaliserProperty, true);
    if (useValidator && !edit->validator()) {
        edit->setValidator(new ModeValidator(edit));
        return;
    }
    // Only what the user did (typing, paste, drop): text set by code, such
    // as a list entry shown in an editable list, stays as it is.
    connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &typed) {
        const QString fixed = normalise(typed, modeOf(edit));
        if (fixed == typed)
            return;
        const int pos = edit->cursorPosition();
        const int after = int(typed.size()) - pos;
        edit->setText(fixed);
        edit->setCursorPosition(qMax(0, int(fixed.size()) - after));
    });
}

bool KeyPipeline::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::InputMethod && type != QEvent::Polish
        && type != QEvent::FocusIn)
        return false;
    if (delivering_.contains(event) || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (!handles(widget))
        return false;
    switch (type) {
    case QEvent::KeyPress:
        return rewriteKey(widget, static_cast<QKeyEvent *>(event));
    case QEvent::InputMethod:
        return rewriteCommit(widget, static_cast<QInputMethodEvent *>(event));
    default:
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            attachNormaliser(edit, false);
        return false;
    }
}

bool KeyPipeline::rewriteKey(QWidget *receiver, QKeyEvent *event)
{
    // Shortcuts (copy, paste, mnemonics) are not typing; Ctrl+Alt together
    // is AltGr on some systems, which types characters.
    const Qt::KeyboardModifiers m = event->modifiers();
    const bool altGr = (m & Qt::ControlModifier) && (m & Qt::AltModifier);
    if (!altGr && (m & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    bool any = false;
    QString out;
    for (QChar c : text) {
        if (!isFilteredCharacter(c.unicode())) {
            out += c;
            continue;
        }
        any = true;
        const int code = processKey(receiver, c.unicode());
        if (code > 0 && code <= 0xFFFF)
            out += QChar(char16_t(code));
    }
    if (!any)
        return false;
    if (out.isEmpty()) {
        event->accept();
        return true; // dropped
    }
    // A control character turned into another one is that other key: widgets
    // act on the key, not on its text.
    int key = event->key();
    if (text.size() == 1 && out.size() == 1 && out != text && controlKey(text.at(0).unicode())) {
        if (const int replaced = controlKey(out.at(0).unicode()))
            key = replaced;
    }
    // Delivered again even when unchanged, so a key that the receiver passes
    // on to its parent is not filtered a second time on the way.
    QKeyEvent copy(event->type(), key, event->modifiers(), event->nativeScanCode(),
                   event->nativeVirtualKey(), event->nativeModifiers(), out, event->isAutoRepeat(),
                   quint16(event->count()), event->device());
    delivering_.append(&copy);
    QCoreApplication::sendEvent(receiver, &copy);
    delivering_.removeLast();
    event->setAccepted(copy.isAccepted());
    return true;
}

bool KeyPipeline::rewriteCommit(QWidget *receiver, QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    if (commit.isEmpty())
        return false;
    QString out;
    for (QChar c : commit) {
        const int code = processKey(receiver, c.unicode());
        if (code > 0 && code <= 0xFFFF)
            out += QChar(char16_t(code));
    }
    QInputMethodEvent copy(event->preeditString(), event->attributes());
    copy.setCommitString(out, event->replacementStart(), event->replacementLength());
    delivering_.append(&copy);
    QCoreApplication::sendEvent(receiver, &copy);
    delivering_.removeLast();
    event->setAccepted(copy.isAccepted());
    return true;
}

} // namespace korim::questionnaire
