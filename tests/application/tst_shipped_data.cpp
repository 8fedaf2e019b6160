// The shipped data folder as the build generates it from resources/, and the
// generator's refusal of broken sources.

#include "data/dbf.h"
#include "application/foldercheck.h"
#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <utility>

using namespace korim::data;
using korim::application::checkDataFolder;
using korim::test::readAll;

namespace {

struct Layout {
    QString file;
    QString fields; // "NAME C13,..." as in docs/tables.md
};

// The layouts of docs/tables.md.
const QList<Layout> &layouts()
{
    static const QList<Layout> all = {
        {QStringLiteral("datoprov.dbf"),
         QStringLiteral("RFC C13,APEPATRAZ C100,APEMAT C100,NOMBRE C25,EMAIL C50,PROG1P C4,PROG2P C4,"
                        "ACREDITA C10,CALLEYNO C254,COLONIA C30,CP C5,ESTADO C30,CIUDAD C60,DELMUN C40,"
                        "TELEFONO C15,TIPOTRAM N2,FAX C15,APEPREPLEG C25,APEMREPLEG C25,NOMBREREPL C25,"
                        "CVESOLIC C2,TIPOPROG N1,ACTIVIDAD N6,CARGO C60,TEL_REPREG C25,FAXREP C25,"
                        "EMAILREPL C50,NOEMPLEADO C15,ADMLOCAL N4,NOOBREROS C15,NUMMAQUILA N6,"
                        "ANOMAQUILA N4,VTPAIS C20,VTEXTERIOR C20,BANCO N10,CVEBANCO N10,SUCURSAL C60,"
                        "NUMCUENTA C20,LOCALIDAD C60,DOMBANCO C254")},
        {QStringLiteral("VENTAS.dbf"),
         QStringLiteral("ANO N4,VTOT N18.2,VTOTD N18.4,EXPORTA N18.2,IMPORTA N18.2,SALDO N18.2,TC N12.4,"
                        "ETIQUETA C30,TIPO N1")},
        {QStringLiteral("PROVMERC.dbf"), QStringLiteral("NUMPROD N3,RFC C13,DESCRIPCIO C150")},
        {QStringLiteral("activida.dbf"), QStringLiteral("NUMERO N5,SECTOR C4,DESCRIPCIO C120,CLAVE N6")},
        {QStringLiteral("admlocal.dbf"), QStringLiteral("CLAVE N4,NOMBRE C60")},
        {QStringLiteral("catbanco.dbf"), QStringLiteral("CLAVE N4,SIGLAS C10,NOMBRE C60")},
    };
    return all;
}

QString describe(const FieldDef &f)
{
    QString s = QStringLiteral("%1 %2%3").arg(f.name).arg(QChar(char(f.type))).arg(f.length);
    if (f.decimals)
        s += QStringLiteral(".%1").arg(f.decimals);
    return s;
}

QString shipped(const QString &file)
{
    return QDir(korim::test::shippedDataFolder()).filePath(file);
}

QString sourceDir()
{
    return qEnvironmentVariable("KORIM_SOURCE_DIR") + QStringLiteral("/resources");
}

} // namespace

class TestShippedData : public QObject {
    Q_OBJECT

private slots:
    void folderHoldsTheTablesAndTheConsiderations();
    void tablesHaveTheDocumentedLayout_data();
    void tablesHaveTheDocumentedLayout();
    void shippedRows();
    void catalogueInvariants();
    void textsSurviveTheCodePage();
    void dbfreadReadsTheSameValues_data();
    void dbfreadReadsTheSameValues();
    void generatorIsReproducible();
    void generatorReadsEveryFormOfCsv();
    void generatorRefusesBrokenSources_data();
    void generatorRefusesBrokenSources();
};

