// Message boxes: what a real box shows (title, text, buttons, default, icon,
// Esc), the answerer that replaces it in tests, and the Spanish button texts.

#include "platform/messages.h"
#include "platform/translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace korim::platform;

namespace {

struct Seen {
    bool found = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    Qt::WindowModality modality = Qt::NonModal;
};

// Shows the request as a real box; `act` runs once the box is up and must
// answer it. A watchdog closes a box nobody answered so the test cannot hang.
MsgAnswer showAndAct(const MessageRequest &request, Seen *seen, const std::function<void(QMessageBox *)> &act)
{
    QTimer::singleShot(0, [seen, act] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen->found = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->buttons = box->standardButtons();
        seen->defaultButton = box->standardButton(box->defaultButton());
        seen->modality = box->windowModality();
        act(box);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Cancel);
    });
    watchdog.start(5000);
    return showMessage(nullptr, request);
}

} // namespace

Q_DECLARE_METATYPE(MsgButtons)
Q_DECLARE_METATYPE(MsgIcon)
Q_DECLARE_METATYPE(MsgAnswer)

class TestMessages : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setMessageAnswerer({}); }

    void answererGetsResolvedRequestAndNothingIsShown()
    {
        QList<MessageRequest> asked;
        bool boxOnScreen = false;
        setMessageAnswerer([&](const MessageRequest &r) {
            asked << r;
            boxOnScreen = QApplication::activeModalWidget() != nullptr;
            return MsgAnswer::No;
        });
        MessageRequest request;
        request.text = QStringLiteral("Salvar los datos antes de salir?");
        request.buttons = MsgButtons::YesNoCancel;
        request.icon = MsgIcon::Question;
        QCOMPARE(showMessage(nullptr, request), MsgAnswer::No);
        showInfo(nullptr, QStringLiteral("Puede retirar el disco de la unidad A:"), QStringLiteral("Disco grabado."));

        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].title, QStringLiteral("KORIM"));
        QCOMPARE(asked[0].text, request.text);
        QCOMPARE(asked[0].buttons, MsgButtons::YesNoCancel);
        QCOMPARE(asked[0].icon, MsgIcon::Question);
        QCOMPARE(asked[1].title, QStringLiteral("Disco grabado."));
        QCOMPARE(asked[1].buttons, MsgButtons::Ok);
        QCOMPARE(asked[1].icon, MsgIcon::None);
        QVERIFY(!boxOnScreen);
    }

    void realBoxButtonsDefaultAndEscape_data()
    {
        QTest::addColumn<MsgButtons>("buttons");
        QTest::addColumn<MsgAnswer>("wantedDefault");
        QTest::addColumn<int>("expectedButtons");
        QTest::addColumn<int>("expectedDefault");
        QTest::addColumn<MsgAnswer>("onEscape");
        QTest::newRow("ok") << MsgButtons::Ok << MsgAnswer::Ok << int(QMessageBox::Ok) << int(QMessageBox::Ok)
                            << MsgAnswer::Ok;
        QTest::newRow("ok-cancel") << MsgButtons::OkCancel << MsgAnswer::Ok
                                   << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Ok)
                                   << MsgAnswer::Cancel;
        QTest::newRow("yes-no-cancel") << MsgButtons::YesNoCancel << MsgAnswer::Ok
                                       << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)
                                       << int(QMessageBox::Yes) << MsgAnswer::Cancel;
        QTest::newRow("yes-no, No default") << MsgButtons::YesNo << MsgAnswer::No
                                            << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No)
                                            << MsgAnswer::No;
        QTest::newRow("ok-cancel, Cancel default") << MsgButtons::OkCancel << MsgAnswer::Cancel
                                                   << int(QMessageBox::Ok | QMessageBox::Cancel)
                                                   << int(QMessageBox::Cancel) << MsgAnswer::Cancel;
    }

    void realBoxButtonsDefaultAndEscape()
    {
        QFETCH(MsgButtons, buttons);
        QFETCH(MsgAnswer, wantedDefault);
        QFETCH(int, expectedButtons);
        QFETCH(int, expectedDefault);
        QFETCH(MsgAnswer, onEscape);

        MessageRequest request;
        request.text = QStringLiteral("texto");
        request.buttons = buttons;
        request.defaultAnswer = wantedDefault;
        Seen seen;
        const MsgAnswer answer =
            showAndAct(request, &seen, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QVERIFY(seen.found);
        QCOMPARE(int(seen.buttons), expectedButtons);
        QCOMPARE(int(seen.defaultButton), expectedDefault);
        QCOMPARE(answer, onEscape);

        // The window's close button answers like Esc.
        Seen closed;
        QCOMPARE(showAndAct(request, &closed, [](QMessageBox *box) { box->close(); }), onEscape);
        QVERIFY(closed.found);
    }

    void realBoxShowsTitleTextIconAndIsModal_data()
    {
        QTest::addColumn<MsgIcon>("icon");
        QTest::addColumn<int>("expectedIcon");
        QTest::newRow("none") << MsgIcon::None << int(QMessageBox::NoIcon);
        QTest::newRow("critical") << MsgIcon::Critical << int(QMessageBox::Critical);
        QTest::newRow("question") << MsgIcon::Question << int(QMessageBox::Question);
        QTest::newRow("exclamation") << MsgIcon::Exclamation << int(QMessageBox::Warning);
        QTest::newRow("information") << MsgIcon::Information << int(QMessageBox::Information);
    }

    void realBoxShowsTitleTextIconAndIsModal()
    {
        QFETCH(MsgIcon, icon);
        QFETCH(int, expectedIcon);
        MessageRequest request;
        // Carriage returns, alone or before a line feed, are line breaks.
        request.text = QStringLiteral("Copia incompleta verifique el\respacio en disco o utilice un disco nuevo\r\nfin");
        request.icon = icon;
        Seen seen;
        showAndAct(request, &seen, [](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); });
        QVERIFY(seen.found);
        QCOMPARE(seen.title, QStringLiteral("KORIM"));
        QCOMPARE(seen.text,
                 QStringLiteral("Copia incompleta verifique el\nespacio en disco o utilice un disco nuevo\nfin"));
        QCOMPARE(int(seen.icon), expectedIcon);
        QCOMPARE(seen.modality, Qt::ApplicationModal);
    }

    void clickedButtonIsTheAnswer()
    {
        MessageRequest request;
        request.text = QStringLiteral("¿Seguro?");
        request.title = QStringLiteral("Borrar");
        request.buttons = MsgButtons::YesNoCancel;
        Seen seen;
        QCOMPARE(showAndAct(request, &seen, [](QMessageBox *box) { box->button(QMessageBox::No)->click(); }),
                 MsgAnswer::No);
        QCOMPARE(seen.title, QStringLiteral("Borrar"));
        QCOMPARE(showAndAct(request, &seen, [](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); }),
                 MsgAnswer::Yes);
        // Enter presses the default button.
        request.defaultAnswer = MsgAnswer::No;
        QCOMPARE(showAndAct(request, &seen, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); }),
                 MsgAnswer::No);
    }

    // Last: it changes the application's translators and locale.
    void spanishButtonTexts()
    {
        installSpanishTranslations(*qApp);
        QCOMPARE(QLocale().language(), QLocale::Spanish);

        QMessageBox plain;
        plain.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
        QCOMPARE(plain.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Sí"));
        QCOMPARE(plain.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("No"));
        QCOMPARE(plain.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Cancelar"));
        QCOMPARE(plain.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')), QStringLiteral("Aceptar"));

        // And the boxes of showMessage carry them too.
        MessageRequest request;
        request.text = QStringLiteral("Salvar los datos antes de salir?");
        request.buttons = MsgButtons::YesNoCancel;
        QStringList texts;
        Seen seen;
        showAndAct(request, &seen, [&texts](QMessageBox *box) {
            for (QAbstractButton *b : box->buttons())
                texts << b->text().remove(QLatin1Char('&'));
            box->button(QMessageBox::Cancel)->click();
        });
        texts.sort();
        QCOMPARE(texts, (QStringList{QStringLiteral("Cancelar"), QStringLiteral("No"), QStringLiteral("Sí")}));
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
