// Closing the window: the save question while the stored application is being
// edited, its three answers, and what becomes of a new record.

#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "questionnaire/form1.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::test;
using korim::data::DataSource;
using korim::platform::MsgAnswer;
using korim::platform::MsgButtons;
using korim::platform::MsgIcon;
using korim::questionnaire::Form1;
using korim::questionnaire::MaskedEdit;
using korim::questionnaire::TabControl;

class ShutdownTest : public QObject {
    Q_OBJECT

    QString folder_;

    std::unique_ptr<Form1> editedForm(QTemporaryDir &dir)
    {
        FolderSpec spec;
        spec.application = sampleApplication();
        folder_ = makeDataFolder(dir.path(), spec);
        auto form = openForm(folder_);
        form->Habilita(true);
        QLineEdit *street = form->control<QLineEdit>(u"txtCalle");
        focusOn(street);
        street->selectAll();
        QTest::keyClicks(street, "calle nueva 7");
        return form;
    }

    QString storedStreet() const
    {
        return readWithDbfread(tablePath(folder_, QStringLiteral("datoprov.dbf"))).at(0).toArray().at(8).toString();
    }

private slots:
    void yesStoresTheEdits()
    {
        QTemporaryDir dir;
        auto form = editedForm(dir);
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::Yes);
        QVERIFY(form->close());
        QCOMPARE(boxes.requests().size(), 1);
        const auto &asked = boxes.requests().at(0);
        QCOMPARE(asked.text, QStringLiteral("Salvar los datos antes de salir?"));
        QCOMPARE(asked.title, QStringLiteral("ATENCION"));
        QCOMPARE(asked.buttons, MsgButtons::YesNoCancel);
        QCOMPARE(asked.icon, MsgIcon::None);
        QVERIFY(!form->isVisible());
        QCOMPARE(storedStreet(), QStringLiteral("CALLE NUEVA 7"));
    }

    void noDropsTheEdits()
    {
        QTemporaryDir dir;
        auto form = editedForm(dir);
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::No);
        QVERIFY(form->close());
        QCOMPARE(boxes.requests().size(), 1);
        QCOMPARE(storedStreet(), QStringLiteral("AV. CENTRAL 100"));
    }

    void cancelKeepsTheWindowAsItWas()
    {
        QTemporaryDir dir;
        auto form = editedForm(dir);
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::Cancel);
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("CALLE NUEVA 7"));
        QCOMPARE(storedStreet(), QStringLiteral("AV. CENTRAL 100"));
        // Asked again on the next try.
        boxes.answer(MsgAnswer::Yes);
        QVERIFY(form->close());
        QCOMPARE(boxes.requests().size(), 2);
        QCOMPARE(storedStreet(), QStringLiteral("CALLE NUEVA 7"));
    }

    void aNewRecordIsKeptOnlyWhenTyped()
    {
        QTemporaryDir dir;
        folder_ = makeDataFolder(dir.path());
        auto form = openForm(folder_);
        focusOn(form->control<MaskedEdit>(u"MaskEdBox1"));
        form->control<MaskedEdit>(u"MaskEdBox1")->setCursorPosition(0);
        QTest::keyClicks(form->control<MaskedEdit>(u"MaskEdBox1"), "abcd800101ab1");
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::Yes);
        QVERIFY(form->close());
        // A first application typed into is asked about, as a stored one is.
        QCOMPARE(boxes.requests().size(), 1);
        QCOMPARE(boxes.requests().at(0).text, QStringLiteral("Salvar los datos antes de salir?"));
        QCOMPARE(boxes.requests().at(0).buttons, MsgButtons::YesNoCancel);
        const QJsonArray rows = readWithDbfread(tablePath(folder_, QStringLiteral("datoprov.dbf")));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).toArray().at(0).toString(), QStringLiteral("ABCD800101AB1"));
        QCOMPARE(rows.at(0).toArray().at(20).toString(), QStringLiteral("14"));
    }

    void aCellBeingEditedIsNotLost()
    {
        QTemporaryDir dir;
        auto form = editedForm(dir);
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(5);
        QTableView *grid = form->control<QTableView>(u"dbVentasTot");
        QVERIFY(focusOn(grid));
        grid->setCurrentIndex(grid->model()->index(1, 0));
        QTest::keyClick(grid, '7');
        QTest::keyClicks(QApplication::focusWidget(), "07");
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::No);
        QVERIFY(form->close());
        const QJsonArray rows = readWithDbfread(tablePath(folder_, QStringLiteral("VENTAS.dbf")));
        QStringList labels;
        for (const QJsonValue &row : rows)
            labels << row.toArray().at(7).toString();
        QVERIFY2(labels.contains(QStringLiteral("707")), qPrintable(labels.join(QLatin1Char('|'))));
    }

    void aFailedWriteDoesNotCloseSilently()
    {
        QTemporaryDir dir;
        auto form = editedForm(dir);
        // Somebody replaced the table file under the open window.
        const QString table = tablePath(folder_, QStringLiteral("datoprov.dbf"));
        QVERIFY(QFile::copy(table, table + QStringLiteral(".new")));
        QVERIFY(QFile::remove(table));
        QVERIFY(QFile::rename(table + QStringLiteral(".new"), table));
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::Yes); // save
        boxes.answer(MsgAnswer::No);  // do not leave without saving
        QVERIFY(!form->close());
        QCOMPARE(boxes.requests().size(), 2);
        const auto &failure = boxes.requests().at(1);
        QVERIFY(failure.text.startsWith(QStringLiteral("No se pudieron guardar los datos:")));
        QVERIFY(failure.text.contains(QStringLiteral("datoprov")));
        QCOMPARE(failure.buttons, MsgButtons::YesNo);
        QCOMPARE(failure.icon, MsgIcon::Critical);
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("CALLE NUEVA 7"));
        // Leaving without saving is the clerk's choice.
        boxes.answer(MsgAnswer::Yes);
        boxes.answer(MsgAnswer::Yes);
        QVERIFY(form->close());
        QCOMPARE(storedStreet(), QStringLiteral("AV. CENTRAL 100"));
    }
};

QTEST_MAIN(ShutdownTest)
#include "tst_form1_shutdown.moc"
