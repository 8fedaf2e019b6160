// The data folder at start-up: installation of the shipped copy, the lock
// against a second copy of the program, and the check that refuses a folder
// the program cannot work with, each time with one message naming the file.

#include "data/dbf.h"
#include "application/foldercheck.h"
#include "application/datafolder.h"
#include "platform/datafolder.h"

#include "support/testsupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korim::data;
using korim::platform::DataFolderSession;
using korim::application::checkDataFolder;
using korim::application::openDataFolder;

namespace {

struct Column {
    const char *name;
    char type;
    int length;
    int decimals;
};

QList<FieldDef> fields(std::initializer_list<Column> columns)
{
    QList<FieldDef> out;
    for (const Column &s : columns) {
        FieldDef f;
        f.name = QLatin1String(s.name);
        f.type = FieldType(s.type);
        f.length = s.length;
        f.decimals = s.decimals;
        out << f;
    }
    return out;
}

QList<FieldDef> datoprovFields()
{
    return fields({{"RFC", 'C', 13, 0},        {"APEPATRAZ", 'C', 100, 0}, {"APEMAT", 'C', 100, 0},
                   {"NOMBRE", 'C', 25, 0},     {"EMAIL", 'C', 50, 0},      {"PROG1P", 'C', 4, 0},
                   {"PROG2P", 'C', 4, 0},      {"ACREDITA", 'C', 10, 0},   {"CALLEYNO", 'C', 254, 0},
                   {"COLONIA", 'C', 30, 0},    {"CP", 'C', 5, 0},          {"ESTADO", 'C', 30, 0},
                   {"CIUDAD", 'C', 60, 0},     {"DELMUN", 'C', 40, 0},     {"TELEFONO", 'C', 15, 0},
                   {"TIPOTRAM", 'N', 2, 0},    {"FAX", 'C', 15, 0},        {"APEPREPLEG", 'C', 25, 0},
                   {"APEMREPLEG", 'C', 25, 0}, {"NOMBREREPL", 'C', 25, 0}, {"CVESOLIC", 'C', 2, 0},
                   {"TIPOPROG", 'N', 1, 0},    {"ACTIVIDAD", 'N', 6, 0},   {"CARGO", 'C', 60, 0},
                   {"TEL_REPREG", 'C', 25, 0}, {"FAXREP", 'C', 25, 0},     {"EMAILREPL", 'C', 50, 0},
                   {"NOEMPLEADO", 'C', 15, 0}, {"ADMLOCAL", 'N', 4, 0},    {"NOOBREROS", 'C', 15, 0},
                   {"NUMMAQUILA", 'N', 6, 0},  {"ANOMAQUILA", 'N', 4, 0},  {"VTPAIS", 'C', 20, 0},
                   {"VTEXTERIOR", 'C', 20, 0}, {"BANCO", 'N', 10, 0},      {"CVEBANCO", 'N', 10, 0},
                   {"SUCURSAL", 'C', 60, 0},   {"NUMCUENTA", 'C', 20, 0},  {"LOCALIDAD", 'C', 60, 0},
                   {"DOMBANCO", 'C', 254, 0}});
}

QList<FieldDef> ventasFields()
{
    return fields({{"ANO", 'N', 4, 0},
                   {"VTOT", 'N', 18, 2},
                   {"VTOTD", 'N', 18, 4},
                   {"EXPORTA", 'N', 18, 2},
                   {"IMPORTA", 'N', 18, 2},
                   {"SALDO", 'N', 18, 2},
                   {"TC", 'N', 12, 4},
                   {"ETIQUETA", 'C', 30, 0},
                   {"TIPO", 'N', 1, 0}});
}

QList<QVariantList> ventasRows(int kind1, int kind2)
{
    QList<QVariantList> rows;
    for (int i = 0; i < kind1; ++i)
        rows << QVariantList{2023 + i, 0, 0, 0, 0, 0, 0, QStringLiteral("Total"), 1};
    for (int i = 0; i < kind2; ++i)
        rows << QVariantList{2023 + i, 0, 0, 0, 0, 0, 0, QStringLiteral("Indirecta"), 2};
    return rows;
}

// File names in mixed letter case: the program must find them all the same.
const QString Datoprov = QStringLiteral("DATOPROV.DBF");
const QString Activida = QStringLiteral("activida.dbf");
const QString Admlocal = QStringLiteral("AdmLocal.dbf");
const QString Catbanco = QStringLiteral("catbanco.DBF");
const QString Ventas = QStringLiteral("ventas.dbf");
const QString Provmerc = QStringLiteral("Provmerc.dbf");
const QString Considera = QStringLiteral("CONSIDERA.TXT");

void makeValidFolder(const QString &dir)
{
    QDir().mkpath(dir);
    const QDir d(dir);
    DbfTable::create(d.filePath(Datoprov), datoprovFields());
    DbfTable::create(d.filePath(Activida),
                     fields({{"NUMERO", 'N', 5, 0}, {"SECTOR", 'C', 4, 0}, {"DESCRIPCIO", 'C', 120, 0}, {"CLAVE", 'N', 6, 0}}),
                     {{0, QStringLiteral("A"), QStringLiteral("AGRICULTURA"), 111},
                      {1, QStringLiteral("B"), QStringLiteral("MINERÍA"), 212}});
    DbfTable::create(d.filePath(Admlocal), fields({{"CLAVE", 'N', 4, 0}, {"NOMBRE", 'C', 60, 0}}),
                     {{1, QStringLiteral("CENTRO")}});
    DbfTable::create(d.filePath(Catbanco), fields({{"CLAVE", 'N', 4, 0}, {"SIGLAS", 'C', 10, 0}, {"NOMBRE", 'C', 60, 0}}),
                     {{2, QStringLiteral("BZ"), QStringLiteral("BANCO DE ZENTORIA")}});
    DbfTable::create(d.filePath(Ventas), ventasFields(), ventasRows(3, 3));
    DbfTable::create(d.filePath(Provmerc), fields({{"NUMPROD", 'N', 3, 0}, {"RFC", 'C', 13, 0}, {"DESCRIPCIO", 'C', 150, 0}}));
    QFile considera(d.filePath(Considera));
    considera.open(QIODevice::WriteOnly);
    considera.write("{\\rtf1 Consideraciones\\par}");
}

void patch(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(offset));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray le32(quint32 v)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char((v >> (8 * i)) & 0xff));
    return bytes;
}