void TestShippedData::folderHoldsTheTablesAndTheConsiderations()
{
    const QDir dir(korim::test::shippedDataFolder());
    QVERIFY2(dir.exists(), qPrintable(dir.path()));
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
    names.sort();
    QCOMPARE(names, QStringList({"PROVMERC.dbf", "VENTAS.dbf", "activida.dbf", "admlocal.dbf",
                                 "catbanco.dbf", "considera.txt", "datoprov.dbf"}));

    QFile shippedText(shipped("considera.txt")), source(sourceDir() + "/considera.txt");
    QVERIFY(shippedText.open(QIODevice::ReadOnly));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray rtf = shippedText.readAll();
    QCOMPARE(rtf, source.readAll());
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    QVERIFY(rtf.contains("\\fonttbl") && rtf.contains("\\b ") && rtf.contains("\\par"));
    for (const char c : rtf)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, "considera.txt must stay ASCII");

    // The program's own start-up check accepts the folder as shipped.
    QCOMPARE(checkDataFolder(dir.path()), QString());
}

void TestShippedData::tablesHaveTheDocumentedLayout_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fields");
    for (const Layout &l : layouts())
        QTest::newRow(qPrintable(l.file)) << l.file << l.fields;
}

void TestShippedData::tablesHaveTheDocumentedLayout()
{
    QFETCH(QString, file);
    QFETCH(QString, fields);
    const auto table = DbfTable::open(shipped(file));
    QCOMPARE(table->codePage(), CodePage::Windows1252);
    QStringList got;
    for (const FieldDef &f : table->fields())
        got << describe(f);
    QCOMPARE(got.join(QLatin1Char(',')), fields);

    if (file == QLatin1String("datoprov.dbf")) {
        QVERIFY(table->fieldCount() >= 40);
        // Every positional field but CVESOLIC holds a number.
        for (int pos : {15, 21, 22, 28, 30, 31, 34, 35})
            QCOMPARE(table->fields().at(pos).type, FieldType::Numeric);
        QCOMPARE(table->fields().at(21).name, QStringLiteral("TIPOPROG"));
        QVERIFY(table->fields().at(20).length >= 2); // holds "14"
    }
}

void TestShippedData::shippedRows()
{
    QCOMPARE(DbfTable::open(shipped("datoprov.dbf"))->recordCount(), 0);
    QCOMPARE(DbfTable::open(shipped("PROVMERC.dbf"))->recordCount(), 0);
    QVERIFY(DbfTable::open(shipped("activida.dbf"))->recordCount() >= 60);
    QVERIFY(DbfTable::open(shipped("catbanco.dbf"))->recordCount() >= 15);
    QVERIFY(DbfTable::open(shipped("admlocal.dbf"))->recordCount() >= 30);

    const auto ventas = DbfTable::open(shipped("VENTAS.dbf"));
    QCOMPARE(ventas->recordCount(), 6);
    QMap<qlonglong, int> kinds;
    for (int r = 0; r < 6; ++r) {
        ++kinds[ventas->value(r, ventas->fieldIndex("TIPO")).toLongLong()];
        QVERIFY(!ventas->value(r, ventas->fieldIndex("ETIQUETA")).toString().trimmed().isEmpty());
        for (int f = 0; f <= 6; ++f) // the year is rewritten at start; figures start at 0
            QCOMPARE(ventas->value(r, f).toDouble(), 0.0);
    }
    QCOMPARE(kinds, (QMap<qlonglong, int>{{1, 3}, {2, 3}}));
}

