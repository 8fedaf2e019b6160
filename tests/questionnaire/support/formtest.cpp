#include "questionnaire/support/formtest.h"

#include "application/solicitud.h"

#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTest>

namespace korim::test {

using korim::platform::MessageRequest;
using korim::platform::MsgAnswer;

MessageRecorder::MessageRecorder()
{
    korim::platform::setMessageAnswerer([this](const MessageRequest &request) {
        requests_.append(request);
        if (!answers_.isEmpty())
            return answers_.takeFirst();
        return MsgAnswer::Ok;
    });
}

MessageRecorder::~MessageRecorder()
{
    korim::platform::setMessageAnswerer({});
}

std::unique_ptr<korim::questionnaire::Form1> openForm(const QString &folder, const QDate &today)
{
    auto form = std::make_unique<korim::questionnaire::Form1>(folder);
    form->setToday(today);
    form->load();
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        qWarning("the questionnaire window did not become active");
    return form;
}

QMap<QString, QByteArray> settledFolderBytes(korim::questionnaire::Form1 *form, const QString &folder)
{
    auto &journal = form->application().journal();
    if (journal.isOpen() && !journal.syncNow())
        qWarning("the journal could not be flushed");
    return folderBytes(folder);
}

bool focusOn(QWidget *w)
{
    w->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    return w->hasFocus() || (w->focusProxy() && w->focusProxy()->hasFocus());
}

void typeText(QWidget *w, const QString &text)
{
    for (QChar ch : text) {
        if (ch.unicode() < 128) {
            QTest::keyClick(w, ch.toLatin1());
            continue;
        }
        const int key = ch.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

void commitText(QWidget *w, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(w, &event);
}

} // namespace korim::test
