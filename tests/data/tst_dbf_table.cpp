// Table files on disk: layout of the bytes, changes, compaction, shared tables.
#include "data/dbf.h"
#include "data/folder.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>


using namespace korim::data;
using korim::test::readAll;
using korim::test::writeAll;

namespace {

FieldDef field(const char *name, FieldType type, int length, int decimals = 0)
{
    return makeField(QString::fromLatin1(name), type, length, decimals);
}

QList<FieldDef> everyType()
{
    return {field("RFC", FieldType::Character, 13), field("importe", FieldType::Numeric, 12, 2),
            field("ANO", FieldType::Numeric, 4), field("TC", FieldType::Float, 10, 4),
            field("FECHA", FieldType::Date, 8), field("ACTIVO", FieldType::Logical, 1)};
}

quint32 le32(const QByteArray &b, int at)
{
    return quint8(b[at]) | quint8(b[at + 1]) << 8 | quint8(b[at + 2]) << 16 | quint32(quint8(b[at + 3])) << 24;
}

int le16(const QByteArray &b, int at)
{
    return quint8(b[at]) | quint8(b[at + 1]) << 8;
}

QStringList leftovers(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tmp"));
}

} // namespace

class TestDbfTable : public QObject {
    Q_OBJECT
private slots:
    void init();
    void everyTypeRoundTripsThroughTheFile();
    void headerBytesAreThoseOfDbaseIII();
    void fieldsByPositionAndByNameWithoutRegardToCase();
    void updateChangesOnlyThatRecord();
    void unchangedUpdateTouchesNothing();
    void largeRecordsAreUpdatedToo();
    void deleteCompactsAndLeavesNoTrace();
    void deletedRecordsOfAnotherWriterAreInvisibleAndDropped();
    void recordIdsSurviveCompaction();
    void refusedChangeLeavesFileAndTableAsTheyWere();
    void dosCodePageTableIsConvertedOnFirstChange();
    void dosTextWindows1252CannotHoldBlocksTheChange();
    void fileReplacedBehindOurBackIsNotOverwritten();
    void writeToVanishedFileFailsWithMessage();
    void createRefusesBadDefinitions();
    void sharedTablesAreOneObjectPerFile();
    void findsFilesWithoutRegardToCase();

private:
    QTemporaryDir dir_;
    QString path_;
};

void TestDbfTable::init()
{
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("PRUEBA.dbf"));
    QFile::remove(path_);
}

void TestDbfTable::everyTypeRoundTripsThroughTheFile()
{
    const QVariantList first = {QStringLiteral(" ABC800101AB1"), korim::test::decimal("1234.5"), qlonglong(2024),
                                korim::test::decimal("19.25"), QDate(2024, 3, 1), true};
    const QVariantList second = {QStringLiteral("ÑÁÉÍÓÚÜ¿¡€"), QVariant(), qlonglong(-7), 0.0001, QVariant(), false};
    DbfTable::create(path_, everyType(), {first, second});

    auto table = DbfTable::open(path_);
    QCOMPARE(table->recordCount(), 2);
    QCOMPARE(table->record(0), first);
    QCOMPARE(table->value(1, 0).toString(), QStringLiteral("ÑÁÉÍÓÚÜ¿¡€"));
    QVERIFY(!table->value(1, 1).isValid());
    QCOMPARE(table->value(1, 2), QVariant(qlonglong(-7)));
    QCOMPARE(table->value(1, 3).toDouble(), 0.0001);
    QVERIFY(!table->value(1, 4).isValid());
    QCOMPARE(table->value(1, 5), QVariant(false));

    // Padding on disk: the second record's blank number and text tail are blanks.
    const QByteArray bytes = readAll(path_);
    const int header = 32 + 32 * 6 + 1, record = 1 + 13 + 12 + 4 + 10 + 8 + 1;
    const QByteArray rec2 = bytes.mid(header + record, record);
    QCOMPARE(rec2.left(1 + 13), QByteArray(" \xD1\xC1\xC9\xCD\xD3\xDA\xDC\xBF\xA1\x80   "));
    QCOMPARE(rec2.mid(14, 12), QByteArray(12, ' '));
    QVERIFY(!rec2.contains('\0'));
}

