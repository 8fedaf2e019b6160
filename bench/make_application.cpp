// Fills a copy of the shipped data folder with one complete application and
// N export products, for the printing benchmark; the start-up benchmark
// gives the application an activity code too.
//   korim_bench_application <data-folder> <products> [activity-code]
#include "data/dbf.h"
#include "data/folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

using namespace korim::data;

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <data-folder> <products> [activity-code]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int products = std::atoi(argv[2]);
    const int activity = argc > 3 ? std::atoi(argv[3]) : 0;
    try {
        auto application = DbfTable::open(findFileNoCase(folder, QStringLiteral("datoprov.dbf")));
        QVariantList record;
        for (const FieldDef &f : application->fields()) {
            const QString name = f.name;
            if (name == QLatin1String("RFC"))
                record << QStringLiteral(" ABC800101AB1");
            else if (name == QLatin1String("ACTIVIDAD"))
                record << activity;
            else if (f.type == FieldType::Numeric)
                record << (name == QLatin1String("TIPOPROG") ? 4 : 0);
            else
                record << QStringLiteral("%1 DE PRUEBA").arg(name).left(f.length);
        }
        application->appendRecord(record);

        const QString productsPath = findFileNoCase(folder, QStringLiteral("PROVMERC.dbf"));
        const QList<FieldDef> fields = DbfTable::open(productsPath)->fields();
        QList<QVariantList> rows;
        rows.reserve(products);
        for (int i = 0; i < products; ++i)
            rows << QVariantList{i % 1000, QStringLiteral(" ABC800101AB1"),
                                 QStringLiteral("PRODUCTO DE EXPORTACIÓN NÚMERO %1, MUEBLES DE MADERA DE PINO").arg(i + 1)};
        QFile::remove(productsPath);
        DbfTable::create(productsPath, fields, rows);
    } catch (const DbfError &e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
