#pragma once
// File functions of the diskette command, on the program's literal names
// ("a:\*.dbf", "a:VENTAS.dbf", "c:\korim\datoprov.dbf"). Names and patterns
// are matched without regard to letter case. None of them throws.

#include <QString>

namespace korim::platform {

// Name (without folder) of the first file, in name order, matching a file
// name or a pattern with the wildcards * and ?; empty when none matches or
// the folder cannot be read. Folders and hidden files do not count.
QString dirLookup(const QString &literalPattern);

// Deletes every file matching the name or pattern. False when nothing
// matched or a matching file could not be deleted.
bool deleteMatching(const QString &literalPattern);

// Copies a file byte for byte. The copy is written under a temporary name in
// the target folder and renamed at the end, so a failure (a full medium)
// leaves no partial file under the target name and an existing target as it
// was. With failIfExists an existing target makes it fail. True on success.
bool copyFile(const QString &existingLiteral, const QString &newLiteral, bool failIfExists);

} // namespace korim::platform
