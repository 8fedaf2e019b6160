#include "application/datafolder.h"
#include "application/diskcheck.h"
#include "application/solicitud.h"
#include "data/datasource.h"
#include "data/dbf.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmayuda.h"
#include "platform/datafolder.h"
#include "platform/messages.h"
#include "platform/translations.h"
#include "questionnaire/form1.h"
#include "report/export.h"
#include "report/frmdocument.h"
#include "sessionend.h"

#include <korim/version.h>

#include <QApplication>
#include <QDate>
#include <QGuiApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QThread>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

using namespace korim;

namespace {

int refuse(const QString &message)
{
    platform::showMessage(nullptr, {message, {}, platform::MsgButtons::Ok, platform::MsgIcon::Critical});
    return 1;
}

void say(std::FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

const char kHelp[] = "Uso: korim [opciones]\n"
                     "Sin opciones abre la ventana del cuestionario.\n"
                     "\n"
                     "Opciones:\n"
                     "  --pdf ARCHIVO    Escribe en ARCHIVO (PDF) la solicitud guardada en la carpeta de\n"
                     "                   datos, seguida de las consideraciones generales, y termina.\n"
                     "  --text ARCHIVO   Escribe el texto de la solicitud en ARCHIVO (UTF-8); con \"-\"\n"
                     "                   lo escribe en la salida estándar.\n"
                     "  --check CARPETA...\n"
                     "                   Revisa discos entregados (la raíz del disco, una copia de ella\n"
                     "                   o una carpeta de datos) sin escribir nada en ellos: escribe\n"
                     "                   «CARPETA: sin observaciones» o una línea por observación,\n"
                     "                   «CARPETA: error: ...» o «CARPETA: aviso: ...».\n"
                     "  --csv ARCHIVO    Con --check, escribe además una fila por carpeta en ARCHIVO\n"
                     "                   (CSV, UTF-8); con \"-\" la escribe en la salida estándar, en\n"
                     "                   lugar de las líneas.\n"
                     "  -h, --help       Muestra esta ayuda.\n"
                     "  -v, --version    Muestra la versión.\n"
                     "\n"
                     "Con --pdf, --text o --check no hace falta pantalla; los mensajes van a la salida\n"
                     "de errores y el programa termina con un estado distinto de 0 si algo falla.\n"
                     "--check termina con 0 si ninguna carpeta tiene errores (los avisos no cuentan),\n"
                     "con 1 si alguna los tiene y con 2 si la orden está mal escrita o lo que escribe\n"
                     "(las líneas o el CSV) no se puede escribir. No abre ni bloquea la carpeta de\n"
                     "datos.\n";

struct CommandLine {
    bool ok = true;
    QString error;
    bool help = false;
    bool version = false;
    QString pdf;
    QString text;
    bool check = false;
    QStringList folders; // the folders to check
    QString csv;
    bool batch() const { return !pdf.isEmpty() || !text.isEmpty(); }
    bool withoutWindow() const { return !ok || help || version || batch() || check; }
};

// The mistakes of a command line QCommandLineParser accepted.
QString mistake(const QCommandLineParser &parser, const CommandLine &cl, const QCommandLineOption &csv)
{
    if (!cl.check && !parser.positionalArguments().isEmpty())
        return QStringLiteral("Argumento no esperado: %1.").arg(parser.positionalArguments().first());
    if ((parser.isSet(QStringLiteral("pdf")) && cl.pdf.isEmpty()) || (parser.isSet(QStringLiteral("text")) && cl.text.isEmpty())
        || (parser.isSet(csv) && cl.csv.isEmpty()))
        return QStringLiteral("Falta el nombre del archivo después de --pdf, --text o --csv.");
    if (parser.isSet(csv) && !cl.check)
        return QStringLiteral("--csv sólo se usa con --check.");
    if (cl.check && (parser.isSet(QStringLiteral("pdf")) || parser.isSet(QStringLiteral("text"))))
        return QStringLiteral("--check no se combina con --pdf ni con --text.");
    if (cl.check && cl.folders.isEmpty())
        return QStringLiteral("Falta al menos una carpeta después de --check.");
    return {};
}

CommandLine parseCommandLine(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QCommandLineParser parser;
    const QCommandLineOption pdf(QStringLiteral("pdf"), QString(), QStringLiteral("ARCHIVO"));
    const QCommandLineOption text(QStringLiteral("text"), QString(), QStringLiteral("ARCHIVO"));
    const QCommandLineOption check(QStringLiteral("check"));
    const QCommandLineOption csv(QStringLiteral("csv"), QString(), QStringLiteral("ARCHIVO"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({pdf, text, check, csv, help, version});

    CommandLine cl;
    if (!parser.parse(arguments)) {
        cl.ok = false;
        const QStringList unknown = parser.unknownOptionNames();
        cl.error = unknown.isEmpty()
                       ? QStringLiteral("Falta el nombre del archivo después de --pdf, --text o --csv.")
                       : QStringLiteral("Opción desconocida: %1.").arg(unknown.first());
        return cl;
    }
    cl.help = parser.isSet(help);
    cl.version = parser.isSet(version);
    cl.pdf = parser.value(pdf);
    cl.text = parser.value(text);
    cl.check = parser.isSet(check);
    cl.folders = parser.positionalArguments();
    cl.csv = parser.value(csv);
    cl.error = mistake(parser, cl, csv);
    cl.ok = cl.error.isEmpty();
    return cl;
}

// --pdf and --text: the stored application as the print window would print it
// right after start-up, without any window.
int runBatch(const QString &folder, const CommandLine &cl)
{
    application::Solicitud solicitud(folder);
    try {
        solicitud.open(QDate::currentDate());
    } catch (const data::DataError &e) {
        return refuse(e.description());
    } catch (const data::DbfError &e) {
        return refuse(e.message());
    }
    // As at start-up, the first failing step ends it quietly.
    try {
        solicitud.Nuevo();
    } catch (const std::exception &) {
    }
    bool ok = true;
    if (!cl.text.isEmpty())
        ok = report::writeApplicationText(solicitud, cl.text) && ok;
    if (ok && !cl.pdf.isEmpty())
        ok = report::writeApplicationPdf(solicitud, cl.pdf) && ok;
    return ok ? 0 : 1;
}

void put(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// --check: every folder read, none written or locked; the lines (or, with
// "--csv -", the CSV rows) come in the order of the folders while the rest
// are still being checked.
int runCheck(const CommandLine &cl)
{
    const bool csvOnStdout = cl.csv == QLatin1String("-");
    std::FILE *csv = csvOnStdout ? stdout : nullptr;
    if (!cl.csv.isEmpty() && !csvOnStdout) {
        csv = std::fopen(QFile::encodeName(cl.csv).constData(), "wb");
        if (!csv) {
            say(stderr, QStringLiteral("korim: No se pudo escribir el archivo %1.\n").arg(cl.csv));
            return 2;
        }
    }
    if (csv)
        put(csv, application::csvHeader());
    bool anyError = false;
    const auto show = [&](const application::DeliveredCheck &result) {
        anyError = anyError || result.errors() > 0;
        if (!csvOnStdout)
            put(stdout, application::reportLines(result).join(QLatin1Char('\n')) + QLatin1Char('\n'));
        if (csv)
            put(csv, application::csvRecord(result));
    };
    application::checkDeliveredInOrder(cl.folders, QThread::idealThreadCount(), show);

    bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (csv && !csvOnStdout) {
        const bool csvWritten = std::fflush(csv) == 0 && !std::ferror(csv);
        if (std::fclose(csv) != 0 || !csvWritten) {
            say(stderr, QStringLiteral("korim: No se pudo escribir el archivo %1.\n").arg(cl.csv));
            return 2;
        }
    }
    if (!written) {
        say(stderr, QStringLiteral("korim: No se pudo escribir en la salida estándar.\n"));
        return 2;
    }
    return anyError ? 1 : 0;
}

// Nothing is shown: no display is needed, and Qt's own chatter about the
// missing one stays out of the messages.
void quietForCommandLine()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    platform::setCommandLineMode(true);
    // Qt's own notes (in English, about the session) are not the program's
    // messages; its criticals still go out.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            say(stderr, text + QLatin1Char('\n'));
    });
}

// A mistake, --help or --version: answered without the data folder.
std::optional<int> answerAlone(const CommandLine &cl)
{
    if (!cl.ok) {
        say(stderr, QStringLiteral("korim: %1\nPruebe «korim --help».\n").arg(cl.error));
        return 2;
    }
    if (cl.help) {
        say(stdout, QString::fromUtf8(kHelp));
        return 0;
    }
    if (cl.version) {
        say(stdout, QStringLiteral("KORIM %1\n").arg(QString::fromLatin1(kVersion)));
        return 0;
    }
    return std::nullopt;
}

// Without a window the program is a GUI application but not a Widgets one:
// Qt refuses to make any widget then, so printing from the command line
// cannot come to depend on the questionnaire or a message box. The check
// needs no GUI at all.
std::unique_ptr<QCoreApplication> makeApplication(const CommandLine &cl, int &argc, char **argv)
{
    if (cl.ok && cl.check)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (cl.withoutWindow())
        return std::make_unique<QGuiApplication>(argc, argv);
    return std::make_unique<QApplication>(argc, argv);
}

// The questionnaire window and the windows it asks for, until it closes.
int runWindow(const QString &folder)
{
    questionnaire::Form1 window(folder);
    try {
        window.load();
    } catch (const data::DataError &e) {
        return refuse(e.description());
    } catch (const data::DbfError &e) {
        return refuse(e.message());
    }

    QObject::connect(&window, &questionnaire::Form1::printWindowRequested, &window, [&window] {
        report::showPrintWindow(&window, [&window] { return window.snapshot(); }, window.dataFolder());
    });
    // The questionnaire asks for the auxiliary windows through its toolbar.
    QPointer<dialogs::frmayuda> helpViewer;
    QObject::connect(&window, &questionnaire::Form1::helpRequested, &window,
                     [&] { dialogs::showHelpViewer(helpViewer, &window); });
    QObject::connect(&window, &questionnaire::Form1::aboutRequested, &window, [&] { dialogs::showAbout(&window); });
    app::onSessionEnd(&window, [&window] { window.endSession(); });
    window.show();
    // What a previous run left unsaved, offered back over the shown window.
    window.offerRecovery();

    // Start-up measurements: leave once the window has been painted whole,
    // which is what the clerk waits for (the grab paints every control).
    // Hidden and left rather than closed: a stored application opens for
    // editing, and closing would ask to save it; hidden, the frame the grab
    // painted is not painted again on the way out.
    if (qEnvironmentVariableIsSet("KORIM_QUIT_AFTER_SHOW")) {
        QTimer::singleShot(0, &window, [&window] {
            window.grab();
            window.hide();
            QCoreApplication::exit(0);
        });
    }
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    const CommandLine cl = parseCommandLine(argc, argv);
    if (cl.withoutWindow())
        quietForCommandLine();

    const std::unique_ptr<QCoreApplication> app = makeApplication(cl, argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KORIM"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    platform::installSpanishTranslations(*app);

    if (const std::optional<int> answered = answerAlone(cl))
        return *answered;
    // The check reads other folders and leaves the data folder alone.
    if (cl.check)
        return runCheck(cl);

    // The lock lives as long as the program.
    QString message;
    const auto session = application::openDataFolder(&message);
    if (!session)
        return refuse(message);
    if (cl.batch())
        return runBatch(session->folder(), cl);
    return runWindow(session->folder());
}
