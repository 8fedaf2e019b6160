#pragma once
// Helpers for the tests that drive the real questionnaire window: a small data
// folder of known content, a recorder that answers message boxes, and typing.

#include "platform/messages.h"
#include "questionnaire/form1.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

class QWidget;

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

// Moves the focus to w (the window must be active) and lets events run.
bool focusOn(QWidget *w);
// Types text key by key; characters beyond ASCII go as key events carrying
// their text (QTest::keyClicks cannot send them).
void typeText(QWidget *w, const QString &text);
// Delivers text as an input-method commit, as dead keys and compose do.
void commitText(QWidget *w, const QString &text);

} // namespace korim::test
