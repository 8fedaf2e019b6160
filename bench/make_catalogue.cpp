// Writes an ACTIVIDA table with COUNT generated activities, to measure how a
// large catalogue weighs on start-up. Usage: korim_bench_catalogue PATH COUNT
#include "data/dbf.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using korim::data::DbfError;
using korim::data::DbfTable;
using korim::data::FieldDef;
using korim::data::FieldType;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int count = args.size() == 3 ? args[2].toInt(&ok) : 0;
    // NUMERO is N 5,0 and CLAVE N 6,0: keep both inside their widths.
    if (!ok || count < 0 || count > 99999) {
        std::fprintf(stderr, "usage: %s PATH COUNT (0 to 99999)\n", argv[0]);
        return 2;
    }

    const QList<FieldDef> fields = {
        {QStringLiteral("NUMERO"), FieldType::Numeric, 5, 0, 0},
        {QStringLiteral("SECTOR"), FieldType::Character, 4, 0, 0},
        {QStringLiteral("DESCRIPCIO"), FieldType::Character, 120, 0, 0},
        {QStringLiteral("CLAVE"), FieldType::Numeric, 6, 0, 0},
    };
    // Mixed case and accents like the shipped catalogue, so decoding costs the same.
    static const char *const sectors[] = {"AGRO", "MANU", "COME", "SERV"};
    static const char *const words[] = {
        "Fabricación de", "Comercio al por mayor de", "Servicios de", "Elaboración de",
        "Cultivo de", "Reparación de", "Extracción de", "Transporte de"};
    static const char *const goods[] = {
        "productos metálicos", "prendas de vestir", "maquinaria agrícola", "alimentos enlatados",
        "muebles de madera", "autopartes", "calzado de piel", "artículos de cerámica",
        "equipo electrónico", "papel y cartón", "hortalizas", "vidrio y sus productos"};

    QList<QVariantList> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString description = QStringLiteral("%1 %2, clase %3")
                                        .arg(QString::fromUtf8(words[i % 8]),
                                             QString::fromUtf8(goods[(i / 8) % 12]))
                                        .arg(i + 1);
        rows.append({qlonglong(i), QLatin1String(sectors[i % 4]), description,
                     qlonglong(100000 + i)});
    }
    try {
        DbfTable::create(args[1], fields, rows);
    } catch (const DbfError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
