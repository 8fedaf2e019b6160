#include "report/frmdocument.h"

#include "data/datasource.h"
#include "data/dbf.h"
#include "platform/messages.h"
#include "report/printing.h"

#include <QAbstractPrintDialog>
#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>

#include <exception>

namespace korim::report {

namespace platform = korim::platform;
using korim::data::DataError;

namespace {

constexpr int kTwipsPerPixel = 15;

int px(int twips)
{
    return twips / kTwipsPerPixel;
}

bool runPrintDialog(QPrinter *printer, QWidget *parent)
{
    QPrintDialog dialog(printer, parent);
    // The page-range choice is hidden: the whole application is printed.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize
                      | QAbstractPrintDialog::PrintCollateCopies);
    return dialog.exec() == QDialog::Accepted;
}

frmDocument::PrinterChooser &chooser()
{
    static frmDocument::PrinterChooser current;
    return current;
}

void critical(QWidget *parent, const QString &text)
{
    platform::MessageRequest box;
    box.text = text;
    box.buttons = platform::MsgButtons::Ok;
    box.icon = platform::MsgIcon::Critical;
    platform::showMessage(parent, box);
}

QPointer<frmDocument> &openWindow()
{
    static QPointer<frmDocument> window;
    return window;
}

} // namespace

frmDocument::frmDocument(QObject *owner, SnapshotSource snapshot, QString dataFolder)
    : owner_(owner)
    , snapshot_(std::move(snapshot))
    , dataFolder_(std::move(dataFolder))
    , today_(QDate::currentDate())
    , locale_(QLocale::system())
{
    setObjectName(QStringLiteral("frmDocument"));
    setWindowTitle(QStringLiteral("Impresión de Solicitud"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the questionnaire ends the program even with this one open.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(px(7500), px(6060));

    RTUltima = new QTextEdit(this);
    RTUltima->setObjectName(QStringLiteral("RTUltima"));
    RTUltima->setReadOnly(true);
    RTUltima->setAcceptRichText(false);
    RTUltima->setFont(fixedPitchFont(8.25));
    RTUltima->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RTUltima->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RTUltima->setGeometry(px(360), px(120), px(7080), px(5715));

    Command1 = new QPushButton(QStringLiteral("&Imprimir"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(px(2760), px(5640), px(1215), px(375));
    Command2 = new QPushButton(QStringLiteral("&Cerrar"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(px(4080), px(5640), px(1215), px(375));
    setTabOrder(RTUltima, Command1);
    setTabOrder(Command1, Command2);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { delete this; });
}

frmDocument::~frmDocument() = default;

void frmDocument::setPrinterChooser(PrinterChooser c)
{
    chooser() = std::move(c);
}

QString frmDocument::considerationsPath() const
{
    return considerationsFile(dataFolder_);
}

void frmDocument::Form_Load()
{
    Form_Resize();
    VistaPrevia = 1;
    Command1_Click();
}

void frmDocument::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmDocument::Form_Resize()
{
    const int innerWidth = width() * kTwipsPerPixel;
    const int innerHeight = height() * kTwipsPerPixel;
    // A window smaller than the margins (minimized) gives an empty preview.
    const int previewWidth = qMax(0, innerWidth - 200);
    const int previewHeight = qMax(0, innerHeight - 1000);
    RTUltima->setGeometry(px(100), px(100), px(previewWidth), px(previewHeight));
    const int margin = previewWidth - 400;
    if (margin > 0) {
        RTUltima->setLineWrapMode(QTextEdit::FixedPixelWidth);
        RTUltima->setLineWrapColumnOrWidth(px(margin));
    } else {
        RTUltima->setLineWrapMode(QTextEdit::NoWrap);
    }
    // From the inner area's left edge: the window's place on the screen
    // would push them out of sight.
    Command1->move(px(4560), px(innerHeight - 700));
    Command2->move(px(5880), px(innerHeight - 700));
}

bool frmDocument::compose(ComposedApplication *out)
{
    if (!owner_ || !snapshot_)
        return false;
    QString failure;
    if (std::optional<ComposedApplication> composed = composeSnapshot(snapshot_, today_, locale_, &failure)) {
        *out = std::move(*composed);
        return true;
    }
    critical(this, QStringLiteral("No se pudo componer la solicitud para imprimirla.\r\r") + failure);
    return false;
}

void frmDocument::Command1_Click()
{
    ComposedApplication application;
    if (!compose(&application))
        return;
    rtfText = application;
    if (VistaPrevia == 1) {
        RTUltima->setPlainText(application.text);
        VistaPrevia = 0;
        return;
    }
    print(application);
}

void frmDocument::print(const ComposedApplication &application)
{
    // The considerations are read before anything is printed, so that a
    // missing file is said before the job rather than silently dropped.
    QTextDocument considerations;
    QString error;
    const bool withConsiderations = loadConsiderations(considerationsPath(), &considerations, &error);
    if (!withConsiderations && !confirmWithoutConsiderations(this, error))
        return;

    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        preparePrinter(*printer_);
    }
    // Named before the dialog: its print-to-file name comes from it.
    nameDocument(*printer_, application);
    const PrinterChooser &choose = chooser();
    const bool accepted = choose ? choose(printer_.get(), this) : runPrintDialog(printer_.get(), this);
    if (!accepted)
        return;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool printed = printApplication(*printer_, application, withConsiderations ? &considerations : nullptr,
                                          &error);
    QApplication::restoreOverrideCursor();
    if (!printed)
        critical(this, QStringLiteral("No se pudo imprimir la solicitud.\r\r") + error);
}

void frmDocument::Command2_Click()
{
    close();
}

frmDocument *showPrintWindow(QObject *owner, frmDocument::SnapshotSource snapshot, const QString &dataFolder)
{
    QPointer<frmDocument> &window = openWindow();
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
        return window;
    }
    window = new frmDocument(owner, std::move(snapshot), dataFolder);
    window->Form_Load();
    window->showMaximized();
    return window;
}

} // namespace korim::report
