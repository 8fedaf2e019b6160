#include "tablecheck.h"

#include "application/schema.h"

#include "data/dbf.h"

#include <QFileInfo>

namespace korim::application {

using namespace korim::data;
using namespace korim::application::schema;

namespace {

struct TableRule {
    const char *fileName; // as the program spells it
    int minFields;        // fields up to the last position the program uses
    bool catalogue;       // read only, must hold at least one record
};

const TableRule Rules[] = {
    {datoprov::File, datoprov::MinFields, false}, {actividad::File, actividad::MinFields, true},
    {admlocal::File, admlocal::MinFields, true},   {catbanco::File, catbanco::MinFields, true},
    {ventas::File, ventas::MinFields, false},      {provmerc::File, provmerc::MinFields, false},
};

// Messages about a table name its file; the folder is named where the
// problem is the folder's (a missing, doubled or read-only file).
QString fileOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString missingField(const QString &path, const char *field)
{
    return QStringLiteral("A la tabla %1 le falta el campo %2.").arg(fileOf(path), QLatin1String(field));
}

QString misplacedField(const QString &path, const char *field, int position)
{
    return QStringLiteral("En la tabla %1 el campo %2 debe estar en la posición %3 (contando desde 0).")
        .arg(fileOf(path), QLatin1String(field))
        .arg(position);
}

// Named fields that also stand at fixed positions.
QString checkNamedFields(const QString &path, const DbfTable &table, const QString &upperName)
{
    if (upperName == QLatin1String("DATOPROV")) {
        for (const char *name : datoprov::BoundByName) {
            if (table.fieldIndex(QLatin1String(name)) < 0)
                return missingField(path, name);
        }
        if (table.fieldIndex(QLatin1String(datoprov::TIPOPROG)) != datoprov::TipoPrograma)
            return misplacedField(path, datoprov::TIPOPROG, datoprov::TipoPrograma);
    } else if (upperName == QLatin1String("VENTAS")) {
        int i = 0;
        for (const char *name : ventas::FixedNames) {
            const int at = table.fieldIndex(QLatin1String(name));
            if (at < 0)
                return missingField(path, name);
            if (at != i)
                return misplacedField(path, name, i);
            ++i;
        }
        for (const char *name : ventas::MovableNames) {
            const int at = table.fieldIndex(QLatin1String(name));
            if (at < 0)
                return missingField(path, name);
            if (at != 7 && at != 8)
                return QStringLiteral("En la tabla %1 el campo %2 debe estar en la posición 7 u 8 (contando desde 0).")
                    .arg(fileOf(path), QLatin1String(name));
        }
    } else if (upperName == QLatin1String("PROVMERC")) {
        const int at = table.fieldIndex(QLatin1String(provmerc::DescripcionName));
        if (at < 0)
            return missingField(path, provmerc::DescripcionName);
        if (at != provmerc::Descripcion)
            return misplacedField(path, provmerc::DescripcionName, provmerc::Descripcion);
    }
    return {};
}

QString checkVentasRows(const QString &path, const DbfTable &table)
{
    const int tipo = table.fieldIndex(QLatin1String(ventas::KindField));
    int counts[3] = {0, 0, 0};
    for (int row = 0; row < table.recordCount(); ++row) {
        const int kind = table.value(row, tipo).toInt();
        if (kind == 1 || kind == 2)
            ++counts[kind];
    }
    for (int kind = ventas::Totales; kind <= ventas::Indirectas; ++kind) {
        if (counts[kind] < ventas::RowsPerKind)
            return QStringLiteral("La tabla %1 tiene %2 renglones de TIPO %3; debe tener al menos tres.")
                .arg(fileOf(path))
                .arg(counts[kind])
                .arg(kind);
    }
    return {};
}

} // namespace

QString tableProblem(const QString &path, const DbfTable &table)
{
    const QString fileName = fileOf(path);
    const TableRule *rule = nullptr;
    for (const TableRule &r : Rules) {
        if (fileName.compare(QLatin1String(r.fileName), Qt::CaseInsensitive) == 0)
            rule = &r;
    }
    if (!rule)
        return {};
    if (table.fieldCount() < rule->minFields)
        return QStringLiteral("La tabla %1 tiene %2 campos; el programa necesita al menos %3.")
            .arg(fileName)
            .arg(table.fieldCount())
            .arg(rule->minFields);
    const QString upperName = QFileInfo(path).completeBaseName().toUpper();
    if (const QString problem = checkNamedFields(path, table, upperName); !problem.isEmpty())
        return problem;
    if (rule->catalogue && table.recordCount() == 0)
        return QStringLiteral("El catálogo %1 está vacío; debe tener al menos un registro.").arg(fileName);
    if (upperName == QLatin1String("VENTAS"))
        return checkVentasRows(path, table);
    return {};
}

QString engineProblem(const QString &path, const DbfError &error)
{
    const QString fileName = fileOf(path);
    if (error.message().contains(fileName))
        return error.message();
    return QStringLiteral("%1: %2").arg(fileName, error.message());
}

} // namespace korim::application
