#include "support/mounts.h"

#include <QFile>
#include <QProcess>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace korim::test {

namespace {

bool run(const QString &program, const QStringList &args, QString *why)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *why = program + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAllStandardError()).trimmed()
               + QLatin1Char(' ') + p.errorString();
        return false;
    }
    return true;
}

} // namespace

Mount Mount::tmpfs(const QString &folder, qint64 bytes)
{
    Mount m;
    m.folder_ = folder;
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0)
        m.active_ = true;
    else
        m.why_ = QStringLiteral("tmpfs cannot be mounted here: ") + QString::fromLocal8Bit(std::strerror(errno));
    return m;
}

Mount Mount::fatImage(const QString &image, const QString &folder, qint64 bytes)
{
    Mount m;
    m.folder_ = folder;
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(bytes)) {
        m.why_ = QStringLiteral("the image cannot be made");
        return m;
    }
    file.close();
    if (!run(QStringLiteral("mkfs.vfat"), {image}, &m.why_))
        return m;
    m.active_ = run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, folder}, &m.why_);
    // Where the kernel has no FAT of its own, the same image through FUSE.
    QString fuseWhy;
    if (!m.active_ && run(QStringLiteral("fusefat"), {QStringLiteral("-o"), QStringLiteral("rw+"), image, folder}, &fuseWhy))
        m.active_ = true;
    else if (!m.active_)
        m.why_ += QStringLiteral("; ") + fuseWhy;
    return m;
}

Mount::Mount(Mount &&other) noexcept
    : folder_(std::move(other.folder_))
    , active_(other.active_)
    , why_(std::move(other.why_))
{
    other.active_ = false;
}

Mount::~Mount()
{
    if (!active_)
        return;
    const QByteArray path = QFile::encodeName(folder_);
    // Lazily when something still holds it; the loop device goes with it.
    if (::umount(path.constData()) != 0)
        ::umount2(path.constData(), MNT_DETACH);
}

bool Mount::remountReadOnly()
{
    return active_
           && ::mount(nullptr, QFile::encodeName(folder_).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

} // namespace korim::test
