// Sales grids: derived columns, export check, keys and display formats.
#include "application/gridrules.h"

#include <QTest>

using namespace korim::application;

class TestGridRules : public QObject {
    Q_OBJECT

private slots:
    void totalsRow_data();
    void totalsRow();
    void exportCheck_data();
    void exportCheck();
    void indirectTotal();
    void keys();
    void exchangeRateFormat();
    void exchangeRateKeepsTheShownNumber();
    void displayFormats_data();
    void displayFormats();
    void displayFormatsFollowLocale();
};

void TestGridRules::totalsRow_data()
{
    QTest::addColumn<QVariant>("pesos");
    QTest::addColumn<QVariant>("rate");
    QTest::addColumn<QVariant>("exports");
    QTest::addColumn<double>("dollars");
    QTest::addColumn<double>("share");
    QTest::newRow("2000 at 10, exports 50") << QVariant(2000.0) << QVariant(10.0) << QVariant(50.0) << 200.0 << 25.0;
    QTest::newRow("same as texts") << QVariant("2000") << QVariant("10") << QVariant("50") << 200.0 << 25.0;
    QTest::newRow("rate 0") << QVariant(2000.0) << QVariant(0.0) << QVariant(50.0) << 0.0 << 0.0;
    QTest::newRow("rate empty text") << QVariant(2000.0) << QVariant(QString()) << QVariant(50.0) << 0.0 << 0.0;
    QTest::newRow("rate null") << QVariant(2000.0) << QVariant() << QVariant(50.0) << 0.0 << 0.0;
    QTest::newRow("rate text 0.00") << QVariant(2000.0) << QVariant("0.00") << QVariant(50.0) << 0.0 << 0.0;
    QTest::newRow("no sales") << QVariant() << QVariant(10.5) << QVariant(50.0) << 0.0 << 0.0;
    QTest::newRow("no exports") << QVariant(2100.0) << QVariant(10.5) << QVariant() << 200.0 << 0.0;
    QTest::newRow("integer cells") << QVariant(qlonglong(300)) << QVariant(4) << QVariant(qlonglong(75)) << 75.0 << 100.0;
}

void TestGridRules::totalsRow()
{
    QFETCH(QVariant, pesos);
    QFETCH(QVariant, rate);
    QFETCH(QVariant, exports);
    QFETCH(double, dollars);
    QFETCH(double, share);
    const TotalsRow row = recomputeTotalsRow(pesos, rate, exports);
    QCOMPARE(row.dollarSales, dollars);
    QCOMPARE(row.exportShare, share);
}

void TestGridRules::exportCheck_data()
{
    QTest::addColumn<QVariant>("dollars");
    QTest::addColumn<QVariant>("exports");
    QTest::addColumn<bool>("refused");
    QTest::newRow("below") << QVariant(200.0) << QVariant(50.0) << false;
    QTest::newRow("equal") << QVariant(200.0) << QVariant(200.0) << false;
    QTest::newRow("above") << QVariant(200.0) << QVariant(200.01) << true;
    QTest::newRow("typed before sales") << QVariant() << QVariant(50.0) << true;
    QTest::newRow("nothing yet") << QVariant() << QVariant() << false;
    QTest::newRow("texts compared as numbers") << QVariant("90") << QVariant("100") << true;
}

void TestGridRules::exportCheck()
{
    QFETCH(QVariant, dollars);
    QFETCH(QVariant, exports);
    QFETCH(bool, refused);
    QCOMPARE(exportsExceedSales(dollars, exports), refused);
}

void TestGridRules::indirectTotal()
{
    QCOMPARE(indirectExportTotal(100.0, 200.0, 300.0), 600.0);
    QCOMPARE(indirectExportTotal(100.0, QVariant(), 300.0), 400.0);
    QCOMPARE(indirectExportTotal(QStringLiteral("100"), QString(), QStringLiteral("12abc")), 112.0);
    QCOMPARE(indirectExportTotal(QVariant(), QVariant(), QVariant()), 0.0);
}

