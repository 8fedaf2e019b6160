#pragma once
// The data folder for one run of the program: installed from the shipped copy
// on the first start, locked against a second copy of the program, checked.

#include <QString>

#include <memory>

namespace korim::platform {

class DataFolderSession {
public:
    // Empty when the folder can be used; else the Spanish message for the user.
    using Check = std::function<QString(const QString &folder)>;

    // Prepares dataFolder(): installs it when missing, locks it, runs check
    // under the lock. Null on failure, with one Spanish message for the user
    // in *message; the program should then show it and stop.
    static std::unique_ptr<DataFolderSession> open(const Check &check, QString *message);
    // The same on a given folder, installing from shippedCopy when the
    // folder is not there.
    static std::unique_ptr<DataFolderSession> open(const QString &folder, const QString &shippedCopy,
                                                   const Check &check, QString *message);

    // Where the shipped copy of the data folder lies: $KORIM_SHIPPED_DATA,
    // else <bin>/../share/korim/KORIM (installed), else the build tree's
    // resources/KORIM.
    static QString shippedDataFolder();

    ~DataFolderSession(); // releases the lock
    DataFolderSession(const DataFolderSession &) = delete;
    DataFolderSession &operator=(const DataFolderSession &) = delete;

    const QString &folder() const { return folder_; }
    // True when this start installed the shipped copy.
    bool installed() const { return installed_; }

private:
    DataFolderSession(QString folder, bool installed, int lockHandle);

    QString folder_;
    bool installed_ = false;
    int lockHandle_ = -1;
};

} // namespace korim::platform
