#pragma once
// Printing the composed application and the general considerations as one
// job: the application pages in a fixed-pitch face sized so that no line
// wraps, then the considerations document on a new page with its own
// formatting.

#include "report/composition.h"

#include <QFont>
#include <QString>
#include <QStringList>

class QPaintDevice;
class QPrinter;
class QTextDocument;
class QWidget;

namespace korim::report {

// "Courier New" where installed, else its metric twin Liberation Mono, else
// whatever fixed-pitch face the system has; never a proportional one.
QFont fixedPitchFont(qreal pointSize);

// The largest size up to maxPointSize at which the longest of lines fits
// width (device units of device).
qreal fittingPointSize(const QStringList &lines, QPaintDevice *device, qreal width, qreal maxPointSize = 10.0);

// Landscape; Letter when the printer is a PDF file (Qt would pick A4).
void preparePrinter(QPrinter &printer);

// "Solicitud KORIM", followed by the RFC when there is one: the name of the
// print job and the PDF's title.
QString documentName(const ComposedApplication &application);
// Names the document and its creator on printer before its job starts, so
// that the printer dialog and the print queue show the name.
void nameDocument(QPrinter &printer, const ComposedApplication &application);

// Reads considera.txt with the considerations' default face (Courier New
// 8.25 pt) for text without a font of its own. False with a Spanish
// description naming the file.
bool loadConsiderations(const QString &path, QTextDocument *doc, QString *error);
// considera.txt of the data folder, found without regard to case.
QString considerationsFile(const QString &dataFolder);
// The considerations could not be read: says why and asks whether to print
// the application alone (Sí/No). True for Sí.
bool confirmWithoutConsiderations(QWidget *parent, const QString &error);

// One job on printer, named by nameDocument: the application, then (when
// given) the considerations from a new page. False with a Spanish description
// when the printer could not be opened.
bool printApplication(QPrinter &printer, const ComposedApplication &application,
                      const QTextDocument *considerations, QString *error);

} // namespace korim::report
