// Composition of the required-data message.
#include "application/requiredrules.h"

#include <QTest>

using namespace korim::application;

namespace {

// The window's required fields in its order, with a few untagged ones between.
QList<RequiredControl> filledWindow()
{
    const QList<QPair<QString, QString>> fields = {
        {"1", ""}, // txtApePat1: no name of its own
        {"1", "Domicilio"},
        {"R", "Fax"},
        {"1", "Localidad"},
        {"1", QString::fromUtf8("Número Cuenta")},
        {"1", "cursals"},
        {"1", "No. Administrativos"},
        {"1", "No. Obreros"},
        {"", "E-mail"},
        {"1", "Nombre rep. legal"},
        {"1", "Telefono rep. Legal"},
        {"1", "Cargo"},
        {"1", QString::fromUtf8("Delegación o Municipio")},
        {"1", "Estado"},
        {"1", QString::fromUtf8("Teléfono")},
        {"1", "codigo postal"},
        {"1", ""}, // txtColonia
        {"1", "Calle"},
        {"1", "Ventas Pais"},
        {"1", "Ventas Exterior"},
    };
    QList<RequiredControl> controls;
    for (const auto &[tag, tip] : fields)
        controls.append({tag, QStringLiteral("X"), tip});
    return controls;
}

RequiredFacts allFacts()
{
    RequiredFacts f;
    f.activitySelected = f.bankSelected = f.programmeTypeSet = f.hasProducts = true;
    return f;
}

void empty(QList<RequiredControl> &controls, const QString &toolTip, int occurrence = 0)
{
    for (RequiredControl &c : controls) {
        if (c.toolTip == toolTip && occurrence-- == 0) {
            c.text.clear();
            return;
        }
    }
    QFAIL("no such control");
}

const QString heading = QString::fromUtf8("La siguiente información es requerida: \r");

} // namespace

class TestRequiredRules : public QObject {
    Q_OBJECT

private slots:
    void nothingMissing();
    void blanksCountAsEmpty();
    void streetAndPostalCode();
    void companyNameOnly();
    void colonyAfterAnother();
    void emptyNameFirstThenNamed();
    void untaggedFieldsIgnored();
    void listsAndOptionsInOrder();
};

void TestRequiredRules::nothingMissing()
{
    const RequiredCheck r = requiredData(filledWindow(), allFacts());
    QCOMPARE(r.FaltanDatos, 0);
    QVERIFY(!r.message.has_value());
}

void TestRequiredRules::blanksCountAsEmpty()
{
    QList<RequiredControl> controls = filledWindow();
    controls[1].text = QStringLiteral("   ");
    controls[3].text = QStringLiteral(" \t ");
    controls[4].text = QStringLiteral("  7 "); // something typed: present
    const RequiredCheck r = requiredData(controls, allFacts());
    QCOMPARE(r.FaltanDatos, 1);
    QCOMPARE(*r.message, heading + QStringLiteral("Domicilio,\rLocalidad\r\r"));
}

void TestRequiredRules::streetAndPostalCode()
{
    QList<RequiredControl> controls = filledWindow();
    empty(controls, QStringLiteral("Calle"));
    empty(controls, QStringLiteral("codigo postal"));
    const RequiredCheck r = requiredData(controls, allFacts());
    QCOMPARE(r.FaltanDatos, 1);
    QCOMPARE(*r.message, heading + QStringLiteral("codigo postal,\rCalle\r\r"));
}

void TestRequiredRules::companyNameOnly()
{
    QList<RequiredControl> controls = filledWindow();
    controls[0].text.clear();
    const RequiredCheck r = requiredData(controls, allFacts());
    QCOMPARE(r.FaltanDatos, 1);
    QVERIFY(!r.message.has_value());
}

void TestRequiredRules::colonyAfterAnother()
{
    QList<RequiredControl> controls = filledWindow();
    empty(controls, QStringLiteral("Estado"));
    empty(controls, QString(), 1); // txtColonia
    RequiredFacts facts = allFacts();
    facts.hasProducts = false;
    const RequiredCheck r = requiredData(controls, facts);
    QCOMPARE(*r.message,
             heading + QString::fromUtf8("Estado,\r,\rProductos de exportación\r\r"));
}

void TestRequiredRules::emptyNameFirstThenNamed()
{
    // An empty name on an empty list leaves no leading comma.
    QList<RequiredControl> controls = filledWindow();
    controls[0].text.clear();
    empty(controls, QStringLiteral("Domicilio"));
    const RequiredCheck r = requiredData(controls, allFacts());
    QCOMPARE(*r.message, heading + QStringLiteral("Domicilio\r\r"));
}

void TestRequiredRules::untaggedFieldsIgnored()
{
    QList<RequiredControl> controls = filledWindow();
    empty(controls, QStringLiteral("Fax"));
    empty(controls, QStringLiteral("E-mail"));
    controls.append({QStringLiteral("1 "), QString(), QStringLiteral("not quite tagged")});
    const RequiredCheck r = requiredData(controls, allFacts());
    QCOMPARE(r.FaltanDatos, 0);
    QVERIFY(!r.message.has_value());
}

void TestRequiredRules::listsAndOptionsInOrder()
{
    QList<RequiredControl> controls = filledWindow();
    empty(controls, QStringLiteral("Ventas Exterior"));
    RequiredFacts facts;
    facts.activityToolTip = QStringLiteral("Actividad");
    facts.bankToolTip = QStringLiteral("Banco");
    const RequiredCheck r = requiredData(controls, facts);
    QCOMPARE(r.FaltanDatos, 1);
    QCOMPARE(*r.message, heading
                             + QString::fromUtf8("Ventas Exterior,\rActividad,\rBanco,\rTipo de "
                                                 "Registro,\rProductos de exportación\r\r"));

    // The lists' own tooltips are empty in the window: they add empty entries.
    facts.activityToolTip.clear();
    facts.bankToolTip.clear();
    facts.programmeTypeSet = facts.hasProducts = true;
    QCOMPARE(*requiredData(controls, facts).message,
             heading + QStringLiteral("Ventas Exterior,\r,\r\r\r"));
}

QTEST_APPLESS_MAIN(TestRequiredRules)
#include "tst_rules_required.moc"
