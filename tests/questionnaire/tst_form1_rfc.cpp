// The RFC field in the window: typed key by key through its mask, checked
// when it is left, with the check's boxes, the focus put back, the window
// unlocked or locked; and the guard on the programme number.

#include "questionnaire/support/commandtest.h"
#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "questionnaire/form1.h"
#include "questionnaire/keypipeline.h"
#include "questionnaire/maskededit.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace korim::test;
using korim::questionnaire::Form1;
using korim::questionnaire::KeyMode;
using korim::questionnaire::KeyPipeline;
using korim::questionnaire::MaskedEdit;

namespace {

const QString tooShort = QStringLiteral("El RFC no puede ser menor de 13");
const QString firstBlank = QStringLiteral("El primer digito del RFC debe ser un espacio ");
const QString month = QStringLiteral("El valor del mes del RFC es incorrecto");
const QString day = QStringLiteral("El valor del dia del RFC es incorrecto");
const QString last = QStringLiteral("El ultimo digito del RFC debe ser A ó del 0 al 9");

QString letter(int p)
{
    return QStringLiteral("El  %1 digito del RFC debe ser letra ").arg(p);
}

QStringList boxesOf(const QStringList &texts)
{
    QStringList out;
    for (const QString &t : texts)
        out << plainBox(t);
    return out;
}

} // namespace

class RfcTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Form1> form_;

    void leaveRfc() { QTest::keyClick(form_->control<MaskedEdit>(u"MaskEdBox1"), Qt::Key_Tab); }

