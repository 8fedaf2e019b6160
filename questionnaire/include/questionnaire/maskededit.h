#pragma once
// The masked edit field: a QLineEdit with an input mask written in the old
// notation ("&&&&999999aaa", "####") and a prompt character. Its bound value is
// the whole display text, every position included (QLineEdit::text() drops the
// blanks, and a company RFC starts with one).

#include <QLineEdit>
#include <QString>

namespace korim::questionnaire {

class MaskedEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString maskedText READ maskedText WRITE setMaskedText USER true)
public:
    explicit MaskedEdit(QWidget *parent = nullptr);

    // "&" any character, "9" and "#" a digit, "a" a letter or digit; every
    // place optional. An empty mask makes it a plain field.
    void setMask(const QString &mask);
    // Both at once: each change re-lays the field out.
    void setMask(const QString &mask, QChar prompt);
    QString mask() const { return mask_; }
    void setPromptChar(QChar prompt);
    QChar promptChar() const { return prompt_; }

    // Every position, the prompt character where nothing was typed.
    QString maskedText() const;
    // Shows a stored value place by place: a character the place does not
    // accept becomes the prompt instead of sliding to a later place.
    void setMaskedText(const QString &value);
    // The typed characters only (no prompts).
    QString clipText() const { return text(); }

    static QString qtMask(const QString &mask, QChar prompt);
    static bool accepts(QChar place, QChar c);

    // Text put in at the caret (over the selection, which is cleared first):
    // it fills the places in order and stops at the first character its
    // place refuses; the caret ends after the last place filled. Paste, drop
    // and input-method text all come here.
    void insertPlaced(const QString &text);

protected:
    // Qt's mask moves a character its place refuses on to the next place
    // that takes it, leaving the skipped places blank; a refused key must
    // change nothing instead.
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Whether c may stand at place (0-based): what the mask takes there, or
    // the prompt character, which leaves the place empty.
    bool fits(int place, QChar c) const;
    void applyMask();
    QString mask_;
    QChar prompt_ = QLatin1Char(' ');
};

} // namespace korim::questionnaire
