// Catalogue lookups: busca's matching, the activity place/code translations,
// and the list handlers that write the chosen keys into the record.

#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "questionnaire/form1.h"
#include "questionnaire/tabcontrol.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::test;
using korim::platform::MsgAnswer;
using korim::questionnaire::Form1;
using korim::questionnaire::TabControl;

class LookupsTest : public QObject {
    Q_OBJECT

    static std::unique_ptr<Form1> storedForm(QTemporaryDir &dir, QString *folder = nullptr)
    {
        FolderSpec spec;
        spec.application = sampleApplication();
        const QString f = makeDataFolder(dir.path(), spec);
        if (folder)
            *folder = f;
        return openForm(f);
    }

private slots:
    void buscaMatchesTrimmedUpperCaseText()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        QComboBox *bank = form->control<QComboBox>(u"cmbBanco");
        // A key stored as text with blanks matches the number without them.
        form->busca(bank, QStringLiteral("  3 "));
        QCOMPARE(bank->currentIndex(), 1);
        form->busca(bank, 104.0);
        QCOMPARE(bank->currentIndex(), 2);
        // Letters are compared in upper case.
        QComboBox letters;
        letters.addItem(QStringLiteral("uno"), QStringLiteral("ab"));
        letters.addItem(QStringLiteral("dos"), QStringLiteral(" Cd"));
        letters.addItem(QStringLiteral("tres"), QStringLiteral("ef"));
        form->busca(&letters, QStringLiteral("CD "));
        QCOMPARE(letters.currentIndex(), 1);
        // Each entry is selected on the way, as a user's choice would be.
        letters.setCurrentIndex(-1);
        QSignalSpy changes(&letters, &QComboBox::currentIndexChanged);
        form->busca(&letters, QStringLiteral("EF"));
        QCOMPARE(changes.count(), 3);
        // No match: the last entry stays selected; an empty list stays as it is.
        form->busca(&letters, QStringLiteral("zz"));
        QCOMPARE(letters.currentIndex(), 2);
        form->busca(bank, QVariant());
        QCOMPARE(bank->currentIndex(), bank->count() - 1);
        QComboBox empty;
        form->busca(&empty, 1);
        QCOMPARE(empty.currentIndex(), -1);
        // The place a list made later is given agrees with busca, key by key.
        for (QComboBox *list : {bank, &letters, &empty}) {
            for (const QVariant &key : {QVariant(QStringLiteral("  3 ")), QVariant(104.0), QVariant(),
                                        QVariant(QStringLiteral("cd")), QVariant(QStringLiteral("zz"))}) {
                list->setCurrentIndex(-1);
                form->busca(list, key);
                QList<QVariant> keys;
                for (int i = 0; i < list->count(); ++i)
                    keys.append(list->itemData(i));
                QCOMPARE(korim::application::buscaPlace(keys, key), list->currentIndex());
            }
        }
    }

    void activityPlacesAndCodes()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        const korim::application::Solicitud &app = form->application();
        QCOMPARE(app.BuscaActividad(4), 337110); // a six-digit code survives
        QCOMPARE(app.BuscaActividadEntrada(337110), 4);
        QCOMPARE(app.BuscaActividadEntrada(111201), 1);
        // Nothing found: no place, and no code.
        QCOMPARE(app.BuscaActividadEntrada(424242), -1);
        QCOMPARE(app.BuscaActividad(99), 0);
    }

    void leavingTheActivityListWritesItsCode()
    {
        QTemporaryDir dir;
        QString folder;
        auto form = storedForm(dir, &folder);
        QVERIFY(focusOn(form->control<QComboBox>(u"cmbActividad")));
        form->control<QComboBox>(u"cmbActividad")->setCurrentIndex(1);
        QCOMPARE(form->application().dtsDatoProv()->value(22).toLongLong(), 337110LL); // not yet
        QVERIFY(focusOn(form->control<QLineEdit>(u"txtApePat1")));
        QCOMPARE(form->application().dtsDatoProv()->value(22).toLongLong(), 111201LL);
        // Choosing the fifth activity stores the code of the record at place 4.
        QVERIFY(focusOn(form->control<QComboBox>(u"cmbActividad")));
        form->control<QComboBox>(u"cmbActividad")->setCurrentIndex(4);
        QVERIFY(focusOn(form->control<QLineEdit>(u"txtApePat1")));
        QCOMPARE(form->application().dtsDatoProv()->value(22).toLongLong(), 337110LL);
    }

    void bankListHandlers()
    {
        QTemporaryDir dir;
        QString folder;
        auto form = storedForm(dir, &folder);
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(6);
        QComboBox *bank = form->control<QComboBox>(u"cmbBanco");
        QVERIFY(focusOn(bank));
        // Choosing from the list is not editing its text: position 34 stays.
        bank->setCurrentIndex(2);
        QCOMPARE(form->application().dtsDatoProv()->value(34).toLongLong(), 3LL);
        // Typed text that names an entry (as the save reads it: any case,
        // outer blanks aside) writes that entry's key, whatever entry was
        // selected before; text that names none leaves 34 as it was.
        bank->setCurrentIndex(0);
        bank->lineEdit()->clear();
        QTest::keyClicks(bank, " banca industrial zentoriana");
        QCOMPARE(form->application().dtsDatoProv()->value(34).toLongLong(), 104LL);
        QTest::keyClicks(bank, "x");
        QCOMPARE(form->application().dtsDatoProv()->value(34).toLongLong(), 104LL);
        bank->lineEdit()->clear();
        QTest::keyClicks(bank, "banco del valle");
        QCOMPARE(form->application().dtsDatoProv()->value(34).toLongLong(), 9LL);
        // Leaving it then writes that same bank into 35.
        QVERIFY(focusOn(form->control<QLineEdit>(u"txtsucursal")));
        QCOMPARE(form->application().dtsDatoProv()->value(35).toLongLong(), 9LL);
        QVERIFY(focusOn(bank));
        bank->setCurrentIndex(2);
        // Leaving it writes the chosen bank into position 35 ...
        bank->setCurrentIndex(3);
        QVERIFY(focusOn(form->control<QLineEdit>(u"txtsucursal")));
        QCOMPARE(form->application().dtsDatoProv()->value(35).toLongLong(), 135LL);
        // ... so saving on the way out and starting again shows that same bank.
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::Yes);
        QVERIFY(form->close());
        form.reset();
        auto again = openForm(folder);
        QCOMPARE(again->control<QComboBox>(u"cmbBanco")->currentIndex(), 3);
        QCOMPARE(again->control<QComboBox>(u"cmbBanco")->currentText(), QStringLiteral("Banca Lucero del Norte"));
        boxes.answer(MsgAnswer::No);
        again->close();
    }

    void listHandlersOnANewRecord()
    {
        // The handlers write into the pending new record as well.
        QTemporaryDir dir;
        auto form = openForm(makeDataFolder(dir.path()));
        QVERIFY(focusOn(form->control<QComboBox>(u"cmbActividad")));
        form->control<QComboBox>(u"cmbActividad")->setCurrentIndex(2);
        QVERIFY(focusOn(form->control<QLineEdit>(u"txtApePat1")));
        QCOMPARE(form->application().dtsDatoProv()->value(22).toLongLong(), 112101LL);
        // Nothing typed: the record is still dropped at close.
        MessageRecorder boxes;
        QVERIFY(form->close());
        QVERIFY(boxes.requests().isEmpty());
        QCOMPARE(readWithDbfread(tablePath(dir.path(), QStringLiteral("datoprov.dbf"))).size(), 0);
    }
};

QTEST_MAIN(LookupsTest)
#include "tst_form1_lookups.moc"