private slots:
    void initTestCase()
    {
        form_ = openForm(makeDataFolder(dir_.path()));
    }

    void init()
    {
        // Tests that open a window of their own leave this one inactive.
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    void cleanupTestCase()
    {
        MessageRecorder boxes;
        form_->close();
        form_.reset();
    }

    void leavingChecks_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("unlockedBefore");
        QTest::addColumn<bool>("unlockedAfter");

        const QString enye = QStringLiteral("goñj800101ab1");
        QTest::newRow("company, typed with its blank") << " abc800101ab1" << " ABC800101AB1" << QStringList{} << false << true;
        QTest::newRow("individual") << "gomj800101ab1" << "GOMJ800101AB1" << QStringList{} << false << true;
        QTest::newRow("& in the letter block") << "g&mj800101ab1" << "G&MJ800101AB1" << QStringList{} << false << true;
        QTest::newRow("& in a company's letter block") << " &bc800101ab1" << " &BC800101AB1" << QStringList{} << false << true;
        QTest::newRow("Ñ in the letter block") << enye << "GOÑJ800101AB1" << QStringList{letter(3)} << true << false;
        QTest::newRow("company without its blank")
            << "abcd800101ab" << "ABCD800101AB " << QStringList{firstBlank, last} << true << false;
        QTest::newRow("month 00, day 00") << "gomj800000ab1" << "GOMJ800000AB1" << QStringList{} << false << true;
        QTest::newRow("month 12, day 31") << "gomj801231ab1" << "GOMJ801231AB1" << QStringList{} << false << true;
        QTest::newRow("month 13") << "gomj801301ab1" << "GOMJ801301AB1" << QStringList{month} << true << false;
        QTest::newRow("day 32") << "gomj800132ab1" << "GOMJ800132AB1" << QStringList{day} << true << false;
        // Typed keys are capitals by the time the mask sees them.
        QTest::newRow("lower-case check character typed") << "gomj800101aba" << "GOMJ800101ABA" << QStringList{}
                                                           << false << true;
        QTest::newRow("check character B") << "gomj800101abb" << "GOMJ800101ABB" << QStringList{last} << true << false;
        QTest::newRow("four messages") << "1omj801332abb" << "1OMJ801332ABB"
                                       << QStringList{letter(1), month, day, last} << true << false;
        QTest::newRow("company layout, four messages")
            << "abcd801332ab" << "ABCD801332AB " << QStringList{firstBlank, month, day, last} << true << false;
        // A key its place refuses is dropped, not moved on to a later place
        // that takes it: the places after it stay in order.
        QTest::newRow("letter O typed for a zero") << "gomj8o0101ab1" << "GOMJ801011   " << QStringList{tooShort}
                                                   << true << true;
        QTest::newRow("letter where the date starts") << "gomja" << "GOMJ         " << QStringList{tooShort}
                                                      << true << true;
        // Too short: the window keeps whatever state it had.
        QTest::newRow("too short, unlocked") << "abc" << "ABC          " << QStringList{tooShort} << true << true;
        QTest::newRow("empty, locked") << "" << QString(13, QLatin1Char(' ')) << QStringList{tooShort} << false << false;
    }

    void leavingChecks()
    {
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(QStringList, messages);
        QFETCH(bool, unlockedBefore);
        QFETCH(bool, unlockedAfter);

        form_->Habilita(unlockedBefore);
        form_->application().RFCValido = !messages.isEmpty();
        typeRfc(form_->control<MaskedEdit>(u"MaskEdBox1"), keys);
        QCOMPARE(form_->control<MaskedEdit>(u"MaskEdBox1")->maskedText(), shown);

        MessageRecorder boxes;
        leaveRfc();
        QCOMPARE(describeBoxes(boxes.requests()), boxesOf(messages));
        QCOMPARE(form_->application().RFCValido, messages.isEmpty());
        // After a message the clerk is back in the field; else on the next one.
        QCOMPARE(QApplication::focusWidget(),
                 messages.isEmpty() ? static_cast<QWidget *>(form_->control<QLineEdit>(u"txtApePat1"))
                                    : form_->control<MaskedEdit>(u"MaskEdBox1"));
        QCOMPARE(form_->control<QLineEdit>(u"txtCalle")->isEnabled(), unlockedAfter);
        QCOMPARE(form_->control<QToolButton>(u"Command1_1")->isEnabled(), unlockedAfter);
        QVERIFY(form_->control<QToolButton>(u"Command1_9")->isEnabled());
    }

    void eachLeaveChecksOnceWithRealBoxes()
    {
        // Real boxes take the keyboard away from the field and the check puts
        // it back: neither may count as leaving the field again.
        typeRfc(form_->control<MaskedEdit>(u"MaskEdBox1"), QStringLiteral("1omj801332abb"));
        QStringList seen;
        QTimer answerer;
        answerer.setInterval(5);
        connect(&answerer, &QTimer::timeout, this, [&seen] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answerer.start();
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [&seen] {
            seen << QStringLiteral("(watchdog)");
            while (QWidget *w = QApplication::activeModalWidget())
                w->close();
        });
        watchdog.start(10000);

        leaveRfc();
        QCoreApplication::processEvents();
        const QStringList four{letter(1), month, day, last};
        QCOMPARE(seen, four);
        // Without a window manager nothing activates the window again when
        // the last box closes; a desktop does.
        auto reactivate = [this] {
            form_->activateWindow();
            return QTest::qWaitForWindowActive(form_.get());
        };
        QVERIFY(reactivate());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form_->control<MaskedEdit>(u"MaskEdBox1")));
        // The next attempt to leave checks again, once.
        seen.clear();
        leaveRfc();
        QCoreApplication::processEvents();
        QCOMPARE(seen, four);
        answerer.stop();
        watchdog.stop();
        QVERIFY(reactivate());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form_->control<MaskedEdit>(u"MaskEdBox1")));
    }

    void typedBlankTakesOnePlace()
    {
        QTemporaryDir dir;
        const QString folder = makeDataFolder(dir.path());
        auto form = openForm(folder);
        auto *rfc = form->control<MaskedEdit>(u"MaskEdBox1");
        // An empty field takes the focus with its first place selected.
        QVERIFY(focusOn(form->control<QLineEdit>(u"txtApePat1")));
        QVERIFY(focusOn(rfc));
        QCOMPARE(rfc->selectionStart(), 0);
        QCOMPARE(rfc->selectedText().size(), 1);
        // One blank at the caret, the caret one place further: no place skipped.
        typeKeys(rfc, QStringLiteral(" "));
        QCOMPARE(rfc->cursorPosition(), 1);
        typeKeys(rfc, QStringLiteral("abc"));
        QCOMPARE(rfc->cursorPosition(), 4);
        typeKeys(rfc, QStringLiteral("800101ab1"));
        QCOMPARE(rfc->maskedText(), QStringLiteral(" ABC800101AB1"));

        // Leaving unlocks the window; the save stores the blank and the field keeps it.
        MessageRecorder boxes;
        QTest::keyClick(rfc, Qt::Key_Tab);
        QVERIFY(form->control<QToolButton>(u"Command1_1")->isEnabled());
        form->control<QComboBox>(u"Combo5")->setCurrentIndex(0);
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QCOMPARE(rfc->maskedText(), QStringLiteral(" ABC800101AB1"));
        const QJsonArray rows = readWithDbfread(tablePath(folder, QStringLiteral("datoprov.dbf")));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).toArray().at(0).toString(), QStringLiteral(" ABC800101AB1"));

        // A blank typed inside an individual RFC also moves one place only.
        typeRfc(rfc, QStringLiteral("gomj"));
        typeKeys(rfc, QStringLiteral(" "));
        QCOMPARE(rfc->cursorPosition(), 5);
        QCOMPARE(rfc->maskedText(), QStringLiteral("GOMJ         "));
    }

    void refusedKeysAndPaste()
    {
        auto *rfc = form_->control<MaskedEdit>(u"MaskEdBox1");
        MessageRecorder boxes;
        // A refused key changes nothing and the caret stays on its place.
        typeRfc(rfc, QStringLiteral("gomj"));
        typeKeys(rfc, QStringLiteral("a-"));
        QCOMPARE(rfc->maskedText(), QStringLiteral("GOMJ         "));
        QCOMPARE(rfc->cursorPosition(), 4);
        typeKeys(rfc, QStringLiteral("8"));
        QCOMPARE(rfc->cursorPosition(), 5);

        // A paste fills the places from the caret in order and stops at the
        // first character its place refuses; typing goes on from there.
        struct {
            const char *clip;
            int from;
            const char *shown;
            int caret;
        } const pastes[] = {
            {"gomj8o0101ab1", 0, "GOMJ8        ", 5},
            {" abc800101ab1", 0, " ABC800101AB1", 13},
            {"800101ab1x", 4, "GOMJ800101AB1", 13},
            {"a", 4, "GOMJ         ", 4},
            {"gomj800101ab1 and more", 0, "GOMJ800101AB1", 13},
        };
        for (const auto &p : pastes) {
            typeRfc(rfc, p.from ? QStringLiteral("gomj") : QString());
            QCOMPARE(rfc->cursorPosition(), p.from);
            QApplication::clipboard()->setText(QString::fromLatin1(p.clip));
            QTest::keyClick(rfc, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(rfc->maskedText(), QString::fromLatin1(p.shown));
            QCOMPARE(rfc->cursorPosition(), p.caret);
        }
        // Over a selection the same: here the whole field.
        rfc->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("rora9"));
        QTest::keyClick(rfc, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(rfc->maskedText(), QStringLiteral("RORA9        "));
        QCOMPARE(rfc->cursorPosition(), 5);
        // The context menu's paste is the same paste.
        typeRfc(rfc, QStringLiteral("gomj"));
        QApplication::clipboard()->setText(QStringLiteral("8o0101"));
        QContextMenuEvent menuAsked(QContextMenuEvent::Mouse, rfc->rect().center(),
                                    rfc->mapToGlobal(rfc->rect().center()));
        QCoreApplication::sendEvent(rfc, &menuAsked);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *paste = nullptr;
        for (QAction *a : menu->actions()) {
            const QString text = a->text().remove(QLatin1Char('&'));
            if (text.startsWith(QStringLiteral("Paste")) || text.startsWith(QStringLiteral("Pegar")))
                paste = a;
        }
        QVERIFY(paste);
        paste->trigger();
        menu->close();
        QCOMPARE(rfc->maskedText(), QStringLiteral("GOMJ8        "));
        QCOMPARE(rfc->cursorPosition(), 5);
        QVERIFY(boxes.requests().isEmpty());
        rfc->setMaskedText(QStringLiteral("GOMJ800101AB1"));
    }

    void focusAndTextHandlers()
    {
        auto *rfc = form_->control<MaskedEdit>(u"MaskEdBox1");
        // A filled field keeps the caret where the platform puts it.
        rfc->setMaskedText(QStringLiteral(" ABC800101AB1"));
        MessageRecorder boxes;
        QVERIFY(focusOn(form_->control<QLineEdit>(u"txtApePat1")));
        QVERIFY(focusOn(rfc));
        QVERIFY(!rfc->hasSelectedText());
        // Typing into it enables the two name fields.
        form_->control<QLineEdit>(u"txtnombre1")->setEnabled(false);
        form_->control<QLineEdit>(u"txtApemat1")->setEnabled(false);
        typeRfc(rfc, QStringLiteral("g"));
        QVERIFY(form_->control<QLineEdit>(u"txtnombre1")->isEnabled());
        QVERIFY(form_->control<QLineEdit>(u"txtApemat1")->isEnabled());
        rfc->setMaskedText(QStringLiteral("GOMJ800101AB1"));
    }

    void programmeNumberNeverNegative()
    {
        QLineEdit *number = form_->control<QLineEdit>(u"txtProg2");
        // Hidden in the window; shown here so it can hold the focus.
        number->show();
        number->setEnabled(true);
        MessageRecorder boxes;
        number->clear();
        QVERIFY(focusOn(number));
        typeText(number, QStringLiteral("-7a.1"));
        QCOMPARE(number->text(), QStringLiteral("7.1"));
        QVERIFY(focusOn(form_->control<QLineEdit>(u"txtApePat1")));
        QCOMPARE(number->text(), QStringLiteral("7.1"));

        // The digit filter keeps a minus out even of text set by code; the
        // guard on leaving is the second line, so the filter steps aside here.
        KeyPipeline::setMode(number, KeyMode::Untouched);
        number->setText(QStringLiteral("-5"));
        KeyPipeline::setMode(number, KeyMode::Digits);
        QCOMPARE(number->text(), QStringLiteral("-5"));
        QVERIFY(focusOn(number));
        focusOn(form_->control<QLineEdit>(u"txtApePat1"));
        QCOMPARE(number->text(), QStringLiteral("0"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(number));
        QVERIFY(boxes.requests().isEmpty());
        number->hide();
    }

    void checkDigitNote()
    {
        // The stored application's RFC ends in 1 where its places call for 3.
        QTemporaryDir dir;
        FolderSpec spec;
        spec.application = sampleApplication();
        const QString folder = makeDataFolder(dir.path(), spec);
        auto form = openForm(folder);
        auto *rfc = form->control<MaskedEdit>(u"MaskEdBox1");
        auto *note = form->control<QLabel>(u"lblAvisoRFC");
        QVERIFY(note);
        QCOMPARE(rfc->maskedText(), QStringLiteral(" ABC800101AB1"));
        const QString says = QStringLiteral("Revise el RFC: el dígito verificador no corresponde (debería ser «3»).");

        // Opened: the note shows on the field's row, to its right, whole.
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), says);
        QCOMPARE(note->y(), rfc->y());
        QVERIFY(note->x() > rfc->geometry().right());
        QVERIFY(form->rect().contains(note->geometry()));
        QVERIFY(note->width() >= note->sizeHint().width());
        // An alert to a screen reader, one it cannot move the focus to.
        QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(note);
        QVERIFY(spoken);
        QCOMPARE(spoken->role(), QAccessible::AlertMessage);
        QCOMPARE(spoken->text(QAccessible::Name), says);
        QVERIFY(!spoken->state().focusable);
        QCOMPARE(note->focusPolicy(), Qt::NoFocus);

        // Any change to the field hides it at once.
        MessageRecorder boxes;
        typeRfc(rfc, QStringLiteral(" abc800101ab"));
        QVERIFY(!note->isVisible());
        // The check accepts the RFC as before and the note comes back; the
        // focus goes on to the next field.
        typeKeys(rfc, QStringLiteral("1"));
        QVERIFY(!note->isVisible());
        QTest::keyClick(rfc, Qt::Key_Tab);
        QVERIFY(boxes.requests().isEmpty());
        QVERIFY(form->application().RFCValido);
        QVERIFY(form->control<QLineEdit>(u"txtCalle")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->control<QLineEdit>(u"txtApePat1")));
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), says);

        // The save goes through with it, storing the RFC as typed; the note stays.
        form->control<QComboBox>(u"Combo5")->setCurrentIndex(0);
        form->Command1_Click(1);
        QVERIFY(boxes.requests().isEmpty());
        QCOMPARE(readWithDbfread(tablePath(folder, QStringLiteral("datoprov.dbf"))).at(0).toArray().at(0).toString(),
                 QStringLiteral(" ABC800101AB1"));
        QVERIFY(note->isVisible());

        if (qEnvironmentVariableIsSet("KORIM_SCREENSHOT_DIR"))
            form->grab().save(QDir(qEnvironmentVariable("KORIM_SCREENSHOT_DIR")).filePath(QStringLiteral("rfc_note.png")));

        // Each check after a change: the note only for a well-formed RFC whose
        // digit disagrees, never for the generic ones; other digits named.
        struct {
            const char *keys;
            const char *note; // empty: hidden
            int boxes;
        } const checks[] = {
            {" abc800101ab3", "", 0},
            {"gode561231gr8", "", 0},
            {"gode561231gr1", "8", 0},
            {"gomj800101011", "A", 0},
            {"xaxx010101000", "", 0},
            {"xexx010101000", "", 0},
            {"gomj801301ab1", "", 1}, // month 13: the check's own box, no note
            {"gomj801", "", 1},       // too short
        };
        for (const auto &c : checks) {
            boxes.clear();
            typeRfc(rfc, QString::fromLatin1(c.keys));
            QTest::keyClick(rfc, Qt::Key_Tab);
            QCOMPARE(boxes.requests().size(), c.boxes);
            const QString expected = QString::fromLatin1(c.note);
            QCOMPARE(note->isVisible(), !expected.isEmpty());
            if (!expected.isEmpty())
                QCOMPARE(note->text(), QStringLiteral("Revise el RFC: el dígito verificador no corresponde (debería ser «%1»).")
                                           .arg(expected));
            if (c.boxes)
                QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(rfc));
        }

        // A stored application whose RFC agrees opens without it.
        QTemporaryDir agreeing;
        spec.application->insert(QStringLiteral("RFC"), QStringLiteral(" ABC800101AB3"));
        auto other = openForm(makeDataFolder(agreeing.path(), spec));
        QVERIFY(!other->control<QLabel>(u"lblAvisoRFC")->isVisible());
    }

    void closingOrDestroyingIsNoLeave()
    {
        QTemporaryDir dir;
        auto form = openForm(makeDataFolder(dir.path()));
        typeRfc(form->control<MaskedEdit>(u"MaskEdBox1"), QStringLiteral("abc"));
        MessageRecorder boxes;
        boxes.answer(korim::platform::MsgAnswer::No);
        QVERIFY(form->close());
        // Only the close question, which a typed first application gets.
        QCOMPARE(boxes.requests().size(), 1);
        QCOMPARE(boxes.requests().at(0).text, QStringLiteral("Salvar los datos antes de salir?"));
        boxes.clear();
        // Torn down with the focus still in the invalid field.
        auto other = openForm(makeDataFolder(dir.path() + QStringLiteral("/b")));
        typeRfc(other->control<MaskedEdit>(u"MaskEdBox1"), QStringLiteral("abc"));
        other.reset();
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
    }
};

QTEST_MAIN(RfcTest)
#include "tst_form1_rfc.moc"
