// The composed application against a golden text, and the layout's edge cases.
#include "report/composition.h"

#include <QFile>
#include <QTest>

#include <functional>

using namespace korim::report;

namespace {

QString golden(const QString &name)
{
    QFile f(QStringLiteral(KORIM_GOLDEN_DIR "/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QVariantList sales(qlonglong year, double a, double b, double c, double d, double e, double f)
{
    return {year, a, b, c, d, e, f};
}

ApplicationInput fullInput()
{
    ApplicationInput in;
    in.tipoTramite = QStringLiteral("Programa nuevo");
    in.abastecedor = true;
    in.rfc = QStringLiteral(" ABC800101AB1");
    in.apePat = QStringLiteral("GARCIA");
    in.apeMat = QStringLiteral("LOPEZ");
    in.nombre = QStringLiteral("MARIA");
    in.calle = QStringLiteral("AV. CENTRAL 100");
    in.colonia = QStringLiteral("CENTRO");
    in.cp = QStringLiteral("01000");
    in.estado = QStringLiteral("NUEVO LEÓN");
    in.ciudad = QStringLiteral("MONTERREY");
    in.delMun = QStringLiteral("SAN PEDRO GARZA GARCÍA");
    in.telefono = QStringLiteral("8181234567");
    in.fax = QStringLiteral("8187654321");
    in.email = QStringLiteral("ventas@sur.com");
    in.actividad = QStringLiteral("Fabricación de muebles");
    in.admLocal = QStringLiteral("Administración Local de Bahía Serena");
    in.repApePat = QStringLiteral("PÉREZ");
    in.repApeMat = QStringLiteral("ÑUÑEZ");
    in.repNombre = QStringLiteral("JOSÉ LUIS");
    in.repTelefono = QStringLiteral("8180001111");
    in.repFax = QStringLiteral("8180002222");
    in.repEmail = QStringLiteral("jl@sur.com");
    in.empleados = QStringLiteral("3");
    in.obreros = QStringLiteral("12");
    in.ventasPais = QStringLiteral("1000");
    in.ventasExterior = QStringLiteral("250.5");
    in.banco = QStringLiteral("Banca Cumbre Azul");
    in.sucursal = QStringLiteral("MATRIZ");
    in.numCuenta = QStringLiteral("0123456789");
    in.localidad = QStringLiteral("MONTERREY");
    in.domSucursal = QStringLiteral("AV. JUÁREZ 5 PTE.");
    in.totales = {sales(2025, 1234.5, 123.45, 0.5, 1000000, 0, 10),
                  sales(2026, 12345678.905, 1234567.885, 200, 100, 50, 17.25),
                  sales(2027, 0, 0, 0, 0, 0, 0)};
    // Position 2 is not printed in this table.
    in.ventasExp = {sales(2025, 100, 999, 200, 300, 600, 10), sales(2026, 1, 555, 2, 3, 6, 17.25),
                    sales(2027, 0, 0, 0, 0, 0, 0)};
    in.productos = {QStringLiteral("MUEBLES DE PINO"), QStringLiteral("SILLAS DE MADERA TALLADA")};
    in.today = QDate(2026, 12, 7);
    in.locale = QLocale(QLocale::Spanish, QLocale::Mexico);
    return in;
}

QString lineOf(const QString &text, const QString &start)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(start))
            return line;
    }
    return {};
}

} // namespace

class TestComposition : public QObject {
    Q_OBJECT

private slots:
    void fullApplication();
    void edgeCases();
    void amountColumns_data();
    void amountColumns();
    void otherLocale();
};

void TestComposition::fullApplication()
{
    const ComposedApplication out = ComponeSolicitud(fullInput());
    const QString expected = golden(QStringLiteral("full_application.txt"));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(out.titleLength, 92);
    QVERIFY(!out.text.contains(QLatin1Char('\r')));
    const QStringList got = out.text.split(QLatin1Char('\n'));
    const QStringList want = expected.split(QLatin1Char('\n'));
    for (int i = 0; i < qMin(got.size(), want.size()); ++i)
        QVERIFY2(got[i] == want[i], qPrintable(QStringLiteral("line %1:\n got  [%2]\n want [%3]")
                                                   .arg(i + 1)
                                                   .arg(got[i], want[i])));
    QCOMPARE(got.size(), want.size());
    QCOMPARE(out.text, expected);
}

