// The required-data check as the window runs it ("Imprimir solicitud"), the
// digit filters of the numeric fields and the running totals.

#include "questionnaire/support/commandtest.h"
#include "questionnaire/support/formtest.h"

#include "data/datasource.h"
#include "questionnaire/form1.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

using namespace korim::test;
using korim::platform::MessageRequest;
using korim::platform::MsgButtons;
using korim::platform::MsgIcon;
using korim::questionnaire::Form1;
using korim::questionnaire::MaskedEdit;
using korim::questionnaire::TabControl;

namespace {

const QString heading = QStringLiteral("La siguiente información es requerida: \r");

QString requiredBox(const QString &list)
{
    MessageRequest r;
    r.text = heading + list + QStringLiteral("\r\r");
    r.title = QStringLiteral("Dato requerido");
    r.buttons = MsgButtons::Ok;
    r.icon = MsgIcon::Information;
    return describeBox(r);
}

std::unique_ptr<Form1> completeForm(QTemporaryDir &dir, bool withProducts = true)
{
    FolderSpec spec;
    spec.application = completeApplication();
    if (withProducts)
        spec.products = {QStringLiteral("MESA DE PINO")};
    return openForm(makeDataFolder(dir.path(), spec));
}

// Shows the tab a field stands on, and the field itself when the window
// keeps it hidden, so it can take the focus.
void reach(Form1 *form, QWidget *field)
{
    for (int t = 0; t < form->control<TabControl>(u"SSTab1")->count(); ++t) {
        if (form->control<TabControl>(u"SSTab1")->widget(t)->isAncestorOf(field))
            form->control<TabControl>(u"SSTab1")->setCurrentIndex(t);
    }
    field->show();
    field->setEnabled(true);
}

} // namespace

class RequiredTest : public QObject {
    Q_OBJECT

    QTemporaryDir sharedDir_;
    std::unique_ptr<Form1> shared_;

private slots:
    void cleanupTestCase()
    {
        MessageRecorder boxes;
        shared_.reset();
    }

    void completeApplicationPasses()
    {
        QTemporaryDir dir;
        auto form = completeForm(dir);
        MessageRecorder boxes;
        QSignalSpy printed(form.get(), &Form1::printWindowRequested);
        form->Command1_Click(7);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QCOMPARE(printed.count(), 1); // FaltanDatos 0
        // The RFC check runs first and speaks for itself; it is no missing item.
        form->control<MaskedEdit>(u"MaskEdBox1")->setMaskedText(QStringLiteral("GOMJ801301AB1"));
        QCOMPARE(form->DatosRequeridos(), short(0));
        boxes.clear();
        form->Command1_Click(7);
        QCOMPARE(describeBoxes(boxes.requests()),
                 QStringList{plainBox(QStringLiteral("El valor del mes del RFC es incorrecto"))});
        QCOMPARE(printed.count(), 2);
        QVERIFY(!QApplication::overrideCursor());
    }

    void missingItems_data()
    {
        QTest::addColumn<QStringList>("emptied");   // fields left empty
        QTest::addColumn<QString>("blanks");        // a field holding blanks only
        QTest::addColumn<bool>("programmeType");
        QTest::addColumn<QString>("bankTyped");     // free text typed in the bank list
        QTest::addColumn<bool>("products");
        QTest::addColumn<int>("faltan");            // FaltanDatos afterwards
        QTest::addColumn<QString>("list");          // the names listed; null: no message

        const QStringList none;
        QTest::newRow("street and postal code")
            << QStringList{"txtCalle", "txtCP"} << QString() << true << QString() << true
            << 1 << QStringLiteral("codigo postal,\rCalle");
        QTest::newRow("company name only: missing, but nothing to name")
            << QStringList{"txtApePat1"} << QString() << true << QString() << true << 1 << QString();
        QTest::newRow("colonia after another: an empty entry")
            << QStringList{"txtCP", "txtColonia"} << QString() << true << QString() << true
            << 1 << QStringLiteral("codigo postal,\r");
        QTest::newRow("blanks only count as empty")
            << none << QStringLiteral("txtEstado") << true << QString() << true << 1 << QStringLiteral("Estado");
        QTest::newRow("no programme type") << none << QString() << false << QString() << true << 1
                                           << QStringLiteral("Tipo de Registro");
        QTest::newRow("a bank typed that is not in the list")
            << QStringList{"txtCalle"} << QString() << true << QStringLiteral("BANCO X") << true
            << 1 << QStringLiteral("Calle,\r");
        QTest::newRow("a bank typed as the list has it")
            << none << QString() << true << QStringLiteral("BANCO DEL VALLE") << true << 0 << QString();
        QTest::newRow("no products: the last line")
            << QStringList{"txtCalle"} << QString() << false << QString() << false
            << 1 << QStringLiteral("Calle,\rTipo de Registro,\rProductos de exportación");
    }

