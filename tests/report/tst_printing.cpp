// Printing to PDF, read back with poppler-utils: the document's name, and a
// considerations document whose paragraphs, list items and table cells cross
// pages, each line in the text layer once and in order, the pages drawn as
// the whole-block painting drew them.

#include "report/support/pdftest.h"

#include "report/printing.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <memory>

using namespace korim::report;
using namespace korim::test;

namespace {

enum class Kind { Paragraph, Bullet, Numbered, Cell };

// One block of the test document and its words.
struct Block {
    Kind kind;
    int first = 0; // number of its first word
    int last = 0;
};

// Words that say where they stand: "T0001", "T0002" and on, each once.
class Considerations {
public:
    QByteArray rtf;
    QList<Block> blocks;
    int words = 0;

    Considerations()
    {
        rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
              "{\\colortbl;\\red255\\green255\\blue0;\\red200\\green220\\blue255;}\n";
        // Ten rounds of every kind of block: page breaks fall inside each
        // kind somewhere (the test checks that they do).
        for (int round = 0; round < 10; ++round) {
            // Pieces in turn: each run numbers the words after the last.
            begin("\\pard\\qj\\sa160\\f0\\fs22 ");
            rtf += run(60) + " {\\b ";
            rtf += run(5) + "} {\\highlight1 ";
            rtf += run(8) + "} ";
            rtf += run(40);
            end(Kind::Paragraph, "\\par\n");
            begin("{\\listtext \\'95\\tab}\\pard\\qj\\fi-360\\li720\\sa120\\ls1\\f0\\fs22 ");
            rtf += run(90);
            end(Kind::Bullet, "\\par\n");
            begin("{\\listtext " + QByteArray::number(round + 1) + ".\\tab}\\pard\\qj\\fi-360\\li720\\sa120\\ls2\\f0\\fs22 ");
            rtf += run(90);
            end(Kind::Numbered, "\\par\n");
            begin("\\pard\\intbl\\f1\\fs20 ");
            rtf += run(70);
            end(Kind::Cell, "\\cell\\trowd\\trgaph108\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                            "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\clcbpat2\\cellx8000\\row\n");
            begin("\\pard\\sa160\\f0\\fs22 ");
            rtf += run(30);
            end(Kind::Paragraph, "\\par\n");
        }
        rtf += "}";
    }

    static QString word(int n) { return QStringLiteral("T%1").arg(n, 4, 10, QLatin1Char('0')); }

private:
    int blockStart_ = 1;

    QByteArray run(int count)
    {
        QByteArray text;
        for (int i = 0; i < count; ++i)
            text += (i ? " " : "") + word(++words).toLatin1();
        return text;
    }
    void begin(const QByteArray &opening)
    {
        rtf += opening;
        blockStart_ = words + 1;
    }
    void end(Kind kind, const QByteArray &closing)
    {
        rtf += closing;
        blocks.append({kind, blockStart_, words});
    }
};

// The words of the document on each page, in the order pdftotext reads them.
QList<QList<int>> wordsByPage(const QString &pdf)
{
    const QRegularExpression word(QStringLiteral("\\bT(\\d{4})\\b"));
    QList<QList<int>> pages;
    for (const QString &page : pdfPages(pdf)) {
        QList<int> numbers;
        for (auto it = word.globalMatch(page); it.hasNext();)
            numbers.append(it.next().captured(1).toInt());
        pages.append(numbers);
    }
    return pages;
}

void pdfPrinter(QPrinter &printer, const QString &file)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    preparePrinter(printer);
}

// How the considerations were painted before: each page the whole document
// through the page's clip (blocks crossing the page drawn whole).
void printClippedWhole(QPrinter &printer, const QTextDocument &source)
{
    constexpr qreal dpi = 96.0;
    std::unique_ptr<QTextDocument> doc(source.clone());
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(dpi / 0.0254));
    device.setDotsPerMeterY(qRound(dpi / 0.0254));
    doc->documentLayout()->setPaintDevice(&device);
    doc->setUseDesignMetrics(true);
    doc->setDocumentMargin(0);
    const QRectF inches = printer.pageRect(QPrinter::Inch);
    const QSizeF page(inches.width() * dpi, inches.height() * dpi);
    doc->setPageSize(page);
    QPainter painter(&printer); // page 1 stands for the application's pages
    const qreal scale = printer.resolution() / dpi;
    for (int i = 0; i < doc->pageCount(); ++i) {
        printer.newPage();
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -i * page.height());
        doc->drawContents(&painter, QRectF(0, i * page.height(), page.width(), page.height()));
        painter.restore();
    }
}

QList<QImage> rendered(const QString &pdf, const QString &prefix)
{
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("100"),
                                                    pdf, prefix});
    QList<QImage> pages;
    for (int i = 1;; ++i) {
        QImage page(QStringLiteral("%1-%2.png").arg(prefix).arg(i));
        if (page.isNull())
            break;
        pages.append(page.convertToFormat(QImage::Format_RGB32));
    }
    return pages;
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    Considerations considerations_;
    QTextDocument document_;
    QString printed_; // the considerations as printApplication prints them

