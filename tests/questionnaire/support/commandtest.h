#pragma once
// Helpers for the tests of the RFC check, the required data and the commands:
// messages as one comparable line each, the raw bytes of table files, and
// a folder the engine cannot write to.

#include "platform/messages.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class QWidget;

namespace korim::test {

// "title | buttons | icon | default | text", the text's carriage returns as "\r".
QString describeBox(const korim::platform::MessageRequest &request);
QStringList describeBoxes(const QList<korim::platform::MessageRequest> &requests);
// An OK box without icon and with the application's title, as describeBox writes it.
QString plainBox(const QString &text);

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

// Types key by key at a clerk's pace: whatever a key queues (events posted
// by handlers) is handled before the next key.
void typeKeys(QWidget *w, const QString &keys);
// Puts the focus on the RFC field, clears it and types keys one by one from
// the first place.
void typeRfc(QWidget *rfcField, const QString &keys);

} // namespace korim::test
