// Nuevo: the application record is always open after it, either a pending new
// record (empty table; the window is locked) or the stored one opened for
// editing with its choices shown in the lists.

#include "questionnaire/form1.h"

#include "data/datasource.h"
#include "questionnaire/maskededit.h"
#include "application/rules.h"
#include "questionnaire/tabcontrol.h"

#include <QComboBox>
#include <QStandardItemModel>

#include <exception>

namespace korim::questionnaire {

using namespace korim::application;

namespace {

// A maquila programme number or year: 0 and no value both mean none.
QString maquilaText(const QVariant &value)
{
    const double n = numericValueOf(value);
    return n == 0 ? QString() : plainNumber(n);
}

} // namespace

void Form1::Nuevo()
{
    // The first failing step ends the routine quietly; what was done stays.
    try {
        SSTab1->setCurrentIndex(0);
        if (dtsDatoProv->eof()) {
            dtsDatoProv->addNew();
            Habilita(false);
            Combo1->setCurrentIndex(0);
            dtsDatoProv->setValue(20, QStringLiteral("14"));
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
            dtsDatoProv->edit();
            busca(Combo1, dtsDatoProv->value(15));
            ClaveActividad = int(qRound64(numericValueOf(dtsDatoProv->value(22))));
            BuscaActividadEntrada();
            busca(cmbActividad, ClaveActividad);
            busca(Combo5, dtsDatoProv->value(28));
            if (QComboBox *banks = cmbBanco.made())
                busca(banks, dtsDatoProv->value(35));
            else
                bankShown_ = buscaPlace(banks_, dtsDatoProv->value(35));
            txtnummaquila->setMaskedText(maquilaText(dtsDatoProv->value(30)));
            txtanomaquila->setMaskedText(maquilaText(dtsDatoProv->value(31)));
            dtsDatoProv->setValue(20, QStringLiteral("14"));
            noteRfcCheckDigit();
        }
    } catch (const std::exception &) {
    }
}

} // namespace korim::questionnaire
