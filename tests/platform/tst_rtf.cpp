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
        QCOMPARE(load("{\\rtf1 a\\'g1b\\", &doc), QStringLiteral("ag1b"));
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
