// A copy or an installation whose flush fails is not done: the file's flush
// and the folder's are reported alike, while a file system that cannot flush
// folders at all does not stop them.
#include "platform/datafolder.h"
#include "platform/files.h"
#include "support/syncfault.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::platform;
using korim::test::SyncFault;
using korim::test::syncFaults;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestFilesSyncFault : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { syncFaults().set(SyncFault::None); }

    void copy_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("copied");
        QTest::newRow("file flush fails") << int(SyncFault::File) << false << false;
        QTest::newRow("file flush fails over an old target") << int(SyncFault::File) << true << false;
        QTest::newRow("folder flush fails") << int(SyncFault::Folder) << false << false;
        QTest::newRow("folder cannot be flushed") << int(SyncFault::FolderUnsupported) << false << true;
        QTest::newRow("folder cannot be flushed, old target") << int(SyncFault::FolderUnsupported) << true << true;
    }

    void copy()
    {
        QFETCH(int, fault);
        QFETCH(bool, targetExists);
        QFETCH(bool, copied);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString source = root.filePath(QStringLiteral("VENTAS.dbf"));
        const QString medium = root.filePath(QStringLiteral("a"));
        const QString target = medium + QStringLiteral("/VENTAS.dbf");
        const QByteArray content("nuevo contenido\x00\xff", 17);
        const QByteArray old("antiguo");
        QVERIFY(writeFile(source, content));
        QVERIFY(QDir().mkpath(medium));
        if (targetExists)
            QVERIFY(writeFile(target, old));

        syncFaults().set(SyncFault(fault));
        const bool result = copyPath(source, target, false);
        QVERIFY2(syncFaults().failed > 0, "the fault was never met");
        syncFaults().set(SyncFault::None);

        QCOMPARE(result, copied);
        // No temporary file stays on the medium.
        const bool present = copied || targetExists || fault == int(SyncFault::Folder);
        QCOMPARE(entries(medium), present ? QStringList{QStringLiteral("VENTAS.dbf")} : QStringList{});
        if (copied || fault == int(SyncFault::Folder))
            QCOMPARE(readFile(target), content);
        else if (targetExists)
            QCOMPARE(readFile(target), old);
    }

    void install_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("spared"); // folder flushes that succeed first
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("folderThere");
        QTest::newRow("a copied file's flush fails") << int(SyncFault::File) << 0 << false << false;
        QTest::newRow("the new folder's flush fails") << int(SyncFault::Folder) << 0 << false << false;
        // Renamed into place, but its name not yet durable.
        QTest::newRow("the parent's flush fails") << int(SyncFault::Folder) << 1 << false << true;
        QTest::newRow("folders cannot be flushed") << int(SyncFault::FolderUnsupported) << 0 << true << true;
    }

    void install()
    {
        QFETCH(int, fault);
        QFETCH(int, spared);
        QFETCH(bool, installed);
        QFETCH(bool, folderThere);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString shipped = root.filePath(QStringLiteral("shipped"));
        QVERIFY(QDir().mkpath(shipped));
        QVERIFY(writeFile(shipped + QStringLiteral("/DATOPROV.dbf"), "uno"));
        QVERIFY(writeFile(shipped + QStringLiteral("/considera.txt"), "dos"));
        const QString parent = root.filePath(QStringLiteral("datos"));
        const QString folder = parent + QStringLiteral("/KORIM");

        syncFaults().set(SyncFault(fault), spared);
        QString message;
        const auto session = DataFolderSession::open(folder, shipped, [](const QString &) { return QString(); }, &message);
        QVERIFY2(syncFaults().failed > 0, "the fault was never met");
        syncFaults().set(SyncFault::None);

        QCOMPARE(bool(session), installed);
        if (installed) {
            QVERIFY(message.isEmpty());
        } else {
            QVERIFY2(message.startsWith(QStringLiteral("No se pudo instalar la carpeta de datos ")
                                        + QDir::toNativeSeparators(folder) + QStringLiteral(": ")),
                     qPrintable(message));
        }
        QCOMPARE(QFileInfo(folder).isDir(), folderThere);
        // Nothing half-installed stays beside it.
        QCOMPARE(entries(parent), folderThere ? QStringList{QStringLiteral("KORIM")} : QStringList{});
        if (folderThere)
            QCOMPARE(entries(folder), (QStringList{QStringLiteral("DATOPROV.dbf"), QStringLiteral("considera.txt")}));
    }
};

QTEST_APPLESS_MAIN(TestFilesSyncFault)
#include "tst_files_syncfault.moc"
