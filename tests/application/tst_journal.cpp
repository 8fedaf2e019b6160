// The journal of unsaved edits: its lines, its reading up to the first
// damage, its file and its flushes, and what survives a power cut.

#include "application/journal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using korim::application::Journal;
using korim::application::JournalContents;
using korim::application::JournalEntry;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray entryLine(qint64 n, const QString &key, const QJsonValue &value, qint64 at = 1000)
{
    return Journal::encodeLine(QJsonObject{{QStringLiteral("n"), n},
                                           {QStringLiteral("at"), at},
                                           {QStringLiteral("key"), key},
                                           {QStringLiteral("value"), value}});
}

QByteArray headerLine(int format = 1)
{
    return Journal::encodeLine(QJsonObject{{QStringLiteral("journal"), format},
                                           {QStringLiteral("n"), 0},
                                           {QStringLiteral("at"), 500},
                                           {QStringLiteral("app"), QJsonObject{{QStringLiteral("rfc"), "X"}}}});
}

int fileMode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void crcOfKnownText()
    {
        // The check value of CRC-32 (ISO-HDLC), as zlib and cksum -a crc32b give it.
        QCOMPARE(korim::application::crc32("123456789"), 0xCBF43926u);
        QCOMPARE(korim::application::crc32(""), 0u);
    }

    void lineRoundTrip_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("plain") << QJsonValue(QStringLiteral("AV. JUAREZ 12"));
        QTest::newRow("accents") << QJsonValue(QStringLiteral("PEÑA NIÑO ÁÉÍÓÚ €"));
        QTest::newRow("quotes and braces") << QJsonValue(QStringLiteral("\"}\",\"crc\":\"00000000\"}"));
        QTest::newRow("line break") << QJsonValue(QStringLiteral("UNO\nDOS\r\n"));
        QTest::newRow("empty") << QJsonValue(QString());
        QTest::newRow("number") << QJsonValue(3);
        QTest::newRow("null") << QJsonValue(QJsonValue::Null);
        QTest::newRow("object") << QJsonValue(QJsonObject{{QStringLiteral("row"), 2}, {QStringLiteral("text"), "15"}});
    }
    void lineRoundTrip()
    {
        QFETCH(QJsonValue, value);
        const QByteArray line = entryLine(7, QStringLiteral("txtCalle"), value);
        QVERIFY(line.endsWith('\n'));
        QCOMPARE(line.count('\n'), 1); // one entry, one line
        QVERIFY(QString::fromUtf8(line).toUtf8() == line);
        const auto decoded = Journal::decodeLine(QByteArrayView(line).chopped(1));
        QVERIFY(decoded);
        QCOMPARE(decoded->value(QStringLiteral("value")), value);
        QCOMPARE(decoded->value(QStringLiteral("key")).toString(), QStringLiteral("txtCalle"));
    }

    void typedLinesAreWhatTheEncoderWrites()
    {
        // Text values take a hand-made path on every key: its lines must be
        // the encoder's, byte for byte.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("j.jsonl"));
        const QStringList texts = {QStringLiteral("AV. JUAREZ"), QStringLiteral("PEÑA €"), QStringLiteral("\"\\/"),
                                   QStringLiteral("a\nb\rc\td"), QString(QChar(0x01)) + QChar(0x1f) + QChar(0x08) + QChar(0x0c), QString(),
                                   QString(QChar(0xD800)) + QStringLiteral("x"),
                                   QStringLiteral("日本 😀")};
        {
            Journal j(path);
            QVERIFY(j.begin({}));
            for (const QString &t : texts)
                QVERIFY(j.append(QStringLiteral("f:\"k\""), t));
        }
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), texts.size() + 2); // header, entries, the empty rest
        for (int i = 0; i < texts.size(); ++i) {
            const auto decoded = Journal::decodeLine(lines.at(i + 1));
            QVERIFY(decoded);
            QCOMPARE(decoded->value(QStringLiteral("value")).toString(), texts.at(i));
            QCOMPARE(lines.at(i + 1) + '\n', entryLine(i + 1, QStringLiteral("f:\"k\""), texts.at(i),
                                                      decoded->value(QStringLiteral("at")).toInteger()));
        }
    }

    void everyChangedByteIsCaught()
    {
        // A single byte changed anywhere, or the line cut anywhere, never decodes.
        const QByteArray line = entryLine(3, QStringLiteral("txtNombre"), QStringLiteral("JOSÉ MARÍA")).chopped(1);
        for (qsizetype i = 0; i < line.size(); ++i) {
            for (const char flip : {char(0x01), char(0x20), char(0x80)}) {
                QByteArray bad = line;
                bad[i] = char(bad[i] ^ flip);
                QVERIFY2(!Journal::decodeLine(bad), qPrintable(QStringLiteral("byte %1").arg(i)));
            }
            QVERIFY2(!Journal::decodeLine(line.first(i)), qPrintable(QStringLiteral("cut at %1").arg(i)));
        }
        QVERIFY(!Journal::decodeLine(QByteArray(line.size(), '\0')));
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("header");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QStringList>("state"); // key=value of what is pending

        const QByteArray h = headerLine();
        const QByteArray a = entryLine(1, QStringLiteral("a"), QStringLiteral("1"));
        const QByteArray b = entryLine(2, QStringLiteral("b"), QStringLiteral("2"));
        const QByteArray a2 = entryLine(3, QStringLiteral("a"), QStringLiteral("11"));
        const QByteArray bEnd = entryLine(3, QStringLiteral("b"), QJsonValue::Null);
        QTest::newRow("empty file") << QByteArray() << 0 << false << false << QStringList{};
        QTest::newRow("header only") << h << 0 << true << false << QStringList{};
        QTest::newRow("values") << h + a + b << 2 << true << false << QStringList{"a=1", "b=2"};
        QTest::newRow("last value wins") << h + a + b + a2 << 3 << true << false << QStringList{"a=11", "b=2"};
        QTest::newRow("a change that ended") << h + a + b + bEnd << 3 << true << false << QStringList{"a=1"};
        QTest::newRow("last line cut") << h + a + b.chopped(5) << 1 << true << true << QStringList{"a=1"};
        QTest::newRow("last newline missing") << h + a + b.chopped(1) << 1 << true << true << QStringList{"a=1"};
        QByteArray flipped = b;
        flipped[20] = 'Z';
        QTest::newRow("damage in the middle") << h + a + flipped + a2 << 1 << true << true << QStringList{"a=1"};
        QTest::newRow("zeros in the middle")
            << h + a + QByteArray(b.size(), '\0') + a2 << 1 << true << true << QStringList{"a=1"};
        QTest::newRow("a line out of turn") << h + a + a2 << 1 << true << true << QStringList{"a=1"};
        QTest::newRow("a line twice") << h + a + a + b << 1 << true << true << QStringList{"a=1"};
        QTest::newRow("no header") << a + b << 0 << false << true << QStringList{};
        QTest::newRow("another format") << headerLine(2) + a << 0 << false << true << QStringList{};
        QTest::newRow("not a journal") << QByteArray("hola\nmundo\n") << 0 << false << true << QStringList{};
    }
    void reading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, entries);
        QFETCH(bool, header);
        QFETCH(bool, damaged);
        QFETCH(QStringList, state);
        const JournalContents c = Journal::parse(bytes);
        QCOMPARE(c.entries.size(), entries);
        QCOMPARE(c.hasHeader, header);
        QCOMPARE(c.damaged, damaged);
        QStringList pending;
        const auto values = c.state();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            pending << it.key() + QLatin1Char('=') + it.value().toString();
        QCOMPARE(pending, state);
        QCOMPARE(c.pending(), header && !state.isEmpty());
        if (header)
            QCOMPARE(c.app.value(QStringLiteral("rfc")).toString(), QStringLiteral("X"));
    }

    void theFileIsPrivateAndStartsOver()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("j.jsonl"));
        const mode_t old = ::umask(0);
        {
            Journal j(path);
            QVERIFY(j.begin(QJsonObject{{QStringLiteral("rfc"), "ABC"}}));
            QVERIFY(j.append(QStringLiteral("txtCalle"), QStringLiteral("UNO")));
            QCOMPARE(fileMode(path), 0600);
            // A new start replaces the old lines.
            QVERIFY(j.begin(QJsonObject{{QStringLiteral("rfc"), "DEF"}},
                            {{QStringLiteral("txtColonia"), QStringLiteral("CENTRO"), 42}}, true));
            QVERIFY(j.append(QStringLiteral("txtCP"), QStringLiteral("06000")));
            QCOMPARE(fileMode(path), 0600);
        }
        ::umask(old);
        const JournalContents c = Journal::read(path);
        QVERIFY(!c.damaged);
        QCOMPARE(c.app.value(QStringLiteral("rfc")).toString(), QStringLiteral("DEF"));
        QCOMPARE(c.entries.size(), 2);
        QCOMPARE(c.entries.at(0).at, 42);
        QCOMPARE(c.state().value(QStringLiteral("txtCalle")), QJsonValue());
        // Nothing but the journal is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("j.jsonl")});

        Journal again(path);
        QVERIFY(again.begin({}));
        const QString aside = dir.filePath(QStringLiteral("aside.jsonl"));
        QFile::copy(path, aside); // an older backup, replaced
        QFile::setPermissions(aside, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        QVERIFY(again.append(QStringLiteral("k"), QStringLiteral("v")));
        QVERIFY(again.setAside(aside));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(fileMode(aside), 0600);
        QCOMPARE(Journal::read(aside).state().value(QStringLiteral("k")).toString(), QStringLiteral("v"));
        QVERIFY(!again.isOpen());
        QVERIFY(!again.append(QStringLiteral("k"), QStringLiteral("w")));

        Journal third(path);
        QVERIFY(third.begin({}));
        third.remove();
        QVERIFY(!QFile::exists(path));
    }

    // What was appended a hand-over delay before a kill survives it; what
    // was appended just before may be missing or cut, never out of order.
    void aKilledProcessLosesNothingHandedOver()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("j.jsonl"));
        const pid_t child = ::fork();
        if (child == 0) {
            Journal j(path);
            j.setSyncInterval(60000); // no flush: only what the OS holds
            j.setHandOverDelay(50);
            if (!j.begin({}))
                ::_exit(3);
            for (int i = 0; i < 500; ++i)
                j.append(QStringLiteral("f%1").arg(i % 7), QString::number(i));
            QThread::msleep(400);
            for (int i = 500; i < 3000; ++i)
                j.append(QStringLiteral("f%1").arg(i % 7), QString::number(i));
            ::raise(SIGKILL);
            ::_exit(4);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        const JournalContents c = Journal::read(path);
        QVERIFY2(c.entries.size() >= 500, qPrintable(QString::number(c.entries.size())));
        for (int i = 0; i < c.entries.size(); ++i)
            QCOMPARE(c.entries.at(i).value.toString(), QString::number(i));
    }

    void flushedOnTheTimerAndWhenAsked()
    {
        QTemporaryDir dir;
        Journal j(dir.filePath(QStringLiteral("j.jsonl")));
        QVERIFY(j.begin({}));
        QCOMPARE(j.syncedBytes(), 0);
        // Handed to the OS by the thread, not by the key...
        QVERIFY(j.append(QStringLiteral("a"), QStringLiteral("1")));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(j.handedBytes() < j.writtenBytes());
        QTRY_COMPARE_WITH_TIMEOUT(j.handedBytes(), j.writtenBytes(), 1000);
        QVERIFY2(clock.elapsed() <= 400, qPrintable(QString::number(clock.elapsed())));
        // ...and on disk within the interval by itself...
        QTRY_COMPARE_WITH_TIMEOUT(j.syncedBytes(), j.writtenBytes(), 1500);
        QVERIFY2(clock.elapsed() <= 1300, qPrintable(QString::number(clock.elapsed())));
        // ...and at once when the clerk leaves a field.
        j.setSyncInterval(60000);
        QThread::msleep(1100); // the thread is in its long wait now
        QVERIFY(j.append(QStringLiteral("b"), QStringLiteral("2")));
        QVERIFY(j.syncedBytes() < j.writtenBytes());
        clock.restart();
        j.syncSoon();
        QTRY_COMPARE_WITH_TIMEOUT(j.syncedBytes(), j.writtenBytes(), 1000);
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(j.append(QStringLiteral("c"), QStringLiteral("3")));
        QVERIFY(j.syncNow());
        QCOMPARE(j.syncedBytes(), j.writtenBytes());
    }

    // The power-cut model: what was flushed survives; of what was written
    // after the last flush, each 512-byte block may be on disk, lost, torn
    // or garbage, independently of the others (reordered), and the file may
    // end anywhere after the flushed part. Recovery must give back a prefix
    // of what was written, never a damaged entry, and everything flushed.
    void powerCut()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("j.jsonl"));
        QRandomGenerator rng(20);
        int cases = 0;

        for (int run = 0; run < 12; ++run) {
            Journal j(path);
            j.setSyncInterval(60000); // flushes only where the model puts them
            QVERIFY(j.begin(QJsonObject{{QStringLiteral("rfc"), "GOMJ800101AB1"}}));
            // Virtual time: a key every 40 to 200 ms, a flush on the 1 s timer
            // and when a field is left.
            QList<JournalEntry> written;
            QList<qint64> endOf; // file length after each entry
            struct Flush {
                qint64 time;
                qint64 bytes;
            };
            QList<Flush> flushes{{0, j.writtenBytes()}};
            qint64 now = 0, lastFlush = 0;
            QString field = QStringLiteral("txtCalle"), text;
            for (int k = 0; k < 160; ++k) {
                now += 40 + rng.bounded(160);
                if (now - lastFlush >= 1000) {
                    QVERIFY(j.syncNow());
                    lastFlush = now;
                    flushes.append({now, j.syncedBytes()});
                }
                if (rng.bounded(12) == 0) { // leaves the field
                    QVERIFY(j.syncNow());
                    flushes.append({now, j.syncedBytes()});
                    field = QStringLiteral("campo%1").arg(k);
                    text.clear();
                }
                text += QChar(u"AÑB CÉ1"[rng.bounded(7)]);
                QVERIFY(j.append(field, text));
                written.append({field, text, now});
                endOf.append(j.writtenBytes());
            }
            j.close();
            const QByteArray full = readAll(path);
            QCOMPARE(full.size(), endOf.last());

            for (int crash = 0; crash < 40; ++crash) {
                const qint64 crashTime = rng.bounded(now + 1);
                qint64 durable = 0;
                for (const Flush &f : flushes)
                    if (f.time <= crashTime)
                        durable = f.bytes;
                int writtenByThen = 0;
                while (writtenByThen < written.size() && written.at(writtenByThen).at <= crashTime)
                    ++writtenByThen;
                const qint64 end = writtenByThen ? endOf.at(writtenByThen - 1) : flushes.first().bytes;
                for (int variant = 0; variant < 12; ++variant) {
                    const QByteArray image = crashImage(full.first(end), durable, rng);
                    const JournalContents c = Journal::parse(image);
                    ++cases;
                    QVERIFY(c.hasHeader);
                    QVERIFY(c.entries.size() <= writtenByThen);
                    for (int i = 0; i < c.entries.size(); ++i) {
                        QCOMPARE(c.entries.at(i).key, written.at(i).key);
                        QCOMPARE(c.entries.at(i).value, QJsonValue(written.at(i).value));
                    }
                    // Lost: at most the last two seconds before the cut.
                    for (int i = c.entries.size(); i < writtenByThen; ++i)
                        QVERIFY2(crashTime - written.at(i).at <= 2000,
                                 qPrintable(QStringLiteral("entry %1 typed %2 ms before the cut")
                                                .arg(i)
                                                .arg(crashTime - written.at(i).at)));
                    // Everything flushed comes back.
                    int flushed = 0;
                    while (flushed < writtenByThen && endOf.at(flushed) <= durable)
                        ++flushed;
                    QVERIFY(c.entries.size() >= flushed);
                }
            }
        }
        qInfo("power-cut cases: %d", cases);
        QVERIFY(cases >= 5000);
    }

