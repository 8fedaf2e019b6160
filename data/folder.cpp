// The data folder: names matched without regard to case, one open table per file.
#include "data/folder.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace korim::data {

QString findFileNoCase(const QString &folder, const QString &fileName)
{
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')))
        return {};
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(fileName)).isFile())
        return dir.filePath(fileName);
    // Sorted, so that two names differing only in case resolve the same way every time.
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        if (name.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return {};
}

FolderEntry lookUpNoCase(const QString &folder, const QString &fileName)
{
    FolderEntry entry;
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')))
        return entry;
    const QDir dir(folder);
    const QStringList all = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                          QDir::Name);
    for (const QString &name : all) {
        if (name.compare(fileName, Qt::CaseInsensitive) == 0)
            entry.names << name;
    }
    if (entry.names.isEmpty())
        return entry;
    if (entry.names.size() > 1) {
        entry.kind = FolderEntry::Ambiguous;
        return entry;
    }
    entry.path = dir.filePath(entry.names.first());
    const QFileInfo info(entry.path);
    entry.kind = info.isFile() ? FolderEntry::File : info.isDir() ? FolderEntry::Directory : FolderEntry::Other;
    return entry;
}

QString entryProblem(const FolderEntry &entry, const QString &folder, const QString &fileName, const QString &what)
{
    const QString shownFolder = QDir::toNativeSeparators(folder);
    switch (entry.kind) {
    case FolderEntry::File:
        return {};
    case FolderEntry::Missing:
        return QStringLiteral("Falta %1 %2 en la carpeta de datos %3.").arg(what, fileName, shownFolder);
    case FolderEntry::Directory:
        return QStringLiteral("En la carpeta de datos %1, %2 es una carpeta y no un archivo; "
                              "el programa necesita ahí %3 %2.")
            .arg(shownFolder, entry.names.first(), what);
    case FolderEntry::Other:
        return QStringLiteral("En la carpeta de datos %1, %2 no es un archivo normal; "
                              "el programa necesita ahí %3 %2.")
            .arg(shownFolder, entry.names.first(), what);
    case FolderEntry::Ambiguous: {
        QStringList names = entry.names;
        const QString last = names.takeLast();
        return QStringLiteral("En la carpeta de datos %1 hay más de un archivo para %2 %3 (%4 y %5), "
                              "que sólo se distinguen por mayúsculas y minúsculas; deje sólo uno.")
            .arg(shownFolder, what, fileName, names.join(QStringLiteral(", ")), last);
    }
    }
    return {};
}

QStringList removeLeftoverTemporaries(const QString &folder)
{
    QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    QStringList tables;
    for (const QString &name : entries) {
        if (name.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive) && !name.startsWith(QLatin1Char('.')))
            tables << name;
    }
    QStringList removed;
    for (const QString &name : entries) {
        if (!name.startsWith(QLatin1Char('.')))
            continue;
        const QFileInfo info(dir.filePath(name));
        if (info.isSymLink() || !info.isFile())
            continue;
        for (const QString &table : std::as_const(tables)) {
            if (isRewriteTemporary(name, table)) {
                if (dir.remove(name))
                    removed << name;
                break;
            }
        }
    }
    return removed;
}

std::shared_ptr<DbfTable> openSharedTable(const QString &folder, const QString &table)
{
    static QHash<QString, std::weak_ptr<DbfTable>> open;

    const QString fileName = table + QStringLiteral(".dbf");
    const FolderEntry entry = lookUpNoCase(folder, fileName);
    if (entry.kind == FolderEntry::Missing) {
        throw DbfError(QDir(folder).filePath(fileName),
                       QStringLiteral("No existe la tabla %1 en la carpeta %2.")
                           .arg(fileName, QDir::toNativeSeparators(folder)));
    }
    if (entry.kind != FolderEntry::File)
        throw DbfError(QDir(folder).filePath(fileName), entryProblem(entry, folder, fileName, QStringLiteral("la tabla")));
    const QString &path = entry.path;
    const QString key = QFileInfo(path).canonicalFilePath();
    if (auto held = open.value(key).lock())
        return held;
    for (auto it = open.begin(); it != open.end();) {
        if (it->expired())
            it = open.erase(it);
        else
            ++it;
    }
    auto opened = DbfTable::open(path);
    open.insert(key, opened);
    return opened;
}

} // namespace korim::data
