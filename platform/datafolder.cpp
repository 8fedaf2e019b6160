#include "platform/datafolder.h"

#include "data/durable.h"
#include "data/folder.h"
#include "platform/places.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QCryptographicHash>
#include <QLockFile>
#include <QStandardPaths>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korim::platform {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString alreadyOpen(const QString &folder)
{
    return QStringLiteral("KORIM ya está abierto con la carpeta de datos %1. "
                          "Cierre la otra copia antes de abrir ésta.")
        .arg(shown(folder));
}

QString noShippedCopy(const QString &folder, const QString &shipped)
{
    return QStringLiteral("No existe la carpeta de datos %1 y no se encuentra la copia que trae el "
                          "programa para instalarla (%2).")
        .arg(shown(folder), shown(shipped));
}

#ifndef Q_OS_WIN

QString reason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("no hay espacio en el disco");
    case EACCES:
    case EPERM:
        return QStringLiteral("no hay permiso para escribir ahí");
    case EROFS:
        return QStringLiteral("el disco es de sólo lectura");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("la ruta no existe");
    default:
        return QStringLiteral("error del sistema %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

bool pathExists(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Copies one file and flushes it to the disk; errno tells why when false.
bool copyDurably(const QString &from, const QString &to)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    // The tables hold a company's tax identifier and bank account: the
    // user's alone, whatever the umask lets through.
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int saved = errno;
        ::close(in);
        errno = saved;
        return false;
    }
    bool ok = data::copyAll(in, out) && ::fsync(out) == 0;
    const int saved = errno;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    errno = ok ? 0 : saved;
    return ok;
}

void removeTree(const QString &path)
{
    QDir(path).removeRecursively();
}

// Installs the shipped copy as folder: everything goes into a temporary
// folder beside it, which is renamed into place at the end, so an interrupted
// installation never leaves a half-filled data folder under the real name.
QString install(const QString &folder, const QString &shipped)
{
    if (shipped.isEmpty() || !QFileInfo(shipped).isDir())
        return noShippedCopy(folder, shipped);

    const QFileInfo target(folder);
    const QString parent = target.absolutePath();
    auto failed = [&](int error) {
        return QStringLiteral("No se pudo instalar la carpeta de datos %1: %2.").arg(shown(folder), reason(error));
    };
    if (!QDir().mkpath(parent))
        return failed(errno ? errno : EACCES);

    QByteArray tmpl = QFile::encodeName(parent + QStringLiteral("/.") + target.fileName()
                                        + QStringLiteral(".install-XXXXXX"));
    if (!::mkdtemp(tmpl.data()))
        return failed(errno);
    const QString temp = QFile::decodeName(tmpl);
    // Private to the user, as mkdtemp made it; a folder that already
    // exists is never installed over, so it keeps its modes.
    ::chmod(tmpl.constData(), 0700);

    const QDir from(shipped);
    for (const QFileInfo &file : from.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (!copyDurably(file.absoluteFilePath(), temp + QLatin1Char('/') + file.fileName())) {
            const int error = errno;
            removeTree(temp);
            return failed(error);
        }
    }
    if (const int error = data::syncFolder(temp)) {
        removeTree(temp);
        return failed(error);
    }
    if (::rename(tmpl.constData(), QFile::encodeName(folder).constData()) != 0) {
        const int error = errno;
        removeTree(temp);
        // Another copy of the program installed it at the same moment: use that.
        if ((error == EEXIST || error == ENOTEMPTY) && QFileInfo(folder).isDir())
            return {};
        return failed(error);
    }
    // Installed, but a power cut could still take the folder away again.
    if (const int error = data::syncFolder(parent))
        return failed(error);
    return {};
}

// An exclusive lock on the folder itself, held through a descriptor of it:
// nothing is created in the folder, and the lock goes away with the process
// however it ends.
int lockFolder(const QString &folder, QString *message)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *message = QStringLiteral("No se puede abrir la carpeta de datos %1: %2.").arg(shown(folder), reason(errno));
        return -1;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK) {
            ::close(fd);
            *message = alreadyOpen(folder);
            return -1;
        }
        // A file system without locks: nothing more can be done against a
        // second copy; the program goes on.
        qWarning("could not lock %s: %s", qPrintable(folder), std::strerror(errno));
        break;
    }
    return fd;
}

