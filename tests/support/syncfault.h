#pragma once
// Flushes that fail on demand. The test executable's own fsync and fdatasync
// take the place of the C library's for every call in the process (the
// libraries under test are linked in statically), so include this in exactly
// one file of a test executable. Without a fault set they flush for real.

#include <cerrno>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace korim::test {

enum class SyncFault {
    None,
    File,             // the flush of a regular file fails with EIO
    Folder,           // the flush of a folder fails with EIO
    FolderUnsupported // a folder cannot be flushed at all (EINVAL)
};

struct SyncFaults {
    SyncFault fault = SyncFault::None;
    int spared = 0; // flushes the fault applies to that still succeed first
    int failed = 0; // flushes made to fail since the fault was set

    void set(SyncFault f, int spare = 0)
    {
        fault = f;
        spared = spare;
        failed = 0;
    }
};

inline SyncFaults &syncFaults()
{
    static SyncFaults faults;
    return faults;
}

// -1 with errno set when the fault applies to fd, else 0.
inline int injectedSyncFailure(int fd)
{
    SyncFaults &f = syncFaults();
    if (f.fault == SyncFault::None)
        return 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return 0;
    int error = 0;
    if (f.fault == SyncFault::File && S_ISREG(st.st_mode))
        error = EIO;
    else if (f.fault == SyncFault::Folder && S_ISDIR(st.st_mode))
        error = EIO;
    else if (f.fault == SyncFault::FolderUnsupported && S_ISDIR(st.st_mode))
        error = EINVAL;
    if (error == 0)
        return 0;
    if (f.spared > 0) {
        --f.spared;
        return 0;
    }
    ++f.failed;
    errno = error;
    return -1;
}

} // namespace korim::test

extern "C" int fsync(int fd)
{
    if (korim::test::injectedSyncFailure(fd) != 0)
        return -1;
    return int(::syscall(SYS_fsync, fd));
}

extern "C" int fdatasync(int fd)
{
    if (korim::test::injectedSyncFailure(fd) != 0)
        return -1;
    return int(::syscall(SYS_fdatasync, fd));
}
