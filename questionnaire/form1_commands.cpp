// The toolbar commands: save, edit, cancel, erase, the required-data check
// before printing, and "Borrar Registro" of the products tab.

#include "questionnaire/form1.h"

#include "application/rules.h"
#include "application/solicitud.h"
#include "data/datasource.h"
#include "platform/messages.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <exception>

namespace korim::questionnaire {

using namespace korim::application;

using korim::data::DataError;
namespace platform = korim::platform;

namespace {

constexpr int kTabRepresentante = 1;
constexpr int kTabDevolucionIva = 6;
const QString kRfcMask = QLatin1String(korim::application::schema::datoprov::RfcMask);

void tell(QWidget *parent, const QString &text, platform::MsgIcon icon = platform::MsgIcon::None)
{
    platform::MessageRequest box;
    box.text = text;
    box.buttons = platform::MsgButtons::Ok;
    box.icon = icon;
    platform::showMessage(parent, box);
}

// A failure of the tables during a command: what was being done, and the
// engine's own sentence (it names the file).
void reportFailure(QWidget *parent, int Index, const QString &description)
{
    QString what;
    switch (Index) {
    case 0: what = QStringLiteral("No se pudo borrar la solicitud."); break;
    case 1:
        what = QStringLiteral("No se pudieron grabar los datos; lo capturado sigue en pantalla y no se ha perdido.");
        break;
    case 6: what = QStringLiteral("No se pudo abrir la solicitud para editarla."); break;
    default: what = QStringLiteral("No se pudo completar la operación."); break;
    }
    tell(parent, what + QStringLiteral("\r\r") + description, platform::MsgIcon::Critical);
}

qlonglong keyOf(const QComboBox *list, int index)
{
    return list->itemData(index).toLongLong();
}

} // namespace

void Form1::connectCommandHandlers()
{
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void Form1::Command1_Click(int Index)
{
    // The hourglass while a command runs, the normal pointer again on every
    // way out.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestorePointer {
        ~RestorePointer() { QApplication::restoreOverrideCursor(); }
    } restore;
    emit commandRun(Index);
    try {
        switch (Index) {
        case 0:
            BorraRegistros();
            break;
        case 1:
            GrabaDatos();
            break;
        case 2:
            GeneraDisco();
            break;
        case 5:
            CancelaCambios();
            break;
        case 6:
            EditaDatos();
            break;
        case 7:
            if (DatosRequeridos() == 0)
                emit printWindowRequested();
            break;
        case 4:
            emit helpRequested();
            break;
        case 9:
            emit aboutRequested();
            break;
        default:
            // 8 carries no command.
            break;
        }
    } catch (const DataError &e) {
        reportFailure(this, Index, e.description());
    } catch (const std::exception &e) {
        reportFailure(this, Index, QString::fromLocal8Bit(e.what()));
    }
}

bool Form1::saveListsChosen()
{
    // Start-up and erase choose an entry in both; a list with none would
    // store a code that names nothing.
    if (Combo1->currentIndex() < 0) {
        tell(this, QStringLiteral("Elija el tipo de trámite de la solicitud."));
        Combo1->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (chosenBankEntry() < 0) {
        const QString typed = cmbBanco->currentText().trimmed();
        SSTab1->setCurrentIndex(kTabDevolucionIva);
        tell(this, typed.isEmpty()
                       ? QStringLiteral("Elija de la lista el banco de la cuenta para la devolución de IVA.")
                       : QStringLiteral("El banco «%1» no está en la lista. Elija de la lista el banco de la "
                                        "cuenta para la devolución de IVA.")
                             .arg(typed));
        cmbBanco->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

void Form1::GrabaDatos()
{
    ValidaRFC();
    if (!application_->RFCValido)
        return;
    if (Combo5->currentIndex() < 0) {
        tell(this, QStringLiteral("Capture la admon. local del proveedor"));
        SSTab1->setCurrentIndex(kTabRepresentante);
        return;
    }
    if (!saveListsChosen())
        return;

    application::Choices choices;
    choices.procedure = keyOf(Combo1, Combo1->currentIndex());
    choices.office = keyOf(Combo5, Combo5->currentIndex());
    choices.programmeType = numericValue(TipoProg->text());
    choices.activityPlace = cmbActividad->currentIndex();
    // A bank name typed as the catalogue has it counts as choosing it.
    const int bank = chosenBankEntry();
    if (bank != cmbBanco->currentIndex())
        cmbBanco->setCurrentIndex(bank);
    choices.bank = keyOf(cmbBanco, bank);
    application_->GrabaDatos(choices);
    Command1[5]->setEnabled(true);
}

void Form1::EditaDatos()
{
    if (application_->EditaDatos()) {
        Command1[4]->setEnabled(true);
        Habilita(true);
        MaskEdBox1_Change();
    }
    Command1[6]->setEnabled(false);
}

void Form1::CancelaCambios()
{
    const int procedure = Combo1->currentIndex();
    if (procedure != 0 && procedure != 1)
        return;
    Command1[6]->setEnabled(true);
    Command1[4]->setEnabled(false);
    Habilita(false);
}

void Form1::writeOfficeActivityBank()
{
    application_->writeListKeys(keyOf(Combo5, Combo5->currentIndex()), cmbActividad->currentIndex(),
                                keyOf(cmbBanco, cmbBanco->currentIndex()));
}

// What Nuevo leaves as it was: the maquila fields, the RFC, the options and
// lists, the edit button and the tab.
void Form1::clearAfterErase()
{
    txtnummaquila->setText(QString());
    txtanomaquila->setText(QString());
    MaskEdBox1->setMask(QString());
    MaskEdBox1->setText(QString());
    MaskEdBox1->setMask(kRfcMask);

    uncheckProgrammeOptions();
    Combo5->setCurrentIndex(0);
    Combo1->setCurrentIndex(0);
    cmbActividad->setCurrentIndex(0);
    cmbBanco->setCurrentIndex(0);
    Command1[6]->setEnabled(true);
    SSTab1->setCurrentIndex(0);
}

void Form1::BorraRegistros()
{
    if (application_->atEnd())
        return;
    const platform::MessageRequest question{QStringLiteral("Con esta Acción borrar toda su solicitud"),
                                            QStringLiteral("ATENCION"), platform::MsgButtons::YesNo,
                                            platform::MsgIcon::None, platform::MsgAnswer::Yes};
    if (platform::showMessage(this, question) != platform::MsgAnswer::Yes)
        return;

    // Whatever fails after the application is deleted, the window must still
    // end on a new application the clerk can type and save; the first
    // failure is told at the end.
    const QString failed = application_->BorraRegistros();
    Nuevo();
    clearAfterErase();
    writeOfficeActivityBank();
    application_->addNew();
    if (!failed.isEmpty())
        reportFailure(this, 0, failed);
}

void Form1::Command2_Click()
{
    try {
        application_->deleteCurrentProduct();
    } catch (const DataError &e) {
        tell(this, QStringLiteral("No se pudo borrar el producto.\r\r") + e.description(), platform::MsgIcon::Critical);
    }
}

} // namespace korim::questionnaire
