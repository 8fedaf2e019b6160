// Catalogue lookups: selecting a list entry by its key, translating between
// activity list places and activity codes, and the list handlers that write
// the chosen keys into the application record.

#include "questionnaire/form1.h"

#include "data/datasource.h"
#include "application/rules.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>

namespace korim::questionnaire {

using namespace korim::application;

using korim::data::DataError;
using korim::data::DataSource;

namespace {

// A key as busca compares it: its text, without surrounding blanks, in upper case.
QString keyText(const QVariant &key)
{
    if (!key.isValid() || key.isNull())
        return {};
    return key.toString().trimmed().toUpper();
}

} // namespace

int Form1::buscaPlace(const QAbstractItemModel *entries, const QVariant &clave)
{
    // busca's outcome: the first entry with the key, else the last one.
    const QString wanted = keyText(clave);
    const int n = entries->rowCount();
    for (int i = 0; i < n; ++i) {
        if (keyText(entries->index(i, 0).data(Qt::UserRole)) == wanted)
            return i;
    }
    return n - 1;
}

void Form1::busca(QComboBox *lista, const QVariant &clave)
{
    // Each entry is selected in turn, as a user would, until the keys match;
    // with no match the last entry stays selected.
    const QString wanted = keyText(clave);
    for (int i = 0; i < lista->count(); ++i) {
        lista->setCurrentIndex(i);
        if (keyText(lista->itemData(i)) == wanted)
            break;
    }
}

void Form1::BuscaActividad()
{
    // List place -> activity code. The catalogue is read from its first record.
    dtsacti->moveFirst();
    while (!dtsacti->eof()) {
        if (numericValueOf(dtsacti->value(0)) == ClaveActividad) {
            ClaveActividad = int(qRound64(numericValueOf(dtsacti->value(3))));
            return;
        }
        dtsacti->moveNext();
    }
    // No activity at that place: no code rather than the place taken for one.
    ClaveActividad = 0;
}

void Form1::BuscaActividadEntrada()
{
    // Activity code -> list place.
    dtsacti->moveFirst();
    while (!dtsacti->eof()) {
        if (numericValueOf(dtsacti->value(3)) == ClaveActividad) {
            ClaveActividad = int(qRound64(numericValueOf(dtsacti->value(0))));
            return;
        }
        dtsacti->moveNext();
    }
    // A code the catalogue no longer has matches no place of the list.
    ClaveActividad = -1;
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

bool Form1::writeApplicationField(int position, const QVariant &value)
{
    // Only into an open record; the handlers do not open one themselves.
    if (dtsDatoProv->editMode() == DataSource::EditNone)
        return false;
    try {
        dtsDatoProv->setValue(position, value);
    } catch (const DataError &) {
        return false;
    }
    return true;
}

void Form1::activityFocusLost()
{
    if (cmbActividad->currentIndex() < 0)
        return;
    ClaveActividad = cmbActividad->currentIndex();
    try {
        BuscaActividad();
    } catch (const DataError &) {
        return;
    }
    writeApplicationField(22, ClaveActividad);
}

void Form1::bankTextEdited()
{
    // The bank the typed text names, by the save's rule; typing does not
    // move the list off its old entry, so that entry's key would be wrong.
    // Text that names none leaves the field as it was.
    const int index = chosenBankEntry();
    if (index < 0)
        return;
    writeApplicationField(34, cmbBanco->itemData(index).toLongLong());
}

void Form1::bankFocusLost()
{
    // The chosen bank's code, the same value the save stores here: a list
    // place in this field would name another bank at the next start. A
    // typed name counts as its entry, as for 34.
    const int index = chosenBankEntry();
    if (index < 0)
        return;
    writeApplicationField(35, cmbBanco->itemData(index).toLongLong());
}

} // namespace korim::questionnaire