    void missingItems()
    {
        QFETCH(QStringList, emptied);
        QFETCH(QString, blanks);
        QFETCH(bool, programmeType);
        QFETCH(QString, bankTyped);
        QFETCH(bool, products);
        QFETCH(int, faltan);
        QFETCH(QString, list);

        QTemporaryDir dir;
        auto form = completeForm(dir, products);
        form->makeAllControls(); // the lookups below go by name
        for (const QString &name : emptied)
            form->findChild<QLineEdit *>(name)->clear();
        if (!blanks.isEmpty())
            form->findChild<QLineEdit *>(blanks)->setText(QStringLiteral("   "));
        if (!programmeType)
            form->uncheckProgrammeOptions();
        if (!bankTyped.isNull()) {
            form->control<TabControl>(u"SSTab1")->setCurrentIndex(6);
            QVERIFY(focusOn(form->control<QComboBox>(u"cmbBanco")));
            form->control<QComboBox>(u"cmbBanco")->lineEdit()->clear();
            typeText(form->control<QComboBox>(u"cmbBanco"), bankTyped.toLower());
        }
        MessageRecorder boxes;
        QSignalSpy printed(form.get(), &Form1::printWindowRequested);
        form->Command1_Click(7);
        QCOMPARE(printed.count(), faltan == 0 ? 1 : 0);
        QCOMPARE(form->DatosRequeridos(), short(faltan));
        boxes.clear();
        form->Command1_Click(7);
        QCOMPARE(describeBoxes(boxes.requests()), list.isNull() ? QStringList{} : QStringList{requiredBox(list)});
    }

    void newApplicationListsEverythingInOrder()
    {
        QTemporaryDir dir;
        auto form = openForm(makeDataFolder(dir.path()));
        MessageRecorder boxes;
        form->Command1_Click(7);
        const QString list = QStringLiteral(
            "Domicilio,\rLocalidad,\rNúmero Cuenta,\rcursals,\rNo. Administrativos,\rNo. Obreros,\r"
            "Nombre rep. legal,\rTelefono rep. Legal,\rCargo,\rDelegación o Municipio,\rEstado,\rTeléfono,\r"
            "codigo postal,\r,\rCalle,\rVentas Pais,\rVentas Exterior,\rTipo de Registro,\rProductos de exportación");
        QCOMPARE(describeBoxes(boxes.requests()),
                 (QStringList{plainBox(QStringLiteral("El RFC no puede ser menor de 13")), requiredBox(list)}));
        QCOMPARE(form->DatosRequeridos(), short(1));
    }

