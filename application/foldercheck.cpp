#include "application/foldercheck.h"

#include "application/schema.h"
#include "tablecheck.h"

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

struct TableFile {
    const char *fileName; // as the program spells it
    bool catalogue;       // only read
};

const TableFile Tables[] = {
    {datoprov::File, false}, {actividad::File, true}, {admlocal::File, true},
    {catbanco::File, true},  {ventas::File, false},   {provmerc::File, false},
};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString fileOf(const QString &path)
{
    return QFileInfo(path).fileName();
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

    for (const QString &path : paths) {
        std::shared_ptr<DbfTable> table;
        try {
            table = DbfTable::open(path);
        } catch (const DbfError &e) {
            return engineProblem(path, e);
        }
        if (const QString problem = tableProblem(path, *table); !problem.isEmpty())
            return problem;
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
