// The RFC field and its check, and the guard on the programme number.

#include "questionnaire/form1.h"

#include "application/solicitud.h"
#include "platform/messages.h"
#include "focuswatch.h"
#include "questionnaire/maskededit.h"
#include "application/rfcrules.h"
#include "application/rules.h"

#include <QLineEdit>
#include <QPointer>

namespace korim::questionnaire {

using namespace korim::application;

namespace platform = korim::platform;

void Form1::connectRfcHandlers()
{
    // A typed blank needs nothing of ours: the masked field puts the blank at
    // the caret and moves on by itself. Queuing a Right arrow on top, as the
    // old field needed, would skip a place, and a company RFC (" ABC800101AB1")
    // could not be typed as it reads.
    FocusWatch::on(MaskEdBox1, application_)->gained([this] { rfcFocusGained(); }).lost([this] { rfcFocusLost(); });
    connect(MaskEdBox1, &QLineEdit::textChanged, this, [this] { MaskEdBox1_Change(); });
    FocusWatch::on(txtProg2, application_)->lost([this] { programmeNumberFocusLost(); });
}

void Form1::rfcFocusGained()
{
    // After the field's own handling of the focus and of the click that gave
    // it, so typing starts at the first place.
    QPointer<MaskedEdit> field = MaskEdBox1;
    QMetaObject::invokeMethod(
        this,
        [field] {
            if (field && field->hasFocus() && field->maskedText().trimmed().isEmpty())
                field->setSelection(0, 1);
        },
        Qt::QueuedConnection);
}

void Form1::rfcFocusLost()
{
    // The check's own boxes and its putting the focus back are no leave.
    if (rfcCheckDepth_ > 0)
        return;
    ValidaRFC();
}

void Form1::MaskEdBox1_Change()
{
    txtnombre1->setEnabled(true);
    txtApemat1->setEnabled(true);
}

void Form1::ValidaRFC()
{
    ++rfcCheckDepth_;
    struct Leave {
        int &depth;
        ~Leave() { --depth; }
    } leave{rfcCheckDepth_};

    const RfcCheck check = checkRfc(MaskEdBox1->maskedText());
    application_->RFCValido = check.valid;
    for (const QString &message : check.messages) {
        platform::MessageRequest box;
        box.text = message;
        box.buttons = platform::MsgButtons::Ok;
        box.icon = platform::MsgIcon::None;
        platform::showMessage(this, box);
        MaskEdBox1->setFocus(Qt::OtherFocusReason);
    }
    if (check.habilita)
        Habilita(*check.habilita);
    noteRfcCheckDigit();
}

void Form1::programmeNumberFocusLost()
{
    if (numericValue(txtProg2->text()) < 0) {
        txtProg2->setText(QStringLiteral("0"));
        txtProg2->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace korim::questionnaire
