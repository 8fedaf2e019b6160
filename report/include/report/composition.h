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

#include <functional>
#include <optional>

namespace korim::report {

// What the composition reads: the snapshot of the application.
using ApplicationInput = korim::application::Snapshot;

struct ComposedApplication {
    QString text;        // line feeds only
    int titleLength = 0; // the centred title block, from position 0
    QString rfc;         // as the questionnaire holds it; names the printed document
};

ComposedApplication ComponeSolicitud(const ApplicationInput &in);

// Takes a snapshot and composes it with the date and regional settings of the
// printout. A failure of the tables while taking it is returned as its own
// description in *failure (the composition itself cannot fail).
std::optional<ComposedApplication> composeSnapshot(const std::function<korim::application::Snapshot()> &snapshot,
                                                   const QDate &today, const QLocale &locale, QString *failure);

// One amount column: "###,###,###.#0" right-aligned in 16 characters.
QString FormateaTotales(const QVariantList &record, int position, int width, const QLocale &locale);
QString FormateaVentasExp(const QVariantList &record, int position, int width, const QLocale &locale);

// "DD/MMM/YYYY" with the locale's abbreviated month and date separator.
QString reportDate(const QDate &date, const QLocale &locale);
// A sum in general number form with the locale's decimal separator.
QString generalNumber(double value, const QLocale &locale);

} // namespace korim::report
