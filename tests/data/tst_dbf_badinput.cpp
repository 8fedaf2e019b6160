// Files that are not sound tables: each gives one Spanish message naming the
// file and what is wrong, never a crash or a half-read table.
#include "data/dbf.h"
#include "support/testsupport.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace korim::data;
using korim::test::put16;
using korim::test::put32;

namespace {

// A sound table of four fields (C 10, N 5, D 8, L 1) and three records, built by the engine.
QByteArray soundTable(const QString &dir)
{
    const QString path = dir + QStringLiteral("/sound.dbf");
    FieldDef name{QStringLiteral("NOMBRE"), FieldType::Character, 10, 0, 0};
    FieldDef num{QStringLiteral("NUM"), FieldType::Numeric, 5, 0, 0};
    FieldDef date{QStringLiteral("FECHA"), FieldType::Date, 8, 0, 0};
    FieldDef flag{QStringLiteral("ACTIVO"), FieldType::Logical, 1, 0, 0};
    DbfTable::create(path, {name, num, date, flag},
                     {{QStringLiteral("UNO"), 1, QDate(2024, 1, 31), true}, {QStringLiteral("DOS"), 2},
                      {QStringLiteral("TRES"), 3, QDate(1999, 12, 31), false}});
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

constexpr int kHeader = 32 + 4 * 32 + 1; // 161
constexpr int kRecord = 1 + 10 + 5 + 8 + 1; // 25
constexpr int kNum = 1 + 10;              // offsets inside a record
constexpr int kDate = kNum + 5;
constexpr int kFlag = kDate + 8;

void put(QByteArray &b, int at, const QByteArray &bytes)
{
    b.replace(at, bytes.size(), bytes);
}

using Damage = std::function<void(QByteArray &)>;

} // namespace

Q_DECLARE_METATYPE(Damage)

class TestDbfBadInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void eachFaultHasItsMessage_data();
    void eachFaultHasItsMessage();
    void tolerableVariantsOpen_data();
    void tolerableVariantsOpen();
    void missingFileAndFolder();

private:
    QTemporaryDir dir_;
    QByteArray sound_;
};

void TestDbfBadInput::initTestCase()
{
    QVERIFY(dir_.isValid());
    sound_ = soundTable(dir_.path());
    QCOMPARE(sound_.size(), kHeader + 3 * kRecord + 1);
}

