// Nuevo: the application record is always open after it, either a pending new
// record (empty table; the window is locked) or the stored one opened for
// editing with its choices shown in the lists.

#include "questionnaire/form1.h"

#include "application/solicitud.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QComboBox>

#include <exception>

namespace korim::questionnaire {

void Form1::Nuevo()
{
    // The first failing step ends the routine quietly; what was done stays.
    try {
        SSTab1->setCurrentIndex(0);
        const application::Opened opened = application_->Nuevo();
        if (opened.added) {
            Habilita(false);
            Combo1->setCurrentIndex(0);
            Combo1->setCurrentIndex(0);
            cmbActividad->setCurrentIndex(0);
            Combo5->setCurrentIndex(-1);
            // The bank list has no handler of its own: if it is not made yet
            // it shows this entry when it is.
            if (QComboBox *banks = cmbBanco.made())
                banks->setCurrentIndex(0);
            else
                bankShown_ = 0;
        } else {
            busca(Combo1, opened.procedure);
            busca(cmbActividad, opened.activityPlace);
            busca(Combo5, opened.office);
            if (QComboBox *banks = cmbBanco.made())
                busca(banks, opened.bank);
            else
                bankShown_ = application::buscaPlace(application_->banks(), opened.bank);
            txtnummaquila->setMaskedText(opened.numMaquila);
            txtanomaquila->setMaskedText(opened.anioMaquila);
            noteRfcCheckDigit();
        }
    } catch (const std::exception &) {
    }
}

} // namespace korim::questionnaire
