#pragma once
// The start-up check of the data folder: everything the program takes for
// granted about its tables, checked before a window is built.

#include <QString>

namespace korim::application {

// Empty when the folder can be used; else one Spanish message naming the file
// and what is wrong with it. Reads only; writes nothing.
QString checkDataFolder(const QString &folder);

} // namespace korim::application
