// The print window over the real questionnaire: preview, printing through a
// replaced printer dialog into PDF files, the considerations, the layout.

#include "questionnaire/support/formtest.h"
#include "report/support/pdftest.h"
#include "report/support/printwindow.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "platform/translations.h"
#include "questionnaire/form1.h"
#include "report/frmdocument.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using namespace korim::test;
using korim::platform::MsgAnswer;
using korim::platform::MsgButtons;
using korim::platform::MsgIcon;
using korim::questionnaire::Form1;
using korim::report::frmDocument;

class TestFrmDocument : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QStringList printed_; // PDF files the replaced dialog handed out
    QStringList namesAtDialog_; // the printer's document name as each dialog opened

    std::unique_ptr<Form1> form(const QString &name, bool withConsiderations = true)
    {
        FolderSpec spec;
        QVariantMap app = completeApplication();
        app.insert(QStringLiteral("DELMUN"), QStringLiteral("SAN MARCOS"));
        spec.application = app;
        spec.products = {QStringLiteral("MUEBLES DE PINO"), QStringLiteral("SILLAS TAPIZADAS")};
        const QString folder = makeDataFolder(dir_.filePath(name), spec);
        if (withConsiderations)
            QFile::copy(qEnvironmentVariable("KORIM_SOURCE_DIR") + QStringLiteral("/resources/considera.txt"),
                        folder + QStringLiteral("/considera.txt"));
        return openForm(folder, QDate(2005, 6, 15));
    }

    static frmDocument *open(Form1 *f) { return openPrintWindow(f); }

private slots:
    void init()
    {
        printed_.clear();
        namesAtDialog_.clear();
        frmDocument::setPrinterChooser([this](QPrinter *printer, QWidget *) {
            namesAtDialog_.append(printer->docName());
            const QString file = dir_.filePath(QStringLiteral("out%1.pdf").arg(printed_.size()));
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(file);
            printed_.append(file);
            return true;
        });
    }
    void cleanup() { frmDocument::setPrinterChooser({}); }

    void toolbarOpensItWhenNothingIsMissing();
    void previewAtOpenPrintsEditsLater();
    void considerationsAndCancel();
    void compositionFailureIsSaid();
    void layout();
};

static frmDocument *shownPrintWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *doc = qobject_cast<frmDocument *>(w); doc && doc->isVisible())
            return doc;
    }
    return nullptr;
}

void TestFrmDocument::toolbarOpensItWhenNothingIsMissing()
{
    MessageRecorder messages;
    auto f = form(QStringLiteral("toolbar"));
    Form1 *questionnaire = f.get();
    connect(questionnaire, &Form1::printWindowRequested, questionnaire,
            [questionnaire] { open(questionnaire); });
    // Something missing: the check speaks, no window.
    f->control<QLineEdit>(u"txtTelefono")->clear();
    f->Command1_Click(7);
    QCOMPARE(messages.requests().size(), 1);
    QVERIFY(!shownPrintWindow());
    f->control<QLineEdit>(u"txtTelefono")->setText(QStringLiteral("5551234"));
    messages.clear();
    f->Command1_Click(7);
    QVERIFY(messages.requests().isEmpty());
    frmDocument *w = shownPrintWindow();
    QVERIFY(w);
    QVERIFY(w->RTUltima->toPlainText().startsWith(QStringLiteral("SECRETARIA DE ZENTORIA\n")));
    // The window goes with the questionnaire.
    QPointer<frmDocument> gone(w);
    f.reset();
    QVERIFY(!gone);
}

