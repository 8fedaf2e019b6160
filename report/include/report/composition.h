#pragma once
// The printed application as one fixed-column text, built from a plain value:
// what the questionnaire shows, the records of the three walks, the date and
// the locale. Nothing here touches a window or a table.

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace korim::report {

struct ApplicationInput {
    // Texts the questionnaire shows (lists: their shown entry).
    QString tipoTramite;
    bool prodFinal = false;     // "Productor Directo"
    bool prodIndirecto = false; // "Productor Indirecto"
    bool abastecedor = false;   // "Directo e Indirecto"
    QString rfc;                // all 13 places, blanks kept
    QString apePat, apeMat, nombre;
    QString calle, colonia, cp, estado, ciudad, delMun;
    QString telefono, fax, email;
    QString actividad, admLocal;
    QString repApePat, repApeMat, repNombre, repTelefono, repFax, repEmail;
    QString empleados, obreros, ventasPais, ventasExterior;
    QString banco, sucursal, numCuenta, localidad, domSucursal;

    // Records of the walks, fields by position (VENTAS layout for the sales).
    QList<QVariantList> totales;   // kind 1
    QList<QVariantList> ventasExp; // kind 2
    QStringList productos;         // descriptions

    QDate today;
    QLocale locale;
};

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