void TestShippedData::catalogueInvariants()
{
    const auto activida = DbfTable::open(shipped("activida.dbf"));
    QSet<qlonglong> codes;
    QSet<QString> texts;
    for (int r = 0; r < activida->recordCount(); ++r) {
        QCOMPARE(activida->value(r, 0).toLongLong(), qlonglong(r));
        const qlonglong code = activida->value(r, 3).toLongLong();
        QVERIFY2(code >= 1000 && code <= 999999, qPrintable(QString::number(code)));
        QVERIFY2(!codes.contains(code), qPrintable(QString::number(code)));
        codes.insert(code);
        const QString text = activida->value(r, 2).toString();
        QVERIFY(!text.isEmpty() && !texts.contains(text));
        texts.insert(text);
    }

    // Offices and banks are chosen by code: codes and names must both be unique.
    for (const auto &[file, nameField] : {std::pair{"admlocal.dbf", 1}, std::pair{"catbanco.dbf", 2}}) {
        const auto table = DbfTable::open(shipped(file));
        codes.clear();
        texts.clear();
        for (int r = 0; r < table->recordCount(); ++r) {
            const qlonglong code = table->value(r, 0).toLongLong();
            QVERIFY(code > 0 && !codes.contains(code));
            codes.insert(code);
            const QString name = table->value(r, nameField).toString();
            QVERIFY(!name.isEmpty() && !texts.contains(name));
            texts.insert(name);
            if (QLatin1String(file) == QLatin1String("admlocal.dbf"))
                QVERIFY2(name.startsWith(QStringLiteral("Administración Local de Recaudación de ")),
                         qPrintable(name));
        }
    }
}

void TestShippedData::textsSurviveTheCodePage()
{
    int accented = 0;
    for (const Layout &l : layouts()) {
        const auto table = DbfTable::open(shipped(l.file));
        for (int r = 0; r < table->recordCount(); ++r) {
            for (int f = 0; f < table->fieldCount(); ++f) {
                if (table->fields().at(f).type != FieldType::Character)
                    continue;
                const QString text = table->value(r, f).toString();
                QVERIFY2(representableInWindows1252(text), qPrintable(text));
                // UTF-8 stored as if it were Windows-1252 reads back as "Ã³" and the like.
                QVERIFY2(!text.contains(QChar(0xC3)) && !text.contains(QChar(0xFFFD)), qPrintable(text));
                for (const QChar c : text)
                    QVERIFY2(c.unicode() >= 0x20, qPrintable(text));
                accented += text.contains(QRegularExpression(QStringLiteral("[áéíóúñÁÉÍÓÚÑ]"))) ? 1 : 0;
            }
        }
    }
    QVERIFY(accented > 50);
    const auto ventas = DbfTable::open(shipped("VENTAS.dbf"));
    QVERIFY(ventas->value(0, ventas->fieldIndex("ETIQUETA")).toString().startsWith(QStringLiteral("Año ")));
}

void TestShippedData::dbfreadReadsTheSameValues_data()
{
    tablesHaveTheDocumentedLayout_data();
}

void TestShippedData::dbfreadReadsTheSameValues()
{
    QFETCH(QString, file);
    const auto table = DbfTable::open(shipped(file));
    QString error;
    QStringList names;
    for (const FieldDef &f : table->fields())
        names << f.name;
    QCOMPARE(korim::test::dbfreadFieldNames(shipped(file), &error), names);
    const QJsonArray records = korim::test::readWithDbfread(shipped(file), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(records.size(), table->recordCount());
    for (int r = 0; r < table->recordCount(); ++r) {
        const QJsonArray rec = records.at(r).toArray();
        QCOMPARE(rec.size(), table->fieldCount());
        for (int f = 0; f < table->fieldCount(); ++f) {
            const QVariant ours = table->value(r, f);
            const QJsonValue theirs = rec.at(f);
            if (table->fields().at(f).type == FieldType::Character)
                QCOMPARE(theirs.toString(), ours.toString());
            else
                QCOMPARE(theirs.toDouble(), ours.toDouble());
        }
    }
}

// Copies the sources into <dir>/src, with text "from" of one file replaced by
// "to"; false when the change does not apply.
static bool copySources(const QString &dir, const QString &file = {}, const QString &from = {},
                        const QString &to = {})
{
    const QDir src(sourceDir());
    const QDir dst(dir + QStringLiteral("/src"));
    dst.mkpath("tables");
    QDirIterator it(src.path(), {"*.csv", "considera.txt"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!QFile::copy(path, dst.filePath(src.relativeFilePath(path))))
            return false;
    }
    if (file.isEmpty())
        return true;
    QFile f(dst.filePath(file));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(f.readAll());
    f.close();
    if (!text.contains(from))
        return false;
    text.replace(text.indexOf(from), from.size(), to);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) > 0;
}