    void digitFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        // Four places only in the registration fields.
        QTest::newRow("txtProg1") << QStringLiteral("txtProg1") << QStringLiteral("12.3");
        QTest::newRow("txtProg2") << QStringLiteral("txtProg2") << QStringLiteral("12.3");
        for (const char *name : {"txtTelefono", "txtfax", "txtCP", "txtTelefonoR2",
                                 "txtFaxR2", "NoEmpleados", "NoObreros", "VentasPais", "VentasExterior"})
            QTest::newRow(name) << QString::fromLatin1(name) << QStringLiteral("12.3.");
        // Masked "####": the mask has no place for the points.
        QTest::newRow("txtnummaquila") << QStringLiteral("txtnummaquila") << QStringLiteral("123_");
        QTest::newRow("txtanomaquila") << QStringLiteral("txtanomaquila") << QStringLiteral("123_");
    }

    void digitFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, expected);
        if (!shared_)
            shared_ = completeForm(sharedDir_);
        Form1 *form = shared_.get();
        form->makeAllControls(); // the lookup below goes by name
        auto *edit = form->findChild<QLineEdit *>(field);
        QVERIFY(edit);
        reach(form, edit);
        edit->clear();
        QVERIFY(focusOn(edit));
        edit->setCursorPosition(0);
        // Letters, minus and comma go; digits and points stay, more than one point too.
        typeText(edit, QStringLiteral("1a-2,.3.x"));
        auto *masked = qobject_cast<korim::questionnaire::MaskedEdit *>(edit);
        QCOMPARE(masked ? masked->maskedText() : edit->text(), expected);
        // Backspace is a character the filter lets through; arrows are no characters.
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Home);
        typeText(edit, QStringLiteral("9"));
        const QString after = masked ? masked->maskedText() : edit->text();
        QVERIFY2(after.startsWith(QLatin1Char('9')) && after.size() == expected.size(), qPrintable(after));
    }

    void upperCaseOfThePosition()
    {
        QTemporaryDir dir;
        auto form = completeForm(dir);
        reach(form.get(), form->control<QLineEdit>(u"txtcargo"));
        form->control<QLineEdit>(u"txtcargo")->clear();
        QVERIFY(focusOn(form->control<QLineEdit>(u"txtcargo")));
        typeText(form->control<QLineEdit>(u"txtcargo"), QStringLiteral("directora de ventas ñ"));
        QCOMPARE(form->control<QLineEdit>(u"txtcargo")->text(), QStringLiteral("DIRECTORA DE VENTAS Ñ"));
    }

    void totalsWhenLeaving()
    {
        QTemporaryDir dir;
        auto form = completeForm(dir);
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(2);
        form->control<QLineEdit>(u"TotalPersonal")->setText(QStringLiteral("-"));
        form->control<QLineEdit>(u"TotalVentas")->setText(QStringLiteral("-"));
        form->control<QLineEdit>(u"NoEmpleados")->setText(QStringLiteral("3"));
        form->control<QLineEdit>(u"NoObreros")->setText(QStringLiteral("12"));
        QVERIFY(focusOn(form->control<QLineEdit>(u"NoObreros")));
        QVERIFY(focusOn(form->control<QLineEdit>(u"VentasPais")));
        QCOMPARE(form->control<QLineEdit>(u"TotalPersonal")->text(), QStringLiteral("15"));
        QCOMPARE(form->control<QLineEdit>(u"TotalVentas")->text(), QStringLiteral("-")); // its parts were not left
        form->control<QLineEdit>(u"VentasPais")->setText(QStringLiteral("1000"));
        form->control<QLineEdit>(u"VentasExterior")->setText(QStringLiteral("250.5"));
        QVERIFY(focusOn(form->control<QLineEdit>(u"NoEmpleados")));
        QCOMPARE(form->control<QLineEdit>(u"TotalVentas")->text(), QStringLiteral("1250.5"));
        // An empty part counts 0.
        form->control<QLineEdit>(u"NoObreros")->clear();
        QVERIFY(focusOn(form->control<QLineEdit>(u"VentasExterior")));
        QCOMPARE(form->control<QLineEdit>(u"TotalPersonal")->text(), QStringLiteral("3"));
    }
};

QTEST_MAIN(RequiredTest)
#include "tst_form1_required.moc"
