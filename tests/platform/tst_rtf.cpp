// The rich-text reader: formatting, characters, paragraphs, what it skips,
// what it refuses, and that no input makes it crash or hang.

#include "platform/rtf.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

using namespace korim::platform;

namespace {

QString load(const QByteArray &rtf, QTextDocument *doc)
{
    QString error;
    if (!loadRtf(rtf, doc, &error))
        return QStringLiteral("FAILED: ") + error;
    return doc->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

// The character format in effect at the first occurrence of text.
QTextCharFormat formatOf(QTextDocument *doc, const QString &text)
{
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(text))
                return it.fragment().charFormat();
        }
    }
    return {};
}


// The marker Qt draws before a list item.
QString listMarker(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    switch (list->format().style()) {
    case QTextListFormat::ListDisc: return QStringLiteral("•");
    case QTextListFormat::ListCircle: return QStringLiteral("◦");
    case QTextListFormat::ListSquare: return QStringLiteral("▪");
    default: return list->itemText(block);
    }
}

// What a character format shows, as short tags; the size and face only when
// they differ from the fragment before.
QString tags(const QTextCharFormat &f, QString *lastFace, qreal *lastSize)
{
    QStringList t;
    if (f.fontWeight() >= QFont::Bold)
        t << QStringLiteral("b");
    if (f.fontItalic())
        t << QStringLiteral("i");
    if (f.fontUnderline())
        t << QStringLiteral("u");
    if (f.fontStrikeOut())
        t << QStringLiteral("s");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        t << QStringLiteral("sup");
    if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        t << QStringLiteral("sub");
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        t << QStringLiteral("fg") + f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        t << QStringLiteral("bg") + f.background().color().name();
    const QString face = f.fontFamilies().toStringList().value(0);
    if (face != *lastFace)
        t << face;
    if (f.fontPointSize() != *lastSize)
        t << QString::number(f.fontPointSize()) + QStringLiteral("pt");
    *lastFace = face;
    *lastSize = f.fontPointSize();
    return t.join(QLatin1Char(','));
}

QString describeBlock(const QTextBlock &block, QString *lastFace, qreal *lastSize)
{
    const QTextBlockFormat f = block.blockFormat();
    QStringList p;
    if (f.alignment() & Qt::AlignHCenter)
        p << QStringLiteral("centre");
    else if (f.alignment() & Qt::AlignRight)
        p << QStringLiteral("right");
    else if (f.alignment() & Qt::AlignJustify)
        p << QStringLiteral("justify");
    if (f.leftMargin() != 0)
        p << QStringLiteral("left=%1").arg(f.leftMargin());
    if (f.textIndent() != 0)
        p << QStringLiteral("first=%1").arg(f.textIndent());
    if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        p << QStringLiteral("page");
    if (block.textList())
        p << QStringLiteral("list ") + listMarker(block);
    QString line = QStringLiteral("[%1]").arg(p.join(QLatin1Char(' ')));
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        QString text = fragment.text();
        text.replace(QChar(QChar::LineSeparator), QLatin1String("<br>")).replace(QLatin1Char('\t'), QLatin1String("<tab>"));
        const QString t = tags(fragment.charFormat(), lastFace, lastSize);
        line += t.isEmpty() ? text : QStringLiteral("{%1}%2").arg(t, text);
    }
    return line;
}

