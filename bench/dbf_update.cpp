// One UpdateRecord (fdatasync included) against a bare pwrite + fsync of the
// same record bytes at the same offset of a file of the same size.
//   korim_bench_dbf_update <scratch folder> [iterations=300]
// The table has the sales layout: two of its six records cross a 512-byte
// sector boundary and are therefore written by rewrite-and-rename; both kinds
// are measured and reported separately.
#include "data/dbf.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace korim::data;
using Clock = std::chrono::steady_clock;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double micros(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::micro>(b - a).count();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder> [iterations]\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int iterations = argc > 2 ? std::atoi(argv[2]) : 300;
    const QString tablePath = dir + QStringLiteral("/VENTAS.dbf");
    const QString barePath = dir + QStringLiteral("/bare.bin");
    const QList<FieldDef> fields = {
        {QStringLiteral("ANO"), FieldType::Numeric, 4, 0, 0},      {QStringLiteral("VTOT"), FieldType::Numeric, 18, 2, 0},
        {QStringLiteral("VTOTD"), FieldType::Numeric, 18, 4, 0},   {QStringLiteral("EXPORTA"), FieldType::Numeric, 18, 2, 0},
        {QStringLiteral("IMPORTA"), FieldType::Numeric, 18, 2, 0}, {QStringLiteral("SALDO"), FieldType::Numeric, 18, 2, 0},
        {QStringLiteral("TC"), FieldType::Numeric, 12, 4, 0},      {QStringLiteral("ETIQUETA"), FieldType::Character, 30, 0, 0},
        {QStringLiteral("TIPO"), FieldType::Numeric, 1, 0, 0},
    };
    QList<QVariantList> rows;
    for (int i = 0; i < 6; ++i)
        rows << QVariantList{2023 + i % 3, 0, 0, 0, 0, 0, 19.5, QStringLiteral("Ventas"), 1 + i / 3};
    try {
        DbfTable::create(tablePath, fields, rows);
        auto table = DbfTable::open(tablePath);
        {
            QFile::remove(barePath);
            QFile::copy(tablePath, barePath);
        }
        const int fd = ::open(QFile::encodeName(barePath).constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return 1;
        const int headerLength = 32 + 32 * int(fields.size()) + 1;
        const int recordLength = 1 + 4 + 18 * 5 + 12 + 30 + 1;

        for (const int row : {0, 1}) {
            const qint64 offset = headerLength + qint64(row) * recordLength;
            const bool inPlace = offset / 512 == (offset + recordLength - 1) / 512;
            std::vector<double> engine, bare;
            for (int i = 0; i < iterations; ++i) {
                QVariantList values = rows[row];
                values[1] = 1000.0 + i; // a different record each time, as a real save
                const QByteArray bytes = [&] {
                    QByteArray rec(" ");
                    for (int f = 0; f < fields.size(); ++f)
                        rec += encodeField(fields[f], values[f]);
                    return rec;
                }();
                // Alternate the two so that drift in the disk's speed hits both alike.
                auto t0 = Clock::now();
                table->updateRecord(row, values);
                auto t1 = Clock::now();
                if (::pwrite(fd, bytes.constData(), size_t(bytes.size()), offset) != bytes.size() || ::fsync(fd) != 0)
                    return 1;
                auto t2 = Clock::now();
                engine.push_back(micros(t0, t1));
                bare.push_back(micros(t1, t2));
            }
            const double e = median(engine), b = median(bare);
            std::printf("update row %d (%s): UpdateRecord median %.1f us, bare pwrite+fsync median %.1f us, "
                        "ratio %.2f over %d runs\n",
                        row, inPlace ? "in place, inside one sector" : "crosses a sector: rewrite and rename", e,
                        b, e / b, iterations);
        }
        ::close(fd);
    } catch (const DbfError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
