#pragma once
// Data folders of known content for the tests, made and read back without
// any window: the tables as the program expects them, the raw bytes of their
// files, the sales rows as the independent reader sees them, and a folder the
// engine cannot write to.

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace korim::test {

// The catalogues of a test folder (table order).
struct Catalogue {
    qlonglong key;
    QString text;
};
// ACTIVIDA: place i, description, activity code.
struct Activity {
    QString text;
    qlonglong code;
};

QList<Catalogue> testOffices();   // keys 12, 27, 5, 31
QList<Catalogue> testBanks();     // keys 127, 3, 104, 135, 9
QList<Activity> testActivities(); // six-digit codes

struct FolderSpec {
    std::optional<QVariantMap> application; // DATOPROV record by field name
    QStringList products;
    int salesRowsKind1 = 3;
    int salesRowsKind2 = 3;
    bool emptyOffices = false;
    QStringList omit;                       // table files left out ("admlocal.dbf", ...)
};

// Writes a data folder laid out as the program expects into dir.
QString makeDataFolder(const QString &dir, const FolderSpec &spec = {});
// A filled-in application as stored (field name -> value).
QVariantMap sampleApplication();
// The sample with every required item present (the sample lacks a few).
QVariantMap completeApplication();
// Path of a table file in folder.
QString tablePath(const QString &folder, const QString &fileName);

// Every file of folder, name -> bytes (hidden ones too).
QMap<QString, QByteArray> folderBytes(const QString &folder);
QByteArray fileBytes(const QString &path);

// Makes the folder and its files immutable (chattr +i), so that not even
// root can write, add or rename there; undone when it goes out of scope.
class Unwritable {
public:
    explicit Unwritable(const QString &folder);
    ~Unwritable();
    bool active() const { return active_; }
    QString why() const { return why_; }

private:
    QStringList paths_;
    bool active_ = false;
    QString why_;
};

// The VENTAS records of one kind (TIPO, position 8) as the independent reader
// sees them, in table order.
QJsonArray salesRows(const QString &folder, int kind);

} // namespace korim::test
