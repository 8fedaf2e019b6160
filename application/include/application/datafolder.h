#pragma once
// The data folder for one run of the program, opened with this program's
// check of its tables.

#include <QString>

#include <memory>

namespace korim::platform {
class DataFolderSession;
}

namespace korim::application {

// The data folder of the fixed places; null with one Spanish message on failure.
std::unique_ptr<platform::DataFolderSession> openDataFolder(QString *message);
// A given folder, installed from shippedCopy when it is not there.
std::unique_ptr<platform::DataFolderSession> openDataFolder(const QString &folder, const QString &shippedCopy,
                                                           QString *message);

} // namespace korim::application
