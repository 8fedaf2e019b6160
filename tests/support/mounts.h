#pragma once
// Real file systems for the tests of the diskette: a size-limited tmpfs, the
// same made read-only, a FAT image on a loop device. Mounting needs root and
// a system that allows it; where it does not, active() is false and why()
// says so, for QSKIP.

#include <QString>

namespace korim::test {

class Mount {
public:
    // A tmpfs of `bytes` (rounded up to whole pages) on the existing folder.
    static Mount tmpfs(const QString &folder, qint64 bytes);
    // A FAT file system of `bytes` made in image with mkfs.vfat and mounted
    // on the folder through a loop device.
    static Mount fatImage(const QString &image, const QString &folder, qint64 bytes);

    Mount(Mount &&other) noexcept;
    Mount &operator=(Mount &&) = delete;
    Mount(const Mount &) = delete;
    ~Mount();

    bool active() const { return active_; }
    QString why() const { return why_; }
    QString folder() const { return folder_; }
    bool remountReadOnly();

private:
    Mount() = default;
    QString folder_;
    bool active_ = false;
    QString why_;
};

} // namespace korim::test
