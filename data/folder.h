#pragma once
// The data folder: file lookup without regard to letter case, shared open tables.

#include "data/dbf.h"

#include <QString>
#include <memory>

namespace korim::data {

// Path of the file in folder whose name equals fileName without regard to
// case; empty when there is none.
QString findFileNoCase(const QString &folder, const QString &fileName);

// Opens <folder>/<table>.dbf (case-insensitive). Every caller asking for the
// same file while one is still held gets the same table object, so two data
// sources over one table see each other's writes. Throws DbfError.
std::shared_ptr<DbfTable> openSharedTable(const QString &folder, const QString &table);

} // namespace korim::data
