// Tabs, totals, the programme type, the editing stretch, the procedure type
// and the reaction to a move of the application's data source.

#include "questionnaire/support/formtest.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "questionnaire/form1.h"
#include "questionnaire/keyorder.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

using namespace korim::test;
using korim::data::DataSource;
using korim::questionnaire::Form1;
using korim::questionnaire::MaskedEdit;
using korim::questionnaire::TabControl;

namespace {

const QString R1 = QStringLiteral(
    "Se deberá demostrar exportaciones directas por un valor equivalente al 40% de sus ventas totales en el "
    "ejercicio fiscal anterior o por 2 millones de dólares");
const QString R2 = QStringLiteral(
    "Se deberá demostrar exportaciones indirectas equivalentes al 50% de sus ventas totales en el ejercicio fiscal "
    "anterior");
const QString R3 = QStringLiteral(
    "Se deberá demostrar exportaciones directas por un valor equivalente al 40% de sus ventas totales en el "
    "ejercicio fiscal anterior o por 2 millones de dólares, sumando los dos tipos de exportación. Para tal efecto la "
    "Secretaría de Zentoria considerá únicamente el 80% del valor de las exportaciones indirectas registradas por la "
    "empresa");

// Clicks a tab in the tab bar, as the clerk does.
void clickTab(Form1 *form, int index)
{
    QTabBar *bar = form->control<TabControl>(u"SSTab1")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

} // namespace

class StateTest : public QObject {
    Q_OBJECT

    static std::unique_ptr<Form1> storedForm(QTemporaryDir &dir, const QVariantMap &changes = {})
    {
        FolderSpec spec;
        QVariantMap app = sampleApplication();
        for (auto it = changes.cbegin(); it != changes.cend(); ++it)
            app.insert(it.key(), it.value());
        spec.application = app;
        return openForm(makeDataFolder(dir.path(), spec));
    }

private slots:
    void changingTabRecomputesTotals()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        // Stored 3 + 12 and 1000 + 250.5: shown on the first tab change.
        clickTab(form.get(), 1);
        QCOMPARE(form->control<QLineEdit>(u"TotalPersonal")->text(), QStringLiteral("15"));
        QCOMPARE(form->control<QLineEdit>(u"TotalVentas")->text(), QStringLiteral("1250.5"));
        // Any change of tab, whichever way, with the leading number of each text.
        form->control<QLineEdit>(u"NoEmpleados")->setText(QString());
        form->control<QLineEdit>(u"NoObreros")->setText(QString());
        form->control<QLineEdit>(u"VentasPais")->setText(QStringLiteral("12ABC"));
        form->control<QLineEdit>(u"VentasExterior")->setText(QStringLiteral(" 0.5"));
        clickTab(form.get(), 6);
        QCOMPARE(form->control<QLineEdit>(u"TotalPersonal")->text(), QStringLiteral("0"));
        QCOMPARE(form->control<QLineEdit>(u"TotalVentas")->text(), QStringLiteral("12.5"));
        QVERIFY(!form->control<QLineEdit>(u"TotalPersonal")->isEnabled()
                && !form->control<QLineEdit>(u"TotalVentas")->isEnabled());
    }