// Runs the generator on <dir>/src into outDir; returns its exit code.
static int runGenerator(const QString &dir, const QString &outDir, QString *stderrText,
                        const QString &sourceDateEpoch = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("SOURCE_DATE_EPOCH");
    if (!sourceDateEpoch.isEmpty())
        env.insert("SOURCE_DATE_EPOCH", sourceDateEpoch);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORIM_MKDATA), {dir + QStringLiteral("/src"), outDir});
    p.waitForFinished(60000);
    *stderrText = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void TestShippedData::generatorIsReproducible()
{
    QTemporaryDir tmp;
    QVERIFY(copySources(tmp.path()));
    QString err;
    // 2000-01-01 00:00 UTC
    QCOMPARE(runGenerator(tmp.path(), tmp.filePath("a"), &err, "946684800"), 0);
    QCOMPARE(runGenerator(tmp.path(), tmp.filePath("b"), &err, "946684800"), 0);
    QCOMPARE(runGenerator(tmp.path(), tmp.filePath("today"), &err), 0);
    const QStringList names = QDir(korim::test::shippedDataFolder()).entryList(QDir::Files);
    QCOMPARE(QDir(tmp.filePath("a")).entryList(QDir::Files), names);
    for (const QString &name : names) {
        const QByteArray a = readAll(tmp.filePath("a/" + name));
        QVERIFY2(!a.isEmpty(), qPrintable(name));
        QCOMPARE(a, readAll(tmp.filePath("b/" + name)));
        QByteArray today = readAll(tmp.filePath("today/" + name));
        QByteArray build = readAll(shipped(name));
        if (name.endsWith(QLatin1String(".dbf"))) {
            QCOMPARE(a.mid(1, 3), QByteArray("\x64\x01\x01"));
            const QDate now = QDate::currentDate(); // may be a day off around midnight UTC
            QVERIFY(qAbs(QDate(1900 + quint8(today.at(1)), today.at(2), today.at(3)).daysTo(now)) <= 1);
            today.replace(1, 3, a.mid(1, 3));
            build.replace(1, 3, a.mid(1, 3));
        }
        QCOMPARE(today, a);
        QCOMPARE(build, a); // the build tree holds what the sources say
    }
}

// Line ends, a byte order mark, blank lines, quoted plain cells and leading
// zeros change no byte of the tables; a doubled quote is one quote of the text.
void TestShippedData::generatorReadsEveryFormOfCsv()
{
    QTemporaryDir plain, forms, quotes;
    QVERIFY(copySources(plain.path()));
    QVERIFY(copySources(forms.path(), "tables/admlocal.rows.csv", "\n5,Administración Local de Recaudación de Bahía Serena\n",
                        "\n0005,\"Administración Local de Recaudación de Bahía Serena\"\n"));
    QVERIFY(copySources(quotes.path(), "tables/activida.rows.csv", "0,AGRO,\"Cultivo de granos",
                        "0,\"\",\"Cultivo de \"\"granos\"\""));
    QDirIterator it(forms.filePath("src/tables"), {"*.csv"}, QDir::Files);
    while (it.hasNext()) {
        QFile f(it.next());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray text = f.readAll();
        f.close();
        text.replace("\n", "\r\n\r\n");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(f.write("\xEF\xBB\xBF" + text) == text.size() + 3);
    }
    QString err;
    QCOMPARE(runGenerator(plain.path(), plain.filePath("out"), &err, "946684800"), 0);
    QCOMPARE(runGenerator(forms.path(), forms.filePath("out"), &err, "946684800"), 0);
    const QStringList names = QDir(plain.filePath("out")).entryList(QDir::Files);
    QCOMPARE(names.size(), 7);
    for (const QString &name : names)
        QVERIFY2(readAll(forms.filePath("out/" + name)) == readAll(plain.filePath("out/" + name)), qPrintable(name));

    QCOMPARE(runGenerator(quotes.path(), quotes.filePath("out"), &err), 0);
    const auto table = DbfTable::open(quotes.filePath("out/activida.dbf"));
    QCOMPARE(table->value(0, table->fieldIndex("SECTOR")).toString(), QString());
    QCOMPARE(table->value(0, table->fieldIndex("DESCRIPCIO")).toString(),
             QStringLiteral("Cultivo de \"granos\" básicos (maíz, frijol, trigo y sorgo)"));
}

