// A writer killed at random moments loses nothing it acknowledged and never
// leaves a table torn. The writer announces each operation before it starts
// and acknowledges it once the call returned (the change is then on the disk);
// after every kill each table must be exactly the acknowledged state, or that
// state plus the one announced operation: no acknowledged write lost, no
// deleted record back, no record made of two versions. The header's record
// count must match the records in the file, and dbfread must read every field
// as the engine does. Leftover temporary files are then removed as start-up
// removes them.
//
// The same binary is the writer when started with --crash-writer.
#include "data/dbf.h"
#include "data/folder.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    return {field("ID", FieldType::Numeric, 9), field("GEN", FieldType::Numeric, 10),
            field("TEXTO", FieldType::Character, 30), field("IMPORTE", FieldType::Numeric, 14, 2)};
}

QList<FieldDef> wideLayout()
{
    return {field("ID", FieldType::Numeric, 9), field("GEN", FieldType::Numeric, 10),
            field("CALLE", FieldType::Character, 254), field("DOMICILIO", FieldType::Character, 254),
            field("IMPORTE", FieldType::Numeric, 14, 2)};
}

const QStringList kTables = {QStringLiteral("ANGOSTA.dbf"), QStringLiteral("ANCHA.dbf")};

QList<FieldDef> layoutOf(int table)
{
    return table == 0 ? narrowLayout() : wideLayout();
}

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
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            const qint64 cents = qint64((state >> 20) % 100000000000ULL) - 50000000000LL;
            const QString text = QStringLiteral("%1%2.%3")
                                     .arg(cents < 0 ? QStringLiteral("-") : QString())
                                     .arg(qAbs(cents) / 100)
                                     .arg(qAbs(cents) % 100, 2, 10, QLatin1Char('0'));
            values << QVariant::fromValue(*Decimal::fromString(text));
        }
    }
    return values;
}

// A table's content as the test follows it: (id, generation) in table order.
using Rows = QList<QPair<qint64, qint64>>;

struct Operation {
    char kind = 0; // 'U'pdate, 'A'ppend, 'D'elete
    int table = 0;
    qint64 id = 0;
    qint64 gen = 0;
};

void applyOperation(Rows &rows, const Operation &op)
{
    if (op.kind == 'A') {
        rows.append({op.id, op.gen});
        return;
    }
    for (int r = 0; r < rows.size(); ++r) {
        if (rows[r].first == op.id) {
            if (op.kind == 'U')
                rows[r].second = op.gen;
            else
                rows.removeAt(r);
            return;
        }
    }
}

void say(const QByteArray &line)
{
    // One write per line: a line shorter than a pipe's buffer arrives whole or not at all.
    if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
        std::abort();
}

int runWriter(const QString &dir, quint32 seed, qint64 gen, qint64 nextId)
{
    QRandomGenerator rng(seed);
    std::shared_ptr<DbfTable> tables[2];
    for (int t = 0; t < 2; ++t)
        tables[t] = DbfTable::open(dir + QLatin1Char('/') + kTables[t]);
    say("R\n");
    while (true) {
        const int t = int(rng.bounded(2));
        DbfTable &table = *tables[t];
        const int count = table.recordCount();
        const int choice = int(rng.bounded(10));
        Operation op;
        op.table = t;
        int row = -1;
        if (choice < 6 && count > 0) {
            row = int(rng.bounded(count));
            op = {'U', t, table.value(row, 0).toLongLong(), gen++};
        } else if ((choice < 8 && count < 40) || count <= 3) {
            op = {'A', t, nextId++, gen++};
        } else {
            row = int(rng.bounded(count));
            op = {'D', t, table.value(row, 0).toLongLong(), 0};
        }
        say(QStringLiteral("I %1 %2 %3 %4\n").arg(QLatin1Char(op.kind)).arg(t).arg(op.id).arg(op.gen).toLatin1());
        if (op.kind == 'U')
            table.updateRecord(row, version(layoutOf(t), op.id, op.gen));
        else if (op.kind == 'A')
            table.appendRecord(version(layoutOf(t), op.id, op.gen));
        else
            table.deleteRecord(row);
        say("K\n");
    }
}