void TestDbfBadInput::eachFaultHasItsMessage_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<QString>("expected");

    const QString notDbase = QStringLiteral("no es una tabla dBASE III");
    const QString truncated = QStringLiteral("está truncado");
    const QString count = QStringLiteral("el número de registros del encabezado");
    const QString recordLength = QStringLiteral("la longitud de registro (");
    const QString headerLength = QStringLiteral("la longitud del encabezado");

    QTest::newRow("empty file") << Damage([](QByteArray &b) { b.clear(); }) << notDbase;
    QTest::newRow("text file") << Damage([](QByteArray &b) { b = "RFC,NOMBRE\nABC,UNO\n"; }) << notDbase;
    QTest::newRow("other version byte") << Damage([](QByteArray &b) { b[0] = 0x30; }) << notDbase;
    QTest::newRow("header cut at 20 bytes") << Damage([](QByteArray &b) { b.truncate(20); }) << truncated;
    QTest::newRow("header cut inside a descriptor") << Damage([](QByteArray &b) { b.truncate(50); }) << truncated;
    QTest::newRow("header cut before 0x0D") << Damage([](QByteArray &b) { b.truncate(96); }) << truncated;
    QTest::newRow("records cut mid-record")
        << Damage([](QByteArray &b) { b.truncate(kHeader + 2 * kRecord + 5); }) << truncated;
    QTest::newRow("count above the records") << Damage([](QByteArray &b) { put32(b, 4, 5); })
                                             << count + QStringLiteral(" (5)");
    QTest::newRow("count far above the file") << Damage([](QByteArray &b) { put32(b, 4, 0xFFFFFFFFu); })
                                              << count;
    QTest::newRow("count below the records") << Damage([](QByteArray &b) { put32(b, 4, 1); })
                                             << count + QStringLiteral(" (1)");
    QTest::newRow("bytes after the end marker") << Damage([](QByteArray &b) { b += "basura"; }) << count;
    QTest::newRow("record length larger") << Damage([](QByteArray &b) { put16(b, 10, kRecord + 4); })
                                          << recordLength + QStringLiteral("29)");
    QTest::newRow("record length smaller") << Damage([](QByteArray &b) { put16(b, 10, 3); })
                                           << recordLength + QStringLiteral("3)");
    QTest::newRow("field longer than its record") << Damage([](QByteArray &b) { b[32 + 16] = char(200); })
                                                  << recordLength;
    QTest::newRow("missing 0x0D") << Damage([](QByteArray &b) { b[kHeader - 1] = ' '; }) << headerLength;
    QTest::newRow("header length too small") << Damage([](QByteArray &b) { put16(b, 8, 64); }) << headerLength;
    QTest::newRow("header length of one field") << Damage([](QByteArray &b) { put16(b, 8, 65); })
                                                << headerLength;
    QTest::newRow("no fields") << Damage([](QByteArray &b) { b[32] = 0x0D; }) << QStringLiteral("no tiene campos");
    QTest::newRow("field length 0") << Damage([](QByteArray &b) { b[32 + 16] = 0; })
                                    << QStringLiteral("el campo NOMBRE tiene una longitud inválida (0)");
    QTest::newRow("field length 255") << Damage([](QByteArray &b) { b[32 + 16] = char(255); })
                                      << QStringLiteral("el campo NOMBRE tiene una longitud inválida (255)");
    QTest::newRow("numeric length 30") << Damage([](QByteArray &b) { b[64 + 16] = 30; })
                                       << QStringLiteral("el campo NUM tiene una longitud inválida (30)");
    QTest::newRow("text decimals used as length") << Damage([](QByteArray &b) { b[32 + 17] = 1; })
                                                  << QStringLiteral("el campo NOMBRE tiene un número de decimales");
    QTest::newRow("decimals as wide as the number") << Damage([](QByteArray &b) { b[64 + 17] = 5; })
                                                    << QStringLiteral("el campo NUM tiene un número de decimales");
    QTest::newRow("memo field") << Damage([](QByteArray &b) { b[32 + 11] = 'M'; })
                                << QStringLiteral("el campo NOMBRE es de un tipo que no se puede leer (M)");
    QTest::newRow("binary type byte") << Damage([](QByteArray &b) { b[64 + 11] = 0; })
                                      << QStringLiteral("(0x00)");
    QTest::newRow("nameless field") << Damage([](QByteArray &b) { b[32] = 0; })
                                    << QStringLiteral("el campo 1 no tiene nombre");
    QTest::newRow("duplicate field names") << Damage([](QByteArray &b) { put(b, 96, QByteArray("NUM\0\0\0\0\0\0\0\0", 11)); })
                                           << QStringLiteral("el campo NUM aparece dos veces (campos 2 y 3)");
    QTest::newRow("same name in other case") << Damage([](QByteArray &b) { put(b, 96, QByteArray("nombre\0", 7)); })
                                             << QStringLiteral("el campo NOMBRE aparece dos veces (campos 1 y 3)");
    QTest::newRow("unknown code page") << Damage([](QByteArray &b) { b[29] = 0x64; })
                                       << QStringLiteral("página de códigos que no se puede leer (0x64)");
    QTest::newRow("bad deletion flag") << Damage([](QByteArray &b) { b[kHeader + kRecord] = 'X'; })
                                       << QStringLiteral("el registro 2 está dañado");

    // Header length one byte off: every record would be read shifted by one.
    QTest::newRow("header length one byte more") << Damage([](QByteArray &b) { put16(b, 8, kHeader + 1); })
                                                 << headerLength + QStringLiteral(" (162)");
    QTest::newRow("header length one byte less") << Damage([](QByteArray &b) { put16(b, 8, kHeader - 1); })
                                                 << headerLength + QStringLiteral(" (160)");
    QTest::newRow("header one byte longer, records not moved") << Damage([](QByteArray &b) {
        put16(b, 8, kHeader + 1);
        b.insert(kHeader - 1, ' '); // a blank before the 0x0D
    }) << headerLength;
    // Values no reader agrees on: named by record and field, never read as blank.
    QTest::newRow("garbage in a number") << Damage([](QByteArray &b) { put(b, kHeader + kRecord + kNum, "1X2-."); })
                                         << QStringLiteral("el registro 2 tiene en el campo NUM el valor «1X2-.», "
                                                           "que no es un número.");
    QTest::newRow("overflow stars in a number") << Damage([](QByteArray &b) { put(b, kHeader + kNum, "*****"); })
                                                << QStringLiteral("el registro 1 tiene en el campo NUM el valor «*****»");
    QTest::newRow("garbage in a date") << Damage([](QByteArray &b) { put(b, kHeader + 2 * kRecord + kDate, "2024ZZ99"); })
                                       << QStringLiteral("el registro 3 tiene en el campo FECHA el valor «2024ZZ99», "
                                                         "que no es una fecha.");
    QTest::newRow("impossible date") << Damage([](QByteArray &b) { put(b, kHeader + kDate, "20230229"); })
                                     << QStringLiteral("el campo FECHA el valor «20230229», que no es una fecha");
    QTest::newRow("year zero") << Damage([](QByteArray &b) { put(b, kHeader + kDate, "00000101"); })
                               << QStringLiteral("el campo FECHA el valor «00000101», que no es una fecha");
    QTest::newRow("29 February of a century") << Damage([](QByteArray &b) { put(b, kHeader + kDate, "19000229"); })
                                              << QStringLiteral("el campo FECHA el valor «19000229», que no es una fecha");
    QTest::newRow("garbage in a logical") << Damage([](QByteArray &b) { put(b, kHeader + kFlag, "X"); })
                                          << QStringLiteral("el campo ACTIVO el valor «X», que no es un valor lógico");
}

