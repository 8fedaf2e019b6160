// The engine changes only the bytes it is asked to change: a record written
// back re-encodes only the fields that were assigned, numbers stay exact to
// the last digit, and a rewritten file keeps its header as it was.
#include "data/datasource.h"
#include "data/dbf.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::data;
using korim::test::put16;
using korim::test::put32;
using korim::test::readAll;
using korim::test::writeAll;
using korim::test::decimal;

namespace {

struct RawField {
    QByteArray name; // as stored: up to 11 bytes, NUL-terminated when shorter
    char type;
    int length;
    int decimals;
};

// A table as another writer leaves it: an old date, FoxPro-style field
// offsets and a work-area byte in the descriptors, each field's bytes exactly
// as given (not padded or aligned by us).
QByteArray rawTable(const QList<RawField> &fields, const QList<QList<QByteArray>> &rows)
{
    int recordLength = 1;
    for (const RawField &f : fields)
        recordLength += f.length;
    const int headerLength = 32 + 32 * int(fields.size()) + 1;
    QByteArray b(headerLength, '\0');
    b[0] = 0x03;
    b[1] = char(99); // 1999-01-02
    b[2] = 1;
    b[3] = 2;
    put32(b, 4, quint32(rows.size()));
    put16(b, 8, headerLength);
    put16(b, 10, recordLength);
    b[29] = 0x03;
    int offset = 1;
    for (int i = 0; i < fields.size(); ++i) {
        const int at = 32 + 32 * i;
        const RawField &f = fields[i];
        for (int k = 0; k < f.name.size() && k < 11; ++k)
            b[at + k] = f.name[k];
        b[at + 11] = f.type;
        put32(b, at + 12, quint32(offset));
        b[at + 16] = char(f.length);
        b[at + 17] = char(f.decimals);
        b[at + 20] = 1;
        offset += f.length;
    }
    b[headerLength - 1] = 0x0D;
    for (const auto &row : rows) {
        b += ' ';
        for (int i = 0; i < fields.size(); ++i) {
            Q_ASSERT(row[i].size() == fields[i].length);
            b += row[i];
        }
    }
    b += char(0x1A);
    return b;
}

const QList<RawField> kVentas = {
    {"ANO", 'N', 4, 0},      {"VTOT", 'N', 18, 4},   {"VTOTD", 'N', 18, 0},
    {"EXPORTA", 'N', 18, 2}, {"IMPORTA", 'N', 18, 2}, {"SALDO", 'N', 18, 2},
    {"TC", 'N', 12, 4},      {"DESCRIPCION", 'C', 30, 0}, {"TIPO", 'N', 1, 0}, // eleven letters, no NUL
};

// Six rows; the first holds every figure no trip through double survives.
QList<QList<QByteArray>> ventasRows()
{
    QList<QList<QByteArray>> rows;
    for (int i = 0; i < 6; ++i) {
        const QByteArray kind = i < 3 ? "1" : "2";
        rows << QList<QByteArray>{"2001", QByteArray(18, ' '), QByteArray(18, ' '), "              0.00",
                                  QByteArray(18, ' '), "              0.00", "      1.0000",
                                  QByteArray("RENGLON ").append(char('0' + i)).leftJustified(30, ' '), kind};
    }
    rows[0][1] = "1234567890123.4567";             // N 18,4 at full width
    rows[0][2] = "999999999999999999";             // eighteen nines
    rows[0][3] = "12.5              ";             // left aligned
    rows[0][6] = "    19.87654";                   // more decimals than declared
    rows[0][7] = QByteArray("Banca \x81\x8D\x8F\x90\x9D", 11).leftJustified(30, '\0'); // undefined bytes, NULs
    rows[3][1] = "   +42.5000E0     ";              // another writer's exponent
    return rows;
}

constexpr int kVentasHeader = 32 + 32 * 9 + 1;
constexpr int kVentasRecord = 1 + 4 + 18 * 5 + 12 + 30 + 1;

// Offset of a field's bytes in the file.
int at(int row, int fieldOffset)
{
    return kVentasHeader + row * kVentasRecord + 1 + fieldOffset;
}

// Bytes of `after` that differ from `before`, outside the header's date.
QList<int> changedBytes(const QByteArray &before, const QByteArray &after)
{
    QList<int> changed;
    for (int i = 0; i < qMin(before.size(), after.size()); ++i) {
        if (before[i] != after[i] && (i < 1 || i > 3))
            changed << i;
    }
    return changed;
}

} // namespace

