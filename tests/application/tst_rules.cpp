// Numeric value of texts, plain numbers, the digit filter and amount pictures.
#include "application/rules.h"

#include <QTest>

#include <cfloat>
#include <cmath>
#include <limits>

using namespace korim::application;

class TestRules : public QObject {
    Q_OBJECT

private slots:
    void numericValue_data();
    void numericValue();
    void numericValueStaysFinite();
    void plainNumber_data();
    void plainNumber();
    void plainNumberReadsBack();
    void soloNumeros();
    void pattern_data();
    void pattern();
    void reportAmount_data();
    void reportAmount();
    void reportAmountOtherLocale();
};

void TestRules::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks") << "   " << 0.0;
    QTest::newRow("letters after") << "12abc" << 12.0;
    QTest::newRow("leading blank, decimals") << " 3.5x" << 3.5;
    QTest::newRow("minus alone") << "-" << 0.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("negative") << "-7.25" << -7.25;
    QTest::newRow("blank after minus") << "- 5" << -5.0;
    QTest::newRow("blanks inside") << "1 000" << 1000.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("letters first") << "abc12" << 0.0;
    QTest::newRow("comma ends") << "1,234.50" << 1.0;
    QTest::newRow("double minus") << "--5" << 0.0;
    QTest::newRow("plus is no sign") << "+5" << 0.0;
    QTest::newRow("exponent") << "2e+06" << 2000000.0;
    QTest::newRow("negative exponent") << "1.5E-2" << 0.015;
    QTest::newRow("E without digits") << "12E" << 12.0;
    QTest::newRow("E then letters") << "12EMPLEADOS" << 12.0;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("two-digit month") << "08" << 8.0;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\u0663") << 0.0;
}

void TestRules::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(korim::application::numericValue(text), expected);
}

void TestRules::numericValueStaysFinite()
{
    const QString huge = QStringLiteral("9") + QString(400, QLatin1Char('9'));
    QCOMPARE(korim::application::numericValue(huge), DBL_MAX);
    QCOMPARE(korim::application::numericValue(QLatin1Char('-') + huge), -DBL_MAX);
    QCOMPARE(korim::application::numericValue(QStringLiteral("1e999")), DBL_MAX);
    QCOMPARE(korim::application::numericValue(QStringLiteral("1e-999")), 0.0);
    QVERIFY(!std::signbit(korim::application::numericValue(QStringLiteral("-0"))));
}

void TestRules::plainNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("integer") << 15.0 << "15";
    QTest::newRow("one decimal") << 12.5 << "12.5";
    QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("negative") << -3.75 << "-3.75";
    QTest::newRow("no grouping") << 1234567.0 << "1234567";
    QTest::newRow("big amount, no exponent") << 2e15 << "2000000000000000";
    QTest::newRow("very big") << 1e20 << "100000000000000000000";
    QTest::newRow("small fraction") << 0.0001 << "0.0001";
    QTest::newRow("tiny") << 1.5e-7 << "0.00000015";
    QTest::newRow("rounds carry") << 9.9999999999999995 << "10";
    QTest::newRow("fifteen digits kept") << 123456789.012345 << "123456789.012345";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "0";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "0";
}

void TestRules::plainNumber()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(korim::application::plainNumber(value), expected);
}

void TestRules::plainNumberReadsBack()
{
    // Totals are written as text and read again by the same rules.
    const double values[] = {15, 12.5, 1250, 0.3, -42.125, 987654321.5, 1e-6, 3e14};
    for (double v : values)
        QCOMPARE(korim::application::numericValue(korim::application::plainNumber(v)), v);
}

void TestRules::soloNumeros()
{
    for (int code = 0; code < 256; ++code) {
        const bool allowed = (code >= '0' && code <= '9') || code == 8 || code == 9 || code == 27
                             || code == '.';
        QCOMPARE(SoloNumeros(code), allowed ? code : 0);
    }
    QCOMPARE(SoloNumeros(13), 0);  // Enter
    QCOMPARE(SoloNumeros('-'), 0);
    QCOMPARE(SoloNumeros(','), 0);
    QCOMPARE(SoloNumeros(0x0663), 0); // non-ASCII digit
    QCOMPARE(SoloNumeros(-1), 0);
}

void TestRules::pattern_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    const QString money = QStringLiteral("###,###,###,###.00");
    const QString whole = QStringLiteral("###,###,###,###");
    QTest::newRow("money grouped") << 1234567.891 << money << "1,234,567.89";
    QTest::newRow("money below one") << 0.5 << money << ".50";
    QTest::newRow("money zero") << 0.0 << money << ".00";
    QTest::newRow("money negative") << -1234.5 << money << "-1,234.50";
    QTest::newRow("money negative below one") << -0.5 << money << "-.50";
    QTest::newRow("money rounds to zero, no sign") << -0.001 << money << ".00";
    QTest::newRow("half away from zero") << 2.675 << money << "2.68";
    QTest::newRow("half away, negative") << -0.125 << money << "-.13";
    QTest::newRow("carry into new group") << 999999.999 << money << "1,000,000.00";
    QTest::newRow("whole rounds") << 24.5 << whole << "25";
    QTest::newRow("whole grouped") << 1234567.0 << whole << "1,234,567";
    QTest::newRow("whole zero is empty") << 0.0 << whole << "";
    QTest::newRow("standard picture") << 0.5 << "#,##0.00" << "0.50";
    QTest::newRow("no grouping") << 1234.5 << "###0.0" << "1234.5";
}

void TestRules::pattern()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(formatWithPattern(value, pattern, QLocale::c()), expected);
}

void TestRules::reportAmount_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("thousands and a half") << QVariant(1234.5) << 30 << QString(8, ' ') + "1,234.50";
    QTest::newRow("zero") << QVariant(0.0) << 30 << QString(13, ' ') + ".00";
    QTest::newRow("half") << QVariant(0.5) << 30 << QString(13, ' ') + ".50";
    QTest::newRow("negative") << QVariant(-1234.5) << 30 << QString(7, ' ') + "-1,234.50";
    QTest::newRow("integer field") << QVariant(qlonglong(2024)) << 30 << QString(8, ' ') + "2,024.00";
    QTest::newRow("text field") << QVariant(QStringLiteral("12abc")) << 30 << QString(11, ' ') + "12.00";
    QTest::newRow("text as bytes") << QVariant(QByteArray("12abc")) << 30 << QString(11, ' ') + "12.00";
    QTest::newRow("null field") << QVariant() << 30 << QString(16, ' ');
    QTest::newRow("wider than the column stays whole") << QVariant(123000000012.0) << 30 << "123,000,000,012.00";
    QTest::newRow("fills the column") << QVariant(1000000000.0) << 30 << "1,000,000,000.00";
    QTest::newRow("narrow width pads less") << QVariant(1234.5) << 4 << QString(2, ' ') + "1,234.50";
    QTest::newRow("width under two pads nothing") << QVariant(0.5) << 1 << ".50";
}

void TestRules::reportAmount()
{
    QFETCH(QVariant, value);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(korim::application::reportAmount(value, QLocale::c(), width), expected);
    if (width == 30)
        QCOMPARE(korim::application::reportAmount(value, QLocale::c()), expected);
}

void TestRules::reportAmountOtherLocale()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(korim::application::reportAmount(1234567.5, german),
             QString(4, ' ') + QStringLiteral("1.234.567,50"));
    QCOMPARE(formatWithPattern(0.25, QStringLiteral("###,###.00"), german), QStringLiteral(",25"));
}

QTEST_APPLESS_MAIN(TestRules)
#include "tst_rules.moc"
