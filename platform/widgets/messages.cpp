#include "platform/messages.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include <cstdio>

namespace korim::platform {

namespace {

MessageAnswerer &currentAnswerer()
{
    static MessageAnswerer answerer;
    return answerer;
}

bool &commandLine()
{
    static bool on = false;
    return on;
}

QString answerText(MsgAnswer answer)
{
    switch (answer) {
    case MsgAnswer::Ok: return QStringLiteral("Aceptar");
    case MsgAnswer::Cancel: return QStringLiteral("Cancelar");
    case MsgAnswer::Yes: return QStringLiteral("Sí");
    case MsgAnswer::No: return QStringLiteral("No");
    }
    return {};
}

ChoiceAnswerer &currentChooser()
{
    static ChoiceAnswerer answerer;
    return answerer;
}

QMessageBox::StandardButton standardButton(MsgAnswer answer)
{
    switch (answer) {
    case MsgAnswer::Ok: return QMessageBox::Ok;
    case MsgAnswer::Cancel: return QMessageBox::Cancel;
    case MsgAnswer::Yes: return QMessageBox::Yes;
    case MsgAnswer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QList<MsgAnswer> answersOf(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return {MsgAnswer::Ok};
    case MsgButtons::OkCancel: return {MsgAnswer::Ok, MsgAnswer::Cancel};
    case MsgButtons::YesNoCancel: return {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel};
    case MsgButtons::YesNo: return {MsgAnswer::Yes, MsgAnswer::No};
    }
    return {MsgAnswer::Ok};
}

// Esc and the close button: Cancel where there is one, else No, else Ok.
MsgAnswer escapeAnswer(const QList<MsgAnswer> &answers)
{
    if (answers.contains(MsgAnswer::Cancel))
        return MsgAnswer::Cancel;
    if (answers.contains(MsgAnswer::No))
        return MsgAnswer::No;
    return MsgAnswer::Ok;
}

// A default the box does not have falls back to its first button (Ok and Yes
// stand for each other, the way the default of a request is written).
MsgAnswer effectiveDefault(const QList<MsgAnswer> &answers, MsgAnswer wanted)
{
    if (answers.contains(wanted))
        return wanted;
    if (wanted == MsgAnswer::Ok && answers.contains(MsgAnswer::Yes))
        return MsgAnswer::Yes;
    if (wanted == MsgAnswer::Yes && answers.contains(MsgAnswer::Ok))
        return MsgAnswer::Ok;
    return answers.first();
}

QMessageBox::Icon boxIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None: return QMessageBox::NoIcon;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString applicationTitle()
{
    return QStringLiteral("KORIM");
}

MsgAnswer showMessage(QWidget *parent, const MessageRequest &request)
{
    MessageRequest resolved = request;
    if (resolved.title.isEmpty())
        resolved.title = applicationTitle();
    if (const MessageAnswerer &answerer = currentAnswerer())
        return answerer(resolved);

    // Texts carry carriage returns as line breaks; a lone CR would show as
    // nothing in a plain-text label.
    QString text = resolved.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    const QList<MsgAnswer> answers = answersOf(resolved.buttons);
    if (commandLine()) {
        const MsgAnswer answer = escapeAnswer(answers);
        QString line = resolved.title + QStringLiteral(": ") + text;
        if (!resolved.detail.isEmpty())
            line += QLatin1Char('\n') + resolved.detail;
        if (answers.size() > 1)
            line += QStringLiteral("\n(Sin nadie que conteste: se toma «%1».)").arg(answerText(answer));
        std::fputs(line.toUtf8().append('\n').constData(), stderr);
        std::fflush(stderr);
        return answer;
    }

    QMessageBox box(parent);
    box.setWindowTitle(resolved.title);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(boxIcon(resolved.icon));
    if (!resolved.detail.isEmpty()) {
        box.setInformativeText(resolved.detail);
        if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"))) {
            label->setTextFormat(Qt::PlainText);
            QFont smaller = label->font();
            smaller.setPointSizeF(smaller.pointSizeF() * 0.85);
            label->setFont(smaller);
        }
    }
    box.setWindowModality(Qt::ApplicationModal);

    for (MsgAnswer answer : answers)
        box.addButton(standardButton(answer));
    box.setDefaultButton(standardButton(effectiveDefault(answers, resolved.defaultAnswer)));
    const MsgAnswer onEscape = escapeAnswer(answers);
    box.setEscapeButton(box.button(standardButton(onEscape)));

    box.exec();

    QAbstractButton *clicked = box.clickedButton();
    if (!clicked)
        return onEscape;
    for (MsgAnswer answer : answers) {
        if (box.button(standardButton(answer)) == clicked)
            return answer;
    }
    return onEscape;
}

void showInfo(QWidget *parent, const QString &text, const QString &title)
{
    MessageRequest request;
    request.text = text;
    request.title = title;
    showMessage(parent, request);
}

void setCommandLineMode(bool on)
{
    commandLine() = on;
}

bool commandLineMode()
{
    return commandLine();
}

int chooseFromList(QWidget *parent, const ChoiceRequest &request)
{
    ChoiceRequest resolved = request;
    if (resolved.title.isEmpty())
        resolved.title = applicationTitle();
    if (resolved.items.isEmpty())
        return -1;
    if (const ChoiceAnswerer &answerer = currentChooser())
        return answerer(resolved);

    QInputDialog dialog(parent);
    dialog.setWindowTitle(resolved.title);
    dialog.setLabelText(resolved.text);
    dialog.setComboBoxItems(resolved.items);
    dialog.setComboBoxEditable(false);
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    dialog.setTextValue(resolved.items.first());
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return int(resolved.items.indexOf(dialog.textValue()));
}

void setChoiceAnswerer(ChoiceAnswerer answerer)
{
    currentChooser() = std::move(answerer);
}

void setMessageAnswerer(MessageAnswerer answerer)
{
    currentAnswerer() = std::move(answerer);
}

} // namespace korim::platform
