// The window and `korim --check` on the same folders: where the window
// opens a stored application, its RFC messages and its required-data
// message are the ones the check computes, and the check names every item
// of them; where the window refuses the folder, the check finds an error.

#include "application/support/checkfolders.h"
#include "questionnaire/support/formtest.h"

#include "application/diskcheck.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <exception>

using namespace korim::test;
using korim::application::DeliveredCheck;
using korim::application::Finding;

class CheckAgreementTest : public QObject {
    Q_OBJECT

private slots:
    void sameItems_data()
    {
        QTest::addColumn<int>("index");
        const QList<CheckCase> cases = checkCases();
        for (int i = 0; i < cases.size(); ++i)
            QTest::newRow(cases[i].name.toUtf8().constData()) << i;
    }

    void sameItems()
    {
        QFETCH(int, index);
        const CheckCase c = checkCases().at(index);
        QTemporaryDir dir;
        // The diskette as delivered, and a data folder made of it for the
        // window, which writes the sales years when it opens one.
        const QString delivered = dir.filePath(QStringLiteral("disco"));
        const QString data = dir.filePath(QStringLiteral("KORIM"));
        QDir().mkpath(delivered);
        QDir().mkpath(data);
        c.make(delivered);
        c.make(data);
        addWindowFiles(data);
        const DeliveredCheck check = korim::application::checkDelivered(delivered);

        MessageRecorder boxes;
        std::unique_ptr<korim::questionnaire::Form1> form;
        try {
            form = openForm(data);
        } catch (const std::exception &) {
        }
        if (!form) {
            // The check still judges the application when another table is
            // what is wrong.
            QVERIFY2(check.errors() > 0, "the window refuses a folder the check lets through");
            return;
        }
        if (!check.required) {
            // Nothing stored to judge: the window starts a new application.
            QVERIFY(check.errors() > 0);
            return;
        }

        boxes.clear();
        const short FaltanDatos = form->DatosRequeridos();
        QStringList rfcMessages;
        std::optional<QString> requiredMessage;
        for (const korim::platform::MessageRequest &box : boxes.requests()) {
            if (box.title == QLatin1String("Dato requerido"))
                requiredMessage = box.text;
            else
                rfcMessages.append(box.text);
        }
        QCOMPARE(rfcMessages, check.rfcMessages);
        QCOMPARE(requiredMessage, check.required->message);
        QCOMPARE(int(FaltanDatos), check.required->FaltanDatos);

        // Every message of the window is an error the check reports, worded alike.
        QStringList errors;
        for (const Finding &f : check.findings) {
            if (f.kind == Finding::Error)
                errors.append(f.text);
        }
        for (const QString &message : rfcMessages)
            QVERIFY2(errors.contains(message), qPrintable(message));
        int named = 0;
        for (const QString &error : errors)
            named += error.startsWith(QStringLiteral("falta información requerida: "));
        QCOMPARE(named, int(check.required->missing.size()));
        if (requiredMessage) {
            const QString heading = QStringLiteral("La siguiente información es requerida: \r");
            QVERIFY(requiredMessage->startsWith(heading) && requiredMessage->endsWith(QStringLiteral("\r\r")));
            const QString list = requiredMessage->mid(heading.size()).chopped(2);
            for (const QString &name : list.split(QStringLiteral(",\r"))) {
                if (!name.isEmpty())
                    QVERIFY2(errors.contains(QStringLiteral("falta información requerida: ") + name), qPrintable(name));
            }
        }
        form.reset();
    }
};

QTEST_MAIN(CheckAgreementTest)
#include "tst_check_agreement.moc"
