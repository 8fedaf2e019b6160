// A writer killed at random moments never leaves a table torn: after every
// kill both tables open, dbfread reads them, and every record is exactly one
// version the writer wrote, never older than one seen before.
//
// The same binary is the writer when started with --crash-writer.
#include "data/dbf.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdlib>
#include <unistd.h>

using namespace korim::data;

namespace {

FieldDef field(const char *name, FieldType type, int length, int decimals = 0)
{
    return makeField(QString::fromLatin1(name), type, length, decimals);
}

// Narrow records (some inside a sector, some across one) and wide ones (always
// across): both ways of writing a change are exercised.
QList<FieldDef> narrowLayout()
{
    return {field("ID", FieldType::Numeric, 5), field("GEN", FieldType::Numeric, 10),
            field("TEXTO", FieldType::Character, 30), field("IMPORTE", FieldType::Numeric, 14, 2)};
}

QList<FieldDef> wideLayout()
{
    return {field("ID", FieldType::Numeric, 5), field("GEN", FieldType::Numeric, 10),
            field("CALLE", FieldType::Character, 254), field("DOMICILIO", FieldType::Character, 254),
            field("IMPORTE", FieldType::Numeric, 14, 2)};
}

const QStringList kTables = {QStringLiteral("ANGOSTA.dbf"), QStringLiteral("ANCHA.dbf")};

// The one version of record `id` at generation `gen`: every byte depends on both,
// so a record made of two versions cannot pass for either.
QVariantList version(const QList<FieldDef> &fields, qint64 id, qint64 gen)
{
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNÑOPQRSTUVWXYZÁÉÍÓÚ0123456789");
    QVariantList values;
    quint64 state = quint64(id) * 0x9E3779B97F4A7C15ULL ^ quint64(gen) * 0xC2B2AE3D27D4EB4FULL;
    for (const FieldDef &f : fields) {
        if (f.name == QLatin1String("ID")) {
            values << qlonglong(id);
        } else if (f.name == QLatin1String("GEN")) {
            values << qlonglong(gen);
        } else if (f.type == FieldType::Character) {
            QString s;
            for (int i = 0; i < f.length; ++i) {
                state = state * 6364136223846793005ULL + 1442695040888963407ULL;
                s += alphabet.at(int((state >> 33) % quint64(alphabet.size())));
            }
            values << s;
        } else {
            values << double(gen % 100000000) + 0.25 * double(id % 4); // exact in binary
        }
    }
    return values;
}

QList<FieldDef> layoutOf(const QString &name)
{
    return name == kTables[0] ? narrowLayout() : wideLayout();
}

void say(const char *mark)
{
    if (::write(STDOUT_FILENO, mark, 1) < 0)
        std::abort();
}

int runWriter(const QString &dir, quint32 seed)
{
    QRandomGenerator rng(seed);
    std::shared_ptr<DbfTable> tables[2];
    qint64 gen = 0;
    for (int t = 0; t < 2; ++t) {
        tables[t] = DbfTable::open(dir + QLatin1Char('/') + kTables[t]);
        for (int r = 0; r < tables[t]->recordCount(); ++r)
            gen = qMax(gen, tables[t]->value(r, 1).toLongLong());
    }
    say("R");
    while (true) {
        const int t = int(rng.bounded(2));
        DbfTable &table = *tables[t];
        const QList<FieldDef> fields = layoutOf(kTables[t]);
        const int op = int(rng.bounded(10));
        const int count = table.recordCount();
        if (op < 6 && count > 0) {
            const int row = int(rng.bounded(count));
            table.updateRecord(row, version(fields, table.value(row, 0).toLongLong(), ++gen));
        } else if ((op < 8 && count < 40) || count <= 3) {
            qint64 id = 0;
            for (int r = 0; r < count; ++r)
                id = qMax(id, table.value(r, 0).toLongLong());
            table.appendRecord(version(fields, id + 1, ++gen));
        } else {
            table.deleteRecord(int(rng.bounded(count)));
        }
        say(".");
    }
}

} // namespace

class TestDbfCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWriterNeverTearsARecord();
};

