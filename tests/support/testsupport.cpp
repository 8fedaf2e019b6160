#include "support/testsupport.h"

#include "data/dbf.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace korim::test {

QString shippedDataFolder()
{
    return qEnvironmentVariable("KORIM_SHIPPED_DATA");
}

QString copyShippedData(const QString &dir)
{
    const QDir from(shippedDataFolder());
    for (const QString &name : from.entryList(QDir::Files)) {
        QFile::remove(dir + QLatin1Char('/') + name);
        QFile::copy(from.filePath(name), dir + QLatin1Char('/') + name);
        QFile::setPermissions(dir + QLatin1Char('/') + name,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }
    return dir;
}

static QJsonObject runReader(const QString &path, bool includeDeleted, QString *error)
{
    static const char *script = R"PY(
import sys, json, datetime
from dbfread import DBF
path, deleted = sys.argv[1], sys.argv[2] == '1'
t = DBF(path, load=True, char_decode_errors='strict')
recs = t.deleted if deleted else t.records
def conv(v):
    if isinstance(v, (datetime.date, datetime.datetime)):
        return v.isoformat()
    if isinstance(v, bytes):
        return v.decode('latin-1')
    return v
out = {"fields": t.field_names, "records": [[conv(v) for v in r.values()] for r in recs]}
sys.stdout.write(json.dumps(out))
)PY";
    QString python = qEnvironmentVariable("KORIM_PYTHON");
    if (python.isEmpty())
        python = QStringLiteral("/usr/bin/python3");
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromUtf8(script), path,
                     includeDeleted ? QStringLiteral("1") : QStringLiteral("0")});
    p.waitForFinished(60000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QJsonArray readWithDbfread(const QString &path, QString *error, bool includeDeleted)
{
    return runReader(path, includeDeleted, error).value(QStringLiteral("records")).toArray();
}

QVariant decimal(const char *text)
{
    const auto d = korim::data::Decimal::fromString(QString::fromLatin1(text));
    Q_ASSERT(d);
    return QVariant::fromValue(*d);
}

QStringList dbfreadFieldNames(const QString &path, QString *error)
{
    QStringList names;
    for (const auto &v : runReader(path, false, error).value(QStringLiteral("fields")).toArray())
        names << v.toString();
    return names;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

void put16(QByteArray &b, int at, int v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

void put32(QByteArray &b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

ProgramRun runProgram(const QString &binary, const QStringList &arguments, const QString &dataFolder, bool display,
                      int timeoutMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORIM_DATA_DIR"), dataFolder);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (display)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(binary, arguments);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("did not finish");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace korim::test
