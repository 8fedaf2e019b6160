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
using korim::questionnaire::MaskedEdit;

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
    // The window's controls, by name.
    auto text = [&form](QStringView name) { return form.control<QLineEdit>(name)->text(); };
    auto shown = [&form](QStringView name) { return form.control<QComboBox>(name)->currentText(); };
    in.tipoTramite = shown(u"Combo1");
    in.prodFinal = form.control<QRadioButton>(u"chkProdFinal")->isChecked();
    in.prodIndirecto = form.control<QRadioButton>(u"chkrodIndirecto")->isChecked();
    in.abastecedor = form.control<QRadioButton>(u"chkAbastecedor")->isChecked();
    in.rfc = form.control<MaskedEdit>(u"MaskEdBox1")->maskedText();
    in.apePat = text(u"txtApePat1");
    in.apeMat = text(u"txtApemat1");
    in.nombre = text(u"txtnombre1");
    in.calle = text(u"txtCalle");
    in.colonia = text(u"txtColonia");
    in.cp = text(u"txtCP");
    in.estado = text(u"txtEstado");
    in.ciudad = text(u"txtCiudad");
    in.delMun = text(u"txtDelMun");
    in.telefono = text(u"txtTelefono");
    in.fax = text(u"txtfax");
    in.email = text(u"txtEmail1");
    in.actividad = shown(u"cmbActividad");
    in.admLocal = shown(u"Combo5");
    in.repApePat = text(u"txtApePatR2");
    in.repApeMat = text(u"txtApeMatR2");
    in.repNombre = text(u"txtNombreR2");
    in.repTelefono = text(u"txtTelefonoR2");
    in.repFax = text(u"txtFaxR2");
    in.repEmail = text(u"EMAILREP");
    in.empleados = text(u"NoEmpleados");
    in.obreros = text(u"NoObreros");
    in.ventasPais = text(u"VentasPais");
    in.ventasExterior = text(u"VentasExterior");
    in.banco = shown(u"cmbBanco");
    in.sucursal = text(u"txtsucursal");
    in.numCuenta = text(u"txtNumCuenta");
    in.localidad = text(u"txtlocalidad");
    in.domSucursal = text(u"txtDomSucursal");

    in.totales = salesRecords(form.dtsVTotales, QStringLiteral("select * from ventas where tipo = 1"));
    in.ventasExp = salesRecords(form.dtsVentasExp, QStringLiteral("select * from ventas where tipo = 2"));
    DataSource *products = form.dtsProductos;
    walk(products, [&] { in.productos.append(products->value(2).toString()); });

    in.today = today;
    in.locale = locale;
    return in;
}

} // namespace korim::report
