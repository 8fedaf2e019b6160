// The journal through the window: what ends the pending edits and what
// keeps them, the start-up question and its answers, a journal that no
// longer fits, and the command line leaving it alone.

#include "questionnaire/support/commandtest.h"
#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include "application/journal.h"
#include "application/solicitud.h"
#include "questionnaire/form1.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace korim::test;
using korim::application::Journal;
using korim::application::Solicitud;
using korim::platform::MsgAnswer;
using korim::platform::MsgButtons;
using korim::questionnaire::Form1;
using korim::questionnaire::MaskedEdit;
using korim::questionnaire::TabControl;

namespace {

int fileMode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QMap<QString, QByteArray> tables(const QString &folder)
{
    QMap<QString, QByteArray> t = folderBytes(folder);
    for (auto it = t.begin(); it != t.end();)
        it = it.key().endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive) ? std::next(it) : t.erase(it);
    return t;
}

void typeInto(QLineEdit *field, const QString &text)
{
    focusOn(field);
    field->end(false);
    typeText(field, text);
}

} // namespace

class JournalFormTest : public QObject {
    Q_OBJECT

    QString folder_;

    QString journal() const { return Solicitud::journalPath(folder_); }
    QString backup() const { return Solicitud::journalBackupPath(folder_); }

    std::unique_ptr<Form1> storedForm(QTemporaryDir &dir)
    {
        FolderSpec spec;
        spec.application = completeApplication();
        spec.products = {QStringLiteral("MESA DE PINO")};
        folder_ = makeDataFolder(dir.path() + QStringLiteral("/KORIM"), spec);
        auto form = openForm(folder_);
        form->Command1_Click(6); // "Editar Datos"
        return form;
    }

    // Typed into a field, a list and the options: the journal has them.
    static void typeSome(Form1 *form)
    {
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral(" piso 3"));
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(1);
        typeInto(form->control<QLineEdit>(u"txtApePatR2"), QStringLiteral("ñ"));
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(0);
        focusOn(form->control<QComboBox>(u"Combo5"));
        QTest::keyClick(form->control<QComboBox>(u"Combo5"), Qt::Key_Home);
        form->control<QRadioButton>(u"chkrodIndirecto")->click();
    }

