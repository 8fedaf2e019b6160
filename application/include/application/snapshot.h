#pragma once
// Everything the printed application needs, as plain values: what the
// questionnaire shows of the application, the sales rows and the products,
// the date and the regional settings of the printout.

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>

namespace korim::application {

// The application as the questionnaire shows it: the texts of its fields,
// the entries its lists show and the programme options.
struct Shown {
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

    bool operator==(const Shown &) const = default;
};

// The texts of Shown that are fields of the application record, with the
// field each shows.
const QList<std::pair<QString Shown::*, const char *>> &shownFields();

struct Snapshot : Shown {
    // Records of the walks, fields by position (VENTAS layout for the sales).
    QList<QVariantList> totales;   // kind 1
    QList<QVariantList> ventasExp; // kind 2
    QStringList productos;         // descriptions

    QDate today;
    QLocale locale;
};

} // namespace korim::application