// Names, sizes, modification times and contents of everything in a folder,
// and the folder's own modification time.
QStringList snapshot(const QString &dir)
{
    QStringList out{QString::number(QFileInfo(dir).lastModified().toMSecsSinceEpoch())};
    for (const QFileInfo &info : QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile f(info.absoluteFilePath());
        f.open(QIODevice::ReadOnly);
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(info.fileName())
                   .arg(info.size())
                   .arg(info.lastModified().toMSecsSinceEpoch())
                   .arg(QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex()));
    }
    return out;
}

QString alreadyOpen(const QString &folder)
{
    return QStringLiteral("KORIM ya está abierto con la carpeta de datos %1. Cierre la otra copia antes de abrir ésta.")
        .arg(folder);
}

struct ChildResult {
    int exitCode = -1;
    QString output;
};

ChildResult runChild(const QString &mode, const QString &folder)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {mode, folder});
    child.waitForFinished(30000);
    return {child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1,
            QString::fromUtf8(child.readAllStandardOutput())};
}

void makeReadableByAll(const QString &dir)
{
    ::chmod(QFile::encodeName(dir).constData(), 0755);
    for (const QFileInfo &info : QDir(dir).entryInfoList(QDir::Files))
        ::chmod(QFile::encodeName(info.absoluteFilePath()).constData(), 0644);
}

// The check as an ordinary user sees it: permission bits do not stop root,
// so as root the check runs in a child process that gave up root first.
QString checkAsOrdinaryUser(const QString &dir)
{
    if (::geteuid() != 0)
        return checkDataFolder(dir);
    const ChildResult r = runChild(QStringLiteral("--check-as-nobody"), dir);
    if (r.exitCode != 0)
        return QStringLiteral("child failed with %1").arg(r.exitCode);
    return r.output;
}

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