void TestDbfTable::headerBytesAreThoseOfDbaseIII()
{
    DbfTable::create(path_, everyType(), {{QStringLiteral("X")}, {QStringLiteral("Y")}, {QStringLiteral("Z")}});
    const QByteArray b = readAll(path_);
    const QDate today = QDate::currentDate();
    const int header = 32 + 32 * 6 + 1, record = 1 + 13 + 12 + 4 + 10 + 8 + 1;

    QCOMPARE(quint8(b[0]), quint8(0x03));
    QCOMPARE(int(quint8(b[1])), today.year() - 1900);
    QCOMPARE(int(quint8(b[2])), today.month());
    QCOMPARE(int(quint8(b[3])), today.day());
    QCOMPARE(le32(b, 4), 3u);
    QCOMPARE(le16(b, 8), header);
    QCOMPARE(le16(b, 10), record);
    QCOMPARE(quint8(b[29]), quint8(0x03));
    QCOMPARE(b[header - 1], '\x0D');
    QCOMPARE(b.size(), header + 3 * record + 1);
    QCOMPARE(b.back(), '\x1A');
    // Descriptors: upper-case name NUL-padded in 11 bytes, type, length, decimals.
    const QByteArray second = b.mid(64, 32);
    QCOMPARE(second.left(11), QByteArray("IMPORTE\0\0\0\0", 11));
    QCOMPARE(second[11], 'N');
    QCOMPARE(int(quint8(second[16])), 12);
    QCOMPARE(int(quint8(second[17])), 2);
    const QByteArray rfc = b.mid(32, 32);
    QCOMPARE(rfc[11], 'C');
    QCOMPARE(int(quint8(rfc[16])), 13);
    QCOMPARE(int(quint8(rfc[17])), 0);
    QCOMPARE(b[header], ' ');
}

void TestDbfTable::fieldsByPositionAndByNameWithoutRegardToCase()
{
    DbfTable::create(path_, everyType(), {{QStringLiteral("A"), 5}});
    auto table = DbfTable::open(path_);
    QCOMPARE(table->fieldCount(), 6);
    QCOMPARE(table->fields().at(1).name, QStringLiteral("IMPORTE"));
    QCOMPARE(table->fieldIndex(QStringLiteral("importe")), 1);
    QCOMPARE(table->fieldIndex(QStringLiteral("Importe")), 1);
    QCOMPARE(table->fieldIndex(QStringLiteral("activo")), 5);
    QCOMPARE(table->fieldIndex(QStringLiteral("NOPE")), -1);
    QCOMPARE(table->value(0, table->fieldIndex(QStringLiteral("importe"))).toDouble(), 5.0);
    QVERIFY_THROWS_EXCEPTION(DbfError, table->value(0, 6));
    QVERIFY_THROWS_EXCEPTION(DbfError, table->value(1, 0));
    QVERIFY_THROWS_EXCEPTION(DbfError, table->value(-1, 0));
}

void TestDbfTable::updateChangesOnlyThatRecord()
{
    QList<QVariantList> rows;
    for (int i = 0; i < 20; ++i)
        rows << QVariantList{QStringLiteral("R%1").arg(i), i * 1.5, i};
    DbfTable::create(path_, everyType(), rows);
    const QByteArray before = readAll(path_);
    auto table = DbfTable::open(path_);
    const QVariantList changed = {QStringLiteral("NUEVO ÑU"), korim::test::decimal("99.99"), qlonglong(2030),
                                  korim::test::decimal("1"), QDate(2000, 1, 1), true};
    for (int row : {0, 7, 19}) {
        table->updateRecord(row, changed);
        QCOMPARE(table->record(row), changed);
    }
    QCOMPARE(table->recordCount(), 20);

    const QByteArray after = readAll(path_);
    QCOMPARE(after.size(), before.size());
    const int header = 32 + 32 * 6 + 1, record = 1 + 13 + 12 + 4 + 10 + 8 + 1;
    for (int i = 0; i < 20; ++i) {
        const bool touched = i == 0 || i == 7 || i == 19;
        QCOMPARE(after.mid(header + i * record, record) == before.mid(header + i * record, record), !touched);
    }
    QCOMPARE(after.mid(4, header - 4), before.mid(4, header - 4));
    QCOMPARE(after.back(), '\x1A');

    auto reread = DbfTable::open(path_);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(reread->record(i), table->record(i));
    QVERIFY(leftovers(dir_.path()).isEmpty());
}