void TestDbfCrash::killedWriterNeverTearsARecord()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (int t = 0; t < 2; ++t) {
        QList<QVariantList> rows;
        for (int id = 1; id <= 12; ++id)
            rows << version(layoutOf(kTables[t]), id, 0);
        DbfTable::create(dir.filePath(kTables[t]), layoutOf(kTables[t]), rows);
    }

    const int kills = qEnvironmentVariableIntValue("KORIM_CRASH_KILLS") > 0
                          ? qEnvironmentVariableIntValue("KORIM_CRASH_KILLS")
                          : 200;
    QRandomGenerator rng(QRandomGenerator::global()->generate());
    QHash<QString, qint64> lastSeen; // table/id -> newest generation seen
    qint64 operations = 0;
    int dbfreadChecks = 0;
    QElapsedTimer clock;
    clock.start();

    for (int k = 0; k < kills; ++k) {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--crash-writer"), dir.path(), QString::number(rng.generate())});
        QVERIFY(writer.waitForStarted());
        QVERIFY2(writer.waitForReadyRead(10000), "the writer did not start writing");
        QThread::usleep(rng.bounded(1000, 40000));
        writer.kill();
        QVERIFY(writer.waitForFinished());
        operations += writer.readAllStandardOutput().count('.');
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("the writer stopped by itself: %1")
                                .arg(QString::fromLocal8Bit(writer.readAllStandardError()))));

        for (const QString &name : kTables) {
            const QString path = dir.filePath(name);
            std::shared_ptr<DbfTable> table;
            try {
                table = DbfTable::open(path);
            } catch (const DbfError &e) {
                QFAIL(qPrintable(QStringLiteral("kill %1: %2").arg(k).arg(e.message())));
            }
            QSet<qint64> ids;
            for (int r = 0; r < table->recordCount(); ++r) {
                const QVariantList rec = table->record(r);
                const qint64 id = rec.at(0).toLongLong();
                const qint64 gen = rec.at(1).toLongLong();
                QVERIFY2(rec == version(layoutOf(name), id, gen),
                         qPrintable(QStringLiteral("kill %1: %2 record %3 is torn").arg(k).arg(name).arg(r)));
                QVERIFY2(!ids.contains(id), qPrintable(QStringLiteral("kill %1: id %2 twice").arg(k).arg(id)));
                ids.insert(id);
                const QString key = name + QLatin1Char('/') + QString::number(id);
                QVERIFY2(gen >= lastSeen.value(key, -1),
                         qPrintable(QStringLiteral("kill %1: %2 went back to an older version").arg(k).arg(key)));
                lastSeen[key] = gen;
            }
            if (k % 10 == 0) {
                QString error;
                const QJsonArray theirs = korim::test::readWithDbfread(path, &error);
                QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("kill %1: dbfread: %2").arg(k).arg(error)));
                QCOMPARE(theirs.size(), table->recordCount());
                for (int r = 0; r < table->recordCount(); ++r) {
                    const QJsonArray row = theirs.at(r).toArray();
                    QCOMPARE(qint64(row.at(0).toDouble()), table->value(r, 0).toLongLong());
                    QCOMPARE(qint64(row.at(1).toDouble()), table->value(r, 1).toLongLong());
                    QCOMPARE(row.at(2).toString(), table->value(r, 2).toString());
                }
                ++dbfreadChecks;
            }
        }
        // A killed rewrite may leave its temporary file; the next rewrite removes it.
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() <= 2 + 2);
    }
    qInfo("%d kills, %lld completed writes, %d dbfread checks, %lld ms", kills, operations, dbfreadChecks,
          qlonglong(clock.elapsed()));
    // Kills land between and inside writes only if the writer got to write.
    QVERIFY2(operations >= kills / 2, "the writer hardly wrote anything before it was killed");
}

int main(int argc, char **argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--crash-writer") == 0) {
        try {
            return runWriter(QString::fromLocal8Bit(argv[2]), quint32(QByteArray(argv[3]).toUInt()));
        } catch (const DbfError &e) {
            fprintf(stderr, "%s\n", qPrintable(e.message()));
            return 2;
        }
    }
    QCoreApplication app(argc, argv);
    TestDbfCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dbf_crash.moc"
