// The program's command line, run as a separate process with no display:
// --text and --pdf of the stored application, the PDF read back with
// poppler-utils, --help and --version, and failures said on standard error.

#include "questionnaire/support/formtest.h"
#include "report/support/pdftest.h"
#include "support/testsupport.h"

#include "application/datafolder.h"
#include "platform/datafolder.h"
#include "report/printing.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <korim/version.h>

using namespace korim::test;

namespace {

using Run = ProgramRun;

Run runKorim(const QStringList &arguments, const QString &dataFolder, bool display = false)
{
    return runProgram(QStringLiteral(KORIM_BINARY), arguments, dataFolder, display, 60000);
}

QString simplified(const QString &line)
{
    return line.simplified();
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString folder_;

private slots:
    void initTestCase();
    void textAndPdf();
    void helpVersionAndMistakes();
    void failuresGoToStandardError();
    void sizeFitsTheLongestLine();
};

void TestCommandLine::initTestCase()
{
    FolderSpec spec;
    QVariantMap app = sampleApplication();
    // Long enough values to pass 200 columns on the applicant lines.
    app.insert(QStringLiteral("APEPATRAZ"), QStringLiteral("EXPORTADORA E IMPORTADORA DE MUEBLES FINOS DEL SUR DEL PAIS"));
    app.insert(QStringLiteral("APEMAT"), QStringLiteral("SOCIEDAD ANONIMA DE CAPITAL VARIABLE"));
    app.insert(QStringLiteral("DOMBANCO"), QStringLiteral("AV. JUÁREZ 5 PTE."));
    app.insert(QStringLiteral("CALLEYNO"), QStringLiteral("CARRETERA FEDERAL LIBRE TRAMO LAS PALMAS A SAN JUAN DE LOS LAGOS KILOMETRO 123 MAS 400 BODEGA 7"));
    spec.application = app;
    for (int i = 0; i < 120; ++i)
        spec.products.append(QStringLiteral("PRODUCTO NÚMERO %1 DE MADERA").arg(i + 1));
    folder_ = makeDataFolder(dir_.filePath(QStringLiteral("KORIM")), spec);
    QVERIFY(QFile::copy(qEnvironmentVariable("KORIM_SOURCE_DIR") + QStringLiteral("/resources/considera.txt"),
                        folder_ + QStringLiteral("/considera.txt")));
}

void TestCommandLine::textAndPdf()
{
    const Run text = runKorim({QStringLiteral("--text"), QStringLiteral("-")}, folder_);
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.err.isEmpty(), qPrintable(text.err));
    QVERIFY(text.text().startsWith(QStringLiteral("SECRETARIA DE ZENTORIA\n")));
    QVERIFY(!text.text().contains(QLatin1Char('\r')));
    QVERIFY(text.text().contains(QStringLiteral("AV. JUÁREZ 5 PTE.")));
    QVERIFY(text.text().endsWith(QStringLiteral("FIRMA")));

    const QString textFile = dir_.filePath(QStringLiteral("solicitud.txt"));
    const QString pdf = dir_.filePath(QStringLiteral("solicitud.pdf"));
    const Run both = runKorim({QStringLiteral("--text"), textFile, QStringLiteral("--pdf"), pdf}, folder_);
    QCOMPARE(both.exitCode, 0);
    QVERIFY2(both.err.isEmpty(), qPrintable(both.err));
    QFile written(textFile);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()), text.text());

    // Every composed line on one line of the page, unbroken.
    const QStringList pages = pdfPages(pdf);
    QStringList pdfLines;
    for (const QString &page : pages) {
        for (const QString &line : page.split(QLatin1Char('\n')))
            pdfLines.append(simplified(line));
    }
    const QStringList composed = text.text().split(QLatin1Char('\n'));
    int longest = 0;
    for (const QString &line : composed) {
        longest = qMax(longest, int(line.size()));
        const QString want = simplified(line);
        if (want.isEmpty())
            continue;
        bool found = false;
        for (const QString &got : pdfLines) {
            if (got.contains(want)) {
                found = true;
                break;
            }
        }
        QVERIFY2(found, qPrintable(QStringLiteral("not on one line: [%1]").arg(want)));
    }
    QVERIFY(longest > 160); // wider than the signature block
    // The considerations follow on a new page after the signature.
    const int firma = firstPageWith(pages, QStringLiteral("FIRMA"));
    QVERIFY(firma > 0);
    QCOMPARE(firstPageWith(pages, QStringLiteral("Consideraciones generales para el llenado")), firma + 1);
    QVERIFY(pages[firma + 1].contains(QStringLiteral("La presente solicitud permite a las empresas")));
    // Fonts embedded; landscape Letter.
    const QStringList fonts = pdfFonts(pdf);
    QVERIFY(!fonts.isEmpty());
    for (const QString &font : fonts)
        QVERIFY2(font.endsWith(QStringLiteral(" yes")), qPrintable(font));
    QVERIFY(fonts.filter(QRegularExpression(QStringLiteral("Liberation|Courier"))).size() > 0);
    QCOMPARE(pdfPageSize(pdf), QSizeF(792, 612));
    // Named as the print window names its job.
    QCOMPARE(pdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("Solicitud KORIM ABC800101AB1"));
    QCOMPARE(pdfInfo(pdf, QStringLiteral("Creator")), QStringLiteral("KORIM"));

    if (qEnvironmentVariableIsSet("KORIM_SCREENSHOT_DIR")) {
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("90"), QStringLiteral("-f"),
                           QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"), pdf,
                           qEnvironmentVariable("KORIM_SCREENSHOT_DIR") + QStringLiteral("/printed_page")});
    }
}

