// The help viewer and the About box, driven as the clerk would: the layout
// rule, the document and its failures, reopening, Enter and Esc, and the
// questionnaire's toolbar opening both (pictures to $KORIM_SCREENSHOT_DIR
// when it is set).

#include "support/testsupport.h"

#include "dialogs/frmabout.h"
#include "dialogs/frmayuda.h"
#include "platform/messages.h"
#include "questionnaire/form1.h"

#include <korim/version.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

using namespace korim;
using namespace korim::dialogs;
using platform::MessageRequest;

namespace {

// Twips to pixels as the windows place their controls.
int px(int twips)
{
    return (twips + 7) / 15;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void saveScreenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KORIM_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(QDir(dir).filePath(name)));
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString document_;
    QByteArray shipped_;
    QList<MessageRequest> boxes_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        qputenv("KORIM_DATA_DIR", dir_.path().toLocal8Bit());
        test::copyShippedData(dir_.path());
        document_ = frmayuda::documentPath();
        QCOMPARE(QFileInfo(document_).fileName(), QStringLiteral("considera.txt"));
        QFile file(document_);
        QVERIFY(file.open(QIODevice::ReadOnly));
        shipped_ = file.readAll();
        platform::setMessageAnswerer([this](const MessageRequest &r) {
            boxes_ << r;
            return platform::MsgAnswer::Ok;
        });
    }

    void init()
    {
        boxes_.clear();
        writeFile(document_, shipped_);
    }

    // The Resize rule in twips: 100 from the left and top, 100 short of the
    // right, 900 short of the bottom, the button 700 above the bottom;
    // nothing below zero when the window is too small or minimized.
    void layoutRule_data()
    {
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<QRect>("text");
        QTest::addColumn<int>("margin");
        QTest::addColumn<QPoint>("button");
        QTest::newRow("design") << QSize(7500, 6060) << QRect(100, 100, 7300, 5060) << 6900 << QPoint(5880, 5360);
        QTest::newRow("1024x768") << QSize(15360, 11520) << QRect(100, 100, 15160, 10520) << 14760 << QPoint(5880, 10820);
        QTest::newRow("narrow") << QSize(300, 1100) << QRect(100, 100, 100, 100) << 0 << QPoint(5880, 400);
        QTest::newRow("tiny") << QSize(150, 800) << QRect(100, 100, 0, 0) << 0 << QPoint(5880, 100);
        QTest::newRow("minimized") << QSize(0, 0) << QRect(100, 100, 0, 0) << 0 << QPoint(5880, -700);
    }
    void layoutRule()
    {
        QFETCH(QSize, inner);
        const AyudaLayout layout = ayudaLayout(inner.width(), inner.height());
        QTEST(layout.text, "text");
        QTEST(layout.rightMargin, "margin");
        QTEST(layout.button, "button");
    }

    void viewerShowsTheDocumentAndFollowsItsSize()
    {
        QWidget owner;
        QPointer<frmayuda> slot;
        frmayuda *viewer = showHelpViewer(slot, &owner);
        QVERIFY(viewer && slot == viewer);
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Consideraciones para el llenado de la Solicitud"));
        QVERIFY(viewer->windowState() & Qt::WindowMaximized);
        QVERIFY(viewer->isWindow() && !viewer->isModal());
        QVERIFY(viewer->RTUltima->isReadOnly());
        QCOMPARE(viewer->Command2->text(), QStringLiteral("&Cerrar"));
        QVERIFY(!viewer->rtfText->isVisible());
        // The shipped document with its formatting.
        const QTextBlock title = viewer->RTUltima->document()->begin();
        QVERIFY(title.text().startsWith(QStringLiteral("Consideraciones generales")));
        QCOMPARE(title.blockFormat().alignment(), Qt::AlignHCenter);
        QCOMPARE(title.begin().fragment().charFormat().fontWeight(), int(QFont::Bold));

        viewer->showNormal();
        for (const QSize size : {QSize(640, 480), QSize(1000, 700)}) {
            viewer->resize(size);
            settle();
            QCOMPARE(viewer->size(), size);
            QCOMPARE(viewer->RTUltima->geometry(),
                     QRect(px(100), px(100), px(size.width() * 15 - 200), px(size.height() * 15 - 1000)));
            QCOMPARE(viewer->RTUltima->lineWrapColumnOrWidth(), px(size.width() * 15 - 600));
            QCOMPARE(viewer->Command2->pos(), QPoint(px(5880), px(size.height() * 15 - 700)));
            saveScreenshot(viewer, QStringLiteral("help.png"));
        }
        // Minimized or shrunk below the controls: nothing negative, no failure.
        viewer->showMinimized();
        viewer->resize(10, 10);
        settle();
        QCOMPARE(viewer->RTUltima->size(), QSize(0, 0));
        QCOMPARE(viewer->RTUltima->lineWrapColumnOrWidth(), 0);
        QVERIFY(boxes_.isEmpty());
        viewer->close();
        settle();
        QVERIFY(!slot);
    }

    // Shown again while open it only comes to the front; closed and opened
    // again it reads the file again.
    void viewerReloadsOnlyWhenOpenedAgain()
    {
        QWidget owner;
        QPointer<frmayuda> slot;
        frmayuda *first = showHelpViewer(slot, &owner);
        writeFile(document_, "{\\rtf1\\ansi Nuevas consideraciones\\par}");
        first->showMinimized();
        QCOMPARE(showHelpViewer(slot, &owner), first);
        QVERIFY(!first->isMinimized());
        QVERIFY(first->RTUltima->toPlainText().startsWith(QStringLiteral("Consideraciones generales")));
        QTest::mouseClick(first->Command2, Qt::LeftButton);
        settle();
        QVERIFY(!slot);
        frmayuda *second = showHelpViewer(slot, &owner);
        QCOMPARE(second->RTUltima->toPlainText(), QStringLiteral("Nuevas consideraciones"));
        QVERIFY(boxes_.isEmpty());
        delete second;
    }

    // A picture of a word processor's document: lists, a table, colours.
    void screenshotOfAWordProcessorDocument()
    {
        const QString source = qEnvironmentVariable("KORIM_SOURCE_DIR");
        if (qEnvironmentVariable("KORIM_SCREENSHOT_DIR").isEmpty() || source.isEmpty())
            QSKIP("KORIM_SCREENSHOT_DIR or KORIM_SOURCE_DIR is not set");
        QFile word(source + QStringLiteral("/tests/platform/rtf/wordstyle.rtf"));
        QVERIFY(word.open(QIODevice::ReadOnly));
        writeFile(document_, word.readAll());
        QPointer<frmayuda> slot;
        frmayuda *viewer = showHelpViewer(slot, nullptr);
        viewer->showNormal();
        viewer->resize(760, 560);
        settle();
        saveScreenshot(viewer, QStringLiteral("help-word.png"));
        QVERIFY(boxes_.isEmpty());
        delete viewer;
    }

    // One box with the reader's own description, OK only, no icon, the
    // application's title; the viewer stays open and empty.
    void viewerReportsADocumentItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file
        QTest::addColumn<QString>("description");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("No se encuentra el archivo %1.");
        QTest::newRow("plain text") << QByteArray("Consideraciones generales\r\n")
                                    << QStringLiteral("El archivo %1 no es un documento de texto enriquecido válido.");
        QTest::newRow("damaged") << QByteArray("{\\rtf1 " + QByteArray(5000, '{'))
                                 << QStringLiteral("El archivo %1 no es un documento de texto enriquecido válido.");
    }
    void viewerReportsADocumentItCannotRead()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, description);
        if (content.isEmpty())
            QVERIFY(QFile::remove(document_));
        else
            writeFile(document_, content);
        QWidget owner;
        QPointer<frmayuda> slot;
        frmayuda *viewer = showHelpViewer(slot, &owner);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, description.arg(QDir::toNativeSeparators(document_)));
        QCOMPARE(boxes_[0].title, QStringLiteral("KORIM"));
        QCOMPARE(boxes_[0].buttons, platform::MsgButtons::Ok);
        QCOMPARE(boxes_[0].icon, platform::MsgIcon::None);
        QVERIFY(viewer->isVisible());
        QVERIFY(viewer->RTUltima->document()->isEmpty());
        delete viewer;
    }

    void aboutBoxClosesWithEnterAndEsc()
    {
        QWidget owner;
        owner.resize(800, 600);
        owner.show();
        for (const auto key : {Qt::Key_Return, Qt::Key_Escape}) {
            frmAbout box(&owner);
            QCOMPARE(box.windowTitle(), QStringLiteral("Acerca de"));
            QCOMPARE(box.lblTitle->text(), QStringLiteral("Disco de Captura para solicitudes KORIM"));
            QCOMPARE(box.lblVersion->text(), QStringLiteral("Version ") + QLatin1String(kVersion));
            QVERIFY(box.lblDisclaimer->text().startsWith(QStringLiteral("Dudas y Comentarios\n")));
            QVERIFY(box.lblDisclaimer->text().contains(QStringLiteral("@example.org")));
            QCOMPARE(box.size(), QSize(px(5865), px(3630)));
            QCOMPARE(box.minimumSize(), box.maximumSize());
            QVERIFY(!(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
            QVERIFY(box.isModal());
            QVERIFY(box.cmdOK->isDefault());
            // Nothing clipped: every label's text fits its box.
            for (QLabel *label : {box.lblTitle, box.lblVersion, box.lblDescription, box.lblDisclaimer})
                QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            QCOMPARE(box.frameGeometry().center(), owner.frameGeometry().center());
            saveScreenshot(&box, QStringLiteral("about.png"));
            QTest::keyClick(&box, key);
            QVERIFY(!box.isVisible());
        }
    }

    // The questionnaire's toolbar: index 4 the viewer, index 9 the About box,
    // which blocks the questionnaire until it closes.
    void toolbarOpensBothWindows()
    {
        QTemporaryDir formDir;
        test::copyShippedData(formDir.path());
        questionnaire::Form1 form(formDir.path());
        form.load();
        form.show();
        QPointer<frmayuda> viewer;
        connect(&form, &questionnaire::Form1::helpRequested, &form, [&] { showHelpViewer(viewer, &form); });
        connect(&form, &questionnaire::Form1::aboutRequested, &form, [&] { showAbout(&form); });

        form.Command1_Click(4);
        QVERIFY(viewer && viewer->isVisible());
        QVERIFY(viewer->RTUltima->toPlainText().contains(QStringLiteral("Secretaría de Zentoria")));
        form.Command1_Click(4);
        QCOMPARE(viewer->parentWidget(), &form);

        QString seen;
        bool blocked = false;
        bool arrow = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<frmAbout *>(modal)) {
                seen = box->lblVersion->text();
                blocked = box->parentWidget() == &form && box->isModal()
                          && QApplication::activeModalWidget() == box;
                arrow = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::ArrowCursor;
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        // Whatever happens, no box stays open.
        QTimer::singleShot(5000, this, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        form.Command1_Click(9);
        QCOMPARE(seen, versionText());
        QVERIFY(blocked);
        QVERIFY(arrow); // not the command's hourglass over the box
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(boxes_.isEmpty());
        delete viewer;
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
