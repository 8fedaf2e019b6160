#pragma once
// Helpers for the tests of the RFC check, the required data and the commands:
// messages as one comparable line each, and typing.

#include "application/support/appfolder.h"
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

// Types key by key at a clerk's pace: whatever a key queues (events posted
// by handlers) is handled before the next key.
void typeKeys(QWidget *w, const QString &keys);
// Puts the focus on the RFC field, clears it and types keys one by one from
// the first place.
void typeRfc(QWidget *rfcField, const QString &keys);

} // namespace korim::test
