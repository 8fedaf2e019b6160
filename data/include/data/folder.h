#pragma once
// The data folder: file lookup without regard to letter case, shared open tables.

#include "data/dbf.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace korim::data {

// Path of the file in folder whose name equals fileName without regard to
// case; empty when there is none.
QString findFileNoCase(const QString &folder, const QString &fileName);

// What stands in a folder under a name, matched without regard to case.
struct FolderEntry {
    enum Kind { Missing, File, Directory, Other, Ambiguous };
    Kind kind = Missing;
    QString path;      // the entry found (File, Directory, Other)
    QStringList names; // every name that matched, sorted (two or more when Ambiguous)
};
FolderEntry lookUpNoCase(const QString &folder, const QString &fileName);
// One Spanish sentence for an entry that cannot be used as the file
// fileName of folder (what: "la tabla", "el archivo"); empty for a File.
QString entryProblem(const FolderEntry &entry, const QString &folder, const QString &fileName,
                     const QString &what);

// Removes the temporary files that rewrites cut short by a crash left beside
// the tables of folder (see isRewriteTemporary), and nothing else: only
// plain files, only beside a .dbf file that is there. Call it holding the
// folder's lock. Returns the names removed.
QStringList removeLeftoverTemporaries(const QString &folder);

// Opens <folder>/<table>.dbf (case-insensitive). Every caller asking for the
// same file while one is still held gets the same table object, so two data
// sources over one table see each other's writes. Throws DbfError, also when
// two files differ only in case or the name is not a file.
std::shared_ptr<DbfTable> openSharedTable(const QString &folder, const QString &table);

} // namespace korim::data
