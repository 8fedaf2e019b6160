// Printing from the print window to a real print queue: a scheduler of the
// test's own (its socket, spool and queues in a temporary folder) with a PDF
// printer. The job carries the document's name, the document the program sent
// carries its title and creator, and the PDF printer names its file from it.
// Skipped where the scheduler or the PDF printer is missing or cannot start.

#include "questionnaire/support/formtest.h"
#include "report/support/pdftest.h"
#include "report/support/printwindow.h"

#include "questionnaire/form1.h"
#include "report/frmdocument.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

using namespace korim::test;
using korim::questionnaire::Form1;
using korim::report::frmDocument;

namespace {

const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
const QString kQueue = QStringLiteral("korim_pdf");
const QString kName = QStringLiteral("Solicitud KORIM ABC800101AB1");

bool writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
}

// One string attribute of an IPP message as the scheduler keeps a job's:
// value tag, name length, name, value length, value.
QString ippText(const QByteArray &message, const QByteArray &name)
{
    QByteArray key;
    key.append(char(name.size() >> 8)).append(char(name.size() & 0xff)).append(name);
    const qsizetype at = message.indexOf(key);
    if (at < 0 || at + key.size() + 2 > message.size())
        return {};
    const qsizetype from = at + key.size();
    const int length = (uchar(message[from]) << 8) | uchar(message[from + 1]);
    return QString::fromUtf8(message.mid(from + 2, length));
}

// Where the PDF printer writes a user's files (its configuration's Out).
QString pdfPrinterFolder()
{
    QString out = QStringLiteral("${HOME}/PDF");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : conf.readAll().split('\n')) {
            if (line.startsWith("Out "))
                out = QString::fromUtf8(line.mid(4)).trimmed();
        }
    }
    const passwd *user = getpwuid(geteuid());
    return out.replace(QStringLiteral("${HOME}"), QString::fromLocal8Bit(user ? user->pw_dir : "/root"));
}

} // namespace

class PrintQueueTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString server_; // the scheduler's folder
    QProcess cupsd_;

    QString socket() const { return server_ + QStringLiteral("/cups.sock"); }

    QString errorLog() const
    {
        QFile log(server_ + QStringLiteral("/error_log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll().right(2000)) : QString();
    }

    int run(const QString &program, const QStringList &arguments, QString *out = nullptr)
    {
        QProcess p;
        p.start(program, arguments);
        if (!p.waitForFinished(30000))
            return -1;
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // The job number once the queue has finished it, 0 on timeout.
    int completedJob()
    {
        const QRegularExpression line(QStringLiteral("^%1-(\\d+)\\s").arg(kQueue), QRegularExpression::MultilineOption);
        for (int i = 0; i < 600; ++i) {
            QString out;
            run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), kQueue},
                &out);
            const auto m = line.match(out);
            if (m.hasMatch())
                return m.captured(1).toInt();
            QTest::qWait(200);
        }
        return 0;
    }

