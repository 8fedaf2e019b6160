#pragma once
// The program's fixed places ("C:\KORIM", drive "A:") on the running system.
// On Windows they are the real places. Elsewhere the data folder is
// $KORIM_DATA_DIR, else $XDG_DATA_HOME/KORIM (~/.local/share/KORIM); drive A:
// is $KORIM_DRIVE_A, else ~/KORIM-A. The diskette command asks locateDriveA(),
// which also finds a removable medium the clerk plugged in.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace korim::platform {

QString dataFolder();
QString driveA();

// Turns one of the program's literal names ("c:\korim\VENTAS.dbf",
// "C:\KORIM\considera.txt", "a:datoprov.dbf", "a:\*.dbf") into a path on this
// system. The folder part is mapped as above; the file part is matched
// without regard to case against what is there (a name that is not there
// keeps the spelling given). Wildcards are kept for the caller.
QString resolveFixedPath(const QString &literal);

// A mounted medium that can stand for drive A:.
struct Medium {
    QString root;       // where it is mounted
    QString name;       // its volume name, else its device
    QString fileSystem; // "vfat", "exfat", ...
    qint64 bytesFree = -1;
};

// Where the desktop mounts what the user plugs in: /media/USER and
// /run/media/USER.
QStringList userMediaFolders();
// The ready media mounted inside those folders, in the order of their roots.
QList<Medium> removableMedia(const QStringList &mediaFolders = userMediaFolders());

// Drive A: for one run of the diskette command, in this order:
// $KORIM_DRIVE_A; else the removable medium there is, or the one `choose`
// returns the index of when there are several (-1: the clerk chose none, and
// there is no place); else ~/KORIM-A.
struct DriveAPlace {
    QString path;
    std::optional<Medium> medium; // set when it is a removable medium
};
using MediumChooser = std::function<int(const QList<Medium> &)>;
std::optional<DriveAPlace> locateDriveA(const MediumChooser &choose,
                                        const QStringList &mediaFolders = userMediaFolders());

} // namespace korim::platform