class TestDbfExact : public QObject {
    Q_OBJECT
private slots:
    void init();
    void startUpYearsChangeOnlyTheYears();
    void assignedFiguresAreExact_data();
    void assignedFiguresAreExact();
    void rewriteKeepsHeaderAndOtherRecords();

private:
    QTemporaryDir dir_;
    QString path_;
    QByteArray original_;
};

void TestDbfExact::init()
{
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("VENTAS.dbf"));
    original_ = rawTable(kVentas, ventasRows());
    writeAll(path_, original_);
}

// What the questionnaire does at every start: the year of each sales row is
// written through a data source, record by record.
void TestDbfExact::startUpYearsChangeOnlyTheYears()
{
    {
        auto table = DbfTable::open(path_);
        QCOMPARE(table->value(0, 1), decimal("1234567890123.4567"));
        QCOMPARE(table->value(0, 2), QVariant(qlonglong(999999999999999999)));
        QCOMPARE(table->value(0, 3), decimal("12.5"));
        QCOMPARE(table->value(0, 6), decimal("19.87654"));
        QCOMPARE(table->value(0, 7).toString(), QString::fromUtf16(u"Banca \u0081\u008D\u008F\u0090\u009D"));
        QCOMPARE(table->value(3, 1), decimal("42.5"));
    }
    for (const char *query : {"select * from ventas where tipo = 1 ", "select * from ventas where tipo = 2 "}) {
        DataSource source(QStringLiteral("dtsVentas"));
        source.setDatabaseName(dir_.path());
        source.setRecordSource(QString::fromLatin1(query));
        source.refresh();
        for (int i = 0; i < 3; ++i) {
            source.edit();
            source.setValue(0, 2004 + i);
            source.updateRecord();
            source.moveNext();
        }
    }
    const QByteArray after = readAll(path_);
    QCOMPARE(after.size(), original_.size());
    QList<int> expected;
    for (int row = 0; row < 6; ++row) {
        // "2001" -> "2004", "2005", "2006": the last three digits of each year.
        for (int k = 1; k < 4; ++k) {
            if (original_[at(row, k)] != after[at(row, k)])
                expected << at(row, k);
        }
    }
    QCOMPARE(changedBytes(original_, after), expected);
    QVERIFY(!expected.isEmpty());
    auto table = DbfTable::open(path_);
    QCOMPARE(table->value(0, 0), QVariant(qlonglong(2004)));
    QCOMPARE(table->value(5, 0), QVariant(qlonglong(2006)));

    // A second start in the same year writes nothing at all.
    {
        DataSource source(QStringLiteral("dtsVentas"));
        source.setDatabaseName(dir_.path());
        source.setRecordSource(QStringLiteral("select * from ventas where tipo = 1 "));
        source.refresh();
        source.edit();
        source.setValue(0, 2004);
        source.setValue(1, QStringLiteral("1234567890123.4567")); // as the grid shows it
        source.setValue(6, decimal("19.87654"));
        source.updateRecord();
    }
    QCOMPARE(readAll(path_), after);
}