private slots:
    void initTestCase()
    {
        for (const QString &needed : {kCupsd, kBackend, kPpd}) {
            if (!QFile::exists(needed))
                QSKIP(qPrintable(QStringLiteral("no print scheduler with a PDF printer here (%1 missing)").arg(needed)));
        }
        if (QStandardPaths::findExecutable(QStringLiteral("lpadmin")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("lpstat")).isEmpty())
            QSKIP("lpadmin and lpstat are missing");
        // The scheduler runs a 0700 backend only when it runs as root.
        if (geteuid() != 0)
            QSKIP("the PDF printer's backend runs only under a scheduler started as root");

        QVERIFY(dir_.isValid());
        server_ = dir_.path();
        // The filters run as another user and must reach the spool.
        QFile::setPermissions(server_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                           | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                           | QFileDevice::ExeOther);
        for (const char *sub : {"etc", "spool", "cache", "state"})
            QVERIFY(QDir(server_).mkpath(QString::fromLatin1(sub)));
        QVERIFY(writeFile(server_ + QStringLiteral("/cups-files.conf"),
                          QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                                         "StateDir %1/state\nErrorLog %1/error_log\nAccessLog %1/access_log\n"
                                         "PageLog %1/page_log\nSystemGroup root\n")
                              .arg(server_)));
        // Only a socket of its own; the documents kept after printing.
        QVERIFY(writeFile(server_ + QStringLiteral("/cupsd.conf"),
                          QStringLiteral("Listen %1\nLogLevel warn\nBrowsing No\nPreserveJobFiles Yes\n"
                                         "PreserveJobHistory Yes\n<Location />\n  Order allow,deny\n  Allow all\n"
                                         "</Location>\n")
                              .arg(socket())));
        // Job numbers from the process: the PDF printer writes every
        // scheduler's files into one folder and numbers them by job.
        QVERIFY(writeFile(server_ + QStringLiteral("/cache/job.cache"),
                          QStringLiteral("NextJobId %1\n").arg(100000 + QCoreApplication::applicationPid() % 800000)));

        cupsd_.setProcessChannelMode(QProcess::MergedChannels);
        cupsd_.start(kCupsd, {QStringLiteral("-f"), QStringLiteral("-c"), server_ + QStringLiteral("/cupsd.conf"),
                              QStringLiteral("-s"), server_ + QStringLiteral("/cups-files.conf")});
        if (!cupsd_.waitForStarted(10000))
            QSKIP("the print scheduler does not start");
        // Everything here, Qt's printing included, talks to this scheduler.
        qputenv("CUPS_SERVER", socket().toLocal8Bit());
        bool up = false;
        for (int i = 0; i < 100 && !up; ++i) {
            QString out;
            up = QFile::exists(socket())
                 && run(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &out) == 0
                 && out.contains(QStringLiteral("is running"));
            if (!up) {
                if (cupsd_.state() == QProcess::NotRunning)
                    break;
                QTest::qWait(100);
            }
        }
        if (!up)
            QSKIP(qPrintable(QStringLiteral("the print scheduler did not come up: %1 %2")
                                 .arg(QString::fromLocal8Bit(cupsd_.readAll()), errorLog())));
        QString out;
        if (run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), kQueue, QStringLiteral("-E"), QStringLiteral("-v"),
                                            QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), kPpd},
                &out)
            != 0)
            QSKIP(qPrintable(QStringLiteral("the PDF queue cannot be made: ") + out));
    }

    void cleanupTestCase()
    {
        frmDocument::setPrinterChooser({});
        if (cupsd_.state() != QProcess::NotRunning) {
            cupsd_.terminate();
            if (!cupsd_.waitForFinished(10000)) {
                cupsd_.kill();
                cupsd_.waitForFinished();
            }
        }
    }

    void printWindowJobIsNamed()
    {
        QVERIFY2(QPrinterInfo::availablePrinterNames().contains(kQueue),
                 qPrintable(QPrinterInfo::availablePrinterNames().join(QLatin1Char(','))));

        QTemporaryDir data;
        FolderSpec spec;
        spec.application = completeApplication();
        const QString folder = makeDataFolder(data.path(), spec);
        QVERIFY(QFile::copy(qEnvironmentVariable("KORIM_SOURCE_DIR") + QStringLiteral("/resources/considera.txt"),
                            folder + QStringLiteral("/considera.txt")));
        MessageRecorder messages;
        auto form = openForm(folder);
        frmDocument::setPrinterChooser([](QPrinter *printer, QWidget *) {
            printer->setPrinterName(kQueue);
            return printer->outputFormat() == QPrinter::NativeFormat;
        });
        frmDocument *w = openPrintWindow(form.get());
        const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
        w->Command1->click();
        QVERIFY(messages.requests().isEmpty());

        const int job = completedJob();
        QVERIFY2(job > 0, qPrintable(errorLog()));
        // The queue shows the job by the document's name (the scheduler
        // writes down a job's attributes a moment after it changes).
        QFile control(server_ + QStringLiteral("/spool/c%1").arg(job, 5, 10, QLatin1Char('0')));
        QTRY_VERIFY_WITH_TIMEOUT(control.exists(), 20000);
        QVERIFY(control.open(QIODevice::ReadOnly));
        QCOMPARE(ippText(control.readAll(), "job-name"), kName);

        // What the program sent: titled, its creator named, the whole application.
        const QString sent = server_ + QStringLiteral("/spool/d%1-001").arg(job, 5, 10, QLatin1Char('0'));
        QVERIFY(QFile::exists(sent));
        QCOMPARE(pdfInfo(sent, QStringLiteral("Title")), kName);
        QCOMPARE(pdfInfo(sent, QStringLiteral("Creator")), QStringLiteral("KORIM"));
        const QString text = pdfText(sent);
        QVERIFY(text.contains(QStringLiteral("FIRMA")));
        QVERIFY(text.contains(QStringLiteral("Consideraciones generales para el llenado")));

        // The PDF printer names its file from the job, one page for each sent.
        const QDir out(pdfPrinterFolder());
        const QStringList made = out.entryList({QStringLiteral("Solicitud_KORIM_ABC800101AB1*job_%1.pdf").arg(job)},
                                               QDir::Files);
        QVERIFY2(made.size() == 1, qPrintable(out.path() + QStringLiteral(": ") + out.entryList().join(QLatin1Char(' '))));
        const QString printed = out.filePath(made.first());
        QVERIFY(QFileInfo(printed).lastModified() >= started);
        QCOMPARE(pdfInfo(printed, QStringLiteral("Pages")), pdfInfo(sent, QStringLiteral("Pages")));
        QFile::remove(printed);
        w->close();
    }
};

QTEST_MAIN(PrintQueueTest)
#include "tst_printqueue.moc"