void TestShippedData::generatorRefusesBrokenSources_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");

    QTest::newRow("text wider than its field")
        << "tables/catbanco.rows.csv" << "Banco Almendro" << QString("Banco Almendro").repeated(5)
        << "catbanco.rows.csv:8: field NOMBRE: text of 70 characters is wider than the field (60)";
    QTest::newRow("sequence out of order")
        << "tables/activida.rows.csv" << "\n5,AGRO," << "\n6,AGRO,"
        << "activida.rows.csv:7: sequence number 6 out of order";
    QTest::newRow("repeated activity code")
        << "tables/activida.rows.csv" << "111201" << "111101" << "activida.rows.csv:3: code 111101 (CLAVE) repeats";
    QTest::newRow("repeated office code")
        << "tables/admlocal.rows.csv" << "\n27," << "\n12," << "admlocal.rows.csv:3: code 12";
    QTest::newRow("character outside Windows-1252")
        << "tables/catbanco.rows.csv" << "Banco Brisamar" << "Banco Brisamar \u0141" << "has no Windows-1252 form";
    QTest::newRow("trailing blank")
        << "tables/catbanco.rows.csv" << "Banco Brisamar" << "Banco Brisamar " << "catbanco.rows.csv:9: field NOMBRE: trailing blanks";
    QTest::newRow("not a number")
        << "tables/admlocal.rows.csv" << "\n5," << "\nV," << "admlocal.rows.csv:4: field CLAVE: \"V\" is not a plain number";
    QTest::newRow("too many decimals")
        << "tables/ventas.rows.csv" << "0,0,0,0,0,0,0,A" << "0,0,0,0,0,0,0.12345,A" << "more decimals";
    QTest::newRow("cell count")
        << "tables/ventas.rows.csv" << "0,0,0,0,0,0,0,A" << "0,0,0,0,0,1,5,0,A" << "expected 9 cells, found 10";
    QTest::newRow("header out of order")
        << "tables/admlocal.rows.csv" << "CLAVE,NOMBRE" << "NOMBRE,CLAVE" << "name the fields in order";
    QTest::newRow("quote never closed")
        << "tables/activida.rows.csv" << "73,SERV,Rep" << "73,SERV,\"Rep"
        << "activida.rows.csv:75: a quoted cell is never closed";
    QTest::newRow("quote inside a plain cell")
        << "tables/activida.rows.csv" << "\n1,AGRO,Cultivo de" << "\n1,AGRO,Cultivo \"de\""
        << "activida.rows.csv:3: a quote inside an unquoted cell";
    QTest::newRow("line break inside a quoted cell")
        << "tables/activida.rows.csv" << "\"Cultivo de granos" << "\"Cultivo de\ngranos"
        << "activida.rows.csv:2: field DESCRIPCIO: control character U+000a in the text";
    QTest::newRow("number wider than its field")
        << "tables/admlocal.rows.csv" << "\n5," << "\n-1234,"
        << "admlocal.rows.csv:4: field CLAVE: -1234 does not fit in 4 characters with 0 decimals";
    QTest::newRow("text in a date field")
        << "tables/catbanco.fields.csv" << "SIGLAS,C,10,0" << "SIGLAS,D,8,0"
        << "catbanco.rows.csv:2: field SIGLAS: \"BALTIFO\" is not a date written YYYY-MM-DD";
    QTest::newRow("text in a logical field")
        << "tables/catbanco.fields.csv" << "SIGLAS,C,10,0" << "SIGLAS,L,1,0"
        << "catbanco.rows.csv:2: field SIGLAS: \"BALTIFO\" is not T, F or empty";
    QTest::newRow("bad field name")
        << "tables/admlocal.fields.csv" << "NOMBRE,C,60,0" << "nombre,C,60,0"
        << "admlocal.fields.csv:3: field name \"nombre\" is not 1 to 10 upper-case letters";
    QTest::newRow("field defined twice")
        << "tables/admlocal.fields.csv" << "NOMBRE,C,60,0" << "CLAVE,C,60,0"
        << "admlocal.fields.csv:3: field CLAVE is defined twice";
    QTest::newRow("field length not a number")
        << "tables/admlocal.fields.csv" << "NOMBRE,C,60,0" << "NOMBRE,C,6x,0"
        << "admlocal.fields.csv:3: field NOMBRE: length and decimals must be whole numbers";
    QTest::newRow("text field too long")
        << "tables/admlocal.fields.csv" << "NOMBRE,C,60,0" << "NOMBRE,C,255,0"
        << "field NOMBRE: length 255 with 0 decimals does not suit type C";
    QTest::newRow("more decimals than a number holds")
        << "tables/ventas.fields.csv" << "TC,N,12,4" << "TC,N,12,11"
        << "ventas.fields.csv:8: field TC: length 12 with 11 decimals does not suit type N";
    QTest::newRow("date field of a wrong length")
        << "tables/catbanco.fields.csv" << "SIGLAS,C,10,0" << "SIGLAS,D,10,0" << "length 10 with 0 decimals does not suit type D";
    QTest::newRow("field definition cells")
        << "tables/admlocal.fields.csv" << "NOMBRE,C,60,0" << "NOMBRE,C,60" << "admlocal.fields.csv:3: expected 4 cells, found 3";
    QTest::newRow("too few fields")
        << "tables/admlocal.fields.csv" << "NOMBRE,C,60,0\n" << ""
        << "admlocal.fields.csv: 1 fields defined, the table needs at least 2";
    QTest::newRow("stray quote")
        << "tables/activida.rows.csv" << "\"Cultivo de granos" << "\"\"Cultivo de granos"
        << "activida.rows.csv:2: text after a closing quote";
    QTest::newRow("two rows of a sales kind")
        << "tables/ventas.rows.csv" << "(proyectado),2" << "(proyectado),1" << "three rows of TIPO 1";
    QTest::newRow("TIPOPROG moved")
        << "tables/datoprov.fields.csv" << "TIPOPROG,N,1,0" << "TIPOPROX,N,1,0" << "position 21 must hold TIPOPROG";
    QTest::newRow("text field at a numeric position")
        << "tables/datoprov.fields.csv" << "ADMLOCAL,N,4,0" << "ADMLOCAL,C,4,0" << "position 28 (ADMLOCAL) must be numeric";
    QTest::newRow("record in a table shipped empty")
        << "tables/provmerc.rows.csv" << "DESCRIPCIO\n" << "DESCRIPCIO\n1,,Piezas\n" << "shipped empty";
    QTest::newRow("bad field type")
        << "tables/admlocal.fields.csv" << "NOMBRE,C,60,0" << "NOMBRE,X,60,0" << "type \"X\"";
    QTest::newRow("accent typed into the rich text")
        << "considera.txt" << "exportaci\\'f3n" << "exportación" << "is not ASCII";
    QTest::newRow("unbalanced rich text")
        << "considera.txt" << "{\\fonttbl" << "\\fonttbl" << "text after the end of the document";
    QTest::newRow("rich text never closed")
        << "considera.txt" << "\\par\r\n}" << "\\par\r\n" << "brace(s) never closed";
}

void TestShippedData::generatorRefusesBrokenSources()
{
    QFETCH(QString, file);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    QTemporaryDir tmp;
    QVERIFY2(copySources(tmp.path(), file, from, to), "the change does not apply to the sources");
    QString err;
    QCOMPARE(runGenerator(tmp.path(), tmp.filePath("out"), &err), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
    // Everything is checked before anything is written.
    QVERIFY(!QDir(tmp.filePath("out")).exists());
}

QTEST_GUILESS_MAIN(TestShippedData)
#include "tst_shipped_data.moc"