void unlockFolder(int handle)
{
    if (handle >= 0)
        ::close(handle);
}

#else // Q_OS_WIN

QString install(const QString &folder, const QString &shipped)
{
    if (shipped.isEmpty() || !QFileInfo(shipped).isDir())
        return noShippedCopy(folder, shipped);
    const QFileInfo target(folder);
    const QString temp = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".install");
    QDir(temp).removeRecursively();
    const QString failed = QStringLiteral("No se pudo instalar la carpeta de datos %1.").arg(shown(folder));
    if (!QDir().mkpath(temp))
        return failed;
    const QDir from(shipped);
    for (const QFileInfo &file : from.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (!QFile::copy(file.absoluteFilePath(), temp + QLatin1Char('/') + file.fileName())) {
            QDir(temp).removeRecursively();
            return failed;
        }
    }
    if (!QDir().rename(temp, folder)) {
        QDir(temp).removeRecursively();
        return QFileInfo(folder).isDir() ? QString() : failed;
    }
    return {};
}

// The lock file lives in the user's temporary folder, never in the data folder.
QList<QLockFile *> &locks()
{
    static QList<QLockFile *> held;
    return held;
}

int lockFolder(const QString &folder, QString *message)
{
    const QByteArray key = QCryptographicHash::hash(QFileInfo(folder).absoluteFilePath().toLower().toUtf8(),
                                                    QCryptographicHash::Sha1)
                               .toHex();
    auto *lock = new QLockFile(QDir::tempPath() + QStringLiteral("/korim-") + QString::fromLatin1(key) + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock()) {
        delete lock;
        *message = alreadyOpen(folder);
        return -1;
    }
    locks().append(lock);
    return static_cast<int>(locks().size() - 1);
}

void unlockFolder(int handle)
{
    if (handle >= 0 && handle < locks().size()) {
        delete locks()[handle];
        locks()[handle] = nullptr;
    }
}

bool pathExists(const QString &path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

#endif

} // namespace

DataFolderSession::DataFolderSession(QString folder, bool installed, int lockHandle)
    : folder_(std::move(folder)), installed_(installed), lockHandle_(lockHandle)
{
}

DataFolderSession::~DataFolderSession()
{
    unlockFolder(lockHandle_);
}

QString DataFolderSession::shippedDataFolder()
{
    const QString fromEnv = qEnvironmentVariable("KORIM_SHIPPED_DATA");
    if (!fromEnv.isEmpty())
        return QDir::cleanPath(fromEnv);
    const QString bin = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(bin + QStringLiteral("/../share/korim/KORIM"));
    if (QFileInfo(installed).isDir())
        return installed;
    return QDir::cleanPath(bin + QStringLiteral("/../resources/KORIM"));
}

std::unique_ptr<DataFolderSession> DataFolderSession::open(const Check &check, QString *message)
{
    return open(dataFolder(), shippedDataFolder(), check, message);
}

std::unique_ptr<DataFolderSession> DataFolderSession::open(const QString &folder, const QString &shippedCopy,
                                                           const Check &check, QString *message)
{
    QString problem;
    bool installedNow = false;
    if (!pathExists(folder)) {
        problem = install(folder, shippedCopy);
        installedNow = problem.isEmpty();
    }
    int lock = -1;
    if (problem.isEmpty())
        lock = lockFolder(folder, &problem);
    if (problem.isEmpty())
        problem = check(folder);
    if (!problem.isEmpty()) {
        unlockFolder(lock);
        if (message)
            *message = problem;
        return nullptr;
    }
    // Under the lock no other copy is rewriting a table: a temporary file of
    // ours now is what a killed rewrite left behind.
    data::removeLeftoverTemporaries(folder);
    return std::unique_ptr<DataFolderSession>(new DataFolderSession(folder, installedNow, lock));
}

} // namespace korim::platform
