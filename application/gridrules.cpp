#include "application/gridrules.h"

#include "application/rules.h"

#include <cmath>

namespace korim::application {

double cellNumber(const QVariant &cell)
{
    return numericValueOf(cell);
}

TotalsRow recomputeTotalsRow(const QVariant &pesoSales, const QVariant &exchangeRate,
                             const QVariant &exports)
{
    TotalsRow row;
    const double rate = cellNumber(exchangeRate);
    if (rate != 0.0)
        row.dollarSales = cellNumber(pesoSales) / rate;
    row.exportShare = exportShare(row.dollarSales, exports);
    return row;
}

double exportShare(const QVariant &dollarSales, const QVariant &exports)
{
    const double dollars = cellNumber(dollarSales);
    return dollars != 0.0 ? cellNumber(exports) / dollars * 100.0 : 0.0;
}

bool exportsExceedSales(const QVariant &dollarSales, const QVariant &exports)
{
    return cellNumber(exports) > cellNumber(dollarSales);
}

bool exchangeRateLocked(int row, int column)
{
    return column == 3 && (row == 1 || row == 2);
}

GridKey indirectGridKey(int keyAscii)
{
    if (keyAscii == 13)
        return GridKey::NextCell;
    return SoloNumeros(keyAscii) == 0 ? GridKey::Discard : GridKey::Type;
}

GridKey totalsGridKey(int row, int column, int keyAscii)
{
    // A locked cell takes nothing, but Tab and Enter still move on from it.
    if (exchangeRateLocked(row, column) && keyAscii != 9 && keyAscii != 13)
        return GridKey::Discard;
    return indirectGridKey(keyAscii);
}

double indirectExportTotal(const QVariant &certificates, const QVariant &exporterLetters,
                           const QVariant &virtualOperations)
{
    return cellNumber(certificates) + cellNumber(exporterLetters) + cellNumber(virtualOperations);
}

QString formatExchangeRate(double value, const QLocale &locale)
{
    return displayText(value, QStringLiteral("Standard"), locale);
}

double exchangeRateValue(double value)
{
    // Read back from the ungrouped text, so the number is the one shown.
    return numericValue(formatWithPattern(value, QStringLiteral("0.00"), QLocale::c()));
}

QString displayText(double value, const QString &formatName, const QLocale &locale)
{
    if (formatName.compare(QLatin1String("Standard"), Qt::CaseInsensitive) == 0)
        return formatWithPattern(value, QStringLiteral("#,##0.00"), locale);
    // Any name that is no picture shows the number plainly rather than nothing.
    const bool picture = formatName.contains(QLatin1Char('#')) || formatName.contains(QLatin1Char('0'));
    if (!picture) {
        QString text = plainNumber(value);
        if (text.startsWith(QLatin1Char('-')))
            text.replace(0, 1, locale.negativeSign());
        text.replace(QLatin1Char('.'), locale.decimalPoint());
        return text;
    }
    return formatWithPattern(value, formatName, locale);
}

} // namespace korim::application
