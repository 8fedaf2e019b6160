#pragma once
// The application written to files without the print window, as the window
// would print it right after start-up (the command line's --text and --pdf).
// Failures are said through the message layer; the result says whether the
// file was written.

#include <QString>

namespace korim::questionnaire {
class Form1;
}

namespace korim::report {

// UTF-8 with line feeds; "-" writes to standard output.
bool writeApplicationText(questionnaire::Form1 &form, const QString &path);
// Letter, landscape: the application, then the considerations.
bool writeApplicationPdf(questionnaire::Form1 &form, const QString &path);

} // namespace korim::report
