// The fixed places on this system and the diskette's file functions, on
// temporary folders standing in for the data folder and drive A:.

#include "platform/files.h"
#include "platform/places.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace korim::platform;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList listing(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Every byte value, so no text conversion can hide.
QByteArray binaryContent(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + (i >> 8));
    return bytes;
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT
    QTemporaryDir root_;
    QString data_;
    QString driveA_;

private slots:
    void init()
    {
        QVERIFY(root_.isValid());
        data_ = root_.path() + QStringLiteral("/data");
        driveA_ = root_.path() + QStringLiteral("/diskette");
        QDir(data_).removeRecursively();
        QDir(driveA_).removeRecursively();
        QVERIFY(QDir().mkpath(data_));
        QVERIFY(QDir().mkpath(driveA_));
        qputenv("KORIM_DATA_DIR", data_.toLocal8Bit());
        qputenv("KORIM_DRIVE_A", driveA_.toLocal8Bit());
    }

    void placesFollowTheEnvironment()
    {
        QCOMPARE(dataFolder(), data_);
        QCOMPARE(driveA(), driveA_);
        qputenv("KORIM_DATA_DIR", (data_ + QStringLiteral("//sub/../")).toLocal8Bit());
        QCOMPARE(dataFolder(), data_);

        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", root_.path().toLocal8Bit());
        qunsetenv("KORIM_DATA_DIR");
        qunsetenv("KORIM_DRIVE_A");
        qputenv("XDG_DATA_HOME", "/srv/xdg");
        QCOMPARE(dataFolder(), QStringLiteral("/srv/xdg/KORIM"));
        // A relative XDG_DATA_HOME is not valid and is ignored, as is an empty one.
        qputenv("XDG_DATA_HOME", "relative/place");
        QCOMPARE(dataFolder(), root_.path() + QStringLiteral("/.local/share/KORIM"));
        qputenv("XDG_DATA_HOME", "");
        QCOMPARE(dataFolder(), root_.path() + QStringLiteral("/.local/share/KORIM"));
        QCOMPARE(driveA(), root_.path() + QStringLiteral("/KORIM-A"));
        qputenv("HOME", home);
        qunsetenv("XDG_DATA_HOME");
    }

    void literalNamesMapWithoutRegardToCase()
    {
        writeFile(data_ + QStringLiteral("/ventas.dbf"), "v");
        writeFile(data_ + QStringLiteral("/Considera.TXT"), "c");
        writeFile(driveA_ + QStringLiteral("/DATOPROV.DBF"), "d");

        QCOMPARE(resolveFixedPath(QStringLiteral("c:\\korim\\VENTAS.dbf")), data_ + QStringLiteral("/ventas.dbf"));
        QCOMPARE(resolveFixedPath(QStringLiteral("C:\\KORIM\\considera.txt")), data_ + QStringLiteral("/Considera.TXT"));
        QCOMPARE(resolveFixedPath(QStringLiteral("c:\\KORIM\\considera.txt")), data_ + QStringLiteral("/Considera.TXT"));
        QCOMPARE(resolveFixedPath(QStringLiteral("C:\\KORIM")), data_);
        // Drive-relative and rooted names on A: both land in its root.
        QCOMPARE(resolveFixedPath(QStringLiteral("a:datoprov.dbf")), driveA_ + QStringLiteral("/DATOPROV.DBF"));
        QCOMPARE(resolveFixedPath(QStringLiteral("A:\\datoprov.dbf")), driveA_ + QStringLiteral("/DATOPROV.DBF"));
        // Patterns are left to the caller; absent names keep their spelling.
        QCOMPARE(resolveFixedPath(QStringLiteral("a:\\*.dbf")), driveA_ + QStringLiteral("/*.dbf"));
        QCOMPARE(resolveFixedPath(QStringLiteral("a:PROVMERC.dbf")), driveA_ + QStringLiteral("/PROVMERC.dbf"));
        QCOMPARE(resolveFixedPath(QStringLiteral("c:\\korim\\PROVMERC.dbf")), data_ + QStringLiteral("/PROVMERC.dbf"));
        // Places that are not the program's are not mapped.
        QCOMPARE(resolveFixedPath(QStringLiteral("c:\\korimx\\a.dbf")), QStringLiteral("c:\\korimx\\a.dbf"));
        QCOMPARE(resolveFixedPath(QStringLiteral("d:\\korim\\a.dbf")), QStringLiteral("d:\\korim\\a.dbf"));
    }

    void exactSpellingWinsOverOtherCase()
    {
        writeFile(driveA_ + QStringLiteral("/ventas.dbf"), "lower");
        writeFile(driveA_ + QStringLiteral("/VENTAS.dbf"), "upper");
        QCOMPARE(resolveFixedPath(QStringLiteral("a:VENTAS.dbf")), driveA_ + QStringLiteral("/VENTAS.dbf"));
        QCOMPARE(resolveFixedPath(QStringLiteral("a:ventas.dbf")), driveA_ + QStringLiteral("/ventas.dbf"));
    }

    void lookupFindsFirstMatchingFile()
    {
        QCOMPARE(dirLookup(QStringLiteral("a:\\*.dbf")), QString());
        writeFile(driveA_ + QStringLiteral("/notes.txt"), "n");
        writeFile(driveA_ + QStringLiteral("/.hidden.dbf"), "h");
        writeFile(driveA_ + QStringLiteral("/old.dbf.bak"), "b");
        QVERIFY(QDir().mkpath(driveA_ + QStringLiteral("/aaa.dbf")));
        QCOMPARE(dirLookup(QStringLiteral("a:\\*.dbf")), QString());

        writeFile(driveA_ + QStringLiteral("/VENTAS.DBF"), "v");
        writeFile(driveA_ + QStringLiteral("/datoprov.dbf"), "d");
        QCOMPARE(dirLookup(QStringLiteral("a:\\*.dbf")), QStringLiteral("VENTAS.DBF"));
        QCOMPARE(dirLookup(QStringLiteral("a:VENTAS.dbf")), QStringLiteral("VENTAS.DBF"));
        QCOMPARE(dirLookup(QStringLiteral("a:Datoprov.DBF")), QStringLiteral("datoprov.dbf"));
        QCOMPARE(dirLookup(QStringLiteral("a:d?toprov.*")), QStringLiteral("datoprov.dbf"));
        QCOMPARE(dirLookup(QStringLiteral("a:PROVMERC.dbf")), QString());
        QCOMPARE(dirLookup(QStringLiteral("a:*.txt")), QStringLiteral("notes.txt"));

        // No medium: the folder is not there.
        QVERIFY(QDir(driveA_).removeRecursively());
        QCOMPARE(dirLookup(QStringLiteral("a:\\*.dbf")), QString());
        QCOMPARE(dirLookup(QStringLiteral("a:VENTAS.dbf")), QString());
    }

    void deletionTakesOnlyMatchingFiles()
    {
        writeFile(driveA_ + QStringLiteral("/notes.txt"), "n");
        writeFile(driveA_ + QStringLiteral("/VENTAS.DBF"), "v");
        writeFile(driveA_ + QStringLiteral("/old.dbf"), "o");
        writeFile(driveA_ + QStringLiteral("/keep.dbf.bak"), "k");
        QVERIFY(QDir().mkpath(driveA_ + QStringLiteral("/folder.dbf")));

        QVERIFY(deleteMatching(QStringLiteral("a:\\*.dbf")));
        QCOMPARE(listing(driveA_),
                 (QStringList{QStringLiteral("folder.dbf"), QStringLiteral("keep.dbf.bak"), QStringLiteral("notes.txt")}));
        // Nothing left to delete is a failure, like a missing medium.
        QVERIFY(!deleteMatching(QStringLiteral("a:\\*.dbf")));
        QVERIFY(QDir(driveA_).removeRecursively());
        QVERIFY(!deleteMatching(QStringLiteral("a:\\*.dbf")));
    }

    void copyIsExactAndOverwrites()
    {
        const QByteArray content = binaryContent(200000);
        writeFile(data_ + QStringLiteral("/datoprov.dbf"), content);
        writeFile(driveA_ + QStringLiteral("/DATOPROV.DBF"), "older and different");

        QVERIFY(copyFile(QStringLiteral("c:\\korim\\datoprov.dbf"), QStringLiteral("a:datoprov.dbf"), false));
        // The existing file of the other case is the one overwritten: no twin appears.
        QCOMPARE(listing(driveA_), QStringList{QStringLiteral("DATOPROV.DBF")});
        QCOMPARE(readFile(driveA_ + QStringLiteral("/DATOPROV.DBF")), content);

        QVERIFY(copyFile(QStringLiteral("c:\\korim\\datoprov.dbf"), QStringLiteral("a:PROVMERC.dbf"), false));
        QCOMPARE(readFile(driveA_ + QStringLiteral("/PROVMERC.dbf")), content);

        // An empty file copies as an empty file.
        writeFile(data_ + QStringLiteral("/empty.dbf"), {});
        QVERIFY(copyFile(QStringLiteral("c:\\korim\\empty.dbf"), QStringLiteral("a:empty.dbf"), false));
        QVERIFY(QFileInfo::exists(driveA_ + QStringLiteral("/empty.dbf")));
        QCOMPARE(QFileInfo(driveA_ + QStringLiteral("/empty.dbf")).size(), 0);
    }

    void copyFailuresLeaveTargetsAlone()
    {
        writeFile(data_ + QStringLiteral("/VENTAS.dbf"), binaryContent(5000));
        writeFile(driveA_ + QStringLiteral("/VENTAS.dbf"), "keep me");

        QVERIFY(!copyFile(QStringLiteral("c:\\korim\\VENTAS.dbf"), QStringLiteral("a:VENTAS.dbf"), true));
        QCOMPARE(readFile(driveA_ + QStringLiteral("/VENTAS.dbf")), QByteArray("keep me"));

        QVERIFY(!copyFile(QStringLiteral("c:\\korim\\missing.dbf"), QStringLiteral("a:missing.dbf"), false));
        QVERIFY(!copyFile(QStringLiteral("c:\\korim"), QStringLiteral("a:folder.dbf"), false));
        QVERIFY(copyFile(QStringLiteral("c:\\korim\\VENTAS.dbf"), QStringLiteral("a:new.dbf"), true));

        QVERIFY(QDir(driveA_).removeRecursively());
        QVERIFY(!copyFile(QStringLiteral("c:\\korim\\VENTAS.dbf"), QStringLiteral("a:VENTAS.dbf"), false));
        QVERIFY(QDir().mkpath(driveA_));
        writeFile(driveA_ + QStringLiteral("/VENTAS.dbf"), "keep me");

        // A medium that fills up in the middle of the copy: the file size
        // limit makes the writes fail the way a full diskette does.
        writeFile(data_ + QStringLiteral("/big.dbf"), binaryContent(300000));
        auto *previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 100000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool copied = copyFile(QStringLiteral("c:\\korim\\big.dbf"), QStringLiteral("a:VENTAS.dbf"), false);
        const bool copiedNew = copyFile(QStringLiteral("c:\\korim\\big.dbf"), QStringLiteral("a:PROVMERC.dbf"), false);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY(!copied);
        QVERIFY(!copiedNew);
        // No half file under any name, the old target intact.
        QCOMPARE(listing(driveA_), QStringList{QStringLiteral("VENTAS.dbf")});
        QCOMPARE(readFile(driveA_ + QStringLiteral("/VENTAS.dbf")), QByteArray("keep me"));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