private slots:
    void whatEndsThePendingEdits_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("kept");
        QTest::newRow("Grabar datos") << "save" << false;
        QTest::newRow("No at the close question") << "close-no" << false;
        QTest::newRow("Yes at the close question") << "close-yes" << false;
        QTest::newRow("Cancel at the close question") << "close-cancel" << true;
        QTest::newRow("Borrar toda la información") << "erase" << false;
        QTest::newRow("Cancelar cambios") << "cancel" << true;
        QTest::newRow("Generar disco") << "disk" << false;
    }
    void whatEndsThePendingEdits()
    {
        QFETCH(QString, action);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        auto form = storedForm(dir);
        QVERIFY(!QFile::exists(journal()));
        typeSome(form.get());
        QVERIFY(QFile::exists(journal()));
        QCOMPARE(fileMode(journal()), 0600);
        // The journal's thread hands the lines over within a fifth of a second.
        QTRY_VERIFY_WITH_TIMEOUT(Journal::read(journal()).pending(), 1000);
        // An older backup: the erase leaves none of it either.
        QVERIFY(QFile::copy(journal(), backup()));

        MessageRecorder boxes;
        QTemporaryDir medium;
        if (action == QLatin1String("save")) {
            form->Command1_Click(1);
        } else if (action.startsWith(QLatin1String("close"))) {
            boxes.answer(action == QLatin1String("close-no")    ? MsgAnswer::No
                         : action == QLatin1String("close-yes") ? MsgAnswer::Yes
                                                                : MsgAnswer::Cancel);
            QCOMPARE(form->close(), action != QLatin1String("close-cancel"));
            QCOMPARE(boxes.requests().at(0).text, QStringLiteral("Salvar los datos antes de salir?"));
        } else if (action == QLatin1String("erase")) {
            boxes.answer(MsgAnswer::Yes);
            form->Command1_Click(0);
        } else if (action == QLatin1String("cancel")) {
            form->Command1_Click(5);
        } else if (action == QLatin1String("disk")) {
            qputenv("KORIM_DRIVE_A", QFile::encodeName(medium.path()));
            boxes.answer(MsgAnswer::Ok);
            form->Command1_Click(2);
            qunsetenv("KORIM_DRIVE_A");
            // The four files are the tables as stored, the journal is none of them.
            QStringList onDisk = QDir(medium.path()).entryList(QDir::Files);
            onDisk.sort(Qt::CaseSensitive);
            QCOMPARE(onDisk, (QStringList{"PROVMERC.dbf", "VENTAS.dbf", "activida.dbf", "datoprov.dbf"}));
            for (const QString &file : std::as_const(onDisk))
                QCOMPARE(fileBytes(medium.filePath(file)), fileBytes(tablePath(folder_, file)));
        }
        QCOMPARE(QFile::exists(journal()), kept);
        if (kept)
            QTRY_COMPARE_WITH_TIMEOUT(
                Journal::read(journal()).state().value(QStringLiteral("f:txtCalle")).toString().right(7),
                QStringLiteral(" PISO 3"), 1000);
        QCOMPARE(QFile::exists(backup()), action != QLatin1String("erase"));
    }

    void yesBringsTheEditsBackUnstored()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        const QString street = form->control<QLineEdit>(u"txtCalle")->text();
        typeSome(form.get());
        const int office = form->control<QComboBox>(u"Combo5")->currentIndex();
        form.reset(); // as a crash leaves it: nothing closed, nothing asked
        const auto before = tables(folder_);

        MessageRecorder boxes;
        boxes.answer(MsgAnswer::Yes);
        auto again = openForm(folder_);
        QVERIFY(again->offerRecovery());
        QCOMPARE(boxes.requests().size(), 1);
        const auto &asked = boxes.requests().at(0);
        QCOMPARE(asked.buttons, MsgButtons::YesNo);
        QVERIFY2(QRegularExpression(QStringLiteral("^KORIM se cerró el \\d\\d/[a-z]{3}/\\d{4} a las \\d\\d:\\d\\d sin "
                                                   "grabar lo capturado\\. ¿Desea recuperarlo\\?$"))
                     .match(asked.text)
                     .hasMatch(),
                 qPrintable(asked.text));
        QCOMPARE(again->control<QLineEdit>(u"txtCalle")->text(), street + QStringLiteral(" PISO 3"));
        QVERIFY(again->control<QLineEdit>(u"txtApePatR2")->text().endsWith(QStringLiteral("Ñ")));
        QCOMPARE(again->control<QComboBox>(u"Combo5")->currentIndex(), office);
        QVERIFY(again->control<QRadioButton>(u"chkrodIndirecto")->isChecked());
        QVERIFY(again->control<QLineEdit>(u"txtCalle")->isEnabled()); // unlocked: the RFC is valid
        QCOMPARE(tables(folder_), before);                          // shown, not stored
        QVERIFY(Journal::read(journal()).pending());

        // Stored with "Grabar datos" as always.
        boxes.clear();
        again->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QVERIFY(tables(folder_) != before);
        QVERIFY(!QFile::exists(journal()));
        QVERIFY(!again->offerRecovery());
    }

    void noSetsItAside()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        const QString street = form->control<QLineEdit>(u"txtCalle")->text();
        typeSome(form.get());
        form.reset();
        const QByteArray journalBytes = fileBytes(journal());

        MessageRecorder boxes;
        boxes.answer(MsgAnswer::No);
        auto again = openForm(folder_);
        QVERIFY(!again->offerRecovery());
        QCOMPARE(boxes.requests().size(), 1);
        QCOMPARE(again->control<QLineEdit>(u"txtCalle")->text(), street);
        QVERIFY(!QFile::exists(journal()));
        QCOMPARE(fileBytes(backup()), journalBytes);
        QCOMPARE(fileMode(backup()), 0600);
        again.reset();
        boxes.clear();
        auto third = openForm(folder_);
        QVERIFY(!third->offerRecovery());
        QVERIFY(boxes.requests().isEmpty());
    }

    void aJournalThatNoLongerFitsIsNeverApplied_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("said");
        QTest::newRow("another RFC") << "rfc" << "la solicitud guardada ahora es de otro RFC (XYZ900101AB1)";
        QTest::newRow("erased") << "erase" << "la solicitud guardada se borró desde entonces";
        QTest::newRow("changed by another program") << "bytes" << "la solicitud guardada se cambió o se reemplazó desde entonces";
    }
    void aJournalThatNoLongerFitsIsNeverApplied()
    {
        QFETCH(QString, change);
        QFETCH(QString, said);
        QTemporaryDir dir;
        auto form = storedForm(dir);
        const QString street = form->control<QLineEdit>(u"txtCalle")->text();
        typeSome(form.get());
        form.reset();
        const QByteArray journalBytes = fileBytes(journal());
        FolderSpec spec;
        if (change == QLatin1String("rfc")) {
            spec.application = completeApplication();
            spec.application->insert(QStringLiteral("RFC"), QStringLiteral("XYZ900101AB1"));
        } else if (change == QLatin1String("bytes")) {
            spec.application = completeApplication();
            spec.application->insert(QStringLiteral("CALLEYNO"), QStringLiteral("OTRA"));
        }
        // The tables made again over the same folder, the journal left.
        QTemporaryDir other;
        const QString replaced = makeDataFolder(other.path() + QStringLiteral("/KORIM"), spec);
        for (const QString &file : QDir(replaced).entryList(QDir::Files)) {
            QFile::remove(QDir(folder_).filePath(file));
            QVERIFY(QFile::copy(QDir(replaced).filePath(file), QDir(folder_).filePath(file)));
        }

        for (const MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::No}) {
            QFile::remove(backup());
            QFile::remove(journal());
            QFile f(journal());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(journalBytes);
            f.close();
            MessageRecorder boxes;
            boxes.answer(answer);
            auto again = openForm(folder_);
            QVERIFY(!again->offerRecovery());
            QCOMPARE(boxes.requests().size(), 1);
            const QString text = boxes.requests().at(0).text;
            QVERIFY2(text.contains(QStringLiteral("sin grabar lo capturado, pero ") + said
                                   + QStringLiteral(": no se puede recuperar sobre ella. ¿Desea apartarlo en el archivo ")
                                   + QDir::toNativeSeparators(backup()) + QStringLiteral("? Si responde No, se descarta.")),
                     qPrintable(text));
            QVERIFY(!again->control<QLineEdit>(u"txtCalle")->text().endsWith(QStringLiteral(" PISO 3")));
            QVERIFY(!QFile::exists(journal()));
            QCOMPARE(QFile::exists(backup()), answer == MsgAnswer::Yes);
        }
        Q_UNUSED(street);
    }

    void damagedLinesAreNotApplied()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        const QString street = form->control<QLineEdit>(u"txtCalle")->text();
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral("xy"));
        form.reset();
        // The last line, "...XY", torn: only "...X" comes back.
        QByteArray bytes = fileBytes(journal());
        bytes.chop(10);
        QFile f(journal());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::Yes);
        auto again = openForm(folder_);
        QVERIFY(again->offerRecovery());
        QCOMPARE(again->control<QLineEdit>(u"txtCalle")->text(), street + QStringLiteral("X"));
        // Started over whole: what is typed now is not lost behind the damage.
        const auto contents = Journal::read(journal());
        QVERIFY(!contents.damaged);
        QCOMPARE(contents.state().value(QStringLiteral("f:txtCalle")).toString(), street + QStringLiteral("X"));
    }

    void theCommandLineLeavesItAlone()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        typeSome(form.get());
        form.reset();
        const QByteArray journalBytes = fileBytes(journal());
        const auto before = tables(folder_);
        {
            // What --pdf and --text run.
            Solicitud solicitud(folder_);
            solicitud.open(QDate(2005, 6, 15));
            solicitud.Nuevo();
            const auto snapshot = solicitud.snapshot();
            QVERIFY(!snapshot.calle.endsWith(QStringLiteral(" PISO 3")));
        }
        QCOMPARE(fileBytes(journal()), journalBytes);
        QCOMPARE(tables(folder_), before);
    }

    void untouchedNewApplicationLeavesNoJournal()
    {
        QTemporaryDir dir;
        folder_ = makeDataFolder(dir.path());
        auto form = openForm(folder_);
        MessageRecorder boxes;
        QVERIFY(form->close());
        QVERIFY(boxes.requests().isEmpty());
        QVERIFY(!QFile::exists(journal()));
    }
};

QTEST_MAIN(JournalFormTest)
#include "tst_form1_journal.moc"
