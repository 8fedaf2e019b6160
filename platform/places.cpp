#include "platform/places.h"

#include "data/folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace korim::platform {

namespace {

QString envPath(const char *name)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString() : QDir::cleanPath(value);
}

bool hasWildcard(const QString &name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

bool startsWithDrive(const QString &path, QChar letter)
{
    return path.size() >= 2 && path.at(0).toLower() == letter && path.at(1) == QLatin1Char(':');
}

} // namespace

QString dataFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/KORIM");
#else
    const QString fromEnv = envPath("KORIM_DATA_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    const QString xdg = envPath("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg + QStringLiteral("/KORIM");
    return QDir::homePath() + QStringLiteral("/.local/share/KORIM");
#endif
}

QString driveA()
{
#ifdef Q_OS_WIN
    return QStringLiteral("A:");
#else
    const QString fromEnv = envPath("KORIM_DRIVE_A");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QDir::homePath() + QStringLiteral("/KORIM-A");
#endif
}

QString resolveFixedPath(const QString &literal)
{
    QString path = literal;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));

    QString base;
    QString rest;
    if (startsWithDrive(path, QLatin1Char('a'))) {
        // "a:name" names the current directory of the drive, its root.
        base = driveA();
        rest = path.mid(2);
    } else if (startsWithDrive(path, QLatin1Char('c'))) {
        const QString afterDrive = path.mid(2);
        static const QString folderName = QStringLiteral("/korim");
        const bool inDataFolder =
            afterDrive.startsWith(folderName, Qt::CaseInsensitive)
            && (afterDrive.size() == folderName.size() || afterDrive.at(folderName.size()) == QLatin1Char('/'));
        if (!inDataFolder)
            return literal; // not one of the program's places
        base = dataFolder();
        rest = afterDrive.mid(folderName.size());
    } else {
        return literal;
    }

    // Each part below the fixed folder is matched without regard to case;
    // one that is not there (or a wildcard pattern) keeps its spelling.
    QString result = base;
    const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        QString found;
        if (!hasWildcard(part) && part != QLatin1String(".") && part != QLatin1String(".."))
            found = data::findFileNoCase(result, part);
        result += QLatin1Char('/') + (found.isEmpty() ? part : QFileInfo(found).fileName());
    }
    return result;
}

} // namespace korim::platform