// The whole document as lines: paragraphs with their format, tables cell by
// cell with their spans.
QString describe(const QTextDocument &doc)
{
    QStringList lines;
    QString face;
    qreal size = 0;
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (QTextTable *table = qobject_cast<QTextTable *>(it.currentFrame())) {
            lines << QStringLiteral("table %1x%2").arg(table->rows()).arg(table->columns());
            for (int r = 0; r < table->rows(); ++r) {
                QStringList cells;
                for (int c = 0; c < table->columns(); ++c) {
                    const QTextTableCell cell = table->cellAt(r, c);
                    if (cell.row() != r || cell.column() != c)
                        continue; // part of a merged cell
                    QStringList text;
                    for (auto b = cell.begin(); !b.atEnd(); ++b)
                        text << describeBlock(b.currentBlock(), &face, &size);
                    QString span;
                    if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
                        span = QStringLiteral("(%1x%2)").arg(cell.rowSpan()).arg(cell.columnSpan());
                    cells << span + text.join(QLatin1String(" / "));
                }
                lines << QStringLiteral("| ") + cells.join(QLatin1String(" | ")) + QStringLiteral(" |");
            }
        } else if (it.currentBlock().isValid()) {
            lines << describeBlock(it.currentBlock(), &face, &size);
        }
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// The text as LibreOffice writes it to a plain-text file: list markers
// before items, every table cell on a line of its own.
QStringList textLines(const QTextDocument &doc)
{
    QStringList lines;
    auto add = [&lines](const QTextBlock &block) {
        QString text = block.text();
        text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
        const QString marker = listMarker(block);
        lines << (marker.isEmpty() ? text : marker + QLatin1Char(' ') + text).split(QLatin1Char('\n'));
    };
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (QTextTable *table = qobject_cast<QTextTable *>(it.currentFrame())) {
            for (int r = 0; r < table->rows(); ++r) {
                for (int c = 0; c < table->columns(); ++c) {
                    const QTextTableCell cell = table->cellAt(r, c);
                    if (cell.row() != r || cell.column() != c)
                        continue;
                    for (auto b = cell.begin(); !b.atEnd(); ++b)
                        add(b.currentBlock());
                }
            }
        } else if (it.currentBlock().isValid()) {
            add(it.currentBlock());
        }
    }
    return lines;
}

// Lines compared without the blanks, tabs and empty lines the two writers
// place differently.
QStringList normalised(const QStringList &lines)
{
    QStringList out;
    for (QString line : lines) {
        line.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QChar(0xFEFF), QString());
        line = line.simplified();
        // LibreOffice writes its own bullet for every bulleted item.
        static const QString bullets = QStringLiteral("▪◦➢✓");
        if (!line.isEmpty() && bullets.contains(line[0]))
            line[0] = QChar(0x2022);
        if (!line.isEmpty())
            out << line;
    }
    return out;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray Sample =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fmodern Courier New;}}\n"
    "{\\colortbl;\\red255\\green0\\blue0;}\n"
    "\\uc1\\pard\\qc\\sa240\\b\\fs28 T\\'edtulo centrado\\b0\\par\n"
    "\\pard\\qj\\li360\\fi-360\\f1\\fs20 1.\\tab Texto con \\i cursiva\\i0 , \\ul subrayado\\ul0  y \\u8364?.\\par\n"
    "{\\*\\generator Algo;}{\\pict\\wmetafile8 0a0b0c}Fin\\line l\\'ednea\\par}\n";

} // namespace

class TestRtf : public QObject {
    Q_OBJECT
private slots:
    void characterFormatting()
    {
        QTextDocument doc;
        QCOMPARE(load("{\\rtf1\\ansi Normal \\b negrita\\b0  y \\i cursiva\\i0 , \\ul sub\\ulnone , "
                      "{\\b\\i ambas} \\plain\\fs40 grande\\par}",
                      &doc),
                 QStringLiteral("Normal negrita y cursiva, sub, ambas grande"));
        QCOMPARE(formatOf(&doc, QStringLiteral("Normal")).fontWeight(), int(QFont::Normal));
        QCOMPARE(formatOf(&doc, QStringLiteral("negrita")).fontWeight(), int(QFont::Bold));
        QVERIFY(!formatOf(&doc, QStringLiteral(" y ")).fontItalic());
        QVERIFY(formatOf(&doc, QStringLiteral("cursiva")).fontItalic());
        QVERIFY(formatOf(&doc, QStringLiteral("sub")).fontUnderline());
        QVERIFY(!formatOf(&doc, QStringLiteral(", ambas")).fontUnderline());
        // A group's formatting ends with the group.
        QCOMPARE(formatOf(&doc, QStringLiteral("ambas")).fontWeight(), int(QFont::Bold));
        QVERIFY(formatOf(&doc, QStringLiteral("ambas")).fontItalic());
        QCOMPARE(formatOf(&doc, QStringLiteral("grande")).fontWeight(), int(QFont::Normal));
        // \fs counts half points; 12 points when none is given.
        QCOMPARE(formatOf(&doc, QStringLiteral("grande")).fontPointSize(), 20.0);
        QCOMPARE(formatOf(&doc, QStringLiteral("Normal")).fontPointSize(), 12.0);
    }

