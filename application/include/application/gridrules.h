#pragma once
// Arithmetic and formats of the two sales grids, without the grids.
//
// Cells are taken as the grid model holds them: a number is used as it is,
// a text by its numericValue, a null or invalid value counts as 0. Keep the
// numbers themselves in the model: a formatted text such as "1,234.50" read
// back as a text would count as 1.

#include <QLocale>
#include <QString>
#include <QVariant>

namespace korim::application {

double cellNumber(const QVariant &cell);

// dbgVTotales: dollar sales (col 4) and exports as a percentage of them (col 7).
struct TotalsRow {
    double dollarSales = 0; // col 2 / col 3, 0 when the rate is empty or 0
    double exportShare = 0; // col 5 / col 4 * 100, 0 when col 4 is 0
};
TotalsRow recomputeTotalsRow(const QVariant &pesoSales, const QVariant &exchangeRate,
                             const QVariant &exports);
// Col 7 alone, from the dollar sales as they stand in col 4.
double exportShare(const QVariant &dollarSales, const QVariant &exports);

// The export check, on col 4 and col 5 as they stand before recomputation:
// true when the exports exceed the dollar sales (equal is accepted).
bool exportsExceedSales(const QVariant &dollarSales, const QVariant &exports);
inline const QString kExportsAboveSalesMessage =
    QStringLiteral("Las Exportaciones no pueden ser mayor a las ventas totales");

// Only the first row's exchange rate may be changed in the grid.
bool exchangeRateLocked(int row, int column);

// What a typed character does in either grid (after the window's upper-casing).
enum class GridKey { Discard, Type, NextCell };
GridKey totalsGridKey(int row, int column, int keyAscii);
GridKey indirectGridKey(int keyAscii);

// dbVentasTot: total (col 5) of the three documents (cols 2, 3, 4).
double indirectExportTotal(const QVariant &certificates, const QVariant &exporterLetters,
                           const QVariant &virtualOperations);

// The exchange rate as rewritten in its cell: two decimals, grouped.
QString formatExchangeRate(double value, const QLocale &locale = QLocale::system());
// The number behind that text: the rate rounded to two decimals as shown.
double exchangeRateValue(double value);

// A value shown in a grid column with display format formatName:
// "###,###,###,###.00" and other pictures (see formatWithPattern), "Standard"
// (grouped, at least one integer digit, two decimals), "General Number"
// (plain, the locale's decimal point). An empty or unknown name shows
// General Number.
QString displayText(double value, const QString &formatName, const QLocale &locale);

} // namespace korim::application
