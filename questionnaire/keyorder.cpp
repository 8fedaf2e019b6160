#include "questionnaire/keyorder.h"

#include "questionnaire/controltable.h"

#include <QWidget>

#include <algorithm>

namespace korim::questionnaire {

namespace {
const char *const kPlaceProperty = "keyboardPlace";
}

const QList<KeyPlace> &keyboardOrder()
{
    static const QList<KeyPlace> order = [] {
        // The places of the controls that are not plain fields; those of the
        // plain fields are in their table. Places 10 to 36 are the stretch.
        QList<KeyPlace> all = {
            {0, "SSTab1"},
            {1, "MaskEdBox1"},
            {5, "cmbActividad"},
            {6, "Combo1"},
            {7, "fraDatosGenerales"},
            {15, "Combo5"},
            {29, "Command1_0"},
            {30, "Command1_1"},
            {31, "Command1_2"},
            {32, "Command1_4"},
            {33, "Command1_5"},
            {34, "Command1_6"},
            {35, "Command1_7"},
            {36, "fraDomicilioFiscal"},
            {38, "txtanomaquila"},
            {39, "txtnummaquila"},
            {40, "fraRepresentante"},
            {41, "Command1_8"},
            {42, "fraPersonal"},
            {43, "fraVentas"},
            {46, "fraTipoPrograma"},
            {47, "fraProductos"},
            {48, "fraVentasExp"},
            {50, "Command1_9"},
            {51, "dbProductos"},
            {52, "dbgVTotales"},
            {53, "cmbBanco"},
            {60, "chkProdFinal"},
            {61, "chkrodIndirecto"},
            {62, "chkAbastecedor"},
            {63, "Command2"},
            {64, "dbVentasTot"},
            {65, "RichTextBox1"},
            {66, "RichTextBox2"},
        };
        for (const PlainField &field : plainFields())
            all.append({field.keyPlace, field.name});
        std::sort(all.begin(), all.end(), [](const KeyPlace &a, const KeyPlace &b) { return a.place < b.place; });
        return all;
    }();
    return order;
}

QList<const char *> applyKeyboardOrder(QWidget *window)
{
    QList<const char *> missing;
    // One walk over the window instead of one search per place.
    const QHash<QString, QWidget *> byName = controlsByName(window);
    QWidget *previous = nullptr;
    for (const KeyPlace &entry : keyboardOrder()) {
        QWidget *control = byName.value(QString::fromLatin1(entry.control));
        if (!control) {
            missing.append(entry.control);
            continue;
        }
        control->setProperty(kPlaceProperty, entry.place);
        if (!(control->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
    return missing;
}

QWidget *nextTabStop(const QWidget *window, const QWidget *focused, bool forward)
{
    const QHash<QString, QWidget *> byName = controlsByName(window);
    QList<QWidget *> stops;
    for (const KeyPlace &entry : keyboardOrder()) {
        QWidget *control = byName.value(QString::fromLatin1(entry.control));
        if (control && (control->focusPolicy() & Qt::TabFocus) && control->isVisible() && control->isEnabled())
            stops.append(control);
    }
    // The control that holds the focus: the nearest one of the order up from it.
    qsizetype at = -1;
    for (const QWidget *w = focused; w && at < 0 && w != window; w = w->parentWidget())
        at = stops.indexOf(const_cast<QWidget *>(w));
    if (at < 0 || stops.size() < 2)
        return nullptr;
    const qsizetype n = stops.size();
    return stops.at((at + (forward ? 1 : n - 1)) % n);
}

int keyboardPlace(const QWidget *control)
{
    const QVariant place = control->property(kPlaceProperty);
    return place.isValid() ? place.toInt() : -1;
}

void setStretchEnabled(QWidget *root, bool enabled)
{
    for (QWidget *control : root->findChildren<QWidget *>()) {
        const int place = keyboardPlace(control);
        if (place >= kStretchFirst && place <= kStretchLast)
            control->setEnabled(enabled);
    }
}

QHash<QString, QWidget *> controlsByName(const QWidget *root)
{
    QHash<QString, QWidget *> byName;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->objectName().isEmpty() && !byName.contains(w->objectName()))
            byName.insert(w->objectName(), w);
    }
    return byName;
}

} // namespace korim::questionnaire
