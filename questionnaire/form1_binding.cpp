// Bound fields: each shows its field of the current application record and
// hands what the user typed to the data source when the source writes.

#include "questionnaire/form1.h"

#include "data/datasource.h"
#include "questionnaire/maskededit.h"

#include <QDataWidgetMapper>
#include <QLineEdit>

namespace korim::questionnaire {

using korim::data::DataSource;

void Form1::bindFields()
{
    // Field of the window -> field of DATOPROV.
    bindings_ = {
        {MaskEdBox1, QStringLiteral("RFC")},
        {txtApePat1, QStringLiteral("APEPATRAZ")},
        {txtApemat1, QStringLiteral("APEMAT")},
        {txtnombre1, QStringLiteral("NOMBRE")},
        {txtEmail1, QStringLiteral("EMAIL")},
        {txtProg1, QStringLiteral("PROG1P")},
        {txtProg2, QStringLiteral("PROG2P")},
        {txtacredita, QStringLiteral("ACREDITA")},
        {txtCalle, QStringLiteral("CALLEYNO")},
        {txtColonia, QStringLiteral("COLONIA")},
        {txtCP, QStringLiteral("CP")},
        {txtEstado, QStringLiteral("ESTADO")},
        {txtCiudad, QStringLiteral("CIUDAD")},
        {txtDelMun, QStringLiteral("DELMUN")},
        {txtTelefono, QStringLiteral("TELEFONO")},
        {txtfax, QStringLiteral("FAX")},
        {txtApePatR2, QStringLiteral("APEPREPLEG")},
        {txtApeMatR2, QStringLiteral("APEMREPLEG")},
        {txtNombreR2, QStringLiteral("NOMBREREPL")},
        {txtcargo, QStringLiteral("CARGO")},
        {txtTelefonoR2, QStringLiteral("TEL_REPREG")},
        {txtFaxR2, QStringLiteral("FAXREP")},
        {EMAILREP, QStringLiteral("EMAILREPL")},
        {NoEmpleados, QStringLiteral("NOEMPLEADO")},
        {NoObreros, QStringLiteral("NOOBREROS")},
        {VentasPais, QStringLiteral("VTPAIS")},
        {VentasExterior, QStringLiteral("VTEXTERIOR")},
        {TipoProg, QStringLiteral("TIPOPROG")},
        {txtsucursal, QStringLiteral("SUCURSAL")},
        {txtNumCuenta, QStringLiteral("NUMCUENTA")},
        {txtlocalidad, QStringLiteral("LOCALIDAD")},
        {txtDomSucursal, QStringLiteral("DOMBANCO")},
    };

    mapper_ = new QDataWidgetMapper(this);
    mapper_->setObjectName(QStringLiteral("mapperDatoProv"));
    mapper_->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    mapper_->setModel(dtsDatoProv->model());
    // txtAdmLocal shows the district too but is never typed into: it only
    // follows, so it cannot hand an old value over the one typed in txtColonia.
    mirror_ = new QDataWidgetMapper(this);
    mirror_->setObjectName(QStringLiteral("mirrorDatoProv"));
    mirror_->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    mirror_->setModel(dtsDatoProv->model());
    connect(txtColonia, &QLineEdit::textChanged, txtAdmLocal, &QLineEdit::setText);

    connect(dtsDatoProv, &DataSource::aboutToWrite, this, [this] { mapper_->submit(); });
    connect(dtsDatoProv, &DataSource::currentChanged, this, [this] { showCurrentApplication(); });
    // Field positions are known once the table is open.
    connect(dtsDatoProv->model(), &QAbstractItemModel::modelReset, this, [this] {
        if (mapped_ || dtsDatoProv->fieldCount() == 0)
            return;
        mapped_ = true;
        for (const auto &[field, name] : bindings_) {
            const int column = dtsDatoProv->fieldIndex(name);
            if (column >= 0)
                mapper_->addMapping(field, column);
        }
        const int colonia = dtsDatoProv->fieldIndex(QStringLiteral("COLONIA"));
        if (colonia >= 0)
            mirror_->addMapping(txtAdmLocal, colonia);
    });
}

void Form1::showCurrentApplication()
{
    const int row = dtsDatoProv->currentRow();
    if (row < 0)
        return;
    mapper_->setCurrentIndex(row);
    mirror_->setCurrentIndex(row);
}

} // namespace korim::questionnaire
