#include "formreader.h"

#include "data/datasource.h"
#include "questionnaire/form1.h"
#include "questionnaire/maskededit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <functional>

namespace korim::report {

using korim::data::DataError;
using korim::data::DataSource;

namespace {

// Runs one step; "no current record" skips it, any other failure ends the
// composition. Returns false when the step was skipped.
bool step(const std::function<void()> &f)
{
    try {
        f();
        return true;
    } catch (const DataError &e) {
        if (e.number() != DataError::NoCurrentRecord)
            throw;
        return false;
    }
}

// Walks the records the source holds now, first to end, and leaves it there.
void walk(DataSource *source, const std::function<void()> &row)
{
    step([&] { source->moveFirst(); });
    while (!source->eof()) {
        step(row);
        // A source that cannot move on would walk for ever.
        if (!step([&] { source->moveNext(); }))
            break;
    }
}

QList<QVariantList> salesRecords(DataSource *source, const QString &query)
{
    // The query takes effect at the source's next refresh; the walk covers
    // what it holds now.
    source->setRecordSource(query);
    QList<QVariantList> records;
    walk(source, [&] {
        QVariantList record;
        for (int position = 0; position <= 6; ++position)
            record.append(source->value(position));
        records.append(record);
    });
    return records;
}

} // namespace

ApplicationInput readApplication(questionnaire::Form1 &form, const QDate &today, const QLocale &locale)
{
    ApplicationInput in;
    in.tipoTramite = form.Combo1->currentText();
    in.prodFinal = form.chkProdFinal->isChecked();
    in.prodIndirecto = form.chkrodIndirecto->isChecked();
    in.abastecedor = form.chkAbastecedor->isChecked();
    in.rfc = form.MaskEdBox1->maskedText();
    in.apePat = form.txtApePat1->text();
    in.apeMat = form.txtApemat1->text();
    in.nombre = form.txtnombre1->text();
    in.calle = form.txtCalle->text();
    in.colonia = form.txtColonia->text();
    in.cp = form.txtCP->text();
    in.estado = form.txtEstado->text();
    in.ciudad = form.txtCiudad->text();
    in.delMun = form.txtDelMun->text();
    in.telefono = form.txtTelefono->text();
    in.fax = form.txtfax->text();
    in.email = form.txtEmail1->text();
    in.actividad = form.cmbActividad->currentText();
    in.admLocal = form.Combo5->currentText();
    in.repApePat = form.txtApePatR2->text();
    in.repApeMat = form.txtApeMatR2->text();
    in.repNombre = form.txtNombreR2->text();
    in.repTelefono = form.txtTelefonoR2->text();
    in.repFax = form.txtFaxR2->text();
    in.repEmail = form.EMAILREP->text();
    in.empleados = form.NoEmpleados->text();
    in.obreros = form.NoObreros->text();
    in.ventasPais = form.VentasPais->text();
    in.ventasExterior = form.VentasExterior->text();
    in.banco = form.cmbBanco->currentText();
    in.sucursal = form.txtsucursal->text();
    in.numCuenta = form.txtNumCuenta->text();
    in.localidad = form.txtlocalidad->text();
    in.domSucursal = form.txtDomSucursal->text();

    in.totales = salesRecords(form.dtsVTotales, QStringLiteral("select * from ventas where tipo = 1"));
    in.ventasExp = salesRecords(form.dtsVentasExp, QStringLiteral("select * from ventas where tipo = 2"));
    DataSource *products = form.dtsProductos;
    walk(products, [&] { in.productos.append(products->value(2).toString()); });

    in.today = today;
    in.locale = locale;
    return in;
}

} // namespace korim::report