// dbfread kept running for the whole test: starting Python for every read
// would cost more than the kills.
class Dbfread {
public:
    bool start()
    {
        static const char *script = R"PY(
import sys, json
from dbfread import DBF
for line in sys.stdin:
    path = line.rstrip('\n')
    try:
        t = DBF(path, load=True, char_decode_errors='strict')
        out = {"records": [list(r.values()) for r in t.records], "deleted": len(t.deleted)}
    except Exception as e:
        out = {"error": repr(e)}
    sys.stdout.write(json.dumps(out) + "\n")
    sys.stdout.flush()
)PY";
        QString python = qEnvironmentVariable("KORIM_PYTHON");
        if (python.isEmpty())
            python = QStringLiteral("/usr/bin/python3");
        process_.start(python, {QStringLiteral("-c"), QString::fromUtf8(script)});
        return process_.waitForStarted();
    }

    ~Dbfread()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            process_.kill();
    }

    QJsonObject read(const QString &path)
    {
        process_.write(QFile::encodeName(path) + '\n');
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(30000))
                return {{QStringLiteral("error"), QStringLiteral("dbfread did not answer: %1")
                                                      .arg(QString::fromLocal8Bit(process_.readAllStandardError()))}};
        }
        return QJsonDocument::fromJson(process_.readLine()).object();
    }

private:
    QProcess process_;
};

// Header count, header length and record length against the file's size.
QString countProblem(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read");
    const QByteArray b = f.readAll();
    if (b.size() < 32)
        return QStringLiteral("short header");
    auto u = [&](int i) { return quint32(quint8(b[i])); };
    const quint32 count = u(4) | u(5) << 8 | u(6) << 16 | u(7) << 24;
    const qint64 header = u(8) | u(9) << 8;
    const qint64 record = u(10) | u(11) << 8;
    const qint64 body = b.size() - header - (b.endsWith(char(0x1A)) ? 1 : 0);
    if (record <= 0 || body < 0 || body % record != 0 || body / record != qint64(count))
        return QStringLiteral("header says %1 records, the file holds %2 bytes of %3-byte records")
            .arg(count)
            .arg(body)
            .arg(record);
    for (qint64 r = 0; r < count; ++r) {
        if (b[header + r * record] != ' ')
            return QStringLiteral("record %1 is not live").arg(r + 1);
    }
    return {};
}

QString describe(const Rows &rows)
{
    QStringList parts;
    for (const auto &r : rows)
        parts << QStringLiteral("%1@%2").arg(r.first).arg(r.second);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestDbfCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWriterLosesNothingItAcknowledged();
};