void TestComposition::edgeCases()
{
    struct Case {
        const char *name;
        std::function<void(ApplicationInput &)> change;
        QStringList present;
        QStringList absent;
    };
    const QString s5(5, QLatin1Char(' '));
    const QString s35(35, QLatin1Char(' '));
    const QList<Case> cases = {
        {"no sales and no products: one empty line, no headings",
         [](ApplicationInput &in) {
             in.totales.clear();
             in.ventasExp.clear();
             in.productos.clear();
         },
         {QStringLiteral("  Total       : 1250.5\n\nNombre de banco : ")},
         {QStringLiteral("Ventas totales"), QStringLiteral("Ventas a exportadores"), QStringLiteral("Descipcion")}},
        {"Productor Directo: slot 1 and the totals table alone",
         [](ApplicationInput &in) {
             in.abastecedor = false;
             in.prodFinal = true;
         },
         {QStringLiteral("TIPO DE PROGRAMA : Productor Directo       \n"), QStringLiteral("Ventas totales")},
         {QStringLiteral("Ventas a exportadores")}},
        {"Productor Indirecto: slot 2 and the indirect-export table alone",
         [](ApplicationInput &in) {
             in.abastecedor = false;
             in.prodIndirecto = true;
         },
         {QStringLiteral("TIPO DE PROGRAMA :   Productor Indirecto     \n"),
          QStringLiteral("Ventas a exportadores")},
         {QStringLiteral("Ventas totales")}},
        {"no option: both tables, one empty line between them",
         [](ApplicationInput &in) { in.abastecedor = false; },
         {QStringLiteral("TIPO DE PROGRAMA :") + QString(9, QLatin1Char(' ')) + QLatin1Char('\n'),
          QStringLiteral("  .00             .00\n\nVentas a exportadores finales")},
         {}},
        {"empty fields keep labels and spaces",
         [](ApplicationInput &in) {
             in = ApplicationInput{};
             in.today = QDate(2026, 12, 7);
             in.locale = QLocale(QLocale::Spanish, QLocale::Mexico);
         },
         {QStringLiteral("\nCALLE    :    COLONIA  :               CODIGO POSTAL  :    ESTADO   :\n"),
          QStringLiteral("\nRFC : ") + QString(7, QLatin1Char(' ')) + QStringLiteral("NOMBRE O RAZON SOCIAL :   \n"),
          QStringLiteral("  Total            : 0") + s35 + QStringLiteral("  Total       : 0\n"),
          QStringLiteral("\nENTIDAD FEDERATIVA   :") + QString(11, QLatin1Char(' ')) + QStringLiteral("TELEFONO(S)  :")
              + s5 + QStringLiteral("FAX   :\n")},
         {}},
        {"12 and abc give 12; leading numbers only",
         [](ApplicationInput &in) {
             in.empleados = QStringLiteral("12");
             in.obreros = QStringLiteral("abc");
             in.ventasPais = QStringLiteral("7.25 mil");
             in.ventasExterior = QString();
         },
         {QStringLiteral("  Total            : 12") + s35 + QStringLiteral("  Total       : 7.25\n")},
         {}},
        {"the federal entity is the state, not the municipality",
         [](ApplicationInput &) {},
         {QStringLiteral("ENTIDAD FEDERATIVA   :NUEVO LEÓN ")},
         {QStringLiteral("ENTIDAD FEDERATIVA   :SAN PEDRO")}},
        {"long product lists stay in order",
         [](ApplicationInput &in) {
             in.productos.clear();
             for (int i = 0; i < 500; ++i)
                 in.productos.append(QStringLiteral("P%1").arg(i));
         },
         {QStringLiteral("       P0\n       P1\n"), QStringLiteral("       P498\n       P499\n\n\nVentas totales")},
         {}},
    };
    for (const Case &c : cases) {
        ApplicationInput in = fullInput();
        c.change(in);
        const ComposedApplication out = ComponeSolicitud(in);
        QCOMPARE(out.titleLength, 92);
        QVERIFY2(!out.text.contains(QLatin1Char('\r')), c.name);
        QVERIFY2(out.text.endsWith(QString(150, QLatin1Char(' ')) + QStringLiteral("FIRMA")), c.name);
        for (const QString &p : c.present)
            QVERIFY2(out.text.contains(p), qPrintable(QStringLiteral("%1: missing [%2]").arg(QLatin1String(c.name), p)));
        for (const QString &a : c.absent)
            QVERIFY2(!out.text.contains(a), qPrintable(QStringLiteral("%1: unexpected [%2]").arg(QLatin1String(c.name), a)));
    }
}

void TestComposition::amountColumns_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1,234.50") << QVariant(1234.5) << QString(8, QLatin1Char(' ')) + QStringLiteral("1,234.50");
    QTest::newRow("0.5 has no leading zero") << QVariant(0.5) << QString(13, QLatin1Char(' ')) + QStringLiteral(".50");
    QTest::newRow("zero") << QVariant(qlonglong(0)) << QString(13, QLatin1Char(' ')) + QStringLiteral(".00");
    QTest::newRow("blank field") << QVariant() << QString(16, QLatin1Char(' '));
    QTest::newRow("fills the column") << QVariant(1000000000.0) << QStringLiteral("1,000,000,000.00");
    // 18 characters: kept whole rather than printed as 3,000,000,012.00.
    QTest::newRow("figure of 18 characters") << QVariant(123000000012.0) << QStringLiteral("123,000,000,012.00");
    QTest::newRow("negative") << QVariant(-2.5) << QString(11, QLatin1Char(' ')) + QStringLiteral("-2.50");
}

void TestComposition::amountColumns()
{
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    const QVariantList record = {qlonglong(2026), value};
    const QLocale mx(QLocale::Spanish, QLocale::Mexico);
    QCOMPARE(FormateaTotales(record, 1, 30, mx), expected);
    QCOMPARE(FormateaVentasExp(record, 1, 30, mx), expected);
}

void TestComposition::otherLocale()
{
    ApplicationInput in = fullInput();
    in.locale = QLocale(QLocale::German, QLocale::Germany);
    const QString text = ComponeSolicitud(in).text;
    QCOMPARE(lineOf(text, QStringLiteral("2025")).mid(4, 16), QString(8, QLatin1Char(' ')) + QStringLiteral("1.234,50"));
    QVERIFY(text.contains(QStringLiteral("  Total       : 1250,5\n")));
    QVERIFY(text.contains(QStringLiteral("FECHA : 07.Dez.2026\n")));
    QCOMPARE(reportDate(QDate(2026, 1, 5), QLocale(QLocale::Spanish, QLocale::Mexico)), QStringLiteral("05/ene/2026"));
}

QTEST_APPLESS_MAIN(TestComposition)
#include "tst_composition.moc"
