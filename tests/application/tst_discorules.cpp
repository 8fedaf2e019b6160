// The diskette's rules without the window: a FAT medium as the clerk's stick
// has it, "A:" pointing at the data folder, and what the question says about
// the place.

#include "support/mounts.h"
#include "support/syncfault.h"
#include "support/testsupport.h"

#include "platform/places.h"
#include "application/discorules.h"
#include "application/support/appfolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

using namespace korim::test;
using korim::platform::DriveAPlace;
using korim::platform::Medium;
using korim::application::describeDriveA;
using korim::application::diskFiles;
using korim::application::DiskOutcome;
using korim::application::writeDisk;

class DiscoRulesTest : public QObject {
    Q_OBJECT

private slots:
    void fatMedium()
    {
        QTemporaryDir dir;
        const QString data = copyShippedData(dir.path());
        QTemporaryDir imageDir;
        QTemporaryDir mountDir;
        Mount fat = Mount::fatImage(imageDir.filePath(QStringLiteral("fat.img")), mountDir.path(), 2 << 20);
        if (!fat.active())
            QSKIP(qPrintable(QStringLiteral("no FAT image on a loop device here: ") + fat.why()));
        const QString medium = mountDir.path();
        for (const char *name : {"DATOPROV.DBF", "Viejo.Dbf", "LEEME.TXT"}) {
            QFile f(medium + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("anterior");
        }
        const auto before = folderBytes(data);

        const DiskOutcome outcome = writeDisk(data, medium);
        QVERIFY(outcome.oldTablesFound);
        QVERIFY(outcome.complete());
        QStringList names = QDir(medium).entryList(QDir::Files | QDir::Hidden);
        names.sort(Qt::CaseInsensitive);
        // The names as the diskette gives them, letter case included.
        QCOMPARE(names, (QStringList{QStringLiteral("activida.dbf"), QStringLiteral("datoprov.dbf"),
                                     QStringLiteral("LEEME.TXT"), QStringLiteral("PROVMERC.dbf"),
                                     QStringLiteral("VENTAS.dbf")}));
        for (const auto &file : diskFiles()) {
            QCOMPARE(readWithDbfread(medium + QLatin1Char('/') + file.target),
                     readWithDbfread(data + QLatin1Char('/') + file.source));
        }
        QCOMPARE(folderBytes(data), before);
    }

    void mediumThatIsTheDataFolder()
    {
        QTemporaryDir dir;
        const QString data = copyShippedData(dir.path());
        QVERIFY(QFile::link(data, dir.path() + QStringLiteral("-enlace")));
        const auto before = folderBytes(data);
        // By its own name and through a link: clearing it would delete the
        // tables the diskette is made from.
        for (const QString &medium : {data, dir.path() + QStringLiteral("-enlace")}) {
            const DiskOutcome outcome = writeDisk(data, medium);
            QVERIFY(outcome.mediumIsDataFolder);
            QVERIFY(!outcome.complete());
        }
        QCOMPARE(folderBytes(data), before);
        QFile::remove(dir.path() + QStringLiteral("-enlace"));
    }

    // A medium that takes the files but cannot flush them: reading back from
    // the cache would pass for a diskette that a pulled stick loses.
    void aCopyThatIsNotFlushedDoesNotCount()
    {
        QTemporaryDir dir;
        const QString data = copyShippedData(dir.path());
        const QString medium = dir.path() + QStringLiteral("/A");
        QVERIFY(QDir().mkpath(medium));
        for (const SyncFault fault : {SyncFault::File, SyncFault::Folder}) {
            syncFaults().set(fault, 1); // the first table's copy flushes
            const DiskOutcome outcome = writeDisk(data, medium);
            syncFaults().set(SyncFault::None);
            QCOMPARE(outcome.written, (std::array<bool, 4>{true, false, false, false}));
            QVERIFY(!outcome.complete());
        }
        // A medium whose folders cannot be flushed at all (FAT on some
        // kernels) is no failure.
        syncFaults().set(SyncFault::FolderUnsupported);
        const DiskOutcome outcome = writeDisk(data, medium);
        syncFaults().set(SyncFault::None);
        QVERIFY(outcome.complete());
    }

    void whatTheQuestionSaysOfA()
    {
        QTemporaryDir dir;
        Medium stick;
        stick.root = QStringLiteral("/media/ana/KORIM");
        stick.name = QStringLiteral("KORIM");
        stick.fileSystem = QStringLiteral("vfat");
        stick.bytesFree = 1457664; // what is left on an empty diskette
        QCOMPARE(describeDriveA(DriveAPlace{stick.root, stick}),
                 QStringLiteral("A: es el medio «KORIM» (vfat) en /media/ana/KORIM; libre: 1.4 MB."));

        const QString folder = dir.path() + QStringLiteral("/A");
        QCOMPARE(describeDriveA(DriveAPlace{folder, std::nullopt}),
                 QStringLiteral("A: es la carpeta %1, que no existe.").arg(folder));
        QVERIFY(QDir().mkpath(folder));
        Mount tmpfs = Mount::tmpfs(folder, 1 << 20);
        if (!tmpfs.active())
            QSKIP(qPrintable(tmpfs.why()));
        QCOMPARE(describeDriveA(DriveAPlace{folder, std::nullopt}),
                 QStringLiteral("A: es la carpeta %1, en tmpfs (tmpfs); libre: 1.0 MB.").arg(folder));
    }
};

QTEST_GUILESS_MAIN(DiscoRulesTest)
#include "tst_discorules.moc"