private slots:
    void initTestCase()
    {
        const QString rtf = dir_.filePath(QStringLiteral("considera.txt"));
        QFile file(rtf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(considerations_.rtf);
        file.close();
        QString error;
        QVERIFY2(loadConsiderations(rtf, &document_, &error), qPrintable(error));

        printed_ = dir_.filePath(QStringLiteral("printed.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        pdfPrinter(printer, printed_);
        ComposedApplication empty; // one empty page before the considerations
        QVERIFY2(printApplication(printer, empty, &document_, &error), qPrintable(error));
    }

    void documentName_data()
    {
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<QString>("name");
        QTest::newRow("none") << QString() << "Solicitud KORIM";
        QTest::newRow("field left blank") << QString(13, QLatin1Char(' ')) << "Solicitud KORIM";
        QTest::newRow("company, its blank dropped") << " ABC800101AB1"
                                                    << "Solicitud KORIM ABC800101AB1";
        QTest::newRow("individual") << "GODE561231GR8"
                                    << "Solicitud KORIM GODE561231GR8";
    }

    void documentName()
    {
        QFETCH(QString, rfc);
        QFETCH(QString, name);
        ComposedApplication application;
        application.rfc = rfc;
        QCOMPARE(korim::report::documentName(application), name);
    }

    void eachLineOnceInOrder()
    {
        const QList<QList<int>> pages = wordsByPage(printed_);
        QVERIFY(pages.size() > 3);
        QVERIFY(pages.first().isEmpty());
        // The test means something only if a page break falls inside every
        // kind of block.
        QStringList crossing; // the kinds, once each
        const QStringList kindNames{QStringLiteral("paragraph"), QStringLiteral("bullet item"),
                                    QStringLiteral("numbered item"), QStringLiteral("table cell")};
        for (const Block &block : considerations_.blocks) {
            int firstPage = -1, lastPage = -1;
            for (int p = 0; p < pages.size(); ++p) {
                for (int n : pages[p]) {
                    if (n < block.first || n > block.last)
                        continue;
                    if (firstPage < 0)
                        firstPage = p;
                    lastPage = p;
                }
            }
            const QString kind = kindNames[int(block.kind)];
            if (firstPage >= 0 && lastPage > firstPage && !crossing.contains(kind))
                crossing.append(kind);
        }
        crossing.sort();
        QStringList all4 = kindNames;
        all4.sort();
        QCOMPARE(crossing, all4);

        QList<int> read;
        for (const QList<int> &page : pages)
            read += page;
        QList<int> expected;
        for (int n = 1; n <= considerations_.words; ++n)
            expected.append(n);
        QCOMPARE(read, expected);
    }

    void pagesLookAsBefore()
    {
        const QString before = dir_.filePath(QStringLiteral("before.pdf"));
        {
            QPrinter printer(QPrinter::HighResolution);
            pdfPrinter(printer, before);
            printClippedWhole(printer, document_);
        }
        const QList<QImage> was = rendered(before, dir_.filePath(QStringLiteral("before")));
        const QList<QImage> now = rendered(printed_, dir_.filePath(QStringLiteral("printed")));
        QVERIFY(!was.isEmpty());
        QCOMPARE(now.size(), was.size());
        // Two allowances. The clip's edge rows: there the whole-block painting
        // let a sliver of the neighbouring page's line show (a highlight's
        // yellow). And a table cell's lines are placed from the cell's
        // rectangle as the layout reports it, a few 64ths of a pixel off
        // where the layout itself draws them, so a line may land one pixel
        // row higher: it then matches the row below.
        const int top = 50, bottom = 800; // half-inch margins at 100 dpi, 8.5 inches down
        for (int p = 1; p < now.size(); ++p) {
            QCOMPARE(now[p].size(), was[p].size());
            int differing = 0;
            int shifted = 0;
            for (int y = 1; y + 1 < now[p].height(); ++y) {
                if (qAbs(y - top) <= 1 || qAbs(y - bottom) <= 1)
                    continue;
                const auto *a = reinterpret_cast<const QRgb *>(now[p].constScanLine(y));
                const auto *b = reinterpret_cast<const QRgb *>(was[p].constScanLine(y));
                const auto *above = reinterpret_cast<const QRgb *>(was[p].constScanLine(y - 1));
                const auto *below = reinterpret_cast<const QRgb *>(was[p].constScanLine(y + 1));
                for (int x = 0; x < now[p].width(); ++x) {
                    if (a[x] == b[x])
                        continue;
                    if (a[x] == above[x] || a[x] == below[x])
                        ++shifted;
                    else
                        ++differing;
                }
            }
            QVERIFY2(differing == 0, qPrintable(QStringLiteral("page %1: %2 pixels differ").arg(p + 1).arg(differing)));
            // A shifted line, not a page drawn anew.
            QVERIFY2(shifted < now[p].width() * now[p].height() / 100, qPrintable(QStringLiteral("page %1: %2 pixels moved").arg(p + 1).arg(shifted)));
        }
        if (qEnvironmentVariableIsSet("KORIM_SCREENSHOT_DIR")) {
            for (int p = 0; p < now.size(); ++p)
                now[p].save(QStringLiteral("%1/considerations_page%2.png")
                                 .arg(qEnvironmentVariable("KORIM_SCREENSHOT_DIR"))
                                 .arg(p + 1));
        }
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
