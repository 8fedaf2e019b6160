// Catalogue lookups: selecting a list entry by its key, translating between
// activity list places and activity codes, and the list handlers that write
// the chosen keys into the application record.

#include "questionnaire/form1.h"

#include "application/schema.h"
#include "application/solicitud.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>

namespace korim::questionnaire {

namespace schema = korim::application::schema;

void Form1::busca(QComboBox *lista, const QVariant &clave)
{
    // Each entry is selected in turn, as a user would, until the keys match;
    // with no match the last entry stays selected.
    QList<QVariant> keys;
    keys.reserve(lista->count());
    for (int i = 0; i < lista->count(); ++i)
        keys.append(lista->itemData(i));
    const int found = application::buscaPlace(keys, clave);
    for (int i = 0; i <= found; ++i)
        lista->setCurrentIndex(i);
}

void Form1::connectListHandlers()
{
    cmbActividad->installEventFilter(this);
}

void Form1::connectBankHandlers()
{
    cmbBanco->installEventFilter(this);
    // Typing in the bank list, not choosing from its drop-down part.
    connect(cmbBanco->lineEdit(), &QLineEdit::textEdited, this, [this] { bankTextEdited(); });
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == cmbActividad || watched == cmbBanco.made())) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Opening the drop-down part or switching to another program is not leaving the list.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            if (watched == cmbActividad)
                activityFocusLost();
            else
                bankFocusLost();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::activityFocusLost()
{
    if (cmbActividad->currentIndex() < 0)
        return;
    const int ClaveActividad = application_->BuscaActividad(cmbActividad->currentIndex());
    application_->setField(schema::datoprov::Actividad, ClaveActividad);
}

void Form1::bankTextEdited()
{
    // The bank the typed text names, by the save's rule; typing does not
    // move the list off its old entry, so that entry's key would be wrong.
    // Text that names none leaves the field as it was.
    const int index = chosenBankEntry();
    if (index < 0)
        return;
    application_->setField(schema::datoprov::BancoTecleado, cmbBanco->itemData(index).toLongLong());
}

void Form1::bankFocusLost()
{
    // The chosen bank's code, the same value the save stores here: a list
    // place in this field would name another bank at the next start. A
    // typed name counts as its entry, as for 34.
    const int index = chosenBankEntry();
    if (index < 0)
        return;
    application_->setField(schema::datoprov::Banco, cmbBanco->itemData(index).toLongLong());
}

} // namespace korim::questionnaire