void TestDbfExact::assignedFiguresAreExact_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVariant>("readBack");

    QTest::newRow("18,4 as text") << 1 << QVariant(QStringLiteral("1234567890123.4567"))
                                  << QByteArray("1234567890123.4567") << decimal("1234567890123.4567");
    QTest::newRow("18,4 as Decimal") << 1 << decimal("-123456789012.3456") << QByteArray("-123456789012.3456")
                                     << decimal("-123456789012.3456");
    QTest::newRow("eighteen nines as text") << 2 << QVariant(QStringLiteral("999999999999999999"))
                                            << QByteArray("999999999999999999")
                                            << QVariant(qlonglong(999999999999999999));
    QTest::newRow("eighteen nines as integer") << 2 << QVariant(qlonglong(999999999999999999))
                                               << QByteArray("999999999999999999")
                                               << QVariant(qlonglong(999999999999999999));
    QTest::newRow("typed decimals are rounded to the field") << 6 << QVariant(QStringLiteral("19.87656"))
                                                             << QByteArray("     19.8766") << decimal("19.8766");
    QTest::newRow("a double from arithmetic") << 5 << QVariant(100.0 / 3.0) << QByteArray("             33.33")
                                              << decimal("33.33");
}

// A value that is assigned is written as the field holds it, exactly.
void TestDbfExact::assignedFiguresAreExact()
{
    QFETCH(int, field);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, bytes);
    QFETCH(QVariant, readBack);
    DataSource source(QStringLiteral("dtsVentas"));
    source.setDatabaseName(dir_.path());
    source.setRecordSource(QStringLiteral("VENTAS"));
    source.refresh();
    source.moveNext(); // a plain row
    source.edit();
    source.setValue(field, value);
    QCOMPARE(source.value(field), readBack); // the edit buffer reads as the record will
    source.updateRecord();
    QCOMPARE(source.value(field), readBack);

    const QByteArray after = readAll(path_);
    const int offsets[] = {0, 4, 22, 40, 58, 76, 94, 106, 136};
    const int start = at(1, offsets[field]);
    QCOMPARE(after.mid(start, bytes.size()), bytes);
    QList<int> expected;
    for (int i = start; i < start + bytes.size(); ++i) {
        if (original_[i] != after[i])
            expected << i;
    }
    QCOMPARE(changedBytes(original_, after), expected);
}

// Adding and deleting rewrite the file: every other record and the header
// (an 11-letter field name, field offsets, reserved bytes) stay as they
// were, but for date and count.
void TestDbfExact::rewriteKeepsHeaderAndOtherRecords()
{
    auto table = DbfTable::open(path_);
    QCOMPARE(table->fields().at(7).name, QStringLiteral("DESCRIPCION"));
    QCOMPARE(table->fieldIndex(QStringLiteral("descripcion")), 7);
    QVariantList row = table->record(1);
    row[0] = 2030;
    table->appendRecord(row);
    QByteArray after = readAll(path_);
    QCOMPARE(after.size(), original_.size() + kVentasRecord);
    QByteArray expected = original_;
    expected.chop(1);
    expected += after.mid(original_.size() - 1, kVentasRecord);
    expected += char(0x1A);
    put32(expected, 4, 7);
    QCOMPARE(changedBytes(expected, after), QList<int>());
    QCOMPARE(after.mid(at(6, 0), 4), QByteArray("2030"));
    QCOMPARE(after.mid(at(6, 4), 18), original_.mid(at(1, 4), 18)); // copied fields keep their bytes too

    table->deleteRecord(0);
    after = readAll(path_);
    QCOMPARE(after.at(0), original_.at(0));
    QCOMPARE(after.mid(4, 4), QByteArray("\x06\0\0\0", 4));
    QCOMPARE(after.mid(8, kVentasHeader - 8), original_.mid(8, kVentasHeader - 8));
    QCOMPARE(after.mid(kVentasHeader, 5 * kVentasRecord), original_.mid(at(1, -1), 5 * kVentasRecord));
    QCOMPARE(DbfTable::open(path_)->fields().at(7).name, QStringLiteral("DESCRIPCION"));
    QCOMPARE(korim::test::dbfreadFieldNames(path_).value(7), QStringLiteral("DESCRIPCION"));
}

QTEST_GUILESS_MAIN(TestDbfExact)
#include "tst_dbf_exact.moc"
