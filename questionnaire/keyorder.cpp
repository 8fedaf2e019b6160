#include "questionnaire/keyorder.h"

#include <QWidget>

namespace korim::questionnaire {

namespace {
const char *const kPlaceProperty = "keyboardPlace";
}

const QList<KeyPlace> &keyboardOrder()
{
    static const QList<KeyPlace> order = {
        {0, "SSTab1"},
        {1, "MaskEdBox1"},
        {2, "txtApePat1"},
        {3, "txtnombre1"},
        {4, "txtEmail1"},
        {5, "cmbActividad"},
        {6, "Combo1"},
        {7, "fraDatosGenerales"},
        {8, "txtProg1"},
        {9, "txtProg2"},
        // The stretch switched by Habilita.
        {10, "txtCalle"},
        {11, "txtColonia"},
        {12, "txtCP"},
        {13, "txtEstado"},
        {14, "txtCiudad"},
        {15, "Combo5"},
        {16, "txtDelMun"},
        {17, "txtfax"},
        {18, "txtTelefono"},
        {19, "txtAdmLocal"},
        {20, "txtApePatR2"},
        {21, "txtApeMatR2"},
        {22, "txtNombreR2"},
        {23, "txtcargo"},
        {24, "txtTelefonoR2"},
        {25, "txtFaxR2"},
        {26, "EMAILREP"},
        {27, "NoEmpleados"},
        {28, "NoObreros"},
        {29, "Command1_0"},
        {30, "Command1_1"},
        {31, "Command1_2"},
        {32, "Command1_4"},
        {33, "Command1_5"},
        {34, "Command1_6"},
        {35, "Command1_7"},
        {36, "fraDomicilioFiscal"},
        // End of the stretch.
        {37, "txtacredita"},
        {38, "txtanomaquila"},
        {39, "txtnummaquila"},
        {40, "fraRepresentante"},
        {41, "Command1_8"},
        {42, "fraPersonal"},
        {43, "fraVentas"},
        {44, "TotalPersonal"},
        {45, "TotalVentas"},
        {46, "fraTipoPrograma"},
        {47, "fraProductos"},
        {48, "fraVentasExp"},
        {49, "TipoProg"},
        {50, "Command1_9"},
        {51, "dbProductos"},
        {52, "dbgVTotales"},
        {53, "cmbBanco"},
        {54, "txtsucursal"},
        {55, "txtNumCuenta"},
        {56, "txtlocalidad"},
        {57, "txtDomSucursal"},
        {58, "VentasPais"},
        {59, "VentasExterior"},
        {60, "chkProdFinal"},
        {61, "chkrodIndirecto"},
        {62, "chkAbastecedor"},
        {63, "Command2"},
        {64, "dbVentasTot"},
        {65, "RichTextBox1"},
        {66, "RichTextBox2"},
        {67, "txtApemat1"},
    };
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
