// Fuzz target for the table reader: any bytes either open as a table whose
// every value can be read, or give a DbfError. A table that opened is also
// changed on a copy (update, append, delete) and read back from the disk,
// which must then agree with what the engine holds in memory.
#include "data/dbf.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace korim::data;

namespace {

QString scratchFile()
{
    static const QString path = [] {
        // tmpfs keeps the fsyncs of the writes cheap.
        QByteArray tmpl = QDir(QStringLiteral("/dev/shm")).exists() ? "/dev/shm/fuzz_dbf_XXXXXX"
                                                                     : "/tmp/fuzz_dbf_XXXXXX";
        const char *dir = ::mkdtemp(tmpl.data());
        if (!dir)
            std::abort();
        static char made[64];
        std::snprintf(made, sizeof made, "%s", dir);
        std::atexit([] {
            // The table, a temporary file a failed write may have left, the folder.
            const QString folder = QString::fromLocal8Bit(made);
            for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                ::unlink(QFile::encodeName(folder + QLatin1Char('/') + name).constData());
            ::rmdir(made);
        });
        return QString::fromLocal8Bit(dir) + QStringLiteral("/FUZZ.dbf");
    }();
    return path;
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The table on disk must read exactly as the one in memory.
void sameAsDisk(const DbfTable &table)
{
    auto disk = DbfTable::open(table.path());
    check(disk->recordCount() == table.recordCount());
    check(disk->fieldCount() == table.fieldCount());
    for (int r = 0; r < table.recordCount(); ++r)
        check(disk->record(r) == table.record(r));
}

void readEverything(const DbfTable &table, size_t *sink)
{
    for (int r = 0; r < table.recordCount(); ++r) {
        for (int f = 0; f < table.fieldCount(); ++f) {
            const QVariant v = table.value(r, f);
            *sink += size_t(v.toString().size());
        }
        check(table.rowOf(table.idAt(r)) == r);
    }
    QString buffer;
    for (const FieldDef &f : table.fields()) {
        // Blank and filled values of each field through the allocation-free path.
        const QByteArray blank(f.length, ' ');
        *sink += size_t(decodeFieldValue(f, blank.constData(), table.codePage(), &buffer).kind);
    }
}

template <typename Op>
bool attempt(Op op)
{
    try {
        op();
        return true;
    } catch (const DbfError &e) {
        check(!e.message().isEmpty());
        return false;
    }
}

// A failed reopen after a successful write escapes as an exception: a crash.
void changeACopy(const QByteArray &bytes)
{
    const QString path = scratchFile();
    {
        QFile out(path);
        check(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(out.write(bytes) == bytes.size());
    }
    auto table = DbfTable::open(path);
    const int count = table->recordCount();
    if (count > 0 && attempt([&] { table->updateRecord(count - 1, table->record(0)); })) {
        check(table->recordCount() == count);
        sameAsDisk(*table);
    }
    const QVariantList last = count > 0 ? table->record(count - 1) : QVariantList();
    if (attempt([&] { table->appendRecord(last); })) {
        check(table->recordCount() == count + 1);
        sameAsDisk(*table);
    }
    const int before = table->recordCount();
    if (before > 0 && attempt([&] { table->deleteRecord(0); })) {
        check(table->recordCount() == before - 1);
        sameAsDisk(*table);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    std::shared_ptr<DbfTable> table;
    try {
        table = DbfTable::fromBytes(bytes, QStringLiteral("FUZZ.dbf"));
    } catch (const DbfError &e) {
        check(!e.message().isEmpty());
        return 0;
    }
    size_t sink = 0;
    readEverything(*table, &sink);
    // Writing costs file-system calls; small tables are enough to reach every path.
    if (size <= 8192)
        changeACopy(bytes);
    return sink == size_t(-1) ? 1 : 0;
}
