// A flush that fails is a failed save: the engine reports it, keeps the table
// as it was and lets a retry write the change once. Every way of changing a
// table meets a failing flush of the file, a failing flush of its folder, and
// a file system that cannot flush folders at all.
#include "data/dbf.h"
#include "support/syncfault.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::data;
using korim::test::SyncFault;
using korim::test::syncFaults;

namespace {

enum class Op { Create, Append, Delete, UpdateInPlace, UpdateRewrite };

const QString kTable = QStringLiteral("TABLA.dbf");

// Narrow records lie inside one sector and are changed in place; wide ones
// cross a sector and go through the rewrite.
QList<FieldDef> layout(bool wide)
{
    QList<FieldDef> fields = {makeField(QStringLiteral("ID"), FieldType::Numeric, 9),
                              makeField(QStringLiteral("TEXTO"), FieldType::Character, wide ? 254 : 20)};
    if (wide)
        fields << makeField(QStringLiteral("MAS"), FieldType::Character, 254);
    return fields;
}

QVariantList row(bool wide, qlonglong id, const QString &text)
{
    QVariantList values = {id, text};
    if (wide)
        values << text;
    return values;
}

QList<QVariantList> initialRows(bool wide)
{
    return {row(wide, 1, QStringLiteral("UNO")), row(wide, 2, QStringLiteral("DOS")),
            row(wide, 3, QStringLiteral("TRES"))};
}

QList<QVariantList> recordsOf(const DbfTable &table)
{
    QList<QVariantList> records;
    for (int r = 0; r < table.recordCount(); ++r)
        records << table.record(r);
    return records;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Runs the change; the engine's message when it throws, else empty.
QString apply(Op op, bool wide, const QString &path, DbfTable *table)
{
    try {
        switch (op) {
        case Op::Create: DbfTable::create(path, layout(wide), initialRows(wide)); break;
        case Op::Append: table->appendRecord(row(wide, 4, QStringLiteral("CUATRO"))); break;
        case Op::Delete: table->deleteRecord(1); break;
        case Op::UpdateInPlace:
        case Op::UpdateRewrite: table->updateRecord(0, row(wide, 1, QStringLiteral("NUEVO"))); break;
        }
    } catch (const DbfError &e) {
        return e.message();
    }
    return {};
}

// The table's records once the change is done exactly once.
QList<QVariantList> changed(Op op, bool wide)
{
    QList<QVariantList> rows = initialRows(wide);
    switch (op) {
    case Op::Create: break;
    case Op::Append: rows << row(wide, 4, QStringLiteral("CUATRO")); break;
    case Op::Delete: rows.removeAt(1); break;
    case Op::UpdateInPlace:
    case Op::UpdateRewrite: rows[0] = row(wide, 1, QStringLiteral("NUEVO")); break;
    }
    return rows;
}

QList<QVariantList> readBack(const QString &path)
{
    return recordsOf(*DbfTable::open(path));
}

} // namespace

class TestDbfSyncFault : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { syncFaults().set(SyncFault::None); }
    void failedFlush_data();
    void failedFlush();
};

void TestDbfSyncFault::failedFlush_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message"); // empty: the change succeeds
    const QString fileFailed = QStringLiteral("No se pudo guardar el archivo TABLA.dbf (error de entrada/salida del disco).");
    const QString folderFailed =
        QStringLiteral("No se pudo guardar el archivo TABLA.dbf en su carpeta (error de entrada/salida del disco).");
    const struct {
        const char *name;
        Op op;
    } ops[] = {{"create", Op::Create},
               {"append", Op::Append},
               {"delete", Op::Delete},
               {"update in place", Op::UpdateInPlace},
               {"update by rewrite", Op::UpdateRewrite}};
    for (const auto &o : ops) {
        QTest::addRow("%s, file flush fails", o.name) << int(o.op) << int(SyncFault::File) << fileFailed;
        // A record changed in place gives no new name to its folder.
        QTest::addRow("%s, folder flush fails", o.name)
            << int(o.op) << int(SyncFault::Folder) << (o.op == Op::UpdateInPlace ? QString() : folderFailed);
        QTest::addRow("%s, folder cannot be flushed", o.name)
            << int(o.op) << int(SyncFault::FolderUnsupported) << QString();
    }
}

void TestDbfSyncFault::failedFlush()
{
    QFETCH(int, op);
    QFETCH(int, fault);
    QFETCH(QString, message);
    const Op change = Op(op);
    const bool wide = change == Op::UpdateRewrite;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(kTable);

    std::shared_ptr<DbfTable> table;
    QByteArray before;
    if (change != Op::Create) {
        DbfTable::create(path, layout(wide), initialRows(wide));
        table = DbfTable::open(path);
        before = bytesOf(path);
    }

    syncFaults().set(SyncFault(fault));
    const QString got = apply(change, wide, path, table.get());
    const int failedFlushes = syncFaults().failed;
    syncFaults().set(SyncFault::None);

    QCOMPARE(got, message);
    // No temporary file is left behind; a table never created is not there.
    const bool neverCreated = change == Op::Create && fault == int(SyncFault::File);
    QCOMPARE(entries(dir.path()), neverCreated ? QStringList{} : QStringList{kTable});
    // Only a rename asks for the folder's flush.
    const bool renames = change != Op::UpdateInPlace;
    if (fault == int(SyncFault::File) || renames)
        QVERIFY2(failedFlushes > 0, "the fault was never met");
    else
        QCOMPARE(failedFlushes, 0);

    if (message.isEmpty()) {
        QCOMPARE(readBack(path), changed(change, wide));
        if (table)
            QCOMPARE(recordsOf(*table), changed(change, wide));
        return;
    }
    // Failed: the table as it was, and the retry writes the change once.
    if (table)
        QCOMPARE(recordsOf(*table), initialRows(wide));
    if (fault == int(SyncFault::File) && renames && table)
        QCOMPARE(bytesOf(path), before);
    if (fault == int(SyncFault::Folder))
        QCOMPARE(readBack(path), changed(change, wide)); // there, not known durable
    QCOMPARE(apply(change, wide, path, table.get()), QString());
    QCOMPARE(readBack(path), changed(change, wide));
    if (table)
        QCOMPARE(recordsOf(*table), changed(change, wide));
    QCOMPARE(entries(dir.path()), QStringList{kTable});
}

QTEST_APPLESS_MAIN(TestDbfSyncFault)
#include "tst_dbf_syncfault.moc"