void TestDbfTable::unchangedUpdateTouchesNothing()
{
    // Every start rewrites the sales years: when they are already right the
    // file must not be written (no new date, no rewrite, no fsync).
    QList<QVariantList> rows;
    for (int i = 0; i < 20; ++i)
        rows << QVariantList{QStringLiteral("R%1").arg(i), i * 1.5, i, 0.5, QDate(1999, 12, 31), false};
    DbfTable::create(path_, everyType(), rows);
    QByteArray bytes = readAll(path_);
    bytes[1] = char(99); // an old last-update date shows whether anything was written
    writeAll(path_, bytes);
    auto table = DbfTable::open(path_);
    const QFileInfo before(path_);
    for (int row = 0; row < 20; ++row)
        table->updateRecord(row, table->record(row));
    QCOMPARE(readAll(path_), bytes);
    const QFileInfo after(path_);
    QCOMPARE(after.lastModified(), before.lastModified());

    // A real change is still written.
    QVariantList changed = table->record(19);
    changed[2] = qlonglong(2031);
    table->updateRecord(19, changed);
    QCOMPARE(DbfTable::open(path_)->value(19, 2).toLongLong(), 2031);
}

void TestDbfTable::largeRecordsAreUpdatedToo()
{
    // Records wider than a sector take the rewrite path; the result must be the same.
    const QList<FieldDef> wide = {field("CALLE", FieldType::Character, 254), field("DOM", FieldType::Character, 254),
                                  field("NUM", FieldType::Numeric, 10)};
    DbfTable::create(path_, wide, {{QStringLiteral("A"), QStringLiteral("B"), 1}, {QStringLiteral("C")}});
    auto table = DbfTable::open(path_);
    const QVariantList value = {QString(254, QLatin1Char('x')), QStringLiteral("ÑÑ"), qlonglong(42)};
    table->updateRecord(1, value);
    QCOMPARE(table->record(1), value);
    auto reread = DbfTable::open(path_);
    QCOMPARE(reread->record(1), value);
    QCOMPARE(reread->value(0, 0).toString(), QStringLiteral("A"));
    QVERIFY(leftovers(dir_.path()).isEmpty());
}

void TestDbfTable::deleteCompactsAndLeavesNoTrace()
{
    DbfTable::create(path_, everyType(),
                     {{QStringLiteral("PRIMERO")}, {QStringLiteral("CUENTA0123456")}, {QStringLiteral("TERCERO")}});
    auto table = DbfTable::open(path_);
    table->deleteRecord(1);
    QCOMPARE(table->recordCount(), 2);
    QCOMPARE(table->value(1, 0).toString(), QStringLiteral("TERCERO"));

    const QByteArray b = readAll(path_);
    QVERIFY(!b.contains("CUENTA0123456"));
    QCOMPARE(le32(b, 4), 2u);
    const int header = 32 + 32 * 6 + 1, record = 1 + 13 + 12 + 4 + 10 + 8 + 1;
    QCOMPARE(b.size(), header + 2 * record + 1);
    QCOMPARE(b[header], ' ');
    QCOMPARE(b[header + record], ' ');

    table->deleteRecord(0);
    table->deleteRecord(0);
    QCOMPARE(table->recordCount(), 0);
    QCOMPARE(readAll(path_).size(), header + 1);
    QCOMPARE(DbfTable::open(path_)->recordCount(), 0);
    table->appendRecord({QStringLiteral("OTRA VEZ")});
    QCOMPARE(DbfTable::open(path_)->value(0, 0).toString(), QStringLiteral("OTRA VEZ"));
    QVERIFY(leftovers(dir_.path()).isEmpty());
}

