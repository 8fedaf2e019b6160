// The table of plain fields against what depends on it: the columns of the
// shipped application table, the order of the required-data message and the
// keyboard places.

#include "support/testsupport.h"

#include "application/requireditems.h"
#include "data/dbf.h"
#include "questionnaire/controltable.h"
#include "questionnaire/keyorder.h"

#include <QSet>
#include <QtTest>

using namespace korim::questionnaire;
using korim::data::DbfTable;
using korim::data::FieldType;

class ControlTableTest : public QObject {
    Q_OBJECT
private slots:
    // A bound name the table lacks would leave its field unsaved without a
    // word; a column narrower than the field would cut what the clerk typed.
    void boundFieldsFitTheirColumns()
    {
        const auto table = DbfTable::open(korim::test::shippedDataFolder() + QStringLiteral("/datoprov.dbf"));
        QSet<QString> bound;
        for (const PlainField &field : plainFields()) {
            if (!field.bound) {
                QVERIFY2(QByteArray(field.tag) != "1", field.name); // required data must reach the record
                continue;
            }
            const QString name = QString::fromLatin1(field.bound);
            QVERIFY2(!bound.contains(name), field.bound);
            bound.insert(name);
            const int column = table->fieldIndex(name);
            QVERIFY2(column >= 0, field.bound);
            const auto &def = table->fields().at(column);
            if (def.type == FieldType::Character)
                QVERIFY2(field.maxLength > 0 && field.maxLength <= def.length, field.name);
            else
                QVERIFY2(field.maxLength == 0 || field.maxLength <= def.length, field.name);
        }
    }

    void requiredMessageOrder()
    {
        QStringList order;
        for (const PlainField *field : requiredOrder())
            order << QString::fromLatin1(field->name);
        QCOMPARE(order.join(QLatin1Char(' ')),
                 QStringLiteral("txtApePat1 txtDomSucursal txtlocalidad txtNumCuenta txtsucursal NoEmpleados "
                                "NoObreros txtNombreR2 txtTelefonoR2 txtcargo txtDelMun txtEstado txtTelefono txtCP "
                                "txtColonia txtCalle VentasPais VentasExterior"));
        // Every required item has its field, and only tagged fields are required.
        QCOMPARE(requiredOrder().size(), qsizetype(korim::application::requiredItems().size()));
        for (const PlainField &field : plainFields()) {
            QCOMPARE(requiredOrder().contains(&field), QByteArray(field.tag) == "1");
            if (QByteArray(field.tag) == "1")
                QVERIFY2(!field.toolTip, field.name); // the name is the required item's
            QCOMPARE(plainField(QString::fromLatin1(field.name)), &field);
        }
        QVERIFY(!plainField(u"MaskEdBox1"));
    }

    // Plain fields and the other controls share one numbering.
    void everyKeyboardPlaceOnce()
    {
        QSet<QString> names;
        int expected = 0;
        for (const KeyPlace &entry : keyboardOrder()) {
            QCOMPARE(entry.place, expected++);
            QVERIFY2(!names.contains(QString::fromLatin1(entry.control)), entry.control);
            names.insert(QString::fromLatin1(entry.control));
        }
        QCOMPARE(expected, 68);
        for (const PlainField &field : plainFields())
            QVERIFY2(names.contains(QString::fromLatin1(field.name)), field.name);
    }
};

QTEST_MAIN(ControlTableTest)
#include "tst_rules_controls.moc"