void TestGridRules::keys()
{
    // Exchange rate of the second and third rows: nothing gets in.
    for (int row : {1, 2}) {
        QCOMPARE(totalsGridKey(row, 3, '5'), GridKey::Discard);
        QCOMPARE(totalsGridKey(row, 3, 8), GridKey::Discard);
        // ... but Tab and Enter still move on.
        QCOMPARE(totalsGridKey(row, 3, 9), GridKey::Type);
        QCOMPARE(totalsGridKey(row, 3, 13), GridKey::NextCell);
        QVERIFY(exchangeRateLocked(row, 3));
    }
    QVERIFY(!exchangeRateLocked(0, 3));
    QVERIFY(!exchangeRateLocked(1, 2));
    QCOMPARE(totalsGridKey(0, 3, '5'), GridKey::Type);
    QCOMPARE(totalsGridKey(0, 3, '.'), GridKey::Type);
    QCOMPARE(totalsGridKey(1, 2, '7'), GridKey::Type);
    for (int col = 0; col < 8; ++col) {
        QCOMPARE(totalsGridKey(0, col, 'A'), GridKey::Discard);
        QCOMPARE(totalsGridKey(0, col, '-'), GridKey::Discard);
        QCOMPARE(totalsGridKey(0, col, 13), GridKey::NextCell);
    }
    QCOMPARE(indirectGridKey('9'), GridKey::Type);
    QCOMPARE(indirectGridKey(8), GridKey::Type);
    QCOMPARE(indirectGridKey('X'), GridKey::Discard);
    QCOMPARE(indirectGridKey(','), GridKey::Discard);
    QCOMPARE(indirectGridKey(13), GridKey::NextCell);
}

void TestGridRules::exchangeRateFormat()
{
    const QLocale c = QLocale::c();
    QCOMPARE(formatExchangeRate(10.5, c), QStringLiteral("10.50"));
    QCOMPARE(formatExchangeRate(0, c), QStringLiteral("0.00"));
    QCOMPARE(formatExchangeRate(1234.567, c), QStringLiteral("1,234.57"));
    QCOMPARE(formatExchangeRate(9.999, c), QStringLiteral("10.00"));
    const QLocale spain(QLocale::Spanish, QLocale::Spain);
    QCOMPARE(formatExchangeRate(1234.5, spain), QStringLiteral("1.234,50"));
}

void TestGridRules::exchangeRateKeepsTheShownNumber()
{
    // The number behind the two-decimal text, whatever the grouping.
    QCOMPARE(exchangeRateValue(1234.567), 1234.57);
    QCOMPARE(exchangeRateValue(9.999), 10.0);
    QCOMPARE(exchangeRateValue(10.5), 10.5);
    QCOMPARE(exchangeRateValue(0.004), 0.0);
    QCOMPARE(exchangeRateValue(1234567.125), 1234567.13);
    // The percentage from dollar sales as they stand, stored rounded or not.
    QCOMPARE(exportShare(200.0, 50.0), 25.0);
    QCOMPARE(exportShare(QVariant(), 50.0), 0.0);
    QCOMPARE(exportShare(QStringLiteral("0.00"), 50.0), 0.0);
}

void TestGridRules::displayFormats_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pesos") << 1234567.5 << "###,###,###,###.00" << "1,234,567.50";
    QTest::newRow("pesos below one") << 0.75 << "###,###,###,###.00" << ".75";
    QTest::newRow("standard") << 10.5 << "Standard" << "10.50";
    QTest::newRow("standard below one") << 0.5 << "Standard" << "0.50";
    QTest::newRow("standard grouped") << 12345.0 << "Standard" << "12,345.00";
    QTest::newRow("general number") << 200.0 << "General Number" << "200";
    QTest::newRow("general number fraction") << 190.47619047619048 << "General Number" << "190.47619047619";
    QTest::newRow("general number not grouped") << 1234567.0 << "General Number" << "1234567";
    QTest::newRow("general number negative") << -2.5 << "General Number" << "-2.5";
    QTest::newRow("percentage") << 25.0 << "###,###,###,###" << "25";
    QTest::newRow("percentage rounds") << 33.5 << "###,###,###,###" << "34";
    QTest::newRow("imports grouped") << 1500000.0 << "###,###,###,###" << "1,500,000";
    QTest::newRow("no format") << 12.25 << "" << "12.25";
    QTest::newRow("unknown name") << 12.25 << "Currency" << "12.25";
}

void TestGridRules::displayFormats()
{
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(displayText(value, format, QLocale::c()), expected);
}

void TestGridRules::displayFormatsFollowLocale()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(displayText(1234.5, QStringLiteral("General Number"), german), QStringLiteral("1234,5"));
    QCOMPARE(displayText(1234.5, QStringLiteral("###,###,###,###.00"), german),
             QStringLiteral("1.234,50"));
}

QTEST_APPLESS_MAIN(TestGridRules)
#include "tst_rules_grid.moc"
