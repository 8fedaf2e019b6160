// Every typed character goes through one pipeline: upper case everywhere, lower
// case in the two e-mail fields, with accents, input-method commits, grid cell
// editors, the editable bank list, and text that arrives without keys.

#include "questionnaire/support/commandtest.h"
#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "data/dbf.h"
#include "questionnaire/form1.h"
#include "questionnaire/gridmodel.h"
#include "questionnaire/keypipeline.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QClipboard>
#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::test;
using korim::data::DbfTable;
using korim::questionnaire::Form1;
using korim::questionnaire::KeyMode;
using korim::questionnaire::KeyPipeline;
using korim::questionnaire::MaskedEdit;
using korim::questionnaire::TabControl;

class TypingTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder_;
    std::unique_ptr<Form1> form_;

    QLineEdit *fresh(QLineEdit *field)
    {
        field->setEnabled(true);
        field->clear();
        if (!focusOn(field))
            qWarning("no focus on %s", qPrintable(field->objectName()));
        return field;
    }

private slots:
    void initTestCase()
    {
        FolderSpec spec;
        spec.application = sampleApplication();
        folder_ = makeDataFolder(dir_.path(), spec);
        form_ = openForm(folder_);
        form_->Habilita(true);
    }

    void cleanupTestCase()
    {
        MessageRecorder boxes;
        boxes.answer(korim::platform::MsgAnswer::No);
        form_->close();
        form_.reset();
    }

    void lettersBecomeCapitals()
    {
        QLineEdit *f = fresh(form_->control<QLineEdit>(u"txtApePat1"));
        QTest::keyClicks(f, "exportadora del sur 2");
        QCOMPARE(f->text(), QStringLiteral("EXPORTADORA DEL SUR 2"));
        // Accented letters and ñ by the platform's upper-casing.
        typeText(f, QStringLiteral(" áéíóúüñ"));
        QCOMPARE(f->text(), QStringLiteral("EXPORTADORA DEL SUR 2 ÁÉÍÓÚÜÑ"));
        // What reaches the table is the capital.
        form_->application().dtsDatoProv()->updateRecord();
        const QJsonArray rows = readWithDbfread(tablePath(folder_, QStringLiteral("datoprov.dbf")));
        QCOMPARE(rows.at(0).toArray().at(1).toString(), QStringLiteral("EXPORTADORA DEL SUR 2 ÁÉÍÓÚÜÑ"));
        form_->application().dtsDatoProv()->edit();
    }

    void emailFieldsStayLowerCase()
    {
        for (QLineEdit *f : {form_->control<QLineEdit>(u"txtEmail1"), form_->control<QLineEdit>(u"EMAILREP")}) {
            form_->control<TabControl>(u"SSTab1")->setCurrentIndex(f == form_->control<QLineEdit>(u"EMAILREP") ? 1 : 0);
            fresh(f);
            QTest::keyClicks(f, "Ventas@Sur.COM");
            typeText(f, QStringLiteral("Ñ"));
            QCOMPARE(f->text(), QStringLiteral("ventas@sur.comñ"));
        }
    }

    void inputMethodCommits()
    {
        // Dead keys arrive as commits, not key presses.
        QLineEdit *f = fresh(form_->control<QLineEdit>(u"txtApePat1"));
        commitText(f, QStringLiteral("é"));
        commitText(f, QStringLiteral("ñu"));
        QCOMPARE(f->text(), QStringLiteral("ÉÑU"));
        QLineEdit *mail = fresh(form_->control<QLineEdit>(u"txtEmail1"));
        commitText(mail, QStringLiteral("É"));
        QCOMPARE(mail->text(), QStringLiteral("é"));
        // A field's own filter sees committed characters too, already in capitals.
        QList<int> seen;
        KeyPipeline::setKeyFilter(f, [&seen](int key) {
            seen << key;
            return key == 0xD1 ? 0 : key; // drops Ñ
        });
        f->clear();
        commitText(f, QStringLiteral("éña"));
        KeyPipeline::setKeyFilter(f, {});
        QCOMPARE(seen, (QList<int>{0xC9, 0xD1, 'A'}));
        QCOMPARE(f->text(), QStringLiteral("ÉA"));
    }

    void rfcFieldKeepsItsPlaces()
    {
        auto *rfc = form_->control<MaskedEdit>(u"MaskEdBox1");
        rfc->setMaskedText(QString());
        QVERIFY(focusOn(rfc));
        rfc->setCursorPosition(0);
        QTest::keyClicks(rfc, " abc800101ab1");
        QCOMPARE(rfc->maskedText(), QStringLiteral(" ABC800101AB1"));
        rfc->setMaskedText(QString());
        rfc->setCursorPosition(0);
        typeText(rfc, QStringLiteral("ñ"));
        QCOMPARE(rfc->maskedText().left(1), QStringLiteral("Ñ"));
        rfc->setMaskedText(QStringLiteral(" ABC800101AB1"));
    }

    void gridCellsAndNewProducts()
    {
        // A label cell of the indirect-export grid: the first key opens the
        // editor; the sales grids take digits only, in the editor too.
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(5);
        QTableView *grid = form_->control<QTableView>(u"dbVentasTot");
        QVERIFY(focusOn(grid));
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTest::keyClick(grid, '1');
        QVERIFY(grid->isAncestorOf(QApplication::focusWidget())); // the cell editor
        QTest::keyClicks(QApplication::focusWidget(), "bc2");
        typeText(QApplication::focusWidget(), QStringLiteral("ñ"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor hands its text over from the event loop
        QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("12"));
        QCOMPARE(form_->application().dtsVentasExp()->value(QStringLiteral("ETIQUETA")).toString(), QStringLiteral("12"));

        // Typing into the blank row of the products grid adds a product.
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(3);
        QTableView *products = form_->control<QTableView>(u"dbProductos");
        QVERIFY(focusOn(products));
        const int newRow = form_->productosModel->newRow();
        QCOMPARE(newRow, 0);
        products->setCurrentIndex(products->model()->index(newRow, 0));
        QTest::keyClick(products, 'm');
        QTest::keyClicks(QApplication::focusWidget(), "esa de pino ");
        typeText(QApplication::focusWidget(), QStringLiteral("ñ"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents();
        const QJsonArray rows = readWithDbfread(tablePath(folder_, QStringLiteral("PROVMERC.dbf")));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).toArray().at(2).toString(), QStringLiteral("MESA DE PINO Ñ"));
        // A new blank row waits below it.
        QCOMPARE(products->model()->rowCount(), 2);
        QCOMPARE(form_->productosModel->newRow(), 1);
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(0);
    }

    void editableBankList()
    {
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(6);
        QComboBox *bank = form_->control<QComboBox>(u"cmbBanco");
        QVERIFY(focusOn(bank));
        bank->lineEdit()->clear();
        QTest::keyClicks(bank, "banco x");
        QCOMPARE(bank->currentText(), QStringLiteral("BANCO X"));
        // A chosen entry is shown as the catalogue writes it.
        bank->setCurrentIndex(4);
        QCOMPARE(bank->currentText(), QStringLiteral("Banco del Valle"));
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(0);
    }

    void textWithoutKeys()
    {
        // Paste obeys the field's rules like typing.
        QLineEdit *name = fresh(form_->control<QLineEdit>(u"txtApePat1"));
        QApplication::clipboard()->setText(QStringLiteral("Mezcla de Mayúsculas ñ"));
        name->paste();
        QCOMPARE(name->text(), QStringLiteral("MEZCLA DE MAYÚSCULAS Ñ"));
        QLineEdit *mail = fresh(form_->control<QLineEdit>(u"txtEmail1"));
        QApplication::clipboard()->setText(QStringLiteral("Ventas@SUR.com"));
        mail->paste();
        QCOMPARE(mail->text(), QStringLiteral("ventas@sur.com"));
        // So does text set by code.
        name->setText(QStringLiteral("razón social"));
        QCOMPARE(name->text(), QStringLiteral("RAZÓN SOCIAL"));
        // A digits-only field takes neither letters nor signs from a paste.
        QLineEdit *staff = form_->control<QLineEdit>(u"NoEmpleados");
        KeyPipeline::setMode(staff, KeyMode::Digits);
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(2);
        fresh(staff);
        QApplication::clipboard()->setText(QStringLiteral("12a,3.5-x"));
        staff->paste();
        QCOMPARE(staff->text(), QStringLiteral("123.5"));
        QTest::keyClicks(staff, "7b-.");
        QCOMPARE(staff->text(), QStringLiteral("123.57."));
        KeyPipeline::setMode(staff, KeyMode::Upper);
        // The list's editor only normalises what the user puts in.
        QComboBox *bank = form_->control<QComboBox>(u"cmbBanco");
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(6);
        QVERIFY(focusOn(bank));
        bank->lineEdit()->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("banca lucero"));
        bank->lineEdit()->paste();
        QCOMPARE(bank->currentText(), QStringLiteral("BANCA LUCERO"));
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(0);
    }

    void storedValuesShowAsStored()
    {
        // The filters are for typing and pasting: a stored value is shown and
        // written back as the table holds it, on every tab, until it is edited.
        QTemporaryDir dir;
        FolderSpec spec;
        spec.application = sampleApplication();
        spec.application->insert(QStringLiteral("APEPATRAZ"), QStringLiteral("Gómez y Cía"));
        spec.application->insert(QStringLiteral("TELEFONO"), QStringLiteral("55-1234-5678"));
        spec.application->insert(QStringLiteral("EMAIL"), QStringLiteral("Ventas@Sur.COM"));
        spec.application->insert(QStringLiteral("NOMBREREPL"), QStringLiteral("Ana María"));
        spec.application->insert(QStringLiteral("EMAILREPL"), QStringLiteral("Ana@Sur.COM"));
        spec.application->insert(QStringLiteral("NOEMPLEADO"), QStringLiteral("3 (prom.)"));
        const QString folder = makeDataFolder(dir.path(), spec);
        const QString table = tablePath(folder, QStringLiteral("datoprov.dbf"));
        // The records, without the header and its date of last change.
        auto records = [&table] {
            const QByteArray bytes = fileBytes(table);
            const int header = quint8(bytes.at(8)) | quint8(bytes.at(9)) << 8;
            return bytes.mid(header);
        };
        const QByteArray stored = records();

        auto form = openForm(folder);
        MessageRecorder boxes;
        QCOMPARE(form->control<QLineEdit>(u"txtApePat1")->text(), QStringLiteral("Gómez y Cía"));
        QCOMPARE(form->control<QLineEdit>(u"txtTelefono")->text(), QStringLiteral("55-1234-5678"));
        QCOMPARE(form->control<QLineEdit>(u"txtEmail1")->text(), QStringLiteral("Ventas@Sur.COM"));
        // Fields of tabs made later show it the same way.
        form->makeAllControls();
        QCOMPARE(form->control<QLineEdit>(u"txtNombreR2")->text(), QStringLiteral("Ana María"));
        QCOMPARE(form->control<QLineEdit>(u"EMAILREP")->text(), QStringLiteral("Ana@Sur.COM"));
        QCOMPARE(form->control<QLineEdit>(u"NoEmpleados")->text(), QStringLiteral("3 (prom.)"));
        form->Command1_Click(1);
        QCOMPARE(boxes.requests().size(), 0);
        QCOMPARE(records(), stored);

        // Editing a field filters what is typed into it, not what was there.
        form->Habilita(true);
        QVERIFY(focusOn(form->control<QLineEdit>(u"txtApePat1")));
        form->control<QLineEdit>(u"txtApePat1")->end(false);
        typeText(form->control<QLineEdit>(u"txtApePat1"), QStringLiteral("x"));
        QCOMPARE(form->control<QLineEdit>(u"txtApePat1")->text(), QStringLiteral("Gómez y CíaX"));
        // A paste in front of the same letters: the pasted ones change.
        form->control<QLineEdit>(u"txtApePat1")->setCursorPosition(6);
        QApplication::clipboard()->setText(QStringLiteral("y "));
        form->control<QLineEdit>(u"txtApePat1")->paste();
        QCOMPARE(form->control<QLineEdit>(u"txtApePat1")->text(), QStringLiteral("Gómez Y y CíaX"));
        QCOMPARE(form->control<QLineEdit>(u"txtApePat1")->cursorPosition(), 8);
        form->control<QLineEdit>(u"txtApePat1")->setText(QStringLiteral("Gómez y CíaX"));
        QCOMPARE(form->control<QLineEdit>(u"txtEmail1")->text(), QStringLiteral("Ventas@Sur.COM"));
        boxes.answer(korim::platform::MsgAnswer::Yes);
        QVERIFY(form->close());
        const QJsonArray row = readWithDbfread(table).at(0).toArray();
        QCOMPARE(row.at(1).toString(), QStringLiteral("Gómez y CíaX"));
        QCOMPARE(row.at(4).toString(), QStringLiteral("Ventas@Sur.COM"));
    }

    void fieldFiltersSeeTheCapital()
    {
        QLineEdit *f = fresh(form_->control<QLineEdit>(u"txtnombre1"));
        QList<int> seen;
        KeyPipeline::setKeyFilter(f, [&seen](int key) {
            seen << key;
            return key == 'X' ? 0 : key;
        });
        QTest::keyClicks(f, "axb");
        KeyPipeline::setKeyFilter(f, {});
        QCOMPARE(f->text(), QStringLiteral("AB"));
        QCOMPARE(seen, (QList<int>{'A', 'X', 'B'}));
        // Backspace reaches the filter and the field as a character.
        QTest::keyClick(f, Qt::Key_Backspace);
        QCOMPARE(f->text(), QStringLiteral("A"));
    }

    void whatIsNotTyping()
    {
        // Shortcuts pass untouched: Ctrl+A still selects everything.
        QLineEdit *f = fresh(form_->control<QLineEdit>(u"txtnombre1"));
        QTest::keyClicks(f, "abc");
        QTest::keyClick(f, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f->selectedText(), QStringLiteral("ABC"));
        // A character the tables cannot store is dropped; the euro sign is kept.
        f->clear();
        typeText(f, QStringLiteral("aΩ€b"));
        QCOMPARE(f->text(), QStringLiteral("A€B"));
        // Another window is none of the pipeline's business.
        QLineEdit other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        other.setFocus();
        QTest::keyClicks(&other, "abc");
        QCOMPARE(other.text(), QStringLiteral("abc"));
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    void modeFollowsParents()
    {
        // Cell editors and list editors take the mode of their grid or list.
        QLineEdit *inner = form_->control<QComboBox>(u"cmbBanco")->lineEdit();
        QCOMPARE(KeyPipeline::modeOf(inner), KeyMode::Upper);
        QCOMPARE(KeyPipeline::modeOf(form_->control<QLineEdit>(u"txtEmail1")), KeyMode::Lower);
        QCOMPARE(KeyPipeline::processKey(form_->control<QLineEdit>(u"txtEmail1"), 'A'), int('a'));
        QCOMPARE(KeyPipeline::processKey(form_->control<QLineEdit>(u"txtApePat1"), 0xE1), 0xC1); // á -> Á
        QCOMPARE(KeyPipeline::normalise(QStringLiteral("a\tb\nc"), KeyMode::Upper), QStringLiteral("ABC"));
        QCOMPARE(KeyPipeline::normalise(QStringLiteral("Tal Cual"), KeyMode::Untouched), QStringLiteral("Tal Cual"));
    }
};

QTEST_MAIN(TypingTest)
#include "tst_form1_typing.moc"
