#pragma once
// Helpers shared by every test executable (Qt Core only).

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace korim::test {

// The data folder built from resources/ (what the program ships).
QString shippedDataFolder();
// Copies the shipped data folder into dir (which must exist) and returns dir.
QString copyShippedData(const QString &dir);
// Reads a table with python3-dbfread, the independent reader: one JSON array
// per record, values in field order (dates as "YYYY-MM-DD"). Fails the
// calling test through QFAIL-like reporting when the reader raises; the error
// text is returned in *error.
QJsonArray readWithDbfread(const QString &path, QString *error = nullptr,
                           bool includeDeleted = false);
// The exact decimal a numeric field reads as (a test's literal, so it must parse).
QVariant decimal(const char *text);
// Field names as dbfread sees them.
QStringList dbfreadFieldNames(const QString &path, QString *error = nullptr);

// A file's bytes (empty when it cannot be read), and writing them back
// (fails the calling test when it cannot).
QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);
// One run of the program: its exit code (-1 when it crashed or hung), what
// it wrote to standard output and to standard error.
struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
    QString text() const { return QString::fromUtf8(out); }
};
// Runs binary on the data folder (KORIM_DATA_DIR) as on a machine without a
// display, or offscreen when display is true; killed after timeoutMs.
ProgramRun runProgram(const QString &binary, const QStringList &arguments, const QString &dataFolder,
                      bool display = false, int timeoutMs = 120000);

// Little-endian header fields, for damaging tables on purpose.
void put16(QByteArray &b, int at, int v);
void put32(QByteArray &b, int at, quint32 v);

} // namespace korim::test
