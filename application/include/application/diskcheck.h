#pragma once
// The check of a delivered diskette without the window: a diskette's root,
// a copy of one or a data folder, read and never written, locked or
// renamed in. The four delivered tables are read as the engine reads them
// and the application is judged by the window's own rules, so the two
// cannot disagree.

#include "application/requiredrules.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace korim::application {

struct Finding {
    // An error: the application cannot be accepted as delivered. A warning:
    // worth a look, but the window lets it through.
    enum Kind { Error, Warning };
    Kind kind = Error;
    QString text;

    bool operator==(const Finding &) const = default;
};

struct DeliveredCheck {
    QString folder; // as given

    // What the application says of itself; empty where its table could not be read.
    QString rfc;            // trimmed
    QString name;           // name, second surname and given names, as far as stored
    QString programmeType;  // TIPOPROG as the window reads it
    QString activity;       // the activity code
    QString personnel;      // administrative staff plus workers, as the window adds them
    QString sales;          // "Ventas Tot. Miles Pesos (A)" of the first total-sales row
    QString indirectSales;  // "Total" of the first row of sales to final exporters
    int products = -1;      // -1: not known

    QList<Finding> findings; // in the order they were found

    // What the window would show on this folder: the RFC check's messages
    // and the required-data check (none when there is no record to judge).
    QStringList rfcMessages;
    std::optional<RequiredCheck> required;

    int errors() const;
    int warnings() const;
};

// Never throws; whatever goes wrong is a finding of the folder.
DeliveredCheck checkDelivered(const QString &folder);

// "FOLDER: sin observaciones", or one "FOLDER: error: TEXT" or
// "FOLDER: aviso: TEXT" a finding, without line ends.
QStringList reportLines(const DeliveredCheck &check);

// One CSV record a folder (RFC 4180: fields with a comma, a quote or a line
// break quoted, quotes doubled, records ended by CRLF), after a header.
QString csvHeader();
QString csvRecord(const DeliveredCheck &check);
QString csvField(const QString &value);

// Checks the folders on `threads` threads and gives each result to sink on
// the calling thread, in the order of folders, as soon as it and all before
// it are done. Only a few results per thread are ever held.
void checkDeliveredInOrder(const QStringList &folders, int threads,
                           const std::function<void(const DeliveredCheck &)> &sink);

} // namespace korim::application