void TestFrmDocument::previewAtOpenPrintsEditsLater()
{
    MessageRecorder messages;
    auto f = form(QStringLiteral("edits"));
    frmDocument *w = open(f.get());
    QCOMPARE(w->windowTitle(), QStringLiteral("Impresión de Solicitud"));
    QVERIFY(w->isMaximized());
    QCOMPARE(w->VistaPrevia, short(0));
    const QString preview = w->RTUltima->toPlainText();
    QVERIFY(preview.contains(QStringLiteral("CALLE    :AV. CENTRAL 100    COLONIA  :CENTRO")));
    QVERIFY(preview.contains(QStringLiteral("ENTIDAD FEDERATIVA   :NORTE ")));
    QVERIFY(preview.contains(QStringLiteral("       SILLAS TAPIZADAS\n")));
    QVERIFY(w->RTUltima->isReadOnly());
    QVERIFY(QFontInfo(w->RTUltima->font()).fixedPitch());
    QCOMPARE(w->RTUltima->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(w->Command1->text(), QStringLiteral("&Imprimir"));
    QCOMPARE(w->Command2->text(), QStringLiteral("&Cerrar"));
    // Tab order: preview, "&Imprimir", "&Cerrar".
    auto nextTab = [](QWidget *from) {
        QWidget *n = from->nextInFocusChain();
        while (n != from && (!(n->focusPolicy() & Qt::TabFocus) || from->isAncestorOf(n)))
            n = n->nextInFocusChain();
        return n;
    };
    QCOMPARE(nextTab(w->RTUltima), static_cast<QWidget *>(w->Command1));
    QCOMPARE(nextTab(w->Command1), static_cast<QWidget *>(w->Command2));
    // The walks leave the sources at their end with the query texts set.
    QVERIFY(f->application().dtsProductos()->eof());
    QVERIFY(f->application().dtsVTotales()->eof());
    QCOMPARE(f->application().dtsVTotales()->recordSource(), QStringLiteral("select * from ventas where tipo = 1"));
    QCOMPARE(f->application().dtsVentasExp()->recordSource(), QStringLiteral("select * from ventas where tipo = 2"));

    // Opening again only brings it to the front.
    f->control<QLineEdit>(u"txtCalle")->setText(QStringLiteral("CALLE NUEVA 7"));
    QCOMPARE(open(f.get()), w);
    QCOMPARE(w->RTUltima->toPlainText(), preview);

    // Each click prints what the questionnaire shows now; the preview stays.
    w->Command1->click();
    w->Command1->click();
    QCOMPARE(printed_.size(), 2);
    // The dialog already sees the document's name.
    QCOMPARE(namesAtDialog_, QStringList(2, QStringLiteral("Solicitud KORIM ABC800101AB1")));
    for (const QString &file : printed_) {
        QCOMPARE(pdfInfo(file, QStringLiteral("Title")), QStringLiteral("Solicitud KORIM ABC800101AB1"));
        QCOMPARE(pdfInfo(file, QStringLiteral("Creator")), QStringLiteral("KORIM"));
        const QString text = pdfText(file);
        QVERIFY(text.contains(QStringLiteral("CALLE    :CALLE NUEVA 7")));
        // The considerations follow from a new page, after the signature.
        const QStringList pages = pdfPages(file);
        const int firma = firstPageWith(pages, QStringLiteral("FIRMA"));
        const int considera = firstPageWith(pages, QStringLiteral("Consideraciones generales para el llenado"));
        QVERIFY(firma >= 0);
        QCOMPARE(considera, firma + 1);
    }
    QCOMPARE(w->RTUltima->toPlainText(), preview);
    QVERIFY(messages.requests().isEmpty());

    // "&Cerrar" unloads it; a new open recomposes.
    QPointer<frmDocument> closed(w);
    w->Command2->click();
    QTRY_VERIFY(!closed);
    frmDocument *again = open(f.get());
    QVERIFY(again->RTUltima->toPlainText().contains(QStringLiteral("CALLE    :CALLE NUEVA 7")));
    again->close();
}

void TestFrmDocument::considerationsAndCancel()
{
    MessageRecorder messages;
    auto f = form(QStringLiteral("cancel"), false);
    frmDocument *w = open(f.get());

    // No considerations: said before the job, naming the file; No prints nothing.
    messages.answer(MsgAnswer::No);
    w->Command1->click();
    QCOMPARE(messages.requests().size(), 1);
    const auto asked = messages.requests().first();
    QVERIFY(asked.text.contains(QStringLiteral("considera.txt")));
    QVERIFY(asked.text.contains(QStringLiteral("¿Desea imprimir la solicitud sin ellas?")));
    QCOMPARE(asked.buttons, MsgButtons::YesNo);
    QVERIFY(printed_.isEmpty());

    // Yes prints the application alone.
    messages.answer(MsgAnswer::Yes);
    w->Command1->click();
    QCOMPARE(printed_.size(), 1);
    const QString text = pdfText(printed_.first());
    QVERIFY(text.contains(QStringLiteral("FIRMA")));
    QVERIFY(!text.contains(QStringLiteral("Consideraciones")));

    // The real dialog, in Spanish without the page range; cancelling it
    // prints nothing and keeps the window.
    korim::platform::installSpanishTranslations(*qApp);
    frmDocument::setPrinterChooser({});
    QString title;
    bool pageRange = true;
    QTimer::singleShot(0, this, [&] {
        if (auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            pageRange = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
            dialog->reject();
        }
    });
    messages.answer(MsgAnswer::Yes);
    w->Command1->click();
    QCOMPARE(title, QStringLiteral("Imprimir"));
    QVERIFY(!pageRange);
    QCOMPARE(printed_.size(), 1);
    QVERIFY(w->isVisible());
    w->close();
}

void TestFrmDocument::compositionFailureIsSaid()
{
    MessageRecorder messages;
    auto f = form(QStringLiteral("failure"));
    // A pending sales edit the table cannot take fails the walk's first move.
    f->application().dtsVTotales()->moveFirst();
    f->application().dtsVTotales()->edit();
    f->application().dtsVTotales()->setValue(1, 1e30);
    frmDocument *w = open(f.get());
    QCOMPARE(messages.requests().size(), 1);
    const auto said = messages.requests().first();
    QVERIFY(said.text.startsWith(QStringLiteral("No se pudo componer la solicitud para imprimirla.")));
    QCOMPARE(said.icon, MsgIcon::Critical);
    QCOMPARE(said.buttons, MsgButtons::Ok);
    // Nothing composed: the preview is empty and the next click only previews.
    QVERIFY(w->RTUltima->toPlainText().isEmpty());
    QCOMPARE(w->VistaPrevia, short(1));
    w->close();
}

void TestFrmDocument::layout()
{
    MessageRecorder messages;
    auto f = form(QStringLiteral("layout"));
    frmDocument *w = open(f.get());
    w->showNormal();
    w->resize(600, 400);
    w->move(300, 200);
    w->Form_Resize();
    // 15 twips a pixel: preview 100 twips in, buttons from the inner area.
    QCOMPARE(w->RTUltima->geometry(), QRect(6, 6, (600 * 15 - 200) / 15, (400 * 15 - 1000) / 15));
    QCOMPARE(w->Command1->pos(), QPoint(4560 / 15, (400 * 15 - 700) / 15));
    QCOMPARE(w->Command2->pos(), QPoint(5880 / 15, (400 * 15 - 700) / 15));
    // Smaller than the margins: empty, never a failure.
    w->resize(5, 5);
    w->Form_Resize();
    QCOMPARE(w->RTUltima->size(), QSize(0, 0));

    if (qEnvironmentVariableIsSet("KORIM_SCREENSHOT_DIR")) {
        w->showNormal();
        w->resize(1100, 620);
        w->Form_Resize();
        w->RTUltima->verticalScrollBar()->setValue(0);
        QTest::qWait(50);
        w->grab().save(QDir(qEnvironmentVariable("KORIM_SCREENSHOT_DIR")).filePath(QStringLiteral("print_window.png")));
    }
    w->close();
}

QTEST_MAIN(TestFrmDocument)
#include "tst_frmdocument.moc"
