// Bound fields: each shows its field of the current application record and
// hands what the user typed to the data source when the source writes.

#include "questionnaire/form1.h"

#include "application/schema.h"
#include "application/solicitud.h"
#include "data/datasource.h"
#include "questionnaire/controltable.h"
#include "questionnaire/keyorder.h"
#include "questionnaire/keypipeline.h"
#include "questionnaire/maskededit.h"

#include <QComboBox>
#include <QDataWidgetMapper>
#include <QRadioButton>
#include <QAbstractItemDelegate>
#include <QHash>
#include <QItemDelegate>
#include <QLineEdit>

namespace korim::questionnaire {

using korim::data::DataSource;
namespace schema = korim::application::schema;

namespace {

// Puts stored values into the fields as the table holds them: the typing
// filters are for what the clerk types, and a value they rewrote here would
// be written back over the stored one at the next save.
class StoredValueDelegate : public QItemDelegate {
public:
    using QItemDelegate::QItemDelegate;

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        KeyPipeline::showStored(editor, [&] { QItemDelegate::setEditorData(editor, index); });
    }
};

// Field of the window (by name: some are made later) -> field of DATOPROV.
QList<std::pair<QString, QString>> boundFields()
{
    QList<std::pair<QString, QString>> bound = {{QStringLiteral("MaskEdBox1"), QLatin1String(schema::datoprov::RFC)}};
    for (const PlainField &field : plainFields()) {
        if (field.bound)
            bound.append({QLatin1String(field.name), QLatin1String(field.bound)});
    }
    return bound;
}

} // namespace

void Form1::bindFields()
{
    bindings_ = boundFields();

    mapper_ = new QDataWidgetMapper(this);
    mapper_->setObjectName(QStringLiteral("mapperDatoProv"));
    mapper_->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    mapper_->setItemDelegate(new StoredValueDelegate(mapper_));
    mapper_->setModel(application_->dtsDatoProv()->model());
    // txtAdmLocal shows the district too but is never typed into: it only
    // follows, so it cannot hand an old value over the one typed in txtColonia.
    mirror_ = new QDataWidgetMapper(this);
    mirror_->setObjectName(QStringLiteral("mirrorDatoProv"));
    mirror_->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    mirror_->setItemDelegate(new StoredValueDelegate(mirror_));
    mirror_->setModel(application_->dtsDatoProv()->model());
    connect(txtColonia, &QLineEdit::textChanged, txtAdmLocal, &QLineEdit::setText);

    connect(application_->dtsDatoProv(), &DataSource::aboutToWrite, this, [this] { mapper_->submit(); });
    connect(application_->dtsDatoProv(), &DataSource::currentChanged, this, [this] { showCurrentApplication(); });
    // Field positions are known once the table is open.
    connect(application_->dtsDatoProv()->model(), &QAbstractItemModel::modelReset, this, [this] {
        if (mapped_ || application_->dtsDatoProv()->fieldCount() == 0)
            return;
        mapped_ = true;
        mapBoundFields(this);
        const int colonia = application_->dtsDatoProv()->fieldIndex(QLatin1String(schema::datoprov::COLONIA));
        if (colonia >= 0)
            mirror_->addMapping(txtAdmLocal, colonia);
    });
}

void Form1::mapBoundFields(QWidget *root)
{
    if (!mapped_)
        return;
    const QHash<QString, QWidget *> byName = controlsByName(root);
    for (const auto &[name, field] : std::as_const(bindings_)) {
        QWidget *widget = byName.value(name);
        const int column = application_->dtsDatoProv()->fieldIndex(field);
        if (!widget || column < 0)
            continue;
        mapper_->addMapping(widget, column);
        // A field made after the record was shown shows it now, as the
        // mapper would; the others keep what may have been typed into them.
        const QModelIndex value = application_->dtsDatoProv()->model()->index(mapper_->currentIndex(), column);
        if (value.isValid())
            mapper_->itemDelegate()->setEditorData(widget, value);
    }
}

void Form1::showCurrentApplication()
{
    const int row = application_->dtsDatoProv()->currentRow();
    if (row < 0)
        return;
    mapper_->setCurrentIndex(row);
    mirror_->setCurrentIndex(row);
}

QString Form1::dataFolder() const
{
    return application_->dataFolder();
}

application::Shown Form1::shown()
{
    application::Shown shown;
    // The bound fields by the record field each shows; a tab not made yet is
    // made for it.
    QHash<QString, QString> controlOf;
    for (const auto &[name, field] : std::as_const(bindings_))
        controlOf.insert(field, name);
    for (const auto &[member, field] : application::shownFields()) {
        if (auto *edit = control<QLineEdit>(controlOf.value(QLatin1String(field))))
            shown.*member = edit->text();
    }
    shown.rfc = MaskEdBox1->maskedText();
    shown.tipoTramite = Combo1->currentText();
    shown.actividad = cmbActividad->currentText();
    shown.admLocal = Combo5->currentText();
    shown.banco = cmbBanco->currentText();
    shown.prodFinal = chkProdFinal->isChecked();
    shown.prodIndirecto = chkrodIndirecto->isChecked();
    shown.abastecedor = chkAbastecedor->isChecked();
    return shown;
}

application::Snapshot Form1::snapshot()
{
    return application_->snapshot(shown());
}

} // namespace korim::questionnaire