void TestDbfTable::deletedRecordsOfAnotherWriterAreInvisibleAndDropped()
{
    DbfTable::create(path_, everyType(),
                     {{QStringLiteral("VIVO 1")}, {QStringLiteral("BORRADO")}, {QStringLiteral("VIVO 2")}});
    QByteArray b = readAll(path_);
    const int header = 32 + 32 * 6 + 1, record = 1 + 13 + 12 + 4 + 10 + 8 + 1;
    b[header + record] = '*';
    writeAll(path_, b);

    auto table = DbfTable::open(path_);
    QCOMPARE(table->recordCount(), 2);
    QCOMPARE(table->value(0, 0).toString(), QStringLiteral("VIVO 1"));
    QCOMPARE(table->value(1, 0).toString(), QStringLiteral("VIVO 2"));
    // An in-place update keeps the positions of the file it read.
    table->updateRecord(1, {QStringLiteral("VIVO 2B"), 1, 2, 3, QVariant(), QVariant()});
    QCOMPARE(DbfTable::open(path_)->value(1, 0).toString(), QStringLiteral("VIVO 2B"));
    QVERIFY(readAll(path_).contains("BORRADO"));
    // The next rewrite drops it for good.
    table->appendRecord({QStringLiteral("NUEVO")});
    QVERIFY(!readAll(path_).contains("BORRADO"));
    QCOMPARE(DbfTable::open(path_)->recordCount(), 3);
}

void TestDbfTable::recordIdsSurviveCompaction()
{
    DbfTable::create(path_, everyType(), {{QStringLiteral("A")}, {QStringLiteral("B")}, {QStringLiteral("C")}});
    auto table = DbfTable::open(path_);
    const RecordId a = table->idAt(0), b = table->idAt(1), c = table->idAt(2);
    QVERIFY(a != b && b != c && a != c);
    const RecordId d = table->appendRecord({QStringLiteral("D")});
    table->deleteRecord(table->rowOf(b));
    QCOMPARE(table->rowOf(a), 0);
    QCOMPARE(table->rowOf(b), -1);
    QCOMPARE(table->rowOf(c), 1);
    QCOMPARE(table->rowOf(d), 2);
    table->updateRecord(table->rowOf(c), {QStringLiteral("C2"), 0, 0, 0, QVariant(), QVariant()});
    QCOMPARE(table->idAt(1), c);
    QCOMPARE(table->value(table->rowOf(d), 0).toString(), QStringLiteral("D"));
}

void TestDbfTable::refusedChangeLeavesFileAndTableAsTheyWere()
{
    DbfTable::create(path_, everyType(), {{QStringLiteral("ORIGINAL"), 1}});
    const QByteArray before = readAll(path_);
    auto table = DbfTable::open(path_);
    const QVariantList stored = table->record(0);

    QVariantList emoji = stored;
    emoji[0] = QStringLiteral("HOLA 😀");
    try {
        table->updateRecord(0, emoji);
        QFAIL("emoji stored");
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("PRUEBA.dbf")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("RFC")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("😀")), qPrintable(e.message()));
    }
    QVariantList overflow = stored;
    overflow[2] = 123456;
    QVERIFY_THROWS_EXCEPTION(DbfError, table->updateRecord(0, overflow));
    QVERIFY_THROWS_EXCEPTION(DbfError, table->appendRecord(overflow));
    QVERIFY_THROWS_EXCEPTION(DbfError, table->updateRecord(0, stored.mid(0, 3)));
    QVERIFY_THROWS_EXCEPTION(DbfError, table->deleteRecord(1));

    QCOMPARE(readAll(path_), before);
    QCOMPARE(table->recordCount(), 1);
    QCOMPARE(table->record(0), stored);
}

