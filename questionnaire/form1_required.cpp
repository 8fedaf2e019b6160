// The required-data check, the fields' keystroke filters and the running
// totals of personnel and sales.

#include "questionnaire/form1.h"

#include "application/solicitud.h"
#include "platform/messages.h"
#include "focuswatch.h"
#include "questionnaire/controltable.h"
#include "questionnaire/keypipeline.h"
#include "questionnaire/maskededit.h"
#include "application/requiredrules.h"
#include "application/rules.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace korim::questionnaire {

using namespace korim::application;

namespace platform = korim::platform;

void Form1::connectKeyFilters()
{
    // The plain fields got their modes from their table; the maquila fields
    // take digits, "." and the editing keys.
    for (QWidget *field : std::initializer_list<QWidget *>{txtnummaquila, txtanomaquila})
        KeyPipeline::setMode(field, KeyMode::Digits);
}

// The running totals of a tab made after start-up.
void Form1::connectTabTotals(int tab)
{
    if (tab != 2)
        return;
    auto personnel = [this] {
        TotalPersonal->setText(plainNumber(numericValue(NoEmpleados->text()) + numericValue(NoObreros->text())));
    };
    auto sales = [this] {
        TotalVentas->setText(plainNumber(numericValue(VentasPais->text()) + numericValue(VentasExterior->text())));
    };
    FocusWatch::on(NoEmpleados, application_)->lost(personnel);
    FocusWatch::on(NoObreros, application_)->lost(personnel);
    FocusWatch::on(VentasPais, application_)->lost(sales);
    FocusWatch::on(VentasExterior, application_)->lost(sales);
}

QList<QLineEdit *> Form1::requiredFields()
{
    // The order of the message; whether a field is required is its tag's
    // business.
    QList<QLineEdit *> required;
    for (const PlainField *row : requiredOrder()) {
        auto *field = control<QLineEdit>(QString::fromLatin1(row->name));
        if (field && field->property("tag").toString() == QLatin1String("1"))
            required << field;
    }
    return required;
}

int Form1::chosenBankEntry() const
{
    // The bank list takes typed text. A name typed that is in the list counts
    // as that bank (typing is upper-cased, the catalogue is not); one that is
    // not leaves the list on its old entry, which would name a bank the
    // clerk no longer sees.
    const int index = cmbBanco->currentIndex();
    if (!cmbBanco->isEditable())
        return index;
    const QString shown = cmbBanco->currentText().trimmed();
    if (index >= 0 && cmbBanco->itemText(index).trimmed().compare(shown, Qt::CaseInsensitive) == 0)
        return index;
    for (int i = 0; i < cmbBanco->count(); ++i) {
        if (cmbBanco->itemText(i).trimmed().compare(shown, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

short Form1::DatosRequeridos()
{
    ValidaRFC();

    QList<RequiredControl> controls;
    for (QLineEdit *field : requiredFields())
        controls << RequiredControl{field->property("tag").toString(), field->text(), field->toolTip()};
    RequiredFacts facts;
    facts.activitySelected = cmbActividad->currentIndex() >= 0;
    facts.activityToolTip = cmbActividad->toolTip();
    facts.bankSelected = chosenBankEntry() >= 0;
    facts.bankToolTip = cmbBanco->toolTip();
    facts.programmeTypeSet = chkProdFinal->isChecked() || chkrodIndirecto->isChecked() || chkAbastecedor->isChecked();
    facts.hasProducts = application_->hasProducts();

    const RequiredCheck check = requiredData(controls, facts);
    const short FaltanDatos = short(check.FaltanDatos);
    if (check.message) {
        platform::MessageRequest box;
        box.text = *check.message;
        box.title = kRequiredTitle;
        box.buttons = platform::MsgButtons::Ok;
        box.icon = platform::MsgIcon::Information;
        platform::showMessage(this, box);
    }
    return FaltanDatos;
}

} // namespace korim::questionnaire
