#include "data/durable.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korim::data {

namespace {

// Gives the finished temporary its name; errno tells why when false.
bool place(const QByteArray &temporary, const QByteArray &target, Placing placing)
{
    if (placing == Placing::Replace)
        return ::rename(temporary.constData(), target.constData()) == 0;
    // link() refuses an existing name, which makes the check and the placing
    // one step; media without hard links fall back to rename.
    if (::link(temporary.constData(), target.constData()) == 0) {
        ::unlink(temporary.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    struct stat existing {};
    if (::lstat(target.constData(), &existing) == 0) {
        errno = EEXIST;
        return false;
    }
    return errno == ENOENT && ::rename(temporary.constData(), target.constData()) == 0;
}

// A negative offset writes at the descriptor's position.
bool writeFrom(int fd, const char *data, qint64 size, qint64 offset)
{
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, data, size_t(size)) : ::pwrite(fd, data, size_t(size), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= n;
        if (offset >= 0)
            offset += n;
    }
    return true;
}

} // namespace

bool writeAll(int fd, const char *data, qint64 size)
{
    return writeFrom(fd, data, size, -1);
}

bool writeAllAt(int fd, const char *data, qint64 size, qint64 offset)
{
    return writeFrom(fd, data, size, offset);
}

bool copyAll(int in, int out)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!writeAll(out, buffer, n))
            return false;
    }
}

int syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (error == EINVAL || error == ENOTSUP)
        error = 0;
    return error;
}

DurableWrite writeDurably(const QString &target, const QString &tempPrefix, const std::function<bool(int fd)> &fill,
                          Placing placing)
{
    DurableWrite result;
    auto failed = [&result](DurableStep step, int error) {
        result.failed = step;
        result.error = error ? error : EIO;
        return result;
    };
    const QString folder = QFileInfo(target).absolutePath();
    QByteArray temporary = QFile::encodeName(folder + QLatin1Char('/') + tempPrefix + QStringLiteral("XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failed(DurableStep::Temporary, errno);
    auto abandon = [&](DurableStep step, int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        return failed(step, error);
    };
    errno = 0;
    if (!fill(fd))
        return abandon(DurableStep::Fill, errno);
    struct stat st {};
    if (::fsync(fd) != 0 || ::fstat(fd, &st) != 0)
        return abandon(DurableStep::Sync, errno);
    result.device = st.st_dev;
    result.inode = st.st_ino;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failed(DurableStep::Close, error);
    }
    if (!place(temporary, QFile::encodeName(target), placing)) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failed(DurableStep::Place, error);
    }
    if (const int error = syncFolder(folder))
        return failed(DurableStep::SyncFolder, error);
    return result;
}

} // namespace korim::data
