// The note beside the RFC field when its check digit disagrees: a hint that
// blocks nothing. It never takes the focus and leaves RFCValido, the save, the
// print and the diskette as they were.

#include "questionnaire/form1.h"

#include "application/rfcrules.h"
#include "questionnaire/maskededit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace korim::questionnaire {

namespace {

// A label of its own class, so that assistive technology sees an alert: a
// screen reader reads an alert out as it shows, wherever the focus is, and
// the note never takes the focus to be read.
class RfcNote : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

QAccessibleInterface *rfcNoteAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String(RfcNote::staticMetaObject.className()) && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::AlertMessage);
    return nullptr;
}

constexpr int kGap = 10;                 // from the field's right edge
const QColor kNoteColour(140, 70, 0);    // dark amber: reads as a caution, not an error

} // namespace

void Form1::buildRfcNote()
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(rfcNoteAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    auto *note = new RfcNote(this);
    note->setObjectName(QStringLiteral("lblAvisoRFC"));
    note->setFocusPolicy(Qt::NoFocus);
    note->setTextInteractionFlags(Qt::NoTextInteraction);
    note->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette p = note->palette();
    p.setColor(QPalette::WindowText, kNoteColour);
    note->setPalette(p);
    note->move(MaskEdBox1->geometry().right() + 1 + kGap, MaskEdBox1->y());
    note->hide();
    lblAvisoRFC = note;
    // The note speaks of the text that was checked; any change makes it stale.
    connect(MaskEdBox1, &QLineEdit::textChanged, note, &QWidget::hide);
}

void Form1::noteRfcCheckDigit()
{
    const std::optional<QChar> expected = application::rfcCheckDigitDisagreement(MaskEdBox1->maskedText());
    if (!expected) {
        lblAvisoRFC->hide();
        return;
    }
    const QString text = application::rfcCheckDigitNote(*expected);
    lblAvisoRFC->setText(text);
    lblAvisoRFC->setAccessibleName(text);
    lblAvisoRFC->resize(lblAvisoRFC->sizeHint().width(), MaskEdBox1->height());
    lblAvisoRFC->show();
}

} // namespace korim::questionnaire

#include "form1_rfcnote.moc"
