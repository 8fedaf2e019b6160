// Start-up, tab switching and shut-down of the questionnaire window.

#include "questionnaire/form1.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "platform/messages.h"
#include "application/rules.h"
#include "questionnaire/cataloguelist.h"
#include "questionnaire/tabcontrol.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>

namespace korim::questionnaire {

using namespace korim::application;

using korim::data::DataError;
using korim::data::DataSource;
namespace platform = korim::platform;

namespace {

// The entries of a catalogue list, as the window made it.
CatalogueList *listEntries(QComboBox *list)
{
    return qobject_cast<CatalogueList *>(list->model());
}

} // namespace

void Form1::load()
{
    // 1 to 7. The current year, the catalogues, the years of the sales rows,
    // the products and the stored application, read by the application.
    application_->open(today_);
    // The catalogue lists, with their keys as item data.
    listEntries(Combo5)->setEntries(application_->offices());
    Combo5->setCurrentIndex(0);
    banks_->setEntries(application_->banks());
    bankShown_ = 0;
    if (QComboBox *banks = cmbBanco.made())
        banks->setCurrentIndex(0);
    listEntries(cmbActividad)->setEntries(application_->activities());
    cmbActividad->setCurrentIndex(0);
    // 8. The programme type.
    restoreProgrammeType();
    // 9. A new application, or the stored one opened for editing.
    Nuevo();
    loaded_ = true;
}

void Form1::recomputeTotals()
{
    TotalPersonal->setText(plainNumber(numericValue(NoEmpleados->text()) + numericValue(NoObreros->text())));
    TotalVentas->setText(plainNumber(numericValue(VentasPais->text()) + numericValue(VentasExterior->text())));
}

void Form1::tabChanged(int index)
{
    recomputeTotals();
    if (index == 2)
        restoreProgrammeType();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // A cell being edited in a grid goes to its table before anything else.
    if (QWidget *focused = QApplication::focusWidget()) {
        for (QAbstractItemView *grid : std::initializer_list<QAbstractItemView *>{
                 dbProductos.made(), dbgVTotales.made(), dbVentasTot.made()}) {
            if (grid && grid->isAncestorOf(focused))
                focused->clearFocus();
        }
    }
    // Ended from outside: what was typed is in the journal, and no one is
    // there to answer a question.
    if (!loaded_ || sessionEnding_) {
        event->accept();
        return;
    }
    try {
        const platform::MessageRequest question{QStringLiteral("Salvar los datos antes de salir?"),
                                                QStringLiteral("ATENCION"), platform::MsgButtons::YesNoCancel,
                                                platform::MsgIcon::None, platform::MsgAnswer::Yes};
        const int mode = application_->editMode();
        // A first application the clerk typed into is asked about as a
        // stored one is; untouched, it is dropped.
        const bool ask = mode == DataSource::EditInProgress
                         || (mode == DataSource::EditAdd && application_->hasPending());
        if (ask) {
            switch (platform::showMessage(this, question)) {
            case platform::MsgAnswer::Yes:
                application_->saveRecord();
                break;
            case platform::MsgAnswer::No:
                application_->dropChanges();
                break;
            default:
                event->ignore();
                return;
            }
        } else if (mode == DataSource::EditAdd) {
            application_->closePendingAddition();
        }
    } catch (const DataError &e) {
        // Nothing typed is dropped silently: the clerk decides.
        platform::MessageRequest failed;
        failed.text = QStringLiteral("No se pudieron guardar los datos:\r%1\r\r¿Salir sin guardarlos?")
                          .arg(e.description());
        failed.buttons = platform::MsgButtons::YesNo;
        failed.icon = platform::MsgIcon::Critical;
        failed.defaultAnswer = platform::MsgAnswer::No;
        if (platform::showMessage(this, failed) != platform::MsgAnswer::Yes) {
            event->ignore();
            return;
        }
        try {
            application_->dropChanges(true);
        } catch (const DataError &) {
        }
    }
    event->accept();
}

} // namespace korim::questionnaire
