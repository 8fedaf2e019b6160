// `korim --check` as the clerk and the receiving office run it: a separate
// process without a display, over folders made by the program; the exact
// lines, the CSV read back with Python's csv module, the exit status, and
// nothing written in the folders checked, also on read-only media and on a
// data folder another copy of the program holds.

#include "application/support/appfolder.h"
#include "application/support/checkfolders.h"
#include "support/mounts.h"
#include "support/testsupport.h"

#include "application/datafolder.h"
#include "platform/datafolder.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::test;

namespace {

using Run = ProgramRun;

Run runKorim(const QStringList &arguments, const QString &dataFolder)
{
    return runProgram(QStringLiteral(KORIM_BINARY), arguments, dataFolder);
}

// Python's csv module on the bytes, strict: one list of fields per record.
QList<QStringList> readCsvWithPython(const QByteArray &bytes, QString *error)
{
    static const char *script = R"PY(
import csv, io, json, sys
data = sys.stdin.buffer.read().decode('utf-8', errors='strict')
rows = list(csv.reader(io.StringIO(data, newline=''), strict=True))
sys.stdout.write(json.dumps(rows))
)PY";
    QProcess p;
    QString python = qEnvironmentVariable("KORIM_PYTHON");
    if (python.isEmpty())
        python = QStringLiteral("/usr/bin/python3");
    p.start(python, {QStringLiteral("-c"), QString::fromUtf8(script)});
    p.write(bytes);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    QList<QStringList> rows;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QString::fromUtf8(p.readAllStandardError());
        return rows;
    }
    for (const QJsonValue &row : QJsonDocument::fromJson(p.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue &field : row.toArray())
            fields.append(field.toString());
        rows.append(fields);
    }
    return rows;
}

QStringList expectedLines(const QString &folder, const CheckCase &c)
{
    QStringList lines;
    for (const QString &line : c.lines)
        lines.append(folder + QStringLiteral(": ") + line);
    return lines;
}

QStringList expectedRecord(const QString &folder, const CheckCase &c)
{
    QStringList findings;
    int errors = 0;
    for (const QString &line : c.lines) {
        if (line == QLatin1String("sin observaciones"))
            continue;
        errors += line.startsWith(QLatin1String("error: "));
        findings.append(line);
    }
    return QStringList{folder} + c.csv
           + QStringList{QString::number(errors), QString::number(findings.size() - errors),
                         findings.join(QStringLiteral(" | "))};
}

// Every file and folder under root with its bytes and times: what a check
// must leave as it found it.
QStringList snapshotOf(const QString &root)
{
    QStringList state;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        state.append(QStringLiteral("%1 %2 %3 %4")
                         .arg(path, info.lastModified().toString(Qt::ISODateWithMs))
                         .arg(info.size())
                         .arg(QString::fromLatin1(readAll(path).toHex().left(64))));
    }
    state.sort();
    return state;
}

const QList<CheckCase> &cases()
{
    static const QList<CheckCase> all = checkCases();
    return all;
}

int caseIndex(const QString &name)
{
    for (int i = 0; i < cases().size(); ++i) {
        if (cases()[i].name == name)
            return i;
    }
    qFatal("no such case");
}

} // namespace

class CheckCommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString parent_;
    QStringList folders_;
    QString noDataFolder_; // KORIM_DATA_DIR: the check must not even make it

    QString folder(const QString &name) const { return folders_.at(caseIndex(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        parent_ = dir_.filePath(QStringLiteral("recibidos"));
        folders_ = makeCheckFolders(parent_);
        noDataFolder_ = dir_.filePath(QStringLiteral("sin carpeta de datos"));
    }

    // All the cases in one run, three times over: lines in the order given,
    // the CSV as Python reads it, and not a byte or a time changed.
    void everyCaseLinesAndCsv()
    {
        const QString file = dir_.filePath(QStringLiteral("un archivo.dbf"));
        writeAll(file, "no soy una carpeta");
        const QString gone = dir_.filePath(QStringLiteral("no existe"));
        const QString csvPath = dir_.filePath(QStringLiteral("revision.csv"));

        QStringList arguments{QStringLiteral("--check"), QStringLiteral("--csv"), csvPath};
        QStringList lines;
        QList<QStringList> records;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < cases().size(); ++i) {
                arguments.append(folders_[i]);
                lines += expectedLines(folders_[i], cases()[i]);
                records.append(expectedRecord(folders_[i], cases()[i]));
            }
        }
        arguments << file << gone;
        lines << file + QStringLiteral(": error: no es una carpeta") << gone + QStringLiteral(": error: la carpeta no existe");
        const QString empty;
        records << QStringList{file, empty, empty, empty, empty, empty, empty, empty, empty, QStringLiteral("1"),
                               QStringLiteral("0"), QStringLiteral("error: no es una carpeta")};
        records << QStringList{gone, empty, empty, empty, empty, empty, empty, empty, empty, QStringLiteral("1"),
                               QStringLiteral("0"), QStringLiteral("error: la carpeta no existe")};

        const QStringList before = snapshotOf(parent_);
        const Run run = runKorim(arguments, noDataFolder_);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.text().split(QLatin1Char('\n')), lines + QStringList{QString()});
        QCOMPARE(snapshotOf(parent_), before);
        QVERIFY(!QFileInfo::exists(noDataFolder_));

        const QByteArray bytes = readAll(csvPath);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8.decode(bytes);
        QVERIFY(!utf8.hasError());
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), qsizetype(records.size() + 1)); // no field holds a line break here
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));

        QString error;
        const QList<QStringList> rows = readCsvWithPython(bytes, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows.value(0), QStringLiteral("carpeta,rfc,nombre,tipo_programa,actividad,personal_total,"
                                               "ventas_totales,ventas_exportadores_finales,productos,errores,"
                                               "avisos,observaciones")
                                    .split(QLatin1Char(',')));
        QCOMPARE(rows.size(), records.size() + 1);
        for (int i = 0; i < records.size(); ++i)
            QCOMPARE(rows[i + 1], records[i]);
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@name": the folder of that case
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err"); // what standard error says; empty: nothing

        const QString again = QStringLiteral("\nPruebe «korim --help».\n");
        QTest::newRow("clean folders") << QStringList{"--check", "@completa", "@genérico", "@MAYÚSCULAS"} << 0 << QString();
        QTest::newRow("warnings only") << QStringList{"--check", "@dígito verificador", "@avisos"} << 0 << QString();
        QTest::newRow("one error among clean ones")
            << QStringList{"--check", "@completa", "@exportaciones mayores", "@genérico"} << 1 << QString();
        QTest::newRow("no folder") << QStringList{"--check"} << 2
                                   << QStringLiteral("korim: Falta al menos una carpeta después de --check.") + again;
        QTest::newRow("only a CSV") << QStringList{"--check", "--csv", "x.csv"} << 2
                                    << QStringLiteral("korim: Falta al menos una carpeta después de --check.") + again;
        QTest::newRow("--csv alone") << QStringList{"--csv", "x.csv"} << 2
                                     << QStringLiteral("korim: --csv sólo se usa con --check.") + again;
        QTest::newRow("with --pdf") << QStringList{"--check", "--pdf", "x.pdf", "@completa"} << 2
                                    << QStringLiteral("korim: --check no se combina con --pdf ni con --text.") + again;
        QTest::newRow("--csv without its file") << QStringList{"--check", "@completa", "--csv"} << 2
                                                << QStringLiteral("korim: Falta el nombre del archivo después de "
                                                                  "--pdf, --text o --csv.")
                                                       + again;
        QTest::newRow("a folder without --check") << QStringList{"@completa"} << 2
                                                  << QStringLiteral("korim: Argumento no esperado: @completa.") + again;
        QTest::newRow("unknown option") << QStringList{"--check", "--revisar", "@completa"} << 2
                                        << QStringLiteral("korim: Opción desconocida: revisar.") + again;
        QTest::newRow("CSV that cannot be written")
            << QStringList{"--check", "--csv", "/no/existe/x.csv", "@completa"} << 2
            << QStringLiteral("korim: No se pudo escribir el archivo /no/existe/x.csv.\n");
    }

    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, err);
        QStringList lines;
        const bool mistake = status == 2;
        for (QString &argument : arguments) {
            if (!argument.startsWith(QLatin1Char('@')))
                continue;
            const QString name = argument.mid(1);
            if (mistake && !arguments.contains(QStringLiteral("--check"))) {
                err.replace(argument, folder(name));
            }
            argument = folder(name);
            lines += expectedLines(argument, cases()[caseIndex(name)]);
        }
        const Run run = runKorim(arguments, noDataFolder_);
        QCOMPARE(run.err, err);
        QCOMPARE(run.exitCode, status);
        QCOMPARE(run.text(), mistake ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        QVERIFY(!QFileInfo::exists(noDataFolder_));
    }

    // Output that does not reach the disk is no clean check.
    void outputNotWritten()
    {
        const QString f = folder(QStringLiteral("completa"));
        const Run csv = runKorim({QStringLiteral("--check"), QStringLiteral("--csv"), QStringLiteral("/dev/full"), f},
                                 noDataFolder_);
        QCOMPARE(csv.exitCode, 2);
        QCOMPARE(csv.err, QStringLiteral("korim: No se pudo escribir el archivo /dev/full.\n"));
        QCOMPARE(csv.text(), f + QStringLiteral(": sin observaciones\n"));

        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(KORIM_BINARY), {QStringLiteral("--check"), f});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("korim: No se pudo escribir en la salida estándar.\n"));
    }

    // "-": standard output carries the CSV alone.
    void csvToStandardOutput()
    {
        const QString a = folder(QStringLiteral("comillas, comas y acentos"));
        const QString b = folder(QStringLiteral("faltan datos"));
        const Run run = runKorim({QStringLiteral("--check"), QStringLiteral("--csv"), QStringLiteral("-"), a, b},
                                 noDataFolder_);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QString());
        QString error;
        const QList<QStringList> rows = readCsvWithPython(run.out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[1], expectedRecord(a, cases()[caseIndex(QStringLiteral("comillas, comas y acentos"))]));
        QCOMPARE(rows[2], expectedRecord(b, cases()[caseIndex(QStringLiteral("faltan datos"))]));
    }

    void helpNamesTheCheck()
    {
        const Run help = runKorim({QStringLiteral("--help")}, noDataFolder_);
        QCOMPARE(help.exitCode, 0);
        for (const char *text : {"--check CARPETA...", "--csv ARCHIVO", "CARPETA: sin observaciones",
                                 "--check termina con 0 si ninguna carpeta tiene errores"})
            QVERIFY2(help.text().contains(QString::fromUtf8(text)), text);
    }

    // A stick mounted read-only, and a folder not even root may write in.
    void readOnlyMedia()
    {
        const QStringList names = {QStringLiteral("completa"), QStringLiteral("avisos"), QStringLiteral("tabla dañada")};
        auto copyInto = [&](const QString &target) {
            QStringList copied;
            for (const QString &name : names) {
                const QString to = QDir(target).filePath(name);
                QDir().mkpath(to);
                for (const QString &file : QDir(folder(name)).entryList(QDir::Files))
                    QFile::copy(QDir(folder(name)).filePath(file), QDir(to).filePath(file));
                copied.append(to);
            }
            return copied;
        };
        auto expected = [&](const QStringList &copied) {
            QStringList lines;
            for (int i = 0; i < names.size(); ++i)
                lines += expectedLines(copied[i], cases()[caseIndex(names[i])]);
            return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        };

        const QString immutable = dir_.filePath(QStringLiteral("inmutable"));
        QDir().mkpath(immutable);
        const QStringList locked = copyInto(immutable);
        bool anyMedium = false;
        {
            Unwritable unwritable(locked[0]);
            Unwritable unwritable1(locked[1]);
            Unwritable unwritable2(locked[2]);
            if (unwritable.active() && unwritable1.active() && unwritable2.active()) {
                anyMedium = true;
                const Run run = runKorim(QStringList{QStringLiteral("--check")} + locked, noDataFolder_);
                QCOMPARE(run.err, QString());
                QCOMPARE(run.exitCode, 1);
                QCOMPARE(run.text(), expected(locked));
            }
        }

        const QString stick = dir_.filePath(QStringLiteral("memoria"));
        QDir().mkpath(stick);
        Mount mount = Mount::tmpfs(stick, 4 << 20);
        if (mount.active()) {
            const QStringList copied = copyInto(stick);
            QVERIFY(mount.remountReadOnly());
            QVERIFY(!QFile(QDir(copied[0]).filePath(QStringLiteral("x"))).open(QIODevice::WriteOnly));
            anyMedium = true;
            const Run run = runKorim(QStringList{QStringLiteral("--check")} + copied, noDataFolder_);
            QCOMPARE(run.err, QString());
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.text(), expected(copied));
        }
        if (!anyMedium)
            QSKIP(qPrintable(QStringLiteral("no read-only medium here: ") + mount.why()));
    }

    // The data folder of a copy of the program that is running: the check
    // neither waits for its lock nor takes it, and leaves it held.
    void folderHeldByTheProgram()
    {
        const QString data = dir_.filePath(QStringLiteral("KORIM"));
        QDir().mkpath(data);
        checkCases()[caseIndex(QStringLiteral("completa"))].make(data);
        addWindowFiles(data);
        QString message;
        auto held = korim::application::openDataFolder(data, QString(), &message);
        QVERIFY2(held, qPrintable(message));
        const QStringList before = snapshotOf(data);
        // Its own data folder too: the check is not the window.
        const Run run = runKorim({QStringLiteral("--check"), data}, data);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.text(), data + QStringLiteral(": sin observaciones\n"));
        QCOMPARE(snapshotOf(data), before);
        QString second;
        QVERIFY(!korim::application::openDataFolder(data, QString(), &second));
        QVERIFY2(second.contains(QStringLiteral("KORIM ya está abierto")), qPrintable(second));
    }
};

QTEST_MAIN(CheckCommandLineTest)
#include "tst_check_commandline.moc"
