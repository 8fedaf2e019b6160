#pragma once
// The submission diskette without the window: which tables go, under which
// names, how the medium is cleared and what counts as arrived.

#include <QString>

#include <array>

namespace korim::platform {
struct DriveAPlace;
}

namespace korim::application {

// One table of the diskette: its name in the data folder (found without
// regard to case) and the exact name it gets on the medium.
struct DiskFile {
    QString source;
    QString target;
};
inline constexpr int kDiskFileCount = 4;
// In the order in which they are copied and checked.
const std::array<DiskFile, kDiskFileCount> &diskFiles();

struct DiskOutcome {
    // "A:" is the data folder itself: clearing it would delete the tables,
    // so nothing was deleted or copied.
    bool mediumIsDataFolder = false;
    bool oldTablesFound = false;
    // Per file of diskFiles(): the file under its target name on the medium
    // reads back byte for byte as the one in the data folder.
    std::array<bool, kDiskFileCount> written{};
    bool complete() const;
};

// Deletes every .dbf file (any letter case) in the medium's root, copies the
// four tables through temporary names (file and folder flushed), then reads
// each back and compares it with its source. Other files on the medium stay;
// the data folder is only read.
DiskOutcome writeDisk(const QString &dataFolder, const QString &medium);

// The second line of the diskette question: what "A:" is on this system and
// how much room it has.
QString describeDriveA(const korim::platform::DriveAPlace &place);

} // namespace korim::application
