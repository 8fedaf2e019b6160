#include "application/datafolder.h"

#include "application/foldercheck.h"
#include "platform/datafolder.h"

namespace korim::application {

std::unique_ptr<platform::DataFolderSession> openDataFolder(QString *message)
{
    return platform::DataFolderSession::open(&checkDataFolder, message);
}

std::unique_ptr<platform::DataFolderSession> openDataFolder(const QString &folder, const QString &shippedCopy,
                                                           QString *message)
{
    return platform::DataFolderSession::open(folder, shippedCopy, &checkDataFolder, message);
}

} // namespace korim::application
