#pragma once
// The application written to files without any window, as the print window
// would print it right after start-up (the command line's --text and --pdf):
// from the application's stored snapshot.
// Failures are said through the message layer; the result says whether the
// file was written.

#include <QString>

namespace korim::application {
class Solicitud;
}

namespace korim::report {

// UTF-8 with line feeds; "-" writes to standard output.
bool writeApplicationText(application::Solicitud &application, const QString &path);
// Letter, landscape: the application, then the considerations.
bool writeApplicationPdf(application::Solicitud &application, const QString &path);

} // namespace korim::report
