#pragma once
// The printed application as one fixed-column text, built from a plain value:
// the application's snapshot (what the questionnaire shows, the records of
// the three walks, the date and the locale). Nothing here touches a window or
// a table.

#include "application/snapshot.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QVariant>

namespace korim::report {

// What the composition reads: the snapshot of the application.
using ApplicationInput = korim::application::Snapshot;

struct ComposedApplication {
    QString text;        // line feeds only
    int titleLength = 0; // the centred title block, from position 0
    QString rfc;         // as the questionnaire holds it; names the printed document
};

ComposedApplication ComponeSolicitud(const ApplicationInput &in);

// One amount column: "###,###,###.#0" right-aligned in 16 characters.
QString FormateaTotales(const QVariantList &record, int position, int width, const QLocale &locale);
QString FormateaVentasExp(const QVariantList &record, int position, int width, const QLocale &locale);

// "DD/MMM/YYYY" with the locale's abbreviated month and date separator.
QString reportDate(const QDate &date, const QLocale &locale);
// A sum in general number form with the locale's decimal separator.
QString generalNumber(double value, const QLocale &locale);

} // namespace korim::report
