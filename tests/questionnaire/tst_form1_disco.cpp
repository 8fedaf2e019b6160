// "Generar disco  para Zentoria" on the real window and real file systems:
// the messages in order, what lands on the medium (read back with the
// independent reader and as bytes), media that are full, read-only or not
// there, and the window afterwards.

#include "questionnaire/support/commandtest.h"
#include "questionnaire/support/formtest.h"
#include "support/mounts.h"
#include "support/testsupport.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "data/folder.h"
#include "application/discorules.h"
#include "questionnaire/form1.h"
#include "questionnaire/maskededit.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace korim::test;
using korim::data::DataSource;
using korim::platform::MessageRequest;
using korim::platform::MsgAnswer;
using korim::platform::MsgButtons;
using korim::platform::MsgIcon;
using korim::application::diskFiles;
using korim::questionnaire::Form1;
using korim::questionnaire::MaskedEdit;

namespace {

QString question()
{
    MessageRequest r;
    r.text = QStringLiteral("Asegúrese de que el disco esté en la unidad A:");
    r.title = QStringLiteral("Grabar Disco");
    r.buttons = MsgButtons::OkCancel;
    r.defaultAnswer = MsgAnswer::Ok;
    return describeBox(r);
}

QString written()
{
    MessageRequest r;
    r.text = QStringLiteral("Puede retirar el disco de la unidad A:");
    r.title = QStringLiteral("Disco grabado.");
    return describeBox(r);
}

QString incomplete()
{
    MessageRequest r;
    r.text = QStringLiteral("El disco NO quedó completo y no debe entregarse así.\r"
                            "Genere el disco de nuevo, de preferencia en un disco nuevo.");
    r.title = QStringLiteral("Grabar Disco");
    r.icon = MsgIcon::Critical;
    return describeBox(r);
}

const QString kCopyFailed = plainBox(QStringLiteral("Copia incompleta verifique el\respacio en disco o utilice un disco nuevo"));

// The question, one "Copia incompleta" per file that did not arrive, then the
// closing message.
QStringList expectedBoxes(int missing)
{
    QStringList boxes{question()};
    for (int i = 0; i < missing; ++i)
        boxes << kCopyFailed;
    boxes << (missing == 0 ? written() : incomplete());
    return boxes;
}

QString sourceOf(const QString &dataFolder, int i)
{
    return korim::data::findFileNoCase(dataFolder, diskFiles()[size_t(i)].source);
}

QStringList sortedListing(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

// The file under its target name reads the same as the data folder's, with
// the independent reader and byte for byte.
void verifyArrived(const QString &dataFolder, const QString &medium, int i)
{
    const QString target = medium + QLatin1Char('/') + diskFiles()[size_t(i)].target;
    QVERIFY2(QFileInfo::exists(target), qPrintable(target));
    QString error;
    const QJsonArray copied = readWithDbfread(target, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(copied, readWithDbfread(sourceOf(dataFolder, i)));
    QCOMPARE(fileBytes(target), fileBytes(sourceOf(dataFolder, i)));
}

// As after "Cancelar cambios": the stretch off, "Editar Datos" included.
bool windowLocked(Form1 *form)
{
    return !form->control<QLineEdit>(u"txtCalle")->isEnabled()
            && !form->control<QToolButton>(u"Command1_2")->isEnabled()
            && !form->control<QToolButton>(u"Command1_6")->isEnabled();
}

} // namespace

class DiscoTest : public QObject {
    Q_OBJECT

    QString folder_;

    std::unique_ptr<Form1> completeForm(QTemporaryDir &dir)
    {
        FolderSpec spec;
        spec.application = completeApplication();
        spec.products = {QStringLiteral("MESA DE PINO"), QStringLiteral("SILLA")};
        folder_ = makeDataFolder(dir.path() + QStringLiteral("/datos"), spec);
        return openForm(folder_);
    }

    // Runs the command with "A:" at medium; the boxes it showed, answered
    // from answers (Ok when they run out), with their second lines and the
    // pointer over each.
    struct Shown {
        QStringList boxes;
        QStringList details;
        QList<Qt::CursorShape> pointers;
    };
    static Shown showRun(Form1 *form, const QString &medium, QList<MsgAnswer> answers = {})
    {
        Shown shown;
        qputenv("KORIM_DRIVE_A", QFile::encodeName(medium));
        korim::platform::setMessageAnswerer([&](const MessageRequest &r) {
            shown.boxes << describeBox(r);
            shown.details << r.detail;
            const QCursor *pointer = QApplication::overrideCursor();
            shown.pointers << (pointer ? pointer->shape() : Qt::ArrowCursor);
            return answers.isEmpty() ? MsgAnswer::Ok : answers.takeFirst();
        });
        form->Command1_Click(2);
        korim::platform::setMessageAnswerer({});
        qunsetenv("KORIM_DRIVE_A");
        if (QApplication::overrideCursor())
            qWarning("the busy pointer stayed");
        return shown;
    }
    static QStringList runDisk(Form1 *form, const QString &medium, const QList<MsgAnswer> &answers = {})
    {
        return showRun(form, medium, answers).boxes;
    }

private slots:
    void initTestCase() { QVERIFY(QFileInfo(qEnvironmentVariable("KORIM_PYTHON")).isExecutable()); }

    void oldTablesGoOtherFilesStay()
    {
        QTemporaryDir dir;
        auto form = completeForm(dir);
        const QString medium = dir.path() + QStringLiteral("/A");
        QVERIFY(QDir().mkpath(medium));
        for (const char *name : {"VIEJA.DBF", "Ventas.DBF", "leeme.txt"}) {
            QFile f(medium + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("de una solicitud anterior");
        }
        const auto before = folderBytes(medium);

        // Cancel at the question leaves the medium alone.
        QCOMPARE(runDisk(form.get(), medium, {MsgAnswer::Cancel}), QStringList{question()});
        QCOMPARE(folderBytes(medium), before);

        const Shown shown = showRun(form.get(), medium);
        QCOMPARE(shown.boxes, expectedBoxes(0));
        QVERIFY(!QApplication::overrideCursor());
        // The question says where A: is on this system and its room.
        const QString detail = shown.details.first();
        QVERIFY2(detail.startsWith(QStringLiteral("A: es la carpeta %1, en ").arg(medium))
                     && detail.contains(QStringLiteral("; libre: ")),
                 qPrintable(detail));
        // The clerk is asked and told with the normal pointer, not the hourglass.
        QCOMPARE(shown.pointers, QList<Qt::CursorShape>({Qt::ArrowCursor, Qt::ArrowCursor}));
        QCOMPARE(sortedListing(medium), (QStringList{QStringLiteral("PROVMERC.dbf"), QStringLiteral("VENTAS.dbf"),
                                                     QStringLiteral("activida.dbf"), QStringLiteral("datoprov.dbf"),
                                                     QStringLiteral("leeme.txt")}));
        QCOMPARE(fileBytes(medium + QStringLiteral("/leeme.txt")), QByteArray("de una solicitud anterior"));
        for (int i = 0; i < 4; ++i)
            verifyArrived(folder_, medium, i);
        QCOMPARE(readWithDbfread(medium + QStringLiteral("/PROVMERC.dbf")).size(), 2);

        // Re-opened for editing and locked as after "Cancelar cambios".
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
        QVERIFY(windowLocked(form.get()));
    }

    void saveRefusedTheDiskTakesWhatIsStored()
    {
        QTemporaryDir dir;
        auto form = completeForm(dir);
        const QString medium = dir.path() + QStringLiteral("/A");
        QVERIFY(QDir().mkpath(medium));
        form->Habilita(true);
        form->control<QLineEdit>(u"txtCalle")->setText(QStringLiteral("CALLE NO GRABADA 9"));
        form->control<MaskedEdit>(u"MaskEdBox1")->setMaskedText(QStringLiteral("GOMJ801301AB1"));
        const auto data = settledFolderBytes(form.get(), folder_);

        // The RFC speaks in the save and again in the required-data check.
        const QString month = plainBox(QStringLiteral("El valor del mes del RFC es incorrecto"));
        QCOMPARE(runDisk(form.get(), medium), QStringList({month, month}) + expectedBoxes(0));
        // Nothing but the save may write the data folder, and it stored nothing.
        QCOMPARE(settledFolderBytes(form.get(), folder_), data);
        for (int i = 0; i < 4; ++i)
            verifyArrived(folder_, medium, i);
        QCOMPARE(readWithDbfread(medium + QStringLiteral("/datoprov.dbf")).at(0).toArray().at(8).toString(),
                 QStringLiteral("AV. CENTRAL 100"));
        QVERIFY(windowLocked(form.get()));
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
    }

    void fullMediumTakesTwoFiles()
    {
        QTemporaryDir dir;
        auto form = completeForm(dir);
        const QString medium = dir.path() + QStringLiteral("/A");
        QVERIFY(QDir().mkpath(medium));
        // Room for the whole pages of the first two tables and no more.
        const qint64 page = 4096;
        qint64 room = 0;
        for (int i = 0; i < 2; ++i)
            room += (QFileInfo(sourceOf(folder_, i)).size() + page - 1) / page * page;
        Mount tmpfs = Mount::tmpfs(medium, room);
        if (!tmpfs.active())
            QSKIP(qPrintable(tmpfs.why()));

        QCOMPARE(runDisk(form.get(), medium), expectedBoxes(2));
        // No table cut short under its name, no temporary left behind.
        QCOMPARE(sortedListing(medium), (QStringList{QStringLiteral("PROVMERC.dbf"), QStringLiteral("datoprov.dbf")}));
        verifyArrived(folder_, medium, 0);
        verifyArrived(folder_, medium, 1);
        QVERIFY(windowLocked(form.get()));
    }

    void writeProtectedMediumWithStaleTables()
    {
        QTemporaryDir dir;
        auto form = completeForm(dir);
        // The tables of an older application on the medium, under the
        // names the diskette uses.
        QVariantMap older = completeApplication();
        older.insert(QStringLiteral("RFC"), QStringLiteral(" XYZ700101AB1"));
        FolderSpec spec;
        spec.application = older;
        spec.products = {QStringLiteral("CAJA")};
        const QString olderFolder = makeDataFolder(dir.path() + QStringLiteral("/anterior"), spec);
        const QString medium = dir.path() + QStringLiteral("/A");
        QVERIFY(QDir().mkpath(medium));
        Mount tmpfs = Mount::tmpfs(medium, 1 << 20);
        if (!tmpfs.active())
            QSKIP(qPrintable(tmpfs.why()));
        for (int i = 0; i < 4; ++i)
            QVERIFY(QFile::copy(sourceOf(olderFolder, i), medium + QLatin1Char('/') + diskFiles()[size_t(i)].target));
        // The catalogue of that time read differently too.
        QFile catalogue(medium + QStringLiteral("/activida.dbf"));
        QVERIFY(catalogue.open(QIODevice::ReadWrite));
        QByteArray bytes = catalogue.readAll();
        QVERIFY(bytes.contains("conservas"));
        bytes.replace("conservas", "CONSERVAS");
        QVERIFY(catalogue.seek(0) && catalogue.write(bytes) == bytes.size());
        catalogue.close();
        if (!tmpfs.remountReadOnly())
            QSKIP("the medium cannot be made read-only here");
        const auto before = folderBytes(medium);

        // Each stale table is there under its name, and none counts.
        QCOMPARE(runDisk(form.get(), medium), expectedBoxes(4));
        QCOMPARE(folderBytes(medium), before);
    }

    void noMediumAtA()
    {
        QTemporaryDir dir;
        auto form = completeForm(dir);
        const QString medium = dir.path() + QStringLiteral("/sin-disco");
        const Shown shown = showRun(form.get(), medium);
        QCOMPARE(shown.boxes, expectedBoxes(4));
        QCOMPARE(shown.details.first(), QStringLiteral("A: es la carpeta %1, que no existe.").arg(medium));
        QVERIFY(!QFileInfo::exists(medium));
        QVERIFY(windowLocked(form.get()));
    }

    void firstApplicationNeverStoredCanStillBeSaved()
    {
        QTemporaryDir dir;
        FolderSpec spec;
        spec.products = {QStringLiteral("MESA DE PINO")};
        folder_ = makeDataFolder(dir.path() + QStringLiteral("/datos"), spec);
        auto form = openForm(folder_);
        form->makeAllControls();
        typeRfc(form->control<MaskedEdit>(u"MaskEdBox1"), QStringLiteral(" abc800101ab1"));
        QTest::keyClick(form->control<MaskedEdit>(u"MaskEdBox1"), Qt::Key_Tab);
        QVERIFY(form->control<QLineEdit>(u"txtCalle")->isEnabled());
        // Every required field filled, the programme type chosen; the local
        // office is not, so the save stops while the required data is complete.
        for (QLineEdit *field : form->findChildren<QLineEdit *>()) {
            if (field != form->control<MaskedEdit>(u"MaskEdBox1")
                && field->property("tag").toString() == QLatin1String("1"))
                field->setText(QStringLiteral("7"));
        }
        form->control<QRadioButton>(u"chkProdFinal")->click();
        QCOMPARE(form->control<QComboBox>(u"Combo5")->currentIndex(), -1);
        const QString medium = dir.path() + QStringLiteral("/A");
        QVERIFY(QDir().mkpath(medium));

        const QStringList shown = runDisk(form.get(), medium);
        QCOMPARE(shown,
                 QStringList{plainBox(QStringLiteral("Capture la admon. local del proveedor"))} + expectedBoxes(0));
        QCOMPARE(readWithDbfread(medium + QStringLiteral("/datoprov.dbf")), QJsonArray{});
        verifyArrived(folder_, medium, 0);

        // The typing is still there in a pending record; once unlocked, with
        // the office chosen, it is saved.
        QVERIFY(windowLocked(form.get()));
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditAdd));
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("7"));
        typeRfc(form->control<MaskedEdit>(u"MaskEdBox1"), QStringLiteral(" abc800101ab1"));
        QTest::keyClick(form->control<MaskedEdit>(u"MaskEdBox1"), Qt::Key_Tab);
        QVERIFY(form->control<QLineEdit>(u"txtCalle")->isEnabled());
        form->control<QComboBox>(u"Combo5")->setCurrentIndex(1);
        MessageRecorder boxes;
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        const QJsonArray stored = readWithDbfread(tablePath(folder_, QStringLiteral("datoprov.dbf")));
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored.at(0).toArray().at(0).toString(), QStringLiteral(" ABC800101AB1"));
        QCOMPARE(stored.at(0).toArray().at(8).toString(), QStringLiteral("7"));
        QCOMPARE(stored.at(0).toArray().at(28).toInt(), 27);
    }
};

QTEST_MAIN(DiscoTest)
#include "tst_form1_disco.moc"