    void programmeTypeOptions()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir, {{QStringLiteral("TIPOPROG"), 0}});
        QVERIFY(form->control<QButtonGroup>(u"optTipoPrograma")->checkedId() == -1);
        clickTab(form.get(), 3);

        QTest::mouseClick(form->control<QRadioButton>(u"chkProdFinal"), Qt::LeftButton);
        QCOMPARE(form->control<QLineEdit>(u"TipoProg")->text(), QStringLiteral("1"));
        QVERIFY(form->control<TabControl>(u"SSTab1")->isTabEnabled(4));
        QVERIFY(!form->control<TabControl>(u"SSTab1")->isTabEnabled(5));
        QCOMPARE(form->control<QTextEdit>(u"RichTextBox1")->toPlainText(), R1);
        QVERIFY(form->control<QTextEdit>(u"RichTextBox2")->toPlainText().isEmpty());

        // Indirect: tab 4 closed, tab 5 open, the first note keeps its text.
        QTest::mouseClick(form->control<QRadioButton>(u"chkrodIndirecto"), Qt::LeftButton);
        QCOMPARE(form->control<QLineEdit>(u"TipoProg")->text(), QStringLiteral("2"));
        QVERIFY(!form->control<TabControl>(u"SSTab1")->isTabEnabled(4));
        QVERIFY(form->control<TabControl>(u"SSTab1")->isTabEnabled(5));
        QCOMPARE(form->control<QTextEdit>(u"RichTextBox2")->toPlainText(), R2);
        QCOMPARE(form->control<QTextEdit>(u"RichTextBox1")->toPlainText(), R1);
        // A closed tab cannot be selected, neither by a click nor from code.
        clickTab(form.get(), 4);
        QCOMPARE(form->control<TabControl>(u"SSTab1")->currentIndex(), 3);
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(4);
        QCOMPARE(form->control<TabControl>(u"SSTab1")->currentIndex(), 3);
        clickTab(form.get(), 5);
        QCOMPARE(form->control<TabControl>(u"SSTab1")->currentIndex(), 5);
        clickTab(form.get(), 3);

        // Both: code 4 (never 3), both tabs open, R3 in both notes.
        QTest::mouseClick(form->control<QRadioButton>(u"chkAbastecedor"), Qt::LeftButton);
        QCOMPARE(form->control<QLineEdit>(u"TipoProg")->text(), QStringLiteral("4"));
        QVERIFY(form->control<TabControl>(u"SSTab1")->isTabEnabled(4)
                && form->control<TabControl>(u"SSTab1")->isTabEnabled(5));
        QCOMPARE(form->control<QTextEdit>(u"RichTextBox1")->toPlainText(), R3);
        QCOMPARE(form->control<QTextEdit>(u"RichTextBox2")->toPlainText(), R3);
        QVERIFY(!form->control<QRadioButton>(u"chkProdFinal")->isChecked()
                && !form->control<QRadioButton>(u"chkrodIndirecto")->isChecked());

        // The code goes into the record with the next write.
        form->application().dtsDatoProv()->updateRecord();
        QCOMPARE(form->application().dtsDatoProv()->value(QStringLiteral("TIPOPROG")).toInt(), 4);
    }

    void restoredFromTheStoredCode()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir, {{QStringLiteral("TIPOPROG"), 2}});
        QVERIFY(form->control<QRadioButton>(u"chkrodIndirecto")->isChecked());
        QVERIFY(!form->control<TabControl>(u"SSTab1")->isTabEnabled(4));
        QCOMPARE(form->control<QTextEdit>(u"RichTextBox2")->toPlainText(), R2);
        // Showing tab 2 restores the option from TipoProg again.
        form->uncheckProgrammeOptions();
        QCOMPARE(form->control<QButtonGroup>(u"optTipoPrograma")->checkedId(), -1);
        form->control<QLineEdit>(u"TipoProg")->setText(QStringLiteral("1"));
        clickTab(form.get(), 2);
        QVERIFY(form->control<QRadioButton>(u"chkProdFinal")->isChecked());
        QVERIFY(!form->control<TabControl>(u"SSTab1")->isTabEnabled(5));
        QCOMPARE(form->control<QTextEdit>(u"RichTextBox1")->toPlainText(), R1);
        // Any other text selects nothing.
        form->uncheckProgrammeOptions();
        form->control<QLineEdit>(u"TipoProg")->setText(QStringLiteral("3"));
        clickTab(form.get(), 0);
        clickTab(form.get(), 2);
        QCOMPARE(form->control<QButtonGroup>(u"optTipoPrograma")->checkedId(), -1);
    }

    void habilitaSwitchesTheStretchOnly()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        // Some controls are made when first needed; the lookups below go by name.
        form->makeAllControls();
        QHash<QWidget *, bool> before;
        for (const auto &entry : korim::questionnaire::keyboardOrder()) {
            QWidget *w = form->findChild<QWidget *>(QString::fromLatin1(entry.control));
            before.insert(w, w->isEnabled());
        }
        for (bool on : {false, true, false}) {
            form->Habilita(on);
            for (const auto &entry : korim::questionnaire::keyboardOrder()) {
                QWidget *w = form->findChild<QWidget *>(QString::fromLatin1(entry.control));
                const bool inStretch = entry.place >= 10 && entry.place <= 36;
                QCOMPARE(w->isEnabled(), inStretch ? on : before.value(w));
            }
            // Hidden controls of the stretch stay hidden.
            QVERIFY(form->control<QLineEdit>(u"txtAdmLocal")->isHidden());
            QVERIFY(form->control<QToolButton>(u"Command1_5")->isHidden());
            QVERIFY(form->control<QToolButton>(u"Command1_9")->isEnabled());
            QVERIFY(form->control<MaskedEdit>(u"MaskEdBox1")->isEnabled());
        }
    }

    void procedureTypeList()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        QVERIFY(!form->control<QLineEdit>(u"txtProg1")->isEnabled()
                && !form->control<QLineEdit>(u"txtProg2")->isEnabled());
        // An entry other than the first asks for the registration; the first does not.
        form->control<QComboBox>(u"Combo1")->addItem(QStringLiteral("Otro trámite"), 2);
        form->control<QComboBox>(u"Combo1")->setCurrentIndex(1);
        QVERIFY(form->control<QLineEdit>(u"txtProg1")->isEnabled()
                && form->control<QLineEdit>(u"txtProg2")->isEnabled());
        QVERIFY(form->control<QLineEdit>(u"txtProg1")->isHidden());
        form->control<QComboBox>(u"Combo1")->setCurrentIndex(0);
        QVERIFY(!form->control<QLineEdit>(u"txtProg1")->isEnabled()
                && !form->control<QLineEdit>(u"txtProg2")->isEnabled());
        // A stored procedure selects its entry through the same handling.
        form->busca(form->control<QComboBox>(u"Combo1"), 2);
        QCOMPARE(form->control<QComboBox>(u"Combo1")->currentIndex(), 1);
        QVERIFY(form->control<QLineEdit>(u"txtProg1")->isEnabled());
    }

    void movesRunTheCancelCommand()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        QSignalSpy run(form.get(), &Form1::commandRun);
        form->application().dtsDatoProv()->moveFirst();
        form->application().dtsDatoProv()->moveLast();
        form->application().dtsDatoProv()->movePrevious();
        form->application().dtsDatoProv()->moveNext();
        QCOMPARE(run.count(), 4);
        for (const auto &call : run)
            QCOMPARE(call.at(0).toInt(), 5);
        // Other notifications are let through.
        run.clear();
        form->application().dtsDatoProv()->moveFirst();
        run.clear();
        form->application().dtsDatoProv()->setBookmark(form->application().dtsDatoProv()->bookmark());
        QCOMPARE(run.count(), 0);
    }
};

QTEST_MAIN(StateTest)
#include "tst_form1_state.moc"