void TestCommandLine::helpVersionAndMistakes()
{
    const Run version = runKorim({QStringLiteral("--version")}, folder_);
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.text(), QStringLiteral("KORIM %1\n").arg(QLatin1String(korim::kVersion)));
    QCOMPARE(version.text(), QStringLiteral("KORIM 1.0.0\n"));
    const Run help = runKorim({QStringLiteral("--help")}, folder_);
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.text().startsWith(QStringLiteral("Uso: korim [opciones]")));
    for (const char *option : {"--pdf ARCHIVO", "--text ARCHIVO", "--help", "--version"})
        QVERIFY(help.text().contains(QLatin1String(option)));

    const Run unknown = runKorim({QStringLiteral("--imprimir")}, folder_);
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY(unknown.err.contains(QStringLiteral("Opción desconocida: imprimir.")));
    const Run missing = runKorim({QStringLiteral("--pdf")}, folder_);
    QCOMPARE(missing.exitCode, 2);
    QVERIFY(missing.err.contains(QStringLiteral("Falta el nombre del archivo")));
}

void TestCommandLine::failuresGoToStandardError()
{
    // A second copy of the program is refused: the lock is the window's.
    {
        QString message;
        auto held = korim::application::openDataFolder(folder_, QString(), &message);
        QVERIFY2(held, qPrintable(message));
        const Run locked = runKorim({QStringLiteral("--text"), QStringLiteral("-")}, folder_);
        QCOMPARE(locked.exitCode, 1);
        QVERIFY(locked.text().isEmpty());
        QVERIFY2(locked.err.contains(QStringLiteral("KORIM ya está abierto")), qPrintable(locked.err));
    }

    // A start-up failure without a display: said, not waited on for ever.
    QTemporaryDir broken;
    FolderSpec noBanks;
    noBanks.omit = {QStringLiteral("catbanco.dbf")};
    makeDataFolder(broken.path(), noBanks);
    const Run startup = runKorim({QStringLiteral("--pdf"), dir_.filePath(QStringLiteral("x.pdf"))}, broken.path());
    QCOMPARE(startup.exitCode, 1);
    QVERIFY2(startup.err.startsWith(QStringLiteral("KORIM: ")), qPrintable(startup.err));
    QVERIFY2(startup.err.contains(QStringLiteral("catbanco"), Qt::CaseInsensitive), qPrintable(startup.err));
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("x.pdf"))));

    // Unreadable considerations: nobody can answer whether to go on without
    // them, so nothing is written.
    QTemporaryDir bare;
    FolderSpec spec;
    spec.application = sampleApplication();
    makeDataFolder(bare.path(), spec);
    QFile plain(bare.filePath(QStringLiteral("considera.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("texto sin formato\n");
    plain.close();
    const QString pdf = dir_.filePath(QStringLiteral("y.pdf"));
    const Run noConsiderations = runKorim({QStringLiteral("--pdf"), pdf}, bare.path());
    QCOMPARE(noConsiderations.exitCode, 1);
    QVERIFY2(noConsiderations.err.contains(QStringLiteral("considera.txt")), qPrintable(noConsiderations.err));
    QVERIFY(noConsiderations.err.contains(QStringLiteral("se toma «No»")));
    QVERIFY(!QFile::exists(pdf));

    // A file that cannot be written.
    const Run unwritable = runKorim({QStringLiteral("--text"), dir_.filePath(QStringLiteral("no/such/dir/a.txt"))}, folder_);
    QCOMPARE(unwritable.exitCode, 1);
    QVERIFY2(unwritable.err.contains(QStringLiteral("No se pudo escribir el archivo")), qPrintable(unwritable.err));
}

void TestCommandLine::sizeFitsTheLongestLine()
{
    QImage device(100, 100, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(1200 / 0.0254));
    device.setDotsPerMeterY(qRound(1200 / 0.0254));
    const qreal landscape = 10.0 * 1200; // printable width of 10 inches
    const qreal portrait = 7.5 * 1200;
    const QStringList shortText = {QStringLiteral("FIRMA")};
    QCOMPARE(korim::report::fittingPointSize(shortText, &device, landscape), 10.0);
    const QStringList signature = {QString(150, QLatin1Char(' ')) + QStringLiteral("FIRMA"), QStringLiteral("x")};
    const qreal wide = korim::report::fittingPointSize(signature, &device, landscape);
    const qreal narrow = korim::report::fittingPointSize(signature, &device, portrait);
    QVERIFY(wide < 10.0 && wide > 7.0);
    QVERIFY(narrow < wide && narrow > 5.0);
    for (qreal width : {landscape, portrait}) {
        const qreal size = korim::report::fittingPointSize(signature, &device, width);
        const QFontMetricsF fits(korim::report::fixedPitchFont(size), &device);
        const QFontMetricsF larger(korim::report::fixedPitchFont(size + 0.1), &device);
        QVERIFY(fits.horizontalAdvance(signature.first()) <= width);
        QVERIFY(larger.horizontalAdvance(signature.first()) > width);
    }
    QVERIFY(QFontInfo(korim::report::fixedPitchFont(8.25)).fixedPitch());
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
