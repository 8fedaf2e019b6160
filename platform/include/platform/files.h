#pragma once
// File functions of the diskette command, on the program's literal names
// ("a:\*.dbf", "a:VENTAS.dbf", "c:\korim\datoprov.dbf") and on plain paths.
// Names and patterns are matched without regard to letter case. None of them
// throws.

#include <QString>
#include <QStringList>

namespace korim::platform {

// Name (without folder) of the first file, in name order, matching a file
// name or a pattern with the wildcards * and ?; empty when none matches or
// the folder cannot be read. Folders and hidden files do not count.
QString dirLookup(const QString &literalPattern);

// Deletes every file matching the name or pattern. False when nothing
// matched or a matching file could not be deleted.
bool deleteMatching(const QString &literalPattern);

// Copies a file byte for byte. The copy is written under a temporary name in
// the target folder, flushed to the medium with its folder, and renamed at
// the end, so a failure (a full medium) leaves no partial file under the
// target name and an existing target as it was. With failIfExists an
// existing target makes it fail. True on success.
bool copyFile(const QString &existingLiteral, const QString &newLiteral, bool failIfExists);

// The same on paths of this system.
QStringList matchingFiles(const QString &folder, const QString &pattern);
bool deleteMatchingIn(const QString &folder, const QString &pattern);
bool copyPath(const QString &source, const QString &target, bool failIfExists);

// True when copy holds exactly the bytes of reference. The copy's pages are
// dropped from memory first where the system allows it, so what is compared
// is what the medium gives back.
bool sameContent(const QString &reference, const QString &copy);

} // namespace korim::platform