void TestDbfTable::dosCodePageTableIsConvertedOnFirstChange()
{
    // Written as DOS 850 by hand: "ÑANDÚ" is A5 41 4E 44 E9.
    DbfTable::create(path_, {field("NOMBRE", FieldType::Character, 8), field("N", FieldType::Numeric, 3)},
                     {{QStringLiteral("XXXXX"), 1}, {QStringLiteral("OTRO"), 2}});
    QByteArray b = readAll(path_);
    const int header = 32 + 64 + 1;
    b[29] = 0x02;
    b.replace(header + 1, 5, "\xA5" "AND\xE9");
    writeAll(path_, b);

    auto table = DbfTable::open(path_);
    QCOMPARE(table->codePage(), CodePage::Dos850);
    QCOMPARE(table->value(0, 0).toString(), QStringLiteral("ÑANDÚ"));
    table->updateRecord(1, {QStringLiteral("ÉSTE"), 3});

    const QByteArray after = readAll(path_);
    QCOMPARE(quint8(after[29]), quint8(0x03));
    QCOMPARE(after.mid(header + 1, 5), QByteArray("\xD1" "AND\xDA"));
    auto reread = DbfTable::open(path_);
    QCOMPARE(reread->codePage(), CodePage::Windows1252);
    QCOMPARE(reread->value(0, 0).toString(), QStringLiteral("ÑANDÚ"));
    QCOMPARE(reread->value(1, 0).toString(), QStringLiteral("ÉSTE"));

    // Byte 0 is read as Windows-1252.
    b = readAll(path_);
    b[29] = 0;
    writeAll(path_, b);
    QCOMPARE(DbfTable::open(path_)->value(0, 0).toString(), QStringLiteral("ÑANDÚ"));
}

void TestDbfTable::dosTextWindows1252CannotHoldBlocksTheChange()
{
    DbfTable::create(path_, {field("NOMBRE", FieldType::Character, 8)}, {{QStringLiteral("X")}, {QStringLiteral("Y")}});
    QByteArray b = readAll(path_);
    b[29] = 0x01;
    b[32 + 32 + 1 + 1] = char(0xC9); // a box corner in DOS 437
    writeAll(path_, b);
    auto table = DbfTable::open(path_);
    QCOMPARE(table->value(0, 0).toString(), QStringLiteral("╔"));
    try {
        table->appendRecord({QStringLiteral("Z")});
        QFAIL("box character silently changed");
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("╔")), qPrintable(e.message()));
    }
    QCOMPARE(readAll(path_), b);
    QCOMPARE(table->recordCount(), 2);
}

void TestDbfTable::fileReplacedBehindOurBackIsNotOverwritten()
{
    DbfTable::create(path_, everyType(), {{QStringLiteral("A")}});
    auto table = DbfTable::open(path_);
    DbfTable::create(path_, everyType(), {{QStringLiteral("OTRO")}, {QStringLiteral("OTRO 2")}});
    QVERIFY_THROWS_EXCEPTION(DbfError, table->updateRecord(0, table->record(0)));
    QVERIFY_THROWS_EXCEPTION(DbfError, table->appendRecord({}));
    QCOMPARE(DbfTable::open(path_)->recordCount(), 2);
}

void TestDbfTable::writeToVanishedFileFailsWithMessage()
{
    DbfTable::create(path_, everyType(), {{QStringLiteral("A")}});
    auto table = DbfTable::open(path_);
    QVERIFY(QFile::remove(path_));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                table->updateRecord(0, table->record(0));
            else
                table->appendRecord({});
            QFAIL("wrote a file that is gone");
        } catch (const DbfError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("PRUEBA.dbf")), qPrintable(e.message()));
        }
    }
    QVERIFY(!QFile::exists(path_));
    QCOMPARE(table->recordCount(), 1);
}

