// Tabs, totals, the programme type, the editing stretch, the procedure type
// and the reaction to a move of the application's data source.

#include "questionnaire/support/formtest.h"

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
    QTabBar *bar = form->SSTab1->tabBar();
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
        QCOMPARE(form->TotalPersonal->text(), QStringLiteral("15"));
        QCOMPARE(form->TotalVentas->text(), QStringLiteral("1250.5"));
        // Any change of tab, whichever way, with the leading number of each text.
        form->NoEmpleados->setText(QString());
        form->NoObreros->setText(QString());
        form->VentasPais->setText(QStringLiteral("12ABC"));
        form->VentasExterior->setText(QStringLiteral(" 0.5"));
        clickTab(form.get(), 6);
        QCOMPARE(form->TotalPersonal->text(), QStringLiteral("0"));
        QCOMPARE(form->TotalVentas->text(), QStringLiteral("12.5"));
        QVERIFY(!form->TotalPersonal->isEnabled() && !form->TotalVentas->isEnabled());
    }

    void programmeTypeOptions()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir, {{QStringLiteral("TIPOPROG"), 0}});
        QVERIFY(form->optTipoPrograma->checkedId() == -1);
        clickTab(form.get(), 3);

        QTest::mouseClick(form->chkProdFinal, Qt::LeftButton);
        QCOMPARE(form->TipoProg->text(), QStringLiteral("1"));
        QVERIFY(form->SSTab1->isTabEnabled(4));
        QVERIFY(!form->SSTab1->isTabEnabled(5));
        QCOMPARE(form->RichTextBox1->toPlainText(), R1);
        QVERIFY(form->RichTextBox2->toPlainText().isEmpty());

        // Indirect: tab 4 closed, tab 5 open, the first note keeps its text.
        QTest::mouseClick(form->chkrodIndirecto, Qt::LeftButton);
        QCOMPARE(form->TipoProg->text(), QStringLiteral("2"));
        QVERIFY(!form->SSTab1->isTabEnabled(4));
        QVERIFY(form->SSTab1->isTabEnabled(5));
        QCOMPARE(form->RichTextBox2->toPlainText(), R2);
        QCOMPARE(form->RichTextBox1->toPlainText(), R1);
        // A closed tab cannot be selected, neither by a click nor from code.
        clickTab(form.get(), 4);
        QCOMPARE(form->SSTab1->currentIndex(), 3);
        form->SSTab1->setCurrentIndex(4);
        QCOMPARE(form->SSTab1->currentIndex(), 3);
        clickTab(form.get(), 5);
        QCOMPARE(form->SSTab1->currentIndex(), 5);
        clickTab(form.get(), 3);

        // Both: code 4 (never 3), both tabs open, R3 in both notes.
        QTest::mouseClick(form->chkAbastecedor, Qt::LeftButton);
        QCOMPARE(form->TipoProg->text(), QStringLiteral("4"));
        QVERIFY(form->SSTab1->isTabEnabled(4) && form->SSTab1->isTabEnabled(5));
        QCOMPARE(form->RichTextBox1->toPlainText(), R3);
        QCOMPARE(form->RichTextBox2->toPlainText(), R3);
        QVERIFY(!form->chkProdFinal->isChecked() && !form->chkrodIndirecto->isChecked());

        // The code goes into the record with the next write.
        form->dtsDatoProv->updateRecord();
        QCOMPARE(form->dtsDatoProv->value(QStringLiteral("TIPOPROG")).toInt(), 4);
    }

    void restoredFromTheStoredCode()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir, {{QStringLiteral("TIPOPROG"), 2}});
        QVERIFY(form->chkrodIndirecto->isChecked());
        QVERIFY(!form->SSTab1->isTabEnabled(4));
        QCOMPARE(form->RichTextBox2->toPlainText(), R2);
        // Showing tab 2 restores the option from TipoProg again.
        form->uncheckProgrammeOptions();
        QCOMPARE(form->optTipoPrograma->checkedId(), -1);
        form->TipoProg->setText(QStringLiteral("1"));
        clickTab(form.get(), 2);
        QVERIFY(form->chkProdFinal->isChecked());
        QVERIFY(!form->SSTab1->isTabEnabled(5));
        QCOMPARE(form->RichTextBox1->toPlainText(), R1);
        // Any other text selects nothing.
        form->uncheckProgrammeOptions();
        form->TipoProg->setText(QStringLiteral("3"));
        clickTab(form.get(), 0);
        clickTab(form.get(), 2);
        QCOMPARE(form->optTipoPrograma->checkedId(), -1);
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
            QVERIFY(form->txtAdmLocal->isHidden());
            QVERIFY(form->Command1[5]->isHidden());
            QVERIFY(form->Command1[9]->isEnabled());
            QVERIFY(form->MaskEdBox1->isEnabled());
        }
    }

    void procedureTypeList()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        QVERIFY(!form->txtProg1->isEnabled() && !form->txtProg2->isEnabled());
        // An entry other than the first asks for the registration; the first does not.
        form->Combo1->addItem(QStringLiteral("Otro trámite"), 2);
        form->Combo1->setCurrentIndex(1);
        QVERIFY(form->txtProg1->isEnabled() && form->txtProg2->isEnabled());
        QVERIFY(form->txtProg1->isHidden());
        form->Combo1->setCurrentIndex(0);
        QVERIFY(!form->txtProg1->isEnabled() && !form->txtProg2->isEnabled());
        // A stored procedure selects its entry through the same handling.
        form->busca(form->Combo1, 2);
        QCOMPARE(form->Combo1->currentIndex(), 1);
        QVERIFY(form->txtProg1->isEnabled());
    }

    void movesRunTheCancelCommand()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        QSignalSpy run(form.get(), &Form1::commandRun);
        form->dtsDatoProv->moveFirst();
        form->dtsDatoProv->moveLast();
        form->dtsDatoProv->movePrevious();
        form->dtsDatoProv->moveNext();
        QCOMPARE(run.count(), 4);
        for (const auto &call : run)
            QCOMPARE(call.at(0).toInt(), 5);
        // Other notifications are let through.
        run.clear();
        form->dtsDatoProv->moveFirst();
        run.clear();
        form->dtsDatoProv->setBookmark(form->dtsDatoProv->bookmark());
        QCOMPARE(run.count(), 0);
    }
};

QTEST_MAIN(StateTest)
#include "tst_form1_state.moc"
