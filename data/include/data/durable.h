#pragma once
// Writing a file so that a crash or a power cut leaves either the old file or
// the whole new one: the content goes to a temporary file beside the target,
// which is flushed, given the target's name and then its folder flushed. The
// table engine saves its tables this way; the file functions copy with it.
// POSIX only.

#include <QString>
#include <QtGlobal>

#include <functional>

#include <sys/types.h>

namespace korim::data {

// Writes all size bytes at the descriptor's position, or with writeAllAt at
// offset. False with errno set; a write that makes no progress gives EIO.
bool writeAll(int fd, const char *data, qint64 size);
bool writeAllAt(int fd, const char *data, qint64 size, qint64 offset);

// Copies what is left to read of in to out. False with errno set.
bool copyAll(int in, int out);

// Flushes a folder, so that a name given in it (by rename, link or a new
// file) outlives a power cut. 0 when done, else the errno of the open or of
// the fsync. A file system that cannot flush a folder at all (EINVAL,
// ENOTSUP) counts as done: its names are as durable as it makes them.
int syncFolder(const QString &folder);

enum class DurableStep { Done, Temporary, Fill, Sync, Close, Place, SyncFolder };

struct DurableWrite {
    DurableStep failed = DurableStep::Done; // the step that failed
    int error = 0;                          // its errno
    dev_t device = 0;                       // the new file, once flushed
    ino_t inode = 0;

    bool ok() const { return failed == DurableStep::Done; }
    // The new file stands under the target's name, durably or not.
    bool placed() const { return failed == DurableStep::Done || failed == DurableStep::SyncFolder; }
};

enum class Placing {
    Replace,     // rename over an existing target
    KeepExisting // fail with EEXIST when the target exists
};

// Writes target through a temporary file in its folder, named tempPrefix and
// six random characters. fill writes the content and sets the mode it wants
// (false with errno set when it cannot); then the file is flushed, closed,
// given the target's name and the folder flushed. The temporary never
// survives a failure before it is placed.
DurableWrite writeDurably(const QString &target, const QString &tempPrefix, const std::function<bool(int fd)> &fill,
                          Placing placing = Placing::Replace);

} // namespace korim::data