void TestDbfCrash::killedWriterLosesNothingItAcknowledged()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Rows model[2];
    for (int t = 0; t < 2; ++t) {
        QList<QVariantList> rows;
        for (int id = 1; id <= 12; ++id) {
            rows << version(layoutOf(t), id, 0);
            model[t].append({id, 0});
        }
        DbfTable::create(dir.filePath(kTables[t]), layoutOf(t), rows);
    }
    qint64 nextGen = 1;
    qint64 nextId = 13;
    QSet<qint64> deleted[2]; // ids never reused within a table

    Dbfread dbfread;
    QVERIFY(dbfread.start());

    const int kills = qEnvironmentVariableIntValue("KORIM_CRASH_KILLS") > 0
                          ? qEnvironmentVariableIntValue("KORIM_CRASH_KILLS")
                          : 200;
    QRandomGenerator rng(QRandomGenerator::global()->generate());
    qint64 acknowledged = 0;
    int caughtMidOperation = 0, appliedUnacknowledged = 0, leftovers = 0;
    QElapsedTimer clock;
    clock.start();

    for (int k = 0; k < kills; ++k) {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--crash-writer"), dir.path(), QString::number(rng.generate()),
                      QString::number(nextGen), QString::number(nextId)});
        QVERIFY(writer.waitForStarted());
        QVERIFY2(writer.waitForReadyRead(10000), "the writer did not start writing");
        QThread::usleep(rng.bounded(1000, 40000));
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("the writer stopped by itself: %1")
                                .arg(QString::fromLocal8Bit(writer.readAllStandardError()))));

        // What the writer said: announced operations, each acknowledged or, the last one, maybe not.
        std::optional<Operation> pending;
        const QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
        for (const QByteArray &line : lines) {
            if (line.startsWith("I ")) {
                QVERIFY2(!pending, "an operation was announced before the previous one was acknowledged");
                const QList<QByteArray> w = line.split(' ');
                QCOMPARE(w.size(), 5);
                pending = Operation{w[1].at(0), w[2].toInt(), w[3].toLongLong(), w[4].toLongLong()};
                nextGen = qMax(nextGen, pending->gen + 1);
                nextId = qMax(nextId, pending->id + 1);
            } else if (line == "K") {
                QVERIFY(pending);
                applyOperation(model[pending->table], *pending);
                if (pending->kind == 'D')
                    deleted[pending->table].insert(pending->id);
                ++acknowledged;
                pending.reset();
            } else {
                QVERIFY2(line.isEmpty() || line == "R", line.constData());
            }
        }
        if (pending)
            ++caughtMidOperation;

        for (int t = 0; t < 2; ++t) {
            const QString path = dir.filePath(kTables[t]);
            const QString where = QStringLiteral("kill %1, %2: ").arg(k).arg(kTables[t]);
            std::shared_ptr<DbfTable> table;
            try {
                table = DbfTable::open(path);
            } catch (const DbfError &e) {
                QFAIL(qPrintable(where + e.message()));
            }
            Rows found;
            for (int r = 0; r < table->recordCount(); ++r) {
                const QVariantList rec = table->record(r);
                const qint64 id = rec.at(0).toLongLong();
                const qint64 gen = rec.at(1).toLongLong();
                QVERIFY2(rec == version(layoutOf(t), id, gen),
                         qPrintable(where + QStringLiteral("record %1 is torn").arg(r)));
                QVERIFY2(!deleted[t].contains(id),
                         qPrintable(where + QStringLiteral("deleted record %1 is back").arg(id)));
                found.append({id, gen});
            }
            Rows withPending = model[t];
            if (pending && pending->table == t)
                applyOperation(withPending, *pending);
            if (found != model[t]) {
                QVERIFY2(found == withPending,
                         qPrintable(where + QStringLiteral("expected %1, found %2")
                                               .arg(describe(model[t]), describe(found))));
                model[t] = found; // the announced operation made it to the disk
                if (pending->kind == 'D')
                    deleted[t].insert(pending->id);
                ++appliedUnacknowledged;
            }

            const QString counted = countProblem(path);
            QVERIFY2(counted.isEmpty(), qPrintable(where + counted));

            const QJsonObject theirs = dbfread.read(path);
            QVERIFY2(!theirs.contains(QStringLiteral("error")),
                     qPrintable(where + theirs.value(QStringLiteral("error")).toString()));
            QCOMPARE(theirs.value(QStringLiteral("deleted")).toInt(), 0);
            const QJsonArray records = theirs.value(QStringLiteral("records")).toArray();
            QCOMPARE(records.size(), table->recordCount());
            for (int r = 0; r < table->recordCount(); ++r) {
                const QJsonArray row = records.at(r).toArray();
                QCOMPARE(row.size(), table->fieldCount());
                for (int f = 0; f < table->fieldCount(); ++f) {
                    const QVariant ours = table->value(r, f);
                    const QJsonValue their = row.at(f);
                    const bool same = table->fields().at(f).type == FieldType::Character
                                          ? their.toString() == ours.toString()
                                          : their.toDouble() == ours.toDouble();
                    QVERIFY2(same, qPrintable(where + QStringLiteral("record %1 field %2: dbfread %3, engine %4")
                                                          .arg(r)
                                                          .arg(table->fields().at(f).name,
                                                               QString::fromUtf8(QJsonDocument(QJsonArray{their})
                                                                                     .toJson(QJsonDocument::Compact)),
                                                               ours.toString())));
                }
            }
        }
        // A killed rewrite may leave its temporary file; start-up removes it, and nothing else.
        leftovers += int(removeLeftoverTemporaries(dir.path()).size());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
                 (QStringList{kTables[1], kTables[0]}));
    }
    qInfo("%d kills, %lld acknowledged operations, %d kills during an operation (%d of them on the disk "
          "already), %d temporary files left and removed, %lld ms",
          kills, acknowledged, caughtMidOperation, appliedUnacknowledged, leftovers, qlonglong(clock.elapsed()));
    // Kills land between and inside writes only if the writer got to write.
    QVERIFY2(acknowledged >= kills / 2, "the writer hardly wrote anything before it was killed");
}

int main(int argc, char **argv)
{
    if (argc >= 6 && qstrcmp(argv[1], "--crash-writer") == 0) {
        try {
            return runWriter(QString::fromLocal8Bit(argv[2]), quint32(QByteArray(argv[3]).toUInt()),
                             QByteArray(argv[4]).toLongLong(), QByteArray(argv[5]).toLongLong());
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
