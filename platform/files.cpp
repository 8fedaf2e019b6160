#include "platform/files.h"

#include "platform/places.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>

#ifndef Q_OS_WIN
#include "data/durable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korim::platform {

namespace {

struct FolderAndPattern {
    QString folder;
    QString pattern;
};

FolderAndPattern split(const QString &literal)
{
    const QString resolved = resolveFixedPath(literal);
    const int slash = resolved.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QStringLiteral("."), resolved};
    return {slash == 0 ? QStringLiteral("/") : resolved.left(slash), resolved.mid(slash + 1)};
}

// Wildcards as the file functions know them: * any run of characters, ?
// one character; letters without regard to case.
bool wildcardMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
                   && (pattern[p] == QLatin1Char('?') || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

#ifndef Q_OS_WIN
bool copyPosix(const QString &source, const QString &target, bool failIfExists)
{
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    const data::DurableWrite written = data::writeDurably(
        target, QStringLiteral(".korim-copy-"),
        [&](int out) {
            if (!data::copyAll(in, out))
                return false;
            // The source's permissions where the medium keeps them; FAT media
            // refuse modes their mount options do not give, which is no
            // reason to fail.
            ::fchmod(out, st.st_mode & 0777);
            return true;
        },
        failIfExists ? data::Placing::KeepExisting : data::Placing::Replace);
    ::close(in);
    return written.ok();
}
#endif

} // namespace

// Regular, non-hidden files of the folder whose names match the pattern,
// in name order.
QStringList matchingFiles(const QString &folder, const QString &pattern)
{
    if (pattern.isEmpty())
        return {};
    QStringList names;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        if (wildcardMatch(pattern, info.fileName()))
            names << info.fileName();
    }
    return names;
}

bool deleteMatchingIn(const QString &folder, const QString &pattern)
{
    const QStringList names = matchingFiles(folder, pattern);
    if (names.isEmpty())
        return false;
    bool all = true;
    QDir dir(folder);
    for (const QString &name : names)
        all = dir.remove(name) && all;
    return all;
}

bool copyPath(const QString &source, const QString &target, bool failIfExists)
{
    if (source.isEmpty() || target.isEmpty())
        return false;
#ifdef Q_OS_WIN
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    if (failIfExists && QFileInfo::exists(target))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[65536];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (out.write(buffer, n) != n)
            return false;
    }
    return out.commit();
#else
    return copyPosix(source, target, failIfExists);
#endif
}

bool sameContent(const QString &reference, const QString &copy)
{
    QFile a(reference);
    QFile b(copy);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return false;
    if (!QFileInfo(a).isFile() || !QFileInfo(b).isFile())
        return false;
#ifndef Q_OS_WIN
    // The copy was flushed; its clean pages can go, so the read below comes
    // from the medium rather than from what was just written to memory.
    ::posix_fadvise(b.handle(), 0, 0, POSIX_FADV_DONTNEED);
#endif
    if (a.size() != b.size())
        return false;
    char left[65536];
    char right[65536];
    for (;;) {
        const qint64 n = a.read(left, sizeof left);
        if (n < 0)
            return false;
        if (n == 0)
            return b.read(right, 1) == 0; // both at their end
        qint64 got = 0;
        while (got < n) {
            const qint64 m = b.read(right + got, n - got);
            if (m <= 0)
                return false;
            got += m;
        }
        if (std::memcmp(left, right, size_t(n)) != 0)
            return false;
    }
}

QString dirLookup(const QString &literalPattern)
{
    const FolderAndPattern where = split(literalPattern);
    const QStringList names = matchingFiles(where.folder, where.pattern);
    return names.isEmpty() ? QString() : names.first();
}

bool deleteMatching(const QString &literalPattern)
{
    const FolderAndPattern where = split(literalPattern);
    return deleteMatchingIn(where.folder, where.pattern);
}

bool copyFile(const QString &existingLiteral, const QString &newLiteral, bool failIfExists)
{
    return copyPath(resolveFixedPath(existingLiteral), resolveFixedPath(newLiteral), failIfExists);
}

} // namespace korim::platform