void TestDbfBadInput::eachFaultHasItsMessage()
{
    QFETCH(Damage, damage);
    QFETCH(QString, expected);
    QByteArray bytes = sound_;
    damage(bytes);
    const QString path = dir_.filePath(QStringLiteral("VENTAS.dbf"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                DbfTable::open(path);
            else
                DbfScanner scanner(path);
            QFAIL("opened");
        } catch (const DbfError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("VENTAS.dbf")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
            QCOMPARE(e.file(), path);
        }
    }
    try {
        DbfTable::fromBytes(bytes, QStringLiteral("X.dbf"));
        QFAIL("opened from bytes");
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
    }
}

void TestDbfBadInput::tolerableVariantsOpen_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<int>("records");

    QTest::newRow("sound") << Damage([](QByteArray &) {}) << 3;
    QTest::newRow("no end marker") << Damage([](QByteArray &b) { b.chop(1); }) << 3;
    QTest::newRow("memo version byte without memo") << Damage([](QByteArray &b) { b[0] = char(0x83); }) << 3;
    QTest::newRow("no code page") << Damage([](QByteArray &b) { b[29] = 0; }) << 3;
    QTest::newRow("deleted record") << Damage([](QByteArray &b) { b[kHeader] = '*'; }) << 2;
    QTest::newRow("no records") << Damage([](QByteArray &b) {
        put32(b, 4, 0);
        b.truncate(kHeader);
    }) << 0;
    QTest::newRow("padding after the header") << Damage([](QByteArray &b) {
        b.insert(kHeader, QByteArray(3, '\0'));
        put16(b, 8, kHeader + 3);
    }) << 3;
    // Only live records are read: garbage in a deleted one is never written back.
    QTest::newRow("garbage in a deleted record") << Damage([](QByteArray &b) {
        b[kHeader + kRecord] = '*';
        put(b, kHeader + kRecord + kNum, "1X2-.");
    }) << 2;
    QTest::newRow("leap days") << Damage([](QByteArray &b) {
        put(b, kHeader + kDate, "20000229");
        put(b, kHeader + kRecord + kDate, "20240229");
        put(b, kHeader + 2 * kRecord + kDate, "99991231");
    }) << 3;
    QTest::newRow("empty values as others write them") << Damage([](QByteArray &b) {
        put(b, kHeader + kNum, QByteArray(5, '\0'));
        put(b, kHeader + kDate, "00000000");
        put(b, kHeader + kRecord + kDate, QByteArray(8, '\0'));
        put(b, kHeader + kFlag, "?");
        put(b, kHeader + kRecord + kFlag, QByteArray(1, '\0'));
    }) << 3;
}

void TestDbfBadInput::tolerableVariantsOpen()
{
    QFETCH(Damage, damage);
    QFETCH(int, records);
    QByteArray bytes = sound_;
    damage(bytes);
    auto table = DbfTable::fromBytes(bytes, QStringLiteral("X.dbf"));
    QCOMPARE(table->recordCount(), records);
    if (records > 0)
        QCOMPARE(table->value(records - 1, 0).toString(), QStringLiteral("TRES"));
    QVERIFY_THROWS_EXCEPTION(DbfError, table->appendRecord({}));
}

void TestDbfBadInput::missingFileAndFolder()
{
    try {
        DbfTable::open(dir_.filePath(QStringLiteral("NOHAY.dbf")));
        QFAIL("opened a missing file");
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("No existe el archivo NOHAY.dbf")), qPrintable(e.message()));
    }
    QVERIFY_THROWS_EXCEPTION(DbfError, DbfTable::open(dir_.path())); // a folder
}

QTEST_GUILESS_MAIN(TestDbfBadInput)
#include "tst_dbf_badinput.moc"
