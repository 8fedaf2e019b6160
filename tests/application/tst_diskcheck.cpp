// The check of delivered diskettes as a library: every kind of finding on a
// folder made by the program, the CSV quoting, and the parallel run giving
// its results in the order of the folders.
#include "application/support/appfolder.h"
#include "application/support/checkfolders.h"

#include "application/diskcheck.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace korim::application;
using namespace korim::test;

namespace {

QStringList withFolder(const QString &folder, const QStringList &lines)
{
    QStringList out;
    for (const QString &line : lines)
        out.append(folder + QStringLiteral(": ") + line);
    return out;
}

} // namespace

class DiskCheckTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList folders_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        folders_ = makeCheckFolders(dir_.path());
    }

    void findings_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("lines");
        const QList<CheckCase> cases = checkCases();
        for (int i = 0; i < cases.size(); ++i)
            QTest::newRow(cases[i].name.toUtf8().constData()) << folders_[i] << cases[i].lines;
    }

    void findings()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, lines);
        const DeliveredCheck check = checkDelivered(folder);
        QCOMPARE(reportLines(check), withFolder(folder, lines));
        QCOMPARE(check.errors(), int(lines.filter(QRegularExpression(QStringLiteral("^error: "))).size()));
        QCOMPARE(check.warnings(), int(lines.filter(QRegularExpression(QStringLiteral("^aviso: "))).size()));
    }

    // Folders that are no diskette at all are findings of their own.
    void notAFolder()
    {
        const QString file = dir_.filePath(QStringLiteral("un archivo"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(reportLines(checkDelivered(file)), QStringList{file + QStringLiteral(": error: no es una carpeta")});
        const QString gone = dir_.filePath(QStringLiteral("no existe"));
        QCOMPARE(reportLines(checkDelivered(gone)), QStringList{gone + QStringLiteral(": error: la carpeta no existe")});
        QCOMPARE(reportLines(checkDelivered(file + QStringLiteral("/dentro"))),
                 QStringList{file + QStringLiteral("/dentro: error: la carpeta no existe")});
    }

    void csvQuoting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << QStringLiteral("ABC800101AB3") << QStringLiteral("ABC800101AB3");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("blanks kept") << QStringLiteral(" A ") << QStringLiteral(" A ");
        QTest::newRow("accents stay as they are") << QStringLiteral("PEÑA JOSÉ") << QStringLiteral("PEÑA JOSÉ");
        QTest::newRow("comma") << QStringLiteral("A, S.A.") << QStringLiteral("\"A, S.A.\"");
        QTest::newRow("quote doubled") << QStringLiteral("EL \"PINO\"") << QStringLiteral("\"EL \"\"PINO\"\"\"");
        QTest::newRow("line feed") << QStringLiteral("a\nb") << QStringLiteral("\"a\nb\"");
        QTest::newRow("carriage return") << QStringLiteral("a\rb") << QStringLiteral("\"a\rb\"");
        QTest::newRow("semicolon needs nothing") << QStringLiteral("a; b") << QStringLiteral("a; b");
    }

    void csvQuoting()
    {
        QFETCH(QString, value);
        QFETCH(QString, field);
        QCOMPARE(csvField(value), field);
    }

    void csvRecords()
    {
        QCOMPARE(csvHeader(), QStringLiteral("carpeta,rfc,nombre,tipo_programa,actividad,personal_total,"
                                             "ventas_totales,ventas_exportadores_finales,productos,errores,avisos,"
                                             "observaciones\r\n"));
        const QList<CheckCase> cases = checkCases();
        // The record after its folder, which is quoted when it holds a comma.
        auto record = [&](const QString &name) {
            for (int i = 0; i < cases.size(); ++i) {
                if (cases[i].name != name)
                    continue;
                const QString all = csvRecord(checkDelivered(folders_[i]));
                const QString folder = csvField(folders_[i]);
                return all.startsWith(folder) ? all.mid(folder.size()) : all;
            }
            return QString();
        };
        QCOMPARE(record(QStringLiteral("completa")),
                 QStringLiteral(",ABC800101AB3,EXPORTADORA DEL SUR,4,337110,15,2000,600,2,0,0,\r\n"));
        QCOMPARE(record(QStringLiteral("comillas, comas y acentos")),
                 QStringLiteral(",ABC800101AB3,\"MUEBLES \"\"EL PINO\"\", S.A. PEÑA JOSÉ\",4,337110,15,0,0,2,0,0,\r\n"));
        QCOMPARE(record(QStringLiteral("RFC con tres errores")),
                 QStringLiteral(",GOMJ801332ABa,EXPORTADORA DEL SUR,4,337110,15,0,0,2,3,0,"
                                "error: El valor del mes del RFC es incorrecto | error: El valor del dia del RFC es "
                                "incorrecto | error: El ultimo digito del RFC debe ser A ó del 0 al 9\r\n"));
        QCOMPARE(record(QStringLiteral("vacía")),
                 QStringLiteral(",,,,,,,,,1,0,\"error: no tiene ninguna de las tablas del disco (datoprov.dbf, "
                                "PROVMERC.dbf, VENTAS.dbf, activida.dbf)\"\r\n"));
    }

    // Many folders on several threads: each result once, in the order given,
    // the same as one by one.
    void inOrder()
    {
        QStringList folders;
        for (int i = 0; i < 300; ++i)
            folders.append(folders_[(i * 7) % folders_.size()]);
        QStringList sequential;
        for (const QString &folder : folders)
            sequential += reportLines(checkDelivered(folder));
        for (int threads : {1, 2, 4, 9}) {
            QStringList parallel;
            const std::thread::id caller = std::this_thread::get_id();
            bool onCaller = true;
            checkDeliveredInOrder(folders, threads, [&](const DeliveredCheck &check) {
                onCaller = onCaller && std::this_thread::get_id() == caller;
                parallel += reportLines(check);
            });
            QCOMPARE(parallel, sequential);
            QVERIFY(onCaller);
        }
        int calls = 0;
        checkDeliveredInOrder({}, 4, [&](const DeliveredCheck &) { ++calls; });
        QCOMPARE(calls, 0);
    }
};

QTEST_MAIN(DiskCheckTest)
#include "tst_diskcheck.moc"