class TestDataFolder : public QObject {
    Q_OBJECT
    QTemporaryDir root_;
    QString folder_;

private slots:
    void init()
    {
        QVERIFY(root_.isValid());
        ::chmod(QFile::encodeName(root_.path()).constData(), 0755);
        folder_ = root_.filePath(QStringLiteral("KORIM"));
        QDir(folder_).removeRecursively();
        QFile::remove(folder_);
        makeValidFolder(folder_);
    }

    void validFolderPasses()
    {
        QCOMPARE(checkDataFolder(folder_), QString());
    }

    void shippedFolderPasses()
    {
        const QString shipped = korim::test::shippedDataFolder();
        if (shipped.isEmpty() || !QFileInfo(shipped).isDir())
            QSKIP("the shipped data folder has not been built");
        QCOMPARE(checkDataFolder(shipped), QString());
    }

    void badFolderNamesFileAndFault_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fragment");
        // One style: a fault inside a file names the file; a file missing,
        // doubled or of the wrong kind names the folder as well.
        QTest::addColumn<bool>("namesFolder");
        QTest::newRow("table missing") << 0 << QStringLiteral("catbanco.dbf") << QStringLiteral("Falta la tabla") << true;
        QTest::newRow("considera.txt missing") << 1 << QStringLiteral("considera.txt") << QStringLiteral("Falta") << true;
        QTest::newRow("not a dBASE table") << 2 << Activida << QString() << false;
        QTest::newRow("truncated") << 3 << Ventas << QString() << false;
        QTest::newRow("count above size") << 4 << Ventas << QString() << false;
        QTest::newRow("record length vs fields") << 5 << Provmerc << QString() << false;
        QTest::newRow("header cut short") << 6 << Datoprov << QString() << false;
        QTest::newRow("too few fields") << 7 << Datoprov << QStringLiteral("39 campos") << false;
        QTest::newRow("named field missing") << 8 << Datoprov << QStringLiteral("campo EMAIL") << false;
        QTest::newRow("TIPOPROG misplaced") << 9 << Datoprov << QStringLiteral("TIPOPROG") << false;
        QTest::newRow("VENTAS without TIPO") << 10 << Ventas << QStringLiteral("8 campos") << false;
        QTest::newRow("empty catalogue") << 11 << Admlocal << QStringLiteral("vacío") << false;
        QTest::newRow("two rows of TIPO 2") << 12 << Ventas << QStringLiteral("2 renglones de TIPO 2") << false;
        QTest::newRow("no rows of TIPO 1") << 13 << Ventas << QStringLiteral("0 renglones de TIPO 1") << false;
        QTest::newRow("VENTAS field order") << 14 << Ventas << QStringLiteral("campo VTOT debe estar en la posición 1")
                                            << false;
        QTest::newRow("folder is a file") << 15 << QStringLiteral("KORIM") << QStringLiteral("no es una carpeta") << true;
        QTest::newRow("folder missing") << 16 << QStringLiteral("KORIM") << QStringLiteral("No existe") << true;
        QTest::newRow("garbage in a number") << 17 << Ventas
                                             << QStringLiteral("el registro 2 tiene en el campo VTOT el valor «1X2-.», "
                                                               "que no es un número.")
                                             << false;
        QTest::newRow("header length one byte off") << 18 << Admlocal
                                                    << QStringLiteral("la longitud del encabezado (98) no coincide")
                                                    << false;
        QTest::newRow("duplicate field names") << 19 << Provmerc
                                               << QStringLiteral("el campo NUMPROD aparece dos veces (campos 1 y 2)")
                                               << false;
        QTest::newRow("two files differing in case") << 20 << Ventas
                                                     << QStringLiteral("hay más de un archivo para la tabla VENTAS.dbf "
                                                                       "(VENTAS.DBF y ventas.dbf)")
                                                     << true;
        QTest::newRow("a folder where a table should be") << 21 << Catbanco
                                                          << QStringLiteral("catbanco.DBF es una carpeta y no un archivo")
                                                          << true;
        QTest::newRow("a folder where considera.txt should be") << 22 << Considera
                                                                << QStringLiteral("es una carpeta y no un archivo; el "
                                                                                  "programa necesita ahí el archivo")
                                                                << true;
    }

    void badFolderNamesFileAndFault()
    {
        QFETCH(int, fault);
        QFETCH(QString, file);
        QFETCH(QString, fragment);
        const QDir d(folder_);
        switch (fault) {
        case 0: QVERIFY(QFile::remove(d.filePath(Catbanco))); break;
        case 1: QVERIFY(QFile::remove(d.filePath(Considera))); break;
        case 2: {
            QFile f(d.filePath(Activida));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("Esto no es una tabla, es texto.\r\n");
            break;
        }
        case 3: QVERIFY(QFile::resize(d.filePath(Ventas), QFileInfo(d.filePath(Ventas)).size() - 100)); break;
        case 4: patch(d.filePath(Ventas), 4, le32(9)); break;
        case 5: patch(d.filePath(Provmerc), 10, QByteArray("\x10\x00", 2)); break;
        case 6: QVERIFY(QFile::resize(d.filePath(Datoprov), 20)); break;
        case 7: DbfTable::create(d.filePath(Datoprov), datoprovFields().mid(0, 39)); break;
        case 8: {
            QList<FieldDef> f = datoprovFields();
            f[4].name = QStringLiteral("EMAILX");
            DbfTable::create(d.filePath(Datoprov), f);
            break;
        }
        case 9: {
            QList<FieldDef> f = datoprovFields();
            f.swapItemsAt(21, 22);
            DbfTable::create(d.filePath(Datoprov), f);
            break;
        }
        case 10: DbfTable::create(d.filePath(Ventas), ventasFields().mid(0, 8)); break;
        case 11:
            DbfTable::create(d.filePath(Admlocal), fields({{"CLAVE", 'N', 4, 0}, {"NOMBRE", 'C', 60, 0}}));
            break;
        case 12: DbfTable::create(d.filePath(Ventas), ventasFields(), ventasRows(3, 2)); break;
        case 13: DbfTable::create(d.filePath(Ventas), ventasFields(), ventasRows(0, 3)); break;
        case 14: {
            QList<FieldDef> f = ventasFields();
            f.swapItemsAt(1, 2);
            DbfTable::create(d.filePath(Ventas), f, ventasRows(3, 3));
            break;
        }
        case 15: {
            QVERIFY(QDir(folder_).removeRecursively());
            QFile f(folder_);
            QVERIFY(f.open(QIODevice::WriteOnly));
            break;
        }
        case 16: QVERIFY(QDir(folder_).removeRecursively()); break;
        case 17: {
            // VTOT of the second record: header 321 bytes, records of 138.
            patch(d.filePath(Ventas), 321 + 138 + 1 + 4, QByteArray("1X2-.").leftJustified(18, ' '));
            break;
        }
        case 18: {
            // Header length one byte more: every record would read shifted, the
            // first office's name would lose its first letter.
            DbfTable::create(d.filePath(Admlocal), fields({{"CLAVE", 'N', 4, 0}, {"NOMBRE", 'C', 60, 0}}),
                             {{1, QStringLiteral("BANCA ALTIPLANO")}, {2, QStringLiteral("CENTRO")}});
            patch(d.filePath(Admlocal), 8, QByteArray("\x62\x00", 2));
            break;
        }
        case 19: patch(d.filePath(Provmerc), 64, QByteArray("NUMPROD\0\0\0\0", 11)); break;
        case 20: QVERIFY(QFile::copy(d.filePath(Ventas), d.filePath(QStringLiteral("VENTAS.DBF")))); break;
        case 21: {
            QVERIFY(QFile::remove(d.filePath(Catbanco)));
            QVERIFY(QDir(folder_).mkdir(Catbanco));
            break;
        }
        case 22: {
            QVERIFY(QFile::remove(d.filePath(Considera)));
            QVERIFY(QDir(folder_).mkdir(Considera));
            break;
        }
        }
        QFETCH(bool, namesFolder);
        const QStringList before = snapshot(folder_);
        const QString message = checkDataFolder(folder_);
        QVERIFY2(message.contains(file), qPrintable(message));
        if (!fragment.isEmpty())
            QVERIFY2(message.contains(fragment), qPrintable(message));
        QVERIFY2(message.contains(folder_) == namesFolder, qPrintable(message));
        // The start-up gives the same message and leaves the folder as it was.
        if (fault != 15 && fault != 16) {
            QString refused;
            QVERIFY(!openDataFolder(folder_, QString(), &refused));
            QCOMPARE(refused, message);
        }
        // One sentence, and the check itself wrote nothing.
        QVERIFY(!message.contains(QLatin1Char('\n')));
        QCOMPARE(snapshot(folder_), before);
    }

    void readOnlyByPermissions()
    {
        makeReadableByAll(folder_);
        // Writable by everyone: usable, even with read-only catalogues.
        ::chmod(QFile::encodeName(folder_).constData(), 0777);
        for (const QString &name : {Datoprov, Ventas, Provmerc})
            ::chmod(QFile::encodeName(QDir(folder_).filePath(name)).constData(), 0666);
        QCOMPARE(checkAsOrdinaryUser(folder_), QString());

        ::chmod(QFile::encodeName(QDir(folder_).filePath(Ventas)).constData(), 0444);
        QString message = checkAsOrdinaryUser(folder_);
        QVERIFY2(message.contains(Ventas) && message.contains(QStringLiteral("sólo lectura")), qPrintable(message));

        ::chmod(QFile::encodeName(QDir(folder_).filePath(Ventas)).constData(), 0666);
        ::chmod(QFile::encodeName(folder_).constData(), 0555);
        message = checkAsOrdinaryUser(folder_);
        QVERIFY2(message.startsWith(QStringLiteral("La carpeta de datos %1 es de sólo lectura").arg(folder_)),
                 qPrintable(message));
        ::chmod(QFile::encodeName(folder_).constData(), 0755);
    }

    void readOnlyMount()
    {
        if (::geteuid() != 0)
            QSKIP("mounting needs root");
        const QString mountPoint = root_.filePath(QStringLiteral("medium"));
        QVERIFY(QDir().mkpath(mountPoint));
        if (!run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                           QStringLiteral("size=4m"), QStringLiteral("tmpfs"), mountPoint}))
            QSKIP("tmpfs cannot be mounted here");
        struct Unmount {
            QString point;
            ~Unmount() { run(QStringLiteral("umount"), {point}); }
        } unmount{mountPoint};
        const QString mounted = mountPoint + QStringLiteral("/KORIM");
        makeValidFolder(mounted);
        QCOMPARE(checkDataFolder(mounted), QString());
        QVERIFY(run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), mountPoint}));
        QCOMPARE(checkDataFolder(mounted),
                 QStringLiteral("La carpeta de datos %1 es de sólo lectura; el programa necesita guardar en ella.")
                     .arg(mounted));
    }

    void freshInstallIntoEmptyParent()
    {
        const QString target = root_.filePath(QStringLiteral("home/share/KORIM"));
        QString message;
        auto session = openDataFolder(target, folder_, &message);
        QVERIFY2(session, qPrintable(message));
        QVERIFY(session->installed());
        QCOMPARE(session->folder(), target);
        // The same files, byte for byte, and nothing left over beside it.
        QStringList shipped = snapshot(folder_).mid(1);
        QStringList installed = snapshot(target).mid(1);
        auto withoutTimes = [](QStringList rows) {
            for (QString &row : rows)
                row = row.section(QLatin1Char(' '), 0, 1) + QLatin1Char(' ') + row.section(QLatin1Char(' '), 3);
            return rows;
        };
        QCOMPARE(withoutTimes(installed), withoutTimes(shipped));
        QCOMPARE(QDir(root_.filePath(QStringLiteral("home/share"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("KORIM")});
    }

    void aNewFolderIsPrivate()
    {
        // Whatever the umask lets through: the tables hold a tax identifier
        // and a bank account.
        const mode_t old = ::umask(0);
        const QString target = root_.filePath(QStringLiteral("private/KORIM"));
        QString message;
        auto session = openDataFolder(target, folder_, &message);
        ::umask(old);
        QVERIFY2(session, qPrintable(message));
        QVERIFY(session->installed());
        auto mode = [](const QString &path) {
            struct stat st {};
            ::stat(QFile::encodeName(path).constData(), &st);
            return int(st.st_mode & 07777);
        };
        QCOMPARE(mode(target), 0700);
        const QFileInfoList files = QDir(target).entryInfoList(QDir::Files | QDir::Hidden);
        QVERIFY(files.size() >= 7);
        bool considerations = false;
        for (const QFileInfo &f : files) {
            QVERIFY2(mode(f.filePath()) == 0600, qPrintable(f.fileName()));
            considerations = considerations || f.fileName().compare(QLatin1String("considera.txt"), Qt::CaseInsensitive) == 0;
        }
        QVERIFY(considerations);

        // A folder that exists keeps its modes.
        ::chmod(QFile::encodeName(folder_).constData(), 0755);
        const QString table = QDir(folder_).entryInfoList(QDir::Files).first().filePath();
        ::chmod(QFile::encodeName(table).constData(), 0644);
        {
            auto again = openDataFolder(folder_, root_.filePath(QStringLiteral("nowhere")), &message);
            QVERIFY2(again, qPrintable(message));
        }
        QCOMPARE(mode(folder_), 0755);
        QCOMPARE(mode(table), 0644);
    }

    void existingFolderIsUntouched()
    {
        QTest::qSleep(20); // so that a write would show in the times
        const QStringList before = snapshot(folder_);
        QString message;
        {
            auto session = openDataFolder(folder_, root_.filePath(QStringLiteral("nowhere")), &message);
            QVERIFY2(session, qPrintable(message));
            QVERIFY(!session->installed());
            QCOMPARE(snapshot(folder_), before);
        }
        QCOMPARE(snapshot(folder_), before);
    }

    void missingShippedCopyIsReported()
    {
        const QString target = root_.filePath(QStringLiteral("elsewhere/KORIM"));
        const QString shipped = root_.filePath(QStringLiteral("no-shipped-copy"));
        QString message;
        QVERIFY(!openDataFolder(target, shipped, &message));
        QVERIFY2(message.contains(target) && message.contains(shipped), qPrintable(message));
        QVERIFY(!QFileInfo::exists(target));
    }

    void badFolderIsRefusedAndReleased()
    {
        QVERIFY(QFile::remove(QDir(folder_).filePath(Considera)));
        QString message;
        QVERIFY(!openDataFolder(folder_, QString(), &message));
        QCOMPARE(message, checkDataFolder(folder_));
        QFile f(QDir(folder_).filePath(Considera));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        // The refused start did not keep the folder locked.
        auto session = openDataFolder(folder_, QString(), &message);
        QVERIFY2(session, qPrintable(message));
    }

    // A rewrite killed half-way leaves ".<table>.tmpXXXXXX" beside the table.
    // Start-up removes those, once it holds the folder's lock, and nothing else.
    void leftoverTemporariesRemovedUnderTheLock()
    {
        const QDir d(folder_);
        const QStringList ours = {QStringLiteral(".Provmerc.dbf.tmpAb12Cd"), QStringLiteral(".ventas.dbf.tmpXYZ789"),
                                  QStringLiteral(".DATOPROV.DBF.tmp000000")};
        const QStringList others = {
            QStringLiteral(".PROVMERC.dbf.tmpAb12Cd"),  // another spelling than the table's file
            QStringLiteral(".Provmerc.dbf.tmpAb12C"),   // five characters
            QStringLiteral(".Provmerc.dbf.tmpAb12Cde"), // seven
            QStringLiteral(".Provmerc.dbf.tmp-b12Cd"),
            QStringLiteral(".OTRA.dbf.tmpAb12Cd"),      // no such table
            QStringLiteral(".CONSIDERA.TXT.tmpAb12Cd"), // not a table
            QStringLiteral("Provmerc.dbf.tmpAb12Cd"),
            QStringLiteral("notas.txt"),
        };
        for (const QString &name : ours + others) {
            QFile f(d.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("restos");
        }
        QVERIFY(d.mkdir(QStringLiteral(".Provmerc.dbf.tmpDIR123")));
        QVERIFY(QFile::link(d.filePath(QStringLiteral("notas.txt")), d.filePath(QStringLiteral(".ventas.dbf.tmpLNK123"))));
        const QStringList kept = QStringList(others) << QStringLiteral(".Provmerc.dbf.tmpDIR123")
                                                     << QStringLiteral(".ventas.dbf.tmpLNK123");

        auto present = [&](const QString &name) { return QFileInfo(d.filePath(name)).isSymLink() || QFileInfo::exists(d.filePath(name)); };
        QString message;
        {
            auto first = openDataFolder(folder_, QString(), &message);
            QVERIFY2(first, qPrintable(message));
            for (const QString &name : kept)
                QVERIFY2(present(name), qPrintable(name));
            for (const QString &name : ours)
                QVERIFY2(!present(name), qPrintable(name));

            // Left while another copy holds the folder: that copy may be writing it now.
            QFile f(d.filePath(ours.first()));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            QVERIFY(!openDataFolder(folder_, QString(), &message));
            QCOMPARE(runChild(QStringLiteral("--open-session"), folder_).exitCode, 3);
            QVERIFY(present(ours.first()));
        }
        auto again = openDataFolder(folder_, QString(), &message);
        QVERIFY2(again, qPrintable(message));
        QVERIFY(!present(ours.first()));
        for (const QString &name : kept)
            QVERIFY2(present(name), qPrintable(name));
    }

    void secondCopyIsRefused()
    {
        QString message;
        auto first = openDataFolder(folder_, QString(), &message);
        QVERIFY2(first, qPrintable(message));

        QVERIFY(!openDataFolder(folder_, QString(), &message));
        QCOMPARE(message, alreadyOpen(folder_));
        const ChildResult other = runChild(QStringLiteral("--open-session"), folder_);
        QCOMPARE(other.exitCode, 3);
        QCOMPARE(other.output, alreadyOpen(folder_));

        first.reset();
        const ChildResult after = runChild(QStringLiteral("--open-session"), folder_);
        QCOMPARE(after.exitCode, 0);
        QVERIFY(openDataFolder(folder_, QString(), &message));
    }

    void placesComeFromTheEnvironment()
    {
        const QString target = root_.filePath(QStringLiteral("env/KORIM"));
        qputenv("KORIM_DATA_DIR", target.toLocal8Bit());
        qputenv("KORIM_SHIPPED_DATA", folder_.toLocal8Bit());
        QCOMPARE(DataFolderSession::shippedDataFolder(), folder_);
        QString message;
        auto session = openDataFolder(&message);
        QVERIFY2(session, qPrintable(message));
        QCOMPARE(session->folder(), target);
        QVERIFY(session->installed());
    }
};

int main(int argc, char **argv)
{
    // Child modes used by the tests above.
    if (argc == 3 && qstrcmp(argv[1], "--open-session") == 0) {
        QCoreApplication app(argc, argv);
        QString message;
        auto session = openDataFolder(QString::fromLocal8Bit(argv[2]), QString(), &message);
        fputs(message.toUtf8().constData(), stdout);
        return session ? 0 : 3;
    }
    if (argc == 3 && qstrcmp(argv[1], "--check-as-nobody") == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            return 4;
        QCoreApplication app(argc, argv);
        fputs(checkDataFolder(QString::fromLocal8Bit(argv[2])).toUtf8().constData(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestDataFolder test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_datafolder.moc"
