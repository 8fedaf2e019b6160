#include "platform/places.h"

#include "data/folder.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStringList>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#endif

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

QStringList userMediaFolders()
{
#ifdef Q_OS_WIN
    return {};
#else
    // The account's name, not $USER, which a shell may have changed.
    QString user;
    if (const passwd *pw = ::getpwuid(::geteuid()))
        user = QString::fromLocal8Bit(pw->pw_name);
    if (user.isEmpty())
        user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        return {};
    return {QStringLiteral("/media/") + user, QStringLiteral("/run/media/") + user};
#endif
}

QList<Medium> removableMedia(const QStringList &mediaFolders)
{
    QList<Medium> media;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = QDir::cleanPath(volume.rootPath());
        const bool inside = std::any_of(mediaFolders.begin(), mediaFolders.end(), [&](const QString &folder) {
            const QString clean = QDir::cleanPath(folder);
            return root.startsWith(clean + QLatin1Char('/'));
        });
        if (!inside)
            continue;
        Medium m;
        m.root = root;
        m.name = volume.name().isEmpty() ? QString::fromLocal8Bit(volume.device()) : volume.name();
        m.fileSystem = QString::fromLatin1(volume.fileSystemType());
        m.bytesFree = volume.bytesAvailable();
        media << m;
    }
    std::sort(media.begin(), media.end(), [](const Medium &a, const Medium &b) { return a.root < b.root; });
    return media;
}

std::optional<DriveAPlace> locateDriveA(const MediumChooser &choose, const QStringList &mediaFolders)
{
#ifndef Q_OS_WIN
    const QString fromEnv = envPath("KORIM_DRIVE_A");
    if (!fromEnv.isEmpty())
        return DriveAPlace{fromEnv, std::nullopt};
    const QList<Medium> media = removableMedia(mediaFolders);
    if (media.size() == 1)
        return DriveAPlace{media.first().root, media.first()};
    if (media.size() > 1) {
        const int chosen = choose ? choose(media) : -1;
        if (chosen < 0 || chosen >= media.size())
            return std::nullopt;
        return DriveAPlace{media.at(chosen).root, media.at(chosen)};
    }
#else
    Q_UNUSED(choose);
    Q_UNUSED(mediaFolders);
#endif
    return DriveAPlace{driveA(), std::nullopt};
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
