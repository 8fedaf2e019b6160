#include "dialogs/frmabout.h"

#include "platform/twips.h"

#include <korim/version.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace korim::dialogs {

using platform::twipsRect;
using platform::twipsSize;

QString versionText()
{
    return QStringLiteral("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

namespace {

QLabel *addLabel(QWidget *parent, const char *name, const QRect &rect, const QString &text = {})
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

QFrame *addLine(QWidget *parent, const QRect &rect, const QColor &colour)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setGeometry(rect);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

} // namespace

frmAbout::frmAbout(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                         | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Acerca de"));
    setModal(true);
    setFixedSize(twipsSize(5865, 3630));

    lblTitle = addLabel(this, "lblTitle", twipsRect(1050, 225, 4095, 480));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = addLabel(this, "lblVersion", twipsRect(1050, 810, 4095, 225));
    lblDescription = addLabel(this, "lblDescription", twipsRect(1050, 1125, 4095, 990),
                              QStringLiteral("Secretaría de Zentoria\n"
                                             "Dirección de Promoción de Exportaciones\n"
                                             "Programa KORIM de fomento a la exportación"));
    // A grey line with a white one under it: the etched look of a separator.
    Line1[0] = addLine(this, QRect(twipsRect(270, 2250, 5430, 15).topLeft(), QSize(twipsRect(270, 2250, 5430, 15).width(), 1)),
                       QColor(0x80, 0x80, 0x80));
    Line1[1] = addLine(this, QRect(Line1[0]->geometry().bottomLeft() + QPoint(0, 1), QSize(Line1[0]->width(), 2)),
                       Qt::white);
    lblDisclaimer = addLabel(this, "lblDisclaimer", twipsRect(225, 2340, 3870, 1140),
                             QStringLiteral("Dudas y Comentarios\n"
                                            "Mesa de ayuda KORIM, Secretaría de Zentoria\n"
                                            "Correo: ayuda.korim@example.org\n"
                                            "Teléfono: 55 5010 0000, ext. 2040"));
    QFont small = lblDisclaimer->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    lblDisclaimer->setFont(small);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(4275, 2385, 1467, 345));
    // Default and cancel button: Enter presses it, and so does Esc (a
    // dialog's reject).
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Form_Load();
}

void frmAbout::Form_Load()
{
    lblVersion->setText(versionText());
    lblTitle->setText(QStringLiteral("Disco de Captura para solicitudes KORIM"));
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred on its owner.
    if (QWidget *owner = parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->window()->frameGeometry().center());
        move(frame.topLeft());
    }
}

void showAbout(QWidget *owner)
{
    // The toolbar's hourglass is for the command, not for the clerk reading
    // the box.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    frmAbout box(owner);
    box.exec();
}

} // namespace korim::dialogs
