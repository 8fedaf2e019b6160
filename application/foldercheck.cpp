#include "application/foldercheck.h"

#include "application/schema.h"

#include "data/dbf.h"
#include "data/folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <iterator>
#include <memory>

#ifndef Q_OS_WIN
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace korim::application {

using namespace korim::data;
using namespace korim::application::schema;

namespace {

struct TableRule {
    const char *fileName;   // as the program spells it
    int minFields;          // fields up to the last position the program uses
    bool catalogue;         // read only, must hold at least one record
};

const TableRule Tables[] = {
    {datoprov::File, datoprov::MinFields, false}, {actividad::File, actividad::MinFields, true},
    {admlocal::File, admlocal::MinFields, true},   {catbanco::File, catbanco::MinFields, true},
    {ventas::File, ventas::MinFields, false},      {provmerc::File, provmerc::MinFields, false},
};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

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

#ifdef Q_OS_WIN
bool writable(const QString &path)
{
    return QFileInfo(path).isWritable();
}
bool onReadOnlyFileSystem(const QString &)
{
    return false;
}
#else
// access(2) rather than the permission bits: it also knows about read-only
// mounts and immutable files, and about root, whom the bits do not stop.
bool writable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}
bool onReadOnlyFileSystem(const QString &path)
{
    struct statvfs fs {};
    return ::statvfs(QFile::encodeName(path).constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}
#endif

} // namespace

QString checkDataFolder(const QString &folder)
{
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists())
        return QStringLiteral("No existe la carpeta de datos %1.").arg(shown(folder));
    if (!folderInfo.isDir())
        return QStringLiteral("%1 no es una carpeta; la carpeta de datos debe serlo.").arg(shown(folder));

    QString paths[std::size(Tables)];
    for (size_t i = 0; i < std::size(Tables); ++i) {
        const QString name = QLatin1String(Tables[i].fileName);
        const FolderEntry entry = lookUpNoCase(folder, name);
        if (const QString problem = entryProblem(entry, folder, name, QStringLiteral("la tabla")); !problem.isEmpty())
            return problem;
        paths[i] = entry.path;
    }
    const QString considera = QStringLiteral("considera.txt");
    if (const QString problem = entryProblem(lookUpNoCase(folder, considera), folder, considera,
                                             QStringLiteral("el archivo"));
        !problem.isEmpty())
        return problem;

    for (size_t i = 0; i < std::size(Tables); ++i) {
        const TableRule &rule = Tables[i];
        const QString &path = paths[i];
        std::shared_ptr<DbfTable> table;
        try {
            table = DbfTable::open(path);
        } catch (const DbfError &e) {
            const QString fileName = fileOf(path);
            if (e.message().contains(fileName))
                return e.message();
            return QStringLiteral("%1: %2").arg(fileName, e.message());
        }
        if (table->fieldCount() < rule.minFields)
            return QStringLiteral("La tabla %1 tiene %2 campos; el programa necesita al menos %3.")
                .arg(fileOf(path))
                .arg(table->fieldCount())
                .arg(rule.minFields);
        const QString upperName = QFileInfo(path).completeBaseName().toUpper();
        if (const QString problem = checkNamedFields(path, *table, upperName); !problem.isEmpty())
            return problem;
        if (rule.catalogue && table->recordCount() == 0)
            return QStringLiteral("El catálogo %1 está vacío; debe tener al menos un registro.").arg(fileOf(path));
        if (upperName == QLatin1String("VENTAS")) {
            if (const QString problem = checkVentasRows(path, *table); !problem.isEmpty())
                return problem;
        }
    }

    // The program saves into the application, sales and products tables, by
    // rewriting them through a temporary file in the folder.
    if (onReadOnlyFileSystem(folder) || !writable(folder))
        return QStringLiteral("La carpeta de datos %1 es de sólo lectura; el programa necesita guardar en ella.")
            .arg(shown(folder));
    for (size_t i = 0; i < std::size(Tables); ++i) {
        if (!Tables[i].catalogue && !writable(paths[i]))
            return QStringLiteral("La tabla %1 de la carpeta de datos %2 es de sólo lectura; el programa "
                                  "necesita guardar en ella.")
                .arg(fileOf(paths[i]), shown(folder));
    }
    return {};
}

} // namespace korim::application
