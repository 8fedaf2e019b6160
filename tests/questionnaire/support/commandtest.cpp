#include "questionnaire/support/commandtest.h"

#include "questionnaire/maskededit.h"
#include "questionnaire/support/formtest.h"

#include <QCoreApplication>

namespace korim::test {

using korim::platform::MessageRequest;
using korim::platform::MsgAnswer;
using korim::platform::MsgButtons;
using korim::platform::MsgIcon;

namespace {

QString buttonsName(MsgButtons b)
{
    switch (b) {
    case MsgButtons::Ok: return QStringLiteral("Ok");
    case MsgButtons::OkCancel: return QStringLiteral("OkCancel");
    case MsgButtons::YesNoCancel: return QStringLiteral("YesNoCancel");
    case MsgButtons::YesNo: return QStringLiteral("YesNo");
    }
    return {};
}

QString iconName(MsgIcon i)
{
    switch (i) {
    case MsgIcon::None: return QStringLiteral("NoIcon");
    case MsgIcon::Critical: return QStringLiteral("Critical");
    case MsgIcon::Question: return QStringLiteral("Question");
    case MsgIcon::Exclamation: return QStringLiteral("Exclamation");
    case MsgIcon::Information: return QStringLiteral("Information");
    }
    return {};
}

QString answerName(MsgAnswer a)
{
    switch (a) {
    case MsgAnswer::Ok: return QStringLiteral("Ok");
    case MsgAnswer::Cancel: return QStringLiteral("Cancel");
    case MsgAnswer::Yes: return QStringLiteral("Yes");
    case MsgAnswer::No: return QStringLiteral("No");
    }
    return {};
}

} // namespace

QString describeBox(const MessageRequest &r)
{
    QString text = r.text;
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return QStringLiteral("%1 | %2 | %3 | %4 | %5")
        .arg(r.title, buttonsName(r.buttons), iconName(r.icon), answerName(r.defaultAnswer), text);
}

QStringList describeBoxes(const QList<MessageRequest> &requests)
{
    QStringList out;
    for (const MessageRequest &r : requests)
        out << describeBox(r);
    return out;
}

QString plainBox(const QString &text)
{
    MessageRequest r;
    r.text = text;
    r.title = QStringLiteral("KORIM");
    return describeBox(r);
}

void typeKeys(QWidget *w, const QString &keys)
{
    for (QChar c : keys) {
        typeText(w, QString(c));
        QCoreApplication::processEvents();
    }
}

void typeRfc(QWidget *rfcField, const QString &keys)
{
    auto *field = static_cast<korim::questionnaire::MaskedEdit *>(rfcField);
    field->setMaskedText(QString());
    focusOn(field);
    field->setCursorPosition(0);
    typeKeys(field, keys);
}

} // namespace korim::test