void TestDbfTable::createRefusesBadDefinitions()
{
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("NOMBRELARGO1", FieldType::Character, 5)}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("1NOMBRE", FieldType::Character, 5)}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("A", FieldType::Character, 5),
                                                                field("a", FieldType::Numeric, 5)}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("A", FieldType::Character, 5, 2)}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("A", FieldType::Character, 255)}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("A", FieldType::Numeric, 21)}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("A", FieldType::Numeric, 3, 2)}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("A", FieldType::Date, 6)}));
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::create(path_, {field("A", FieldType::Character, 2)},
                                                        {{QStringLiteral("ABC")}}));
    QVERIFY(!QFile::exists(path_));
    QVERIFY(leftovers(dir_.path()).isEmpty());
}

void TestDbfTable::sharedTablesAreOneObjectPerFile()
{
    DbfTable::create(dir_.filePath(QStringLiteral("VENTAS.dbf")), everyType(), {{QStringLiteral("A")}});
    auto one = openSharedTable(dir_.path(), QStringLiteral("ventas"));
    auto two = openSharedTable(dir_.path(), QStringLiteral("VENTAS"));
    QCOMPARE(one.get(), two.get());
    one->appendRecord({QStringLiteral("B")});
    QCOMPARE(two->recordCount(), 2);

    one.reset();
    two.reset();
    auto three = openSharedTable(dir_.path(), QStringLiteral("Ventas"));
    QCOMPARE(three->recordCount(), 2);

    try {
        openSharedTable(dir_.path(), QStringLiteral("provmerc"));
        QFAIL("missing table opened");
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("provmerc.dbf")), qPrintable(e.message()));
    }

    // Two files that differ only in case: neither is picked silently.
    three.reset();
    QVERIFY(QFile::copy(dir_.filePath(QStringLiteral("VENTAS.dbf")), dir_.filePath(QStringLiteral("ventas.DBF"))));
    QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("PROVMERC.dbf")));
    const QString folder = QDir::toNativeSeparators(dir_.path());
    const QList<QPair<QString, QString>> refused = {
        {QStringLiteral("Ventas"), QStringLiteral("En la carpeta de datos %1 hay más de un archivo para la tabla "
                                                  "Ventas.dbf (VENTAS.dbf y ventas.DBF), que sólo se distinguen por "
                                                  "mayúsculas y minúsculas; deje sólo uno.").arg(folder)},
        {QStringLiteral("provmerc"), QStringLiteral("En la carpeta de datos %1, PROVMERC.dbf es una carpeta y no un "
                                                    "archivo; el programa necesita ahí la tabla PROVMERC.dbf.").arg(folder)},
    };
    for (const auto &[table, message] : refused) {
        try {
            openSharedTable(dir_.path(), table);
            QFAIL(qPrintable(table + QStringLiteral(" opened")));
        } catch (const DbfError &e) {
            QCOMPARE(e.message(), message);
        }
    }
    QVERIFY(QFile::remove(dir_.filePath(QStringLiteral("ventas.DBF"))));
    QVERIFY(QDir(dir_.path()).rmdir(QStringLiteral("PROVMERC.dbf")));
}

void TestDbfTable::findsFilesWithoutRegardToCase()
{
    writeAll(dir_.filePath(QStringLiteral("datoprov.DBF")), "x");
    writeAll(dir_.filePath(QStringLiteral("Considera.TXT")), "x");
    QCOMPARE(findFileNoCase(dir_.path(), QStringLiteral("DATOPROV.dbf")), dir_.filePath(QStringLiteral("datoprov.DBF")));
    QCOMPARE(findFileNoCase(dir_.path(), QStringLiteral("considera.txt")), dir_.filePath(QStringLiteral("Considera.TXT")));
    QCOMPARE(findFileNoCase(dir_.path(), QStringLiteral("provmerc.dbf")), QString());
    QCOMPARE(findFileNoCase(dir_.path(), QStringLiteral("../x")), QString());
    QCOMPARE(findFileNoCase(dir_.filePath(QStringLiteral("nope")), QStringLiteral("a.dbf")), QString());
}

QTEST_GUILESS_MAIN(TestDbfTable)
#include "tst_dbf_table.moc"
