#pragma once
// Helpers for the tests that drive the real questionnaire window: a recorder
// that answers message boxes, and typing (the data folder: appfolder.h).

#include "application/support/appfolder.h"
#include "platform/messages.h"
#include "questionnaire/form1.h"

#include <QDate>
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

class QWidget;

namespace korim::test {

// Answers every message box from a queue (Ok when it runs dry) and keeps
// every request, in order.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    void answer(korim::platform::MsgAnswer a) { answers_.append(a); }
    const QList<korim::platform::MessageRequest> &requests() const { return requests_; }
    void clear() { requests_.clear(); }

private:
    QList<korim::platform::MessageRequest> requests_;
    QList<korim::platform::MsgAnswer> answers_;
};

// Creates, loads, shows and activates the window (today's date as given).
std::unique_ptr<korim::questionnaire::Form1> openForm(const QString &folder, const QDate &today = QDate(2005, 6, 15));

// The data folder's files once the window's journal has handed over what
// was typed: its thread writes on its own time, so a snapshot taken before
// would race with it.
QMap<QString, QByteArray> settledFolderBytes(korim::questionnaire::Form1 *form, const QString &folder);

// Moves the focus to w (the window must be active) and lets events run.
bool focusOn(QWidget *w);
// Types text key by key; characters beyond ASCII go as key events carrying
// their text (QTest::keyClicks cannot send them).
void typeText(QWidget *w, const QString &text);
// Delivers text as an input-method commit, as dead keys and compose do.
void commitText(QWidget *w, const QString &text);

} // namespace korim::test