private:
    // The file after a cut: the first `durable` bytes as written; each
    // 512-byte block after it as written, lost (zeros), torn (a prefix of
    // sectors, zeros after) or garbage; the length anywhere from durable on.
    static QByteArray crashImage(const QByteArray &written, qint64 durable, QRandomGenerator &rng)
    {
        constexpr qint64 kBlock = 512;
        QByteArray image = written;
        for (qint64 start = (durable / kBlock) * kBlock; start < image.size(); start += kBlock) {
            const qint64 from = std::max(start, durable);
            const qint64 to = std::min<qint64>(start + kBlock, image.size());
            switch (rng.bounded(5)) {
            case 0: // on disk
                break;
            case 1: // lost
                for (qint64 i = from; i < to; ++i)
                    image[i] = '\0';
                break;
            case 2: { // torn: a prefix of the block's sectors only
                const qint64 keep = start + 64 * qint64(rng.bounded(8));
                for (qint64 i = std::max(from, keep); i < to; ++i)
                    image[i] = '\0';
                break;
            }
            case 3: // garbage, new lines included
                for (qint64 i = from; i < to; ++i)
                    image[i] = char(rng.bounded(4) == 0 ? '\n' : rng.bounded(256));
                break;
            default: // an older block of the same file in its place
                for (qint64 i = from; i < to; ++i)
                    image[i] = start >= kBlock ? written.at(i - kBlock) : '\0';
                break;
            }
        }
        const qint64 length = durable + qint64(rng.bounded(quint32(image.size() - durable + 1)));
        image.truncate(rng.bounded(3) == 0 ? length : image.size());
        return image;
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