    void fontsFromTheFontTable()
    {
        QTextDocument doc;
        QCOMPARE(load(Sample, &doc).section(QLatin1Char('\n'), 0, 0), QStringLiteral("Título centrado"));
        QCOMPARE(formatOf(&doc, QStringLiteral("Título")).fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
        QCOMPARE(formatOf(&doc, QStringLiteral("Título")).fontPointSize(), 14.0);
        QCOMPARE(formatOf(&doc, QStringLiteral("Texto")).fontFamilies().toStringList(),
                 QStringList{QStringLiteral("Courier New")});
        QCOMPARE(formatOf(&doc, QStringLiteral("Texto")).fontPointSize(), 10.0);
    }

    void paragraphsAndAlignment()
    {
        QTextDocument doc;
        QCOMPARE(load(Sample, &doc),
                 QStringLiteral("Título centrado\n1.\tTexto con cursiva, subrayado y €.\nFin") + QChar(QChar::LineSeparator)
                     + QStringLiteral("línea"));
        QCOMPARE(doc.blockCount(), 3);
        QCOMPARE(doc.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);
        QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignJustify);
        QCOMPARE(doc.findBlockByNumber(1).blockFormat().leftMargin(), 24.0);
        QCOMPARE(doc.findBlockByNumber(1).blockFormat().textIndent(), -24.0);
        QCOMPARE(doc.findBlockByNumber(0).blockFormat().bottomMargin(), 16.0);
        // \pard went back to the left; alignment does not leak out of a group.
        QCOMPARE(load("{\\rtf1 {\\qr derecha\\par}sigue\\par\\qc a\\par\\pard b\\par}", &doc),
                 QStringLiteral("derecha\nsigue\na\nb"));
        QCOMPARE(doc.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignRight);
        QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignLeft);
        QCOMPARE(doc.findBlockByNumber(2).blockFormat().alignment(), Qt::AlignHCenter);
        QCOMPARE(doc.findBlockByNumber(3).blockFormat().alignment(), Qt::AlignLeft);
    }

    void charactersAndEscapes()
    {
        QTextDocument doc;
        // Windows-1252 both escaped and as raw bytes.
        QCOMPARE(load("{\\rtf1\\ansi\\ansicpg1252 \\'e1\\'e9\\'ed\\'f3\\'fa\\'f1\\'d1 \\'80\\'93x\\'94 \xe1\xfc}", &doc),
                 QStringLiteral("áéíóúñÑ €“x” áü"));
        QCOMPARE(load("{\\rtf1 a\\\\b\\{c\\}d\\~e\\-f\\emdash\\bullet}", &doc),
                 QStringLiteral("a\\b{c}d\u00A0ef\u2014\u2022"));
        // Unicode with its fallback characters skipped, also across surrogate pairs.
        QCOMPARE(load("{\\rtf1\\uc1 \\u8364?\\u-10179?\\u-8704?\\u233\\'e9.}", &doc),
                 QStringLiteral("€😀é."));
        QCOMPARE(load("{\\rtf1\\uc2 \\u241 nX.\\uc0 \\u241 Z}", &doc), QStringLiteral("ñ.ñZ"));
        QCOMPARE(load("{\\rtf1 {\\uc3 \\u241 a}b}", &doc), QStringLiteral("ñb")); // a closing brace ends the skip
    }

    void skippedDestinations()
    {
        QTextDocument doc;
        QCOMPARE(load("{\\rtf1{\\fonttbl\\f0 Arial;}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}}"
                      "{\\info{\\title T\\'edtulo}{\\author Yo}}{\\*\\unknown oculto {\\b m\\'e1s}}"
                      "{\\pict\\pngblip 89504e47}{\\header cabecera}"
                      "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt visible}}"
                      "\\bin5 {}\\}x texto}",
                      &doc),
                 QStringLiteral("visible texto")); // the five bytes after \bin5 are data
    }

    void refusedInput()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("previo"));
        QString error;
        QVERIFY(!loadRtf("Hola, no soy RTF", &doc, &error));
        QCOMPARE(error, QStringLiteral("El texto no es un documento de texto enriquecido válido."));
        QCOMPARE(doc.toPlainText(), QStringLiteral("previo")); // left as it was
        QVERIFY(!loadRtf({}, &doc, &error));
        QVERIFY(!loadRtf("{\\rt", &doc, &error));
        // Nesting beyond any real document is refused, quickly.
        QVERIFY(!loadRtf("{\\rtf1 " + QByteArray(200000, '{'), &doc, &error));
        QCOMPARE(doc.toPlainText(), QStringLiteral("previo"));
        // Reasonable nesting is fine.
        QCOMPARE(load("{\\rtf1 " + QByteArray(300, '{') + "x" + QByteArray(300, '}') + "}", &doc), QStringLiteral("x"));
        doc.setPlainText(QStringLiteral("previo"));

        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("considera.txt"));
        QVERIFY(!loadRtfFile(missing, &doc, &error));
        QCOMPARE(error, QStringLiteral("No se encuentra el archivo %1.").arg(missing));
        QFile plain(missing);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("Consideraciones en texto plano\n");
        plain.close();
        QVERIFY(!loadRtfFile(missing, &doc, &error));
        QCOMPARE(error, QStringLiteral("El archivo %1 no es un documento de texto enriquecido válido.").arg(missing));
        QVERIFY(!loadRtfFile(dir.path(), &doc, &error));
        QVERIFY(error.contains(dir.path()));
        QCOMPARE(doc.toPlainText(), QStringLiteral("previo"));
    }

    void forgivingWithDamagedEnds()
    {
        QTextDocument doc;
        QCOMPARE(load("{\\rtf1 abc\\par def", &doc), QStringLiteral("abc\ndef")); // never closed
        QCOMPARE(load("{\\rtf1 abc}}} ignorado", &doc), QStringLiteral("abc"));
        QCOMPARE(load("{\\rtf1 a\\'", &doc), QStringLiteral("a"));
        QCOMPARE(load("{\\rtf1 a\\'g1b\\", &doc), QStringLiteral("ab")); // a broken escape goes with its two characters
        QCOMPARE(load("{\\rtf1 a\\u b\\fs99999999999999999 c\\fs-5 d\\bin999999999 }", &doc), QStringLiteral("abcd")); // a blank after a control word belongs to it
        QCOMPARE(formatOf(&doc, QStringLiteral("c")).fontPointSize(), 1000.0);
        QCOMPARE(formatOf(&doc, QStringLiteral("d")).fontPointSize(), 12.0);
    }

    void shippedConsiderationsLoad()
    {
        const QString source = qEnvironmentVariable("KORIM_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("KORIM_SOURCE_DIR is not set");
        QTextDocument doc;
        QString error;
        QVERIFY2(loadRtfFile(source + QStringLiteral("/resources/considera.txt"), &doc, &error), qPrintable(error));
        const QTextBlock title = doc.begin();
        QVERIFY(title.text().startsWith(QStringLiteral("Consideraciones generales")));
        QCOMPARE(title.blockFormat().alignment(), Qt::AlignHCenter);
        QCOMPARE(title.begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
        QVERIFY(doc.toPlainText().contains(QStringLiteral("Secretaría de Zentoria")));
        QVERIFY(!doc.toPlainText().contains(QLatin1Char('\\')));
        QVERIFY(!doc.toPlainText().contains(QLatin1String("Arial")));
    }

    // Documents written by the word processors on this system from one
    // source with every feature: the text matches what LibreOffice reads
    // from the same file, the structure and formatting match the reviewed
    // description kept beside it.
    void writersDocuments_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("LibreOffice") << QStringLiteral("libreoffice");
        QTest::newRow("pandoc") << QStringLiteral("pandoc");
        QTest::newRow("word-style") << QStringLiteral("wordstyle");
    }
    void writersDocuments()
    {
        QFETCH(QString, name);
        const QString source = qEnvironmentVariable("KORIM_SOURCE_DIR");
        if (source.isEmpty())
            QSKIP("KORIM_SOURCE_DIR is not set");
        const QString base = source + QStringLiteral("/tests/platform/rtf/") + name;
        QTextDocument doc;
        QString error;
        QVERIFY2(loadRtfFile(base + QStringLiteral(".rtf"), &doc, &error), qPrintable(error));

        const QString described = describe(doc);
        if (qEnvironmentVariableIsSet("KORIM_UPDATE_GOLDEN")) {
            QFile out(base + QStringLiteral(".expected"));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(described.toUtf8());
        }
        QCOMPARE(described, QString::fromUtf8(readFile(base + QStringLiteral(".expected"))));

        const QByteArray libreOffice = readFile(base + QStringLiteral(".lo.txt"));
        QVERIFY(!libreOffice.isEmpty());
        QCOMPARE(normalised(textLines(doc)), normalised(QString::fromUtf8(libreOffice).split(QLatin1Char('\n'))));
    }

    void listsAndSymbolBullets()
    {
        QTextDocument doc;
        QCOMPARE(load("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}{\\f2\\fcharset2 Wingdings;}}"
                      "\\pard\\ls1\\li720\\fi-360{\\listtext\\f1 \\'b7\\tab}uno\\par"
                      "{\\listtext\\f1 \\'b7\\tab}dos\\par"
                      "\\pard\\ls2\\li720\\fi-360{\\listtext\\f2 \\'a7\\tab}cuadro\\par"
                      "\\pard\\ls3{\\listtext\\f2 \\'d8\\tab}flecha\\par"
                      "\\pard\\ls4{\\listtext a)\\tab}primera\\par{\\listtext b)\\tab}segunda\\par"
                      "\\pard\\ls5{\\listtext 3.\\tab}empieza en tres\\par"
                      "\\pard\\ls6{\\listtext 1.1.\\tab}dos niveles\\par"
                      "\\pard nada\\par"
                      "\\pard\\ls1{\\listtext\\f1 \\'b7\\tab}sigue\\par"
                      "\\f1 \\'61\\'b7\\u61623\\'b7\\f2 \\'fc\\f0 \\u61623?}",
                      &doc),
                 QStringLiteral("uno\ndos\ncuadro\n➢\tflecha\nprimera\nsegunda\n3.\tempieza en tres\n1.1.\tdos niveles\nnada\nsigue\n"
                                "α••✓•"));
        const QStringList markers = [&] {
            QStringList m;
            for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
                m << listMarker(b);
            return m;
        }();
        // Bullets and letters Qt can draw become list items; markers it
        // cannot draw stay the writer's text, with no list.
        QCOMPARE(markers, QStringList({"•", "•", "▪", "", "a)", "b)", "", "", "", "•", ""}));
        QCOMPARE(doc.begin().textList(), doc.findBlockByNumber(1).textList());
        QCOMPARE(doc.findBlockByNumber(4).textList(), doc.findBlockByNumber(5).textList());
        // A bulleted list interrupted by another paragraph starts anew.
        QVERIFY(doc.begin().textList() != doc.findBlockByNumber(9).textList());
        QCOMPARE(doc.begin().blockFormat().leftMargin(), 48.0);
        QCOMPARE(doc.begin().blockFormat().textIndent(), 0.0); // the marker hangs in the indent
        QCOMPARE(doc.findBlockByNumber(3).blockFormat().textIndent(), 0.0);
    }

    void tables()
    {
        QTextDocument doc;
        // Two rows of three cells, a cell merged across the row below, a
        // vertical merge, shading, text before and after.
        QVERIFY(loadRtf("{\\rtf1{\\colortbl;\\red255\\green255\\blue0;}antes\\par"
                        "\\trowd\\trleft0\\clvmgf\\cellx1000\\clcbpat1\\cellx2000\\cellx3000"
                        "\\pard\\intbl A\\cell\\pard\\intbl {\\b B}\\par B2\\cell C\\cell\\row"
                        "\\trowd\\clvmrg\\cellx1000\\cellx3000\\pard\\intbl\\cell D\\cell\\row"
                        "\\trowd\\cellx1010\\cellx2000\\cellx2990\\intbl E\\cell F\\cell G\\cell\\row"
                        "\\pard despu\\'e9s\\par}",
                        &doc, nullptr));
        QCOMPARE(describe(doc).section(QLatin1Char('\n'), 1),
                 QStringLiteral("table 3x3\n"
                                "| (2x1)[]A | []{b}B / []B2 | []C |\n"
                                "| (1x2)[]D |\n"
                                "| []E | []F | []G |\n"
                                "[]después\n"));
        auto *table = qobject_cast<QTextTable *>(doc.rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QCOMPARE(table->cellAt(0, 1).format().background().color(), QColor(255, 255, 0));
        QCOMPARE(table->format().columnWidthConstraints().value(0).rawValue(), 1000 / 15.0);

        // Nested tables keep their cells in the outer cell, apart; a table
        // that is never ended is kept; cells without definitions get some.
        QVERIFY(loadRtf("{\\rtf1\\intbl a\\itap2 b\\nestcell c\\nestcell{\\*\\nesttableprops\\trowd\\cellx5\\nestrow}"
                        "{\\nonesttables b c}\\itap1\\cell x\\cell}",
                        &doc, nullptr));
        QCOMPARE(describe(doc), QStringLiteral("[]\ntable 1x2\n| []{12pt}ab<tab>c<tab> | []x |\n[]\n"));
        // A row never ended with \row ends before the next paragraph outside
        // the table; a \cell outside a table makes a cell of its paragraph only.
        QVERIFY(loadRtf("{\\rtf1\\trowd\\cellx900\\intbl a\\cell\\pard fuera\\par b\\cell\\pard\\par c\\par}", &doc, nullptr));
        QCOMPARE(describe(doc),
                 QStringLiteral("[]\ntable 1x1\n| []{12pt}a |\n[]fuera\ntable 1x1\n| []b |\n[]\n[]c\n"));

        // Rows that do not fit the columns start a new table; the cells made
        // stay within a few times the cells read.
        QByteArray many = "{\\rtf1 ";
        qsizetype cells = 0;
        for (int r = 0; r < 300; ++r) {
            many += "\\trowd";
            for (int c = 0; c <= r % 70; ++c)
                many += "\\cellx" + QByteArray::number(100 * (c + 1) + r);
            many += "\\intbl" + QByteArray("x\\cell").repeated(r % 70 + 1) + "\\row";
            cells += r % 70 + 1;
        }
        QVERIFY(loadRtf(many + "}", &doc, nullptr));
        qsizetype made = 0;
        for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
            auto *t = qobject_cast<QTextTable *>(frame);
            QVERIFY(t && t->columns() <= 63);
            made += qsizetype(t->rows()) * t->columns();
        }
        QVERIFY2(made <= 4 * cells, qPrintable(QStringLiteral("%1 cells made for %2 read").arg(made).arg(cells)));
    }

    void unicodeAndCodePages()
    {
        QTextDocument doc;
        // Out-of-range \u gives "?", \u0, control characters and Qt's frame
        // marks give nothing, a lone half of a surrogate pair is not a character, a
        // broken hex escape is dropped with its two characters.
        QCOMPARE(load("{\\rtf1\\uc1 a\\u-99999?b\\u70000?c\\u0?d\\u7?e\\u-10179?f\\u-8704 g\\'zzh\\u64976?\\'4}", &doc),
                 QStringLiteral("a?b?cde\uFFFDf\uFFFDh")); // the g is the fallback of the lone half
        QVERIFY(!doc.toPlainText().contains(QChar(0)));
        // Code pages: of the document, of a font's character set, a double-byte
        // pair written as two escapes, and the fallback after \u in each.
        QCOMPARE(load("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 Arial CE;}"
                      "{\\f2\\fcharset128 MS Mincho;}{\\f3\\fcharset161 Greek;}}"
                      "\\f0 \\'cf\\'f0\\f1  \\'b9\\'e6\\f2  \\'93\\'fa\\'96\\'7b\\f3  \\'e1\\uc2\\u8364\\'82\\'a0!}",
                      &doc),
                 QStringLiteral("Пр ąć 日本 α€!"));
        QCOMPARE(load("{\\rtf1\\mac \\'8e\\pca \\'a4}", &doc), QStringLiteral("éñ"));
    }

    void colourStrikeAndScripts()
    {
        QTextDocument doc;
        QCOMPARE(load("{\\rtf1{\\colortbl;\\red192\\green0\\blue0;\\red0\\green0\\blue255;}"
                      "\\cf1 rojo\\cf0  auto \\highlight2 fondo\\highlight0  {\\strike tachado} m{\\super 2} H{\\sub 2}O "
                      "{\\uldb doble}{\\ulwave onda}{\\v oculto}{\\caps may}\\cf99 fuera\\page sigue\\par"
                      "\\pagebb nueva\\par}",
                      &doc),
                 QStringLiteral("rojo auto fondo tachado m2 H2O dobleondamayfuera\nsigue\nnueva"));
        QCOMPARE(formatOf(&doc, QStringLiteral("rojo")).foreground().color(), QColor(192, 0, 0));
        QVERIFY(!formatOf(&doc, QStringLiteral("auto")).hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(formatOf(&doc, QStringLiteral("fondo")).background().color(), QColor(0, 0, 255));
        QVERIFY(formatOf(&doc, QStringLiteral("tachado")).fontStrikeOut());
        QCOMPARE(formatOf(&doc, QStringLiteral("2")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(formatOf(&doc, QStringLiteral("onda")).underlineStyle(), QTextCharFormat::WaveUnderline);
        QVERIFY(formatOf(&doc, QStringLiteral("doble")).fontUnderline());
        QCOMPARE(formatOf(&doc, QStringLiteral("may")).fontCapitalization(), QFont::AllUppercase);
        QVERIFY(!formatOf(&doc, QStringLiteral("fuera")).hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(doc.findBlockByNumber(1).blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
        QVERIFY(doc.findBlockByNumber(2).blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    }

    void limits()
    {
        QTextDocument doc;
        QString error;
        // A control word longer than the format allows is not RTF.
        QVERIFY(!loadRtf("{\\rtf1 a\\" + QByteArray(33, 'x') + " b}", &doc, &error));
        QCOMPARE(error, QStringLiteral("El texto no es un documento de texto enriquecido válido."));
        QCOMPARE(load("{\\rtf1 a\\" + QByteArray(32, 'x') + " b}", &doc), QStringLiteral("ab"));
        // \bin beyond the end of the file, huge and negative numbers.
        QCOMPARE(load("{\\rtf1 a\\bin-5 b\\li99999999999 c\\uc99999 \\u65 " + QByteArray(20, 'x') + "d}", &doc),
                 QStringLiteral("abcAxxxxd"));
        QCOMPARE(doc.begin().blockFormat().leftMargin(), 22 * 1440 / 15.0);
        // Only the first 256 faces of the font table are asked of the system.
        QByteArray fonts = "{\\rtf1{\\fonttbl";
        for (int f = 0; f < 300; ++f)
            fonts += "{\\f" + QByteArray::number(f) + " Fuente" + QByteArray::number(f) + ";}";
        QCOMPARE(load(fonts + "}\\f255 a\\f256 b}", &doc), QStringLiteral("ab"));
        QCOMPARE(formatOf(&doc, QStringLiteral("a")).fontFamilies().toStringList(), QStringList{QStringLiteral("Fuente255")});
        QVERIFY(!formatOf(&doc, QStringLiteral("b")).hasProperty(QTextFormat::FontFamilies));
        // Footnote references count the notes; the notes are not text.
        QCOMPARE(load("{\\rtf1 uno{\\super\\chftn}{\\footnote{\\super\\chftn} nota} dos{\\super\\chftn}"
                      "{\\footnote nota}.}",
                      &doc),
                 QStringLiteral("uno1 dos2."));
    }

    // Random damage to real documents: every call returns, fast, and never
    // produces more text than it was given.
    void survivesRandomMutations()
    {
        QList<QByteArray> corpus{Sample,
                                 "{\\rtf1{\\fonttbl{\\f0 A;}}\\uc2\\u-4000ab{\\*\\x{\\y}}\\bin3 abc\\'41}",
                                 "{\\rtf1\\ansi{\\info{\\title x}}{\\pict 0102}\\qc\\b x\\par}"};
        const QString source = qEnvironmentVariable("KORIM_SOURCE_DIR");
        QFile considera(source + QStringLiteral("/resources/considera.txt"));
        if (!source.isEmpty() && considera.open(QIODevice::ReadOnly))
            corpus << considera.readAll().left(1500);
        static const char *const pieces[] = {"{", "}", "\\", "\\'", "\\u", "\\uc", "\\bin", "\\*", "\\par",
                                             "\\fonttbl", "\\f", "\\fs", "-", "9999999999", ";", "\\b0", "\xff"};
        QRandomGenerator random(20240601);
        QElapsedTimer clock;
        clock.start();
        int runs = 0;
        for (; runs < 20000 && clock.elapsed() < 1000; ++runs) {
            QByteArray input = corpus[random.bounded(int(corpus.size()))];
            const int edits = 1 + random.bounded(8);
            for (int e = 0; e < edits && !input.isEmpty(); ++e) {
                const int at = random.bounded(int(input.size()));
                switch (random.bounded(5)) {
                case 0: input[at] = char(random.bounded(256)); break;
                case 1: input.insert(at, pieces[random.bounded(int(std::size(pieces)))]); break;
                case 2: input.remove(at, random.bounded(16)); break;
                case 3: input.truncate(at); break;
                default: input.insert(at, input.mid(random.bounded(int(input.size())), 40)); break;
                }
            }
            QTextDocument doc;
            QString error;
            if (loadRtf(input, &doc, &error))
                QVERIFY(doc.toPlainText().size() <= input.size());
            else
                QVERIFY(!error.isEmpty());
        }
        QVERIFY2(runs >= 300, qPrintable(QStringLiteral("only %1 runs").arg(runs)));
        qInfo("%d mutated documents in %lld ms", runs, clock.elapsed());
    }
};

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
