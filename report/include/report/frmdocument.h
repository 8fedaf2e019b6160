#pragma once
// frmDocument, "Impresión de Solicitud": the preview of the composed
// application and its printing, followed by the general considerations.

#include "report/composition.h"

#include <QDate>
#include <QLocale>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QPrinter;
class QPushButton;
class QTextEdit;


namespace korim::report {

class frmDocument : public QWidget {
    Q_OBJECT
public:
    // What the questionnaire shows at this moment, typed and not yet saved
    // included; it may throw korim::data::DataError.
    using SnapshotSource = std::function<application::Snapshot()>;
    // Composes from snapshot at each "&Imprimir" and reads the considerations
    // from dataFolder; closes with owner.
    frmDocument(QObject *owner, SnapshotSource snapshot, QString dataFolder);
    ~frmDocument() override;

    // Lays out, then fills the preview with the composition of this moment.
    void Form_Load();
    // "&Imprimir": composes afresh; fills the preview while VistaPrevia is 1,
    // otherwise asks for a printer and prints.
    void Command1_Click();
    // "&Cerrar".
    void Command2_Click();
    // The layout of the old window, in twips from the inner area.
    void Form_Resize();

    // The date and regional settings of the printout (the system's unless
    // a test sets them).
    void setToday(const QDate &date) { today_ = date; }
    void setLocale(const QLocale &locale) { locale_ = locale; }

    QTextEdit *RTUltima = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    short VistaPrevia = 0;
    // What "&Imprimir" composed last (the hidden print control's text).
    ComposedApplication rtfText;

    // The printer dialog; tests replace it. Returns false when cancelled.
    using PrinterChooser = std::function<bool(QPrinter *printer, QWidget *parent)>;
    static void setPrinterChooser(PrinterChooser chooser);

    // Where the considerations are read from.
    QString considerationsPath() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool compose(ComposedApplication *out);
    void print(const ComposedApplication &application);

    QPointer<QObject> owner_;
    SnapshotSource snapshot_;
    QString dataFolder_;
    std::unique_ptr<QPrinter> printer_;
    QDate today_;
    QLocale locale_;
};

// Opens the print window beside owner, or brings the open one to the front
// (its Load does not run again).
frmDocument *showPrintWindow(QObject *owner, frmDocument::SnapshotSource snapshot, const QString &dataFolder);

} // namespace korim::report
