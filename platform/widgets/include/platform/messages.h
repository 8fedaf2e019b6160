#pragma once
// Every modal message box of the program goes through here, so that tests can
// answer them and check exactly what was shown.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace korim::platform {

// Icons and button sets of the old platform's message boxes.
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNoCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString text;      // a carriage return (code 13) is a line break on screen
    QString title;     // empty: the application's title, "KORIM"
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    MsgAnswer defaultAnswer = MsgAnswer::Ok; // Ok / Yes as the default unless said otherwise
    QString detail{};  // a second line in smaller type under the text; empty: none
};

// Shows a modal box and returns the answer. Closing the box with Esc or the
// window's close button gives Cancel where there is one, else No, else Ok.
MsgAnswer showMessage(QWidget *parent, const MessageRequest &request);

// Convenience: text with OK only, no icon, the application's title.
void showInfo(QWidget *parent, const QString &text, const QString &title = {});

// Tests install an answerer: it receives every request instead of a box being
// shown, and returns the answer. Passing an empty function restores real boxes.
using MessageAnswerer = std::function<MsgAnswer(const MessageRequest &)>;
void setMessageAnswerer(MessageAnswerer answerer);

// Command-line runs have nobody to answer a box: every message goes to
// standard error instead, and is answered as closing the box would be
// (Cancel, else No, else Ok). An installed answerer still comes first.
void setCommandLineMode(bool on);
bool commandLineMode();

// A short list to pick one entry from (which plugged-in medium is drive A:).
struct ChoiceRequest {
    QString text;
    QString title; // empty: the application's title
    QStringList items;
};
// Shows a modal list with OK and Cancel; the index of the chosen entry, -1
// when the clerk cancels.
int chooseFromList(QWidget *parent, const ChoiceRequest &request);
// Tests answer the lists the way they answer the boxes.
using ChoiceAnswerer = std::function<int(const ChoiceRequest &)>;
void setChoiceAnswerer(ChoiceAnswerer answerer);

// The title used when a request has none.
QString applicationTitle();

} // namespace korim::platform
