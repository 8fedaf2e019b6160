#pragma once
// The program's fixed places ("C:\KORIM", drive "A:") on the running system.
// On Windows they are the real places. Elsewhere the data folder is
// $KORIM_DATA_DIR, else $XDG_DATA_HOME/KORIM (~/.local/share/KORIM); drive A:
// is $KORIM_DRIVE_A, else ~/KORIM-A.

#include <QString>

namespace korim::platform {

QString dataFolder();
QString driveA();

// Turns one of the program's literal names ("c:\korim\VENTAS.dbf",
// "C:\KORIM\considera.txt", "a:datoprov.dbf", "a:\*.dbf") into a path on this
// system. The folder part is mapped as above; the file part is matched
// without regard to case against what is there (a name that is not there
// keeps the spelling given). Wildcards are kept for the caller.
QString resolveFixedPath(const QString &literal);

} // namespace korim::platform
