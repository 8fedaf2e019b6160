// Tables written by the engine read the same with python3-dbfread, the
// independent reader the ministry's side is likely to resemble.
#include "data/dbf.h"
#include "support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::data;

namespace {

FieldDef field(const char *name, FieldType type, int length, int decimals = 0)
{
    return makeField(QString::fromLatin1(name), type, length, decimals);
}

QList<FieldDef> layout()
{
    return {field("RFC", FieldType::Character, 13),   field("NOMBRE", FieldType::Character, 40),
            field("IMPORTE", FieldType::Numeric, 18, 2), field("ANO", FieldType::Numeric, 4),
            field("TC", FieldType::Float, 12, 4),       field("FECHA", FieldType::Date, 8),
            field("ACTIVO", FieldType::Logical, 1),      field("NUMCUENTA", FieldType::Character, 20)};
}

// Compares every value the engine reads with what dbfread reads.
void compareWithDbfread(const QString &path)
{
    QString error;
    const QJsonArray theirs = korim::test::readWithDbfread(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    auto ours = DbfTable::open(path);
    QCOMPARE(theirs.size(), ours->recordCount());
    QCOMPARE(korim::test::dbfreadFieldNames(path, &error).size(), ours->fieldCount());
    for (int r = 0; r < ours->recordCount(); ++r) {
        const QJsonArray row = theirs.at(r).toArray();
        QCOMPARE(row.size(), ours->fieldCount());
        for (int f = 0; f < ours->fieldCount(); ++f) {
            const QVariant mine = ours->value(r, f);
            const QJsonValue other = row.at(f);
            const QString where = QStringLiteral("record %1 field %2: engine %3, dbfread %4")
                                      .arg(r)
                                      .arg(ours->fields().at(f).name, mine.toString(),
                                           other.toVariant().toString());
            if (!mine.isValid()) {
                // A blank text field is "" for both; other blank fields are null.
                QVERIFY2(other.isNull(), qPrintable(where));
                continue;
            }
            switch (ours->fields().at(f).type) {
            case FieldType::Character:
                QVERIFY2(other.toString() == mine.toString(), qPrintable(where));
                break;
            case FieldType::Numeric:
            case FieldType::Float:
                QVERIFY2(other.isDouble() && qFuzzyCompare(1 + other.toDouble(), 1 + mine.toDouble()),
                         qPrintable(where));
                break;
            case FieldType::Date:
                QVERIFY2(other.toString() == mine.toDate().toString(Qt::ISODate), qPrintable(where));
                break;
            case FieldType::Logical:
                QVERIFY2(other.isBool() && other.toBool() == mine.toBool(), qPrintable(where));
                break;
            }
        }
    }
    const QJsonArray deleted = korim::test::readWithDbfread(path, &error, true);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(deleted.size(), 0);
}

} // namespace

class TestDbfInterop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void spanishTextLeadingBlankAndErasedRecord();
    void variedRecordsReadTheSame();

private:
    QTemporaryDir dir_;
};

void TestDbfInterop::initTestCase()
{
    QVERIFY(dir_.isValid());
    QString error;
    const QString probe = dir_.filePath(QStringLiteral("probe.dbf"));
    DbfTable::create(probe, layout(), {});
    korim::test::readWithDbfread(probe, &error);
    if (!error.isEmpty())
        QFAIL(qPrintable(QStringLiteral("python3-dbfread is needed (apt-get install python3-dbfread): ") + error));
}

void TestDbfInterop::spanishTextLeadingBlankAndErasedRecord()
{
    const QString path = dir_.filePath(QStringLiteral("datoprov.dbf"));
    DbfTable::create(path, layout(),
                     {{QStringLiteral(" ABC800101AB1"), QStringLiteral("ÑANDÚ ÁÉÍÓÚ Ü ¿SÍ? ¡NO! €"), 1234567.5,
                       2024, 19.8765, QDate(2024, 2, 29), true, QStringLiteral("012180001234567890")},
                      {QStringLiteral("XAXX010101000"), QStringLiteral("A BORRAR"), 1, 1, 1, QDate(2000, 1, 1),
                       false, QStringLiteral("CUENTA-SECRETA-99")},
                      {QStringLiteral("PEGJ800101AAA"), QString(), QVariant(), QVariant(), QVariant(), QVariant(),
                       QVariant(), QString()}});
    auto table = DbfTable::open(path);
    table->deleteRecord(1);
    QVariantList changed = table->record(1);
    changed[1] = QStringLiteral("  DOS BLANCOS DELANTE");
    changed[2] = -0.5;
    table->updateRecord(1, changed);
    table.reset();

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(!f.readAll().contains("CUENTA-SECRETA-99"));

    compareWithDbfread(path);
    QString error;
    const QJsonArray rows = korim::test::readWithDbfread(path, &error);
    QCOMPARE(rows.at(0).toArray().at(0).toString(), QStringLiteral(" ABC800101AB1"));
    QCOMPARE(rows.at(0).toArray().at(1).toString(), QStringLiteral("ÑANDÚ ÁÉÍÓÚ Ü ¿SÍ? ¡NO! €"));
    QCOMPARE(rows.at(1).toArray().at(1).toString(), QStringLiteral("  DOS BLANCOS DELANTE"));
    QCOMPARE(rows.at(0).toArray().at(3).toInt(), 2024);
}

void TestDbfInterop::variedRecordsReadTheSame()
{
    // Pseudo-random records over the characters and numbers the program stores.
    QRandomGenerator rng(20240229);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNÑOPQRSTUVWXYZÁÉÍÓÚÜ ¿?¡!€.,-&0123456789áéíóúñ");
    auto text = [&](int max) {
        QString s;
        const int n = int(rng.bounded(max + 1));
        for (int i = 0; i < n; ++i)
            s += letters.at(int(rng.bounded(int(letters.size()))));
        return s;
    };
    QList<QVariantList> rows;
    for (int i = 0; i < 60; ++i) {
        const double amount = double(rng.bounded(2000000000)) / 100.0 - 1e7;
        rows << QVariantList{text(13), text(40), amount, int(rng.bounded(10000)), rng.bounded(99999.0),
                             QDate(1990, 1, 1).addDays(rng.bounded(15000)), rng.bounded(2) == 1, text(20)};
    }
    const QString path = dir_.filePath(QStringLiteral("VENTAS.dbf"));
    DbfTable::create(path, layout(), rows);
    auto table = DbfTable::open(path);
    for (int i = 0; i < 10; ++i)
        table->deleteRecord(int(rng.bounded(table->recordCount())));
    for (int i = 0; i < 10; ++i)
        table->updateRecord(int(rng.bounded(table->recordCount())), rows.at(int(rng.bounded(60))));
    table.reset();
    compareWithDbfread(path);
}

QTEST_GUILESS_MAIN(TestDbfInterop)
#include "tst_dbf_interop.moc"
