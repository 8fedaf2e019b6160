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

std::shared_ptr<DbfTable> openSharedTable(const QString &folder, const QString &table)
{
    static QHash<QString, std::weak_ptr<DbfTable>> open;

    const QString fileName = table + QStringLiteral(".dbf");
    const QString path = findFileNoCase(folder, fileName);
    if (path.isEmpty()) {
        throw DbfError(QDir(folder).filePath(fileName),
                       QStringLiteral("No existe la tabla %1 en la carpeta %2.").arg(fileName, folder));
    }
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
