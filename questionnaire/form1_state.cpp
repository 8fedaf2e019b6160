// Editing state (Habilita), programme type, procedure type and the reaction
// to a move of the application's data source.

#include "questionnaire/form1.h"

#include "application/solicitud.h"

#include "data/datasource.h"
#include "questionnaire/keyorder.h"
#include "questionnaire/tabcontrol.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextEdit>

namespace korim::questionnaire {

using korim::data::DataSource;

namespace {

constexpr int kTabVentasTotales = 4;
constexpr int kTabExportadoresIndirectos = 5;

// The export requirement of each programme type.
const char *const kRequisitoDirecto =
    "Se deberá demostrar exportaciones directas por un valor equivalente al 40% de sus ventas totales en el "
    "ejercicio fiscal anterior o por 2 millones de dólares";
const char *const kRequisitoIndirecto =
    "Se deberá demostrar exportaciones indirectas equivalentes al 50% de sus ventas totales en el ejercicio "
    "fiscal anterior";
const char *const kRequisitoAmbos =
    "Se deberá demostrar exportaciones directas por un valor equivalente al 40% de sus ventas totales en el "
    "ejercicio fiscal anterior o por 2 millones de dólares, sumando los dos tipos de exportación. Para tal "
    "efecto la Secretaría de Zentoria considerá únicamente el 80% del valor de las exportaciones indirectas "
    "registradas por la empresa";

} // namespace

void Form1::connectStateHandlers()
{
    connect(optTipoPrograma, &QButtonGroup::idToggled, this, [this](int code, bool checked) {
        if (checked)
            optionClicked(code);
    });
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form1::procedureTypeChosen);
    // The list chose its first entry when it was filled, before anyone listened.
    procedureTypeChosen(Combo1->currentIndex());
    connect(SSTab1, &QTabWidget::currentChanged, this, &Form1::tabChanged);
    connect(application_->dtsDatoProv(), &DataSource::aboutToMove, this, &Form1::applicationAboutToMove);
}

void Form1::Habilita(bool enabled)
{
    // Tabs made later follow it as they are made.
    stretchEnabled_ = enabled;
    setStretchEnabled(this, enabled);
}

void Form1::tipoprograma()
{
    int code = 0;
    if (chkProdFinal->isChecked())
        code += 1;
    if (chkrodIndirecto->isChecked())
        code += 2;
    if (chkAbastecedor->isChecked())
        code += 4;
    TipoProg->setText(QString::number(code));
}

void Form1::optionClicked(int code)
{
    tipoprograma();
    switch (code) {
    case 1:
        SSTab1->setTabEnabled(kTabVentasTotales, true);
        SSTab1->setTabEnabled(kTabExportadoresIndirectos, false);
        RichTextBox1->setPlainText(QString::fromUtf8(kRequisitoDirecto));
        break;
    case 2:
        SSTab1->setTabEnabled(kTabExportadoresIndirectos, true);
        SSTab1->setTabEnabled(kTabVentasTotales, false);
        RichTextBox2->setPlainText(QString::fromUtf8(kRequisitoIndirecto));
        break;
    case 4:
        SSTab1->setTabEnabled(kTabExportadoresIndirectos, true);
        SSTab1->setTabEnabled(kTabVentasTotales, true);
        RichTextBox1->setPlainText(QString::fromUtf8(kRequisitoAmbos));
        RichTextBox2->setPlainText(QString::fromUtf8(kRequisitoAmbos));
        break;
    default:
        break;
    }
}

void Form1::restoreProgrammeType()
{
    const QString code = TipoProg->text();
    QRadioButton *option = nullptr;
    int id = 0;
    if (code == QLatin1String("1")) {
        option = chkProdFinal;
        id = 1;
    } else if (code == QLatin1String("2")) {
        option = chkrodIndirecto;
        id = 2;
    } else if (code == QLatin1String("4")) {
        option = chkAbastecedor;
        id = 4;
    }
    if (!option)
        return;
    // Selecting runs the option's steps; an option already selected runs them too.
    if (option->isChecked())
        optionClicked(id);
    else
        option->setChecked(true);
}

void Form1::uncheckProgrammeOptions()
{
    optTipoPrograma->setExclusive(false);
    for (QAbstractButton *option : optTipoPrograma->buttons())
        option->setChecked(false);
    optTipoPrograma->setExclusive(true);
}

void Form1::procedureTypeChosen(int index)
{
    // Only a procedure other than a new programme asks for the registration.
    if (index < 0)
        return;
    txtProg1->setEnabled(index != 0);
    txtProg2->setEnabled(index != 0);
}

void Form1::applicationAboutToMove(int action)
{
    if (action >= DataSource::MoveFirstAction && action <= DataSource::MoveLastAction)
        Command1_Click(5);
}

} // namespace korim::questionnaire
