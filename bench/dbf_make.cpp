// Writes the benchmark table: N records of 145 bytes (deletion flag included),
// text with accents, numbers with and without decimals, dates and logicals.
//   korim_bench_dbf_make <path> [records=100000]
#include "data/dbf.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

using namespace korim::data;

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <path> [records]\n", argv[0]);
        return 2;
    }
    const int records = argc > 2 ? std::atoi(argv[2]) : 100000;
    const QList<FieldDef> fields = {
        {QStringLiteral("RFC"), FieldType::Character, 13, 0, 0},
        {QStringLiteral("NOMBRE"), FieldType::Character, 40, 0, 0},
        {QStringLiteral("CIUDAD"), FieldType::Character, 30, 0, 0},
        {QStringLiteral("CP"), FieldType::Character, 5, 0, 0},
        {QStringLiteral("TELEFONO"), FieldType::Character, 12, 0, 0},
        {QStringLiteral("ANO"), FieldType::Numeric, 4, 0, 0},
        {QStringLiteral("VTOT"), FieldType::Numeric, 18, 2, 0},
        {QStringLiteral("TC"), FieldType::Numeric, 12, 4, 0},
        {QStringLiteral("FECHA"), FieldType::Date, 8, 0, 0},
        {QStringLiteral("ACTIVO"), FieldType::Logical, 1, 0, 0},
        {QStringLiteral("TIPO"), FieldType::Numeric, 1, 0, 0},
    };
    static const char *names[] = {"COMERCIALIZADORA ÑANDÚ", "EXPORTACIONES DEL NORTE", "ALIMENTOS ÁVILA",
                                  "MUEBLES Y DISEÑO", "TEXTILES ÜBER", "CAFÉ DE ALTURA"};
    static const char *cities[] = {"MÉXICO", "MONTERREY", "GUADALAJARA", "MÉRIDA", "LEÓN", "TORREÓN"};
    QRandomGenerator rng(145);
    QList<QVariantList> rows;
    rows.reserve(records);
    for (int i = 0; i < records; ++i) {
        rows << QVariantList{
            (i % 3 == 0 ? QStringLiteral(" ABC") : QStringLiteral("ABCD")) + QStringLiteral("%1").arg(800101 + i % 99999, 6, 10, QLatin1Char('0')) + QStringLiteral("AB1"),
            QString::fromUtf8(names[i % 6]) + QStringLiteral(" %1").arg(i),
            QString::fromUtf8(cities[rng.bounded(6)]),
            QStringLiteral("%1").arg(rng.bounded(100000), 5, 10, QLatin1Char('0')),
            QStringLiteral("55%1").arg(rng.bounded(100000000), 8, 10, QLatin1Char('0')),
            1990 + int(rng.bounded(40)),
            double(rng.bounded(1000000000)) / 100.0,
            10 + double(rng.bounded(100000)) / 10000.0,
            QDate(1990, 1, 1).addDays(rng.bounded(12000)),
            rng.bounded(2) == 1,
            1 + int(rng.bounded(2)),
        };
    }
    try {
        DbfTable::create(QString::fromLocal8Bit(argv[1]), fields, rows);
    } catch (const DbfError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
