#include "application/discorules.h"

#include "data/folder.h"
#include "platform/files.h"
#include "platform/places.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

#include <algorithm>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace korim::application {

namespace platform = korim::platform;

namespace {

// Same folder by name or, through links and bind mounts, by identity.
bool sameFolder(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() && ca == cb)
        return true;
#ifndef Q_OS_WIN
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
    return false;
}

QString freeSpace(qint64 bytes)
{
    return QLocale(QLocale::Spanish, QLocale::Mexico)
        .formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

const std::array<DiskFile, kDiskFileCount> &diskFiles()
{
    static const std::array<DiskFile, kDiskFileCount> files{{
        {QStringLiteral("datoprov.dbf"), QStringLiteral("datoprov.dbf")},
        {QStringLiteral("PROVMERC.dbf"), QStringLiteral("PROVMERC.dbf")},
        {QStringLiteral("VENTAS.dbf"), QStringLiteral("VENTAS.dbf")},
        {QStringLiteral("activida.dbf"), QStringLiteral("activida.dbf")},
    }};
    return files;
}

bool DiskOutcome::complete() const
{
    return !mediumIsDataFolder && std::all_of(written.begin(), written.end(), [](bool w) { return w; });
}

DiskOutcome writeDisk(const QString &dataFolder, const QString &medium)
{
    DiskOutcome outcome;
    if (sameFolder(dataFolder, medium)) {
        outcome.mediumIsDataFolder = true;
        return outcome;
    }
    const QString pattern = QStringLiteral("*.dbf");
    outcome.oldTablesFound = !platform::matchingFiles(medium, pattern).isEmpty();
    if (outcome.oldTablesFound)
        platform::deleteMatchingIn(medium, pattern);

    std::array<QString, kDiskFileCount> sources;
    std::array<bool, kDiskFileCount> copied{};
    for (int i = 0; i < kDiskFileCount; ++i) {
        const DiskFile &file = diskFiles()[size_t(i)];
        sources[size_t(i)] = data::findFileNoCase(dataFolder, file.source);
        if (!sources[size_t(i)].isEmpty())
            copied[size_t(i)] = platform::copyPath(sources[size_t(i)], medium + QLatin1Char('/') + file.target, false);
    }
    // A copy counts when it said it is on the medium (flushed, not just in
    // the cache) and reads back equal.
    for (int i = 0; i < kDiskFileCount; ++i) {
        const QString &source = sources[size_t(i)];
        outcome.written[size_t(i)] =
            copied[size_t(i)]
            && platform::sameContent(source, medium + QLatin1Char('/') + diskFiles()[size_t(i)].target);
    }
    return outcome;
}

QString describeDriveA(const platform::DriveAPlace &place)
{
    const QString folder = QDir::toNativeSeparators(place.path);
    if (place.medium) {
        const platform::Medium &m = *place.medium;
        QString text = QStringLiteral("A: es el medio «%1»").arg(m.name);
        if (!m.fileSystem.isEmpty())
            text += QStringLiteral(" (%1)").arg(m.fileSystem);
        text += QStringLiteral(" en %1").arg(folder);
        if (m.bytesFree >= 0)
            text += QStringLiteral("; libre: %1").arg(freeSpace(m.bytesFree));
        return text + QLatin1Char('.');
    }
    if (!QFileInfo(place.path).isDir())
        return QStringLiteral("A: es la carpeta %1, que no existe.").arg(folder);
    const QStorageInfo volume(place.path);
    QString text = QStringLiteral("A: es la carpeta %1").arg(folder);
    if (volume.isValid() && volume.isReady()) {
        const QString name = volume.name().isEmpty() ? QString::fromLocal8Bit(volume.device()) : volume.name();
        text += QStringLiteral(", en %1 (%2); libre: %3")
                    .arg(name, QString::fromLatin1(volume.fileSystemType()), freeSpace(volume.bytesAvailable()));
    }
    return text + QLatin1Char('.');
}

} // namespace korim::application
