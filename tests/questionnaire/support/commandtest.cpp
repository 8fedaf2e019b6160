#include "questionnaire/support/commandtest.h"

#include "questionnaire/maskededit.h"
#include "questionnaire/support/formtest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

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

bool chattr(const QString &flag, const QStringList &paths, QString *error)
{
    QProcess p;
    p.start(QStringLiteral("chattr"), QStringList{flag} + paths);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed() + p.errorString();
        return false;
    }
    return true;
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

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QMap<QString, QByteArray> folderBytes(const QString &folder)
{
    QMap<QString, QByteArray> out;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        out.insert(name, fileBytes(dir.filePath(name)));
    return out;
}

Unwritable::Unwritable(const QString &folder)
{
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files))
        paths_ << dir.filePath(name);
    paths_ << dir.absolutePath();
    active_ = chattr(QStringLiteral("+i"), paths_, &why_);
    if (!active_)
        chattr(QStringLiteral("-i"), paths_, nullptr);
}

Unwritable::~Unwritable()
{
    if (active_)
        chattr(QStringLiteral("-i"), paths_, nullptr);
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
